// The installed auxiliary databases read through the table store, as the plot summary builder
// and the tree calculations read them.
#include <gtest/gtest.h>

#include "inventory/MallaMTN50.h"
#include "store/Database.h"

using namespace arbelio::store;

namespace {

Database Abre(const std::string& relativo) {
  OpenOptions o;
  o.readOnly = true;
  o.connect = "";
  return Database::open(std::string(ARBELIO_PROGRAM_DIR) + "/" + relativo, o);
}

}  // namespace

TEST(BasesInstaladas, HojasPorSuClavePrimaria) {
  Database db = Abre("BDEstruct/HusoHoja.sqlite");
  Cursor h = db.openCursor("Hojas");
  h.setIndex("PrimaryKey");
  h.seek("=", {559});
  ASSERT_FALSE(h.noMatch());
  EXPECT_EQ(h.value("nHusos").toDouble(), 1);
  EXPECT_EQ(h.value("Huso1").toDouble(), 30);
  EXPECT_TRUE(h.value("Huso2").isNull());
  const int leon = arbelio::inventory::HojaDeCoordenadas(42.55, -6.0);
  h.seek("=", {leon});
  ASSERT_FALSE(h.noMatch());
  EXPECT_EQ(h.value("nHusos").toDouble(), 2);
  EXPECT_EQ(h.value("Huso1").toDouble(), 29);
  EXPECT_EQ(h.value("Huso2").toDouble(), 30);
  h.seek("=", {9999});
  EXPECT_TRUE(h.noMatch());
}

TEST(BasesInstaladas, CubicacionPorLosIndicesDeForma) {
  Database db = Abre("EcuacionesKAV.sqlite");
  Cursor c = db.openCursor("Cubicacion");
  for (int forma = 1; forma <= 6; ++forma) {
    c.setIndex("BuscaF" + std::to_string(forma) + "Index");
    for (const char* especie : {"21", "26", "26R", "45", "46", "46d", "46D", "61", "71"}) {
      c.seek("=", {"P.M.", 47, especie, 1, "VCC"});
      ASSERT_FALSE(c.noMatch()) << especie << " forma " << forma;
      const double modelo = c.value("modelo").toDouble();
      EXPECT_TRUE(modelo == 1 || modelo == 11) << especie;
      EXPECT_GT(c.value("b, q").toDouble(), 0) << especie;
    }
    c.seek("=", {"P.M.", 47, "26r", 1, "VCC"});  // species texts compare exactly
    EXPECT_TRUE(c.noMatch());
    c.seek("=", {"P.M.", 47, "21", 1, "DCH"});  // no equation for that variable
    EXPECT_TRUE(c.noMatch());
  }
  Cursor m =
      db.openCursor("SELECT Modelo FROM Modelos WHERE (IdModelo IN (1,2,3,4,5,6,8,9,10,11,12))",
                    CursorKind::ForwardOnly);
  int n = 0;
  for (; !m.eof(); m.moveNext()) {
    EXPECT_FALSE(m.value("Modelo").toString().empty());
    ++n;
  }
  EXPECT_EQ(n, 11);
}
