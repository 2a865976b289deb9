// FormListaProvincias: the window "Bases de datos seleccionadas", a grid of the selected
// databases with their plot and large-tree counts and a status bar with the running totals.
// It paints the core's ListaProvincias model; VistaListaProvinciasQt loads it into the main
// window when a selection needs it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>

#include "import/ListaProvincias.h"

class QLabel;
class QStatusBar;
class QTableView;

namespace arbelio::shell {
class FuenteTexto;
class MDIPrincipal;
class Interaccion;
class TablaModeloQt;
}  // namespace arbelio::shell

namespace arbelio::import {

class FormListaProvincias : public QWidget {
  Q_OBJECT

 public:
  explicit FormListaProvincias(QWidget* padre = nullptr);

  ListaProvincias& modelo() { return modelo_; }
  // Repaints the grid and the status bar from the model.
  void pintar();
  // The widths its headers and its totals caption need in the window's fonts.
  TextosListaProvincias textos() const;

  // The grid: a view over the shared table model, whose source holds the model's rows as text.
  QTableView* MSFlexGridListaProvincias;
  shell::TablaModeloQt* rejilla() const { return rejilla_; }
  QStatusBar* StatusBarTotalesListProv;
  std::array<QLabel*, 3> paneles{};

 protected:
  void resizeEvent(QResizeEvent* evento) override;

 private:
  ListaProvincias modelo_;
  std::shared_ptr<shell::FuenteTexto> filas_;
  shell::TablaModeloQt* rejilla_;
};

class VistaListaProvinciasQt : public VistaListaProvincias {
 public:
  explicit VistaListaProvinciasQt(shell::MDIPrincipal& principal) : principal_(principal) {}
  ListaProvincias& mostrarLista() override;
  void listaCambiada() override;
  FormListaProvincias* ventana() const { return ventana_; }

 private:
  shell::MDIPrincipal& principal_;
  QPointer<FormListaProvincias> ventana_;
};

// Attaches the import commands to the main window: "&Seleccionar base de datos..." and the
// hidden working-database entry, reachable with Ctrl+Shift+G ("&Corte..." runs it too).
// `ui` defaults to the window's own Interaccion.
void ConectaImportacion(shell::MDIPrincipal& principal, EstadoAplicacion& estado,
                        VistaListaProvinciasQt& vista, shell::Interaccion* ui = nullptr);

}  // namespace arbelio::import
