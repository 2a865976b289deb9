// Generating the working database: one database renamed to "00", several merged with their
// duplicates removed, the "ProvEstInd" indexes, and the menu change.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>

#include "../comun/CarpetaTemporal.h"
#include "../store/DbfBuilder.h"
#include "EntornoImport.h"
#include "import/BaseDatosTrabajo.h"
#include "import/SeleccionBaseDatos.h"
#include "shell/InteraccionGuionada.h"
#include "store/FileOps.h"

using namespace arbelio;
using namespace arbelio::import;
using namespace arbelio::pruebas_import;
using shell::InteraccionGuionada;

namespace {

// A province (or a saved cut) with plots 1-3, two trees per plot (tree heights tell the rows
// apart), one record in each other tree table and its plot summary and species tables already
// built, as a database that brings them.
void EscribeBase(const std::string& carpeta, const std::string& codigo, int prov, double altura,
                 int parcelas = 3) {
  std::vector<Fila> datdef, piesma, otros, especi;
  for (int p = 1; p <= parcelas; ++p) {
    Fila d = Parcela(prov, p, 100, "300");
    d["NUMPMA"] = 2;
    datdef.push_back(d);
    piesma.push_back(Arbol(prov, p, 1, 21, 300, 300, altura));
    piesma.push_back(Arbol(prov, p, 2, 21, 300, 300, altura));
    otros.push_back(Registro(prov, p, 1));
    especi.push_back({{"PROVINCIA", prov}, {"ESTADILLO", p}, {"ESPECIE", "21"}, {"NUMPM", 28.29f}});
  }
  EntornoImport::EscribeTabla(carpeta, "DatDef", "Datdef" + codigo, datdef);
  EntornoImport::EscribeTabla(carpeta, "Piesma", "Piesma" + codigo, piesma);
  EntornoImport::EscribeTabla(carpeta, "Piesme", "Piesme" + codigo, otros);
  EntornoImport::EscribeTabla(carpeta, "Tiposx", "Tiposx" + codigo, otros);
  EntornoImport::EscribeTabla(carpeta, "Matorr", "Matorr" + codigo, otros);
  EntornoImport::EscribeTabla(carpeta, "Especi", "Especi" + codigo, especi);
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> Contenidos(const std::string& carpeta) {
  std::map<std::string, std::string> r;
  for (const auto& f : store::listFiles(carpeta)) r[f.name] = arbelio::testing::readFile(f.path);
  return r;
}

class Generacion : public ::testing::Test {
 protected:
  EntornoImport e;
  InteraccionGuionada ui{e.estado};
  ListaProvinciasEnMemoria vista;

  void Elige(const std::string& ruta) {
    ui.archivos.push_back(ruta);
    ASSERT_EQ(mnuAAgregarBD_Click(e.estado, ui, vista), ResultadoSeleccion::Anadida);
  }
  std::vector<std::string> Filas(const std::string& sql) {
    return EntornoImport::Filas(e.estado.rutas.BDTemp, sql);
  }
  bool TieneIndice(const std::string& tabla) {
    store::OpenOptions o;
    o.readOnly = true;
    return store::Database::open(e.estado.rutas.BDTemp, o).tableDef(tabla).hasIndex("ProvEstInd");
  }
};

}  // namespace

TEST_F(Generacion, DosProvinciasSeUnenEnOrdenDeSeleccion) {
  EscribeBase(e.ruta("p47"), "47", 47, 10);
  EscribeBase(e.ruta("p09"), "09", 9, 20, 2);
  Elige(e.ruta("p47/Piesma47.dbf"));
  Elige(e.ruta("p09/Piesma09.dbf"));
  EXPECT_EQ(vista.modelo.totalParcelas, 5);
  EXPECT_EQ(vista.modelo.totalPies, 10);
  ASSERT_FALSE(ExisteBaseTrabajo(e.estado));
  ASSERT_TRUE(mnuAGenerarBDT_Click(e.estado, ui));
  EXPECT_TRUE(ExisteBaseTrabajo(e.estado));
  EXPECT_EQ(FilasBaseTrabajo(e.estado), (std::vector<std::int64_t>{5, 10, 5, 5, 5, 5}));
  // Rows of 47 first (table order of the merged table).
  const auto provincias = Filas("SELECT PROVINCIA FROM DATDEF00");
  EXPECT_EQ(provincias.front(), "47");
  EXPECT_EQ(provincias.back(), "9");
  for (const char* t : {"DatDef00", "Piesma00", "Piesme00", "Tiposx00", "Matorr00", "Especi00"})
    EXPECT_TRUE(TieneIndice(t)) << t;
  // The twelve per-province copies are gone.
  for (const auto& f : store::listFiles(e.estado.rutas.BDTemp))
    EXPECT_NE(f.name.find("00"), std::string::npos) << f.name;
  EXPECT_FALSE(e.estado.menus.habilitada(shell::EntradaMenu::AAgregarBD));
  const auto& p = ui.progreso;
  for (const char* t : {"explicacion:Generando estructura de tabla DatDef",
                        "explicacion:Rellenando de datos la tabla Especi00",
                        "explicacion:Creando Índices para tabla Matorr00",
                        "explicacion:Eliminando duplicados en tabla PIESMA00",
                        "calculos: registros duplicados en tabla ESPECI00",
                        "explicacion:Eliminando ficheros temporales", "barra:96", "barra:100"})
    EXPECT_NE(std::find(p.begin(), p.end(), t), p.end()) << t;
  EXPECT_NE(std::find(p.begin(), p.end(),
                      "mostrar:Generando base de datos de trabajo...||cancelar=0|centrado"),
            p.end());
  EXPECT_TRUE(ui.mensajes.empty());
}

// A template missing from BDEstruct stops the merge after its dialog is up: the message says
// why and the dialog and the hourglass are gone with the command.
TEST_F(Generacion, UnFalloOcultaElDialogoYDevuelveElPuntero) {
  EscribeBase(e.ruta("p47"), "47", 47, 10);
  EscribeBase(e.ruta("p09"), "09", 9, 20, 2);
  Elige(e.ruta("p47/Piesma47.dbf"));
  Elige(e.ruta("p09/Piesma09.dbf"));
  store::deleteFile(e.estado.rutas.BDEstruct + "/Matorr.dbf");
  EXPECT_FALSE(mnuAGenerarBDT_Click(e.estado, ui));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error ", 0), 0u) << ui.mensajes[0].texto;
  EXPECT_NE(std::find(ui.progreso.begin(), ui.progreso.end(),
                      "mostrar:Generando base de datos de trabajo...||cancelar=0|centrado"),
            ui.progreso.end());
  EXPECT_FALSE(ui.progresoVisible);
  EXPECT_FALSE(ui.reloj);
  EXPECT_TRUE(e.estado.menus.habilitada(shell::EntradaMenu::AAgregarBD));
}

TEST_F(Generacion, DuplicadosDejanLaUltimaFilaDeCadaClave) {
  // Two saved cuts holding the same plots: the rows of the later one survive.
  EscribeBase(e.ruta("a"), "Aa", 47, 10);
  EscribeBase(e.ruta("b"), "Bb", 47, 20, 2);
  Elige(e.ruta("a/PiesmaAa.dbf"));
  Elige(e.ruta("b/PiesmaBb.dbf"));
  ASSERT_TRUE(mnuAGenerarBDT_Click(e.estado, ui));
  EXPECT_EQ(FilasBaseTrabajo(e.estado), (std::vector<std::int64_t>{3, 6, 3, 3, 3, 3}));
  EXPECT_EQ(Filas("SELECT ESTADILLO, NUMORDEN, ALTURA FROM PIESMA00 ORDER BY ESTADILLO, NUMORDEN"),
            (std::vector<std::string>{"1|1|20", "1|2|20", "2|1|20", "2|2|20", "3|1|10", "3|2|10"}));
  // LabelZ counted the two duplicate plots of DATDEF00.
  const auto& p = ui.progreso;
  const auto desde =
      std::find(p.begin(), p.end(), "explicacion:Eliminando duplicados en tabla DATDEF00");
  const auto hasta =
      std::find(p.begin(), p.end(), "explicacion:Eliminando duplicados en tabla PIESMA00");
  ASSERT_NE(desde, p.end());
  EXPECT_NE(std::find(desde, hasta, "z:2"), hasta);
  EXPECT_EQ(std::find(desde, hasta, "z:3"), hasta);
}

TEST(EliminaDuplicados, TresFilasIgualesQuedaLaUltimaYUnNuloNuncaEsIgual) {
  EntornoImport e;
  const std::string t = e.estado.rutas.BDTemp;
  EntornoImport::EscribeTabla(t, "Piesma", "PIESMA00",
                              {Arbol(47, 1, 1, 21, 300, 300, 1),
                               Arbol(47, 1, 1, 21, 300, 300, 2),
                               Arbol(47, 2, 1, 21, 300, 300, 3),
                               Arbol(47, 1, 1, 21, 300, 300, 4),
                               {{"PROVINCIA", 47}, {"ESTADILLO", 2}, {"ALTURA", 5}},
                               {{"PROVINCIA", 47}, {"ESTADILLO", 2}, {"ALTURA", 6}}});
  InteraccionGuionada ui(e.estado);
  {
    store::Database db = store::Database::open(t);
    EXPECT_EQ(EliminaDuplicados(db, "PIESMA00", {"PROVINCIA", "ESTADILLO", "NUMORDEN"}, ui), 2);
  }
  EXPECT_EQ(EntornoImport::Filas(t, "SELECT ALTURA FROM PIESMA00"),
            (std::vector<std::string>{"3", "4", "5", "6"}));
}

// The species per plot table keys on a text: equal texts are duplicates wherever the sort puts
// them, and an empty text never equals.
TEST(EliminaDuplicados, ClaveDeTextoDeLaTablaDeEspecies) {
  EntornoImport e;
  const std::string t = e.estado.rutas.BDTemp;
  EntornoImport::EscribeTabla(
      t, "Especi", "ESPECI00",
      {{{"PROVINCIA", 47}, {"ESTADILLO", 1}, {"ESPECIE", "21"}, {"NUMPM", 1}},
       {{"PROVINCIA", 47}, {"ESTADILLO", 1}, {"ESPECIE", "3"}, {"NUMPM", 2}},
       {{"PROVINCIA", 47}, {"ESTADILLO", 1}, {"ESPECIE", "21"}, {"NUMPM", 3}},
       {{"PROVINCIA", 47}, {"ESTADILLO", 2}, {"NUMPM", 4}},
       {{"PROVINCIA", 47}, {"ESTADILLO", 2}, {"NUMPM", 5}},
       {{"PROVINCIA", 47}, {"ESTADILLO", 2}, {"ESPECIE", "3"}, {"NUMPM", 6}}});
  InteraccionGuionada ui(e.estado);
  {
    store::Database db = store::Database::open(t);
    EXPECT_EQ(EliminaDuplicados(db, "ESPECI00", {"PROVINCIA", "ESTADILLO", "ESPECIE"}, ui), 1);
  }
  EXPECT_EQ(EntornoImport::Filas(t, "SELECT NUMPM FROM ESPECI00"),
            (std::vector<std::string>{"2", "3", "4", "5", "6"}));
}

TEST_F(Generacion, UnaSolaBaseSeRenombraA00ConSusIndices) {
  EscribeBase(e.ruta("p47"), "47", 47, 10);
  // An index already present on a table stays as it is.
  {
    store::Database db = store::Database::open(e.ruta("p47"));
    store::IndexDef idx;
    idx.name = "ProvEstInd";
    idx.fields = {"Provincia", "Estadillo"};
    db.appendIndex("Piesma47", idx);
  }
  const auto originales = Contenidos(e.ruta("p47"));
  Elige(e.ruta("p47/Piesma47.dbf"));
  // The tables are brought into the workspace as second names of the user's files (no bytes
  // copied).
  EXPECT_TRUE(std::filesystem::equivalent(e.ruta("p47/Piesma47.dbf"),
                                          e.estado.rutas.BDTemp + "/Piesma47.dbf"));
  ASSERT_TRUE(mnuAGenerarBDT_Click(e.estado, ui));
  std::vector<std::string> nombres;
  for (const auto& f : store::listFiles(e.estado.rutas.BDTemp))
    if (f.name.size() > 4 && f.name.substr(f.name.size() - 4) == ".dbf") nombres.push_back(f.name);
  EXPECT_EQ(nombres, (std::vector<std::string>{"DatDef00.dbf", "Especi00.dbf", "Matorr00.dbf",
                                               "Piesma00.dbf", "Piesme00.dbf", "Tiposx00.dbf"}));
  for (const char* t : {"DatDef00", "Piesma00", "Piesme00", "Tiposx00", "Matorr00", "Especi00"})
    EXPECT_TRUE(TieneIndice(t)) << t;
  EXPECT_EQ(FilasBaseTrabajo(e.estado), (std::vector<std::int64_t>{3, 6, 3, 3, 3, 3}));
  // A working table changed and written (as the cut tool's row removal does) is written anew:
  // the user's files, their index sidecar included, stay as they were.
  {
    store::Database db = store::Database::open(e.estado.rutas.BDTemp);
    store::Cursor c = db.openCursor("Piesma00");
    c.edit();
    c.setValue("ESPECIE", store::Value("99"));
    c.update();
    c.moveNext();
    c.remove();
    store::IndexDef idx;
    idx.name = "OtroInd";
    idx.fields = {"Especie"};
    db.appendIndex("Piesma00", idx);
  }
  EXPECT_EQ(Filas("SELECT COUNT(*) FROM Piesma00 WHERE ESPECIE = '99'"),
            std::vector<std::string>{"1"});
  EXPECT_EQ(Contenidos(e.ruta("p47")), originales);

  // From now on the working database stands for the selection, with one database as with
  // several: the entry is disabled, and the command itself refuses another database (it would
  // be listed but never computed).
  EXPECT_FALSE(e.estado.menus.habilitada(shell::EntradaMenu::AAgregarBD));
  EscribeBase(e.ruta("p09"), "09", 9, 20);
  ui.mensajes.clear();
  ui.dialogos.clear();
  ui.archivos.push_back(e.ruta("p09/Piesma09.dbf"));
  EXPECT_EQ(mnuAAgregarBD_Click(e.estado, ui, vista), ResultadoSeleccion::Cerrada);
  EXPECT_TRUE(ui.dialogos.empty());
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto, kMensajeSeleccionCerrada);
  EXPECT_EQ(e.estado.CodigosSeleccionados, std::vector<std::string>{"47"});
  EXPECT_EQ(vista.modelo.totalParcelas, 3);
  EXPECT_FALSE(store::fileExists(e.estado.rutas.BDTemp + "/Piesma09.dbf"));
}

