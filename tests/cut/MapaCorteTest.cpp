// The map of the cut: panels by UTM zone, the cut's plots coloured by their dominant species,
// the legend, the drawing and its PNG file.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "../comun/CarpetaTemporal.h"
#include "cut/MapaCorte.h"
#include "shell/InteraccionGuionada.h"
#include "state/EstadoAplicacion.h"
#include "store/FileOps.h"

using namespace arbelio;
using arbelio::pruebas::CarpetaTemporal;

namespace {

struct PlotMapa {
  int estadillo;
  int huso;  // 0: empty
  const char* x;
  const char* y;
};
struct EspeciePlot {
  int estadillo;
  const char* especie;
  double porcenab;  // < 0: empty
};

class MapaCorteTest : public ::testing::Test {
 protected:
  void SetUp() override { db = store::Database::open(dir.ruta()); }

  void Datos(const std::vector<PlotMapa>& plots, const std::vector<EspeciePlot>& especies) {
    store::TableDef d("DATDEF00");
    d.appendField("PROVINCIA", store::FieldType::Integer);
    d.appendField("ESTADILLO", store::FieldType::Integer);
    d.appendField("HUSO", store::FieldType::Integer);
    d.appendField("COORDEX", store::FieldType::Text, 3);
    d.appendField("COORDEY", store::FieldType::Text, 4);
    db.appendTableDef(d);
    store::Cursor c = db.openCursor("DATDEF00");
    for (const auto& p : plots) {
      c.addNew();
      c.setValue("PROVINCIA", 47);
      c.setValue("ESTADILLO", p.estadillo);
      if (p.huso) c.setValue("HUSO", p.huso);
      c.setValue("COORDEX", p.x);
      c.setValue("COORDEY", p.y);
      c.update();
    }
    store::TableDef e("ESPECI00");
    e.appendField("PROVINCIA", store::FieldType::Integer);
    e.appendField("ESTADILLO", store::FieldType::Integer);
    e.appendField("ESPECIE", store::FieldType::Text, 3);
    e.appendField("PORCENAB", store::FieldType::Single);
    db.appendTableDef(e);
    store::Cursor s = db.openCursor("ESPECI00");
    for (const auto& x : especies) {
      s.addNew();
      s.setValue("PROVINCIA", 47);
      s.setValue("ESTADILLO", x.estadillo);
      s.setValue("ESPECIE", x.especie);
      if (x.porcenab >= 0) s.setValue("PORCENAB", x.porcenab);
      s.update();
    }
  }

  static inventory::ListaDeParcelas Lista(const std::vector<int>& estadillos) {
    inventory::ListaDeParcelas l;
    l.entradas.assign(1, inventory::Parcela{});
    for (int e : estadillos) l.entradas.push_back({47, static_cast<std::int16_t>(e)});
    l.numero = static_cast<std::int32_t>(estadillos.size());
    return l;
  }

  static const cut::PuntoMapa* Punto(const cut::MapaCorte& m, int estadillo) {
    for (const auto& p : m.paneles)
      for (const auto& q : p.puntos)
        if (q.estadillo == estadillo) return &q;
    return nullptr;
  }

