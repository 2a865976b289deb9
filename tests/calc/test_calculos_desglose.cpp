// Per-plot breakdowns by diameter class, species, and class within species.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "BaseCalculos.h"
#include "calc/AcumuladorGrupo.h"
#include "calc/ArbolesCalculo.h"
#include "calc/CalculosDesglose.h"
#include "calc/CalculosResumen.h"
#include "calc/Dasometria.h"
#include "inventory/Constantes.h"

using namespace arbelio;
using arbelio::pruebas::Arbol;
using arbelio::pruebas::Fila;
using arbelio::pruebas::Num;
using arbelio::pruebas::Vacio;
using calc::TablaResultado;

namespace {

using inventory::kPi;

class Desglose : public pruebas::BaseCalculos {};

// Weighted mean of values v with weights w.
double Media(std::initializer_list<std::pair<double, double>> wv) {
  double s = 0, w = 0;
  for (auto [peso, valor] : wv) {
    s += peso * valor;
    w += peso;
  }
  return s / w;
}

TEST_F(Desglose, ClassByPlotSumsFactorsBasalAreaAndVolumes) {
  Parcelas({1, 2, 3});
  Arboles({
      {.parcela = 1, .codigo = 2, .cd = 15, .dn = 15, .altura = 12, .vcc = 100, .vsc = 80},
      {.parcela = 1, .codigo = 1, .cd = 10, .dn = 10, .altura = 9, .vcc = 30, .vsc = 20},
      {.parcela = 1, .especie = 45, .codigo = 3, .cd = 10, .dn = 11, .vsc = 25},
      {.parcela = 2, .codigo = 2, .cd = 20, .dn = 19, .altura = 14, .vcc = 120, .vsc = 90},
      {.parcela = 4, .codigo = 1, .cd = 10, .dn = 9, .altura = 7, .vcc = 5, .vsc = 4},
  });
  Crear(TablaResultado::Cd_par);
  calc::CalculosClaseDiametricaParcela(estado, ui, db);

  const auto filas = Leer(TablaResultado::Cd_par);
  // Plot 3 has no trees and plot 4 is not in the cut: rows only for plots 1 and 2.
  ASSERT_EQ(filas.size(), 3u);
  EXPECT_EQ(Num(filas[0], "PARCELA"), 1);
  EXPECT_EQ(Num(filas[0], "CD"), 10);
  EXPECT_EQ(Num(filas[1], "CD"), 15);
  EXPECT_EQ(Num(filas[2], "PARCELA"), 2);
  EXPECT_EQ(Num(filas[2], "PROVINCIA"), 47);

  // One code-2 tree of 15 cm: N is the code-2 factor and AB 225 / 400.
  EXPECT_EQ(Num(filas[1], "N"), Simple(f(2)));
  EXPECT_NEAR(Num(filas[1], "AB"), 225.0 / 400.0, 1e-5);
  EXPECT_EQ(Num(filas[1], "AB"), Simple(Redondeo(Seccion(15) * f(2) / 10000, 5)));
  EXPECT_EQ(Num(filas[1], "VCC"), Simple(100 * f(2) / 1000));
  EXPECT_EQ(Num(filas[1], "Dm"), 15);
  EXPECT_EQ(Num(filas[1], "Hm"), 12);

  // Codes 1 and 3 in one class: N is the sum of both factors. The code-3 tree lacks VCC, so
  // the class's VCC is empty while VSC is filled; Hm comes from the tree with a height.
  EXPECT_EQ(Num(filas[0], "N"), Simple(f(1) + f(3)));
  EXPECT_EQ(Num(filas[0], "AB"),
            Simple(Redondeo(Seccion(10) * f(1) / 10000 + Seccion(11) * f(3) / 10000, 5)));
  EXPECT_TRUE(Vacio(filas[0], "VCC"));
  EXPECT_FLOAT_EQ(Num(filas[0], "VSC"), Simple(20 * f(1) / 1000 + 25 * f(3) / 1000));
  EXPECT_FLOAT_EQ(Num(filas[0], "Dm"), Simple(Media({{f(1), 10}, {f(3), 11}})));
  EXPECT_EQ(Num(filas[0], "Hm"), 9);
}

// Group sums are kept in single precision, tree by tree, in the order of the pass's tree
// cursor: by plot and DN for Cd_par, table order for Cdsp_p. A basal-section sum of 2^24 does not
// grow by adding 1 in single precision, so the order shows in AB.
TEST_F(Desglose, SectionSumsAreSingleInTheCursorOrder) {
  Parcelas({1});
  std::vector<Arbol> arboles = {{.codigo = 1, .cd = 10, .dn = 12, .sn = 16777216.0f}};
  for (float dn : {8.0f, 8.5f, 9.0f, 9.5f}) {
    arboles.push_back({.codigo = 1, .cd = 10, .dn = dn, .sn = 1.0f});
  }
  Arboles(arboles);
  Crear(TablaResultado::Cd_par);
  Crear(TablaResultado::Cdsp_p);
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  calc::CalculosClaseEspecieParcela(estado, ui, db);

  float porDN = 0;  // thinnest first
  for (float s : {1.0f, 1.0f, 1.0f, 1.0f, 16777216.0f}) porDN += s;
  float porTabla = 0;
  for (float s : {16777216.0f, 1.0f, 1.0f, 1.0f, 1.0f}) porTabla += s;
  ASSERT_NE(porDN, porTabla);
  const auto cd = Leer(TablaResultado::Cd_par);
  const auto cdsp = Leer(TablaResultado::Cdsp_p);
  ASSERT_EQ(cd.size(), 1u);
  ASSERT_EQ(cdsp.size(), 1u);
  EXPECT_EQ(Num(cd[0], "AB"), Simple(Redondeo(porDN * f(1) / 10000, 5)));
  EXPECT_EQ(Num(cdsp[0], "AB"), Simple(Redondeo(porTabla * f(1) / 10000, 5)));
  EXPECT_EQ(Num(cd[0], "N"), Simple(5 * f(1)));
}

TEST_F(Desglose, SpeciesByPlotWithSharesOfTheParcelRow) {
  Parcelas({1, 2, 3});
  Arboles({
      {.parcela = 1, .codigo = 2, .cd = 15, .dn = 15, .altura = 12, .vcc = 100, .vsc = 80},
      {.parcela = 1, .codigo = 1, .cd = 10, .dn = 10, .altura = 9, .vcc = 30, .vsc = 20},
      {.parcela = 1, .especie = 45, .codigo = 3, .cd = 25, .dn = 24, .vsc = 50},
      {.parcela = 2, .codigo = 2, .cd = 15, .dn = 16, .altura = 13, .vcc = 10, .vsc = 5},
      {.parcela = 3, .codigo = 1, .cd = 10, .dn = 9, .altura = 6, .vcc = 1, .vsc = 1},
  });
  // Plot 2's basal area is 0 and plot 3 is missing from Parcel (3.5 is no plot 3); a second row
  // of plot 1 is not the one a find takes.
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 300.0f}, {"AB", 2.5f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 100.0f}, {"AB", 0.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 3.5}, {"N", 9.0f}, {"AB", 9.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 999.0f}, {"AB", 9.0f}}});
  Crear(TablaResultado::Sp_par);
  calc::CalculosEspecieParcela(estado, ui, db);

  const auto filas = Leer(TablaResultado::Sp_par);
  ASSERT_EQ(filas.size(), 3u);
  const Fila& a = filas[0];
  EXPECT_EQ(Num(a, "PARCELA"), 1);
  EXPECT_EQ(Num(a, "ESPECIE"), 21);
  const float N = Simple(f(2) + f(1));
  const float AB = Simple(Redondeo(Seccion(15) * f(2) / 10000 + Seccion(10) * f(1) / 10000, 5));
  EXPECT_EQ(Num(a, "N"), N);
  EXPECT_EQ(Num(a, "AB"), AB);
  EXPECT_FLOAT_EQ(Num(a, "NTP"), Simple(static_cast<double>(N) / 300 * 100));
  EXPECT_FLOAT_EQ(Num(a, "ABTP"), Simple(static_cast<double>(AB) / 2.5 * 100));
  EXPECT_FLOAT_EQ(Num(a, "Dg"), Simple(std::sqrt(40000.0 * AB / (kPi * N))));
  // The code-1 tree crosses 100 trees/ha and counts with the part that fits.
  const double resto = 100 - f(2);
  EXPECT_FLOAT_EQ(Num(a, "Ho"), Simple((f(2) * 12 + resto * 9) / 100));
  EXPECT_FLOAT_EQ(Num(a, "Do"), Simple((f(2) * 15 + resto * 10) / 100));
  EXPECT_FLOAT_EQ(Num(a, "Dm"), Simple(Media({{f(2), 15}, {f(1), 10}})));
  EXPECT_FLOAT_EQ(Num(a, "Hm"), Simple(Media({{f(2), 12}, {f(1), 9}})));
  EXPECT_FLOAT_EQ(Num(a, "VCC"), Simple(100 * f(2) / 1000 + 30 * f(1) / 1000));

  // Species 45 in plot 1: no heights (Hm and Ho 0) and no VCC (empty) but VSC.
  const Fila& b = filas[1];
  EXPECT_EQ(Num(b, "ESPECIE"), 45);
  EXPECT_EQ(Num(b, "Hm"), 0);
  EXPECT_EQ(Num(b, "Ho"), 0);
  EXPECT_EQ(Num(b, "Do"), 24);
  EXPECT_EQ(Num(b, "Dm"), 24);
  EXPECT_TRUE(Vacio(b, "VCC"));
  EXPECT_EQ(Num(b, "VSC"), Simple(50 * f(3) / 1000));

  // Plot 2: its AB in Parcel is 0, so ABTP stays empty; NTP is not rounded.
  const Fila& c = filas[2];
  EXPECT_EQ(Num(c, "PARCELA"), 2);
  EXPECT_TRUE(Vacio(c, "ABTP"));
  EXPECT_EQ(Num(c, "NTP"), Simple(static_cast<double>(Simple(f(2))) / 100 * 100));
}

