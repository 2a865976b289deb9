#include "calc/ArbolesCalculo.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <tuple>
#include <utility>

#include "calc/TablasResultado.h"
#include "store/Cursor.h"
#include "store/Paralelo.h"
#include "store/Value.h"

namespace arbelio::calc {

namespace {

std::uint64_t ClaveParcela(std::int32_t provincia, std::int32_t parcela) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(provincia)) << 32) |
         static_cast<std::uint32_t>(parcela);
}

// The number a column that may be absent (-1) holds in a row, if it holds one. Numeric fields are
// read without making a value, and each once: no decoded column is made for this copy.
bool LeerNumero(const store::Cursor& c, std::uint32_t fila, int col, double& x) {
  if (col < 0) return false;
  if (c.numberOfRow(fila, col, x, true)) return !std::isnan(x);
  const store::Value v = c.valueOfRow(fila, col);
  if (!v.isNumber()) return false;
  x = v.number();
  return true;
}

// ORDER BY on one key: empty values first, then numbers by value.
int Comparar(bool hayA, double a, bool hayB, double b) {
  if (hayA != hayB) return hayA ? 1 : -1;
  if (!hayA || a == b) return 0;
  return a < b ? -1 : 1;
}

// The rows 0..n-1 stably ordered by clave(row): what a stable sort of the rows gives. The rows
// come grouped by plot in table order, so the runs of equal keys are sorted instead (stably, so
// runs of one key keep their table order), one entry per run instead of one per row.
template <class FClave>
std::vector<std::uint32_t> OrdenEstable(std::size_t n, FClave clave) {
  using Clave = decltype(clave(std::uint32_t{0}));
  struct Tramo {
    Clave clave;
    std::uint32_t desde, hasta;
  };
  std::vector<Tramo> tramos;
  for (std::uint32_t i = 0; i < n;) {
    const Clave k = clave(i);
    std::uint32_t j = i + 1;
    while (j < n && clave(j) == k) ++j;
    tramos.push_back({k, i, j});
    i = j;
  }
  std::stable_sort(tramos.begin(), tramos.end(),
                   [](const Tramo& a, const Tramo& b) { return a.clave < b.clave; });
  std::vector<std::uint32_t> orden;
  orden.reserve(n);
  for (const Tramo& t : tramos) {
    for (std::uint32_t i = t.desde; i < t.hasta; ++i) orden.push_back(i);
  }
  return orden;
}

}  // namespace

