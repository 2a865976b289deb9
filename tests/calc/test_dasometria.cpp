// Dasometric functions: the dominant walks, means, indices and diameter classes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "../comun/CarpetaTemporal.h"
#include "calc/Dasometria.h"
#include "calc/TablasResultado.h"
#include "shell/EspacioTrabajo.h"
#include "store/Database.h"

using namespace arbelio;
using arbelio::calc::ClaseDiametrica;

namespace {

struct Arbol {
  int parcela, especie, codigo;
  float dn;
  double altura;  // < 0: empty
};

class DasometriaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    estado.FactoresExpansion = shell::FactoresExpansionIniciales();
    estado.SufijoTablas = "Qx";
    estado.ListaParcelas.entradas = {{}, {47, 1}, {47, 2}, {47, 3}};
    estado.ListaParcelas.numero = 3;
    db = store::Database::open(dir.ruta());
    calc::CrearTablaResultado(db, estado, calc::TablaResultado::AIndiv);
  }
  void TearDown() override { db.close(); }

  void anadir(const std::vector<Arbol>& arboles) {
    store::Cursor c = db.openCursor("AIndivQx");
    int n = 0;
    for (const auto& a : arboles) {
      c.addNew();
      c.setValue("PROVINCIA", 47);
      c.setValue("PARCELA", a.parcela);
      c.setValue("NUMORDEN", ++n);
      c.setValue("ESPECIE", a.especie);
      c.setValue("FACTOREXP", a.codigo);
      c.setValue("DN", a.dn);
      c.setValue("CD", ClaseDiametrica(a.dn, 5));
      if (a.altura >= 0) c.setValue("ALTURA", a.altura);
      c.update();
    }
  }

  store::Cursor ordenado() {
    return db.openCursor("SELECT * FROM [AIndivQx] ORDER BY Provincia, Parcela, DN");
  }

  double f(int k) const { return estado.FactoresExpansion[static_cast<std::size_t>(k)]; }

  pruebas::CarpetaTemporal dir;
  EstadoAplicacion estado;
  store::Database db;
};

TEST_F(DasometriaTest, DominantHeightTakesPartOfTheTreeThatCrosses100) {
  // Plot 1: three code-2 trees (95.49 trees/ha) then a thinner code-3 tree that crosses 100.
  anadir({{1, 21, 2, 20.0f, 15},
          {1, 21, 2, 21.0f, 16},
          {1, 21, 2, 22.0f, 17},
          {1, 21, 3, 19.0f, 12},
          {1, 21, 1, 10.0f, 8}});
  store::Cursor c = ordenado();
  const double resto = 100 - 3.0 * f(2);
  const double esperado = (f(2) * (15 + 16 + 17) + resto * 12) / (3.0 * f(2) + resto);
  EXPECT_NEAR(calc::AlturaDominante(c, estado, 1, 0), esperado, 1e-9);
  const double dn = (f(2) * (20.0 + 21 + 22) + resto * 19) / 100.0;
  EXPECT_NEAR(calc::DiametroDominante(c, estado, 1, 0), dn, 1e-5);
}

TEST_F(DasometriaTest, ThickestTreeWithoutHeightStillUsesItsFactor) {
  // Plot 2: a code-4 tree without height, then code-1 trees: 5.09 + 127.32 crosses 100 at the
  // second tree, which counts with weight 100 - 5.09.
  anadir({{2, 45, 4, 50.0f, -1}, {2, 45, 1, 11.0f, 9}, {2, 45, 1, 10.0f, 7}});
  store::Cursor c = ordenado();
  EXPECT_NEAR(calc::AlturaDominante(c, estado, 2, 0), 9.0, 1e-9);
  // Fewer than 100 trees/ha in species 21 of plot 3: the mean of all of them.
  anadir({{3, 21, 4, 45.0f, 20}, {3, 21, 4, 50.0f, 22}, {3, 44, 1, 9.0f, 5}});
  store::Cursor d = ordenado();
  EXPECT_NEAR(calc::AlturaDominante(d, estado, 3, 21), 21.0, 1e-9);
  EXPECT_NEAR(calc::DiametroDominante(d, estado, 3, 21), 47.5, 1e-9);
  EXPECT_EQ(calc::AlturaDominante(d, estado, 3, 99), 0);
}

