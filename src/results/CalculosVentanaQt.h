// The calculation commands of the main window: "&Opciones..." (the preparation of a run, then
// the options dialog), "&Calcular" (the quick run), the dialog's "Calcular", the results viewer
// each finished run opens, and "Guardar Cá&lculos...". Commands run through the main window's
// command barrier; the work is the core's (HazCalculos, GuardarCalculos).
#pragma once

#include <QPointer>
#include <functional>

#include "calc/FormOpcionesCalculos.h"
#include "calc/HazCalculos.h"
#include "results/FormVisorDatosCalculos.h"

namespace arbelio::shell {
class MDIPrincipal;
}

namespace arbelio::results {

class CalculosVentanaQt {
 public:
  // Attaches the commands to `principal`'s menu entries.
  CalculosVentanaQt(shell::MDIPrincipal& principal, EstadoAplicacion& estado);

  // The run as the window does it: every pass, the installed equations, the working database
  // generated when missing, the viewer unloaded first and shown at the end.
  calc::EntornoCalculo entorno();
  // The options dialog while loaded (nullptr before the first "&Opciones..." and after New
  // project).
  calc::FormOpcionesCalculos* opciones() const { return opciones_; }
  VistaResultadosQt& visor() { return visor_; }
  // What "Definir Ecuaciones" opens (the equation editor, when there is one).
  void fijarEditorEcuaciones(std::function<void()> abrir);

  void mnuCalOpciones();
  void mnuCalCalcular();
  void mnuAGuardarCalculos();

 private:
  shell::MDIPrincipal& principal_;
  EstadoAplicacion& estado_;
  VistaResultadosQt visor_;
  QPointer<calc::FormOpcionesCalculos> opciones_;
  std::function<void()> abrirEditor_;
};

}  // namespace arbelio::results
