// Whole-cut summaries: Totals, Specie, Cldiam and Cd_esp.
#include <gtest/gtest.h>

#include <cmath>

#include "BaseCalculos.h"
#include "calc/CalculosResumen.h"
#include "inventory/Constantes.h"

using namespace arbelio;
using arbelio::pruebas::Arbol;
using arbelio::pruebas::Fila;
using arbelio::pruebas::Num;
using arbelio::pruebas::Vacio;
using calc::TablaResultado;

namespace {

class Resumen : public pruebas::BaseCalculos {
 protected:
  // Parcel rows of plots 1 and 2 (with trees) and 3 (none: N = 0).
  void ParcelasConYSinArboles() {
    Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47},
                                    {"PARCELA", 1},
                                    {"N", 513.25f},
                                    {"AB", 15.7f},
                                    {"Dg", 20.0f},
                                    {"Dm", 18.5f},
                                    {"Do", 25.0f},
                                    {"Hm", 12.1f},
                                    {"Ho", 15.0f},
                                    {"VCC", 100.3f},
                                    {"VSC", 80.0f},
                                    {"HART", 30.0f},
                                    {"REINEKE", 500.0f}},
                                   {{"PROVINCIA", 47},
                                    {"PARCELA", 2},
                                    {"N", 301.75f},
                                    {"AB", 21.2f},
                                    {"Dg", 30.0f},
                                    {"Dm", 28.0f},
                                    {"Do", 33.0f},
                                    {"Hm", 14.0f},
                                    {"Ho", 17.0f},
                                    {"VSC", 60.0f},
                                    {"HART", 20.0f},
                                    {"REINEKE", 400.0f}},
                                   {{"PROVINCIA", 47},
                                    {"PARCELA", 3},
                                    {"N", 0.0f},
                                    {"AB", 0.0f},
                                    {"Dg", 0.0f},
                                    {"Dm", 0.0f},
                                    {"Do", 0.0f},
                                    {"Hm", 0.0f},
                                    {"Ho", 0.0f},
                                    {"VCC", 0.0f},
                                    {"VSC", 0.0f},
                                    {"HART", 0.0f},
                                    {"REINEKE", 0.0f}}});
  }
  static float Promedio(float a, float b) {
    return Simple((static_cast<double>(a) + static_cast<double>(b)) / 2);
  }
};

TEST_F(Resumen, TotalsAverageThePlotsWithTrees) {
  ParcelasConYSinArboles();
  Crear(TablaResultado::Totals);
  calc::CalculosTotales(estado, ui, db);
  const auto filas = Leer(TablaResultado::Totals);
  ASSERT_EQ(filas.size(), 1u);
  const Fila& t = filas[0];
  // The plot with N = 0 is left out; so is a plot with an empty value from that column's mean.
  EXPECT_EQ(Num(t, "N"), Promedio(513.25f, 301.75f));
  EXPECT_EQ(Num(t, "AB"), Promedio(15.7f, 21.2f));
  EXPECT_EQ(Num(t, "Dg"), 25);
  EXPECT_EQ(Num(t, "Dm"), Promedio(18.5f, 28.0f));
  EXPECT_EQ(Num(t, "Do"), 29);
  EXPECT_EQ(Num(t, "Hm"), Promedio(12.1f, 14.0f));
  EXPECT_EQ(Num(t, "Ho"), 16);
  EXPECT_EQ(Num(t, "VCC"), 100.3f);
  EXPECT_EQ(Num(t, "VSC"), 70);
  EXPECT_EQ(ui.progreso[1], "calculos:cálculos del total de la masa");
}

TEST_F(Resumen, TotalsOfACutWithoutTreesAreEmpty) {
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 0.0f}}});
  Crear(TablaResultado::Totals);
  calc::CalculosTotales(estado, ui, db);
  const auto filas = Leer(TablaResultado::Totals);
  ASSERT_EQ(filas.size(), 1u);
  for (const char* c : {"N", "AB", "Dg", "Dm", "Do", "Hm", "Ho", "VCC", "VSC"}) {
    EXPECT_TRUE(Vacio(filas[0], c)) << c;
  }
}

