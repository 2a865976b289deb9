// arbelio-batch: the command-line front end of the core.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::puts("uso: arbelio-batch ORDEN [opciones]");
    return argc < 2 ? 2 : 0;
  }
  std::fprintf(stderr, "Orden desconocida: %s\n", argv[1]);
  return 2;
}
