// FormConfigCalculos: the dialog "Configuración de Ecuaciones", where the user defines his own
// equations. It paints the core's ModeloEditorEcuaciones and forwards every choice, key, focus
// change and click to it; the model decides the messages, colours, enabled states, focus,
// beeps and what is stored.
//
// EditorEcuacionesQt opens it: from the hidden "&Configurar" of the main window (modeless over
// the main window) and from "Definir Ecuaciones" of the options dialog (modal over that
// dialog, which is itself modal, so the editor can be used and leads back to the options).
#pragma once

#include <QDialog>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "equations/ModeloEditorEcuaciones.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace arbelio::shell {
class FuenteTexto;
class Interaccion;
class MDIPrincipal;
class TablaModeloQt;
}  // namespace arbelio::shell

namespace arbelio::results {
class CalculosVentanaQt;
}

namespace arbelio::equations {

class FormConfigCalculos : public QDialog {
  Q_OBJECT

 public:
  FormConfigCalculos(EstadoAplicacion& estado, shell::Interaccion& ui, QWidget* padre = nullptr);

  ModeloEditorEcuaciones& modelo() { return modelo_; }
  // Loads the dialog (the model's opening) with the species of the cut, at its place: the top
  // of the window it opens over, centred horizontally.
  void abrir(const std::vector<std::int16_t>& especiesCorte);
  // Shows the model.
  void pintar();

  QLabel* LabelConjunto;
  QGroupBox* FrameArboles;
  QComboBox* ComboEspecie;
  QComboBox* ComboForma;
  QComboBox* ComboCalidad;
  QLabel* LabelEcuacion;
  QGroupBox* FrameEcuaciones;
  QComboBox* ComboVariable;
  QComboBox* ComboBoxEq;
  QComboBox* ComboParamName;
  QComboBox* ComboParamValor;
  QLabel* LabelEstadoEq;
  QTableView* MSFlexGridEcuacionesUsuario;
  QTableView* MSFlexGridParametrosUsuario;
  QLabel* LabelContadorCalculos;
  QPushButton* CommandAceptar;
  QPushButton* CommandBorrar;
  QPushButton* CommandAyuda;
  QPushButton* CommandTerminar;

 protected:
  // Leaving the formula or the value field (by the user: tab, mouse, shortcut).
  bool eventFilter(QObject* objeto, QEvent* evento) override;
  // Closing the window, or Esc, is Terminar.
  void reject() override;

 private:
  // Runs an action of the model through the command barrier, then paints the model. Focus
  // changes caused by the action or the painting are not forwarded again.
  void orden(const std::function<void()>& accion);
  void terminar();
  QWidget* control(ControlEditor c) const;

  EstadoAplicacion& estado_;
  shell::Interaccion& ui_;
  ModeloEditorEcuaciones modelo_;
  std::shared_ptr<shell::FuenteTexto> filasEcuaciones_;
  std::shared_ptr<shell::FuenteTexto> filasParametros_;
  shell::TablaModeloQt* rejillaEcuaciones_;
  shell::TablaModeloQt* rejillaParametros_;
  bool ocupado_ = false;
  int pitidos_ = 0;
};

class EditorEcuacionesQt {
 public:
  // Attaches "&Configurar" (mnuCálConfig) of `principal`.
  EditorEcuacionesQt(shell::MDIPrincipal& principal, EstadoAplicacion& estado);

  // "&Configurar": the preparation of a run, as "&Opciones..." does it, so the equations are
  // stored under the code the next run uses; then the editor, modeless over the main window.
  void mnuCalConfig();
  // "Definir Ecuaciones" of the options dialog `opciones`: the valid variable list from the
  // dialog's boxes, the grid reloaded, the editor modal over the dialog.
  void definirEcuaciones(QWidget* opciones, const VariablesMarcadas& marcadas);

  // The dialog while loaded (nullptr before the first opening and after New project).
  FormConfigCalculos* ventana() const { return ventana_; }

 private:
  FormConfigCalculos* mostrar(QWidget* sobre, bool modal);

  shell::MDIPrincipal& principal_;
  EstadoAplicacion& estado_;
  QPointer<FormConfigCalculos> ventana_;
};

// "Definir Ecuaciones" of the options dialog that `calculos` shows opens `editor` with the
// volume variables ticked in that dialog.
void ConectaDefinirEcuaciones(results::CalculosVentanaQt& calculos, EditorEcuacionesQt& editor);

}  // namespace arbelio::equations
