// FormCorte: the window "Herramienta de Corte". It paints the core's HerramientaCorte (lists,
// grids, options, summary, report) and hands every event of its controls to it; the criterion
// grids are views over the shared table model. VistaCorteQt loads the window into the main
// window for "&Corte...", and ConectaCorte attaches "&Corte..." and "Guardar &Corte...".
#pragma once

#include <QComboBox>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>

#include "cut/HerramientaCorte.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;

namespace arbelio::shell {
class MDIPrincipal;
class TablaModeloQt;
}  // namespace arbelio::shell

namespace arbelio::cut {

class PanelMapaCorteQt;

// A combo box that tells before its list drops down (the _DropDown event).
class ComboCorteQt : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> alDesplegar;
  void showPopup() override;
};

class FormCorte : public QWidget {
  Q_OBJECT

 public:
  FormCorte(EstadoAplicacion& estado, shell::MDIPrincipal& principal, QWidget* padre = nullptr);
  ~FormCorte() override;

  HerramientaCorte& herramienta() { return herramienta_; }
  // Repaints every control from the tool.
  void pintar();
  // Opens the cut data viewer; while it is empty "Mostrar corte" stays disabled.
  std::function<void()> abrirVisor;
  // Told after each apply (the cut data viewer reloads).
  std::function<void()> alAplicar;

  // Frame "Aplicar Criterios:".
  QCheckBox* CheckEliminarParcelasCeroPM;
  QRadioButton* OptionAplicarUno;
  QRadioButton* OptionAplicarVarios;
  QPushButton* CommandAplicarUno;
  QLabel* LabelSolapaActiva;
  QGroupBox* Frame3;
  std::array<QCheckBox*, kNumCriterios> CheckCriterio{};
  std::array<QLabel*, kNumCriterios> LabelCriterio{};
  QLabel* Label26;
  QRadioButton* OptionTodosCriterios;
  QRadioButton* OptionAlgunCriterio;
  QPushButton* CommandAplicarVarios;
  // Frame "Definir Criterios".
  QTabWidget* SSTabCriterios;
  ComboCorteQt *ComboEspeciesPresentes, *ComboMayorMenor, *ComboUmbralAB, *ComboMasMenos,
      *ComboUmbralPM;
  QRadioButton* OptionO;
  QRadioButton* OptionY;
  ComboCorteQt *ComboMasaABMayMen, *ComboVarMasaAB, *ComboMasaPMMayMen, *ComboVarMasaPM;
  ComboCorteQt *ComboHusos, *ComboX1, *ComboY1, *ComboX2, *ComboY2;
  QLabel* LabelHuso;
  ComboCorteQt *ComboMunProvincias, *ComboMunicipios, *ComboParcProvincia, *ComboParcelas;
  QPushButton *CommandOKEspecies, *CommandOKMasa, *CommandOKCoord, *CommandOKMunicipios,
      *CommandOKParcelas;
  // The criterion grids by criterion index (MSFlexGridEspecies, MSFlexGridMasa,
  // MSFlexGridRecintos, MSFlexGridMunicipios, MSFlexGridParcelas).
  std::array<QTableView*, kNumCriterios> rejillas{};
  QPlainTextEdit* TextInforme;
  // Frame "Resumen del corte".
  QPushButton* CommandVerDatosCorte;
  QLabel *LabelRNParc, *LabelRNPM, *LabelRNpme, *LabelRNEsp, *LabelRNPcero, *Label29;
  // Beside the summary once plots or trees were removed by hand: it describes the cut as applied.
  QLabel* LabelNotaResumen;
  QListWidget* ListEspeciesdistintas;
  // The map of the cut, beside the summary.
  PanelMapaCorteQt* mapaCorte;

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;

 private:
  struct ComboEnlazado {
    ComboCorteQt* control;
    ComboCorte* modelo;
  };
  ComboCorteQt* nuevoCombo(const char* nombre, ComboCorte& modelo,
                           std::function<void(std::size_t)> alElegir = {});
  QPushButton* botonOK(const char* nombre, std::function<bool()> ok);
  QWidget* solapaEspecies();
  QWidget* solapaMasa();
  QWidget* solapaUtm();
  QWidget* solapaCodigos(int criterio, ComboCorteQt* provincia, ComboCorteQt* codigo,
                         const char* etiquetaCodigo, QPushButton* ok, const char* titulo);
  QWidget* rejilla(int criterio, const char* titulo);
  QGroupBox* marcoAplicar();
  QGroupBox* marcoResumen();
  void pintarCombo(const ComboEnlazado& c);
  // Runs a command of the window through the command barrier, then repaints.
  void orden(std::function<void()> hacer);

  EstadoAplicacion& estado_;
  shell::MDIPrincipal& principal_;
  HerramientaCorte herramienta_;
  std::vector<ComboEnlazado> combos_;
  std::array<shell::TablaModeloQt*, kNumCriterios> modelos_{};
  bool pintando_ = false;
};

class VistaCorteQt : public VistaCorte {
 public:
  VistaCorteQt(shell::MDIPrincipal& principal, EstadoAplicacion& estado)
      : principal_(principal), estado_(estado) {}
  HerramientaCorte& cargar(shell::Progreso& progreso) override;
  HerramientaCorte& herramienta() override { return ventana_->herramienta(); }
  void mostrar() override;
  FormCorte* ventana() const { return ventana_; }
  // Opens the cut data viewer; given to every window this view loads.
  std::function<void()> abrirVisor;
  // Told after each apply of a window this view loads.
  std::function<void()> alAplicar;

 private:
  shell::MDIPrincipal& principal_;
  EstadoAplicacion& estado_;
  QPointer<FormCorte> ventana_;
};

// Attaches "&Corte..." and "Guardar &Corte..." to the main window.
void ConectaCorte(shell::MDIPrincipal& principal, EstadoAplicacion& estado, VistaCorteQt& vista);

}  // namespace arbelio::cut
