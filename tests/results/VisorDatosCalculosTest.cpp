// The results viewer's core: tabs, header units and tooltips, cell formats, the selection and
// sort, the row counter and saving the shown table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "../comun/CarpetaTemporal.h"
#include "../comun/TablaDePrueba.h"
#include "results/VisorDatosCalculos.h"
#include "shell/InteraccionGuionada.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio;
using namespace arbelio::results;
namespace fs = std::filesystem;

namespace {

std::string Leer(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::vector<std::string> Claves(const std::vector<PestanaVisor>& p) {
  std::vector<std::string> r;
  for (const auto& x : p) r.push_back(x.clave);
  return r;
}

TEST(VisorCalculos, PestanasDeLasTablasCalculadas) {
  std::array<bool, 9> t{};
  // The tree table's tab is there even when its entry is clear.
  EXPECT_EQ(Claves(PestanasVisor(t)), std::vector<std::string>{"AIndiv"});
  t = {true, true, false, false, true, false, false, false, false};  // quick "Calcular"
  const auto rapidas = PestanasVisor(t);
  EXPECT_EQ(Claves(rapidas), (std::vector<std::string>{"AIndiv", "Parcel", "Sp_Par"}));
  EXPECT_STREQ(rapidas[2].caption, "Especie por Parcela");
  EXPECT_STREQ(rapidas[2].ayuda, "Datos para cada especie existente en cada parcela");
  t.fill(true);
  EXPECT_EQ(Claves(PestanasVisor(t)),
            (std::vector<std::string>{"AIndiv", "Parcel", "Specie", "ClDiam", "Sp_Par", "CD_Par",
                                      "CD_esp", "CDSp_P", "Totals"}));
  // Each tab follows its own entry: Cd_esp (6) alone adds "Clase Diamétrica por Especie".
  t = {};
  t[6] = true;
  const auto una = PestanasVisor(t);
  ASSERT_EQ(una.size(), 2u);
  EXPECT_STREQ(una[1].caption, "Clase Diamétrica por Especie");
}

TEST(VisorCalculos, UnidadesDeLaCabeceraConSusBlancos) {
  EXPECT_EQ(Unidades("VCC", "AIndiv"), " (dm3)  ");
  EXPECT_EQ(Unidades("VCC", "Parcel"), " (m3/ha) ");
  EXPECT_EQ(Unidades("vsc", "aindiv"), " (dm3)     ");  // names in any letter case
  EXPECT_EQ(Unidades("IAVC", "AIndiv"), " (dm3)      ");
  EXPECT_EQ(Unidades("VLE", "Totals"), " (m3/ha) ");
  EXPECT_EQ(Unidades("N", "Parcel"), " (pies/ha)");
  EXPECT_EQ(Unidades("ABTP", "Sp_Par"), " (%)");
  EXPECT_EQ(Unidades("HART", "Parcel"), " (%)");
  EXPECT_EQ(Unidades("AB", "Parcel"), " (m2/ha)");
  EXPECT_EQ(Unidades("CD", "Cd_par"), std::string(9, ' '));
  EXPECT_EQ(Unidades("Dg", "Parcel"), " (cm)    ");
  EXPECT_EQ(Unidades("CN", "AIndiv"), " (cm)     ");
  EXPECT_EQ(Unidades("SN", "AIndiv"), " (cm2)    ");
  EXPECT_EQ(Unidades("LDCH", "AIndiv"), " (dm)    ");
  EXPECT_EQ(Unidades("SDCH", "AIndiv"), " (dm2)   ");
  EXPECT_EQ(Unidades("ALTURA", "AIndiv"), " (m)");
  EXPECT_EQ(Unidades("Ho", "Parcel"), " (m)");
  EXPECT_EQ(Unidades("COR", "AIndiv"), " (mm)");
  EXPECT_EQ(Unidades("DFF", "AIndiv"), " (cm)");
  EXPECT_EQ(Unidades("REINEKE", "Parcel"), "");
  EXPECT_EQ(Unidades("PROVINCIA", "Parcel"), "");
  EXPECT_EQ(Unidades("IDM", "Parcel"), "");
}

TEST(VisorCalculos, DescripcionPorLaCabecera) {
  EXPECT_EQ(DescripcionDeCabecera("N (pies/ha)"), "Número de pies por hectárea");
  EXPECT_EQ(DescripcionDeCabecera("Dg (cm)    "), "Diámetro cuadrático medio");
  EXPECT_EQ(DescripcionDeCabecera("CD         "), "Clase diamétrica");
  EXPECT_EQ(DescripcionDeCabecera("VCC (m3/ha) "), "Volumen maderable con corteza");
  EXPECT_EQ(DescripcionDeCabecera("REINEKE"), "Índice de densidad del rodal (Índice de Reineke)");
  EXPECT_EQ(DescripcionDeCabecera("PROVINCIA"), "");
  EXPECT_EQ(DescripcionDeCabecera("FACTOREXP"), "");
  EXPECT_EQ(DescripcionCampo("abtp"), "Tanto por ciento de area basimétrica");
}

TEST(VisorCalculos, DarFormato) {
  using store::Value;
  // Two decimals with the decimal comma; a zero shows "0".
  EXPECT_EQ(DarFormato("AB", Value(0.0), 5), "0");
  EXPECT_EQ(DarFormato("AB", Value(3.5), 5), "3,50");
  EXPECT_EQ(DarFormato("N", Value(1273.2395), 5), "1273,24");
  EXPECT_EQ(DarFormato("Dg", Value(1234567.5), 5), "1234567,50");
  EXPECT_EQ(DarFormato("REINEKE", Value(-0.004), 5), "0");
  EXPECT_EQ(DarFormato("VCC", Value(-2.5), 5), "-2,50");
  // Halves go away from zero on the number as the table holds it (0.125 and 1.005 as singles).
  EXPECT_EQ(DarFormato("HO", Value(0.125), 5), "0,13");
  EXPECT_EQ(DarFormato("HM", Value(1.005f), 5), "1,01");
  EXPECT_EQ(DarFormato("SN", Value(9.995f), 5), "10,00");
  // The class mark: one decimal when the width is not whole, otherwise the plain number.
  EXPECT_EQ(DarFormato("CD", Value(7.5), 2.5f), "7,5");
  EXPECT_EQ(DarFormato("CD", Value(10.0), 2.5f), "10,0");
  EXPECT_EQ(DarFormato("CD", Value(10.0), 5), "10");
  EXPECT_EQ(DarFormato("CD", Value(12.5), 5), "12,5");
  // Any other field: the general form of a single, decimal comma, no trailing zeros.
  EXPECT_EQ(DarFormato("PROVINCIA", Value(47), 5), "47");
  EXPECT_EQ(DarFormato("NUMORDEN", Value(0), 5), "0");
  EXPECT_EQ(DarFormato("LDCH", Value(2.25), 5), "2,25");
  EXPECT_EQ(DarFormato("IDM", Value(0.1f), 5), "0,1");
  EXPECT_EQ(DarFormato("SDCH", Value(12345678.0), 5), "1,234568E+07");
  // Texts show what they hold; nulls are empty.
  EXPECT_EQ(DarFormato("PARAMESP", Value("12 "), 5), "12");
  EXPECT_EQ(DarFormato("PARAMESP", Value("A1"), 5), "A1");
  EXPECT_EQ(DarFormato("VCC", Value::null(), 5), "");
}

TEST(VisorCalculos, Disposicion) {
  const Caja inicial = CajaInicialVisor(12000, 8000);
  EXPECT_EQ(inicial.x, 0);
  EXPECT_EQ(inicial.y, 0);
  EXPECT_EQ(inicial.ancho, 11500);
  EXPECT_EQ(inicial.alto, 7100);
  const DisposicionVisor d = DisponerVisor(10000, 6000, 400, 777, {1800, 1500, 1200, 900});
  EXPECT_EQ(d.pestanas.x, 48);
  EXPECT_EQ(d.pestanas.y, 20);
  EXPECT_EQ(d.pestanas.ancho, 9800);
  EXPECT_EQ(d.rejilla.y, 400);  // overlaps the tab strip's lower edge by 20
  EXPECT_EQ(d.rejilla.ancho, 9800);
  EXPECT_EQ(d.rejilla.alto, 6000 - 400 - 1000);
  EXPECT_EQ(d.yLineaInferior, 400 + 4600 + 100);
  EXPECT_EQ(d.xLineaInferior, (std::array<int, 4>{48, 1898, 3448, 4698}));
  // A window 500 twips high or less keeps the grid's height.
  EXPECT_EQ(DisponerVisor(10000, 500, 400, 777, {}).rejilla.alto, 777);
}

// A finished run's tables in BDOut under the code Kb.
class ModeloVisorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    e.rutas.BDOut = dir.archivo("BDOut");
    fs::create_directory(e.rutas.BDOut);
    e.SufijoCalculos = "Kb";
    e.SufijoTablas = "Zq";  // a new cut since: the viewer still shows the run's tables
    e.opciones.AnchoClase = 2.5f;
    e.opciones.TablasCalcular = {true, true, false, true, false, false, false, false, false};
    // NUMORDEN of different widths and a tie on AB, so the sort is told from a text sort and
    // from an unstable one.
    using store::FieldType;
    using V = store::Value;
    pruebas::EscribirTablaDePrueba(e.rutas.BDOut, "AIndivKb",
                                   {{"PROVINCIA", FieldType::Integer},
                                    {"NUMORDEN", FieldType::Integer},
                                    {"PARAMESP", FieldType::Text, 3},
                                    {"CD"},
                                    {"AB"},
                                    {"VCC"}},
                                   {{47, 10, "12", 10.0, 3.5, 7},
                                    {47, 9, V::null(), 7.5, 0.0, V::null()},
                                    {47, 100, "X", 12.5, 3.5, 2}});
    pruebas::EscribirTablaDePrueba(e.rutas.BDOut, "ParcelKb", {{"N"}, {"VCC"}}, {});
  }

