// The results viewer ("FormVisorDatosCálculos") without windows: which tabs it has, the header
// of each column (field name + unit), the header tooltips (the column's meaning), the text of
// each cell (DarFormato: Spanish decimal comma, "0" for a zero result), the row and column
// selection and the sort button, the row counter, saving the shown table and the layout. The
// window only paints this model over the shared grid model (TablaModeloQt); tests drive it the
// same way.
//
// What the viewer shows is fixed when it loads: the tables the last run computed
// (TablasCalcular), their code and the class width of that run. A later change of the options
// or a new cut does not change what an open viewer reads; each tab click reloads its table from
// BDOut. The viewer never writes the tables.
//
// A later tab (statistics, charts) adds an entry to the tab list of its own and a grid source;
// the cell formats (DarFormato) and the header rules (Unidades, DescripcionCampo) are here to
// be reused.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/FuenteTabla.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::results {

inline constexpr const char* kCaptionVisorCalculos = "Visor de resultados";
inline constexpr const char* kCaptionGuardarTabla = "Guardar esta Tabla";
inline constexpr const char* kCaptionOrdenarColumna = "Ordenar columna";
inline constexpr const char* kCaptionNumeroRegistros = "Nº de registros:";
inline constexpr const char* kAyudaOrdenarColumna =
    "Ordena las filas de menor a mayor según la columna seleccionada (pulse antes su cabecera).";
inline constexpr const char* kFiltroGuardarTabla = "Bases de datos de DBase|*.dbf";

// One tab of the viewer: caption, key (base name of the result table, matched without regard to
// letter case) and tooltip; `indice` is the table's entry in TablasCalcular.
struct PestanaVisor {
  const char* caption;
  const char* clave;
  const char* ayuda;
  int indice;
};

// The nine tabs in their order. The first is always shown; the others when their table was
// computed.
inline constexpr std::array<PestanaVisor, 9> kPestanasVisor = {{
    {"Árbol Individual", "AIndiv", "Datos para cada árbol individual (pie mayor) en el corte.", 0},
    {"Parcela", "Parcel", "Datos para cada parcela en el corte.", 1},
    {"Especie (Total)", "Specie", "Datos medios para cada especie en el corte", 2},
    {"Clase Diamétrica (Total)", "ClDiam", "Datos medios para cada clase diamétrica en el corte",
     3},
    {"Especie por Parcela", "Sp_Par", "Datos para cada especie existente en cada parcela", 4},
    {"Clase Diamétrica por Parcela", "CD_Par",
     "Datos para cada clase diamétrica existente en cada parcela", 5},
    {"Clase Diamétrica por Especie", "CD_esp", "Datos para cada clase diamétrica de cada especie.",
     6},
    {"Clase Diamétrica por Especie y Parcela", "CDSp_P",
     "Datos para cada diferente claseespecie en cada parcela", 7},
    {"Totales", "Totals", "Datos del total del corte", 8},
}};

// The tabs of the tables a run computed, in their order.
std::vector<PestanaVisor> PestanasVisor(const std::array<bool, 9>& tablasCalcular);

// Unit suffix of a column header by field name (any letter case) and table key: " (pies/ha)",
// " (cm)    "..., "" for a field without unit. The trailing blanks are part of the suffix.
std::string Unidades(std::string_view campo, std::string_view clave);
// Meaning of a column by field name (any letter case); "" for a field without one.
std::string DescripcionCampo(std::string_view campo);
// Meaning of a column by its header text: the text up to the first "(", trimmed, upper case,
// looked up as a field name ("N (pies/ha)" -> "Número de pies por hectárea").
std::string DescripcionDeCabecera(std::string_view cabecera);

// The text of a cell, by field name (any letter case):
//  - CD: one decimal ("7,5") when the class width is not a whole number, otherwise the
//    general form ("10");
//  - DN, DG, DM, DO, HM, HO, HART, REINEKE, SN, CN, N, NTP, AB, ABTP and the volume and tree
//    variables: two decimals ("3,50"), halves away from zero;
//  - any other number (PROVINCIA, PARCELA, NUMORDEN, ESPECIE, ...): the general form of a
//    single (up to seven significant digits, no trailing zeros);
// with the decimal comma. A fixed-decimals result that is zero ("0,00") shows "0". Numbers are
// taken as single precision, as the tables hold them. A null is empty; a text (PARAMESP) shows
// as it is stored, without trailing blanks.
std::string DarFormato(std::string_view campo, const store::Value& valor, float anchoClase);

