#include "shell/OperacionesArchivos.h"

#include "store/FileOps.h"

namespace arbelio::shell {
namespace {

// The table store's file operations: a delete refuses a table open in this process and takes
// the table's index sidecar with it.
class ArchivosDelAlmacen : public OperacionesArchivos {
 public:
  bool existeCarpeta(const std::string& ruta) override { return store::folderExists(ruta); }
  void crearCarpeta(const std::string& ruta) override { store::createFolder(ruta); }
  bool existeArchivo(const std::string& ruta) override { return store::fileExists(ruta); }
  std::vector<std::string> archivosDe(const std::string& carpeta) override {
    std::vector<std::string> nombres;
    for (const store::FileEntry& e : store::listFiles(carpeta)) nombres.push_back(e.name);
    return nombres;
  }
  void borrarArchivo(const std::string& ruta) override { store::deleteFile(ruta); }
};

}  // namespace

OperacionesArchivos& ArchivosDelSistema() {
  static ArchivosDelAlmacen archivos;
  return archivos;
}

}  // namespace arbelio::shell
