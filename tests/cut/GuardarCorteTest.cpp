// Saving a cut: the seven tables written into BDCorte and copied to the chosen folder, read back
// with an independent dBASE reader (python3-dbfread, memo included); the name check, the
// description, the copy onto BDCorte itself, failures that leave the user's files alone, and the
// saved cut selected again as an input database.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EntornoCorte.h"
#include "cut/AplicarCorte.h"
#include "cut/GuardarCorte.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/TablasInventario.h"
#include "shell/InteraccionGuionada.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::cut {
namespace {

namespace fs = std::filesystem;
using pruebas_corte::Plot;
using pruebas_import::Arbol;
using pruebas_import::Registro;
using Lista = std::vector<std::string>;

std::string Leer(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Every table of a saved cut as dbfread reads it: "name: key|key|..." per table, then the
// InfCor record's fields one per line.
std::string LeerConDbfread(const std::string& carpeta, const std::string& codigo) {
  pruebas::CarpetaTemporal tmp;
  const std::string script = tmp.archivo("leer.py");
  std::ofstream(script) << R"PY(
import sys, dbfread
carpeta, codigo = sys.argv[1], sys.argv[2]
for base, claves in [('DatDef', ['PROVINCIA', 'ESTADILLO']),
                     ('Piesma', ['PROVINCIA', 'ESTADILLO', 'NUMORDEN']),
                     ('Piesme', ['PROVINCIA', 'ESTADILLO', 'NUMORDEN']),
                     ('Tiposx', ['PROVINCIA', 'ESTADILLO', 'NUMORDEN']),
                     ('Matorr', ['PROVINCIA', 'ESTADILLO', 'NUMORDEN']),
                     ('Especi', ['PROVINCIA', 'ESTADILLO', 'ESPECIE'])]:
    t = dbfread.DBF(carpeta + '/' + base + codigo + '.dbf', char_decode_errors='strict')
    print(base + ': ' + ' '.join('-'.join(str(r[k]) for k in claves) for r in t))
for r in dbfread.DBF(carpeta + '/InfCor' + codigo + '.dbf', char_decode_errors='strict'):
    for campo in ['DESCRIPCIO', 'CRITERIOS', 'FECHACREAC', 'HORACREAC', 'NUMESTADIS',
                  'NUMPIESMAS']:
        print(campo + '=' + repr(r[campo]))
)PY";
  const std::string salida = tmp.archivo("salida.txt");
  const std::string orden =
      "/usr/bin/python3 " + script + " '" + carpeta + "' " + codigo + " > " + salida + " 2>&1";
  const int r = std::system(orden.c_str());
  EXPECT_EQ(r, 0) << Leer(salida);
  return Leer(salida);
}

class GuardarCorte : public ::testing::Test {
 protected:
  GuardarCorte() {
    entorno.Mundo();
    // Trees of the cut's plots and of others; 47-1 tree 2 is removed by hand.
    entorno.Trabajo(
        {Plot(47, 1, 30, "30", "4600", "001", 3, 1), Plot(47, 2, 30, "300", "4610", "007", 1),
         Plot(9, 1, 30, "310", "4605", "007", 2, 1), Plot(47, 5, 30, "31", "4640", "001", 1)},
        {pruebas_corte::Esp(47, 1, "21", 800, 20, 80, 60),
         pruebas_corte::Esp(47, 1, "45", 200, 15, 20, 40),
         pruebas_corte::Esp(9, 1, "45", 700, 20, 70, 70),
         pruebas_corte::Esp(47, 2, "45", 300, 25, 100, 100)},
        {Arbol(47, 1, 1, 21, 200, 210), Arbol(47, 2, 1, 45, 150, 150),
         Arbol(47, 1, 2, 45, 300, 310), Arbol(9, 1, 1, 45, 100, 100), Arbol(47, 1, 3, 21, 90, 95),
         Arbol(9, 1, 2, 45, 120, 120), Arbol(47, 5, 1, 21, 400, 410)},
        {Registro(47, 1, 1), Registro(9, 1, 1), Registro(47, 2, 1)}, {Registro(47, 1, 1)},
        {Registro(47, 5, 1), Registro(47, 2, 1)});
    store::Database trabajo = store::Database::open(entorno.ruta("BDTemp"));
    CriteriosCorte criterios;
    criterios.rejillas[kCriterioMunicipios]->fijarFilas({{"47", "001"}, {"9", "007"}});
    ResumenCorte resumen;
    shell::InteraccionGuionada aplicar(entorno.estado);
    EXPECT_TRUE(CommandAplicarUno_Click(entorno.estado, aplicar, {trabajo, [] { return 0.0; }},
                                        criterios, kCriterioMunicipios, resumen));
    entorno.estado.PiesExcluidos = {{47, 1, 2}};
    fs::create_directory(destino.path() / "salida");
    salida = destino.archivo("salida");
  }