TEST_F(Desglose, ClassAndSpeciesSharesOfTheSpeciesInThePlot) {
  Parcelas({1, 2});
  Arboles({
      {.parcela = 1, .codigo = 1, .cd = 10, .dn = 10, .altura = 8},
      {.parcela = 1, .codigo = 2, .cd = 15, .dn = 14, .altura = 11},
      {.parcela = 1, .codigo = 2, .cd = 20, .dn = 19, .altura = 13},
      {.parcela = 1, .codigo = 2, .cd = 20, .dn = 21, .altura = 15},
      {.parcela = 1, .especie = 45, .codigo = 1, .cd = 10, .dn = 9},
      {.parcela = 2, .codigo = 3, .cd = 25, .dn = 26, .altura = 17},
  });
  Crear(TablaResultado::Cdsp_p);
  calc::CalculosClaseEspecieParcela(estado, ui, db);

  const auto filas = Leer(TablaResultado::Cdsp_p);
  ASSERT_EQ(filas.size(), 5u);
  // Plot 1 by class then species: (10, 21), (10, 45), (15, 21), (20, 21); then plot 2.
  EXPECT_EQ(Num(filas[0], "CD"), 10);
  EXPECT_EQ(Num(filas[0], "ESPECIE"), 21);
  EXPECT_EQ(Num(filas[1], "ESPECIE"), 45);
  EXPECT_EQ(Num(filas[2], "CD"), 15);
  EXPECT_EQ(Num(filas[3], "CD"), 20);
  EXPECT_EQ(Num(filas[4], "PARCELA"), 2);

  const float n10 = Simple(f(1)), n15 = Simple(f(2)), n20 = Simple(2 * f(2));
  EXPECT_EQ(Num(filas[3], "N"), n20);
  const double total = static_cast<double>(n10) + n15 + n20;
  EXPECT_EQ(Num(filas[0], "NTP"), Simple(Redondeo(n10 * 100.0 / total, 2)));
  EXPECT_EQ(Num(filas[2], "NTP"), Simple(Redondeo(n15 * 100.0 / total, 2)));
  EXPECT_EQ(Num(filas[3], "NTP"), Simple(Redondeo(n20 * 100.0 / total, 2)));
  const double suma = Num(filas[0], "NTP") + Num(filas[2], "NTP") + Num(filas[3], "NTP");
  EXPECT_NEAR(suma, 100, 0.02);
  // A species alone in its class and plot has the whole share.
  EXPECT_EQ(Num(filas[1], "NTP"), 100);
  EXPECT_EQ(Num(filas[1], "ABTP"), 100);
  EXPECT_EQ(Num(filas[4], "NTP"), 100);

  const float ab20 = Simple(Redondeo((Seccion(19) + Seccion(21)) * f(2) / 10000, 5));
  EXPECT_EQ(Num(filas[3], "AB"), ab20);
  EXPECT_FLOAT_EQ(Num(filas[3], "Dg"), Simple(std::sqrt(40000.0 * ab20 / (kPi * n20))));
  EXPECT_EQ(Num(filas[3], "Dm"), 20);
  EXPECT_EQ(Num(filas[3], "Hm"), 14);
}