  pruebas::CarpetaTemporal dir;
  EstadoAplicacion e;
};

TEST_F(ModeloVisorTest, AbreLaTablaDelArbolConSusColumnas) {
  ModeloVisorCalculos m(e);
  EXPECT_EQ(Claves(m.pestanas()), (std::vector<std::string>{"AIndiv", "Parcel", "ClDiam"}));
  EXPECT_EQ(m.pestanaActual(), 0);
  EXPECT_EQ(m.nombreTablaMostrada(), "AIndivKb.dbf");
  const shell::FuenteTabla& f = *m.fuente();
  ASSERT_EQ(f.columnas(), 6);
  EXPECT_EQ(f.columna(3).cabecera, "CD" + std::string(9, ' '));
  EXPECT_EQ(f.columna(5).cabecera, "VCC (dm3)  ");
  EXPECT_EQ(f.columna(5).ayuda, "Volumen maderable con corteza");
  EXPECT_EQ(f.columna(0).ayuda, "");
  EXPECT_EQ(f.columna(2).alineacion, shell::Alineacion::Derecha);
  EXPECT_EQ(m.textoRegistros(), "3");
  // Formats with the run's class width (2.5): classes with one decimal.
  EXPECT_EQ(f.texto(0, 3), "10,0");
  EXPECT_EQ(f.texto(1, 3), "7,5");
  EXPECT_EQ(f.texto(0, 4), "3,50");
  EXPECT_EQ(f.texto(1, 4), "0");
  EXPECT_EQ(f.texto(1, 5), "");
  EXPECT_EQ(f.texto(0, 5), "7,00");
  EXPECT_EQ(f.texto(0, 2), "12");
  EXPECT_EQ(f.texto(2, 2), "X");
  EXPECT_EQ(f.texto(2, 1), "100");
}

