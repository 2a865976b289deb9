// The plot list operations of the cut: adding, marking, keeping the marked entries, removing
// repeats and ordering.
#include <gtest/gtest.h>

#include "cut/ListaParcelasCorte.h"

namespace arbelio::cut {
namespace {

using inventory::ListaDeParcelas;
using inventory::Parcela;

ListaDeParcelas Lista(const std::vector<Parcela>& p) {
  ListaDeParcelas l;
  for (const Parcela& x : p) AnadirParcela(l, x.provincia, x.estadillo);
  return l;
}

TEST(ListaParcelasCorte, AnadirEscribeLaPrimeraEntradaYLuegoCreceSinComprobarRepetidas) {
  ListaDeParcelas l;
  AnadirParcela(l, 47, 12);
  EXPECT_EQ(l.numero, 1);
  EXPECT_EQ(l.entradas[1], (Parcela{47, 12}));
  AnadirParcela(l, 47, 12);
  AnadirParcela(l, 9, 3);
  EXPECT_EQ(l.numero, 3);
  EXPECT_EQ(ParcelasDeLista(l), (std::vector<Parcela>{{47, 12}, {47, 12}, {9, 3}}));
}

TEST(ListaParcelasCorte, ListasDeMasDe32767Entradas) {
  ListaDeParcelas l;
  for (int i = 0; i < 40000; ++i)
    AnadirParcela(l, static_cast<std::int16_t>(1 + i / 30000),
                  static_cast<std::int16_t>(i % 30000));
  EXPECT_EQ(l.numero, 40000);
  MarcasParcelas m(l);
  m.MarcarParcela(2, 9999);
  ConservarMarcadas(l, m);
  EXPECT_EQ(ParcelasDeLista(l), (std::vector<Parcela>{{2, 9999}}));
}

TEST(ListaParcelasCorte, MarcarMarcaLaPrimeraEntradaSinMarcarYConservarDejaLasMarcadas) {
  ListaDeParcelas l = Lista({{47, 1}, {47, 2}, {47, 1}, {9, 5}});
  MarcasParcelas m(l);
  m.MarcarParcela(47, 1);
  EXPECT_TRUE(m.marcada(1));
  EXPECT_FALSE(m.marcada(3));
  m.MarcarParcela(47, 1);  // the list holds it twice: the second entry is marked now
  EXPECT_TRUE(m.marcada(3));
  m.MarcarParcela(47, 1);  // a third delivery changes nothing
  m.MarcarParcela(1, 1);   // not in the list
  m.MarcarParcela(9, 5);
  EXPECT_EQ(m.numeroMarcadas(), 3);
  ConservarMarcadas(l, m);
  EXPECT_EQ(ParcelasDeLista(l), (std::vector<Parcela>{{47, 1}, {47, 1}, {9, 5}}));
}

TEST(ListaParcelasCorte, UnaParcelaNumeroCeroNoQuedaMarcadaSinMarcarla) {
  // Marks are flags: plot number 0 is not "marked" by its sign.
  ListaDeParcelas l = Lista({{47, 0}, {47, 3}});
  MarcasParcelas m(l);
  m.MarcarParcela(47, 3);
  ConservarMarcadas(l, m);
  EXPECT_EQ(ParcelasDeLista(l), (std::vector<Parcela>{{47, 3}}));

  ListaDeParcelas l2 = Lista({{47, 0}, {47, 3}});
  MarcasParcelas m2(l2);
  m2.MarcarParcela(47, 0);
  ConservarMarcadas(l2, m2);
  EXPECT_EQ(ParcelasDeLista(l2), (std::vector<Parcela>{{47, 0}}));
}

TEST(ListaParcelasCorte, SinMarcasLaListaQuedaVacia) {
  ListaDeParcelas l = Lista({{47, 1}, {47, 2}});
  ConservarMarcadas(l, MarcasParcelas(l));
  EXPECT_TRUE(l.vacia());
  EXPECT_EQ(l.numero, 1);
  ListaDeParcelas vacia;
  MarcasParcelas m(vacia);
  m.MarcarParcela(0, 0);  // the empty list's (0, 0) slot is not a plot
  ConservarMarcadas(vacia, m);
  EXPECT_TRUE(vacia.vacia());
}

TEST(ListaParcelasCorte, EliminarRepetidasYOrdenar) {
  ListaDeParcelas l = Lista({{2, 5}, {1, 9}, {2, 1}, {2, 5}, {1, 9}, {2, 5}});
  EliminarRepetidas(l);
  EXPECT_EQ(l.numero, 3);
  OrdenarParcelas(l);
  EXPECT_EQ(ParcelasDeLista(l), (std::vector<Parcela>{{1, 9}, {2, 1}, {2, 5}}));

  ListaDeParcelas una = Lista({{3, 3}});
  EliminarRepetidas(una);
  EXPECT_EQ(una.numero, 1);
  ListaDeParcelas vacia;
  EliminarRepetidas(vacia);
  OrdenarParcelas(vacia);
  EXPECT_TRUE(vacia.vacia());
}

TEST(ListaParcelasCorte, OrdenarComparaProvinciaAntesQueParcela) {
  ListaDeParcelas l = Lista({{9, 1}, {47, 0}, {9, 30000}, {8, 32767}});
  OrdenarParcelas(l);
  EXPECT_EQ(ParcelasDeLista(l), (std::vector<Parcela>{{8, 32767}, {9, 1}, {9, 30000}, {47, 0}}));
}

}  // namespace
}  // namespace arbelio::cut
