// The nine result tables of a calculation run: names, column layouts and creation.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "state/EstadoAplicacion.h"
#include "store/Database.h"
#include "store/Schema.h"

namespace arbelio::calc {

// In the order of the TablasCalcular indexes: 0 AIndiv, 1 Parcel, 2 Specie, 3 Cldiam, 4 Sp_par,
// 5 Cd_par, 6 Cd_esp, 7 Cdsp_p, 8 Totals.
enum class TablaResultado {
  AIndiv,
  Parcel,
  Specie,
  Cldiam,
  Sp_par,
  Cd_par,
  Cd_esp,
  Cdsp_p,
  Totals
};

inline constexpr std::array<TablaResultado, 9> kTodasLasTablas = {
    TablaResultado::AIndiv, TablaResultado::Parcel, TablaResultado::Specie,
    TablaResultado::Cldiam, TablaResultado::Sp_par, TablaResultado::Cd_par,
    TablaResultado::Cd_esp, TablaResultado::Cdsp_p, TablaResultado::Totals};

// The volume variables (rows 1-4 of VariablesUnidades): the ones summed per hectare.
inline constexpr std::array<const char*, 4> kVolumenes = {"VCC", "VSC", "IAVC", "VLE"};

// "AIndiv", "Parcel", "Specie", "Cldiam", "Sp_par", "Cd_par", "Cd_esp", "Cdsp_p", "Totals".
const char* NombreBase(TablaResultado t);
// Base name + SufijoTablas.
std::string NombreTabla(const EstadoAplicacion& estado, TablaResultado t);
// Codes of the rows of VariablesUnidades marked "SI", in row order: the variable columns.
std::vector<std::string> VariablesMarcadas(const EstadoAplicacion& estado);
bool VariableMarcada(const EstadoAplicacion& estado, const std::string& codigo);

// The table's columns as the options say (cork columns, variable columns).
store::TableDef DefinicionTablaResultado(const EstadoAplicacion& estado, TablaResultado t);
// Creates the table in the output database. The AIndiv step first records SufijoTablas into
// SufijoCalculos.
void CrearTablaResultado(store::Database& salida, EstadoAplicacion& estado, TablaResultado t);

}  // namespace arbelio::calc
