// Saving calculations: the copies under the chosen code, the name check and its message, the
// comment file, and a target folder that is the source folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "../comun/CarpetaTemporal.h"
#include "results/GuardarCalculos.h"
#include "shell/InteraccionGuionada.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;
using namespace arbelio::results;
namespace fs = std::filesystem;

namespace {

class CarpetaResultados {
 public:
  CarpetaResultados() {
    fs::create_directory(BDOut());
    fs::create_directory(destino());
  }
  std::string BDOut() const { return carpeta_.archivo("BDOut"); }
  std::string destino() const { return carpeta_.archivo("destino"); }

 private:
  pruebas::CarpetaTemporal carpeta_;
};

std::string Leer(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Result tables of a run under the code AB, as the run names them, one row each.
void CrearResultados(const std::string& BDOut, const std::string& sufijo, bool conEcuaciones) {
  store::Database db = store::Database::open(BDOut);
  std::vector<std::string> bases = {"AIndiv", "Parcel", "Cd_par", "Sp_par", "Specie",
                                    "Cldiam", "Cd_esp", "Cdsp_p", "Totals"};
  if (conEcuaciones) bases.insert(bases.end(), {"Ecuas", "Models", "Params"});
  for (const auto& b : bases) {
    store::TableDef def(b + sufijo);
    def.appendField("N", store::FieldType::Single);
    db.appendTableDef(def);
    store::Cursor c = db.openCursor(b + sufijo);
    c.addNew();
    c.setValue("N", store::Value(static_cast<double>(b.size())));
    c.update();
  }
  db.close();
}

}  // namespace

TEST(GuardarCalculos, CodigoDelNombreElegido) {
  EXPECT_EQ(CodigoDeNombreCalculos("AIndivXY.dbf"), "XY");
  EXPECT_EQ(CodigoDeNombreCalculos("AIndivñb.dbf"), "ñb");
  EXPECT_FALSE(CodigoDeNombreCalculos("AIndivXYZ.dbf"));
  EXPECT_FALSE(CodigoDeNombreCalculos("AIndivX.dbf"));
  EXPECT_FALSE(CodigoDeNombreCalculos("ParcelXY.dbf"));
  EXPECT_FALSE(CodigoDeNombreCalculos("aindivXY.dbf"));
  EXPECT_FALSE(CodigoDeNombreCalculos("AIndivXY.DBF"));
  EXPECT_FALSE(CodigoDeNombreCalculos("AIndivXYdbf1"));
}

TEST(GuardarCalculos, ComentarioEnUtf16ConMarca) {
  EXPECT_EQ(NombreComentario("XY"), "ComentXY.txt");
  const std::string b = ContenidoComentario("Aé");
  EXPECT_EQ(b, std::string("\xFF\xFE"
                           "A\0\xE9\0\r\0\n\0",
                           10));
}

TEST(GuardarCalculos, NueveTablasSinEcuacionesDeUsuario) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", false);
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ResultadoGuardarCalculos r;
  ASSERT_TRUE(GuardarCalculos(c.BDOut(), "AB", c.destino(), "XY", "", ui, &r));
  EXPECT_TRUE(ui.mensajes.empty());
  ASSERT_EQ(r.copiadas.size(), 9u);
  std::vector<std::string> esperados;
  for (int i = 0; i < 9; ++i) {
    esperados.push_back(c.destino() + "/" + kTablasGuardarCalculos[i] + "XY.dbf");
  }
  EXPECT_EQ(r.copiadas, esperados);
  EXPECT_EQ(Leer(c.destino() + "/AindivXY.dbf"), Leer(c.BDOut() + "/AIndivAB.dbf"));
  EXPECT_FALSE(store::fileExists(c.destino() + "/EcuasXY.dbf"));
  // Without a comment no comment file.
  EXPECT_FALSE(store::fileExists(c.destino() + "/ComentXY.txt"));
  EXPECT_TRUE(r.comentario.empty());
  // The copies read as tables.
  store::Database db = store::Database::open(c.destino());
  EXPECT_EQ(db.openCursor("TotalsXY").value("N").toDouble(), 6);
}

TEST(GuardarCalculos, DoceTablasYComentarioRecortado) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", true);
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ResultadoGuardarCalculos r;
  ASSERT_TRUE(
      GuardarCalculos(c.BDOut(), "AB", c.destino(), "XY", "  pinar de Tordesillas ", ui, &r));
  EXPECT_EQ(r.copiadas.size(), 12u);
  EXPECT_TRUE(store::fileExists(c.destino() + "/EcuasXY.dbf"));
  EXPECT_EQ(r.comentario, c.destino() + "/ComentXY.txt");
  EXPECT_EQ(Leer(r.comentario), ContenidoComentario("pinar de Tordesillas"));
}

