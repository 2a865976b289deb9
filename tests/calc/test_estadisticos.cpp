// Sampling statistics of the cut: Student's t quantiles, the statistics of one variable, and the
// table Estadi built from Parcel and Sp_par (hand-computed cases).
#include <gtest/gtest.h>

#include <cmath>

#include "BaseCalculos.h"
#include "calc/EstadisticosMuestreo.h"

using namespace arbelio;
using arbelio::pruebas::Fila;
using arbelio::pruebas::Num;
using arbelio::pruebas::Vacio;
using calc::TablaResultado;

namespace {

TEST(CuantilStudent, KnownTableValues) {
  // Published 0.975 quantiles (six decimals), low and high degrees of freedom, odd and even
  // (the closed form differs), and both sides of the switch to the expansion.
  const std::pair<std::int64_t, double> conocidos[] = {
      {1, 12.706205},  {2, 4.302653},    {3, 3.182446},     {4, 2.776445},  {5, 2.570582},
      {10, 2.228139},  {29, 2.045230},   {30, 2.042272},    {60, 2.000298}, {120, 1.979930},
      {999, 1.962341}, {1001, 1.962337}, {100000, 1.959988}};
  for (const auto& [gl, t] : conocidos) {
    EXPECT_NEAR(calc::CuantilStudent975(gl), t, 5e-7) << gl;
  }
  // The exact form and the expansion agree where they meet.
  EXPECT_NEAR(calc::CuantilStudent975(1000), 1.962339, 5e-7);
  EXPECT_TRUE(std::isnan(calc::CuantilStudent975(0)));
}

TEST(EstadisticosVariable, HandComputedCases) {
  // 400, 200, 0, 600: mean 300, squared deviations 200000 over 3.
  const auto s = calc::CalculaEstadisticos({400, 200, 0, 600});
  EXPECT_EQ(s.n, 4);
  EXPECT_DOUBLE_EQ(*s.media, 300);
  const double sd = std::sqrt(200000.0 / 3), se = sd / 2;
  EXPECT_DOUBLE_EQ(*s.desviacion, sd);
  EXPECT_DOUBLE_EQ(*s.errorTipico, se);
  EXPECT_DOUBLE_EQ(*s.errorRelativo, 100 * se / 300);
  EXPECT_NEAR(*s.limiteInferior, 300 - 3.182446305 * se, 1e-6);
  EXPECT_NEAR(*s.limiteSuperior, 300 + 3.182446305 * se, 1e-6);

  // One value: a mean, nothing else.
  const auto uno = calc::CalculaEstadisticos({7.5});
  EXPECT_EQ(uno.n, 1);
  EXPECT_DOUBLE_EQ(*uno.media, 7.5);
  EXPECT_FALSE(uno.desviacion || uno.errorTipico || uno.errorRelativo || uno.limiteInferior ||
               uno.limiteSuperior);

  // A mean of 0: no relative error, the interval collapses to 0.
  const auto ceros = calc::CalculaEstadisticos({0, 0, 0});
  EXPECT_DOUBLE_EQ(*ceros.media, 0);
  EXPECT_DOUBLE_EQ(*ceros.errorTipico, 0);
  EXPECT_FALSE(ceros.errorRelativo);
  EXPECT_DOUBLE_EQ(*ceros.limiteInferior, 0);
  EXPECT_DOUBLE_EQ(*ceros.limiteSuperior, 0);

  // No value at all.
  const auto nada = calc::CalculaEstadisticos({});
  EXPECT_EQ(nada.n, 0);
  EXPECT_FALSE(nada.media);

  // Large values close together: the two-pass deviation keeps its digits.
  const auto cerca = calc::CalculaEstadisticos({1e8 + 1, 1e8 + 2, 1e8 + 3});
  EXPECT_DOUBLE_EQ(*cerca.desviacion, 1);
}

class Estadisticos : public pruebas::BaseCalculos {
 protected:
  std::vector<Fila> Tabla() {
    std::vector<Fila> filas;
    store::Cursor c = db.openCursor(calc::NombreTablaEstadisticos(estado));
    for (; !c.eof(); c.moveNext()) {
      Fila f;
      for (int i = 0; i < c.fieldCount(); ++i) f[c.fieldName(i)] = c.value(i);
      filas.push_back(std::move(f));
    }
    return filas;
  }
  static std::string Variable(const Fila& f) {
    std::string v = f.at("VARIABLE").text();
    while (!v.empty() && v.back() == ' ') v.pop_back();
    return v;
  }
  static void Espera(const Fila& f, double media, double sd, int n, double t) {
    SCOPED_TRACE(Variable(f));
    EXPECT_EQ(f.at("NPARCELAS").number(), n);
    EXPECT_FLOAT_EQ(Num(f, "MEDIA"), static_cast<float>(media));
    EXPECT_FLOAT_EQ(Num(f, "DESVIACIO"), static_cast<float>(sd));
    const double se = sd / std::sqrt(n);
    EXPECT_FLOAT_EQ(Num(f, "ERRORTIP"), static_cast<float>(se));
    EXPECT_FLOAT_EQ(Num(f, "ERRORREL"), static_cast<float>(100 * se / media));
    EXPECT_NEAR(Num(f, "LIMINF"), media - t * se, 1e-4 * std::max(1.0, std::abs(media)));
    EXPECT_NEAR(Num(f, "LIMSUP"), media + t * se, 1e-4 * std::max(1.0, std::abs(media)));
  }
};

TEST_F(Estadisticos, PlotsWithoutTreesCountZeroEmptyVolumesAreLeftOut) {
  // Plot 3 has no trees; plot 2's VCC is empty (a tree without equation).
  Filas(
      TablaResultado::Parcel,
      {{{"PROVINCIA", 47},
        {"PARCELA", 1},
        {"N", 400.0f},
        {"AB", 10.0f},
        {"VCC", 100.0f},
        {"VSC", 80.0f}},
       {{"PROVINCIA", 47}, {"PARCELA", 2}, {"N", 200.0f}, {"AB", 6.0f}, {"VSC", 40.0f}},
       {{"PROVINCIA", 47}, {"PARCELA", 3}, {"N", 0.0f}, {"AB", 0.0f}, {"VCC", 0.0f}, {"VSC", 0.0f}},
       {{"PROVINCIA", 47},
        {"PARCELA", 4},
        {"N", 600.0f},
        {"AB", 14.0f},
        {"VCC", 50.0f},
        {"VSC", 60.0f}}});
  // Species 21 in plots 1 and 2 (its VCC empty in plot 2), species 45 in plots 1 and 4; a row
  // of a plot outside the cut is not part of the sample.
  Filas(TablaResultado::Sp_par, {{{"PROVINCIA", 47},
                                  {"PARCELA", 1},
                                  {"ESPECIE", 21},
                                  {"N", 300.0f},
                                  {"AB", 7.0f},
                                  {"VCC", 70.0f},
                                  {"VSC", 55.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 1},
                                  {"ESPECIE", 45},
                                  {"N", 100.0f},
                                  {"AB", 3.0f},
                                  {"VCC", 30.0f},
                                  {"VSC", 25.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 2},
                                  {"ESPECIE", 21},
                                  {"N", 200.0f},
                                  {"AB", 6.0f},
                                  {"VSC", 40.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 9},
                                  {"ESPECIE", 21},
                                  {"N", 900.0f},
                                  {"AB", 9.0f},
                                  {"VCC", 9.0f},
                                  {"VSC", 9.0f}},
                                 {{"PROVINCIA", 47},
                                  {"PARCELA", 4},
                                  {"ESPECIE", 45},
                                  {"N", 600.0f},
                                  {"AB", 14.0f},
                                  {"VCC", 50.0f},
                                  {"VSC", 60.0f}}});
  calc::CalculosEstadisticos(estado, ui, db);
  const auto filas = Tabla();
  std::vector<std::string> variables;
  for (const auto& f : filas) variables.push_back(Variable(f));
  EXPECT_EQ(variables, (std::vector<std::string>{"N", "AB", "VCC", "VSC", "N 21", "AB 21", "VCC 21",
                                                 "VSC 21", "N 45", "AB 45", "VCC 45", "VSC 45"}));
  ASSERT_EQ(filas.size(), 12u);
  const double t3 = 3.182446305, t2 = 4.302652730;
  Espera(filas[0], 300, std::sqrt(200000.0 / 3), 4, t3);
  // AB: 10, 6, 0, 14; mean 7.5; squares 6.25 + 2.25 + 56.25 + 42.25 = 107.
  Espera(filas[1], 7.5, std::sqrt(107.0 / 3), 4, t3);
  // VCC: plot 2 left out; 100, 0, 50: mean 50, squares 2500 + 2500 + 0.
  Espera(filas[2], 50, std::sqrt(5000.0 / 2), 3, t2);
  // VSC: 80, 40, 0, 60: mean 45, squares 1225 + 25 + 2025 + 225 = 3500.
  Espera(filas[3], 45, std::sqrt(3500.0 / 3), 4, t3);
  // N 21: 300, 200, 0, 0 (plots 3 and 4 without it): mean 125; squares 30625 + 5625 + 2 * 15625.
  Espera(filas[4], 125, std::sqrt(67500.0 / 3), 4, t3);
  // VCC 21: 70, (left out), 0, 0: mean 70/3.
  {
    const double m = 70.0 / 3;
    Espera(filas[6], m, std::sqrt(((70 - m) * (70 - m) + 2 * m * m) / 2), 3, t2);
  }
  // N 45: 100, 0, 0, 600: mean 175; squares 5625 + 2 * 30625 + 180625 = 247500.
  Espera(filas[8], 175, std::sqrt(247500.0 / 3), 4, t3);
}

TEST_F(Estadisticos, OnePlotWithoutTreesAndAnEmptyVolume) {
  // n = 1, a mean of 0, no species table: a mean and nothing else; VCC has no value at all.
  Filas(TablaResultado::Parcel,
        {{{"PROVINCIA", 47}, {"PARCELA", 1}, {"N", 0.0f}, {"AB", 0.0f}, {"VSC", 0.0f}}});
  calc::CalculosEstadisticos(estado, ui, db);
  const auto filas = Tabla();
  ASSERT_EQ(filas.size(), 4u);
  for (std::size_t i : {0u, 1u, 3u}) {
    EXPECT_EQ(filas[i].at("NPARCELAS").number(), 1) << i;
    EXPECT_EQ(Num(filas[i], "MEDIA"), 0) << i;
    for (const char* c : {"DESVIACIO", "ERRORTIP", "ERRORREL", "LIMINF", "LIMSUP"})
      EXPECT_TRUE(Vacio(filas[i], c)) << i << " " << c;
  }
  EXPECT_EQ(Variable(filas[2]), "VCC");
  EXPECT_EQ(filas[2].at("NPARCELAS").number(), 0);
  for (const char* c : {"MEDIA", "DESVIACIO", "ERRORTIP", "ERRORREL", "LIMINF", "LIMSUP"})
    EXPECT_TRUE(Vacio(filas[2], c)) << c;
}

}  // namespace
