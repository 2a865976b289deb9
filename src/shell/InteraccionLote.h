// Non-interactive Interaccion for arbelio-batch: questions are answered from the command-line
// flags, file dialogs from paths given beforehand, and messages go to standard error.
#pragma once

#include <deque>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "shell/Interaccion.h"

namespace arbelio::shell {

class InteraccionLote : public Interaccion {
 public:
  // `salida` receives the messages (std::cerr by default).
  explicit InteraccionLote(bool& calculoCancelado, std::ostream* salida = nullptr);

  // Answer to every Yes/No question (e.g. --save-derived answers Yes); OK/Cancel questions are
  // answered Aceptar when true.
  bool respuestaSi = false;
  // Values returned by input boxes in order; when empty the box's initial value is kept.
  std::deque<std::string> entradas;
  // Paths returned by the file dialogs in order; when empty a dialog counts as cancelled.
  std::deque<std::string> archivos;
  // Print the progress captions and positions too.
  bool detallado = false;
  // Told every caption of the progress dialog and every text of its calculation label, when it
  // is shown (the benchmarks time the phases of a run with it).
  std::function<void(const std::string&)> alFase;

  int numeroMensajes = 0;  // messages printed
  int numeroErrores = 0;   // of them, failures (critical messages): the run must not say success

  Respuesta mensaje(const std::string& texto, const std::string& titulo, IconoMensaje icono,
                    BotonesMensaje botones) override;
  std::optional<std::string> entrada(const std::string& texto, const std::string& titulo,
                                     const std::string& valorInicial) override;
  std::optional<std::string> abrirArchivo(const DialogoArchivo& dialogo) override;
  std::optional<std::string> guardarArchivo(const DialogoArchivo& dialogo) override;
  void mostrarProgreso(const std::string& titulo, const std::string& explicacion, bool conCancelar,
                       PosicionProgreso posicion) override;
  void progresoExplicacion(const std::string&) override {}
  void progresoPosicion(const std::string& texto) override;
  void progresoCalculos(const std::string& texto) override;
  void progresoEtiquetas(bool, bool, bool) override {}
  void progresoBarra(int) override {}
  void ocultarProgreso() override {}
  void ceder() override {}
  void relojArena(bool) override {}

 private:
  std::optional<std::string> siguienteArchivo();
  std::ostream& salida_;
};

}  // namespace arbelio::shell