ArbolesCalculo::ArbolesCalculo(store::Database& salida, const EstadoAplicacion& estado) {
  store::Cursor c =
      salida.openCursor(NombreTabla(estado, TablaResultado::AIndiv), store::CursorKind::Snapshot);
  const int colProvincia = c.fieldIndex("PROVINCIA");
  const int colParcela = c.fieldIndex("PARCELA");
  const int colEspecie = c.fieldIndex("ESPECIE");
  const int colCodigo = c.fieldIndex("FACTOREXP");
  const int colCD = c.fieldIndex("CD");
  const int colDN = c.fieldIndex("DN");
  const int colSN = c.fieldIndex("SN");
  const int colAltura = c.fieldIndex("ALTURA");
  std::array<int, 4> colVolumen{-1, -1, -1, -1};
  for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
    if (VariableMarcada(estado, kVolumenes[v])) colVolumen[v] = c.fieldIndex(kVolumenes[v]);
    columnaVolumen_[v] = colVolumen[v] >= 0;
  }
  const bool corcho = estado.opciones.CalcularSDCH || estado.opciones.CalcularIDCH;
  const int colCN = corcho ? c.fieldIndex("CN") : -1;
  const int colLDCH = corcho ? c.fieldIndex("LDCH") : -1;
  const int colSDCH = corcho ? c.fieldIndex("SDCH") : -1;
  columnaSDCH_ = c.fieldIndex("SDCH") >= 0;

  // The rows in the cursor's order, then read in two halves at once (reading a row of a table
  // changes nothing shared), each tree into its own place. The numeric fields of a row are read
  // together; a table with a field of another kind is read field by field. An absent column or
  // an empty field reads as a NaN: the tree has no such value.
  std::vector<std::uint32_t> filas(static_cast<std::size_t>(c.recordCount()));
  for (std::size_t i = 0; i < filas.size(); ++i) filas[i] = c.rowIdAt(static_cast<std::int64_t>(i));
  arboles_.resize(filas.size());  // not zeroed here: each half sets its own trees
  const std::array<int, 15> columnas = {
      colProvincia,  colParcela,    colEspecie,    colCodigo,     colCD, colDN,   colSN,  colAltura,
      colVolumen[0], colVolumen[1], colVolumen[2], colVolumen[3], colCN, colLDCH, colSDCH};
  std::vector<int> leidas;  // the columns present, in that order
  for (int col : columnas) {
    if (col >= 0) leidas.push_back(col);
  }
  const auto leerFila = [&](std::uint32_t f, std::array<double, 15>& x) {
    x.fill(std::nan(""));
    std::array<double, 15> juntos{};
    if (c.numbersOfRow(f, leidas.data(), leidas.size(), juntos.data())) {
      for (std::size_t k = 0, j = 0; k < columnas.size(); ++k) {
        if (columnas[k] >= 0) x[k] = juntos[j++];
      }
      return;
    }
    for (std::size_t k = 0; k < columnas.size(); ++k) {
      double v = 0;
      if (LeerNumero(c, f, columnas[k], v)) x[k] = v;
    }
  };
  const auto leer = [&](std::size_t desde, std::size_t hasta) {
    std::array<double, 15> x{};
    const auto entero = [&](std::size_t k, std::int32_t& valor, bool& hay) {
      if (std::isnan(x[k])) return;
      valor = static_cast<std::int32_t>(x[k]);
      hay = true;
    };
    const auto simple = [&](std::size_t k, float& valor, bool& hay) {
      if (std::isnan(x[k])) return;
      valor = static_cast<float>(x[k]);
      hay = true;
    };
    for (std::size_t i = desde; i < hasta; ++i) {
      leerFila(filas[i], x);
      ArbolLeido& a = arboles_[i];
      a = ArbolLeido{};
      entero(0, a.provincia, a.conProvincia);
      entero(1, a.parcela, a.conParcela);
      entero(2, a.especie, a.conEspecie);
      if (x[3] == 1 || x[3] == 2 || x[3] == 3 || x[3] == 4)
        a.codigo = static_cast<std::uint8_t>(x[3]);
      simple(4, a.cd, a.conCD);
      simple(5, a.dn, a.conDN);
      simple(6, a.sn, a.conSN);
      simple(7, a.altura, a.conAltura);
      for (std::size_t v = 0; v < kVolumenes.size(); ++v)
        simple(8 + v, a.volumen[v], a.conVolumen[v]);
      simple(12, a.cn, a.conCN);
      simple(13, a.ldch, a.conLDCH);
      simple(14, a.sdch, a.conSDCH);
    }
  };
  store::EnDosMitades(filas.size(), leer);

  // The trees of each plot in each order. A tree without a province or plot number is never
  // found by a plot criterion.
  auto conClave = [&](std::uint32_t i) {
    return arboles_[i].conProvincia && arboles_[i].conParcela;
  };
  auto clave = [&](std::uint32_t i) {
    return ClaveParcela(arboles_[i].provincia, arboles_[i].parcela);
  };
  auto rangos = [&](const std::vector<std::uint32_t>& orden, Rangos& r) {
    for (std::uint32_t p = 0; p < orden.size();) {
      std::uint32_t q = p + 1;
      if (!conClave(orden[p])) {
        p = q;
        continue;
      }
      const std::uint64_t k = clave(orden[p]);
      while (q < orden.size() && conClave(orden[q]) && clave(orden[q]) == k) ++q;
      r.emplace(k, std::make_pair(p, q));
      p = q;
    }
  };
  // The two orders are built at once: each only reads the trees.
  store::EnParalelo(2, [&](std::size_t orden) {
    if (orden == 0) {
      // "ORDER BY Provincia, Parcela, DN" as the store orders a query: stable, an empty value
      // before any number. Ordered by plot first, then each plot's trees by DN, which is the
      // same stable order.
      const auto plot = [&](std::uint32_t i) {
        const ArbolLeido& a = arboles_[i];
        return std::make_tuple(a.conProvincia, a.conProvincia ? a.provincia : 0, a.conParcela,
                               a.conParcela ? a.parcela : 0);
      };
      ordenDN_ = OrdenEstable(arboles_.size(), plot);
      for (std::size_t p = 0; p < arboles_.size();) {
        std::size_t q = p + 1;
        while (q < arboles_.size() && plot(ordenDN_[q]) == plot(ordenDN_[p])) ++q;
        std::stable_sort(ordenDN_.begin() + static_cast<std::ptrdiff_t>(p),
                         ordenDN_.begin() + static_cast<std::ptrdiff_t>(q),
                         [&](std::uint32_t i, std::uint32_t j) {
                           const ArbolLeido& a = arboles_[i];
                           const ArbolLeido& b = arboles_[j];
                           return Comparar(a.conDN, a.dn, b.conDN, b.dn) < 0;
                         });
        p = q;
      }
      rangos(ordenDN_, rangosDN_);
    } else {
      tablaPorParcela_ = OrdenEstable(arboles_.size(), [&](std::uint32_t i) {
        return std::make_pair(conClave(i), conClave(i) ? clave(i) : std::uint64_t{0});
      });
      rangos(tablaPorParcela_, rangosTabla_);
    }
  });
}

GrupoArboles ArbolesCalculo::Todos(OrdenArboles orden) const {
  GrupoArboles g;
  g.reserve(arboles_.size());
  if (orden == OrdenArboles::ParcelaDN) {
    for (std::uint32_t i : ordenDN_) g.push_back(&arboles_[i]);
  } else {
    for (const ArbolLeido& a : arboles_) g.push_back(&a);
  }
  return g;
}

GrupoArboles ArbolesCalculo::DeParcela(OrdenArboles orden, std::int32_t provincia,
                                       std::int32_t parcela) const {
  const bool dn = orden == OrdenArboles::ParcelaDN;
  const Rangos& r = dn ? rangosDN_ : rangosTabla_;
  const std::vector<std::uint32_t>& posiciones = dn ? ordenDN_ : tablaPorParcela_;
  GrupoArboles g;
  auto it = r.find(ClaveParcela(provincia, parcela));
  if (it == r.end()) return g;
  g.reserve(it->second.second - it->second.first);
  for (std::uint32_t p = it->second.first; p < it->second.second; ++p) {
    g.push_back(&arboles_[posiciones[p]]);
  }
  return g;
}

GrupoArboles ArbolesCalculo::DeParcela(OrdenArboles orden, const EstadoAplicacion& estado,
                                       std::int32_t posicion) const {
  const auto& p = estado.ListaParcelas.entradas[static_cast<std::size_t>(posicion)];
  return DeParcela(orden, p.provincia, p.estadillo);
}

}  // namespace arbelio::calc
