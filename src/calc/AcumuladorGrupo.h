// Pieces shared by the breakdown and summary passes: the per-hectare values of a group of trees,
// the factor-weighted means and dominant means over a group, and the tree counter of a pass.

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "calc/ArbolesCalculo.h"
#include "calc/TablasResultado.h"
#include "inventory/Constantes.h"
#include "shell/Interaccion.h"
#include "shell/Progreso.h"
#include "state/EstadoAplicacion.h"
#include "store/Cursor.h"
#include "store/Database.h"
#include "store/Value.h"

namespace arbelio::calc::detalle {

using inventory::kPi;

// The four volume variables that the per-hectare tables sum, in the order they are visited.
using calc::kVolumenes;

using Grupo = GrupoArboles;

// The trees a pass works on: those handed in by the run, or its own reading of AIndiv.
const ArbolesCalculo& ArbolesDeLaPasada(store::Database& salida, const EstadoAplicacion& estado,
                                        const ArbolesCalculo* compartidos,
                                        std::optional<ArbolesCalculo>& propios);

// Filters of the mean and dominant functions: species 0 means every species, class 0 every
// class (the criterion then omits them).
Grupo Seleccion(const Grupo& base, int especie, float clase);

// Mean of DN or ALTURA weighted by the expansion factor, in the group's order; trees without the
// value are skipped; 0 when no weight.
double MediaDiametro(const EstadoAplicacion& estado, const Grupo& g);
double MediaAltura(const EstadoAplicacion& estado, const Grupo& g);
// Mean DN or ALTURA of the 100 thickest trees per hectare, walking the group from its last tree
// back: the tree that crosses 100 counts with the part that fits, a tree without the value still
// consumes its factor.
double DominanteDiametro(const EstadoAplicacion& estado, const Grupo& g);
double DominanteAltura(const EstadoAplicacion& estado, const Grupo& g);

// Number of plot positions of ListaParcelas (0 for the empty list).
std::int32_t PosicionesParcelas(const EstadoAplicacion& estado);

// Quadratic mean diameter (cm) from a row's stored N (trees/ha) and AB (m2/ha); 0 for N = 0.
double DiametroCuadratico(float N, float AB);

// A share in percent rounded to 2 decimals (half to even): columna = valor * 100 / total. Left
// empty when either is empty or the total is 0.
void EscribirParte(store::Cursor& fila, const char* columna, const store::Value& valor,
                   const store::Value& total);

// The tree counter of a pass, shown through a step of the run's progress dialog: on
// construction the hourglass, LabelZ "0" and the pass's text in LabelqueCalculos; the running
// count of trees visited moves the bar (while it does not exceed NumeroPies) and is shown in
// LabelZ after every row.
class ContadorPasada {
 public:
  ContadorPasada(const EstadoAplicacion& estado, shell::Interaccion& ui, const std::string& texto);

  // One more tree visited.
  void Arbol();
  // `n` more trees visited, one by one: the bar goes through every percentage Arbol() would
  // show on the way.
  void Arboles(std::int64_t n);
  // A row was stored: the counter into LabelZ.
  void Fila();
  // Yields to the interface; true when the user has cancelled (the dialog is then hidden).
  bool Cancelado() { return !progreso_.continuar(); }
  // Yields without looking at Cancelar.
  void Ceder() { progreso_.ceder(); }
  std::int64_t arboles() const { return contador_; }

 private:
  const EstadoAplicacion& estado_;
  shell::Progreso progreso_;
  std::int64_t contador_ = 0;
  int barra_ = -1;
};

// Positions of the columns of a result table on a cursor (-1 when the table has none).
struct ColumnasResultado {
  explicit ColumnasResultado(const store::Cursor& c);
  int provincia, parcela, especie, cd, N, NTP, AB, ABTP, Dg, Dm, Do, Hm, Ho;
  std::array<int, 4> volumen;
};

// Per-hectare values of a group of trees. For each plot-circle code 1-4 it keeps the number of
// trees, the sum of their SN and the sums of their non-empty volumes, all sums in single
// precision tree by tree, and per volume variable a flag set when a tree lacks a value.
class AcumuladorGrupo {
 public:
  explicit AcumuladorGrupo(const EstadoAplicacion& estado);

  // Resets the sums and adds the group's trees in order. It touches nothing but this
  // accumulator, so two accumulators may work at once; the pass counts the visited trees.
  void Acumular(const Grupo& g);

  // Per-hectare values of the group: N = sum of count x factor, AB = sum of section sum x
  // factor / 10000 rounded to 5 decimals, each marked volume = sum of volume sum x factor / 1000
  // unless a tree lacked it. Sums over the codes in double precision; N and AB as stored (single).
  struct Valores {
    float N = 0;
    float AB = 0;
    std::array<bool, 4> conVolumen{};  // marked and complete
    std::array<float, 4> volumen{};
  };
  Valores Calcular() const;
  // Writes N, AB and the complete marked volumes into the row being added on `fila` (a cursor
  // or a store::RegistroNuevo); a flagged volume stays empty, an unmarked one has no column.
  template <class Fila>
  static void Escribir(Fila& fila, const ColumnasResultado& col, const Valores& v) {
    fila.setValue(col.N, v.N);
    fila.setValue(col.AB, v.AB);
    for (std::size_t k = 0; k < kVolumenes.size(); ++k) {
      if (v.conVolumen[k]) fila.setValue(col.volumen[k], v.volumen[k]);
    }
  }
  Valores Escribir(store::Cursor& fila, const ColumnasResultado& col) const {
    const Valores v = Calcular();
    Escribir(fila, col, v);
    return v;
  }

 private:
  const EstadoAplicacion& estado_;
  std::array<bool, 4> marcado_{};

  std::array<std::int32_t, 5> cuenta_{};
  std::array<float, 5> seccion_{};
  std::array<std::array<float, 5>, 4> volumen_{};
  std::array<bool, 4> falta_{};
};

}  // namespace arbelio::calc::detalle
