// The part of the application state that every subsystem shares and the shell owns: the
// folders, the base table names, the expansion factors, the current table code, the flags of
// the progress dialog and the splash, and the menu states. Each subsystem keeps its own state
// in its own folder; EstadoComun (src/state/) puts the parts together. Shell code takes an
// EstadoComun& and never needs to know the subsystems.
#pragma once

#include <array>
#include <string>

#include "shell/EstadoMenus.h"

namespace arbelio::shell {

// Title of every message box unless a command says otherwise.
inline constexpr const char* kTituloAplicacion = "VERDANIA";
// Caption of the main window.
inline constexpr const char* kCaptionPrincipal = "ARBELIO";

// Folders of the program. Absolute paths without a trailing separator.
struct RutasPrograma {
  std::string carpetaEjecutable;  // where arbelio and arbelio-batch are
  std::string carpetaTrabajo;     // holds BDTemp, BDOut, BDCorte (--home / ARBELIO_HOME)
  std::string carpetaDatos;       // installed read-only data (ARBELIO_DATA)
  std::string BDTemp;             // carpetaTrabajo + "/BDTemp": working tables
  std::string BDOut;              // carpetaTrabajo + "/BDOut": results and user equations
  std::string BDCorte;            // carpetaTrabajo + "/BDCorte": tables of the current cut
  std::string BDEstruct;          // carpetaDatos + "/BDEstruct": empty table templates
  std::string Images;             // carpetaDatos + "/Images": pictures of the windows
  std::string Ayuda;              // carpetaDatos + "/help": the help pages
};

struct EstadoComun {
  EstadoComun() = default;
  EstadoComun(const EstadoComun&) = default;
  EstadoComun& operator=(const EstadoComun&) = default;
  virtual ~EstadoComun() = default;

  // Folders, set once by the main window's load (CargarPrincipal).
  RutasPrograma rutas;

  // Base table names, index 0-9: "DatDef", "Piesma", "Piesme", "Tiposx", "Matorr", "Especi",
  // "InfCor", "Ecuas", "Models", "Params". Set by the main window's load.
  std::array<std::string, 10> NombresTablas{};

  // Trees per hectare represented by one tree, by plot-circle code 1-4 (index 0 unused):
  // 10000 / (pi r^2) for radii 5, 10, 15 and 25 m, in single precision. Set by the load.
  std::array<float, 5> FactoresExpansion{};

  // Code appended to result and user-equation table names: set by the selection, the cut, the
  // calculation preparation and the saving of a cut.
  std::string SufijoTablas;

  bool CalculoCancelado = false;  // Cancelar was pressed in the progress dialog
  bool SplashCerrado = false;     // the start-up splash was closed; it is now the About box

  // Enabled state of the work-flow menu entries.
  EstadoMenus menus;

  // Puts the subsystems' own state back to its start-up values. Called by
  // InicializacionesPrincipales; EstadoComun resets each subsystem's part.
  virtual void ReiniciarSubsistemas() {}
};

}  // namespace arbelio::shell
