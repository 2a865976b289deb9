// The user equation store in a temporary BDOut: creation from the installed templates, keys,
// shared formula rows, parameter order, deletion and replacement, and the evaluation of a
// stored equation per tree.
#include <gtest/gtest.h>

#include <filesystem>

#include "../comun/CarpetaTemporal.h"
#include "equations/EcuacionesUsuario.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio;
using namespace arbelio::equations;

namespace {

ConjuntoEcuacion Conjunto(int especie, int forma, int calidad, const std::string& variable) {
  return ConjuntoEcuacion{especie, forma, calidad, variable};
}

class EcuacionesUsuarioTest : public ::testing::Test {
 protected:
  pruebas::CarpetaTemporal carpeta;
  UbicacionEcuacionesUsuario u{carpeta.ruta(), std::string(ARBELIO_PROGRAM_DIR) + "/BDEstruct",
                               "AB"};

  std::int64_t Filas(const std::string& tabla) {
    store::Database db = store::Database::open(u.BDOut);
    return db.openCursor(tabla).recordCount();
  }
};

}  // namespace

TEST(EcuacionesUsuario, TextosDelEditor) {
  EXPECT_EQ(ValorFormaCalidad("Todas"), 0);
  EXPECT_EQ(ValorFormaCalidad("3"), 3);
  EXPECT_EQ(ValorFormaCalidad(" 6 "), 6);
  EXPECT_EQ(VariableDeItem("VCC (dm3)"), "VCC");
  EXPECT_EQ(VariableDeItem("ALTE (m)"), "ALTE");
  EXPECT_EQ(VariableDeItem("IAVC"), "IAVC");
  EXPECT_EQ(TablaEcuas("AB"), "EcuasAB");
  EXPECT_EQ(TablaModels("AB"), "ModelsAB");
  EXPECT_EQ(TablaParams("AB"), "ParamsAB");
}

TEST_F(EcuacionesUsuarioTest, LasTablasSeCopianDeLasPlantillasSoloSiFaltan) {
  CrearTablasEcuacionesUsuario(u);
  for (const char* f : {"EcuasAB.dbf", "ModelsAB.dbf", "ParamsAB.dbf"}) {
    EXPECT_TRUE(store::fileExists(u.BDOut + "/" + f)) << f;
  }
  EXPECT_TRUE(CargarEcuacionesUsuario(u).empty());
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "a*DN^b", {"a", "b"}, {0.5, 2});
  CrearTablasEcuacionesUsuario(u);  // existing tables stay
  EXPECT_EQ(CargarEcuacionesUsuario(u).size(), 1u);
}

TEST_F(EcuacionesUsuarioTest, SinPlantillasSeCreanDesdeLaEstructura) {
  u.BDEstruct = carpeta.ruta() + "/no-existe";
  EXPECT_EQ(AnadeCalculoaBDQ(u, Conjunto(21, 1, 2, "VSC"), "a*VCC", {"a"}, {0.8}), 1);
  const auto e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].formula, "a*VCC");
}

TEST_F(EcuacionesUsuarioTest, PrimeraEcuacionYSusClaves) {
  const auto id = AnadeCalculoaBDQ(u, Conjunto(21, 0, 3, "VCC"), "a+b*DN^2*HT", {"a", "b"},
                                   {-2.0, 0.000369137});
  EXPECT_EQ(id, 1);
  const auto e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].conjunto.especie, 21);
  EXPECT_EQ(e[0].conjunto.forma, 0);
  EXPECT_EQ(e[0].conjunto.calidad, 3);
  EXPECT_EQ(e[0].conjunto.variable, "VCC");
  EXPECT_EQ(e[0].idmodelo, 1);
  EXPECT_EQ(e[0].idecuacion, 1);
  EXPECT_EQ(e[0].formula, "a+b*DN^2*HT");
  EXPECT_EQ(e[0].parametros, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(e[0].valores, (std::vector<double>{-2.0, 0.000369137}));
  EXPECT_TRUE(ExisteCalculoenBDQ(u, Conjunto(21, 0, 3, "VCC")));
  EXPECT_FALSE(ExisteCalculoenBDQ(u, Conjunto(21, 1, 3, "VCC")));
  EXPECT_FALSE(ExisteCalculoenBDQ(u, Conjunto(21, 0, 3, "VSC")));
  EXPECT_FALSE(ExisteCalculoenBDQ(u, Conjunto(22, 0, 3, "VCC")));
}

