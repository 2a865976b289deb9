#include "batch/OrdenesBatch.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "inventory/GeneradorMuestra.h"

using namespace arbelio::batch;
using namespace arbelio::inventory;
using arbelio::pruebas::CarpetaTemporal;

namespace {

struct Resultado {
  int codigo;
  std::string salida, errores;
};

Resultado Ejecuta(const std::vector<std::string>& args, const std::string& datos = "") {
  std::ostringstream out, err;
  const int codigo = EjecutaOrdenBatch(args, EntornoBatch{datos}, out, err);
  return {codigo, out.str(), err.str()};
}

std::vector<std::string> Lineas(const std::string& s) {
  std::vector<std::string> r;
  std::istringstream in(s);
  std::string l;
  while (std::getline(in, l)) r.push_back(l);
  return r;
}

// A sample province written once for the tests of this file.
class ConMuestra : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new CarpetaTemporal;
    const Resultado r = Ejecuta(
        {"sample", "--out", dir_->ruta(), "--province", "24", "--plots", "80", "--seed", "5"});
    ASSERT_EQ(r.codigo, 0) << r.errores;
    OpcionesMuestra o;
    o.provincia = 24;
    o.parcelas = 80;
    o.semilla = 5;
    muestra_ = new ProvinciaSintetica(GeneraProvincia(o));
  }
  static void TearDownTestSuite() {
    delete muestra_;
    delete dir_;
  }
  static CarpetaTemporal* dir_;
  static ProvinciaSintetica* muestra_;
};
CarpetaTemporal* ConMuestra::dir_ = nullptr;
ProvinciaSintetica* ConMuestra::muestra_ = nullptr;

}  // namespace

TEST_F(ConMuestra, SampleEscribeLasCincoTablas) {
  for (const char* f :
       {"Datest24.dbf", "Piesma24.dbf", "Piesme24.dbf", "Tiposx24.dbf", "Matorr24.dbf"}) {
    EXPECT_TRUE(std::filesystem::exists(dir_->archivo(f))) << f;
  }
  std::ifstream in(dir_->archivo("Datest24.dbf"), std::ios::binary);
  EXPECT_EQ(in.get(), 0x03);  // dBASE III
}

TEST_F(ConMuestra, SqlCuentaLoGenerado) {
  const Resultado r =
      Ejecuta({"sql", dir_->ruta(), "SELECT Count(NUMORDEN) AS Pies FROM Piesma24", "--csv"});
  ASSERT_EQ(r.codigo, 0) << r.errores;
  EXPECT_EQ(Lineas(r.salida),
            (std::vector<std::string>{"Pies", std::to_string(muestra_->piesma.filas.size())}));
}

TEST_F(ConMuestra, SqlAgrupadoPorParcelaCoincideConLasFilas) {
  const Resultado r =
      Ejecuta({"sql", dir_->ruta(),
               "SELECT Estadillo, Count(NumOrden) AS Num FROM PIESMA24 GROUP BY Estadillo ORDER BY "
               "Estadillo",
               "--csv"});
  ASSERT_EQ(r.codigo, 0) << r.errores;
  std::map<int, int> esperado;
  for (std::size_t i = 0; i < muestra_->piesma.filas.size(); ++i) {
    ++esperado[static_cast<int>(muestra_->piesma.valor(i, "ESTADILLO").number())];
  }
  std::vector<std::string> lineas = {"Estadillo,Num"};
  for (auto& [e, n] : esperado) lineas.push_back(std::to_string(e) + "," + std::to_string(n));
  EXPECT_EQ(Lineas(r.salida), lineas);
}

TEST_F(ConMuestra, SqlEnTextoAlineado) {
  const Resultado r = Ejecuta(
      {"sql", dir_->ruta(), "SELECT ESTADILLO, COORDEX, MUNICI FROM Datest24 WHERE ESTADILLO=1"});
  ASSERT_EQ(r.codigo, 0) << r.errores;
  const auto l = Lineas(r.salida);
  ASSERT_EQ(l.size(), 4u);
  EXPECT_EQ(l[0], "ESTADILLO  COORDEX  MUNICI");
  EXPECT_EQ(l[1], "---------  -------  ------");
  EXPECT_EQ(l[2], "        1  " + muestra_->datest.valor(0, "COORDEX").text() + "      " +
                      muestra_->datest.valor(0, "MUNICI").text());
  EXPECT_EQ(l[3], "(1 fila)");
}

