// The inventory's equations on the installed demonstration database (build/EcuacionesKAV.sqlite,
// written from data/Cubicacion.csv): the five-part key per form, the species refinement, the
// model formulas and the cache.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "equations/EcuacionesKAV.h"
#include "store/StoreError.h"

using namespace arbelio::equations;

namespace {

ArbolParaEcuacion Arbol(int especie, int forma, std::string paramesp = "",
                        std::optional<double> dn = 20.0, std::optional<double> altura = 15.0,
                        std::optional<double> vcc = std::nullopt) {
  ArbolParaEcuacion a;
  a.provincia = 47;
  a.especie = especie;
  a.forma = forma;
  a.paramesp = std::move(paramesp);
  a.dn = dn;
  a.altura = altura;
  a.vcc = vcc;
  return a;
}

class EcuacionesKAVTest : public ::testing::Test {
 protected:
  EcuacionesKAV kav = AbrirEcuacionesKAV(ARBELIO_PROGRAM_DIR);
};

}  // namespace

TEST(EcuacionesKAV, RefinamientoDeLaEspecie) {
  EXPECT_EQ(EspecieParaEcuacion(26, ""), "26");
  EXPECT_EQ(EspecieParaEcuacion(26, "   "), "26");
  EXPECT_EQ(EspecieParaEcuacion(26, "1"), "26R");
  EXPECT_EQ(EspecieParaEcuacion(26, " 3"), "26R");
  EXPECT_EQ(EspecieParaEcuacion(46, "125"), "46d");
  EXPECT_EQ(EspecieParaEcuacion(46, "230"), "46D");
  EXPECT_EQ(EspecieParaEcuacion(46, "325"), "46");
  EXPECT_EQ(EspecieParaEcuacion(46, ""), "46");
  EXPECT_EQ(EspecieParaEcuacion(46, " 25"), "46");
  EXPECT_EQ(EspecieParaEcuacion(21, "1"), "21");
}

TEST(EcuacionesKAV, ModeloUnoDaSesentaDecimetrosCubicos) {
  // a = 0, b = 1/10000, DN = 20 cm (d = 200 mm), HT = 15 m: 200^2 * 15 / 10000.
  const EcuacionInventario e{1, 0.0, 1.0 / 10000, 0.0};
  const auto v = EvaluarModeloKAV(e, 200.0, 15.0, std::nullopt);
  ASSERT_TRUE(v);
  EXPECT_NEAR(*v, 60.0, 1e-12);
}

TEST(EcuacionesKAV, FormulasDeLosModelos) {
  const double d = 250, h = 12, V = 300;
  const EcuacionInventario m7{7, -0.5, 0.84, -2e-6}, m8{8, 0.3, 0.03, -1e-6}, m10{10, 0, 0.04, 0},
      m11{11, 0.0009, 1.85, 0.95}, m12{12, 5e-5, 2, 0};
  EXPECT_DOUBLE_EQ(*EvaluarModeloKAV(m7, d, h, V), -0.5 + 0.84 * V + -2e-6 * V * V);
  EXPECT_DOUBLE_EQ(*EvaluarModeloKAV(m8, d, h, V), 0.3 + 0.03 * V + -1e-6 * V * V);
  EXPECT_DOUBLE_EQ(*EvaluarModeloKAV(m10, d, h, V), 0.04 * V);
  EXPECT_DOUBLE_EQ(*EvaluarModeloKAV(m11, d, h, V), 0.0009 * std::pow(d, 1.85) * std::pow(h, 0.95));
  EXPECT_DOUBLE_EQ(*EvaluarModeloKAV(m12, d, h, V), 5e-5 * d * d);
  // Models without a formula give nothing.
  for (int m : {2, 3, 4, 5, 6, 9, 13}) {
    EXPECT_FALSE(EvaluarModeloKAV({m, 1, 1, 1}, d, h, V)) << m;
  }
  // A value the model needs and the tree lacks.
  EXPECT_FALSE(EvaluarModeloKAV({1, 0, 1, 0}, d, std::nullopt, V));
  EXPECT_FALSE(EvaluarModeloKAV(m7, d, h, std::nullopt));
  EXPECT_TRUE(EvaluarModeloKAV(m12, d, std::nullopt, std::nullopt));
  // An evaluation error (0 raised to a negative power) gives nothing.
  EXPECT_FALSE(EvaluarModeloKAV({12, 1, -1, 0}, 0.0, h, V));
}

