// FormVisorDatosCalculos: the results viewer, an MDI child with one tab per computed table, a
// grid over the shared table model, "Guardar esta Tabla", the sort button and the row count.
// It paints the core's ModeloVisorCalculos and forwards every click to it through the command
// barrier; VistaResultadosQt loads it into the main window after a run and unloads it before
// the next one.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "results/VisorDatosCalculos.h"

class QLabel;
class QPushButton;
class QTabBar;
class QTableView;

namespace arbelio::shell {
class Interaccion;
class MDIPrincipal;
class TablaModeloQt;
}  // namespace arbelio::shell

namespace arbelio::results {

class FormVisorDatosCalculos : public QWidget {
  Q_OBJECT

 public:
  // Form_Load over the last run of `estado`; `ui` answers the save dialog and the messages.
  FormVisorDatosCalculos(const EstadoAplicacion& estado, shell::Interaccion& ui,
                         QWidget* padre = nullptr);

  ModeloVisorCalculos& modelo() { return modelo_; }
  shell::TablaModeloQt* rejilla() const { return rejilla_; }

  QTabBar* TabStrip1;
  QTableView* MSFlexGridMuestraCalculos;
  QPushButton* CommandGuardarTabla;
  QPushButton* CommandOrdenarColumna;
  QLabel* Label23;
  QLabel* LabelNRegistros;

 protected:
  void resizeEvent(QResizeEvent* evento) override;

 private:
  // The grid, the row count, the selection and the sort button as the model has them.
  void pintar();
  void pintarSeleccion();
  void ajustarColumnas();

  ModeloVisorCalculos modelo_;
  shell::Interaccion& ui_;
  shell::TablaModeloQt* rejilla_;
};

// The viewer in the main window: loaded anew after each finished run, unloaded before the next
// run and by New project. Closing it unloads it.
class VistaResultadosQt {
 public:
  VistaResultadosQt(shell::MDIPrincipal& principal, const EstadoAplicacion& estado)
      : principal_(principal), estado_(estado) {}
  void mostrar();
  void descargar();
  FormVisorDatosCalculos* ventana() const { return ventana_; }

 private:
  shell::MDIPrincipal& principal_;
  const EstadoAplicacion& estado_;
  QPointer<FormVisorDatosCalculos> ventana_;
};

}  // namespace arbelio::results
