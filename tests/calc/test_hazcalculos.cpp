// The calculation run end to end on a small working database: the tree pass, the equation pass
// with the installed demonstration equations and user equations, the plot pass and the warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "../comun/CarpetaTemporal.h"
#include "calc/HazCalculos.h"
#include "calc/Pasadas.h"
#include "equations/EcuacionesUsuario.h"
#include "inventory/Constantes.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionGuionada.h"
#include "store/FileOps.h"

using namespace arbelio;

namespace {

struct Pie {
  int plot, num, especie, forma;
  const char* paramesp;
  double d1, d2, altura;  // < 0: empty
};

class HazCalculosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    e.rutas.carpetaDatos = ARBELIO_PROGRAM_DIR;
    e.rutas.BDTemp = dir.archivo("BDTemp");
    e.rutas.BDOut = dir.archivo("BDOut");
    e.rutas.BDEstruct = dir.archivo("BDEstruct");
    for (const auto* c : {&e.rutas.BDTemp, &e.rutas.BDOut, &e.rutas.BDEstruct}) {
      store::createFolder(*c);
    }
    inventory::EscribePlantillas(e.rutas.BDEstruct);
    e.NombresTablas = shell::NombresTablasIniciales();
    e.FactoresExpansion = shell::FactoresExpansionIniciales();
    e.opciones.TablasCalcular = {true, true, false, false, false, false, false, false, false};
    store::copyFile(e.rutas.BDEstruct + "/DatDef.dbf", e.rutas.BDTemp + "/DATDEF00.dbf");
    store::copyFile(e.rutas.BDEstruct + "/Piesma.dbf", e.rutas.BDTemp + "/PIESMA00.dbf");
  }

  void datos(const std::vector<int>& plots, const std::vector<Pie>& pies) {
    store::Database db = store::Database::open(e.rutas.BDTemp);
    store::Cursor d = db.openCursor("DATDEF00");
    for (int p : plots) {
      d.addNew();
      d.setValue("PROVINCIA", 47);
      d.setValue("ESTADILLO", p);
      int n = 0;
      for (const auto& t : pies) n += t.plot == p ? 1 : 0;
      d.setValue("NUMPMA", n);
      d.update();
    }
    store::Cursor c = db.openCursor("PIESMA00");
    for (const auto& t : pies) {
      c.addNew();
      c.setValue("PROVINCIA", 47);
      c.setValue("ESTADILLO", t.plot);
      c.setValue("NUMORDEN", t.num);
      c.setValue("ESPECIE", t.especie);
      c.setValue("FORMA", t.forma);
      c.setValue("CALIDAD", 2);
      if (t.paramesp) c.setValue("PARAMESP", t.paramesp);
      if (t.d1 >= 0) c.setValue("DIAMETRO1", t.d1);
      if (t.d2 >= 0) c.setValue("DIAMETRO2", t.d2);
      if (t.altura >= 0) c.setValue("ALTURA", t.altura);
      c.update();
    }
    db.close();
  }

  void marcar(int fila) { e.VariablesUnidades[static_cast<std::size_t>(fila)].calcular = "SI"; }

  store::Database salida() { return store::Database::open(e.rutas.BDOut); }

  arbelio::pruebas::CarpetaTemporal dir;
  EstadoAplicacion e;
};