TEST_F(Resumen, SpeciesMeansDivideByThePlotsWithTrees) {
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 400.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 600.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 0.0f}}});
  Filas(TablaResultado::Totals, {{{"N", 500.0f}, {"AB", 30.0f}}});
  Filas(TablaResultado::Sp_par, {{{"PROVINCIA", 47},
                                  {"PARCELA", 1},
                                  {"ESPECIE", 45},
                                  {"N", 200.0f},
                                  {"AB", 6.0f},
                                  {"Dg", 20.0f},
                                  {"Dm", 19.0f},
                                  {"Do", 22.0f},
                                  {"Hm", 10.0f},
                                  {"Ho", 12.0f},
                                  {"VCC", 30.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 1},
                                  {"ESPECIE", 21},
                                  {"N", 200.0f},
                                  {"AB", 10.0f},
                                  {"Dg", 25.0f},
                                  {"Dm", 24.0f},
                                  {"Do", 30.0f},
                                  {"Hm", 15.0f},
                                  {"Ho", 18.0f},
                                  {"VCC", 50.0f},
                                  {"VSC", 40.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 2},
                                  {"ESPECIE", 45},
                                  {"N", 600.0f},
                                  {"AB", 14.0f},
                                  {"Dg", 30.0f},
                                  {"Dm", 27.0f},
                                  {"Do", 35.0f},
                                  {"Hm", 12.0f},
                                  {"Ho", 16.0f},
                                  {"VCC", 70.0f},
                                  {"VSC", 55.0f}}});
  Crear(TablaResultado::Specie);
  calc::CalculosEspecie(estado, ui, db);

  const auto filas = Leer(TablaResultado::Specie);
  ASSERT_EQ(filas.size(), 2u);
  // Species 21 only in the first of two plots with trees, N 200 there: N 100, and 20 % of the
  // cut's 500.
  const Fila& a = filas[0];
  EXPECT_EQ(Num(a, "ESPECIE"), 21);
  EXPECT_EQ(Num(a, "N"), 100);
  EXPECT_EQ(Num(a, "NTP"), 20);
  EXPECT_EQ(Num(a, "AB"), 5);
  EXPECT_EQ(Num(a, "ABTP"), 16.67f);
  EXPECT_EQ(Num(a, "Dg"), 25);
  EXPECT_EQ(Num(a, "VCC"), 25);
  EXPECT_EQ(Num(a, "VSC"), 20);
  EXPECT_EQ(Num(a, "Ho"), 18);
  // Species 45: Dg 20 and 30 give 25 (a plain mean); the VSC empty in one plot is left out of
  // the sum, which is still divided by both plots.
  const Fila& b = filas[1];
  EXPECT_EQ(Num(b, "ESPECIE"), 45);
  EXPECT_EQ(Num(b, "N"), 400);
  EXPECT_EQ(Num(b, "NTP"), 80);
  EXPECT_EQ(Num(b, "AB"), 10);
  EXPECT_EQ(Num(b, "ABTP"), 33.33f);
  EXPECT_EQ(Num(b, "Dg"), 25);
  EXPECT_EQ(Num(b, "Dm"), 23);
  EXPECT_EQ(Num(b, "Do"), 28.5f);
  EXPECT_EQ(Num(b, "Hm"), 11);
  EXPECT_EQ(Num(b, "Ho"), 14);
  EXPECT_EQ(Num(b, "VCC"), 50);
  EXPECT_EQ(Num(b, "VSC"), 27.5f);
  EXPECT_EQ(ui.progreso[1], "calculos:cálculos de especie");
}

TEST_F(Resumen, SpeciesSharesComeFromTheDividedValuesAsStored) {
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 1.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 1.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 1.0f}}});
  Filas(TablaResultado::Totals, {{{"N", 300.0f}, {"AB", 7.0f}}});
  Filas(TablaResultado::Sp_par,
        {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"ESPECIE", 21}, {"N", 127.32395f}, {"AB", 1.1f}},
         {{"PROVINCIA", 47}, {"PARCELA", 2}, {"ESPECIE", 21}, {"N", 31.830988f}, {"AB", 2.3f}}});
  Crear(TablaResultado::Specie);
  calc::CalculosEspecie(estado, ui, db);
  const auto filas = Leer(TablaResultado::Specie);
  ASSERT_EQ(filas.size(), 1u);
  const float suma = Simple(static_cast<double>(127.32395f) + 31.830988f);
  const float N = Simple(suma / 3.0);
  EXPECT_EQ(Num(filas[0], "N"), N);
  EXPECT_EQ(Num(filas[0], "NTP"), Simple(Redondeo(N * 100.0 / 300, 2)));
  const float AB = Simple(Simple(static_cast<double>(1.1f) + 2.3f) / 3.0);
  EXPECT_EQ(Num(filas[0], "AB"), AB);
  EXPECT_EQ(Num(filas[0], "ABTP"), Simple(Redondeo(AB * 100.0 / 7.0f, 2)));
}

