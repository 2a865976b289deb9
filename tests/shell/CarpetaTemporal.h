// A fresh temporary folder for one test, removed at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace arbelio::pruebas {

class CarpetaTemporal {
 public:
  CarpetaTemporal() {
    std::random_device rd;
    ruta_ = std::filesystem::temp_directory_path() /
            ("arbelio-shell-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(ruta_);
  }
  ~CarpetaTemporal() {
    std::error_code ec;
    std::filesystem::remove_all(ruta_, ec);
  }
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

  std::string ruta() const { return ruta_.string(); }
  std::string operator/(const std::string& nombre) const { return (ruta_ / nombre).string(); }

 private:
  std::filesystem::path ruta_;
};

inline void EscribirArchivo(const std::string& ruta, const std::string& contenido = "x") {
  std::ofstream(ruta, std::ios::binary) << contenido;
}

}  // namespace arbelio::pruebas
