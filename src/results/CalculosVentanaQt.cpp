#include "results/CalculosVentanaQt.h"

#include "calc/Pasadas.h"
#include "import/BaseDatosTrabajo.h"
#include "results/GuardarCalculos.h"
#include "shell/MDIPrincipal.h"

namespace arbelio::results {

CalculosVentanaQt::CalculosVentanaQt(shell::MDIPrincipal& principal, EstadoAplicacion& estado)
    : principal_(principal), estado_(estado), visor_(principal, estado) {
  principal_.asignarOrden("mnuCálOpciones", [this] { mnuCalOpciones(); });
  principal_.asignarOrden("mnuCálCalcular", [this] { mnuCalCalcular(); });
  principal_.asignarOrden("mnuAGuardarCálculos", [this] { mnuAGuardarCalculos(); });
}

calc::EntornoCalculo CalculosVentanaQt::entorno() {
  calc::EntornoCalculo e = calc::EntornoInstalado();
  e.generarBaseTrabajo = [this] {
    import::mnuAGenerarBDT_Click(estado_, principal_.interaccion());
  };
  e.descargarVisor = [this] { visor_.descargar(); };
  e.mostrarVisor = [this] { visor_.mostrar(); };
  return e;
}

void CalculosVentanaQt::fijarEditorEcuaciones(std::function<void()> abrir) {
  abrirEditor_ = std::move(abrir);
  if (opciones_) opciones_->fijarEditorEcuaciones(abrirEditor_);
}

void CalculosVentanaQt::mnuCalOpciones() {
  if (!calc::mnuCalOpciones_Click(estado_, principal_.interaccion(), entorno())) return;
  if (!opciones_) {
    opciones_ = new calc::FormOpcionesCalculos(estado_, principal_.interaccion(), &principal_);
    opciones_->fijarEditorEcuaciones(abrirEditor_);
    opciones_->fijarCalcular(
        [this] { calc::HazCalculos(estado_, principal_.interaccion(), entorno()); });
    principal_.registrarVentana(shell::VentanaProyecto::FormOpcionesCalculos, opciones_);
  }
  opciones_->mostrar();
}

void CalculosVentanaQt::mnuCalCalcular() {
  calc::mnuCalCalcular_Click(estado_, principal_.interaccion(), entorno());
}

void CalculosVentanaQt::mnuAGuardarCalculos() {
  mnuAGuardarCalculos_Click(estado_, principal_.interaccion());
}

}  // namespace arbelio::results