// A plot the cut lists twice has its rows twice, and each species' totals gather the rows of
// both listings: each listing then holds half of the share.
TEST_F(Desglose, SharesOfAPlotListedTwiceGatherBothListings) {
  Parcelas({1, 2, 1});
  Arboles({
      {.parcela = 1, .codigo = 1, .cd = 10, .dn = 10},
      {.parcela = 1, .codigo = 2, .cd = 15, .dn = 14},
      {.parcela = 2, .codigo = 3, .cd = 25, .dn = 26},
  });
  Crear(TablaResultado::Cdsp_p);
  calc::CalculosClaseEspecieParcela(estado, ui, db);
  const auto filas = Leer(TablaResultado::Cdsp_p);
  ASSERT_EQ(filas.size(), 5u);
  const double total = 2.0 * (static_cast<double>(Simple(f(1))) + Simple(f(2)));
  for (std::size_t i : {0u, 3u})
    EXPECT_EQ(Num(filas[i], "NTP"), Simple(Redondeo(Simple(f(1)) * 100.0 / total, 2))) << i;
  for (std::size_t i : {1u, 4u})
    EXPECT_EQ(Num(filas[i], "NTP"), Simple(Redondeo(Simple(f(2)) * 100.0 / total, 2))) << i;
  EXPECT_EQ(Num(filas[2], "NTP"), 100);  // plot 2, listed once
}

