// The data of the results viewer's charts: read from the run's tables, notes for the missing
// ones, the reproducible sample of the height-diameter scatter, the file a chart is saved to.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "../comun/CarpetaTemporal.h"
#include "results/GraficosCalculos.h"
#include "shell/InteraccionGuionada.h"
#include "store/Database.h"

using namespace arbelio;
using namespace arbelio::results;

namespace {

using Filas = std::vector<std::vector<std::pair<const char*, store::Value>>>;

class Graficos : public ::testing::Test {
 protected:
  void SetUp() override {
    estado.rutas.BDOut = dir.ruta();
    estado.SufijoCalculos = "Gr";
  }
  void Tabla(const std::string& base, const std::vector<const char*>& campos, const Filas& filas) {
    store::Database db = store::Database::open(dir.ruta());
    store::TableDef d(base + "Gr");
    for (const char* c : campos) d.appendField(c, store::FieldType::Single);
    db.appendTableDef(d);
    store::Cursor c = db.openCursor(base + "Gr");
    for (const auto& f : filas) {
      c.addNew();
      for (const auto& [k, v] : f) c.setValue(k, v);
      c.update();
    }
    db.close();
  }
  arbelio::pruebas::CarpetaTemporal dir;
  EstadoAplicacion estado;
};

TEST_F(Graficos, NotesWhenTheTablesWereNotComputed) {
  EXPECT_NE(LeeDistribucionDiametrica(estado).nota.find("Cd_esp"), std::string::npos);
  EXPECT_NE(LeeDistribucionDiametrica(estado).nota.find("Cldiam"), std::string::npos);
  EXPECT_NE(LeeRepartoEspecies(estado).nota.find("(Specie)"), std::string::npos);
  EXPECT_NE(LeeDispersionAlturas(estado).nota.find("(AIndiv)"), std::string::npos);
  EXPECT_TRUE(LeeDispersionAlturas(estado).puntos.empty());
}

TEST_F(Graficos, DiameterDistributionStackedBySpeciesOrWholeFromCldiam) {
  // Cldiam alone: one series over its classes.
  Tabla("Cldiam", {"CD", "N"}, {{{"CD", 15.0}, {"N", 30.0}}, {{"CD", 10.0}, {"N", 50.0}}});
  DistribucionDiametrica d = LeeDistribucionDiametrica(estado);
  EXPECT_TRUE(d.nota.empty());
  EXPECT_EQ(d.clases, (std::vector<double>{10, 15}));
  ASSERT_EQ(d.series.size(), 1u);
  EXPECT_EQ(d.series[0].nombre, "Todas las especies");
  EXPECT_EQ(d.series[0].valores, (std::vector<double>{50, 30}));
  EXPECT_EQ(d.ejeX, "Clase diamétrica (cm)");
  EXPECT_EQ(d.ejeY, "N (pies/ha)");

  // Cd_esp wins: a species absent from a class has 0 there; classes are the union.
  Tabla("Cd_esp", {"ESPECIE", "CD", "N"},
        {{{"ESPECIE", 45.0}, {"CD", 10.0}, {"N", 4.0}},
         {{"ESPECIE", 21.0}, {"CD", 20.0}, {"N", 2.5}},
         {{"ESPECIE", 21.0}, {"CD", 7.5}, {"N", 8.0}},
         {{"ESPECIE", 45.0}, {"CD", 20.0}}});  // empty N: left out
  d = LeeDistribucionDiametrica(estado);
  EXPECT_EQ(d.clases, (std::vector<double>{7.5, 10, 20}));
  ASSERT_EQ(d.series.size(), 2u);
  EXPECT_EQ(d.series[0].nombre, "21 Pinus sylvestris");
  EXPECT_EQ(d.series[0].valores, (std::vector<double>{8, 0, 2.5}));
  EXPECT_EQ(d.series[1].nombre, "45 Quercus ilex");
  EXPECT_EQ(d.series[1].valores, (std::vector<double>{0, 4, 0}));
  EXPECT_EQ(d.titulo, "Distribución diamétrica por especie");
}

TEST_F(Graficos, SpeciesSharesLargestFirst) {
  Tabla("Specie", {"ESPECIE", "N", "AB"},
        {{{"ESPECIE", 21.0}, {"N", 100.0}, {"AB", 9.0}},
         {{"ESPECIE", 45.0}, {"N", 300.0}, {"AB", 3.0}},
         {{"ESPECIE", 999.0}, {"N", 0.0}, {"AB", 0.0}}});  // nothing to share: left out
  const RepartoEspecies r = LeeRepartoEspecies(estado);
  ASSERT_EQ(r.n.size(), 2u);
  EXPECT_EQ(r.n[0].first, "45 Quercus ilex");
  EXPECT_EQ(r.n[0].second, 300);
  ASSERT_EQ(r.ab.size(), 2u);
  EXPECT_EQ(r.ab[0].first, "21 Pinus sylvestris");
  EXPECT_EQ(NombreEspecieGrafico(999), "999");  // a code without a name
}

TEST_F(Graficos, ScatterSampleIsUniformReproducibleAndBounded) {
  Filas arboles;
  for (int i = 1; i <= 200; ++i) arboles.push_back({{"DN", i * 1.0}, {"ALTURA", i * 0.1}});
  arboles.push_back({{"DN", 300.0}});     // no height: not a point
  arboles.push_back({{"ALTURA", 12.0}});  // no diameter
  Tabla("AIndiv", {"DN", "ALTURA"}, arboles);
  const DispersionAlturas todos = LeeDispersionAlturas(estado);
  EXPECT_EQ(todos.arboles, 200);
  EXPECT_EQ(todos.puntos.size(), 200u);
  EXPECT_EQ(todos.puntos.front(), (std::pair<float, float>{1.0f, 0.1f}));
  EXPECT_EQ(todos.titulo, "Altura total frente a diámetro normal (pies mayores)");

  const DispersionAlturas a = LeeDispersionAlturas(estado, 50);
  const DispersionAlturas b = LeeDispersionAlturas(estado, 50);
  EXPECT_EQ(a.arboles, 200);
  ASSERT_EQ(a.puntos.size(), 50u);
  EXPECT_EQ(a.puntos, b.puntos);  // the same run gives the same sample
  EXPECT_NE(a.titulo.find("muestra de 50 de 200"), std::string::npos);
  // Distinct trees of the table, not just the first ones.
  std::set<float> dns;
  for (const auto& [dn, h] : a.puntos) {
    dns.insert(dn);
    EXPECT_FLOAT_EQ(h, dn * 0.1f);
  }
  EXPECT_EQ(dns.size(), 50u);
  EXPECT_GT(*dns.rbegin(), 150.0f);
}

TEST_F(Graficos, FileOfASavedChart) {
  EXPECT_EQ(DestinoDeArchivo("/a/b.SVG").formato, FormatoGrafico::Svg);
  EXPECT_EQ(DestinoDeArchivo("/a/b.png").formato, FormatoGrafico::Png);
  EXPECT_EQ(DestinoDeArchivo("/a.d/b").ruta, "/a.d/b.png");
  EXPECT_EQ(DestinoDeArchivo("/a.d/b").formato, FormatoGrafico::Png);
  shell::InteraccionGuionada ui(estado);
  ui.archivos.push_back(std::nullopt);
  EXPECT_FALSE(ElegirArchivoGrafico(ui, "x.png"));
  ui.archivos.push_back(dir.archivo("g.svg"));
  const auto d = ElegirArchivoGrafico(ui, "x.png");
  ASSERT_TRUE(d);
  GuardarGrafico(*d, "<svg/>");
  EXPECT_TRUE(std::filesystem::exists(dir.archivo("g.svg")));
}

}  // namespace
