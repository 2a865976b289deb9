#include "shell/RegistroVentanas.h"

#include <utility>

namespace arbelio::shell {

void RegistroVentanas::registrar(VentanaProyecto ventana, std::function<void()> descargar) {
  descargas_[static_cast<std::size_t>(ventana)] = std::move(descargar);
}

void RegistroVentanas::quitar(VentanaProyecto ventana) {
  descargas_[static_cast<std::size_t>(ventana)] = nullptr;
}

bool RegistroVentanas::registrada(VentanaProyecto ventana) const {
  return static_cast<bool>(descargas_[static_cast<std::size_t>(ventana)]);
}

void RegistroVentanas::descargarTodas() {
  for (auto& hueco : descargas_) {
    // Taken out before it runs: the window may drop or replace its own hook while unloading.
    std::function<void()> descargar = std::move(hueco);
    hueco = nullptr;
    if (descargar) descargar();
  }
}

}  // namespace arbelio::shell