TEST_F(Generacion, TablaQueFaltaSeDiceConError) {
  EscribeBase(e.ruta("p47"), "47", 47, 10);
  EscribeBase(e.ruta("p09"), "09", 9, 20);
  Elige(e.ruta("p47/Piesma47.dbf"));
  Elige(e.ruta("p09/Piesma09.dbf"));
  store::deleteFile(e.estado.rutas.BDTemp + "/Tiposx09.dbf");
  EXPECT_FALSE(mnuAGenerarBDT_Click(e.estado, ui));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error ", 0), 0u);
  EXPECT_TRUE(e.estado.menus.habilitada(shell::EntradaMenu::AAgregarBD));
}

namespace {

// Writes a PIESMA00 whose rows have these keys (a NaN for an empty one) and their place in ORDEN,
// removes its duplicates and checks that the rows left are the rule's: of the rows whose keys are
// all present and equal, only the last in table order stays.
void QuedanLasFilasDeLaRegla(const std::vector<std::array<double, 3>>& claves) {
  pruebas::CarpetaTemporal dir;
  store::Database db = store::Database::open(dir.ruta());
  store::TableDef def("PIESMA00");
  for (const char* campo : {"PROVINCIA", "ESTADILLO", "NUMORDEN"})
    def.appendField(campo, store::FieldType::Double);
  def.appendField("ORDEN", store::FieldType::Long);
  db.appendTableDef(def);
  store::Cursor c = db.openCursor("PIESMA00");
  for (std::size_t i = 0; i < claves.size(); ++i) {
    c.addNew();
    for (int k = 0; k < 3; ++k) {
      if (!std::isnan(claves[i][static_cast<std::size_t>(k)]))
        c.setValue(k, claves[i][static_cast<std::size_t>(k)]);
    }
    c.setValue("ORDEN", static_cast<int>(i));
    c.update();
  }
  c.close();
  std::vector<std::string> esperadas;
  std::int64_t quitadas = 0;
  for (std::size_t i = 0; i < claves.size(); ++i) {
    const auto& k = claves[i];
    const bool completa = !std::isnan(k[0]) && !std::isnan(k[1]) && !std::isnan(k[2]);
    const bool otraDespues =
        completa && std::find(claves.begin() + static_cast<std::ptrdiff_t>(i) + 1, claves.end(),
                              k) != claves.end();
    if (otraDespues) {
      ++quitadas;
    } else {
      esperadas.push_back(std::to_string(i));
    }
  }
  EntornoImport e;
  InteraccionGuionada ui(e.estado);
  EXPECT_EQ(EliminaDuplicados(db, "PIESMA00", {"PROVINCIA", "ESTADILLO", "NUMORDEN"}, ui),
            quitadas);
  db.close();
  EXPECT_EQ(EntornoImport::Filas(dir.ruta(), "SELECT ORDEN FROM PIESMA00"), esperadas);
}

}  // namespace

