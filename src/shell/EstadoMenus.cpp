#include "shell/EstadoMenus.h"

namespace arbelio::shell {

std::string NombreControl(EntradaMenu entrada) {
  switch (entrada) {
    case EntradaMenu::ANuevoProyecto:
      return "mnuANuevoProyecto";
    case EntradaMenu::AAgregarBD:
      return "mnuAAgregarBD";
    case EntradaMenu::AGenerarBDT:
      return "mnuAGenerarBDT";
    case EntradaMenu::AGuardarCorte:
      return "mnuAGuardarCorte";
    case EntradaMenu::AGuardarCalculos:
      return "mnuAGuardarCálculos";
    case EntradaMenu::Herramientas:
      return "mnuHerramientas";
    case EntradaMenu::CNuevoCorte:
      return "mnuCNuevoCorte";
    case EntradaMenu::HerrCalculos:
      return "mnuHerrCálculos";
    case EntradaMenu::CalOpciones:
      return "mnuCálOpciones";
    case EntradaMenu::CalCalcular:
      return "mnuCálCalcular";
  }
  return {};
}

// Before the main window's load every entry is enabled, as the menus are designed.
EstadoMenus::EstadoMenus() {
  habilitadas_.fill(true);
}

void EstadoMenus::poner(std::initializer_list<EntradaMenu> entradas, bool valor) {
  for (EntradaMenu e : entradas) habilitadas_[static_cast<std::size_t>(e)] = valor;
}

void EstadoMenus::avisar() {
  if (alCambiar) alCambiar();
}

void EstadoMenus::alIniciar() {
  using enum EntradaMenu;
  poner({ANuevoProyecto, AGuardarCorte, AGuardarCalculos, Herramientas, CNuevoCorte, CalOpciones,
         CalCalcular, HerrCalculos},
        false);
  poner({AAgregarBD}, true);
  avisar();
}

void EstadoMenus::alElegirArchivoValido() {
  using enum EntradaMenu;
  poner({Herramientas, CNuevoCorte, ANuevoProyecto, HerrCalculos, CalCalcular, CalOpciones}, true);
  avisar();
}

void EstadoMenus::alGenerarBaseTrabajo() {
  poner({EntradaMenu::AAgregarBD}, false);
  avisar();
}

// Opening the cut tool and preparing a calculation also disable the hidden generation entry:
// the working database exists from then on.
void EstadoMenus::alAbrirCorteSobreBaseExistente() {
  poner({EntradaMenu::AAgregarBD, EntradaMenu::AGenerarBDT}, false);
  avisar();
}

void EstadoMenus::alPrepararCalculo() {
  poner({EntradaMenu::AAgregarBD, EntradaMenu::AGenerarBDT}, false);
  avisar();
}

void EstadoMenus::alMostrarCorteNoVacio() {
  poner({EntradaMenu::AGuardarCorte}, true);
  avisar();
}

void EstadoMenus::alAplicarCriteriosSinParcelas() {
  poner({EntradaMenu::AGuardarCorte}, false);
  avisar();
}

void EstadoMenus::alTerminarCalculo() {
  poner({EntradaMenu::AGuardarCalculos}, true);
  avisar();
}

}  // namespace arbelio::shell
