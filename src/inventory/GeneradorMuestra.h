// Synthetic provincial databases as the inventory delivers them: plots ("Datest"), large trees
// ("Piesma"), small trees ("Piesme"), sample trees ("Tiposx") and shrubs ("Matorr"), all keyed
// by province and plot number. Pure and mixed stands of the province's common species,
// concentric-plot diameters, map sheets and UTM coordinates that agree with the sheet grid of
// HusoHoja. The same options and seed always give the same rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/TablasInventario.h"
#include "store/Value.h"

namespace arbelio::inventory {

// splitmix64: small, fast and the same on every platform and library version.
class Aleatorio {
 public:
  explicit Aleatorio(std::uint64_t semilla) : estado_(semilla) {}
  std::uint64_t siguiente();
  double uniforme();                    // [0, 1)
  double uniforme(double a, double b);  // [a, b)
  int entero(int a, int b);             // [a, b]
  double normal();                      // mean 0, deviation 1
  int poisson(double media);
  // Index chosen with probability proportional to the weights.
  std::size_t elige(const std::vector<double>& pesos);

 private:
  std::uint64_t estado_;
};

struct OpcionesMuestra {
  int provincia = 47;
  int parcelas = 200;
  std::uint64_t semilla = 1;
};

using FilaTabla = std::vector<store::Value>;

struct TablaSintetica {
  inventory::LayoutTabla layout;
  std::vector<FilaTabla> filas;

  // The value of a field of a row by name (the layout's position).
  const store::Value& valor(std::size_t fila, std::string_view campo) const;
};

struct ProvinciaSintetica {
  int provincia = 0;
  TablaSintetica datest, piesma, piesme, tiposx, matorr;
};

// Generates a province. Throws ErrorDatos for a province code outside 1-50 or 55-56, or for a
// number of plots that does not fit the 16-bit plot numbers (1 to 32767).
ProvinciaSintetica GeneraProvincia(const OpcionesMuestra& opciones);

// File names of a province's tables: base name + two-digit code + ".dbf" ("Datest47.dbf").
std::string NombreArchivoProvincial(const std::string& base, int provincia);

// Writes the five tables into the folder as dBASE III files (code page 1252), replacing
// tables of the same names. The folder is created if missing.
void EscribeProvincia(const ProvinciaSintetica& p, const std::string& carpeta);

}  // namespace arbelio::inventory
