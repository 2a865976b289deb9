// FormOpcionesCalculos: the dialog "Opciones de cálculo" (tabs "General" and "Ecuaciones de
// cubicación"). It mirrors the core's ModeloOpcionesCalculo: every click and every edit goes to
// the model, which decides the cascade of the table boxes, the enabled controls, the colours of
// the number boxes and what "Aceptar" stores; the window then paints the model again.
//
// The dialog is loaded on first use and afterwards only hidden and shown again, so its controls
// keep the user's last choices until New project unloads it. It is modal for the main window
// while shown.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "calc/OpcionesCalculo.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace arbelio::shell {
class Interaccion;
}

namespace arbelio::calc {

class FormOpcionesCalculos : public QDialog {
  Q_OBJECT

 public:
  // `estado` holds the options the dialog edits; `ui` runs the buttons' commands.
  FormOpcionesCalculos(EstadoAplicacion& estado, shell::Interaccion& ui, QWidget* padre = nullptr);

  // What "Calcular" starts once the dialog is stored and hidden (the calculation run).
  void fijarCalcular(std::function<void()> calcular) { calcular_ = std::move(calcular); }
  // What "Definir Ecuaciones" opens; without an editor the button stays disabled.
  void fijarEditorEcuaciones(std::function<void()> abrir);

  // Shows the dialog (loading it the first time) with its controls as they were left.
  void mostrar();

  ModeloOpcionesCalculo& modelo() { return modelo_; }

  QTabWidget* SSTab1;
  std::array<QCheckBox*, 9> CheckTabla{};
  QCheckBox* CheckTodasTablas;
  QLineEdit* TextAnchoClaseDiametrica;
  QRadioButton* Option1;
  QRadioButton* Option2;
  QRadioButton* Option3;
  QRadioButton* Option4;
  QLineEdit* TextBetaReineke;
  // Check1(0)-(3) and (6), (7); entries 4 and 5 are empty.
  std::array<QCheckBox*, 8> Check1{};
  QRadioButton* Option5;
  QRadioButton* Option6;
  QRadioButton* Option7;
  QPushButton* CommandDefinirEcuaciones;
  QPushButton* CommandOpcionesCalculosAceptar;
  QPushButton* CommandOpcionesCalculosCancelar;
  QPushButton* CommandCalcular;
  QPushButton* CommandAyuda;

 protected:
  // The title bar's close button is "Cancelar".
  void reject() override;

 private:
  QWidget* crearGeneral();
  QWidget* crearEcuaciones();
  QLabel* imagen(const char* archivo);
  // Runs a control's action on the model, then paints the model.
  void orden(const std::function<void()>& accion);
  void pintar();

  EstadoAplicacion& estado_;
  shell::Interaccion& ui_;
  ModeloOpcionesCalculo modelo_;
  std::function<void()> calcular_;
  std::function<void()> abrirEditor_;
};

}  // namespace arbelio::calc