TEST_F(Desglose, ClassMarksOfANarrowWidthAreMatchedByValue) {
  // Marks of width 0.3 such as 10.2 and 0.45 have no exact binary form.
  estado.opciones.AnchoClase = 0.3f;
  Parcelas({1});
  Arboles({
      {.codigo = 1, .cd = 10.2f, .dn = 10.1f},
      {.codigo = 1, .cd = 10.2f, .dn = 10.2f},
      {.codigo = 1, .cd = 10.5f, .dn = 10.4f},
      {.especie = 45, .codigo = 1, .cd = 10.2f, .dn = 10.3f},
  });
  Crear(TablaResultado::Cd_par);
  Crear(TablaResultado::Cdsp_p);
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  calc::CalculosClaseEspecieParcela(estado, ui, db);
  const auto cd = Leer(TablaResultado::Cd_par);
  ASSERT_EQ(cd.size(), 2u);
  EXPECT_EQ(Num(cd[0], "CD"), 10.2f);
  EXPECT_EQ(Num(cd[0], "N"), Simple(3 * f(1)));
  EXPECT_FLOAT_EQ(Num(cd[0], "Dm"), Simple((10.1f + 10.2f + 10.3f) / 3.0));
  EXPECT_EQ(Num(cd[1], "N"), Simple(f(1)));
  const auto cdsp = Leer(TablaResultado::Cdsp_p);
  ASSERT_EQ(cdsp.size(), 3u);
  EXPECT_EQ(Num(cdsp[0], "N"), Simple(2 * f(1)));
  EXPECT_FLOAT_EQ(Num(cdsp[0], "Dm"), Simple((10.1f + 10.2f) / 2.0));
}

TEST_F(Desglose, ProgressShowsTheTreeCounter) {
  Parcelas({1, 2});
  Arboles({{.parcela = 1, .dn = 10}, {.parcela = 1, .dn = 11}, {.parcela = 2, .dn = 9}});
  Crear(TablaResultado::Cd_par);
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  ASSERT_GE(ui.progreso.size(), 2u);
  EXPECT_EQ(ui.progreso[0], "z:0");
  EXPECT_EQ(ui.progreso[1], "calculos:cálculos de clase diamétrica por parcela");
  EXPECT_EQ(ui.ultimaPosicion, "3");
  EXPECT_EQ(ui.ultimaBarra, 100);
  EXPECT_FALSE(ui.reloj);
  // The bar reached a third after the first tree.
  EXPECT_NE(std::find(ui.progreso.begin(), ui.progreso.end(), "barra:33"), ui.progreso.end());
}

