#include "cut/ListaParcelasCorte.h"

#include <algorithm>
#include <set>
#include <tuple>
#include <unordered_set>

#include "shell/FuenteCursor.h"

namespace arbelio::cut {

void AnadirParcela(inventory::ListaDeParcelas& lista, std::int16_t provincia,
                   std::int16_t estadillo) {
  if (lista.vacia()) {
    lista.entradas.resize(2);
    lista.entradas[1] = {provincia, estadillo};
    lista.numero = 1;
    return;
  }
  lista.entradas.resize(static_cast<std::size_t>(lista.numero) + 1);
  lista.entradas.push_back({provincia, estadillo});
  ++lista.numero;
}

std::vector<inventory::Parcela> ParcelasDeLista(const inventory::ListaDeParcelas& lista) {
  if (lista.vacia()) return {};
  return {lista.entradas.begin() + 1, lista.entradas.begin() + 1 + lista.numero};
}

void FijarParcelas(inventory::ListaDeParcelas& lista,
                   const std::vector<inventory::Parcela>& parcelas) {
  if (parcelas.empty()) {
    lista.vaciar();
    return;
  }
  lista.entradas.assign(1, inventory::Parcela{});
  lista.entradas.insert(lista.entradas.end(), parcelas.begin(), parcelas.end());
  lista.numero = static_cast<std::int32_t>(parcelas.size());
}

MarcasParcelas::MarcasParcelas(const inventory::ListaDeParcelas& lista)
    : marcas_(static_cast<std::size_t>(lista.numero) + 1, 0) {
  if (lista.vacia()) return;
  porParcela_.reserve(static_cast<std::size_t>(lista.numero));
  for (std::int32_t k = 1; k <= lista.numero; ++k)
    porParcela_[ClaveParcela(lista.entradas[static_cast<std::size_t>(k)])].posiciones.push_back(k);
}

void MarcasParcelas::MarcarParcela(std::int16_t provincia, std::int16_t estadillo) {
  const auto it = porParcela_.find(ClaveParcela(provincia, estadillo));
  if (it == porParcela_.end()) return;
  Entradas& e = it->second;
  if (e.siguiente >= e.posiciones.size()) return;
  marcas_[static_cast<std::size_t>(e.posiciones[e.siguiente++])] = 1;
  ++marcadas_;
}

void ConservarMarcadas(inventory::ListaDeParcelas& lista, const MarcasParcelas& marcas) {
  if (lista.vacia()) return;
  std::vector<inventory::Parcela> conservadas;
  conservadas.reserve(static_cast<std::size_t>(marcas.numeroMarcadas()));
  for (std::int32_t k = 1; k <= lista.numero; ++k)
    if (marcas.marcada(k)) conservadas.push_back(lista.entradas[static_cast<std::size_t>(k)]);
  FijarParcelas(lista, conservadas);
}

void EliminarRepetidas(inventory::ListaDeParcelas& lista) {
  if (lista.vacia() || lista.numero < 2) return;
  std::unordered_set<std::uint32_t> vistas;
  vistas.reserve(static_cast<std::size_t>(lista.numero));
  std::vector<inventory::Parcela> unicas;
  unicas.reserve(static_cast<std::size_t>(lista.numero));
  for (std::int32_t k = 1; k <= lista.numero; ++k) {
    const inventory::Parcela& p = lista.entradas[static_cast<std::size_t>(k)];
    if (vistas.insert(ClaveParcela(p)).second) unicas.push_back(p);
  }
  FijarParcelas(lista, unicas);
}

void OrdenarParcelas(inventory::ListaDeParcelas& lista) {
  if (lista.vacia()) return;
  std::stable_sort(lista.entradas.begin() + 1, lista.entradas.begin() + 1 + lista.numero,
                   [](const inventory::Parcela& a, const inventory::Parcela& b) {
                     return a.provincia != b.provincia ? a.provincia < b.provincia
                                                       : a.estadillo < b.estadillo;
                   });
}

bool QuitarParcela(EstadoCorte& corte, std::int16_t provincia, std::int16_t estadillo) {
  inventory::ListaDeParcelas& lista = corte.ListaParcelas;
  if (lista.vacia()) return false;
  const auto primera = lista.entradas.begin() + 1;
  const auto fin = primera + lista.numero;
  const auto it = std::find(primera, fin, inventory::Parcela{provincia, estadillo});
  if (it == fin) return false;
  corte.CorteRetocado = true;
  if (lista.numero == 1) {
    lista.vaciar();
    corte.NumeroParcelas = 0;
    return true;
  }
  std::move(it + 1, fin, it);
  --lista.numero;
  lista.entradas.resize(static_cast<std::size_t>(lista.numero) + 1);
  corte.NumeroParcelas = std::max(0, corte.NumeroParcelas - 1);
  return true;
}

void ExcluirPie(EstadoCorte& corte, std::int16_t provincia, std::int16_t estadillo,
                std::int16_t numorden) {
  corte.PiesExcluidos.push_back({provincia, estadillo, numorden});
  corte.CorteRetocado = true;
  if (corte.NumeroPies > 0) --corte.NumeroPies;
}

std::vector<std::uint32_t> FilasDelCorte(const EstadoCorte& corte, const store::Cursor& tabla,
                                         bool sinPiesExcluidos) {
  std::vector<std::vector<store::Value>> claves;
  for (const inventory::Parcela& p : ParcelasDeLista(corte.ListaParcelas))
    claves.push_back({store::Value(p.provincia), store::Value(p.estadillo)});
  std::vector<std::uint32_t> filas =
      shell::FilasPorClaves(tabla, {"PROVINCIA", "ESTADILLO"}, claves);
  if (!sinPiesExcluidos || corte.PiesExcluidos.empty()) return filas;
  std::set<std::tuple<double, double, double>> excluidos;
  for (const inventory::Pie& p : corte.PiesExcluidos)
    excluidos.insert({p.provincia, p.estadillo, p.numorden});
  const int cProv = tabla.fieldIndex("PROVINCIA");
  const int cEst = tabla.fieldIndex("ESTADILLO");
  const int cNum = tabla.fieldIndex("NUMORDEN");
  std::erase_if(filas, [&](std::uint32_t id) {
    const store::Value n = tabla.valueOfRow(id, cNum);
    const store::Value p = tabla.valueOfRow(id, cProv);
    const store::Value e = tabla.valueOfRow(id, cEst);
    if (n.isNull() || p.isNull() || e.isNull()) return false;
    return excluidos.count({p.toDouble(), e.toDouble(), n.toDouble()}) != 0;
  });
  return filas;
}

}  // namespace arbelio::cut