TEST(GuardarCalculos, UnDestinoExistenteSeSustituye) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", false);
  { std::ofstream(c.destino() + "/ParcelXY.dbf") << "viejo"; }
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ASSERT_TRUE(GuardarCalculos(c.BDOut(), "AB", c.destino(), "XY", "", ui));
  EXPECT_EQ(Leer(c.destino() + "/ParcelXY.dbf"), Leer(c.BDOut() + "/ParcelAB.dbf"));
}

TEST(GuardarCalculos, EnLaCarpetaDeOrigenConSusLetrasNoSeBorraNada) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", true);
  const std::string antes = Leer(c.BDOut() + "/AIndivAB.dbf");
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ResultadoGuardarCalculos r;
  ASSERT_TRUE(GuardarCalculos(c.BDOut(), "AB", c.BDOut(), "AB", "misma carpeta", ui, &r));
  EXPECT_TRUE(ui.mensajes.empty());
  EXPECT_TRUE(r.copiadas.empty());
  EXPECT_EQ(r.omitidas.size(), 12u);
  // Every source is still there and unchanged, and no second file under another case.
  EXPECT_EQ(Leer(c.BDOut() + "/AIndivAB.dbf"), antes);
  EXPECT_FALSE(fs::exists(c.BDOut() + "/AindivAB.dbf"));
  store::Database db = store::Database::open(c.BDOut());
  EXPECT_EQ(db.openCursor("SpecieAB").recordCount(), 1);
  EXPECT_TRUE(store::fileExists(c.BDOut() + "/ComentAB.txt"));
}

TEST(GuardarCalculos, EnLaCarpetaDeOrigenConOtrasLetrasCopiaAlLado) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", false);
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ASSERT_TRUE(GuardarCalculos(c.BDOut(), "AB", c.BDOut(), "CD", "", ui));
  EXPECT_TRUE(store::fileExists(c.BDOut() + "/AIndivAB.dbf"));
  EXPECT_TRUE(store::fileExists(c.BDOut() + "/AindivCD.dbf"));
  EXPECT_TRUE(store::fileExists(c.BDOut() + "/TotalsCD.dbf"));
}

TEST(GuardarCalculos, UnFalloSeDiceConNumeroYDescripcion) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", false);
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  EXPECT_FALSE(GuardarCalculos(c.BDOut(), "AB", c.destino() + "/no-existe", "XY", "", ui));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  const std::string& m = ui.mensajes[0].texto;
  EXPECT_EQ(m.rfind("Error guardando cálculos: ", 0), 0u) << m;
  EXPECT_NE(m.find("     "), std::string::npos) << m;
  EXPECT_EQ(ui.mensajes[0].botones, shell::BotonesMensaje::Aceptar);
}

TEST(GuardarCalculos, OrdenDelMenuConNombreEquivocadoYCancelar) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", false);
  EstadoAplicacion estado;
  estado.rutas.BDOut = c.BDOut();
  estado.SufijoCalculos = "AB";
  estado.SufijoTablas = "QZ";  // a cut applied after the run
  shell::InteraccionGuionada ui(estado);
  ui.entradas.push_back(std::string(" resultados del corte "));
  ui.archivos.push_back(c.destino() + "/ParcelXY.dbf");
  ui.archivos.push_back(c.destino() + "/AIndivXY.dbf");
  mnuAGuardarCalculos_Click(estado, ui);

  ASSERT_EQ(ui.textosEntrada.size(), 1u);
  EXPECT_EQ(ui.textosEntrada[0], kPreguntaComentarioCalculos);
  ASSERT_EQ(ui.dialogos.size(), 2u);
  EXPECT_EQ(ui.dialogos[0].titulo, "Guardar base de datos de cálculos");
  EXPECT_EQ(ui.dialogos[0].filtro, "Bases de datos de DBase|*.dbf");
  EXPECT_EQ(ui.dialogos[0].nombreInicial, "AIndivQZ.dbf");
  EXPECT_FALSE(ui.dialogos[0].confirmarReemplazo);  // the command asks itself
  EXPECT_EQ(ui.textos(), (std::vector<std::string>{
                             "Solo se permite modificar el código de corte (dos letras finales).",
                             "Los cálculos se han guardado con el código XY en la carpeta " +
                                 c.destino() + "."}));
  EXPECT_EQ(ui.mensajes[1].icono, shell::IconoMensaje::Informacion);
  // Read from the run's tables, written under the chosen letters.
  EXPECT_TRUE(store::fileExists(c.destino() + "/AindivXY.dbf"));
  EXPECT_EQ(Leer(c.destino() + "/ComentXY.txt"), ContenidoComentario("resultados del corte"));

  // Cancel in the save dialog: nothing copied, nothing said.
  shell::InteraccionGuionada otra(estado);
  otra.archivos.push_back(std::nullopt);
  mnuAGuardarCalculos_Click(estado, otra);
  EXPECT_TRUE(otra.mensajes.empty());
  EXPECT_FALSE(store::fileExists(c.destino() + "/AindivQZ.dbf"));
}