TEST_F(Desglose, CancellingEndsTheSpeciesPassesAtTheNextPlot) {
  Parcelas({1, 2, 3});
  Arboles({{.parcela = 1, .dn = 10},
           {.parcela = 2, .dn = 10},
           {.parcela = 2, .especie = 45, .dn = 11},
           {.parcela = 3, .dn = 12}});
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 100.0f}, {"AB", 1.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 100.0f}, {"AB", 1.0f}},
                                 {{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 100.0f}, {"AB", 1.0f}}});
  Crear(TablaResultado::Sp_par);
  Crear(TablaResultado::Cdsp_p);
  Crear(TablaResultado::Cd_par);

  // Cancelar pressed while yielding before the second plot.
  ui.cancelarEnCeder = 1;
  calc::CalculosEspecieParcela(estado, ui, db);
  EXPECT_EQ(Leer(TablaResultado::Sp_par).size(), 1u);
  EXPECT_EQ(ui.progreso.back(), "ocultar");
  EXPECT_FALSE(ui.reloj);
  EXPECT_TRUE(estado.CalculoCancelado);  // cleared by the run, not by the pass

  // The class-and-species pass stops at its first plot; the shares are never filled.
  calc::CalculosClaseEspecieParcela(estado, ui, db);
  EXPECT_EQ(Leer(TablaResultado::Cdsp_p).size(), 0u);

  // The class-by-plot pass does not test the flag.
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  EXPECT_EQ(Leer(TablaResultado::Cd_par).size(), 3u);

  estado.CalculoCancelado = false;
  ui.cancelarEnCeder = ui.cesiones + 1;  // before the second plot again
  calc::CalculosClaseEspecieParcela(estado, ui, db);
  const auto filas = Leer(TablaResultado::Cdsp_p);
  ASSERT_EQ(filas.size(), 1u);
  EXPECT_TRUE(Vacio(filas[0], "NTP"));
}

