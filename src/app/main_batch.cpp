// arbelio-batch: the command-line front end of the core.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "batch/OrdenesBatch.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  arbelio::batch::EntornoBatch entorno;
  if (const char* datos = std::getenv("ARBELIO_DATA"); datos && *datos) {
    entorno.carpetaDatos = datos;
  } else {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    entorno.carpetaDatos = ec ? std::string(".") : exe.parent_path().string();
  }
  return arbelio::batch::EjecutaOrdenBatch(args, entorno, std::cout, std::cerr);
}