TEST_F(ConMuestra, InfoDescribeLaTabla) {
  const Resultado r = Ejecuta({"info", dir_->archivo("Piesma24.dbf"), "--rows", "2"});
  ASSERT_EQ(r.codigo, 0) << r.errores;
  EXPECT_NE(r.salida.find("Registros: " + std::to_string(muestra_->piesma.filas.size()) + "\n"),
            std::string::npos);
  EXPECT_NE(r.salida.find("Página de códigos: 1252"), std::string::npos);
  EXPECT_NE(r.salida.find("DIAMETRO1  N(6,0)   Entero"), std::string::npos) << r.salida;
  EXPECT_NE(r.salida.find("PARAMESP   C(3)     Texto"), std::string::npos) << r.salida;
  const auto l = Lineas(r.salida.substr(r.salida.find("Primeras filas:")));
  EXPECT_EQ(l.size(), 5u);  // title, header, rule, two rows
}

TEST_F(ConMuestra, ErroresDeTablaYConsulta) {
  Resultado r = Ejecuta({"sql", dir_->ruta(), "SELECT * FROM NoEsta24"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.salida, "");
  EXPECT_EQ(r.errores.rfind("Error ", 0), 0u) << r.errores;
  r = Ejecuta({"sql", dir_->ruta(), "SELEC mal"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores.rfind("Error ", 0), 0u) << r.errores;
}

TEST(OrdenesBatch, CarpetaOArchivoInexistentes) {
  CarpetaTemporal dir;
  Resultado r = Ejecuta({"sql", dir.archivo("no"), "SELECT * FROM X"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores, "Error: No se encuentra la carpeta " + dir.archivo("no") + "\n");
  r = Ejecuta({"info", dir.archivo("Piesma99.dbf")});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores, "Error: No se encuentra el archivo " + dir.archivo("Piesma99.dbf") + "\n");
}

TEST(OrdenesBatch, TablaDanada) {
  CarpetaTemporal dir;
  ASSERT_EQ(Ejecuta({"sample", "--out", dir.ruta(), "--province", "47", "--plots", "5"}).codigo, 0);
  // Cut the file inside its records: the header promises more rows than there are.
  const std::string f = dir.archivo("Piesma47.dbf");
  std::filesystem::resize_file(f, std::filesystem::file_size(f) / 2);
  Resultado r = Ejecuta({"info", f});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores.rfind("Error ", 0), 0u) << r.errores;
  // Not a table at all.
  std::ofstream(dir.archivo("Basura47.dbf")) << "esto no es una tabla";
  r = Ejecuta({"sql", dir.ruta(), "SELECT * FROM Basura47"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores.rfind("Error ", 0), 0u) << r.errores;
}

TEST(OrdenesBatch, UsoIncorrecto) {
  EXPECT_EQ(Ejecuta({}).codigo, 2);
  EXPECT_EQ(Ejecuta({"--help"}).codigo, 0);
  Resultado r = Ejecuta({"vuela"});
  EXPECT_EQ(r.codigo, 2);
  EXPECT_EQ(r.errores.rfind("Orden desconocida: vuela\n", 0), 0u);
  r = Ejecuta({"sample", "--province", "47"});
  EXPECT_EQ(r.codigo, 2);
  EXPECT_EQ(r.errores, "Falta --out CARPETA\n");
  r = Ejecuta({"sample", "--out", "x", "--province", "47", "--plots", "muchas"});
  EXPECT_EQ(r.codigo, 2);
  EXPECT_EQ(r.errores, "Valor no válido para --plots: muchas\n");
  r = Ejecuta({"sample", "--out", "x", "--province", "60"});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores, "Error: No hay datos de muestra para la provincia 60 (códigos 1 a 50).\n");
  EXPECT_EQ(Ejecuta({"sql", "a"}).codigo, 2);
  EXPECT_EQ(Ejecuta({"sql", "a", "b", "--tsv"}).codigo, 2);
  EXPECT_EQ(Ejecuta({"import-mdb", "a.mdb"}).codigo, 2);
}

TEST(OrdenesBatch, ImportHusoHoja) {
  CarpetaTemporal dir;
  std::ofstream(dir.archivo("h.csv")) << "hoja,nHusos,Huso1,Huso2\n1,1,29,\n2,2,29,30\n";
  Resultado r = Ejecuta({"import-husohoja", dir.archivo("h.csv")}, dir.ruta());
  ASSERT_EQ(r.codigo, 0) << r.errores;
  EXPECT_EQ(r.salida, "2 hojas escritas en " + dir.archivo("BDEstruct/HusoHoja.sqlite") + "\n");
  EXPECT_TRUE(std::filesystem::exists(dir.archivo("BDEstruct/HusoHoja.sqlite")));

  std::ofstream(dir.archivo("mal.csv")) << "1,1,29,\n2,2,29,\n";
  r = Ejecuta({"import-husohoja", dir.archivo("mal.csv"), "--out", dir.archivo("otra.sqlite")});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores,
            "Error: " + dir.archivo("mal.csv") + ": Línea 2: falta Huso2 con nHusos 2\n");
  EXPECT_FALSE(std::filesystem::exists(dir.archivo("otra.sqlite")));
}