// The means and dominant walks of the passes agree with the mean and dominant functions walking
// the ordered tree cursor, ties in DN and trees without height included; and a reading of AIndiv
// shared by the passes gives the same rows as each pass's own.
TEST_F(Desglose, MeansAgreeWithTheCursorWalks) {
  Parcelas({1, 2, 3});
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> dn10(75, 400), especie(0, 2), sinAltura(0, 4);
  std::vector<Arbol> arboles;
  for (int p = 1; p <= 3; ++p) {
    for (int k = 0; k < 40; ++k) {
      const float dn = static_cast<float>(dn10(rng) / 2 * 2) / 10.0f;  // many equal diameters
      const int codigo = dn < 12.5f ? 1 : dn < 22.5f ? 2 : dn < 42.5f ? 3 : 4;
      arboles.push_back({.parcela = p,
                         .especie = 21 + 10 * especie(rng),
                         .codigo = codigo,
                         .cd = calc::ClaseDiametrica(dn, 5),
                         .dn = dn,
                         .altura = sinAltura(rng) == 0 ? -1 : 5 + 0.37 * k,
                         .vcc = 10,
                         .vsc = 8});
    }
  }
  Arboles(arboles);
  Filas(TablaResultado::Parcel,
        {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 900.0f}, {"AB", 30.0f}},
         {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 900.0f}, {"AB", 30.0f}},
         {{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 900.0f}, {"AB", 30.0f}}});
  for (auto t : {TablaResultado::Cd_par, TablaResultado::Sp_par, TablaResultado::Cd_esp}) {
    Crear(t);
  }
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  calc::CalculosEspecieParcela(estado, ui, db);
  calc::CalculosClaseDiametricaEspecie(estado, ui, db);

  store::Cursor c = db.openCursor("SELECT * FROM [AIndivTs] ORDER BY Provincia, Parcela, DN");
  const auto sp = Leer(TablaResultado::Sp_par);
  ASSERT_EQ(sp.size(), 9u);
  for (const Fila& f : sp) {
    const auto i = static_cast<std::int32_t>(Num(f, "PARCELA"));
    const int e = static_cast<int>(Num(f, "ESPECIE"));
    EXPECT_EQ(Num(f, "Ho"), Simple(calc::AlturaDominante(c, estado, i, e)));
    EXPECT_EQ(Num(f, "Do"), Simple(calc::DiametroDominante(c, estado, i, e)));
    EXPECT_EQ(Num(f, "Dm"), Simple(calc::DiametroMedio(c, estado, i, e, 0)));
    EXPECT_EQ(Num(f, "Hm"), Simple(calc::AlturaMedia(c, estado, i, e, 0)));
  }
  for (const Fila& f : Leer(TablaResultado::Cd_par)) {
    const auto i = static_cast<std::int32_t>(Num(f, "PARCELA"));
    EXPECT_EQ(Num(f, "Dm"), Simple(calc::DiametroMedio(c, estado, i, 0, Num(f, "CD"))));
    EXPECT_EQ(Num(f, "Hm"), Simple(calc::AlturaMedia(c, estado, i, 0, Num(f, "CD"))));
  }
  const auto cdesp = Leer(TablaResultado::Cd_esp);
  for (const Fila& f : cdesp) {
    const int e = static_cast<int>(Num(f, "ESPECIE"));
    EXPECT_EQ(Num(f, "Dm"), Simple(calc::DiametroMedio(c, estado, 0, e, Num(f, "CD"))));
    EXPECT_EQ(Num(f, "Hm"), Simple(calc::AlturaMedia(c, estado, 0, e, Num(f, "CD"))));
  }

  // Again with one reading of AIndiv handed to every pass, into tables of another code whose
  // AIndiv is empty: the rows can only come from the shared reading.
  const calc::ArbolesCalculo compartidos(db, estado);
  const std::string propio = estado.SufijoTablas;
  estado.SufijoTablas = "Tt";
  Crear(TablaResultado::AIndiv);
  Crear(TablaResultado::Parcel);
  db.execute("INSERT INTO [ParcelTt] SELECT * FROM [Parcel" + propio + "]");
  for (auto t : {TablaResultado::Cd_par, TablaResultado::Sp_par, TablaResultado::Cd_esp}) {
    Crear(t);
  }
  calc::CalculosClaseDiametricaParcela(estado, ui, db, &compartidos);
  calc::CalculosEspecieParcela(estado, ui, db, &compartidos);
  calc::CalculosClaseDiametricaEspecie(estado, ui, db, &compartidos);
  EXPECT_EQ(Leer(TablaResultado::Sp_par), sp);
  EXPECT_EQ(Leer(TablaResultado::Cd_esp), cdesp);
}

TEST_F(Desglose, TreeOrdersAreTheStoresStableOrders) {
  // Plots interleaved in the table (not one run per plot), DN ties, and empty provinces, plots
  // and diameters: the in-memory orders must be the store's stable ORDER BY and table order.
  Parcelas({1, 2});
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> provincia(0, 1), parcela(0, 3), dn(0, 4);
  std::vector<Arbol> arboles;
  for (int k = 0; k < 90; ++k) {
    arboles.push_back({.parcela = std::array{1, 2, 3, 10}[static_cast<std::size_t>(parcela(rng))],
                       .dn = 10.0f + 5.0f * static_cast<float>(dn(rng)),
                       .provincia = provincia(rng) == 0 ? 5 : 47});
  }
  Arboles(arboles);
  const std::string tabla = "[AIndivTs]";
  {
    store::Cursor c = db.openCursor("AIndivTs");
    for (int k = 0; !c.eof(); c.moveNext(), ++k) {
      if (k % 7 != 3 && k % 13 != 5 && k % 17 != 8) continue;
      c.edit();
      if (k % 7 == 3) c.setValue("DN", store::Value());
      if (k % 13 == 5) c.setValue("PROVINCIA", store::Value());
      if (k % 17 == 8) c.setValue("PARCELA", store::Value());
      c.update();
    }
  }
  const calc::ArbolesCalculo leidos(db, estado);
  const calc::GrupoArboles todos = leidos.Todos(calc::OrdenArboles::Tabla);
  ASSERT_EQ(todos.size(), arboles.size());
  // A tree's NUMORDEN is its place in the table plus one.
  const auto numeros = [&](const calc::GrupoArboles& g) {
    std::vector<double> v;
    for (const calc::ArbolLeido* a : g) v.push_back(static_cast<double>(a - todos[0] + 1));
    return v;
  };
  const auto consulta = [&](const std::string& sql) {
    std::vector<double> v;
    for (store::Cursor c = db.openCursor(sql); !c.eof(); c.moveNext())
      v.push_back(c.value("NUMORDEN").number());
    return v;
  };
  EXPECT_EQ(numeros(leidos.Todos(calc::OrdenArboles::ParcelaDN)),
            consulta("SELECT * FROM " + tabla + " ORDER BY Provincia, Parcela, DN"));
  for (int p : {5, 47}) {
    for (int q : {1, 2, 3, 10}) {
      const std::string donde =
          " WHERE PROVINCIA=" + std::to_string(p) + " AND PARCELA=" + std::to_string(q);
      EXPECT_EQ(numeros(leidos.DeParcela(calc::OrdenArboles::ParcelaDN, p, q)),
                consulta("SELECT * FROM " + tabla + donde + " ORDER BY Provincia, Parcela, DN"));
      EXPECT_EQ(numeros(leidos.DeParcela(calc::OrdenArboles::Tabla, p, q)),
                consulta("SELECT * FROM " + tabla + donde));
    }
  }
}

