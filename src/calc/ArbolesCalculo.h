// The trees of AIndiv in memory for the breakdown and summary passes, in the two orders their
// tree cursors give: table order, and "ORDER BY Provincia, Parcela, DN" (stable, empty values
// first), with the trees of each plot found through an in-memory index.
//
// The store answers a grouped or DISTINCT query over 200,000 trees in about half a second and
// orders them in about 0.15 s, and every find costs about half a microsecond; a pass that took its
// groups from such queries and found each group's trees three times (sums, mean diameter, mean
// height) would take over a second. So AIndiv is read once (by each pass, or once for the run),
// ordered as the tree cursor would be, and the trees of a plot are found through an in-memory
// index. A group's trees are those its criterion would
// find, in the cursor's order, so sums and means add up in the same order as find-first /
// find-next (and find-last / find-previous for the dominant walks) would visit them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "state/EstadoAplicacion.h"
#include "store/Database.h"
#include "store/Memoria.h"

namespace arbelio::calc {

// A tree of AIndiv as the passes use it. The con* flags say the column is not empty. Plain data
// without initializers, so millions of them can be allocated without a pass zeroing them: a
// tree is set whole from ArbolLeido{} (all zero and false) before it is read.
struct ArbolLeido {
  std::int32_t provincia, parcela, especie;
  bool conProvincia, conParcela, conEspecie;
  std::uint8_t codigo;  // FACTOREXP 1-4; 0 when empty or out of range
  bool conCD, conDN, conSN, conAltura;
  float cd, dn, sn, altura;
  std::array<float, 4> volumen;    // VCC, VSC, IAVC, VLE
  std::array<bool, 4> conVolumen;  // false also when the variable is not marked or has no column
  // The cork columns (only in runs that compute cork).
  bool conCN, conLDCH, conSDCH;
  float cn, ldch, sdch;
};

using GrupoArboles = std::vector<const ArbolLeido*>;

enum class OrdenArboles {
  Tabla,      // "the table AIndiv", in table order
  ParcelaDN,  // "SELECT * FROM [AIndiv..] ORDER BY Provincia, Parcela, DN"
};

class ArbolesCalculo {
 public:
  // Reads AIndiv + SufijoTablas of the output database. Valid while AIndiv does not change: a run
  // may read it once after the tree pass and hand it to every breakdown and summary pass.
  ArbolesCalculo(store::Database& salida, const EstadoAplicacion& estado);

  std::size_t size() const { return arboles_.size(); }
  // Whether AIndiv has the column of a marked volume variable (kVolumenes order), and SDCH.
  bool TieneVolumen(std::size_t v) const { return columnaVolumen_[v]; }
  bool TieneSDCH() const { return columnaSDCH_; }
  // Every tree, in the given order.
  GrupoArboles Todos(OrdenArboles orden) const;
  // The trees of a plot ("PROVINCIA=p AND PARCELA=q"), in the given order.
  GrupoArboles DeParcela(OrdenArboles orden, std::int32_t provincia, std::int32_t parcela) const;
  // The trees of the plot at a position of ListaParcelas.
  GrupoArboles DeParcela(OrdenArboles orden, const EstadoAplicacion& estado,
                         std::int32_t posicion) const;

 private:
  using Rangos = std::unordered_map<std::uint64_t, std::pair<std::uint32_t, std::uint32_t>>;
  std::array<bool, 4> columnaVolumen_{};
  bool columnaSDCH_ = false;
  // In table order; on the store's large areas, not zeroed.
  std::vector<ArbolLeido, store::AsignadorGrande<ArbolLeido>> arboles_;
  std::vector<std::uint32_t> ordenDN_;          // positions by province, plot and DN
  std::vector<std::uint32_t> tablaPorParcela_;  // positions by plot, table order within each
  Rangos rangosDN_, rangosTabla_;               // plot -> range of ordenDN_ / tablaPorParcela_
};

}  // namespace arbelio::calc
