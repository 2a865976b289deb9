// FormVisorDatosCorte: the cut data viewer, an MDI child with the combo "Ver Tabla:", a grid over
// the shared table model, the buttons "Eliminar fila", "Ordenar columna" and "Guardar esta
// Tabla" and the row count. It paints the core's ModeloVisorCorte and forwards every click to it
// through the command barrier; VistaVisorCorteQt opens it for "Mostrar corte".
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "cut/VisorDatosCorte.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace arbelio::shell {
class Interaccion;
class MDIPrincipal;
class TablaModeloQt;
}  // namespace arbelio::shell

namespace arbelio::cut {

class FormVisorDatosCorte : public QWidget {
  Q_OBJECT

 public:
  // Form_Load over the current cut of `estado`; `ui` answers the questions and the save dialog.
  FormVisorDatosCorte(EstadoAplicacion& estado, shell::Interaccion& ui, QWidget* padre = nullptr);

  ModeloVisorCorte& modelo() { return modelo_; }
  shell::TablaModeloQt* rejilla() const { return rejilla_; }
  // Shows the chosen view again from the current cut (a new apply rebuilt it).
  void recargar();

  QComboBox* ComboTablasCorte;
  QTableView* MSFlexGridMuestraCorte;
  QPushButton* CommandEliminarFila;
  QPushButton* CommandOrdenarColumna;
  QPushButton* CommandGuardarEstaTabla;
  QLabel* LabelNRegistros;

 private:
  // The grid, the row count, the selection and the buttons as the model has them.
  void pintar();
  void pintarSeleccion();
  // Loads view `vista` of the cut into the grid.
  void mostrarVista(int vista);

  ModeloVisorCorte modelo_;
  shell::Interaccion& ui_;
  shell::TablaModeloQt* rejilla_;
};

// The viewer in the main window: "Mostrar corte" opens it anew on its first view; New project
// unloads it. `alCambiarCorte` is told when a plot or a tree left the cut.
class VistaVisorCorteQt {
 public:
  VistaVisorCorteQt(shell::MDIPrincipal& principal, EstadoAplicacion& estado)
      : principal_(principal), estado_(estado) {}
  void mostrar();
  void descargar();
  // An open viewer shows its view of the cut just applied.
  void recargar();
  FormVisorDatosCorte* ventana() const { return ventana_; }
  std::function<void()> alCambiarCorte;

 private:
  shell::MDIPrincipal& principal_;
  EstadoAplicacion& estado_;
  QPointer<FormVisorDatosCorte> ventana_;
};

class VistaCorteQt;
// "Mostrar corte" of the cut tool opens `visor`; a removal in the viewer repaints the tool; an
// apply in the tool reloads an open viewer.
void ConectaVisorCorte(VistaCorteQt& corte, VistaVisorCorteQt& visor);

}  // namespace arbelio::cut
