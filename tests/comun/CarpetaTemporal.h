// The one temporary folder of the tests: a fresh, empty folder under the system temporary
// folder, removed with everything in it when the object goes out of scope.
//
// Names carry the process id and a per-process counter, so tests running in parallel (ctest
// starts one process per test) never share a folder; a folder left behind by a crashed run is
// never reused or removed, the next free name is taken instead. Before removal the owner's
// permissions are given back to every folder inside, so a test that made a folder read-only
// still leaves nothing behind.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace arbelio::pruebas {

class CarpetaTemporal {
 public:
  explicit CarpetaTemporal(std::string_view prefijo = "arbelio-prueba") {
    static std::atomic<unsigned> contador{0};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    const std::string nombre = std::string(prefijo) + "-" + std::to_string(::getpid()) + "-";
    do {
      ruta_ = base / (nombre + std::to_string(++contador));
    } while (!std::filesystem::create_directory(ruta_));
  }
  ~CarpetaTemporal() {
    std::error_code ec;
    PermitirAlDueno(ruta_);
    std::filesystem::remove_all(ruta_, ec);
  }
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

  const std::filesystem::path& path() const { return ruta_; }
  std::string ruta() const { return ruta_.string(); }
  // Path of an entry of the folder (which need not exist).
  std::string archivo(std::string_view nombre) const { return (ruta_ / nombre).string(); }

 private:
  static void PermitirAlDueno(const std::filesystem::path& carpeta) {
    std::error_code ec;
    std::filesystem::permissions(carpeta, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    for (std::filesystem::directory_iterator it(carpeta, ec), fin; !ec && it != fin;
         it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) PermitirAlDueno(it->path());
    }
  }

  std::filesystem::path ruta_;
};

// Writes a small file (content "x" unless given), replacing any file of that name.
inline void EscribirArchivo(const std::string& ruta, const std::string& contenido = "x") {
  std::ofstream(ruta, std::ios::binary) << contenido;
}

}  // namespace arbelio::pruebas