// Saving twice under one code: the second save asks first (No shows the dialog again and
// changes nothing), and afterwards the folder holds the second calculation only: the tables it
// did not compute and the earlier comment are gone.
TEST(GuardarCalculos, DosVecesConElMismoCodigoPreguntaYNoDejaRestos) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", true);
  EstadoAplicacion estado;
  estado.rutas.BDOut = c.BDOut();
  estado.SufijoCalculos = estado.SufijoTablas = "AB";
  shell::InteraccionGuionada primera(estado);
  primera.entradas.push_back(std::string("primer cálculo"));
  primera.archivos.push_back(c.destino() + "/AIndivXY.dbf");
  mnuAGuardarCalculos_Click(estado, primera);
  EXPECT_EQ(CalculosGuardadosEn(c.BDOut(), "AB", c.destino(), "XY").size(), 13u);
  EXPECT_EQ(primera.preguntasSinGuion, 0);

  // A second run without user equations, Specie or Totals, saved without a comment.
  for (const char* t : {"SpecieAB", "TotalsAB", "EcuasAB", "ModelsAB", "ParamsAB"})
    store::deleteFile(c.BDOut() + "/" + t + ".dbf");
  {
    store::Database db = store::Database::open(c.BDOut());
    store::Cursor p = db.openCursor("ParcelAB");
    p.edit();
    p.setValue("N", 99);
    p.update();
  }
  const std::string parcelaAntes = Leer(c.destino() + "/ParcelXY.dbf");
  shell::InteraccionGuionada segunda(estado);
  segunda.entradas.push_back(std::nullopt);
  segunda.archivos.push_back(c.destino() + "/AIndivXY.dbf");
  segunda.respuestas.push_back(shell::Respuesta::No);
  segunda.archivos.push_back(c.destino() + "/AIndivXY.dbf");
  segunda.respuestas.push_back(shell::Respuesta::Si);
  mnuAGuardarCalculos_Click(estado, segunda);
  ASSERT_EQ(segunda.dialogos.size(), 2u);
  ASSERT_EQ(segunda.mensajes.size(), 3u);
  const std::string pregunta = "La carpeta " + c.destino() +
                               " ya contiene cálculos guardados con el código XY.\n¿Desea "
                               "sustituirlos por los de este cálculo?";
  EXPECT_EQ(segunda.mensajes[0].texto, pregunta);
  EXPECT_EQ(segunda.mensajes[0].botones, shell::BotonesMensaje::SiNo);
  EXPECT_EQ(segunda.mensajes[1].texto, pregunta);
  EXPECT_EQ(segunda.mensajes[2].texto,
            "Los cálculos se han guardado con el código XY en la carpeta " + c.destino() + ".");
  EXPECT_NE(Leer(c.destino() + "/ParcelXY.dbf"), parcelaAntes);
  std::set<std::string> quedan;
  for (const auto& f : store::listFiles(c.destino())) quedan.insert(f.name);
  EXPECT_EQ(quedan,
            (std::set<std::string>{"AindivXY.dbf", "Cd_parXY.dbf", "Cd_espXY.dbf", "CldiamXY.dbf",
                                   "Cdsp_pXY.dbf", "ParcelXY.dbf", "Sp_parXY.dbf"}));

  // Another code in the same folder is a save of its own: no question, nothing deleted.
  shell::InteraccionGuionada tercera(estado);
  tercera.archivos.push_back(c.destino() + "/AIndivZZ.dbf");
  mnuAGuardarCalculos_Click(estado, tercera);
  EXPECT_EQ(tercera.mensajes.size(), 1u);
  EXPECT_TRUE(store::fileExists(c.destino() + "/ParcelXY.dbf"));
}

// A save that fails half way replaces nothing it did not finish and deletes nothing.
TEST(GuardarCalculos, UnFalloAMitadNoBorraLoAnterior) {
  CarpetaResultados c;
  CrearResultados(c.BDOut(), "AB", false);
  { std::ofstream(c.destino() + "/AindivXY.dbf") << "tabla anterior"; }
  { std::ofstream(c.destino() + "/ComentXY.txt") << "comentario anterior"; }
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  store::failWritesAfterForTesting(10);
  ResultadoGuardarCalculos r;
  EXPECT_FALSE(GuardarCalculos(c.BDOut(), "AB", c.destino(), "XY", "", ui, &r));
  store::failWritesAfterForTesting(-1);
  EXPECT_EQ(Leer(c.destino() + "/AindivXY.dbf"), "tabla anterior");
  EXPECT_EQ(Leer(c.destino() + "/ComentXY.txt"), "comentario anterior");
  EXPECT_TRUE(r.borrados.empty());
  std::set<std::string> quedan;
  for (const auto& f : store::listFiles(c.destino())) quedan.insert(f.name);
  EXPECT_EQ(quedan, (std::set<std::string>{"AindivXY.dbf", "ComentXY.txt"}));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error guardando cálculos: ", 0), 0u);
}
