// The list of selected databases shown by the window "Bases de datos seleccionadas": its grid
// rows and the running totals of its status bar, kept as a model so the window only paints it
// and the batch front end and the tests read it directly.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/FuenteTabla.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::import {

// Grid header: four left-aligned columns.
inline constexpr std::array<const char*, 4> kCabeceraListaProvincias = {
    "Código ", "Descripción", "Parcelas ", "Pies Mayores"};
inline constexpr const char* kCaptionListaProvincias = "Bases de datos seleccionadas";
inline constexpr const char* kPanelTotales = "Total parcelas y pies mayores seleccionados";

struct ListaProvincias {
  // Data rows below the header (code, description, plots, large trees). A new window holds
  // one empty row.
  std::vector<std::array<std::string, 4>> filas{std::array<std::string, 4>{}};
  // Running totals of the status bar; 64-bit, merged inventories exceed 16 and 32 bits easily
  // in trees.
  std::int64_t totalParcelas = 0;
  std::int64_t totalPies = 0;
  bool hayTotales = false;  // panels 2 and 3 show numbers once a database was listed

  // The three status panels: the fixed caption, the plots total and the trees total.
  std::array<std::string, 3> paneles() const;
  // The data rows as the grid's text source takes them.
  std::vector<std::vector<std::string>> filasRejilla() const;
};

// The grid's columns: the four headers, left-aligned, cells shown as they are.
std::vector<shell::ColumnaVista> ColumnasListaProvincias();

// Geometry of the window, in twips: sizes at load and the layout rules applied on resize.
struct GeometriaListaProvincias {
  int alturaGrid = 0;
  std::array<int, 4> anchosColumnas{};
  std::array<int, 3> anchosPaneles{};
};
inline constexpr int kAltoListaProvincias = 2500;
inline constexpr int kAnchoListaProvincias = 6000;
inline constexpr int kArribaListaProvincias = 400;   // from the top of the main window
inline constexpr int kDerechaListaProvincias = 300;  // from the right edge of the main window
// The widths (twips) the texts need in the window's font: each column's header and the status
// bar's caption. A column or panel never gets less than its text; the description takes what
// is left of the width.
struct TextosListaProvincias {
  std::array<int, 4> cabeceras{};
  int panelTotales = 0;
};
GeometriaListaProvincias GeometriaParaTamano(int anchoTwips, int altoTwips,
                                             const TextosListaProvincias& textos = {});
// The window's width at load: the design's, or wider when the texts need it.
int AnchoInicialListaProvincias(const TextosListaProvincias& textos);

// What a selection needs of the window: load and show it, then repaint it after a change.
class VistaListaProvincias {
 public:
  virtual ~VistaListaProvincias() = default;
  // Loads the window when it is not loaded (with a fresh model) and shows it.
  virtual ListaProvincias& mostrarLista() = 0;
  virtual void listaCambiada() = 0;
};

// A list without a window: batch runs and tests.
class ListaProvinciasEnMemoria : public VistaListaProvincias {
 public:
  ListaProvincias modelo;
  bool mostrada = false;
  int cambios = 0;
  ListaProvincias& mostrarLista() override {
    mostrada = true;
    return modelo;
  }
  void listaCambiada() override { ++cambios; }
  void descargar() {
    modelo = ListaProvincias{};
    mostrada = false;
  }
};

// Fills the grid row of entry `indice` (1-based) of CodigosSeleccionados, adding a row when the
// list has more entries than the grid, and adds the database's plot and large-tree counts to
// the totals. The description is the province name for a numeric code, else the DESCRIPCIO of
// the saved cut's "InfCor" table in `carpeta`. The counts are those of the database's plot
// summary table in BDTemp. Sets SufijoTablas to the code. A failure shows its number and
// description and leaves the row as far as it was filled.
void MuestraProvinciasSeleccionadas(EstadoAplicacion& estado, shell::Interaccion& ui,
                                    const std::string& carpeta, std::size_t indice,
                                    ListaProvincias& lista);

}  // namespace arbelio::import