TEST(OrdenesBatch, ImportMdbSinArchivo) {
  CarpetaTemporal dir;
  const Resultado r =
      Ejecuta({"import-mdb", dir.archivo("Ecuaciones.mdb"), "--out", dir.archivo("e.sqlite")});
  EXPECT_EQ(r.codigo, 1);
  EXPECT_EQ(r.errores, "Error: No se encuentra el archivo " + dir.archivo("Ecuaciones.mdb") + "\n");
}

TEST(OrdenesBatch, ElProgramaDevuelveElCodigoDeSalida) {
  CarpetaTemporal dir;
  const std::string orden = std::string(ARBELIO_BATCH) + " info " + dir.archivo("no.dbf") + " 2>" +
                            dir.archivo("err.txt");
  const int estado = std::system(orden.c_str());
  EXPECT_TRUE(WIFEXITED(estado));
  EXPECT_EQ(WEXITSTATUS(estado), 1);
  std::ifstream err(dir.archivo("err.txt"));
  std::string linea;
  std::getline(err, linea);
  EXPECT_EQ(linea, "Error: No se encuentra el archivo " + dir.archivo("no.dbf"));
}

TEST(TablaAlineada, AnchoEnCaracteresYNumerosALaDerecha) {
  std::ostringstream out;
  EscribeTablaAlineada(out, {"Nombre", "N"}, {{"Álava", "1"}, {"La Coruña", "15"}}, {false, true});
  EXPECT_EQ(out.str(),
            "Nombre      N\n"
            "---------  --\n"
            "Álava       1\n"
            "La Coruña  15\n");
  std::ostringstream csv;
  EscribeTablaCsv(csv, {"a", "b"}, {{"x,y", "di \"no\""}, {"", "1"}});
  EXPECT_EQ(csv.str(), "a,b\n\"x,y\",\"di \"\"no\"\"\"\n,1\n");
}

TEST(OrdenesBatch, SqlSobreUnaBaseAuxiliar) {
  const Resultado r = Ejecuta({"sql", std::string(ARBELIO_PROGRAM_DIR) + "/EcuacionesKAV.sqlite",
                               "SELECT IdModelo, Modelo FROM Modelos WHERE IdModelo=11", "--csv"});
  ASSERT_EQ(r.codigo, 0) << r.errores;
  EXPECT_EQ(r.salida, "IdModelo,Modelo\n11,a*DN^b*HT^c\n");
}

TEST(OrdenesBatch, InfoSobreUnaBaseAuxiliar) {
  const Resultado r =
      Ejecuta({"info", std::string(ARBELIO_PROGRAM_DIR) + "/EcuacionesKAV.sqlite", "--rows", "0"});
  ASSERT_EQ(r.codigo, 0) << r.errores;
  EXPECT_NE(r.salida.find("\nTabla Cubicacion\n"), std::string::npos);
  EXPECT_NE(r.salida.find("\nTabla Modelos\nRegistros: 12\n"), std::string::npos);
  EXPECT_NE(r.salida.find("Índice BuscaF4Index: ClasePie Provincia Especie Forma4 Variable\n"),
            std::string::npos)
      << r.salida;
}