TEST_F(HazCalculosTest, TreePassDerivesEachTreeAndLeavesOutTreesWithoutDiameter) {
  datos({1, 2}, {{1, 1, 21, 1, nullptr, 120, 130, 15},  // DN 12.5
                 {1, 2, 21, 1, nullptr, 70, 70, 9},     // DN 7.0: left out
                 {1, 3, 21, 1, nullptr, -1, 200, 9},    // no diameter: left out
                 {2, 1, 46, 2, "125", 318, 318, 10}});
  e.opciones.CalcularSDCH = e.opciones.CalcularIDCH = true;
  shell::InteraccionGuionada ui(e);
  const auto r = calc::HazCalculos(e, ui, {});
  EXPECT_FALSE(r.cancelado);
  EXPECT_EQ(e.SufijoTablas.size(), 2u);
  EXPECT_EQ(e.SufijoCalculos, e.SufijoTablas);
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0],
            "2 pies mayores sin diámetro válido (nulo o menor de 7,5 cm) no se han incluido en "
            "los cálculos.");
  store::Database out = salida();
  store::Cursor a = out.openCursor("AIndiv" + e.SufijoTablas);
  ASSERT_EQ(a.recordCount(), 2);
  EXPECT_EQ(a.value("DN").toFloat(), 12.5f);
  EXPECT_EQ(a.value("FACTOREXP").toDouble(), 2);
  EXPECT_EQ(a.value("SN").toFloat(), static_cast<float>(12.5 * 12.5 / 4 * inventory::kPi));
  EXPECT_EQ(a.value("CN").toFloat(), static_cast<float>(12.5 * inventory::kPi));
  EXPECT_EQ(a.value("CD").toDouble(), 15);
  EXPECT_EQ(a.value("ALTURA").toDouble(), 15);
  EXPECT_TRUE(a.value("LDCH").isNull());  // not a cork oak
  a.moveNext();
  // Cork oak with stripping height 25: SDCH = CN / 10 x 25 and IDCH = CN x 250 / SN = 1000 / DN.
  EXPECT_EQ(a.value("DN").toFloat(), 31.8f);
  EXPECT_EQ(a.value("LDCH").toDouble(), 25);
  EXPECT_NEAR(a.value("SDCH").toDouble(), a.value("CN").toDouble() / 10 * 25, 1e-4);
  EXPECT_NEAR(a.value("IDCH").toDouble(), 1000 / a.value("DN").toDouble(), 1e-3);
}

TEST_F(HazCalculosTest, PlotPassSumsPerHectareAndMarksIncompleteVolumes) {
  // Plot 1: DN 12.5 and 20 cm, both code 2. Plot 2: no trees. Plot 3: species 99 has no equation.
  datos({1, 2, 3}, {{1, 1, 21, 1, nullptr, 125, 125, 15},
                    {1, 2, 21, 1, nullptr, 200, 200, 16},
                    {3, 1, 99, 1, nullptr, 300, 300, 20}});
  marcar(0);  // VCC
  shell::InteraccionGuionada ui(e);
  calc::HazCalculos(e, ui, {});
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0], calc::kAvisoVolumenesIncompletos);
  store::Database out = salida();
  store::Cursor a = out.openCursor("AIndiv" + e.SufijoTablas);
  // Demonstration equation of species 21, form 1: model 1, -2 + 0.000369137 d^2 h (d in mm).
  EXPECT_NEAR(a.value("VCC").toDouble(), -2 + 0.000369137 * 125 * 125 * 15, 1e-3);
  store::Cursor p = out.openCursor("Parcel" + e.SufijoTablas);
  ASSERT_EQ(p.recordCount(), 3);
  const double f2 = static_cast<float>(31.830988);
  EXPECT_EQ(p.value("N").toFloat(), static_cast<float>(2 * f2));
  const float sn1 = static_cast<float>(12.5 * 12.5 / 4 * inventory::kPi);
  const float sn2 = static_cast<float>(20.0 * 20.0 / 4 * inventory::kPi);
  const double ab =
      std::nearbyint(static_cast<float>((sn1 + sn2) * static_cast<float>(f2)) / 10000 * 1e5) / 1e5;
  EXPECT_EQ(p.value("AB").toFloat(), static_cast<float>(ab));
  EXPECT_NEAR(p.value("Dg").toDouble(), std::sqrt((12.5 * 12.5 + 20 * 20) / 2), 0.01);
  EXPECT_NEAR(p.value("Ho").toDouble(), 15.5, 1e-6);  // fewer than 100 trees/ha: all trees
  EXPECT_FALSE(p.value("VCC").isNull());
  EXPECT_GT(p.value("HART").toDouble(), 0);
  p.moveNext();  // no trees: zeros
  for (const char* c : {"N", "AB", "Dg", "Ho", "Hm", "Dm", "Do", "HART", "REINEKE", "VCC"}) {
    EXPECT_EQ(p.value(c).toDouble(), 0) << c;
  }
  p.moveNext();  // a tree without equation: the plot's VCC is empty
  EXPECT_TRUE(p.value("VCC").isNull());
  EXPECT_GT(p.value("N").toDouble(), 0);
}

