// State of the calculation engine: the options of the run (one set for the whole program run,
// reset by New project), the variable/unit table, and what the last run left for the warnings
// and for saving its tables.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace arbelio::calc {

// Calculation options.
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
inline std::array<VariableUnidad, 13> VariablesUnidadesIniciales() {
  return {{{"VCC", "dm3", "NO"},
           {"VSC", "dm3", "NO"},
           {"IAVC", "dm3", "NO"},
           {"VLE", "dm3", "NO"},
           {"COR", "mm", "NO"},
           {"DS", "mm", "NO"},
           {"DCH", "cm", "NO"},
           {"DFF", "cm", "NO"},
           {"DCO", "m", "NO"},
           {"CRE", "mm", "NO"},
           {"HF", "m", "NO"},
           {"HPV", "m", "NO"},
           {"ALTE", "m", "NO"}}};
}

struct EstadoCalculo {
  OpcionesCalculo opciones;
  std::array<VariableUnidad, 13> VariablesUnidades = VariablesUnidadesIniciales();

  // The code under which the last calculation run created its tables.
  std::string SufijoCalculos;
  bool VolumenesIncompletos = false;  // some tree lacked a volume equation in the last run
  // Large trees of the last run left out of the tree table because their diameter was missing
  // or below 7.5 cm (set by the tree pass, reported once at the end of the run).
  std::int32_t PiesSinDiametroValido = 0;

  // Start-up values (InicializacionesPrincipales): default options and variable/unit table.
  void Reiniciar() {
    opciones = OpcionesCalculo{};
    VariablesUnidades = VariablesUnidadesIniciales();
  }
};

}  // namespace arbelio::calc