TEST_F(EcuacionesUsuarioTest, LaMismaFormulaCompartePorFilaDeModels) {
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "a*DN^b", {"a", "b"}, {0.5, 2});
  AnadeCalculoaBDQ(u, Conjunto(22, 0, 0, "VCC"), "a*DN^b", {"a", "b"}, {0.7, 2.1});
  EXPECT_EQ(Filas("ModelsAB"), 1);
  auto e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].idmodelo, e[1].idmodelo);
  EXPECT_EQ(e[1].valores, (std::vector<double>{0.7, 2.1}));

  // Modifying one leaves the other's formula as it was.
  ModificaCalculodeBDQ(u, Conjunto(22, 0, 0, "VCC"), "a*DN^b*HT^c", {"a", "b", "c"},
                       {0.7, 2.1, 0.9});
  e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].formula, "a*DN^b");
  EXPECT_EQ(e[1].formula, "a*DN^b*HT^c");
  EXPECT_EQ(e[1].idecuacion, 2);
  EXPECT_EQ(e[1].idmodelo, 2);
  EXPECT_EQ(e[1].parametros, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(e[0].valores, (std::vector<double>{0.5, 2}));
  EXPECT_EQ(Filas("ModelsAB"), 2);

  // Deleting keeps the Models rows.
  EXPECT_TRUE(QuitaCalculodeBDQ(u, Conjunto(21, 0, 0, "VCC")));
  EXPECT_EQ(Filas("ModelsAB"), 2);
  EXPECT_EQ(Filas("ParamsAB"), 3);
  EXPECT_FALSE(QuitaCalculodeBDQ(u, Conjunto(21, 0, 0, "VCC")));
}

TEST_F(EcuacionesUsuarioTest, TrasBorrarLaPrimeraLaNuevaTomaElMayorMasUno) {
  AnadeCalculoaBDQ(u, Conjunto(21, 1, 0, "VCC"), "a*DN", {"a"}, {1});
  AnadeCalculoaBDQ(u, Conjunto(21, 2, 0, "VCC"), "b*DN", {"b"}, {2});
  AnadeCalculoaBDQ(u, Conjunto(21, 3, 0, "VCC"), "c*DN", {"c"}, {3});
  ASSERT_TRUE(QuitaCalculodeBDQ(u, Conjunto(21, 1, 0, "VCC")));
  EXPECT_EQ(AnadeCalculoaBDQ(u, Conjunto(21, 4, 0, "VCC"), "d*DN", {"d"}, {4}), 4);
  const auto e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].idecuacion, 2);
  EXPECT_EQ(e[0].valores, (std::vector<double>{2}));
  EXPECT_EQ(e[1].idecuacion, 3);
  EXPECT_EQ(e[1].valores, (std::vector<double>{3}));
  EXPECT_EQ(e[2].idecuacion, 4);
  // Models rows are never removed: the fourth formula is number 4.
  EXPECT_EQ(e[2].idmodelo, 4);
}

TEST_F(EcuacionesUsuarioTest, FormulaSinParametrosNoGuardaParams) {
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "2.5*Sqr(HT)", {"X1"}, {});
  EXPECT_EQ(Filas("ParamsAB"), 0);
  const auto e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 1u);
  EXPECT_TRUE(e[0].parametros.empty());
}

TEST_F(EcuacionesUsuarioTest, FormulasConComillasYBlancos) {
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "a*DN'x", {"a"}, {1});
  AnadeCalculoaBDQ(u, Conjunto(22, 0, 0, "VCC"), "a*DN'x", {"a"}, {2});
  AnadeCalculoaBDQ(u, Conjunto(23, 0, 0, "VCC"), " a*DN'x ", {"a"}, {3});
  EXPECT_EQ(Filas("ModelsAB"), 1);
  // Formula texts compare exactly: a different letter case is another formula.
  AnadeCalculoaBDQ(u, Conjunto(24, 0, 0, "VCC"), "a*DN'X", {"a"}, {4});
  EXPECT_EQ(Filas("ModelsAB"), 2);
  const auto e = CargarEcuacionesUsuario(u);
  ASSERT_EQ(e.size(), 4u);
  EXPECT_EQ(e[2].formula, "a*DN'x");
}

TEST_F(EcuacionesUsuarioTest, ModificarUnaQueNoExisteNoEscribeNada) {
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "a*DN", {"a"}, {1});
  try {
    ModificaCalculodeBDQ(u, Conjunto(21, 5, 0, "VCC"), "b*HT", {"b"}, {2});
    FAIL() << "sin error";
  } catch (const store::StoreError& e) {
    EXPECT_EQ(e.number(), 3021);
  }
  EXPECT_EQ(Filas("ModelsAB"), 1);
  EXPECT_EQ(Filas("ParamsAB"), 1);
}

