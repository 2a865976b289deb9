// The workspace: the program's folders, their creation and cleaning at start-up and New
// project, and the main window's start-up load, all Qt-free.
//
// The folders are split in two so an installed copy and the tests can move either part:
// installed data (BDEstruct, Images, help pages, auxiliary databases) is read from the
// executable's folder or ARBELIO_DATA; the workspace (BDTemp, BDOut, BDCorte), written and
// cleaned on every start, lives in the executable's folder or in --home DIR / ARBELIO_HOME.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "shell/EstadoComun.h"
#include "shell/Interaccion.h"
#include "shell/OperacionesArchivos.h"
#include "shell/RegistroVentanas.h"

namespace arbelio::shell {

// Where the folders come from.
struct OrigenRutas {
  std::string carpetaEjecutable;
  std::optional<std::string> home;   // --home DIR, else ARBELIO_HOME
  std::optional<std::string> datos;  // ARBELIO_DATA
};

// The folder of the running executable (from the system, else from argv0).
std::string CarpetaDelEjecutable(const char* argv0);
// Reads --home DIR (or --home=DIR) from the arguments, then the environment variables
// ARBELIO_HOME and ARBELIO_DATA. An empty value counts as absent.
OrigenRutas LeerOrigenRutas(int argc, const char* const* argv,
                            const std::string& carpetaEjecutable);
// Absolute folder paths, without trailing separator.
RutasPrograma ConstruirRutas(const OrigenRutas& origen);

std::array<std::string, 10> NombresTablasIniciales();
std::array<float, 5> FactoresExpansionIniciales();

// Creates BDTemp, BDOut and BDCorte in this order when missing (BDEstruct and Images are
// installed, never created). When one cannot be created, says so naming the folder and the
// way out (--home) and returns false.
bool Comprobardirectoriosexisten(EstadoComun& estado, Interaccion& ui,
                                 OperacionesArchivos& archivos = ArchivosDelSistema());

// Delete every file directly inside the folder; sub-folders are left alone. The first failure
// shows the folder's message once and stops the cleaning of that folder; the caller goes on.
// They return false when they stopped on a failure.
bool LimpiarBDTemp(EstadoComun& estado, Interaccion& ui,
                   OperacionesArchivos& archivos = ArchivosDelSistema());
bool LimpiarBDCorte(EstadoComun& estado, Interaccion& ui,
                    OperacionesArchivos& archivos = ArchivosDelSistema());
// Keeps "Ecuas", "Params" and "Models" + SufijoTablas + ".dbf" (exact case), the user
// equations of the current cut, and their index sidecars (".aix").
bool LimpiarBDOUT(EstadoComun& estado, Interaccion& ui,
                  OperacionesArchivos& archivos = ArchivosDelSistema());

// Back to the initial state: cleans the three folders, puts the menus in their start-up state,
// resets the subsystems' state (HayBasesSeleccionadas and CorteAbierto cleared, the calculation
// options and the variable/unit table to their defaults) and clears CalculoCancelado.
void InicializacionesPrincipales(EstadoComun& estado, Interaccion& ui,
                                 OperacionesArchivos& archivos = ArchivosDelSistema());

// The message shown when another running program holds the workspace.
std::string MensajeEspacioEnUso(const std::string& carpeta);

// The main window's load: paths, table names, expansion factors, folders, the workspace lock,
// initial state. Returns false when the workspace folders cannot be created or another
// running program holds the workspace (the program cannot go on).
bool CargarPrincipal(EstadoComun& estado, Interaccion& ui, const RutasPrograma& rutas,
                     OperacionesArchivos& archivos = ArchivosDelSistema());

// New project ("&Nuevo Proyecto..."), without asking: unloads the registered windows in their
// fixed order, then InicializacionesPrincipales. The selected codes are kept;
// HayBasesSeleccionadas being false makes the next selection start a new list.
void NuevoProyecto(EstadoComun& estado, Interaccion& ui, RegistroVentanas& ventanas,
                   OperacionesArchivos& archivos = ArchivosDelSistema());

// Message shown when a command that is not available yet is chosen.
inline constexpr const char* kMensajeNoDisponible =
    "Esta función no está disponible todavía en esta versión del programa.";

}  // namespace arbelio::shell
