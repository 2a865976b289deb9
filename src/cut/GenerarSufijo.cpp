#include "cut/GenerarSufijo.h"

#include <chrono>
#include <random>

namespace arbelio::cut {

std::string GenerarSufijo(const std::function<double()>& aleatorio) {
  std::function<double()> azar = aleatorio;
  std::mt19937_64 motor;
  if (!azar) {
    azar = [&motor]() {
      // Reseeded from the clock before each draw, as the code generator always did.
      motor.seed(static_cast<std::uint64_t>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count()));
      return std::uniform_real_distribution<double>(0.0, 1.0)(motor);
    };
  }
  std::string codigo;
  for (int i = 0; i < 2; ++i) {
    const int r = static_cast<int>(azar() * 99);
    const int letra = static_cast<int>(azar() * 26);
    codigo.push_back(static_cast<char>((r % 2 == 0 ? 'A' : 'a') + letra));
  }
  return codigo;
}

}  // namespace arbelio::cut
