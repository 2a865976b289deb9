#include "shell/Progreso.h"

namespace arbelio::shell {

RelojArena::RelojArena(Interaccion& ui) : ui_(ui) {
  if (ui_.relojes_++ == 0) ui_.relojArena(true);
}

RelojArena::~RelojArena() {
  if (--ui_.relojes_ == 0) ui_.relojArena(false);
}

Progreso::Progreso(Interaccion& ui, const std::string& titulo, const std::string& explicacion,
                   bool conCancelar, PosicionProgreso posicion)
    : ui_(ui), papel_(Papel::Operacion) {
  mostrar(titulo, explicacion, conCancelar, posicion);
  reloj_.emplace(ui_);
  ui_.ceder();
}

Progreso::Progreso(Interaccion& ui, Papel papel) : ui_(ui), papel_(papel) {
  reloj_.emplace(ui_);
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

void Progreso::mostrar(const std::string& titulo, const std::string& explicacion, bool conCancelar,
                       PosicionProgreso posicion) {
  ui_.mostrarProgreso(titulo, explicacion, conCancelar, posicion);
}

void Progreso::ceder() {
  ui_.ceder();
}

bool Progreso::continuar() {
  ui_.ceder();
  if (!ui_.cancelado()) return true;
  cancelado_ = true;
  if (papel_ == Papel::Paso) ui_.ocultarProgreso();
  return false;
}

bool Progreso::avanzar(std::int64_t hecho, std::int64_t total, const std::string& textoPosicion) {
  if (!continuar()) return false;
  ui_.progresoBarra(Porcentaje(hecho, total));
  ui_.progresoPosicion(textoPosicion);
  return true;
}

void Progreso::barra(int porcentaje) {
  ui_.progresoBarra(porcentaje);
}

void Progreso::posicion(const std::string& texto) {
  ui_.progresoPosicion(texto);
}

void Progreso::explicacion(const std::string& texto) {
  ui_.progresoExplicacion(texto);
}

void Progreso::calculos(const std::string& texto) {
  ui_.progresoCalculos(texto);
}

void Progreso::etiquetas(bool progresoFijo, bool posicion, bool calculos) {
  ui_.progresoEtiquetas(progresoFijo, posicion, calculos);
}

bool Progreso::terminar() {
  if (terminado_) return cancelado_;
  terminado_ = true;
  if (papel_ == Papel::Operacion) {
    ui_.ocultarProgreso();
    if (ui_.cancelado()) {
      cancelado_ = true;
      ui_.calculoCancelado_ = false;
    }
  }
  reloj_.reset();
  return cancelado_;
}

}  // namespace arbelio::shell
