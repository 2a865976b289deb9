#include "shell/OperacionesArchivos.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "store/StoreError.h"

namespace arbelio::shell {
namespace {

namespace fs = std::filesystem;
using store::StoreError;

// Error number of the store for a system error, so messages read as the store's own.
int NumeroError(const std::error_code& ec) {
  if (ec == std::errc::no_such_file_or_directory) return store::err::kArchivoNoEncontrado;
  return store::err::kPermisoDenegado;
}

// Spanish description of the usual system errors.
std::string Descripcion(const std::error_code& ec) {
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted)
    return "Permiso denegado";
  if (ec == std::errc::no_such_file_or_directory) return "Archivo no encontrado";
  if (ec == std::errc::device_or_resource_busy) return "Archivo en uso";
  if (ec == std::errc::read_only_file_system) return "Disco de sólo lectura";
  if (ec == std::errc::not_a_directory) return "La ruta no es una carpeta";
  if (ec == std::errc::no_space_on_device) return "Disco lleno";
  return ec.message();
}

class ArchivosLocales : public OperacionesArchivos {
 public:
  bool existeCarpeta(const std::string& ruta) override {
    std::error_code ec;
    return fs::is_directory(ruta, ec);
  }

  void crearCarpeta(const std::string& ruta) override {
    std::error_code ec;
    fs::create_directories(ruta, ec);
    if (ec || !fs::is_directory(ruta)) {
      if (!ec) ec = std::make_error_code(std::errc::not_a_directory);
      throw StoreError(NumeroError(ec), Descripcion(ec));
    }
  }

  std::vector<std::string> archivosDe(const std::string& carpeta) override {
    std::error_code ec;
    std::vector<std::string> nombres;
    fs::directory_iterator it(carpeta, ec);
    if (ec) {
      throw StoreError(store::err::kRutaNoEncontrada,
                       "No se encuentra la ruta de acceso " + carpeta);
    }
    for (const auto& e : it) {
      std::error_code ec2;
      if (!e.is_directory(ec2)) nombres.push_back(e.path().filename().string());
    }
    std::sort(nombres.begin(), nombres.end());
    return nombres;
  }

  void borrarArchivo(const std::string& ruta) override {
    std::error_code ec;
    if (!fs::remove(ruta, ec) || ec) {
      if (!ec) ec = std::make_error_code(std::errc::no_such_file_or_directory);
      throw StoreError(NumeroError(ec), Descripcion(ec) + ": " + ruta);
    }
  }
};

}  // namespace

OperacionesArchivos& ArchivosDelSistema() {
  static ArchivosLocales archivos;
  return archivos;
}

}  // namespace arbelio::shell