TEST_F(HazCalculosTest, CorkIntensityWithoutSurfaceStillSumsTheSurface) {
  // One cork oak with stripping height 25 in plot 1: IDM = S / AB with S the surface per hectare.
  datos({1}, {{1, 1, 46, 2, "125", 318, 318, 10}});
  e.opciones.CalcularIDCH = true;
  shell::InteraccionGuionada ui(e);
  calc::HazCalculos(e, ui, {});
  store::Database out = salida();
  store::Cursor a = out.openCursor("AIndiv" + e.SufijoTablas);
  EXPECT_LT(a.fieldIndex("SDCH"), 0);
  const float sdch = static_cast<float>(a.value("CN").toDouble() / 10 * 25);
  store::Cursor p = out.openCursor("Parcel" + e.SufijoTablas);
  const float f3 = 14.147106f;
  const double s = static_cast<float>(sdch * f3);
  EXPECT_NEAR(p.value("IDM").toDouble(), s / p.value("AB").toFloat(), 1e-3);
  EXPECT_GT(p.value("IDM").toDouble(), 0);
}

TEST_F(HazCalculosTest, UserEquationsComeFirstWithTheMixedMethod) {
  datos({1}, {{1, 1, 21, 1, nullptr, 200, 200, 15}, {1, 2, 45, 1, nullptr, 200, 200, 15}});
  marcar(0);
  e.opciones.MetodoCalculo = 2;
  e.SufijoTablas = "Ue";
  // A plot list exists, so the run keeps the code and its user equation tables.
  e.ListaParcelas.entradas = {{}, {47, 1}};
  e.ListaParcelas.numero = 1;
  e.NumeroParcelas = 1;
  e.NumeroPies = 2;
  const equations::UbicacionEcuacionesUsuario u{e.rutas.BDOut, e.rutas.BDEstruct, "Ue"};
  equations::CrearTablasEcuacionesUsuario(u);
  equations::AnadeCalculoaBDQ(u, {21, 0, 0, "VCC"}, "a*DN^2", {"a"}, {0.5});
  shell::InteraccionGuionada ui(e);
  calc::HazCalculos(e, ui, {});
  EXPECT_TRUE(ui.textos().empty()) << ui.textos()[0];
  store::Database out = salida();
  store::Cursor a = out.openCursor("AIndivUe");
  EXPECT_NEAR(a.value("VCC").toDouble(), 0.5 * 400, 1e-9);  // the user's equation
  a.moveNext();
  EXPECT_FALSE(a.value("VCC").isNull());  // species 45: the inventory's
  EXPECT_TRUE(store::fileExists(e.rutas.BDOut + "/EcuasUe.dbf"));
}

