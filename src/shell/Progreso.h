// The progress dialog protocol and the hourglass pointer of long operations, over an
// Interaccion. Every long operation uses these two classes; the dialog and pointer calls of
// Interaccion are reachable only through them.
//
// An operation shows the dialog and ends it:
//   Progreso p(ui, "Título", "Explicación...", true);   // shows, hourglass, yields once
//   for (...) { if (!p.avanzar(hecho, total, "Parcela 47-12")) break; ... }
//   p.terminar();   // also done by the destructor, so a failure that unwinds ends it too
// A step of an operation (a calculation pass, a table builder called by a selection) works
// inside the dialog its operation shows:
//   Progreso paso(ui);                     // hourglass only
//   if (!paso.continuar()) return;         // yields; false once Cancelar was pressed
//
// Cancelling is honoured at continuar() and avanzar(): they yield first, then report false when
// Cancelar was pressed; a step then hides the dialog at once. terminar() of an operation hides
// the dialog, restores the pointer and clears CalculoCancelado; a step's only restores the
// pointer, leaving the flag for its operation to see.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shell/Interaccion.h"

namespace arbelio::shell {

// The hourglass pointer for the guard's lifetime. Guards nest: the pointer comes back when the
// outermost one ends, whatever way its scope is left.
class RelojArena {
 public:
  explicit RelojArena(Interaccion& ui);
  ~RelojArena();
  RelojArena(const RelojArena&) = delete;
  RelojArena& operator=(const RelojArena&) = delete;

 private:
  Interaccion& ui_;
};

class Progreso {
 public:
  enum class Papel {
    Paso,       // works inside the dialog of the operation that runs it
    Operacion,  // ends the dialog: hides it and clears CalculoCancelado
  };

  // An operation: shows the dialog (caption, explanation, bar at 0, LabelZ empty, "Progreso:"
  // and LabelZ visible, Cancelar shown or hidden), sets the hourglass and yields once.
  Progreso(Interaccion& ui, const std::string& titulo, const std::string& explicacion,
           bool conCancelar, PosicionProgreso posicion = PosicionProgreso::ArribaDerecha);
  // Sets the hourglass without showing anything; an operation built this way gets its dialog
  // from its first step (a calculation run: the tree pass shows it).
  explicit Progreso(Interaccion& ui, Papel papel = Papel::Paso);
  ~Progreso();
  Progreso(const Progreso&) = delete;
  Progreso& operator=(const Progreso&) = delete;

  // Shows the dialog again with a new caption and explanation (same reset as the constructor),
  // without yielding.
  void mostrar(const std::string& titulo, const std::string& explicacion, bool conCancelar,
               PosicionProgreso posicion = PosicionProgreso::ArribaDerecha);

  // Yields to the interface.
  void ceder();
  // Yields; false when the user has cancelled (the caller stops; a step hides the dialog).
  bool continuar();
  // After a unit of work: continuar(), then the bar to round(100 * hecho / total) and LabelZ to
  // textoPosicion.
  bool avanzar(std::int64_t hecho, std::int64_t total, const std::string& textoPosicion);

  // The dialog's labels and bar.
  void barra(int porcentaje);                                       // ProgressBar1, 0-100
  void posicion(const std::string& texto);                          // LabelZ
  void explicacion(const std::string& texto);                       // LabelInfoProgreso
  void calculos(const std::string& texto);                          // LabelqueCalculos, shown
  void etiquetas(bool progresoFijo, bool posicion, bool calculos);  // which labels show

  // Cancelar was pressed and the flag is still set.
  bool cancelado() const { return ui_.cancelado(); }

  // Restores the pointer; an operation also hides the dialog and clears CalculoCancelado.
  // Returns whether the work was cancelled. Later calls do nothing and return the same.
  bool terminar();

  // Whole percentage of hecho over total, halves to even, clamped to 0-100.
  static int Porcentaje(std::int64_t hecho, std::int64_t total);

 private:
  Interaccion& ui_;
  Papel papel_;
  std::optional<RelojArena> reloj_;
  bool terminado_ = false;
  bool cancelado_ = false;
};

}  // namespace arbelio::shell