TEST_F(Resumen, ClassMeansDivideByThePlotsWithTrees) {
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 400.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 200.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 0.0f}}});
  Filas(TablaResultado::Totals, {{{"N", 300.0f}, {"AB", 3.6f}}});
  Filas(TablaResultado::Cd_par, {{{"PROVINCIA", 47},
                                  {"PARCELA", 1},
                                  {"CD", 15.0f},
                                  {"N", 100.0f},
                                  {"AB", 2.0f},
                                  {"Dm", 14.0f},
                                  {"Hm", 11.0f},
                                  {"VCC", 30.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 1},
                                  {"CD", 10.0f},
                                  {"N", 300.0f},
                                  {"AB", 3.0f},
                                  {"Dm", 9.5f},
                                  {"Hm", 8.0f},
                                  {"VCC", 20.0f},
                                  {"VSC", 15.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 2},
                                  {"CD", 10.0f},
                                  {"N", 200.0f},
                                  {"AB", 2.25f},
                                  {"Dm", 10.5f},
                                  {"Hm", 9.0f},
                                  {"VCC", 10.0f},
                                  {"VSC", 8.0f}}});
  Crear(TablaResultado::Cldiam);
  calc::CalculosClaseDiametrica(estado, ui, db);
  const auto filas = Leer(TablaResultado::Cldiam);
  ASSERT_EQ(filas.size(), 2u);
  const Fila& a = filas[0];
  EXPECT_EQ(Num(a, "CD"), 10);
  EXPECT_EQ(Num(a, "N"), 250);
  EXPECT_EQ(Num(a, "NTP"), 83.33f);
  EXPECT_EQ(Num(a, "AB"), 2.625f);
  EXPECT_EQ(Num(a, "ABTP"), Simple(Redondeo(2.625 * 100 / static_cast<double>(3.6f), 2)));
  EXPECT_EQ(Num(a, "Dm"), 10);
  EXPECT_EQ(Num(a, "Hm"), 8.5f);
  EXPECT_EQ(Num(a, "VCC"), 15);
  EXPECT_EQ(Num(a, "VSC"), 11.5f);
  const Fila& b = filas[1];
  EXPECT_EQ(Num(b, "CD"), 15);
  EXPECT_EQ(Num(b, "N"), 50);
  EXPECT_EQ(Num(b, "NTP"), 16.67f);
  EXPECT_EQ(Num(b, "AB"), 1);
  EXPECT_EQ(Num(b, "VCC"), 15);
  EXPECT_TRUE(Vacio(b, "VSC"));
  EXPECT_EQ(ui.progreso[1], "calculos:cálculos de clase diamétrica");
}

TEST_F(Resumen, SpeciesAndClassOverTheCutAreTotals) {
  Parcelas({1, 2, 3});
  // Species 21, class 10: one, two and three code-1 trees in plots 1, 2 and 3.
  Arboles({
      {.parcela = 1, .codigo = 1, .cd = 10, .dn = 10, .altura = 8, .vcc = 20, .vsc = 15},
      {.parcela = 1, .codigo = 2, .cd = 15, .dn = 15, .altura = 12, .vcc = 90, .vsc = 70},
      {.parcela = 2, .codigo = 1, .cd = 10, .dn = 9, .altura = 7, .vcc = 18, .vsc = 13},
      {.parcela = 2, .codigo = 1, .cd = 10, .dn = 11, .vsc = 16},
      {.parcela = 2,
       .especie = 45,
       .codigo = 1,
       .cd = 10,
       .dn = 8,
       .altura = 6,
       .vcc = 9,
       .vsc = 7},
      {.parcela = 3, .codigo = 1, .cd = 10, .dn = 12, .altura = 10, .vcc = 25, .vsc = 19},
      {.parcela = 3, .codigo = 1, .cd = 10, .dn = 8, .altura = 6, .vcc = 10, .vsc = 8},
      {.parcela = 3, .codigo = 1, .cd = 10, .dn = 10, .altura = 9, .vcc = 21, .vsc = 17},
  });
  Crear(TablaResultado::Cd_esp);
  calc::CalculosClaseDiametricaEspecie(estado, ui, db);
  const auto filas = Leer(TablaResultado::Cd_esp);
  ASSERT_EQ(filas.size(), 3u);

  const Fila& a = filas[0];
  EXPECT_EQ(Num(a, "ESPECIE"), 21);
  EXPECT_EQ(Num(a, "CD"), 10);
  const float N = Simple(6 * f(1));
  EXPECT_EQ(Num(a, "N"), N);  // a total over the cut, not a mean
  // Sections summed in single precision by plot and DN.
  float s = 0;
  for (float dn : {10.0f, 9.0f, 11.0f, 8.0f, 10.0f, 12.0f}) s += Seccion(dn);
  const float AB = Simple(Redondeo(s * f(1) / 10000, 5));
  EXPECT_EQ(Num(a, "AB"), AB);
  EXPECT_FLOAT_EQ(Num(a, "Dg"),
                  Simple(std::sqrt(40000.0 * AB / (inventory::kPi * static_cast<double>(N)))));
  EXPECT_FLOAT_EQ(Num(a, "Dm"), Simple((10.0 + 9 + 11 + 12 + 8 + 10) / 6));
  EXPECT_FLOAT_EQ(Num(a, "Hm"), Simple((8.0 + 7 + 10 + 6 + 9) / 5));
  EXPECT_TRUE(Vacio(a, "VCC"));  // one tree lacks it
  EXPECT_FLOAT_EQ(Num(a, "VSC"), Simple((15.0f + 13 + 16 + 19 + 8 + 17) * f(1) / 1000));
  const float N15 = Simple(f(2));
  EXPECT_EQ(Num(a, "NTP"), Simple(Redondeo(N * 100.0 / (static_cast<double>(N) + N15), 2)));
  EXPECT_EQ(Num(filas[1], "CD"), 15);
  EXPECT_EQ(Num(filas[1], "NTP"),
            Simple(Redondeo(N15 * 100.0 / (static_cast<double>(N) + N15), 2)));
  EXPECT_NEAR(Num(a, "NTP") + Num(filas[1], "NTP"), 100, 0.011);
  EXPECT_EQ(Num(filas[2], "ESPECIE"), 45);
  EXPECT_EQ(Num(filas[2], "NTP"), 100);
  EXPECT_EQ(Num(filas[2], "ABTP"), 100);
  EXPECT_EQ(ui.ultimaPosicion, "8");
}