TEST_F(ModeloVisorTest, PestanasSeleccionYOrden) {
  ModeloVisorCalculos m(e);
  EXPECT_FALSE(m.ordenarHabilitado());
  EXPECT_FALSE(m.Ordenar());
  EXPECT_EQ(m.etiqueta(), "");
  m.PulsarCabecera(1);
  EXPECT_EQ(m.etiqueta(), "col1");
  EXPECT_TRUE(m.ordenarHabilitado());
  ASSERT_TRUE(m.Ordenar());
  const shell::FuenteTabla& f = *m.fuente();
  EXPECT_EQ(f.texto(0, 1), "9");
  EXPECT_EQ(f.texto(1, 1), "10");
  EXPECT_EQ(f.texto(2, 1), "100");
  EXPECT_EQ(m.etiqueta(), "col1");  // the column stays selected
  // Sort by AB: the tie (3.5 twice) keeps the order it had (10 before 100).
  m.PulsarCabecera(4);
  ASSERT_TRUE(m.Ordenar());
  EXPECT_EQ(f.texto(0, 1), "9");
  EXPECT_EQ(f.texto(1, 1), "10");
  EXPECT_EQ(f.texto(2, 1), "100");
  // A data row after a column disables the sort; a header enables it again.
  m.PulsarFila(2);
  EXPECT_EQ(m.etiqueta(), "row2");
  EXPECT_FALSE(m.ordenarHabilitado());
  EXPECT_FALSE(m.Ordenar());
  m.PulsarCabecera(0);
  EXPECT_TRUE(m.ordenarHabilitado());
  // Clicks outside the grid change nothing.
  m.PulsarFila(3);
  m.PulsarCabecera(6);
  EXPECT_EQ(m.etiqueta(), "col0");

  // Another tab: its table with its units, the selection gone.
  m.PulsarPestana(1);
  EXPECT_EQ(m.pestanaActual(), 1);
  EXPECT_EQ(m.etiqueta(), "");
  EXPECT_FALSE(m.ordenarHabilitado());
  EXPECT_EQ(m.fuente()->columna(1).cabecera, "VCC (m3/ha) ");
  EXPECT_EQ(m.textoRegistros(), "0");
  // A tab whose table is missing shows an empty grid.
  m.PulsarPestana(2);
  EXPECT_EQ(m.fuente()->columnas(), 0);
  EXPECT_EQ(m.textoRegistros(), "0");
  EXPECT_EQ(m.nombreTablaMostrada(), "ClDiamKb.dbf");
  EXPECT_THROW(m.PulsarPestana(3), std::out_of_range);
}

