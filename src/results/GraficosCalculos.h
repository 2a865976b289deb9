// The charts of a calculation run ("Gráficos" of the results viewer), as data: the diameter
// distribution stacked by species, the species shares of N and AB, the height-diameter scatter
// of the large trees. Read from the run's tables in BDOut (read-only, nothing kept open); the
// window only draws them with Qt Charts. A chart whose table was not computed carries a Spanish
// note instead of data.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <optional>
#include <string_view>

#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::results {

inline constexpr const char* kCaptionGraficos = "Gráficos";
inline constexpr const char* kCaptionGuardarGrafico = "Guardar gráfico...";
inline constexpr const char* kFiltroGrafico = "Imagen PNG|*.png|Dibujo SVG|*.svg";
// Most points the scatter draws; a larger tree table is sampled.
inline constexpr std::int64_t kMaxPuntosDispersion = 50000;

// A series of values with its name ("21 Pinus sylvestris").
struct SerieGrafico {
  std::string nombre;
  std::vector<double> valores;
};

// N per hectare by diameter class: one stacked bar per class mark, one series per species.
struct DistribucionDiametrica {
  std::string titulo, ejeX, ejeY;
  std::vector<double> clases;        // class marks, ascending
  std::vector<SerieGrafico> series;  // species by code (one unnamed-species series from Cldiam)
  std::string nota;                  // why there is no chart ("" when there is)
};

// Shares of each species in the cut's N and AB (from Specie), largest first.
struct RepartoEspecies {
  std::string tituloN, tituloAB;
  std::vector<std::pair<std::string, double>> n, ab;  // species name, value per hectare
  std::string nota;
};

// Total height against diameter of the large trees with both measured.
struct DispersionAlturas {
  std::string titulo, ejeX, ejeY;
  std::vector<std::pair<float, float>> puntos;  // (DN cm, ALTURA m)
  std::int64_t arboles = 0;                     // trees with both values
  std::string nota;
};

// Name of a species as the charts show it: code and scientific name ("21 Pinus sylvestris").
std::string NombreEspecieGrafico(std::int16_t codigo);

// From Cd_esp when the run computed it, else from Cldiam (one series "Todas las especies").
DistribucionDiametrica LeeDistribucionDiametrica(const EstadoAplicacion& estado);
RepartoEspecies LeeRepartoEspecies(const EstadoAplicacion& estado);
// At most `maximo` points: when there are more, a uniform sample without replacement drawn with
// a fixed seed over the table order (reservoir sampling), so the same run gives the same chart.
DispersionAlturas LeeDispersionAlturas(const EstadoAplicacion& estado,
                                       std::int64_t maximo = kMaxPuntosDispersion);

// Where a chart is saved: the file chosen in the save dialog, its format by its extension
// (".svg" in any letter case: SVG; otherwise PNG, ".png" added to a name without extension).
enum class FormatoGrafico { Png, Svg };
struct DestinoGrafico {
  std::string ruta;
  FormatoGrafico formato = FormatoGrafico::Png;
};
DestinoGrafico DestinoDeArchivo(const std::string& elegido);
// The save dialog proposing `nombreInicial`; nullopt when the user cancels.
std::optional<DestinoGrafico> ElegirArchivoGrafico(shell::Interaccion& ui,
                                                   const std::string& nombreInicial);
// Writes the chart's bytes, replacing an earlier file only once the new one is whole.
void GuardarGrafico(const DestinoGrafico& destino, std::string_view bytes);

}  // namespace arbelio::results