// A run told when the tree pass has read the working database may drop its tree tables then:
// every later pass works from the trees of AIndiv, so the tables come out the same.
TEST_F(HazCalculosTest, TheWorkingTablesMayGoOnceTheTreePassHasReadThem) {
  datos({1, 2}, {{1, 1, 21, 1, nullptr, 125, 125, 15},
                 {1, 2, 23, 1, nullptr, 200, 200, 16},
                 {2, 1, 21, 1, nullptr, 300, 300, 20}});
  marcar(0);
  e.opciones.TablasCalcular.fill(true);
  const auto filas = [&](const std::string& tabla) {
    store::Database out = salida();
    std::vector<std::string> r;
    for (store::Cursor c = out.openCursor(tabla + e.SufijoTablas); !c.eof(); c.moveNext()) {
      std::string fila;
      for (int i = 0; i < c.fieldCount(); ++i) fila += c.rawText(i) + "|";
      r.push_back(fila);
    }
    return r;
  };
  const std::vector<std::string> tablas = {"AIndiv", "Parcel", "Sp_par", "Cd_par", "Cdsp_p",
                                           "Cd_esp", "Cldiam", "Specie", "Totals"};
  shell::InteraccionGuionada ui(e);
  ASSERT_FALSE(calc::HazCalculos(e, ui, calc::EntornoInstalado()).cancelado);
  std::vector<std::vector<std::string>> antes;
  for (const auto& t : tablas) antes.push_back(filas(t));
  ASSERT_EQ(antes[0].size(), 3u);

  calc::EntornoCalculo entorno = calc::EntornoInstalado();
  int llamadas = 0;
  std::int64_t arbolesEntonces = -1;
  entorno.trabajoLeido = [&] {
    ++llamadas;
    arbolesEntonces = salida().openCursor("AIndiv" + e.SufijoTablas).recordCount();
    store::deleteFile(e.rutas.BDTemp + "/PIESMA00.dbf");
  };
  ASSERT_FALSE(calc::HazCalculos(e, ui, entorno).cancelado);
  EXPECT_EQ(llamadas, 1);
  EXPECT_EQ(arbolesEntonces, 3);  // after the tree pass
  EXPECT_FALSE(store::fileExists(e.rutas.BDTemp + "/PIESMA00.dbf"));
  for (std::size_t i = 0; i < tablas.size(); ++i)
    EXPECT_EQ(filas(tablas[i]), antes[i]) << tablas[i];
}

// The trees in memory go once the last pass that walks them is done, before the summaries
// that follow it, and no pass reads them again after that; the end of the run drops them too
// (a run stopped before that pass).
TEST_F(HazCalculosTest, TheSharedTreesGoAfterTheLastPassThatWalksThem) {
  datos({1, 2}, {{1, 1, 21, 1, nullptr, 125, 125, 15},
                 {1, 2, 23, 1, nullptr, 200, 200, 16},
                 {2, 1, 21, 1, nullptr, 300, 300, 20}});
  // Specie brings Sp_par, Parcel and Totals: the passes run Parcel, Sp_par, Totals, Specie, and
  // Sp_par is the last that walks the trees.
  e.opciones.TablasCalcular = {true, false, true, false, false, false, false, false, false};
  calc::EntornoCalculo entorno = calc::EntornoInstalado();
  std::vector<std::string> sucesos;
  const auto arboles = entorno.arboles;
  entorno.arboles = [&, arboles](EstadoAplicacion& es, store::Database& db) {
    sucesos.emplace_back("árboles");
    return arboles(es, db);
  };
  const auto soltar = entorno.soltarArboles;
  entorno.soltarArboles = [&, soltar] {
    sucesos.emplace_back("soltar");
    soltar();
  };
  for (std::size_t i = 2; i < entorno.pasadas.size(); ++i) {
    const calc::Pasada pasada = entorno.pasadas[i];
    if (!pasada) continue;
    entorno.pasadas[i] = [&, pasada, i](EstadoAplicacion& es, shell::Interaccion& u,
                                        store::Database& db) {
      sucesos.push_back("pasada " + std::to_string(i));
      pasada(es, u, db);
    };
  }
  shell::InteraccionGuionada ui(e);
  ASSERT_FALSE(calc::HazCalculos(e, ui, entorno).cancelado);
  // The run asks for the trees after the tree pass and for Parcel; the installed Sp_par pass
  // asks the function it was built with, not this wrapper.
  const std::vector<std::string> esperados = {"árboles",  "árboles",  "pasada 4", "soltar",
                                              "pasada 8", "pasada 2", "soltar"};
  EXPECT_EQ(sucesos, esperados);
  {
    store::Database out = salida();
    EXPECT_EQ(out.openCursor("Sp_par" + e.SufijoTablas).recordCount(), 3);
    EXPECT_EQ(out.openCursor("Specie" + e.SufijoTablas).recordCount(), 2);
  }

  // A run whose Sp_par pass fails never reaches that point: the end of the run drops them.
  sucesos.clear();
  entorno.pasadas[4] = [&](EstadoAplicacion&, shell::Interaccion&, store::Database&) {
    sucesos.emplace_back("fallo");
    throw std::runtime_error("sin memoria");
  };
  shell::InteraccionGuionada otra(e);
  EXPECT_TRUE(calc::HazCalculos(e, otra, entorno).cancelado);
  EXPECT_EQ(sucesos, (std::vector<std::string>{"árboles", "árboles", "fallo", "soltar"}));
}