// Whatever the keys hold, the rows left are the rule's. Whole keys within their bits are ordered
// packed, and a table with a key outside them (a fraction, a negative, a plot number of 2^24, a
// province of 65,536) by its values: both give the rule's rows. The keys are few and shuffled, so
// most rows have twins, and some are near the limits of their bits (a plot of 65,536 with
// province 0 against province 1 with plot 0).
TEST(EliminaDuplicados, ClavesEnterasYFueraDeRangoDejanLasFilasDeLaRegla) {
  std::mt19937 azar(20261208);
  const std::vector<std::array<double, 3>> extremas = {
      {65535, 16777215, 16777215}, {0, 65536, 5}, {1, 0, 5}, {0, 0, 0}};
  const std::vector<std::array<double, 3>> fuera = {
      {1.5, 1, 1}, {-1, 1, 1}, {1, 1, 16777216}, {65536, 1, 1}};
  for (std::size_t variante = 0; variante <= fuera.size(); ++variante) {
    SCOPED_TRACE(variante);
    std::vector<std::array<double, 3>> claves;
    for (int i = 0; i < 400; ++i) {
      std::array<double, 3> k{};
      for (double& x : k) x = azar() % 10 == 0 ? std::nan("") : static_cast<double>(azar() % 3);
      claves.push_back(k);
    }
    for (const auto& k : extremas) claves.insert(claves.begin() + azar() % claves.size(), 2, k);
    // With a twin, near the start or at the end (after the rows have made too many runs of
    // rising keys): a key outside the bits still has its duplicates removed.
    if (variante > 0)
      claves.insert(variante % 2 == 1 ? claves.begin() + 7 : claves.end(), 2, fuera[variante - 1]);
    QuedanLasFilasDeLaRegla(claves);
  }
}