  CarpetaTemporal dir;
  store::Database db;
};

TEST_F(MapaCorteTest, PanelsByZoneDominantSpeciesAndLegend) {
  Datos({{1, 30, "350", "4600"},
         {2, 30, "360", "4650"},
         {3, 29, "700", "4700"},
         {4, 30, "355", "4620"},
         {5, 0, "", ""},  // no zone, no coordinates
         {6, 31, "250", "4500"},
         {7, 30, "340", "4610"}},
        // Plot 1: 45 dominates (60 > 40). Plot 2: a tie at 50 keeps the earlier record (21).
        // Plot 3: an empty share loses to any number (21). Plot 4 has no species: no trees.
        // Plot 7: 45, and 21 with a larger share but outside the cut is not counted (6 is out).
        {{1, "21", 40},
         {1, "45", 60},
         {2, "21", 50},
         {2, "45", 50},
         {3, "45", -1},
         {3, "21", 5},
         {6, "45", 90},
         {7, "45", 70},
         {7, "26", 30}});
  const cut::MapaCorte m = cut::CalculaMapaCorte(db, Lista({1, 2, 3, 4, 5, 7}));
  ASSERT_EQ(m.paneles.size(), 3u);
  EXPECT_EQ(m.paneles[0].huso, 29);
  EXPECT_EQ(m.paneles[1].huso, 30);
  EXPECT_EQ(m.paneles[2].huso, 31);
  EXPECT_EQ(m.paneles[1].puntos.size(), 4u);
  EXPECT_EQ(m.paneles[1].parcelasCorte, 4);
  EXPECT_EQ(m.paneles[2].parcelasCorte, 0);
  EXPECT_DOUBLE_EQ(m.paneles[1].xMin, 340);
  EXPECT_DOUBLE_EQ(m.paneles[1].yMax, 4650);
  EXPECT_EQ(m.parcelasCorte, 5);  // plot 5 has no place on the map
  EXPECT_EQ(m.parcelasSinCoordenadas, 1);
  EXPECT_EQ(m.titulo, "Mapa del corte: 5 de 7 parcelas (1 sin coordenadas)");

  // Species 21 colours plots 2 and 3, 45 plots 1 and 7: equal counts, lower code first; then
  // the plots without trees, then the plots outside the cut.
  ASSERT_EQ(m.leyenda.size(), 4u);
  EXPECT_EQ(m.leyenda[0].especie, 21);
  EXPECT_EQ(m.leyenda[0].texto, "21 Pinus sylvestris (2)");
  EXPECT_EQ(m.leyenda[1].especie, 45);
  EXPECT_EQ(m.leyenda[1].parcelas, 2);
  EXPECT_EQ(m.leyenda[2].texto, "Sin pies mayores (1)");
  EXPECT_EQ(m.leyenda[3].texto, "Parcelas fuera del corte (1)");
  EXPECT_NE(m.leyenda[0].color, m.leyenda[1].color);
  EXPECT_EQ(Punto(m, 1)->leyenda, 1);
  EXPECT_EQ(Punto(m, 2)->leyenda, 0);
  EXPECT_EQ(Punto(m, 3)->leyenda, 0);
  EXPECT_EQ(Punto(m, 4)->leyenda, 2);
  EXPECT_EQ(Punto(m, 6)->leyenda, cut::kFueraDelCorte);
  EXPECT_EQ(Punto(m, 7)->leyenda, 1);
  // Within a panel the plots outside the cut come first (drawn under the cut's).
  const auto& p30 = m.paneles[1].puntos;
  EXPECT_EQ(p30.back().leyenda != cut::kFueraDelCorte, true);
}

TEST_F(MapaCorteTest, ManySpeciesShareOneEntryAndAnEmptyCut) {
  std::vector<PlotMapa> plots;
  std::vector<EspeciePlot> especies;
  static const char* kCodigos[] = {"21", "22", "23", "24", "25", "26", "27",
                                   "28", "29", "30", "31", "32", "33", "34"};
  for (int i = 0; i < 14; ++i) {
    plots.push_back({i + 1, 30, "300", "4600"});
    especies.push_back({i + 1, kCodigos[i], 100});
  }
  Datos(plots, especies);
  std::vector<int> todos;
  for (int i = 1; i <= 14; ++i) todos.push_back(i);
  const cut::MapaCorte m = cut::CalculaMapaCorte(db, Lista(todos));
  // Eleven species of their own, the other three together, and the (empty) outside entry.
  ASSERT_EQ(m.leyenda.size(), cut::kMaxEspeciesLeyenda + 1);
  EXPECT_EQ(m.leyenda[11].texto, "Otras especies (3)");
  EXPECT_EQ(Punto(m, 14)->leyenda, 11);

  inventory::ListaDeParcelas vacia;
  const cut::MapaCorte sinCorte = cut::CalculaMapaCorte(db, vacia);
  EXPECT_EQ(sinCorte.parcelasCorte, 0);
  ASSERT_EQ(sinCorte.leyenda.size(), 1u);
  EXPECT_EQ(sinCorte.leyenda[0].texto, "Parcelas fuera del corte (14)");
}

TEST_F(MapaCorteTest, DrawingPngAndSaving) {
  Datos({{1, 30, "300", "4600"}, {2, 30, "400", "4700"}, {3, 29, "500", "4500"}},
        {{1, "21", 100}, {2, "45", 100}});
  const cut::MapaCorte m = cut::CalculaMapaCorte(db, Lista({1}));
  const shell::ImagenRgba img = cut::DibujaMapa(m, 600, 400);
  ASSERT_EQ(img.ancho(), 600);
  // The cut's plot is drawn in its species' colour, the other plots in the outside grey.
  int deEspecie = 0, fuera = 0;
  for (int y = 0; y < img.alto(); ++y) {
    for (int x = 0; x < img.ancho(); ++x) {
      deEspecie += img.pixel(x, y) == m.leyenda[0].color;
      fuera += img.pixel(x, y) == m.leyenda.back().color;
    }
  }
  EXPECT_GT(deEspecie, 10);
  EXPECT_GT(fuera, 4);

  const std::string png = shell::CodificaPng(img);
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  // IHDR: width and height, big-endian.
  EXPECT_EQ(static_cast<unsigned char>(png[18]) * 256 + static_cast<unsigned char>(png[19]), 600);
  EXPECT_EQ(static_cast<unsigned char>(png[22]) * 256 + static_cast<unsigned char>(png[23]), 400);

  // "Guardar mapa...": Cancelar writes nothing; a name writes the file whole.
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ui.archivos.push_back(std::nullopt);
  EXPECT_FALSE(cut::GuardarMapaComo(m, ui));
  const std::string ruta = dir.archivo("mapa.png");
  ui.archivos.push_back(ruta);
  EXPECT_TRUE(cut::GuardarMapaComo(m, ui));
  std::ifstream f(ruta, std::ios::binary);
  const std::string escrito((std::istreambuf_iterator<char>(f)), {});
  EXPECT_EQ(escrito.substr(0, 4), "\x89PNG");
  EXPECT_TRUE(ui.mensajes.empty());
  // A folder that does not exist: the failure is said, nothing is left behind.
  ui.archivos.push_back(dir.archivo("no/hay/mapa.png"));
  EXPECT_FALSE(cut::GuardarMapaComo(m, ui));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error ", 0), 0u);
}

TEST_F(MapaCorteTest, TheToolsMapIsRecomputedOnlyWhenTheCutChanges) {
  Datos({{1, 30, "300", "4600"}, {2, 30, "400", "4700"}}, {{1, "21", 100}, {2, "45", 100}});
  cut::ModeloMapaCorte modelo;
  EXPECT_TRUE(modelo.actualizar(db, Lista({1})));
  EXPECT_FALSE(modelo.actualizar(db, Lista({1})));
  EXPECT_EQ(modelo.mapa().parcelasCorte, 1);
  // A plot removed or added changes the map.
  EXPECT_TRUE(modelo.actualizar(db, Lista({1, 2})));
  EXPECT_EQ(modelo.mapa().parcelasCorte, 2);
  EXPECT_TRUE(modelo.actualizar(db, Lista({2})));
  EXPECT_EQ(Punto(modelo.mapa(), 1)->leyenda, cut::kFueraDelCorte);
}

}  // namespace