  static MomentoCorte Momento() { return {2024, 3, 5, 9, 5, 31}; }

  pruebas_corte::EntornoCorte entorno;
  shell::InteraccionGuionada ui{entorno.estado};
  pruebas::CarpetaTemporal destino;
  std::string salida;
};

TEST_F(GuardarCorte, SieteTablasLeidasPorOtroLectorYElNombreSeComprueba) {
  const std::string comentario(300, 'x');
  ui.entradas = {comentario};
  ui.archivos = {salida + "/Datdefabc.dbf", salida + "/Datdef1.dbf", salida + "/DatdefZq.dbf"};
  EXPECT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  EXPECT_EQ(ui.textos(),
            (Lista{AvisoDescripcionCortada(), kNombreCorteNoValido, kNombreCorteNoValido}));
  ASSERT_EQ(ui.dialogos.size(), 3u);
  EXPECT_EQ(ui.dialogos[0].titulo, "Guardar base de datos de Corte, código : AA");
  EXPECT_EQ(ui.dialogos[0].nombreInicial, "DatdefAA.dbf");
  EXPECT_EQ(ui.dialogos[2].nombreInicial, "DatdefAA.dbf");
  EXPECT_EQ(ui.textosEntrada, (Lista{kTextoComentarioCorte}));
  EXPECT_EQ(entorno.estado.SufijoTablas, "Zq");
  EXPECT_NE(std::find(ui.progreso.begin(), ui.progreso.end(),
                      "explicacion: Se está guardando la base de datos\r\ndel corte  con el "
                      "código 'Zq'."),
            ui.progreso.end());
  EXPECT_EQ(ui.progreso.front(), "mostrar:Guardando...||cancelar=0|centrado");
  EXPECT_FALSE(ui.progresoVisible);

  const std::string leido = LeerConDbfread(salida, "Zq");
  EXPECT_EQ(leido,
            "DatDef: 9-1 47-1 47-5\n"
            "Piesma: 9-1-1 9-1-2 47-1-1 47-1-3 47-5-1\n"
            "Piesme: 9-1-1 47-1-1\n"
            "Tiposx: 47-1-1\n"
            "Matorr: 47-5-1\n"
            "Especi: 9-1-45 47-1-21 47-1-45\n"
            "DESCRIPCIO='" +
                std::string(254, 'x') +
                "'\n"
                "CRITERIOS='Criterios de corte: \\r\\n\\r\\n(Las parcelas resultantes cumplen el "
                "siguiente criterio:)\\r\\n\\r\\n\\t * Municipios: \\r\\n\\t\\tProvincia\\t"
                "Municipio\\r\\n\\t\\t47\\t001\\r\\n\\t\\t9\\t007\\r\\n'\n"
                "FECHACREAC=datetime.date(2024, 3, 5)\n"
                "HORACREAC='9:05:'\n"
                "NUMESTADIS=3\n"
                "NUMPIESMAS=6\n");
  // The same files, under the same names, in BDCorte.
  for (const char* t : kTablasCorte)
    EXPECT_TRUE(fs::exists(entorno.ruta("BDCorte") + "/" + t + "Zq.dbf")) << t;
  EXPECT_TRUE(fs::exists(salida + "/InfCorZq.dbt"));
}

TEST_F(GuardarCorte, CancelarNoGuardaYUnComentarioDe254SeGuardaEntero) {
  ui.entradas = {std::string(254, 'y')};
  EXPECT_FALSE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  EXPECT_TRUE(ui.textos().empty());
  EXPECT_TRUE(ui.progreso.empty());
  EXPECT_TRUE(store::listFiles(entorno.ruta("BDCorte")).empty());

  ui.entradas = {std::string(254, 'y')};
  ui.archivos = {salida + "/DatdefAA.dbf"};
  EXPECT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  EXPECT_TRUE(ui.textos().empty());
  EXPECT_NE(LeerConDbfread(salida, "AA").find("DESCRIPCIO='" + std::string(254, 'y') + "'"),
            std::string::npos);
}

TEST_F(GuardarCorte, ElegirLaCarpetaBDCorteNoCopiaNada) {
  // The same folder written another way.
  ui.archivos = {entorno.ruta("BDCorte") + "/../BDCorte/DatdefAA.dbf"};
  EXPECT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  EXPECT_TRUE(ui.textos().empty());
  Lista nombres;
  for (const auto& f : fs::directory_iterator(entorno.ruta("BDCorte")))
    nombres.push_back(f.path().filename().string());
  std::sort(nombres.begin(), nombres.end());
  EXPECT_EQ(nombres, (Lista{"DatDefAA.dbf", "EspeciAA.dbf", "InfCorAA.dbf", "InfCorAA.dbt",
                            "MatorrAA.dbf", "PiesmaAA.dbf", "PiesmeAA.dbf", "TiposxAA.dbf"}));
}

TEST_F(GuardarCorte, UnaCopiaFallidaDejaLosArchivosDelUsuarioEnterosYLoDice) {
  ui.archivos = {entorno.ruta("BDCorte") + "/DatdefAA.dbf"};
  ASSERT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  // The user's folder holds an earlier cut with the same code (one file named in other case).
  const Lista nombres = {"DatdefAA.dbf", "PiesmaAA.dbf", "PiesmeAA.dbf", "TiposxAA.dbf",
                         "MatorrAA.dbf", "EspeciAA.dbf", "InfCorAA.dbf", "InfCorAA.dbt"};
  for (const auto& n : nombres) std::ofstream(salida + "/" + n) << "anterior " << n;
  // The copies fail after the first file's bytes: that one is replaced whole, the failing one
  // and those after it are left as they were, and nothing half-written stays behind.
  const auto primero = fs::file_size(entorno.ruta("BDCorte") + "/DatDefAA.dbf");
  store::failWritesAfterForTesting(static_cast<long long>(primero) + 10);
  EXPECT_THROW(CopiarCorte(entorno.estado, salida), store::StoreError);
  store::failWritesAfterForTesting(-1);
  EXPECT_EQ(Leer(salida + "/DatDefAA.dbf"), Leer(entorno.ruta("BDCorte") + "/DatDefAA.dbf"));
  for (std::size_t i = 1; i < nombres.size(); ++i)
    EXPECT_EQ(Leer(salida + "/" + nombres[i]), "anterior " + nombres[i]);
  std::size_t archivos = 0;
  for (const auto& f : fs::directory_iterator(salida)) {
    (void)f;
    ++archivos;
  }
  EXPECT_EQ(archivos, nombres.size());

  // Through the command, a failed copy is told.
  ui.archivos = {destino.archivo("no-existe") + "/DatdefAA.dbf"};
  EXPECT_FALSE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0].rfind(" Error guardando corte: Nº ", 0), 0u) << ui.textos()[0];
  EXPECT_FALSE(ui.progresoVisible);

  // A successful copy replaces every earlier file.
  ui.archivos = {salida + "/DatdefAA.dbf"};
  EXPECT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  EXPECT_NE(LeerConDbfread(salida, "AA").find("DatDef: 9-1 47-1 47-5"), std::string::npos);
  EXPECT_FALSE(fs::exists(salida + "/DatdefAA.dbf"));
}

