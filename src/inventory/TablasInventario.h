// Field layouts of the inventory tables and of the tables derived from them: the provincial
// plot table "Datest", the plot summary "DatDef", the tree and shrub tables, the species per
// plot, the saved-cut information and the user equation tables. The templates of BDEstruct
// and the synthetic sample provinces are written from these layouts, so a table copied from a
// template and a provincial table always agree field by field.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Schema.h"
#include "store/Value.h"

namespace arbelio::inventory {

struct CampoTabla {
  std::string nombre;
  store::FieldType tipo = store::FieldType::Text;
  int tamano = 0;  // characters, text fields only
};

struct LayoutTabla {
  std::string nombre;  // base name without the database code
  std::vector<CampoTabla> campos;

  // Position of a field by case-insensitive name, -1 when absent.
  int posicion(std::string_view campo) const;
};

// Base names of the tables used to build file names (index 0-9), as the shell keeps them.
inline constexpr std::array<const char*, 10> kNombresTablas = {
    "DatDef", "Piesma", "Piesme", "Tiposx", "Matorr",
    "Especi", "InfCor", "Ecuas",  "Models", "Params"};

// The provincial tables that the inventory delivers, in the order they are written.
inline constexpr std::array<const char*, 5> kTablasProvinciales = {"Datest", "Piesma", "Piesme",
                                                                   "Tiposx", "Matorr"};

// Fields appended to the plot fields in the plot summary table.
inline constexpr std::array<const char*, 5> kCamposResumenParcela = {"NUMPMA", "NumPme", "NumTip",
                                                                     "NumMat", "Huso"};

LayoutTabla LayoutDatest();
LayoutTabla LayoutDatDef();
LayoutTabla LayoutPiesma();
LayoutTabla LayoutPiesme();
LayoutTabla LayoutTiposx();
LayoutTabla LayoutMatorr();
LayoutTabla LayoutEspeci();
LayoutTabla LayoutInfCor();
LayoutTabla LayoutEcuas();
LayoutTabla LayoutModels();
LayoutTabla LayoutParams();

// Layout by base name ("Datest" or any of kNombresTablas), compared without regard to case.
// Throws std::invalid_argument for other names.
LayoutTabla LayoutPorNombre(std::string_view nombreBase);

// A province code or plot number as a plot key: a whole number from 1 to 32767 (a 16-bit
// value; 0 marks the empty plot list). Nothing for an empty, damaged or other value: such a
// row belongs to no plot.
std::optional<std::int16_t> ClaveDeParcela(const store::Value& v);

// The table definition of a layout under the given table name (base name + code).
store::TableDef DefinicionTabla(const LayoutTabla& layout, const std::string& nombreTabla);

// Writes one empty table per base name of kNombresTablas into the folder ("InfCor" with its
// memo file), replacing templates that are already there. The folder is created if missing.
void EscribePlantillas(const std::string& carpeta);

}  // namespace arbelio::inventory