// Header, tooltip, right alignment and format of every column of a result table.
std::vector<shell::ColumnaVista> ColumnasVisor(const std::vector<std::string>& campos,
                                               std::string_view clave, float anchoClase);

// Geometry, in twips.
struct Caja {
  int x = 0, y = 0, ancho = 0, alto = 0;
};
// Form_Load: at the top left of the main window's client area, 500 twips narrower and 900
// shorter than it.
Caja CajaInicialVisor(int anchoCliente, int altoCliente);
struct DisposicionVisor {
  Caja pestanas;
  Caja rejilla;  // alto < 0: keep the grid's height (inner height 500 twips or less)
  // Left edges of "Guardar esta Tabla", the sort button, the row count caption and the row
  // count, on one line 100 below the grid.
  std::array<int, 4> xLineaInferior{};
  int yLineaInferior = 0;
};
// Form_Resize for the inner size of the window, the tab strip's height and the widths of the
// four controls of the lower line (each placed 50 to the right of the one before it).
DisposicionVisor DisponerVisor(int anchoInterior, int altoInterior, int altoPestanas,
                               int altoRejillaActual, const std::array<int, 4>& anchosLinea);

class ModeloVisorCalculos {
 public:
  enum class Seleccion { Ninguna, Columna, Fila };

  // Form_Load: the tabs of the tables the last run computed, its code (SufijoCalculos) and
  // class width; shows "AIndiv". Store failures other than a missing table propagate.
  explicit ModeloVisorCalculos(const EstadoAplicacion& estado);

  const std::vector<PestanaVisor>& pestanas() const { return pestanas_; }
  int pestanaActual() const { return actual_; }
  const std::string& codigo() const { return codigo_; }
  // File name of the shown table: key + code + ".dbf".
  std::string nombreTablaMostrada() const;

  // A tab click: shows its table, clears the selection and disables the sort button. The grid
  // model must take the new source (fuente()) before the old one is gone: only the source holds
  // the shown table loaded, so the next run can empty BDOut once the viewer let it go.
  void PulsarPestana(int indice);
  // MuestraCalculos: reads table key + code from BDOut (read-only), every field a column. A
  // missing table leaves the grid empty.
  void MuestraCalculos(const std::string& clave);

  // The grid's rows and columns (shared with the window's table model).
  std::shared_ptr<shell::FuenteTabla> fuente() const { return fuente_; }
  // LabelNRegistros: the table's row count, known at once.
  std::string textoRegistros() const;

  // A click on the header of column c selects that column and enables the sort button; a click
  // on a data row selects the row and disables it.
  void PulsarCabecera(int columna);
  void PulsarFila(std::int64_t fila);
  Seleccion seleccion() const { return seleccion_; }
  std::int64_t indiceSeleccion() const { return indiceSeleccion_; }
  // The grid's tag: "col" + column, "row" + row, or "".
  std::string etiqueta() const;
  bool ordenarHabilitado() const { return seleccion_ == Seleccion::Columna; }
  // Sorts every row by the selected column, numerically ascending; the column stays selected.
  // False (nothing done) while no column is selected.
  bool Ordenar();

  // "Guardar esta Tabla": the save dialog proposing the shown table's file name; Cancelar ends
  // silently; otherwise the table is copied there. An earlier file of that name is replaced only
  // by a whole copy. A failed copy says so ("Error " + what went wrong) and leaves the earlier
  // file as it was. Returns whether a copy was written.
  bool GuardarTabla(shell::Interaccion& ui);

 private:
  std::string BDOut_;
  std::string codigo_;
  float anchoClase_;
  std::vector<PestanaVisor> pestanas_;
  int actual_ = 0;
  std::shared_ptr<shell::FuenteTabla> fuente_;
  Seleccion seleccion_ = Seleccion::Ninguna;
  std::int64_t indiceSeleccion_ = -1;
};

}  // namespace arbelio::results
