#include "shell/Progreso.h"

namespace arbelio::shell {

Progreso::Progreso(Interaccion& ui, EstadoComun& estado, const std::string& titulo,
                   const std::string& explicacion, bool conCancelar, PosicionProgreso posicion)
    : ui_(ui), estado_(estado) {
  ui_.mostrarProgreso(titulo, explicacion, conCancelar, posicion);
  ui_.relojArena(true);
  ui_.ceder();
}

Progreso::~Progreso() {
  terminar();
}

int Progreso::Porcentaje(std::int64_t hecho, std::int64_t total) {
  if (total <= 0 || hecho <= 0) return 0;
  if (hecho >= total) return 100;
  // Halves go to the even percentage, as every rounding of the program does.
  std::int64_t q = hecho * 100 / total;
  std::int64_t r = hecho * 100 % total;
  if (2 * r > total || (2 * r == total && q % 2 == 1)) ++q;
  return static_cast<int>(q);
}

bool Progreso::avanzar(std::int64_t hecho, std::int64_t total, const std::string& textoPosicion) {
  ui_.ceder();
  if (estado_.CalculoCancelado) {
    cancelado_ = true;
    return false;
  }
  ui_.progresoBarra(Porcentaje(hecho, total));
  ui_.progresoPosicion(textoPosicion);
  return true;
}

bool Progreso::terminar() {
  if (terminado_) return cancelado_;
  terminado_ = true;
  ui_.ocultarProgreso();
  ui_.relojArena(false);
  if (estado_.CalculoCancelado) {
    cancelado_ = true;
    estado_.CalculoCancelado = false;
  }
  return cancelado_;
}

}  // namespace arbelio::shell