TEST_F(Desglose, NoTreesNoRows) {
  Parcelas({1, 2});
  Arboles({});
  Filas(TablaResultado::Parcel, {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 0.0f}, {"AB", 0.0f}}});
  Crear(TablaResultado::Cd_par);
  Crear(TablaResultado::Sp_par);
  Crear(TablaResultado::Cdsp_p);
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  calc::CalculosEspecieParcela(estado, ui, db);
  calc::CalculosClaseEspecieParcela(estado, ui, db);
  EXPECT_TRUE(Leer(TablaResultado::Cd_par).empty());
  EXPECT_TRUE(Leer(TablaResultado::Sp_par).empty());
  EXPECT_TRUE(Leer(TablaResultado::Cdsp_p).empty());
}

}  // namespace

// Over thousands of plots the rows are computed a stretch of plots at a time in two halves at
// once: the rows, their order (the list's, here not by number), the progress and a Cancelar in
// the middle of a later stretch are those of a walk plot after plot.
TEST_F(Desglose, StretchesOfPlotsComputedApartGiveThePlotWalk) {
  constexpr int kParcelas = 5000;
  std::vector<int> lista;
  for (int p = kParcelas; p >= 1; --p) lista.push_back(p);
  Parcelas(lista);
  std::vector<Arbol> arboles;
  std::vector<Fila> parcel;
  for (int p = 1; p <= kParcelas; ++p) {
    // 1 to 3 trees: one class 10 tree, a class 15 tree in every second plot, a class 10 tree of
    // another species in every third.
    arboles.push_back({.parcela = p, .cd = 10, .dn = 10});
    if (p % 2 == 0) arboles.push_back({.parcela = p, .cd = 15, .dn = 16});
    if (p % 3 == 0) arboles.push_back({.parcela = p, .especie = 45, .cd = 10, .dn = 11});
    parcel.push_back({{"PROVINCIA", 47}, {"PARCELA", p}, {"N", 100.0f}, {"AB", 1.0f}});
  }
  Arboles(arboles);
  Filas(TablaResultado::Parcel, parcel);
  Crear(TablaResultado::Cd_par);
  Crear(TablaResultado::Sp_par);

  const std::size_t antes = ui.progreso.size();
  calc::CalculosClaseDiametricaParcela(estado, ui, db);
  const auto cd = Leer(TablaResultado::Cd_par);
  std::size_t k = 0;
  std::size_t contadores = 0;  // "z:" steps after the first: one per row
  for (std::size_t i = antes; i < ui.progreso.size(); ++i) {
    if (ui.progreso[i].rfind("z:", 0) == 0) ++contadores;
  }
  for (const int p : lista) {
    const int enClase10 = 1 + (p % 3 == 0 ? 1 : 0);
    ASSERT_LT(k, cd.size());
    EXPECT_EQ(Num(cd[k], "PARCELA"), p);
    EXPECT_EQ(Num(cd[k], "CD"), 10);
    EXPECT_EQ(Num(cd[k], "N"), Simple(enClase10 * f(1)));
    ++k;
    if (p % 2 == 0) {
      ASSERT_LT(k, cd.size());
      EXPECT_EQ(Num(cd[k], "PARCELA"), p);
      EXPECT_EQ(Num(cd[k], "CD"), 15);
      ++k;
    }
  }
  EXPECT_EQ(k, cd.size());
  EXPECT_EQ(contadores, cd.size() + 1);
  EXPECT_EQ(ui.ultimaPosicion, std::to_string(arboles.size()));
  EXPECT_EQ(ui.ultimaBarra, 100);

  // Species by plot yields before each plot: Cancelar pressed before the 3501st plot keeps the
  // rows of the first 3500 plots of the list, which end in the second half of the second stretch.
  ui.cancelarEnCeder = ui.cesiones + 3500;
  calc::CalculosEspecieParcela(estado, ui, db);
  const auto sp = Leer(TablaResultado::Sp_par);
  std::size_t esperadas = 0;
  for (std::size_t i = 0; i < 3500; ++i) esperadas += lista[i] % 3 == 0 ? 2 : 1;
  ASSERT_EQ(sp.size(), esperadas);
  EXPECT_EQ(Num(sp.back(), "PARCELA"), lista[3499]);
  EXPECT_TRUE(estado.CalculoCancelado);

  // Class and species by plot stores each stretch with its shares when it ends: Cancelar in the
  // second stretch leaves the rows of the plots before, all of them without shares.
  Crear(TablaResultado::Cdsp_p);
  estado.CalculoCancelado = false;
  ui.cancelarEnCeder = ui.cesiones + 3500;
  calc::CalculosClaseEspecieParcela(estado, ui, db);
  const auto cdsp = Leer(TablaResultado::Cdsp_p);
  std::size_t filasCdsp = 0;
  for (std::size_t i = 0; i < 3500; ++i)
    filasCdsp += 1 + (lista[i] % 2 == 0 ? 1 : 0) + (lista[i] % 3 == 0 ? 1 : 0);
  ASSERT_EQ(cdsp.size(), filasCdsp);
  EXPECT_EQ(Num(cdsp.back(), "PARCELA"), lista[3499]);
  for (const Fila& fila : cdsp) {
    ASSERT_TRUE(Vacio(fila, "NTP"));
    ASSERT_TRUE(Vacio(fila, "ABTP"));
  }
  EXPECT_TRUE(estado.CalculoCancelado);
}