TEST_F(HazCalculosTest, CancelStopsThePassesAndClearsTheFlag) {
  datos({1, 2, 3}, {{1, 1, 21, 1, nullptr, 200, 200, 15}});
  e.opciones.TablasCalcular.fill(false);
  e.opciones.TablasCalcular[1] = true;
  shell::InteraccionGuionada ui(e);
  ui.cancelarEnCeder = 3;
  const auto r = calc::HazCalculos(e, ui, {});
  EXPECT_TRUE(r.cancelado);
  EXPECT_FALSE(e.CalculoCancelado);
  EXPECT_FALSE(ui.progresoVisible);
}

// A pass failing with something other than a store error ends the run with "Error " and its
// description: the dialog is hidden, the pointer restored, the run is not finished and no
// finished message follows.
TEST_F(HazCalculosTest, AFailureOfAnyKindEndsTheRunWithItsMessage) {
  datos({1, 2}, {{1, 1, 21, 1, nullptr, 200, 200, 15}, {2, 1, 21, 1, nullptr, 300, 300, 18}});
  calc::EntornoCalculo entorno;
  bool despues = false;
  entorno.pasadas[4] = [](EstadoAplicacion&, shell::Interaccion&, store::Database&) {
    throw std::length_error("vector demasiado largo");
  };
  entorno.pasadas[8] = [&](EstadoAplicacion&, shell::Interaccion&, store::Database&) {
    despues = true;
  };
  e.menus.alIniciar();
  shell::InteraccionGuionada ui(e);
  ui.cancelarEnCeder = 4;  // Cancelar pressed too: the failure still clears it
  const auto r = calc::mnuCalCalcular_Click(e, ui, entorno);
  EXPECT_TRUE(r.cancelado);
  EXPECT_FALSE(despues);
  EXPECT_EQ(ui.textos(), std::vector<std::string>{"Error vector demasiado largo"});
  EXPECT_FALSE(ui.progresoVisible);
  EXPECT_FALSE(ui.reloj);
  EXPECT_FALSE(e.CalculoCancelado);
  EXPECT_FALSE(e.menus.habilitada(shell::EntradaMenu::AGuardarCalculos));
}

// The inventory equations, opened while the run is prepared, stop a run that cannot open them
// before its tree pass, with the store's message; a run on user equations alone never opens
// them.
TEST_F(HazCalculosTest, InventoryEquationsThatCannotBeOpenedStopTheRunBeforeTheTreePass) {
  datos({1}, {{1, 1, 21, 1, nullptr, 200, 200, 15}});
  marcar(0);
  arbelio::pruebas::CarpetaTemporal sinEcuaciones;
  e.rutas.carpetaDatos = sinEcuaciones.ruta();
  shell::InteraccionGuionada ui(e);
  EXPECT_TRUE(calc::HazCalculos(e, ui, {}).cancelado);
  EXPECT_EQ(ui.textos(),
            std::vector<std::string>{"Error No se encuentra el archivo de base de "
                                     "datos '" +
                                     sinEcuaciones.ruta() + "/EcuacionesKAV.sqlite'."});
  EXPECT_EQ(salida().openCursor("AIndiv" + e.SufijoTablas).recordCount(), 0);

  e.opciones.MetodoCalculo = 3;
  shell::InteraccionGuionada otra(e);
  EXPECT_FALSE(calc::HazCalculos(e, otra, {}).cancelado);
  for (const auto& t : otra.textos()) EXPECT_NE(t.rfind("Error", 0), 0u) << t;
  EXPECT_EQ(salida().openCursor("AIndiv" + e.SufijoTablas).recordCount(), 1);
}

