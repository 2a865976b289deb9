// The folder operations the workspace needs, behind a small interface so a test can make a
// deletion fail (a file held open elsewhere) whatever the rights of the user running it.
// Failures throw store::StoreError with the system's description.
#pragma once

#include <string>
#include <vector>

namespace arbelio::shell {

class OperacionesArchivos {
 public:
  virtual ~OperacionesArchivos() = default;
  virtual bool existeCarpeta(const std::string& ruta) = 0;
  // Creates the folder and missing parents.
  virtual void crearCarpeta(const std::string& ruta) = 0;
  virtual bool existeArchivo(const std::string& ruta) = 0;
  // Names of the files directly inside the folder (no sub-folders), sorted.
  virtual std::vector<std::string> archivosDe(const std::string& carpeta) = 0;
  virtual void borrarArchivo(const std::string& ruta) = 0;
};

// The real file system, through the table store.
OperacionesArchivos& ArchivosDelSistema();

}  // namespace arbelio::shell
