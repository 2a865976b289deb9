#include "cut/ListaParcelasCorte.h"

#include <algorithm>
#include <unordered_set>

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

}  // namespace arbelio::cut