// A group's sums follow its trees in the order of the tree cursor (plot, then DN) even when its
// trees are grouped in pieces: one large section in plot 1, then a hundred sections each below
// half a unit in the last place of the running sum in plot 2, which one walk drops one by one
// and a sum that began with some of them would keep.
TEST_F(Resumen, ClassBySpeciesSumsInTheOrderOfTheTrees) {
  Parcelas({1, 2});
  std::vector<Arbol> arboles = {{.parcela = 1, .cd = 10, .dn = 300, .sn = 70000.5f}};
  for (int i = 0; i < 100; ++i) arboles.push_back({.parcela = 2, .cd = 10, .dn = 1, .sn = 0.003f});
  Arboles(arboles);
  Crear(TablaResultado::Cd_esp);
  calc::CalculosClaseDiametricaEspecie(estado, ui, db);
  const auto filas = Leer(TablaResultado::Cd_esp);
  ASSERT_EQ(filas.size(), 1u);
  float s = 0;
  for (const Arbol& a : arboles) s += a.sn;
  EXPECT_EQ(s, 70000.5f);  // each small section lost
  EXPECT_EQ(Num(filas[0], "N"), Simple(101 * f(1)));
  EXPECT_EQ(Num(filas[0], "AB"), Simple(Redondeo(s * f(1) / 10000, 5)));
}

TEST_F(Resumen, SharesStayEmptyWithoutTheCutsTotals) {
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 1.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 1.0f}}});
  Filas(TablaResultado::Totals, {{{"N", 100.0f}, {"AB", 0.0f}}});
  Filas(TablaResultado::Cd_par,
        {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"CD", 10.0f}, {"N", 60.0f}, {"AB", 0.5f}}});
  Crear(TablaResultado::Cldiam);
  calc::CalculosClaseDiametrica(estado, ui, db);
  const auto filas = Leer(TablaResultado::Cldiam);
  ASSERT_EQ(filas.size(), 1u);
  EXPECT_EQ(Num(filas[0], "N"), 30);
  EXPECT_EQ(Num(filas[0], "NTP"), 30);
  EXPECT_EQ(Num(filas[0], "AB"), 0.25f);
  EXPECT_TRUE(Vacio(filas[0], "ABTP"));  // the cut's AB is 0
}

TEST_F(Resumen, CancellingTheSpeciesPassLeavesUndividedRows) {
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 1.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 1.0f}}});
  Filas(TablaResultado::Totals, {{{"N", 100.0f}, {"AB", 1.0f}}});
  Filas(TablaResultado::Sp_par,
        {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"ESPECIE", 21}, {"N", 60.0f}, {"AB", 0.5f}},
         {{"PROVINCIA", 47}, {"PARCELA", 2}, {"ESPECIE", 45}, {"N", 40.0f}, {"AB", 0.5f}}});
  Crear(TablaResultado::Specie);
  ui.cancelarEnCeder = 3;  // before the second row of the second sweep
  calc::CalculosEspecie(estado, ui, db);
  const auto filas = Leer(TablaResultado::Specie);
  ASSERT_EQ(filas.size(), 2u);
  EXPECT_EQ(Num(filas[0], "N"), 30);
  EXPECT_EQ(Num(filas[0], "NTP"), 30);
  EXPECT_EQ(Num(filas[1], "N"), 40);
  EXPECT_TRUE(Vacio(filas[1], "NTP"));
  EXPECT_FALSE(ui.reloj);
}

}  // namespace