// The inventory equations opened by the first of two calls: `abrir` never throws and leaves
// the failure to `tomar`; two calls at once open them once; `tomar` alone opens them.
TEST(AperturaKAV, TheFirstCallOpensAndTakingGivesTheEquationsOrTheFailure) {
  arbelio::pruebas::CarpetaTemporal sinEcuaciones;
  calc::AperturaKAV fallida = calc::PrepararAperturaKAV(sinEcuaciones.ruta());
  EXPECT_NO_THROW(fallida.abrir());
  try {
    fallida.tomar();
    ADD_FAILURE() << "abiertas sin archivo";
  } catch (const store::StoreError& error) {
    EXPECT_NE(error.description().find("EcuacionesKAV.sqlite"), std::string::npos);
  }
  const std::string instaladas = ARBELIO_PROGRAM_DIR;
  calc::AperturaKAV a = calc::PrepararAperturaKAV(instaladas);
  std::thread otro(a.abrir);
  std::unique_ptr<calc::FuenteEcuacionesKAV> fuente = a.tomar();
  otro.join();
  ASSERT_NE(fuente, nullptr);
  EXPECT_EQ(a.tomar(), nullptr);  // given once
  calc::AperturaKAV sola = calc::PrepararAperturaKAV(instaladas);
  EXPECT_NE(sola.tomar(), nullptr);
}

// The window's run: the viewer is let go before BDOut is emptied (it holds the table it
// shows), shown after a finished run only, and the menu's quick selection is fixed.
TEST_F(HazCalculosTest, TheRunUnloadsTheViewerFirstAndShowsItWhenFinished) {
  datos({1, 2, 3}, {{1, 1, 21, 1, nullptr, 200, 200, 15}, {3, 1, 21, 1, nullptr, 300, 300, 18}});
  const std::string viejo = e.rutas.BDOut + "/AIndivZz.dbf";
  std::ofstream(viejo) << "x";
  std::vector<std::string> llamadas;
  calc::EntornoCalculo entorno;
  entorno.descargarVisor = [&] {
    llamadas.push_back(store::fileExists(viejo) ? "descargar antes de limpiar" : "descargar");
  };
  entorno.mostrarVisor = [&] {
    llamadas.push_back(
        "mostrar " + e.SufijoCalculos +
        (e.menus.habilitada(shell::EntradaMenu::AGuardarCalculos) ? " guardar" : ""));
  };
  e.menus.alIniciar();
  shell::InteraccionGuionada ui(e);
  auto r = calc::mnuCalCalcular_Click(e, ui, entorno);
  EXPECT_FALSE(r.cancelado);
  EXPECT_EQ(e.opciones.TablasCalcular,
            (std::array<bool, 9>{true, true, false, false, true, false, false, false, false}));
  EXPECT_TRUE(ui.textos().empty());  // the viewer says it: no message
  EXPECT_EQ(llamadas, (std::vector<std::string>{"descargar antes de limpiar",
                                                "mostrar " + e.SufijoCalculos + " guardar"}));

  llamadas.clear();
  shell::InteraccionGuionada cancelada(e);
  cancelada.cancelarEnCeder = 3;  // during the tree pass
  r = calc::mnuCalCalcular_Click(e, cancelada, entorno);
  EXPECT_TRUE(r.cancelado);
  EXPECT_TRUE(cancelada.textos().empty());
  EXPECT_FALSE(cancelada.progresoVisible);
  EXPECT_EQ(llamadas, std::vector<std::string>{"descargar"});
}

