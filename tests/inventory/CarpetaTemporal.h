// A fresh folder for one test, removed at the end.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace arbelio::pruebas {

class CarpetaTemporal {
 public:
  CarpetaTemporal() {
    static std::atomic<int> contador{0};
    ruta_ = std::filesystem::temp_directory_path() /
            ("arbelio-inv-" + std::to_string(getpid()) + "-" + std::to_string(++contador));
    std::filesystem::remove_all(ruta_);
    std::filesystem::create_directories(ruta_);
  }
  ~CarpetaTemporal() {
    std::error_code ec;
    std::filesystem::remove_all(ruta_, ec);
  }
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

  std::string str() const { return ruta_.string(); }
  std::string archivo(const std::string& nombre) const { return (ruta_ / nombre).string(); }

 private:
  std::filesystem::path ruta_;
};

}  // namespace arbelio::pruebas
