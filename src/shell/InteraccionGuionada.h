// Scripted Interaccion for tests: answers come from queues filled by the test, and every
// message, question and progress call is recorded so the test can check the exact texts.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell/Interaccion.h"

namespace arbelio::shell {

struct MensajeRegistrado {
  std::string texto;
  std::string titulo;
  IconoMensaje icono = IconoMensaje::Ninguno;
  BotonesMensaje botones = BotonesMensaje::Aceptar;
};

class InteraccionGuionada : public Interaccion {
 public:
  explicit InteraccionGuionada(bool& calculoCancelado) : Interaccion(calculoCancelado) {}
  explicit InteraccionGuionada(EstadoComun& estado) : Interaccion(estado.CalculoCancelado) {}

  // Answers to questions (Yes/No, OK/Cancel) in order. With the queue empty a question is
  // answered No (or Cancelar) and counted in preguntasSinGuion.
  std::deque<Respuesta> respuestas;
  // Input box results in order (nullopt = Cancelar). Empty queue: the initial value.
  std::deque<std::optional<std::string>> entradas;
  // Paths chosen in open/save dialogs in order (nullopt = Cancelar). Empty queue: cancel.
  std::deque<std::optional<std::string>> archivos;
  // When >= 0: Cancelar is pressed during the ceder() call with this 0-based index.
  std::int64_t cancelarEnCeder = -1;

  // What happened.
  std::vector<MensajeRegistrado> mensajes;  // messages and questions, in order
  std::vector<std::string> textosEntrada;   // prompts of the input boxes
  std::vector<DialogoArchivo> dialogos;     // file dialogs shown
  std::vector<std::string> progreso;        // progress calls as text, see below
  int preguntasSinGuion = 0;
  std::int64_t cesiones = 0;     // ceder() calls
  bool progresoVisible = false;  // dialog shown and not hidden
  bool reloj = false;            // hourglass on
  int cambiosReloj = 0;          // times the hourglass was switched on or off
  int ultimaBarra = -1;
  std::string ultimaPosicion;

  // Texts of the recorded messages, for short assertions.
  std::vector<std::string> textos() const;

  Respuesta mensaje(const std::string& texto, const std::string& titulo, IconoMensaje icono,
                    BotonesMensaje botones) override;
  std::optional<std::string> entrada(const std::string& texto, const std::string& titulo,
                                     const std::string& valorInicial) override;
  std::optional<std::string> abrirArchivo(const DialogoArchivo& dialogo) override;
  std::optional<std::string> guardarArchivo(const DialogoArchivo& dialogo) override;
  // Recorded in `progreso` as "mostrar:<título>|<explicación>|cancelar=<0/1>|<pos>",
  // "explicacion:<t>", "z:<t>", "calculos:<t>", "etiquetas:<fijo><z><calculos>" (0/1 each),
  // "barra:<n>", "ocultar".
  void mostrarProgreso(const std::string& titulo, const std::string& explicacion, bool conCancelar,
                       PosicionProgreso posicion) override;
  void progresoExplicacion(const std::string& explicacion) override;
  void progresoPosicion(const std::string& texto) override;
  void progresoCalculos(const std::string& texto) override;
  void progresoEtiquetas(bool progresoFijo, bool posicion, bool calculos) override;
  void progresoBarra(int porcentaje) override;
  void ocultarProgreso() override;
  void ceder() override;
  void relojArena(bool activo) override {
    reloj = activo;
    ++cambiosReloj;
  }

 private:
  std::optional<std::string> siguienteArchivo(const DialogoArchivo& dialogo);
};

}  // namespace arbelio::shell