TEST_F(GuardarCorte, SiNoSeEscribeEnteroNoSeCopia) {
  store::deleteFile(entorno.ruta("BDEstruct") + "/Tiposx.dbf");
  ui.archivos = {salida + "/DatdefAA.dbf"};
  EXPECT_FALSE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0].rfind("Error guardando corte  53\r\n", 0), 0u) << ui.textos()[0];
  EXPECT_NE(ui.textos()[0].find("Tiposx.dbf"), std::string::npos) << ui.textos()[0];
  EXPECT_TRUE(store::listFiles(salida).empty());
  EXPECT_FALSE(ui.progresoVisible);
}

TEST_F(GuardarCorte, UnaTablaDeTrabajoMasAnchaQueSuPlantillaSeGuardaEntera) {
  // A working plot summary whose municipality field is wider than the template's (as a merge
  // makes it when a province holds longer codes).
  const std::string temp = entorno.ruta("BDTemp");
  store::deleteFile(temp + "/DatDef00.dbf");
  store::TableDef ancha("DatDef00");
  const store::TableDef plantilla =
      inventory::DefinicionTabla(inventory::LayoutDatDef(), "DatDef00");
  for (const auto& f : plantilla.fields())
    ancha.appendField(store::equalsNoCase(f.name, "MUNICI")
                          ? store::FieldDef::make(f.name, store::FieldType::Text, 6)
                          : f);
  {
    store::Database db = store::Database::open(temp);
    db.appendTableDef(ancha);
    store::Cursor c = db.openCursor("DatDef00", store::CursorKind::Table);
    for (const auto& fila : {Plot(47, 1, 30, "30", "4600", "123456", 3, 1),
                             Plot(9, 1, 30, "310", "4605", "007", 2, 1)}) {
      c.addNew();
      for (const auto& [campo, valor] : fila) c.setValue(campo, valor);
      c.update();
    }
    c.close();
    db.close();
  }
  ui.archivos = {salida + "/DatdefAA.dbf"};
  ASSERT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento)) << ui.textos()[0];
  const auto filas = pruebas_import::EntornoImport::Filas(
      salida, "SELECT PROVINCIA, ESTADILLO, MUNICI, NUMPMA FROM DatDefAA");
  EXPECT_EQ(filas, (Lista{"9|1|007|2", "47|1|123456|3"}));
}

