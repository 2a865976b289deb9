// arbelio-batch run with cut criteria: the criteria applied as the window applies them, the
// printed summary, the calculation over the cut, the cut saved with --save-cut and selected
// again with --db, and the refusals of bad files and options.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../comun/Muestra.h"
#include "../import/EntornoImport.h"
#include "batch/OrdenesBatch.h"
#include "store/FileOps.h"

using namespace arbelio;
namespace fs = std::filesystem;

namespace {

class CorteBatch : public ::testing::Test {
 protected:
  CorteBatch() { prov = pruebas::CopiaMuestra47(ARBELIO_PROGRAM_DIR, e.ruta("prov47")); }
  std::string Criterios(const std::string& texto) {
    const std::string ruta = e.ruta("criterios-" + std::to_string(++n) + ".txt");
    std::ofstream(ruta) << texto;
    return ruta;
  }
  int Run(std::vector<std::string> args) {
    out.str("");
    err.str("");
    args.insert(args.begin(), "run");
    return batch::EjecutaOrdenBatch(args, {ARBELIO_PROGRAM_DIR}, out, err);
  }
  // The number after a caption in the printed output.
  std::string Valor(const std::string& caption) const {
    const std::string s = out.str();
    const auto p = s.find(caption);
    if (p == std::string::npos) return "";
    const auto inicio = p + caption.size();
    return s.substr(inicio, s.find('\n', inicio) - inicio);
  }

  pruebas_import::EntornoImport e;
  std::string prov;
  std::ostringstream out, err;
  int n = 0;
};

TEST_F(CorteBatch, CriteriosCalculoYCorteGuardado) {
  const std::string c = Criterios(
      "# pinares o un municipio\n"
      "especie: 21; >= 25%;\n"
      "municipio: 47; 94\n");
  ASSERT_EQ(
      Run({"--db", prov + "/Piesma47.dbf", "--criteria", c, "--mode", "alguno", "--zero-filter",
           "--save-cut", e.ruta("corte"), "--code", "Pq", "--comment", "Pinares de prueba",
           "--tables", "quick", "--vars", "none", "--out", e.ruta("salida")}),
      0)
      << err.str();
  const std::string parcelas = Valor("Nº Parcelas: ");
  const std::string pies = Valor("Nº PiesMayores: ");
  ASSERT_FALSE(parcelas.empty()) << out.str();
  EXPECT_GT(std::stoi(parcelas), 0);
  EXPECT_EQ(Valor("Nº parcelas con 0 pies mayores: "), "0");
  EXPECT_NE(out.str().find("Especie (nº de parcelas en las que la especie domina"),
            std::string::npos);
  EXPECT_NE(out.str().find("(Las parcelas resultantes cumplen ALGUNO de los criterios"),
            std::string::npos);
  EXPECT_NE(out.str().find("Corte guardado en " + e.ruta("corte") + " con el código Pq"),
            std::string::npos);
  // The calculation ran over the cut, under its code.
  EXPECT_EQ(Valor("== Cálculo ("), parcelas + " parcelas, código Pq)");
  EXPECT_EQ(Valor("Pies mayores calculados: "), pies);
  for (const char* t : {"DatDefPq.dbf", "PiesmaPq.dbf", "PiesmePq.dbf", "TiposxPq.dbf",
                        "MatorrPq.dbf", "EspeciPq.dbf", "InfCorPq.dbf", "InfCorPq.dbt"})
    EXPECT_TRUE(store::fileExists(e.ruta("corte/") + t)) << t;

  // The saved cut selected again: the same plots and trees, its description listed.
  ASSERT_EQ(Run({"--db", e.ruta("corte/PiesmaPq.dbf"), "--vars", "none", "--tables", "quick",
                 "--out", e.ruta("salida2")}),
            0)
      << err.str();
  EXPECT_NE(out.str().find("Pinares de prueba"), std::string::npos) << out.str();
  EXPECT_NE(
      out.str().find("Total parcelas y pies mayores seleccionados: " + parcelas + ", " + pies),
      std::string::npos)
      << out.str();
}

TEST_F(CorteBatch, UnCriterioDeUnSoloTipoYNingunaParcela) {
  const std::string dos = Criterios("parcela: 47; 1\nparcela: 47; 2\n");
  ASSERT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", dos, "--mode", "uno", "--tables",
                 "quick", "--vars", "none", "--out", e.ruta("s1")}),
            0)
      << err.str();
  EXPECT_EQ(Valor("Nº Parcelas: "), "2");
  EXPECT_EQ(Valor("== Cálculo (").rfind("2 parcelas, código ", 0), 0u) << out.str();

  const std::string mezcla = Criterios("parcela: 47; 1\nmunicipio: 47; 94\n");
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", mezcla, "--mode", "uno", "--out",
                 e.ruta("s2")}),
            1);
  EXPECT_NE(err.str().find("solo puede tener filas de un tipo de criterio"), std::string::npos);

  const std::string ninguna = Criterios("parcela: 47; 9999\n");
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", ninguna, "--mode", "todos", "--out",
                 e.ruta("s3")}),
            1);
  EXPECT_NE(err.str().find(" No hay ninguna parcela que cumpla estos criterios."),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(store::fileExists(e.ruta("s3/Totals") + ".dbf"));
}

TEST_F(CorteBatch, ArchivosYOpcionesRechazados) {
  const std::string malo = Criterios("especie: 21; ; \n\nmasa: >= 20; 1000\n");
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", malo, "--mode", "todos", "--out",
                 e.ruta("s")}),
            1);
  EXPECT_NE(err.str().find(malo + ", línea 3: Nº PM: se esperaba un operador"), std::string::npos)
      << err.str();
  // Refused before any work: nothing was selected.
  EXPECT_EQ(out.str(), "");

  const std::string bueno = Criterios("especie: 21; ; \n");
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", bueno, "--out", e.ruta("s")}), 2);
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", bueno, "--mode", "varios", "--out",
                 e.ruta("s")}),
            2);
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", bueno, "--mode", "uno", "--plots",
                 bueno, "--out", e.ruta("s")}),
            2);
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--zero-filter", "--out", e.ruta("s")}), 2);
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--save-cut", e.ruta("c"), "--out", e.ruta("s")}),
            2);
  EXPECT_EQ(Run({"--db", prov + "/Piesma47.dbf", "--criteria", e.ruta("no-hay.txt"), "--mode",
                 "uno", "--out", e.ruta("s")}),
            1);
  EXPECT_NE(err.str().find("No se encuentra el archivo"), std::string::npos);
}

}  // namespace
