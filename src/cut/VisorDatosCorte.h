// The cut data viewer ("Corte: visor de datos") without windows: the eight views of the working
// tables restricted to the cut, the header tooltips, the selection, the sort, removing a plot or
// a large tree from the cut with its question, the row counter and "Guardar esta Tabla".
// FormVisorDatosCorte paints this model over the shared grid model (TablaModeloQt); the tests
// drive it the same way.
//
// A view is a list of row ids of a working table (or of a query on it): the rows of the cut's
// plots in ListaParcelas order, the trees of PiesExcluidos left out in the large-tree views.
// Nothing is copied: the grid reads the cells on screen. Removals change only the cut in memory
// (ListaParcelas, PiesExcluidos and their counts), never the working tables.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "shell/FuenteCursor.h"
#include "shell/Interaccion.h"
#include "shell/SeleccionRejilla.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::cut {

inline constexpr const char* kCaptionVisorCorte = "Corte: visor de datos";
inline constexpr const char* kCaptionVerTabla = "Ver Tabla:";
inline constexpr const char* kCaptionEliminarFila = "Eliminar fila";
inline constexpr const char* kCaptionOrdenarColumnaCorte = "Ordenar columna";
inline constexpr const char* kCaptionGuardarEstaTabla = "Guardar esta Tabla";
inline constexpr const char* kCaptionNRegistros = "Nº de registros:";
inline constexpr const char* kNoMasFilas = "Ya no se pueden eliminar más filas en la tabla actual";
inline constexpr const char* kPreguntaEliminarParcela =
    "¿Desea eliminar esta fila?. \r\nSi pulsa SÍ, la PARCELA se eliminará de ESTE corte.\r\n"
    "(Si vuelve a aplicar el mismo criterio volverá a aparecer).";
inline constexpr const char* kPreguntaEliminarPie =
    "¿Desea eliminar esta fila?. \r\nSi pulsa SÍ, el PIE MAYOR se eliminará de ESTE corte.\r\n"
    "(Si vuelve a aplicar el mismo criterio volverá a aparecer).";
// Refusal of "Guardar esta Tabla" over a table of the program's own working folder.
inline constexpr const char* kNoGuardarEnBDTemp =
    "No se puede guardar la tabla en la carpeta de trabajo del programa: elija otra carpeta.";

// One view of the combo "Ver Tabla:": caption, working table, columns of the query ("*" for
// all) and the base name it is saved as (nullptr: the quick views cannot be saved).
struct VistaDatosCorte {
  const char* caption;
  const char* tabla;
  const char* columnas;
  const char* guardarComo;
};

inline constexpr std::array<VistaDatosCorte, 8> kVistasCorte = {{
    {"Estadillo (Vista rápida)", "DATDEF00",
     "PROVINCIA,ESTADILLO,NUMPMA,NUMTIP,NUMPME,HUSO, COORDEX,COORDEY,MUNICI", nullptr},
    {"Estadillo (Vista completa)", "DATDEF00", "*", "Datdef"},
    {"Pies Mayores (Vista rápida)", "PIESMA00", "PROVINCIA,ESTADILLO,NUMORDEN,ESPECIE", nullptr},
    {"Pies Mayores (Vista completa)", "PIESMA00", "*", "Piesma"},
    {"Pies menores", "PIESME00", "*", "Piesme"},
    {"Árboles Tipo", "TIPOSX00", "*", "Tiposx"},
    {"Matorral", "MATORR00", "*", "Matorr"},
    {"Especies", "ESPECI00", "*", "Especi"},
}};

// Views whose rows are plots (0, 1) and large trees (2, 3): the ones rows can be deleted in.
inline bool VistaDeParcelas(int vista) {
  return vista == 0 || vista == 1;
}
inline bool VistaDePies(int vista) {
  return vista == 2 || vista == 3;
}

// Text of a cell: a number in its shortest exact form with the decimal comma, a text as stored,
// a null empty.
std::string TextoCeldaCorte(const store::Value& valor);

class ModeloVisorCorte {
 public:
  // Form_Load: shows view 0. The working tables are read from BDTemp (read only); the cut is
  // `estado`'s and is changed by the deletions.
  explicit ModeloVisorCorte(EstadoAplicacion& estado);

  // ComboTablasCorte_Click / MuestraCorte: shows a view (0..7), clears the selection.
  void MuestraCorte(int vista);
  int vista() const { return vista_; }

  // The grid's rows and columns (shared with the window's table model).
  std::shared_ptr<shell::FuenteTabla> fuente() const { return fuente_; }
  // LabelNRegistros: the rows shown.
  std::string textoRegistros() const;

  // Grid clicks.
  void PulsarCabecera(int columna);
  void PulsarFila(std::int64_t fila);
  const shell::SeleccionRejilla& seleccion() const { return seleccion_; }

  // Enabled states of the three buttons.
  bool eliminarHabilitado() const;
  bool ordenarHabilitado() const { return seleccion_.columna(); }
  bool guardarHabilitado() const { return kVistasCorte.at(vistaIndice()).guardarComo != nullptr; }

  // CommandEliminarFila_Click on the selected row: the last-row refusal, the question, then the
  // plot (views 0, 1) or the large tree (views 2, 3) leaves the cut and the row the grid.
  // Returns whether a row was removed.
  bool CommandEliminarFila_Click(shell::Interaccion& ui);
  // CommandOrdenarColumna_Click: sorts by the selected column (numeric, ascending).
  bool CommandOrdenarColumna_Click();
  // CommandGuardarEstaTabla_Click: the save dialog, then the working table's rows of the cut's
  // plots (in plot-list order, the large trees removed by hand included, as the table holds
  // them) written whole to a temporary table and put in place by the store's safe replace. A
  // failure says so ("Error " + what went wrong) and leaves the chosen file as it was. Returns
  // whether the table was saved.
  bool CommandGuardarEstaTabla_Click(shell::Interaccion& ui);
  // File name the save proposes: save name + SufijoTablas + ".dbf" ("" for the quick views).
  std::string nombreGuardar() const;

  // Called after a plot or a tree left the cut (the cut tool repaints its summary note and the
  // main window its menus).
  std::function<void()> alCambiarCorte;

 private:
  std::size_t vistaIndice() const { return static_cast<std::size_t>(vista_); }
  void CorteCambiado();

  EstadoAplicacion& estado_;
  int vista_ = 0;
  std::shared_ptr<shell::FuenteCursor> fuente_;
  shell::SeleccionRejilla seleccion_;
};

// The note beside the cut tool's summary once plots or trees were removed by hand ("" before).
std::string NotaResumenCorte(const EstadoCorte& corte);

}  // namespace arbelio::cut
