// The progress dialog protocol of long operations, over an Interaccion:
//   Progreso p(ui, estado, "Título", "Explicación...", true);
//   for (...) { if (!p.avanzar(hecho, total, "Parcela 47-12")) break; ... }
//   p.terminar();   // also done by the destructor
// Cancelling is honoured at avanzar(): it yields first, then reports false when Cancelar was
// pressed. terminar() hides the dialog, restores the pointer and, when the work was cancelled,
// clears CalculoCancelado.
#pragma once

#include <cstdint>
#include <string>

#include "shell/Interaccion.h"

namespace arbelio::shell {

class Progreso {
 public:
  Progreso(Interaccion& ui, EstadoComun& estado, const std::string& titulo,
           const std::string& explicacion, bool conCancelar,
           PosicionProgreso posicion = PosicionProgreso::ArribaDerecha);
  ~Progreso();
  Progreso(const Progreso&) = delete;
  Progreso& operator=(const Progreso&) = delete;

  // After a unit of work: yields; false if the user cancelled (the caller stops); otherwise
  // sets the bar to round(100 * hecho / total) and LabelZ to textoPosicion.
  bool avanzar(std::int64_t hecho, std::int64_t total, const std::string& textoPosicion);
  // Hides the dialog and restores the pointer; clears CalculoCancelado if it was set.
  // Returns whether the work was cancelled.
  bool terminar();

  // Whole percentage of hecho over total, halves to even, clamped to 0-100.
  static int Porcentaje(std::int64_t hecho, std::int64_t total);

 private:
  Interaccion& ui_;
  EstadoComun& estado_;
  bool terminado_ = false;
  bool cancelado_ = false;
};

}  // namespace arbelio::shell
