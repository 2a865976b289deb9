// arbelio-batch run with calculation options: plot list, user equations, saved tables and CSV.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "batch/OrdenesBatch.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;

namespace {

std::string Leer(const std::string& ruta) {
  std::ifstream in(ruta);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CalculoBatch, PlotListUserEquationsCodeAndCsv) {
  arbelio::pruebas::CarpetaTemporal dir;
  std::ofstream(dir.archivo("plots.txt")) << "47,3\n47,1\n47,3\n";  // plot 3 listed twice
  std::ofstream(dir.archivo("ecuaciones.txt")) << "# especie;forma;calidad;variable;fórmula;...\n"
                                                  "21;0;0;VCC;a*DN^2;a=0.5\n";
  std::ostringstream out, err;
  const int rc =
      batch::EjecutaOrdenBatch({"run",
                                "--db",
                                std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf",
                                "--plots",
                                dir.archivo("plots.txt"),
                                "--tables",
                                "Parcel,Specie",
                                "--vars",
                                "none",
                                "--method",
                                "2",
                                "--user-equations",
                                dir.archivo("ecuaciones.txt"),
                                "--code",
                                "Zz",
                                "--comment",
                                "prueba",
                                "--csv",
                                "--out",
                                dir.archivo("salida")},
                               {ARBELIO_PROGRAM_DIR}, out, err);
  ASSERT_EQ(rc, 0) << err.str() << out.str();
  // Specie needs Sp_par, Parcel and Totals: all are computed and saved.
  for (const char* t : {"AindivZz", "ParcelZz", "Sp_parZz", "TotalsZz", "SpecieZz", "EcuasZz"}) {
    EXPECT_TRUE(store::fileExists(dir.archivo("salida/") + t + ".dbf")) << t;
    EXPECT_TRUE(store::fileExists(dir.archivo("salida/") + t + ".csv")) << t;
  }
  EXPECT_FALSE(store::fileExists(dir.archivo("salida/Cd_parZz.dbf")));
  EXPECT_TRUE(store::fileExists(dir.archivo("salida/ComentZz.txt")));
  store::Database db = store::Database::open(dir.archivo("salida"), {false, true, "DBASE IV"});
  store::Cursor p = db.openCursor("ParcelZz");
  ASSERT_EQ(p.recordCount(), 2);                // a plot is computed once
  EXPECT_EQ(p.value("PARCELA").toDouble(), 3);  // the list's order
  // The user's VCC equation gives the column; species 21 trees get 0.5 DN^2.
  store::Cursor a = db.openCursor("AindivZz");
  a.findFirst("ESPECIE=21");
  if (!a.noMatch()) {
    const double dn = a.value("DN").toDouble();
    EXPECT_NEAR(a.value("VCC").toDouble(), 0.5 * dn * dn, 1e-3 * dn * dn);
  }
  const std::string csv = Leer(dir.archivo("salida/ParcelZz.csv"));
  EXPECT_EQ(csv.substr(0, csv.find('\n')).substr(0, 22), "PROVINCIA,PARCELA,N,Dg");
  EXPECT_NE(out.str().find("== Totales del corte"), std::string::npos);
}

TEST(CalculoBatch, BadOptionsAreRefused) {
  arbelio::pruebas::CarpetaTemporal dir;
  const std::string db = std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf";
  for (const std::vector<std::string>& extra : {std::vector<std::string>{"--tables", "Nada"},
                                                {"--vars", "XYZ"},
                                                {"--method", "4"},
                                                {"--class-width", "abc"},
                                                {"--plots", dir.archivo("no-existe.txt")}}) {
    std::vector<std::string> args = {"run", "--db", db, "--out", dir.archivo("s")};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out, err;
    EXPECT_NE(batch::EjecutaOrdenBatch(args, {ARBELIO_PROGRAM_DIR}, out, err), 0) << extra[0];
    EXPECT_FALSE(err.str().empty()) << extra[0];
  }
}

}  // namespace