TEST_F(GuardarCorte, ElCorteGuardadoSeSeleccionaDeNuevo) {
  ui.entradas = {"Pinares de prueba"};
  ui.archivos = {salida + "/DatdefAA.dbf"};
  ASSERT_TRUE(mnuAGuardarCorte_Click(entorno.estado, ui, Momento));

  pruebas_import::EntornoImport otro;
  otro.estado.menus.alIniciar();
  shell::InteraccionGuionada ui2(otro.estado);
  ui2.archivos = {salida + "/PiesmaAA.dbf"};
  import::ListaProvinciasEnMemoria lista;
  ASSERT_EQ(import::mnuAAgregarBD_Click(otro.estado, ui2, lista),
            import::ResultadoSeleccion::Anadida)
      << (ui2.textos().empty() ? "" : ui2.textos()[0]);
  EXPECT_EQ(lista.modelo.filas[0][0], "AA");
  EXPECT_EQ(lista.modelo.filas[0][1], "Pinares de prueba");
  EXPECT_EQ(lista.modelo.filas[0][2], "3");
  EXPECT_EQ(lista.modelo.filas[0][3], "6");
  ASSERT_TRUE(import::mnuAGenerarBDT_Click(otro.estado, ui2));
  EXPECT_EQ(import::FilasBaseTrabajo(otro.estado), (std::vector<std::int64_t>{3, 5, 2, 1, 1, 3}));
}

}  // namespace
}  // namespace arbelio::cut