TEST_F(DasometriaTest, MeansWeightByFactorAndFilterBySpeciesAndClass) {
  anadir(
      {{1, 21, 2, 20.0f, 15}, {1, 21, 1, 10.0f, 8}, {1, 45, 2, 14.0f, -1}, {2, 21, 3, 30.0f, 18}});
  store::Cursor c = ordenado();
  EXPECT_NEAR(calc::AlturaMedia(c, estado, 1, 0, 0), (f(2) * 15 + f(1) * 8) / (f(2) + f(1)), 1e-9);
  EXPECT_NEAR(calc::DiametroMedio(c, estado, 1, 0, 0),
              (f(2) * 20.0 + f(1) * 10 + f(2) * 14) / (2 * f(2) + f(1)), 1e-5);
  EXPECT_NEAR(calc::AlturaMedia(c, estado, 0, 21, 20), (f(2) * 15) / f(2), 1e-9);
  EXPECT_NEAR(calc::AlturaMedia(c, estado, 0, 21, 0),
              (f(2) * 15 + f(1) * 8 + f(3) * 18) / (f(2) + f(1) + f(3)), 1e-9);
  EXPECT_EQ(calc::AlturaMedia(c, estado, 1, 45, 0), 0);  // no tree with height
  EXPECT_EQ(calc::CriterioArboles(estado, 2, 21, 12.5f),
            "PROVINCIA=47 AND PARCELA=2 AND ESPECIE=21 AND CD=12.5");
  EXPECT_EQ(calc::CriterioArboles(estado, 0, 0, 15), "CD=15");
}

TEST_F(DasometriaTest, ClassMarksOfNarrowWidthsMatchByValue) {
  // A width of 0.3 cm gives marks such as 10.2 that are not exact in binary.
  anadir({{1, 21, 1, 10.1f, 9}, {1, 21, 1, 10.2f, 11}});
  store::Cursor c = db.openCursor("AIndivQx");
  for (; !c.eof(); c.moveNext()) {
    c.edit();
    c.setValue("CD", ClaseDiametrica(c.value("DN").toFloat(), 0.3f));
    c.update();
  }
  store::Cursor d = ordenado();
  const float marca = ClaseDiametrica(10.1f, 0.3f);
  EXPECT_NEAR(calc::AlturaMedia(d, estado, 1, 21, marca), 10, 1e-9);
}

TEST(Indices, HartAndReineke) {
  calc::OpcionesCalculo o;
  EXPECT_NEAR(calc::IndiceHart(o, 500, 20), 10000 / (20 * std::sqrt(500 * 0.933)), 1e-9);
  EXPECT_NEAR(calc::IndiceHart(o, 500, 20), 23.2, 0.1);
  o.TipoHart = 2;
  EXPECT_NEAR(calc::IndiceHart(o, 500, 20), 22.4, 0.05);
  o.TipoHart = 3;
  EXPECT_EQ(calc::IndiceHart(o, 500, 20), 0);
  EXPECT_EQ(calc::IndiceHart(calc::OpcionesCalculo{}, 0, 20), 0);
  EXPECT_DOUBLE_EQ(calc::IndiceReineke(o, 400, 25), 400);
  o.BetaReineke = -2;
  EXPECT_DOUBLE_EQ(calc::IndiceReineke(o, 400, 25), 400);
  EXPECT_DOUBLE_EQ(calc::IndiceReineke(o, 400, 50), 1600);
  EXPECT_EQ(calc::IndiceReineke(o, 400, 0), 0);
}

TEST(ClaseDiametrica, BoundsBelongToTheUpperClass) {
  EXPECT_EQ(ClaseDiametrica(12.5f, 5), 15);
  EXPECT_EQ(ClaseDiametrica(12.4f, 5), 10);
  EXPECT_EQ(ClaseDiametrica(7.5f, 5), 10);
  EXPECT_EQ(ClaseDiametrica(2.5f, 5), 5);
  EXPECT_EQ(ClaseDiametrica(1.0f, 5), 5);  // below half a width: the first class
  EXPECT_EQ(ClaseDiametrica(8.9f, 2), 8);
  EXPECT_EQ(ClaseDiametrica(9.0f, 2), 10);
  EXPECT_EQ(ClaseDiametrica(10.0f, 0), 0);  // no endless loop on a zero width
  EXPECT_FLOAT_EQ(ClaseDiametrica(10.1f, 0.3f), 10.2f);
  EXPECT_EQ(calc::RedondeoPar(0.125, 2), 0.12);
  EXPECT_EQ(calc::RedondeoPar(0.135, 2), 0.14);
  EXPECT_EQ(calc::RedondeoPar(2.5, 0), 2);
}

