// The map of the cut: every plot of the working database at its UTM coordinates (DATDEF00's
// HUSO, COORDEX, COORDEY, in km), one panel per UTM zone present, the cut's plots highlighted
// and coloured by their dominant species (the species of largest PORCENAB in ESPECI00, ties in
// table order, as the summary counts it), with the species legend. Computed and drawn here; the
// cut tool shows the image and arbelio-batch writes it (run --map FILE.png).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inventory/Parcelas.h"
#include "shell/ImagenRgba.h"
#include "shell/Interaccion.h"
#include "store/Database.h"

namespace arbelio::cut {

inline constexpr const char* kTituloMapaCorte = "Mapa del corte";
inline constexpr const char* kCaptionGuardarMapa = "Guardar mapa...";
inline constexpr const char* kFiltroMapa = "Imagen PNG|*.png";
inline constexpr const char* kLeyendaFueraCorte = "Parcelas fuera del corte";
inline constexpr const char* kLeyendaSinPies = "Sin pies mayores";
inline constexpr const char* kLeyendaOtras = "Otras especies";
inline constexpr const char* kMapaSinCoordenadas =
    "No hay parcelas con coordenadas UTM en la base de datos de trabajo.";
// Species with a colour of their own; the others share kLeyendaOtras.
inline constexpr std::size_t kMaxEspeciesLeyenda = 12;

// Where a plot goes in the legend.
inline constexpr std::int32_t kFueraDelCorte = -1;

struct PuntoMapa {
  double x = 0, y = 0;  // km
  std::int16_t provincia = 0, estadillo = 0;
  std::int32_t leyenda = kFueraDelCorte;  // entry of the legend, or kFueraDelCorte
};

struct PanelMapa {
  std::int32_t huso = 0;
  double xMin = 0, xMax = 0, yMin = 0, yMax = 0;  // km, over the panel's plots
  std::vector<PuntoMapa> puntos;                  // outside the cut first, then the cut's
  std::int32_t parcelasCorte = 0;
};

struct EntradaLeyenda {
  std::int16_t especie = 0;  // 0 for the shared entries (other species, no trees)
  std::string texto;         // "21 Pinus sylvestris (12)"
  shell::Color color;
  std::int32_t parcelas = 0;  // plots of the cut it colours
};

struct MapaCorte {
  std::vector<PanelMapa> paneles;       // by zone, ascending
  std::vector<EntradaLeyenda> leyenda;  // species by plots (most first, then code), others, none
  std::int32_t parcelasCorte = 0;       // plots of the cut placed on the map
  std::int32_t parcelasSinCoordenadas = 0;  // of the working database, left off the map
  std::string titulo;                       // "Mapa del corte: 35 de 120 parcelas"
};

// Reads DATDEF00 and ESPECI00 of the working database. A plot without a usable zone or
// coordinates is counted in parcelasSinCoordenadas and left off the map.
MapaCorte CalculaMapaCorte(store::Database& trabajo, const inventory::ListaDeParcelas& lista);

// Size of the drawing of a saved map and of the batch's.
inline constexpr int kAnchoMapa = 1200, kAltoMapa = 800;

// The drawing: the title on top, the panels side by side (equal scale in x and y, 1 km = 1 km,
// each with its zone and its extent in km), the legend on the right.
shell::ImagenRgba DibujaMapa(const MapaCorte& mapa, int ancho, int alto);

// Writes the drawing as PNG, replacing an earlier file only once the new one is whole.
void GuardarMapaPng(const MapaCorte& mapa, const std::string& ruta, int ancho = kAnchoMapa,
                    int alto = kAltoMapa);

// "Guardar mapa...": the save dialog (Cancelar ends silently), then the file; a failure says
// "Error " + what went wrong. Returns whether a file was written.
bool GuardarMapaComo(const MapaCorte& mapa, shell::Interaccion& ui);

// What the cut tool's map panel holds: the map of the current cut, recomputed only when the
// plot list changed (another cut applied, a plot removed) or the working database did.
class ModeloMapaCorte {
 public:
  // True when the map was recomputed.
  bool actualizar(store::Database& trabajo, const inventory::ListaDeParcelas& lista);
  const MapaCorte& mapa() const { return mapa_; }
  void olvidar() { firma_.clear(); }

 private:
  MapaCorte mapa_;
  std::vector<std::int32_t> firma_;
};

}  // namespace arbelio::cut
