// Interaccion: everything the core asks of a person. Commands take an Interaccion& and never
// talk to widgets; the window program passes InteraccionQt, arbelio-batch InteraccionLote and
// the tests InteraccionGuionada.
#pragma once

#include <optional>
#include <string>

#include "shell/EstadoComun.h"

namespace arbelio::shell {

enum class IconoMensaje { Ninguno, Informacion, Exclamacion, Critico, Pregunta };
enum class BotonesMensaje { Aceptar, SiNo, AceptarCancelar };
enum class Respuesta { Aceptar, Cancelar, Si, No };

// Where the progress dialog shows up: at the top right of the main window (its default) or
// centred on it, 1000 twips above the centre.
enum class PosicionProgreso { ArribaDerecha, Centrado };

struct DialogoArchivo {
  std::string titulo;
  std::string filtro;          // "Tablas dBASE (*.dbf)|*.dbf|Todos (*.*)|*.*"
  std::string carpetaInicial;  // "" = the toolkit's default
  std::string nombreInicial;   // proposed file name (save dialog)
  // Save dialog: the dialog itself asks before a name of an existing file is taken; false when
  // the command asks its own question about what it will replace.
  bool confirmarReemplazo = true;
};

class Interaccion {
 public:
  // The flag that the progress dialog's Cancelar sets (EstadoComun::CalculoCancelado).
  explicit Interaccion(bool& calculoCancelado) : calculoCancelado_(calculoCancelado) {}
  virtual ~Interaccion() = default;
  Interaccion(const Interaccion&) = delete;
  Interaccion& operator=(const Interaccion&) = delete;

  // Message box. Returns the button pressed (Aceptar for a plain message).
  virtual Respuesta mensaje(const std::string& texto, const std::string& titulo, IconoMensaje icono,
                            BotonesMensaje botones) = 0;
  // Plain message with an Aceptar button under the application title.
  void aviso(const std::string& texto, IconoMensaje icono = IconoMensaje::Exclamacion) {
    mensaje(texto, kTituloAplicacion, icono, BotonesMensaje::Aceptar);
  }
  // Yes/No question; true for Sí.
  bool preguntaSiNo(const std::string& texto, const std::string& titulo = kTituloAplicacion) {
    return mensaje(texto, titulo, IconoMensaje::Pregunta, BotonesMensaje::SiNo) == Respuesta::Si;
  }
  // Input box. nullopt when cancelled.
  virtual std::optional<std::string> entrada(const std::string& texto, const std::string& titulo,
                                             const std::string& valorInicial) = 0;
  // Open and save dialogs: the chosen path, or nullopt when cancelled.
  virtual std::optional<std::string> abrirArchivo(const DialogoArchivo& dialogo) = 0;
  virtual std::optional<std::string> guardarArchivo(const DialogoArchivo& dialogo) = 0;

  // Lets the interface handle pending events (repaint, the Cancelar button).
  virtual void ceder() = 0;

  // True once Cancelar was pressed, until the operation that honours it resets the flag.
  bool cancelado() const { return calculoCancelado_; }
  // What the Cancelar button does: sets the flag and nothing else.
  void pulsarCancelar() { calculoCancelado_ = true; }

 protected:
  // Progress dialog and hourglass pointer: reached through Progreso and RelojArena only, so every
  // long operation follows the one protocol and always ends it.
  // Shows the dialog with its caption and explanation, bar at 0, LabelZ empty, "Progreso:" and
  // LabelZ visible, LabelqueCalculos hidden, Cancelar shown or hidden.
  virtual void mostrarProgreso(const std::string& titulo, const std::string& explicacion,
                               bool conCancelar, PosicionProgreso posicion) = 0;
  virtual void progresoExplicacion(const std::string& explicacion) = 0;  // LabelInfoProgreso
  virtual void progresoPosicion(const std::string& texto) = 0;           // LabelZ
  // LabelqueCalculos: sets its text and shows it. It reads on one line after LabelZ.
  virtual void progresoCalculos(const std::string& texto) = 0;
  // Visibility of LabelProgresoFixed ("Progreso:"), LabelZ and LabelqueCalculos.
  virtual void progresoEtiquetas(bool progresoFijo, bool posicion, bool calculos) = 0;
  virtual void progresoBarra(int porcentaje) = 0;  // ProgressBar1, 0-100
  virtual void ocultarProgreso() = 0;

  // Hourglass mouse pointer on or off.
  virtual void relojArena(bool activo) = 0;

  bool& calculoCancelado_;

 private:
  friend class Progreso;
  friend class RelojArena;
  int relojes_ = 0;  // RelojArena guards alive
};

}  // namespace arbelio::shell