// Rounding to d places scales by exactly 10^d: the same as the power computed, for every number of
// places the passes use and beyond, on values whose last place is a tie or close to one.
TEST(RedondeoPar, ScalesByTheExactPowerOfTen) {
  const double valores[] = {0.125,      2.5,  -0.135,     1234.56785, 0.000049999,
                            98765.4321, 1e-7, 12.3456789, -7.5,       0.3};
  for (int d = -2; d <= 12; ++d) {
    const double escala = std::pow(10.0, d);
    for (double v : valores) {
      EXPECT_EQ(calc::RedondeoPar(v, d), std::nearbyint(v * escala) / escala) << v << " " << d;
    }
  }
}

// The step-by-step walk the class function replaces, kept as the reference: bounds from w / 2
// in steps of w, the sum in single precision. Ends for every input given below.
float ClaseDiametricaPasoAPaso(float DN, float ancho) {
  if (!(ancho > 0)) return 0;
  float L = ancho / 2;
  while (L <= DN) {
    const float siguiente = L + ancho;
    if (DN < siguiente) break;
    L = siguiente;
  }
  const float marca = L + ancho / 2;
  return static_cast<float>(calc::RedondeoPar(marca, 1));
}

bool MismosBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every diameter the tree pass can form from field diameters in whole millimetres up to 4 m,
// against every class width the options accept from 0.1 to 50 cm (one decimal).
TEST(ClaseDiametrica, SameBitsAsTheStepByStepWalkForEveryFieldDiameterAndWidth) {
  std::int64_t distintas = 0, casos = 0;
  for (int decimas = 1; decimas <= 500; ++decimas) {
    const auto ancho = static_cast<float>(calc::RedondeoPar(decimas / 10.0, 1));
    for (int suma = 0; suma <= 8000; ++suma) {
      const auto dn = static_cast<float>(suma / 20.0);
      ++casos;
      if (!MismosBits(ClaseDiametrica(dn, ancho), ClaseDiametricaPasoAPaso(dn, ancho))) {
        if (++distintas <= 5)
          ADD_FAILURE() << "DN " << dn << " ancho " << ancho << ": " << ClaseDiametrica(dn, ancho)
                        << " frente a " << ClaseDiametricaPasoAPaso(dn, ancho);
      }
    }
  }
  EXPECT_EQ(distintas, 0) << "de " << casos;
}

// Arbitrary floats (not only multiples of 0.05) and widths with more bits than one decimal,
// including diameters far above any tree where the float steps are coarse but the walk ends.
TEST(ClaseDiametrica, SameBitsAsTheStepByStepWalkForRandomDiametersAndWidths) {
  std::mt19937_64 rnd(20240611);
  std::uniform_real_distribution<float> diametro(-5.0f, 1000.0f), ancho(0.05f, 60.0f);
  std::uniform_real_distribution<double> exponente(0, 5);
  std::int64_t distintas = 0;
  for (int i = 0; i < 100000; ++i) {
    float dn = diametro(rnd);
    float w = i % 3 == 0 ? static_cast<float>(calc::RedondeoPar(ancho(rnd), 1)) : ancho(rnd);
    if (i % 50 == 0) {  // up to 1 km
      dn = static_cast<float>(std::pow(10.0, exponente(rnd)));
      w = 5 + w;
    }
    if (!(w > 0)) continue;
    if (!MismosBits(ClaseDiametrica(dn, w), ClaseDiametricaPasoAPaso(dn, w)) && ++distintas <= 5)
      ADD_FAILURE() << "DN " << dn << " ancho " << w;
  }
  EXPECT_EQ(distintas, 0);
  // Hundreds of kilometres: float bounds 4 or 8 cm apart, so steps of 5 cm round to them.
  for (const float dn : {3.4e7f, 5.0e7f, 6.6e7f, 1.2e8f}) {
    EXPECT_TRUE(MismosBits(ClaseDiametrica(dn, 5), ClaseDiametricaPasoAPaso(dn, 5))) << dn;
  }
}

// Where the float sum stops growing the walk never ended; now the mark comes at once.
TEST(ClaseDiametrica, HugeOrNonFiniteDiametersEndAtOnce) {
  EXPECT_FLOAT_EQ(ClaseDiametrica(1.5e9f, 5), 1.5e9f);
  EXPECT_FLOAT_EQ(ClaseDiametrica(3e9f, 5), 3e9f);
  EXPECT_TRUE(std::isinf(ClaseDiametrica(INFINITY, 5)));
  EXPECT_EQ(ClaseDiametrica(NAN, 5), 5);  // no bound is at or below NaN: the first class
  EXPECT_EQ(ClaseDiametrica(-3, 5), 5);
}

}  // namespace
