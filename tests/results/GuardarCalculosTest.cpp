// Saving calculations: the copies under the chosen code, the name check and its message, the
// comment file, and a target folder that is the source folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

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
  EXPECT_EQ(ui.textos(),
            (std::vector<std::string>{
                "Solo se permite modificar el código de corte (dos letras finales)."}));
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