TEST_F(EcuacionesKAVTest, CadaFormaPorSuIndice) {
  for (int forma = 1; forma <= 6; ++forma) {
    const auto e = kav.Buscar(forma, 47, "21", "VCC");
    ASSERT_TRUE(e) << forma;
    EXPECT_EQ(e->modelo, 1);
    EXPECT_DOUBLE_EQ(e->a, -2);
    EXPECT_DOUBLE_EQ(e->b, forma <= 3 ? 0.000369137 : 0.000332223) << forma;
  }
  EXPECT_FALSE(kav.Buscar(0, 47, "21", "VCC"));
  EXPECT_FALSE(kav.Buscar(7, 47, "21", "VCC"));
}

TEST_F(EcuacionesKAVTest, VolumenDeUnPino) {
  // d = 200 mm, h = 15 m.
  const auto v = kav.VolumenKAV(Arbol(21, 2), "VCC");
  ASSERT_TRUE(v);
  EXPECT_NEAR(*v, -2 + 0.000369137 * 200 * 200 * 15, 1e-9);
  const auto v5 = kav.VolumenKAV(Arbol(21, 5), "VCC");
  ASSERT_TRUE(v5);
  EXPECT_NEAR(*v5, -2 + 0.000332223 * 200 * 200 * 15, 1e-9);
  // VSC (model 7) from the tree's VCC.
  const auto vsc = kav.VolumenKAV(Arbol(21, 2, "", 20.0, 15.0, 100.0), "VSC");
  ASSERT_TRUE(vsc);
  EXPECT_NEAR(*vsc, -0.5 + 0.84 * 100 - 2e-6 * 100 * 100, 1e-9);
}

TEST_F(EcuacionesKAVTest, PinoResinado26R) {
  const auto comun = kav.VolumenKAV(Arbol(26, 1, ""), "VCC");
  const auto blanco = kav.VolumenKAV(Arbol(26, 1, "   "), "VCC");
  const auto resinado = kav.VolumenKAV(Arbol(26, 1, "1"), "VCC");
  ASSERT_TRUE(comun && blanco && resinado);
  EXPECT_NEAR(*comun, -2 + 0.000353429 * 600000, 1e-9);
  EXPECT_EQ(*blanco, *comun);
  EXPECT_NEAR(*resinado, -2 + 0.000345575 * 600000, 1e-9);
}

TEST_F(EcuacionesKAVTest, Alcornoque46dY46DSonEcuacionesDistintas) {
  const double V = 100;
  const auto d = kav.VolumenKAV(Arbol(46, 3, "125", 30.0, 10.0, V), "VSC");
  const auto D = kav.VolumenKAV(Arbol(46, 3, "225", 30.0, 10.0, V), "VSC");
  const auto sin = kav.VolumenKAV(Arbol(46, 3, "", 30.0, 10.0, V), "VSC");
  ASSERT_TRUE(d && D && sin);
  EXPECT_NEAR(*d, -0.5 + 0.88 * V - 2e-6 * V * V, 1e-9);
  EXPECT_NEAR(*D, -0.5 + 0.80 * V - 2e-6 * V * V, 1e-9);
  EXPECT_NEAR(*sin, -0.5 + 0.70 * V - 2e-6 * V * V, 1e-9);
  // The exact comparison of species texts: only "46d" and "46D" exist, not "46 d".
  EXPECT_FALSE(kav.Buscar(3, 47, "46 d", "VSC"));
}

TEST_F(EcuacionesKAVTest, ModelosOnceYDoce) {
  // Cork oak 46d: VCC by model 11, IAVC by model 12; d = 300 mm, h = 10 m.
  const auto vcc = kav.VolumenKAV(Arbol(46, 4, "125", 30.0, 10.0), "VCC");
  ASSERT_TRUE(vcc);
  EXPECT_NEAR(*vcc, 0.000696725 * std::pow(300.0, 1.85) * std::pow(10.0, 0.95), 1e-9);
  const auto iavc = kav.VolumenKAV(Arbol(46, 4, "125", 30.0, std::nullopt), "IAVC");
  ASSERT_TRUE(iavc);
  EXPECT_NEAR(*iavc, 4.53332e-05 * 300.0 * 300.0, 1e-9);
}

TEST_F(EcuacionesKAVTest, SinEcuacionNoHayValor) {
  EXPECT_FALSE(kav.VolumenKAV(Arbol(99, 1), "VCC"));  // species without equations
  auto fuera = Arbol(21, 1);
  fuera.provincia = 51;
  EXPECT_FALSE(kav.VolumenKAV(fuera, "VCC"));         // province without equations
  EXPECT_FALSE(kav.VolumenKAV(Arbol(21, 0), "VCC"));  // form 0
  auto sinForma = Arbol(21, 1);
  sinForma.forma.reset();
  EXPECT_FALSE(kav.VolumenKAV(sinForma, "VCC"));
  EXPECT_FALSE(kav.VolumenKAV(Arbol(21, 1), "COR"));  // variable without equations
  EXPECT_FALSE(kav.VolumenKAV(Arbol(21, 1, "", 20.0, std::nullopt), "VCC"));  // no height
  EXPECT_FALSE(kav.VolumenKAV(Arbol(21, 1, "", std::nullopt), "VCC"));        // no DN
  EXPECT_FALSE(kav.VolumenKAV(Arbol(21, 1), "VSC"));                          // no VCC for model 7
}

