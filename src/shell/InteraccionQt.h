// Interaccion over real widgets: message boxes, input box and file dialogs parented to the main
// window, the progress dialog FormInfoProgreso and the hourglass pointer.
//
// While the progress dialog is up, ceder() lets the interface run but only the dialog takes
// mouse and keyboard input: the operation honours nothing but Cancelar.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>

#include "shell/FormInfoProgreso.h"
#include "shell/Interaccion.h"

class QWidget;

namespace arbelio::shell {

// Drops user input aimed at any window other than the progress dialog.
class FiltroOperacionQt : public QObject {
 public:
  explicit FiltroOperacionQt(QObject* padre) : QObject(padre) {}
  QPointer<QWidget> permitido;

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;
};

class InteraccionQt : public Interaccion {
 public:
  InteraccionQt(EstadoComun& estado, QWidget* principal);
  ~InteraccionQt() override;

  Respuesta mensaje(const std::string& texto, const std::string& titulo, IconoMensaje icono,
                    BotonesMensaje botones) override;
  std::optional<std::string> entrada(const std::string& texto, const std::string& titulo,
                                     const std::string& valorInicial) override;
  std::optional<std::string> abrirArchivo(const DialogoArchivo& dialogo) override;
  std::optional<std::string> guardarArchivo(const DialogoArchivo& dialogo) override;
  void mostrarProgreso(const std::string& titulo, const std::string& explicacion, bool conCancelar,
                       PosicionProgreso posicion) override;
  void progresoExplicacion(const std::string& explicacion) override;
  void progresoPosicion(const std::string& texto) override;
  void progresoCalculos(const std::string& texto) override;
  void progresoEtiquetas(bool progresoFijo, bool posicion, bool calculos) override;
  void progresoBarra(int porcentaje) override;
  void ocultarProgreso() override;
  void ceder() override;
  void relojArena(bool activo) override;

  // The progress dialog, loaded on first use.
  FormInfoProgreso* progreso();
  // Unloads the progress dialog (New project).
  void descargarProgreso();

  // "Tablas dBASE (*.dbf)|*.dbf|Todos (*.*)|*.*" -> "Tablas dBASE (*.dbf);;Todos (*.*)".
  static QString FiltroQt(const std::string& filtro);

 private:
  // Lifts the input filter while a modal dialog of the operation is up.
  class Pausa;
  void activarFiltro(bool activo);

  QWidget* principal_;
  QPointer<FormInfoProgreso> progreso_;
  FiltroOperacionQt* filtro_;
  bool filtroActivo_ = false;
  bool reloj_ = false;
  // A long pass reports every tree: the window is painted and its events handled a few dozen
  // times a second, not millions of times.
  std::chrono::steady_clock::time_point ultimoCeder_{}, ultimoPintado_{};
};

}  // namespace arbelio::shell
