// The application-wide state: one instance for the whole run of the program, owned by main()
// (or by arbelio-batch, or by a test) and passed by reference to every command that reads or
// writes it. Each subsystem adds its own members here; keep it a plain aggregate with a comment
// saying who sets each member.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "equations/Ecuaciones.h"
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

// A plot of the inventory: province code and plot number (ESTADILLO), as stored.
struct Parcela {
  std::int16_t provincia = 0;
  std::int16_t estadillo = 0;
  friend bool operator==(const Parcela&, const Parcela&) = default;
};

// A large tree: plot key and tree number (NUMORDEN).
struct Pie {
  std::int16_t provincia = 0;
  std::int16_t estadillo = 0;
  std::int16_t numorden = 0;
  friend bool operator==(const Pie&, const Pie&) = default;
};

// The plots of the current cut. The list is 1-based: `entradas[0]` is unused padding so that
// entry k is `entradas[k]`. The empty list is the single entry (0, 0) with count 1; a list is
// empty exactly when its first entry's province is 0. An entry is marked by negating its plot
// number while a criterion is applied in mark mode.
struct ListaDeParcelas {
  std::vector<Parcela> entradas{Parcela{}, Parcela{}};
  std::int32_t numero = 1;  // count of entries in use (1 for the empty list)

  bool vacia() const { return entradas[1].provincia == 0; }
  void vaciar() {
    entradas.assign(2, Parcela{});
    numero = 1;
  }
};

// Calculation options, one set for the whole run, reset by InicializacionesPrincipales.
struct OpcionesCalculo {
  // Which result tables a run computes, by index: 0 AIndiv, 1 Parcel, 2 Specie, 3 Cldiam,
  // 4 Sp_par, 5 Cd_par, 6 Cd_esp, 7 Cdsp_p, 8 Totals.
  std::array<bool, 9> TablasCalcular{};
  float AnchoClase = 5.0f;         // diameter-class width, cm
  std::int16_t TipoHart = 1;       // 1 = Hart-Becking, 2 = Hart
  double BetaReineke = -1.605;     // exponent of Reineke's index
  std::int16_t MetodoCalculo = 1;  // 1 KAV equations, 2 KAV except user-defined, 3 user only
  bool CalcularSDCH = false;       // cork stripped surface
  bool CalcularIDCH = false;       // cork stripping intensity
};

// One row of the variable/unit table: a tree variable equations can compute.
struct VariableUnidad {
  std::string codigo;    // "VCC", "VSC"...
  std::string unidad;    // "dm3", "mm", "cm", "m"
  std::string calcular;  // "SI" or "NO"
};

// The 13 rows of the variable/unit table in their fixed order, all marked "NO".
std::array<VariableUnidad, 13> VariablesUnidadesIniciales();

struct EstadoAplicacion {
  // Folders, set once by the main window's load (CargarPrincipal).
  RutasPrograma rutas;

  // Base table names, index 0-9: "DatDef", "Piesma", "Piesme", "Tiposx", "Matorr", "Especi",
  // "InfCor", "Ecuas", "Models", "Params". Set by the main window's load.
  std::array<std::string, 10> NombresTablas{};

  // Trees per hectare represented by one tree, by plot-circle code 1-4 (index 0 unused):
  // 10000 / (pi r^2) for radii 5, 10, 15 and 25 m, in single precision. Set by the load.
  std::array<float, 5> FactoresExpansion{};

  // Codes of the selected databases ("47", or a saved cut's code), in selection order. Kept by
  // New project; the next selection starts a new list because HayBasesSeleccionadas is false.
  std::vector<std::string> CodigosSeleccionados;
  bool HayBasesSeleccionadas = false;  // a database was selected since the last reset

  // Code appended to result and user-equation table names, and the code under which the last
  // calculation run created its tables.
  std::string SufijoTablas;
  std::string SufijoCalculos;

  // The current cut.
  ListaDeParcelas ListaParcelas;
  std::vector<Pie> PiesExcluidos;   // large trees removed by hand from the cut
  std::int32_t NumeroParcelas = 0;  // plots of the cut
  std::int32_t NumeroPies = 0;      // large trees of the cut's plots

  // Flags.
  bool CorteAbierto = false;          // the cut tool window is loaded
  bool CalculoCancelado = false;      // Cancelar was pressed in the progress dialog
  bool VolumenesIncompletos = false;  // some tree lacked a volume equation in the last run
  bool SplashCerrado = false;         // the start-up splash was closed; it is now the About box

  OpcionesCalculo opciones;
  std::array<VariableUnidad, 13> VariablesUnidades = VariablesUnidadesIniciales();

  // Enabled state of the work-flow menu entries.
  EstadoMenus menus;

  // Large trees of the last calculation run left out of the tree table because their diameter
  // was missing or below 7.5 cm (set by the tree pass, reported once at the end of the run).
  std::int32_t PiesSinDiametroValido = 0;

  // Lists and script engine of the equation texts (checked formula, parameters, variables).
  equations::EstadoEcuaciones ecuaciones;
};

}  // namespace arbelio::shell