TEST_F(EcuacionesKAVTest, CadaClaveSeBuscaUnaVez) {
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(kav.VolumenKAV(Arbol(21, 1, "", 20.0 + i, 15.0), "VCC"));
    ASSERT_TRUE(kav.VolumenKAV(Arbol(21, 2, "", 20.0 + i, 15.0), "VCC"));
    EXPECT_FALSE(kav.VolumenKAV(Arbol(99, 2), "VCC"));
  }
  EXPECT_EQ(kav.busquedas(), 3);
  kav.Cerrar();
  EXPECT_FALSE(kav.abierta());
  EXPECT_FALSE(kav.VolumenKAV(Arbol(21, 1), "VCC"));
}

// A copy for another thread gives what the original gives, the two used at once, each with a
// cache of its own (the copy seeks its keys again); a closed copy leaves the original open.
TEST_F(EcuacionesKAVTest, UnaCopiaSeUsaEnOtroHiloConSuPropiaCache) {
  std::vector<ArbolParaEcuacion> arboles;
  for (int especie : {21, 26, 46, 99})
    for (int forma = 1; forma <= 6; ++forma)
      for (const char* p : {"", "1", "125", "230"})
        arboles.push_back(Arbol(especie, forma, p, 10.0 + forma + especie / 10.0, 8.0 + forma));
  const char* variables[] = {"VCC", "VSC", "IAVC", "VLE"};
  const auto todos = [&](EcuacionesKAV& k) {
    std::vector<std::optional<double>> r;
    for (int vuelta = 0; vuelta < 20; ++vuelta)
      for (const char* v : variables)
        for (const auto& a : arboles) r.push_back(k.VolumenKAV(a, v));
    return r;
  };
  const auto esperado = todos(kav);
  const std::int64_t buscadas = kav.busquedas();
  ASSERT_GT(buscadas, 20);
  EcuacionesKAV copia = kav.Copia();
  std::vector<std::optional<double>> deLaCopia, delOriginal;
  std::thread otro([&] { deLaCopia = todos(copia); });
  delOriginal = todos(kav);
  otro.join();
  EXPECT_EQ(deLaCopia, esperado);
  EXPECT_EQ(delOriginal, esperado);
  EXPECT_EQ(copia.busquedas(), buscadas);
  EXPECT_EQ(kav.busquedas(), buscadas);
  copia.Cerrar();
  EXPECT_EQ(kav.VolumenKAV(arboles.front(), "VCC"), esperado.front());
}

TEST(EcuacionesKAV, ArgumentosComoTextoDeUnaLlamada) {
  EcuacionesKAV directo = AbrirEcuacionesKAV(ARBELIO_PROGRAM_DIR);
  OpcionesEcuacionesKAV o;
  o.argumentosComoTexto = true;
  EcuacionesKAV texto = AbrirEcuacionesKAV(ARBELIO_PROGRAM_DIR, o);
  const double dn = static_cast<float>(12.35);  // a single field read as double
  const double h = static_cast<float>(9.3);
  const auto a = directo.VolumenKAV(Arbol(21, 1, "", dn, h), "VCC");
  const auto b = texto.VolumenKAV(Arbol(21, 1, "", dn, h), "VCC");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, -2 + 0.000369137 * std::pow(10.0 * dn, 2) * h);
  EXPECT_EQ(*b, -2 + 0.000369137 * std::pow(123.5, 2) * 9.3);
  EXPECT_NE(*a, *b);
}

TEST(EcuacionesKAV, AbrirSinBaseFalla) {
  EXPECT_THROW(AbrirEcuacionesKAV("/nonexistent-arbelio-folder"), arbelio::store::StoreError);
}

TEST(EcuacionesKAV, ModelosParaElEditor) {
  const auto textos = CargarComboModelos(ARBELIO_PROGRAM_DIR);
  ASSERT_EQ(textos.size(), 11u);
  EXPECT_EQ(textos.front(), "a+b*DN^2*HT");
  for (const auto& t : textos) EXPECT_NE(t, "a+b*VCC+c*VCC^2");  // model 7 is not offered
  EXPECT_TRUE(CargarComboModelos("/nonexistent-arbelio-folder").empty());
}