// A working table merged from provinces: a run of rising keys per province, not in province
// order, with twins inside each run and empty keys between them. Runs that share no key are
// walked one by one; a key in two runs (a province given twice, or two runs whose ranges meet at
// one key) puts twins in different runs, and the rule still holds.
TEST(EliminaDuplicados, TramosPorProvinciaDejanLasFilasDeLaRegla) {
  const double vacia = std::nan("");
  const auto provincia = [](double p, std::vector<std::array<double, 2>> parcelas) {
    std::vector<std::array<double, 3>> filas;
    for (const auto& [parcela, arbol] : parcelas) filas.push_back({p, parcela, arbol});
    return filas;
  };
  const auto segun = [](std::vector<std::vector<std::array<double, 3>>> tramos) {
    std::vector<std::array<double, 3>> filas;
    for (const auto& t : tramos) filas.insert(filas.end(), t.begin(), t.end());
    return filas;
  };
  const auto p24 = provincia(24, {{1, 1}, {1, 1}, {1, 2}, {3, 1}, {3, 1}, {3, 1}});
  const auto p2 = provincia(2, {{1, 1}, {2, 1}, {2, 1}, {2, 2}});
  const auto p10 = provincia(10, {{5, 1}, {6, 1}, {6, 1}});
  const std::vector<std::array<double, 3>> conVacias = {{2, vacia, 1}, {vacia, 1, 1}};
  {
    SCOPED_TRACE("provincias distintas");
    QuedanLasFilasDeLaRegla(segun({p24, conVacias, p2, p10}));
  }
  {
    SCOPED_TRACE("una provincia dos veces");
    QuedanLasFilasDeLaRegla(segun({p24, p2, p10, p2}));
  }
  {
    // The rows are read in two halves: twins on either side of the middle.
    SCOPED_TRACE("gemelas a ambos lados de la mitad");
    QuedanLasFilasDeLaRegla(provincia(5, {{1, 1}, {2, 1}, {2, 1}, {3, 1}}));
  }
  {
    SCOPED_TRACE("dos tramos que se tocan en una clave");
    // The second run ends with the first's first key: their ranges meet at that key.
    QuedanLasFilasDeLaRegla(
        segun({provincia(5, {{7, 2}, {9, 1}}), provincia(5, {{4, 1}, {7, 2}}), p2}));
  }
}