// A pass's counter moved by groups of trees shows on the bar every percentage it shows moved
// tree by tree, in the same order, and the same positions: totals where halves round to the
// even percentage, groups that cross several percentages or the total, empty groups, and no
// trees at all.
TEST(ContadorPasada, GroupsOfTreesMoveTheBarAsTreeByTree) {
  std::mt19937 rng(7);
  for (const std::int32_t pies : {0, 1, 3, 7, 199, 200, 1000, 4096}) {
    SCOPED_TRACE(pies);
    for (int vuelta = 0; vuelta < 5; ++vuelta) {
      EstadoAplicacion estado;
      estado.NumeroPies = pies;
      std::vector<std::int64_t> grupos;
      for (std::int64_t total = 0; total < pies + 30;) {
        grupos.push_back(std::uniform_int_distribution<std::int64_t>(0, vuelta * 40 + 3)(rng));
        total += grupos.back();
      }
      shell::InteraccionGuionada porGrupos{estado}, porArbol{estado};
      {
        calc::detalle::ContadorPasada a(estado, porGrupos, "pasada");
        calc::detalle::ContadorPasada b(estado, porArbol, "pasada");
        for (const std::int64_t n : grupos) {
          a.Arboles(n);
          a.Fila();
          for (std::int64_t k = 0; k < n; ++k) b.Arbol();
          b.Fila();
        }
        EXPECT_EQ(a.arboles(), b.arboles());
      }
      EXPECT_EQ(porGrupos.progreso, porArbol.progreso);
      if (pies > 0) {
        EXPECT_EQ(porGrupos.ultimaBarra, 100);
      }
    }
  }
}
