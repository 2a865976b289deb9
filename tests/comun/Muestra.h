// The bundled sample province 47 copied into a test's folder, so nothing is ever written beside
// the build's sample.
#pragma once

#include <filesystem>
#include <string>

namespace arbelio::pruebas {

// Copies the five tables of `programa`/samples/47 into `destino` (created) and returns it.
inline std::string CopiaMuestra47(const std::string& programa, const std::string& destino) {
  std::filesystem::create_directories(destino);
  for (const char* t : {"Datest47", "Piesma47", "Piesme47", "Tiposx47", "Matorr47"})
    std::filesystem::copy_file(programa + "/samples/47/" + t + ".dbf", destino + "/" + t + ".dbf",
                               std::filesystem::copy_options::overwrite_existing);
  return destino;
}

}  // namespace arbelio::pruebas