TEST_F(EcuacionesUsuarioTest, FormulaDemasiadoLargaNoEscribeNada) {
  const std::string larga = "a*DN" + std::string(260, ' ') + "+b";
  try {
    AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), larga, {"a", "b"}, {1, 2});
    FAIL() << "sin error";
  } catch (const store::StoreError& e) {
    EXPECT_EQ(e.number(), store::err::kCampoDemasiadoPequeno);
  }
  // The change failed as a whole: not even the missing tables were created.
  for (const char* f : {"EcuasAB.dbf", "ModelsAB.dbf", "ParamsAB.dbf"}) {
    EXPECT_FALSE(store::fileExists(u.BDOut + "/" + f)) << f;
  }
  CrearTablasEcuacionesUsuario(u);
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "a*DN", {"a"}, {1});
  EXPECT_THROW(AnadeCalculoaBDQ(u, Conjunto(22, 0, 0, "VCC"), larga, {"a", "b"}, {1, 2}),
               store::StoreError);
  EXPECT_EQ(Filas("EcuasAB"), 1);
  EXPECT_EQ(Filas("ModelsAB"), 1);
  EXPECT_EQ(Filas("ParamsAB"), 1);
}

TEST_F(EcuacionesUsuarioTest, OtroSufijoEsOtroAlmacen) {
  AnadeCalculoaBDQ(u, Conjunto(21, 0, 0, "VCC"), "a*DN", {"a"}, {1});
  UbicacionEcuacionesUsuario otro = u;
  otro.sufijo = "CD";
  EXPECT_TRUE(CargarEcuacionesUsuario(otro).empty());
  EXPECT_FALSE(ExisteCalculoenBDQ(otro, Conjunto(21, 0, 0, "VCC")));
  EXPECT_FALSE(QuitaCalculodeBDQ(otro, Conjunto(21, 0, 0, "VCC")));
}

TEST(EcuacionUsuarioPreparada, ArgumentosComoLosLlevariaLaLlamada) {
  EstadoEcuaciones e;
  EcuacionUsuario q;
  q.formula = "a*DN+b";
  q.parametros = {"a", "b"};
  q.valores = {2.0, 0.1234567890123456789};
  EcuacionUsuarioPreparada p(e, q, VariablesMarcadas{});
  ASSERT_TRUE(p.valida()) << p.mensaje();
  EXPECT_EQ(p.variables(), (std::vector<std::string>{"DN"}));
  EXPECT_EQ(p.campos(), (std::vector<std::string>{"DN"}));
  // DN read from a single field: the call carries its 7-digit text, 12.35.
  const double dn = static_cast<float>(12.35);
  const auto v = p.Evaluar({dn});
  ASSERT_TRUE(v);
  EXPECT_EQ(*v, 2.0 * 12.35 + 0.123456789012346);
  EXPECT_FALSE(p.Evaluar({std::nullopt}));
}

TEST(EcuacionUsuarioPreparada, AlturaVaAlCampoAltura) {
  EstadoEcuaciones e;
  EcuacionUsuario q;
  q.formula = "2.5*Sqr(HT)";
  EcuacionUsuarioPreparada p(e, q, VariablesMarcadas{});
  ASSERT_TRUE(p.valida());
  EXPECT_EQ(p.campos(), (std::vector<std::string>{"ALTURA"}));
  EXPECT_DOUBLE_EQ(*p.Evaluar({16.0}), 10.0);
  // Square root of a negative number: an evaluation error leaves the field empty.
  EXPECT_FALSE(p.Evaluar({-1.0}));
  EXPECT_EQ(p.error().numero, 5);
}

TEST(EcuacionUsuarioPreparada, FormulasQueNoSeAceptan) {
  EstadoEcuaciones e;
  EcuacionUsuario q;
  q.formula = "Dn*2";
  EcuacionUsuarioPreparada mezcla(e, q, VariablesMarcadas{});
  EXPECT_FALSE(mezcla.valida());
  EXPECT_EQ(mezcla.mensaje(), "Error: Alguna variable mezcla mayúsculas y minúsculas");
  // VCC is not a valid variable unless ticked in the options.
  q.formula = "a*VCC";
  q.valores = {0.9};
  EcuacionUsuarioPreparada vcc(e, q, VariablesMarcadas{});
  EXPECT_FALSE(vcc.valida());
  EXPECT_EQ(vcc.mensaje(), "Error:  La variable VCC no es válida.");
  // Fewer stored values than parameters.
  q.formula = "a*DN^b";
  EcuacionUsuarioPreparada faltan(e, q, VariablesMarcadas{});
  EXPECT_FALSE(faltan.valida());
}
