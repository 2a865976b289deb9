// arbelio-batch run on the bundled sample: selection, derived tables saved on request, the
// working tables kept with --home, the calculation saved to --out and the printed counts.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../comun/Muestra.h"
#include "EntornoImport.h"
#include "batch/OrdenesBatch.h"
#include "store/FileOps.h"

using namespace arbelio;
namespace fs = std::filesystem;

TEST(RunBatch, MuestraSeleccionadaYBaseDeTrabajoEscrita) {
  pruebas_import::EntornoImport e;
  const std::string prov = pruebas::CopiaMuestra47(ARBELIO_PROGRAM_DIR, e.ruta("prov47"));
  std::ostringstream out, err;
  const int rc = batch::EjecutaOrdenBatch({"run", "--db", prov + "/Piesme47.dbf", "--save-derived",
                                           "--home", e.ruta("casa"), "--out", e.ruta("salida")},
                                          {ARBELIO_PROGRAM_DIR}, out, err);
  ASSERT_EQ(rc, 0) << err.str();
  // The derived tables were saved beside the inventory files, which are unchanged in number.
  EXPECT_TRUE(store::fileExists(prov + "/Datdef47.dbf"));
  EXPECT_TRUE(store::fileExists(prov + "/Especi47.dbf"));
  // --home keeps the workspace with the working tables; --out gets the calculation.
  for (const char* t : {"DatDef00", "Piesma00", "Piesme00", "Tiposx00", "Matorr00", "Especi00"})
    EXPECT_TRUE(store::fileExists(e.ruta("casa/BDTemp/") + t + ".dbf")) << t;
  int tablas = 0;
  for (const auto& f : store::listFiles(e.ruta("salida"))) tablas += f.name.size() == 12 ? 1 : 0;
  EXPECT_GE(tablas, 9);
  const auto plots = pruebas_import::EntornoImport::Filas(
      prov, "SELECT Count(ESTADILLO) AS N, Sum(NUMPMA) AS P FROM Datdef47");
  ASSERT_EQ(plots.size(), 1u);
  const std::string n = plots[0].substr(0, plots[0].find('|'));
  const std::string p = plots[0].substr(plots[0].find('|') + 1);
  EXPECT_NE(out.str().find("Valladolid"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("Total parcelas y pies mayores seleccionados: " + n + ", " + p),
            std::string::npos)
      << out.str();
  const auto piesma =
      pruebas_import::EntornoImport::Filas(prov, "SELECT Count(NUMORDEN) AS N FROM Piesma47");
  EXPECT_EQ(piesma[0], p);  // every tree of the sample lies in a plot of the plot table

  // A second run finds the saved tables and builds nothing: no question is asked.
  std::ostringstream out2, err2;
  ASSERT_EQ(batch::EjecutaOrdenBatch({"run", "--db", prov + "/Piesma47.dbf", "--vars", "none",
                                      "--out", e.ruta("salida2")},
                                     {ARBELIO_PROGRAM_DIR}, out2, err2),
            0);
  EXPECT_EQ(err2.str(), "");
}

TEST(RunBatch, ErroresDeUsoYBaseNoValida) {
  pruebas_import::EntornoImport e;
  std::ostringstream out, err;
  EXPECT_EQ(
      batch::EjecutaOrdenBatch({"run", "--out", e.ruta("s")}, {ARBELIO_PROGRAM_DIR}, out, err), 2);
  EXPECT_EQ(batch::EjecutaOrdenBatch({"run", "--db", "x.dbf"}, {ARBELIO_PROGRAM_DIR}, out, err), 2);
  // A folder without the plot table: the refusal is printed and the run fails.
  pruebas_import::EntornoImport::EscribeTabla(e.ruta("p"), "Piesma", "Piesma47", {});
  std::ostringstream err2;
  EXPECT_EQ(
      batch::EjecutaOrdenBatch({"run", "--db", e.ruta("p/Piesma47.dbf"), "--out", e.ruta("s")},
                               {ARBELIO_PROGRAM_DIR}, out, err2),
      1);
  EXPECT_NE(err2.str().find("No se encuentra fichero 'Datdef47.dbf'."), std::string::npos)
      << err2.str();
}
