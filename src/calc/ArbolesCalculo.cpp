#include "calc/ArbolesCalculo.h"

#include <algorithm>
#include <numeric>

#include "calc/TablasResultado.h"
#include "store/Cursor.h"
#include "store/Value.h"

namespace arbelio::calc {

namespace {

std::uint64_t ClaveParcela(std::int32_t provincia, std::int32_t parcela) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(provincia)) << 32) |
         static_cast<std::uint32_t>(parcela);
}

// Reads a column that may be absent (-1) into a float and its flag.
void LeerSimple(const store::Cursor& c, int col, float& valor, bool& hay) {
  if (col < 0) return;
  const store::Value v = c.value(col);
  if (!v.isNumber()) return;
  valor = static_cast<float>(v.number());
  hay = true;
}

void LeerEntero(const store::Cursor& c, int col, std::int32_t& valor, bool& hay) {
  if (col < 0) return;
  const store::Value v = c.value(col);
  if (!v.isNumber()) return;
  valor = static_cast<std::int32_t>(v.number());
  hay = true;
}

// ORDER BY on one key: empty values first, then numbers by value.
int Comparar(bool hayA, double a, bool hayB, double b) {
  if (hayA != hayB) return hayA ? 1 : -1;
  if (!hayA || a == b) return 0;
  return a < b ? -1 : 1;
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

  arboles_.reserve(static_cast<std::size_t>(c.recordCount()));
  for (; !c.eof(); c.moveNext()) {
    ArbolLeido a;
    LeerEntero(c, colProvincia, a.provincia, a.conProvincia);
    LeerEntero(c, colParcela, a.parcela, a.conParcela);
    LeerEntero(c, colEspecie, a.especie, a.conEspecie);
    if (colCodigo >= 0) {
      const store::Value k = c.value(colCodigo);
      if (k.isNumber()) {
        const double x = k.number();
        if (x == 1 || x == 2 || x == 3 || x == 4) a.codigo = static_cast<std::uint8_t>(x);
      }
    }
    LeerSimple(c, colCD, a.cd, a.conCD);
    LeerSimple(c, colDN, a.dn, a.conDN);
    LeerSimple(c, colSN, a.sn, a.conSN);
    LeerSimple(c, colAltura, a.altura, a.conAltura);
    for (std::size_t v = 0; v < kVolumenes.size(); ++v) {
      LeerSimple(c, colVolumen[v], a.volumen[v], a.conVolumen[v]);
    }
    LeerSimple(c, colCN, a.cn, a.conCN);
    LeerSimple(c, colLDCH, a.ldch, a.conLDCH);
    LeerSimple(c, colSDCH, a.sdch, a.conSDCH);
    arboles_.push_back(a);
  }

  // "ORDER BY Provincia, Parcela, DN": a stable sort, as the store orders a query.
  ordenDN_.resize(arboles_.size());
  std::iota(ordenDN_.begin(), ordenDN_.end(), 0u);
  std::stable_sort(ordenDN_.begin(), ordenDN_.end(), [&](std::uint32_t i, std::uint32_t j) {
    const ArbolLeido& a = arboles_[i];
    const ArbolLeido& b = arboles_[j];
    int r = Comparar(a.conProvincia, a.provincia, b.conProvincia, b.provincia);
    if (r == 0) r = Comparar(a.conParcela, a.parcela, b.conParcela, b.parcela);
    if (r == 0) r = Comparar(a.conDN, a.dn, b.conDN, b.dn);
    return r < 0;
  });

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
  rangos(ordenDN_, rangosDN_);
  tablaPorParcela_.resize(arboles_.size());
  std::iota(tablaPorParcela_.begin(), tablaPorParcela_.end(), 0u);
  std::stable_sort(tablaPorParcela_.begin(), tablaPorParcela_.end(),
                   [&](std::uint32_t i, std::uint32_t j) {
                     if (conClave(i) != conClave(j)) return !conClave(i);
                     return conClave(i) && clave(i) < clave(j);
                   });
  rangos(tablaPorParcela_, rangosTabla_);
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