// Preparing a run ("&Opciones...", "&Calcular") disables "Seleccionar base de datos..." also
// when it had to generate the working database: a database selected afterwards would be listed
// but never computed.
TEST_F(HazCalculosTest, PreparingARunClosesTheSelection) {
  datos({1}, {{1, 1, 21, 1, nullptr, 200, 200, 15}});
  const std::string datdef = e.rutas.BDTemp + "/DATDEF00.dbf";
  const std::string guardado = dir.archivo("DATDEF00.dbf");
  store::renameFile(datdef, guardado);
  int generada = 0;
  calc::EntornoCalculo entorno;
  entorno.generarBaseTrabajo = [&] {
    ++generada;
    store::renameFile(guardado, datdef);
  };
  e.menus.alIniciar();
  e.menus.alElegirArchivoValido();
  shell::InteraccionGuionada ui(e);
  EXPECT_TRUE(calc::mnuCalOpciones_Click(e, ui, entorno));
  EXPECT_EQ(generada, 1);
  EXPECT_FALSE(e.menus.habilitada(shell::EntradaMenu::AAgregarBD));
  EXPECT_EQ(e.ListaParcelas.numero, 1);
  EXPECT_TRUE(store::fileExists(e.rutas.BDOut + "/Params" + e.SufijoTablas + ".dbf"));
  EXPECT_FALSE(ui.reloj);

  // A plot list left from a working database that is gone (a new project) is not computed
  // against nothing: the working database is generated again and the list rebuilt from it.
  e.ListaParcelas.entradas = {{}, {47, 1}, {47, 99}};
  e.ListaParcelas.numero = 2;
  store::renameFile(datdef, guardado);
  EXPECT_TRUE(calc::mnuCalOpciones_Click(e, ui, entorno));
  EXPECT_EQ(generada, 2);
  EXPECT_EQ(e.ListaParcelas.numero, 1);

  // A preparation that fails says so and the dialog does not show.
  store::deleteFile(datdef);
  entorno.generarBaseTrabajo = [] {};
  EXPECT_FALSE(calc::mnuCalOpciones_Click(e, ui, entorno));
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0].rfind("Error ", 0), 0u);
}

// Without a cut the run covers every plot of the working table once: a plot listed twice is
// computed once (its trees are not doubled), and rows without a usable plot key are left out
// instead of ending the run.
TEST_F(HazCalculosTest, EveryPlotOnceAndRowsWithoutKeyLeftOut) {
  datos({1, 2, 2, 3}, {{1, 1, 21, 1, nullptr, 200, 200, 15},
                       {2, 1, 21, 1, nullptr, 300, 300, 18},
                       {3, 1, 21, 1, nullptr, 150, 150, 12}});
  {
    store::Database db = store::Database::open(e.rutas.BDTemp);
    store::Cursor d = db.openCursor("DATDEF00");
    for (const auto& clave : {std::pair{47, -1}, std::pair{0, 4}, std::pair{47, -5}}) {
      d.addNew();
      d.setValue("PROVINCIA", clave.first);
      if (clave.second != -1) d.setValue("ESTADILLO", clave.second);
      d.update();
    }
    db.close();
  }
  shell::InteraccionGuionada ui(e);
  const auto r = calc::HazCalculos(e, ui, {});
  ASSERT_FALSE(r.cancelado) << ui.textos().front();
  EXPECT_EQ(e.NumeroParcelas, 3);
  store::Database out = salida();
  store::Cursor p = out.openCursor("SELECT PARCELA, N FROM Parcel" + e.SufijoTablas);
  std::vector<std::string> filas;
  for (; !p.eof(); p.moveNext())
    filas.push_back(p.value(0).toString() + ":" + p.value(1).toString());
  // One tree per plot (DN 20, 30 and 15 cm): N is that tree's factor, never doubled.
  const auto n = [&](int codigo) {
    return store::Value(static_cast<double>(e.FactoresExpansion[codigo])).toString();
  };
  EXPECT_EQ(filas, (std::vector<std::string>{"1:" + n(2), "2:" + n(3), "3:" + n(2)}));
}

TEST(TablasNecesarias, PassesGetTheTablesTheyRead) {
  std::array<bool, 9> s{};
  s[2] = true;  // Specie
  const auto t = calc::TablasNecesarias(s);
  EXPECT_TRUE(t[0] && t[1] && t[4] && t[8]);
  EXPECT_FALSE(t[3] || t[5] || t[6] || t[7]);
  s = {};
  s[3] = true;  // Cldiam
  const auto u = calc::TablasNecesarias(s);
  EXPECT_TRUE(u[5] && u[1] && u[8]);
}

}  // namespace