// The viewer holds its table open while it shows it: the next run must be able to empty
// BDOut once the viewer is gone, and a tab click lets go of the table it showed before.
TEST_F(ModeloVisorTest, SoltarLaTablaAlCambiarDePestanaOAlCerrar) {
  {
    ModeloVisorCalculos m(e);
    EXPECT_THROW(store::deleteFile(e.rutas.BDOut + "/AIndivKb.dbf"), store::StoreError);
    m.PulsarPestana(1);
    store::deleteFile(e.rutas.BDOut + "/AIndivKb.dbf");
  }
  store::deleteFile(e.rutas.BDOut + "/ParcelKb.dbf");
  EXPECT_TRUE(store::listFiles(e.rutas.BDOut).empty());
}

TEST_F(ModeloVisorTest, GuardarEstaTabla) {
  ModeloVisorCalculos m(e);
  const std::string destino = dir.archivo("copias");
  fs::create_directory(destino);

  // Cancel: nothing written, nothing said.
  shell::InteraccionGuionada ui(e);
  EXPECT_FALSE(m.GuardarTabla(ui));
  ASSERT_EQ(ui.dialogos.size(), 1u);
  EXPECT_EQ(ui.dialogos[0].titulo, "Guardar tabla AIndivKb.dbf");
  EXPECT_EQ(ui.dialogos[0].filtro, "Bases de datos de DBase|*.dbf");
  EXPECT_EQ(ui.dialogos[0].nombreInicial, "AIndivKb.dbf");
  EXPECT_TRUE(ui.mensajes.empty());
  EXPECT_TRUE(store::listFiles(destino).empty());

  // A copy under the chosen name, read back whole, the sort of the grid not applied.
  m.PulsarCabecera(1);
  m.Ordenar();
  ui.archivos.push_back(destino + "/arboles.dbf");
  EXPECT_TRUE(m.GuardarTabla(ui));
  EXPECT_TRUE(ui.mensajes.empty());
  {
    store::Database db = store::Database::open(destino);
    store::Cursor c = db.openCursor("arboles");
    EXPECT_EQ(c.recordCount(), 3);
    EXPECT_EQ(c.value("NUMORDEN").toInt32(), 10);
  }

  // The copy fails half way: the earlier file stays as it was, no temporary file is left,
  // and the failure is reported.
  const std::string previo = destino + "/previo.dbf";
  std::ofstream(previo, std::ios::binary) << "tabla anterior";
  store::failWritesAfterForTesting(64);
  ui.archivos.push_back(previo);
  EXPECT_FALSE(m.GuardarTabla(ui));
  store::failWritesAfterForTesting(-1);
  EXPECT_EQ(Leer(previo), "tabla anterior");
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error ", 0), 0u) << ui.mensajes[0].texto;
  std::vector<std::string> nombres;
  for (const auto& f : store::listFiles(destino)) nombres.push_back(f.name);
  EXPECT_EQ(nombres, (std::vector<std::string>{"arboles.dbf", "previo.dbf"}));

  // A folder that does not exist: reported, nothing else happens.
  ui.archivos.push_back(dir.archivo("no-existe") + "/x.dbf");
  EXPECT_FALSE(m.GuardarTabla(ui));
  EXPECT_EQ(ui.mensajes.size(), 2u);

  // Saving onto the table itself leaves it alone.
  ui.archivos.push_back(e.rutas.BDOut + "/AIndivKb.dbf");
  EXPECT_FALSE(m.GuardarTabla(ui));
  EXPECT_EQ(ui.mensajes.size(), 2u);
  EXPECT_EQ(m.fuente()->filas(), 3);
}

}  // namespace
