// Random access to the visible rows of a cursor (what a grid over a large table reads): ordinals,
// row ids and values by ordinal, absolute positions, after additions and deletions made through
// the cursor itself, another cursor or another database handle on the same table.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"
#include "store/StoreError.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;

namespace {

class AccesoDirectoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = Database::open(dir.ruta());
    TableDef def("PIESMA00");
    def.appendField("ESTADILLO", FieldType::Integer);
    def.appendField("NUMORDEN", FieldType::Integer);
    def.appendField("ESPECIE", FieldType::Text, 3);
    db.appendTableDef(def);
    // Plot 3 comes first and plots repeat, so ORDER BY ESTADILLO has ties to keep.
    const int filas[][3] = {{3, 1, 21}, {1, 1, 45}, {2, 1, 21}, {1, 2, 71},
                            {3, 2, 21}, {2, 2, 45}, {1, 3, 21}};
    Cursor c = db.openCursor("PIESMA00");
    for (const auto& f : filas) anade(c, f[0], f[1], std::to_string(f[2]));
  }

  static void anade(Cursor& c, int parcela, int arbol, const std::string& especie = "21") {
    c.addNew();
    c.setValue("ESTADILLO", parcela);
    c.setValue("NUMORDEN", arbol);
    if (c.fieldIndex("ESPECIE") >= 0) c.setValue("ESPECIE", especie);
    c.update();
  }

  // "plot/tree" of every visible row, read by ordinal.
  static std::vector<std::string> porOrdinal(const Cursor& c) {
    std::vector<std::string> v;
    for (std::int64_t i = 0; i < c.recordCount(); ++i)
      v.push_back(c.valueAt(i, 0).toString() + "/" + c.valueAt(i, 1).toString());
    return v;
  }

  // The same rows read by walking the cursor.
  static std::vector<std::string> recorrido(Cursor& c) {
    std::vector<std::string> v;
    for (c.moveFirst(); !c.eof(); c.moveNext())
      v.push_back(c.value(0).toString() + "/" + c.value(1).toString());
    return v;
  }

  CarpetaTemporal dir;
  Database db;
};

using Filas = std::vector<std::string>;

TEST_F(AccesoDirectoTest, TableCursorFollowsDeletesAndAddsThroughOtherHandles) {
  Cursor c = db.openCursor("PIESMA00");
  EXPECT_EQ(porOrdinal(c), (Filas{"3/1", "1/1", "2/1", "1/2", "3/2", "2/2", "1/3"}));
  EXPECT_EQ(c.rowIdAt(4), 4u);

  // A second handle on the folder shares the loaded table: its deletes hide rows here.
  Database otra = Database::open(dir.ruta());
  Cursor d = otra.openCursor("PIESMA00");
  d.setAbsolutePosition(1);
  d.remove();  // 1/1
  d.setAbsolutePosition(3);
  d.remove();  // 3/2, ordinal 3 once 1/1 is gone
  EXPECT_EQ(c.recordCount(), 5);
  EXPECT_EQ(porOrdinal(c), (Filas{"3/1", "2/1", "1/2", "2/2", "1/3"}));
  EXPECT_EQ(porOrdinal(c), recorrido(c));
  // Ids stay the record numbers: ordinal 3 is the sixth record.
  EXPECT_EQ(c.rowIdAt(3), 5u);

  anade(d, 4, 1);
  EXPECT_EQ(c.recordCount(), 6);
  EXPECT_EQ(porOrdinal(c).back(), "4/1");

  c.setAbsolutePosition(5);
  EXPECT_EQ(c.value("ESTADILLO").toDouble(), 4);
  EXPECT_EQ(c.absolutePosition(), 5);
  c.setAbsolutePosition(2);
  EXPECT_EQ(c.absolutePosition(), 2);
  EXPECT_EQ(c.value("NUMORDEN").toDouble(), 2);  // 1/2
  // The row a cursor stands on, deleted under it: the position counts the rows before it.
  c.remove();
  EXPECT_EQ(c.absolutePosition(), 2);
  c.moveNext();
  EXPECT_EQ(c.absolutePosition(), 2);
  EXPECT_EQ(c.value("ESTADILLO").toDouble(), 2);  // 2/2 moved up
  try {
    c.setAbsolutePosition(5);
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), 3001);
  }
  EXPECT_THROW(c.valueAt(-1, 0), StoreError);
  EXPECT_THROW(c.valueAt(0, 3), StoreError);  // no such field
}

TEST_F(AccesoDirectoTest, OrderedDynasetKeepsItsOrderAndSkipsDeletedRows) {
  Cursor c = db.openCursor("SELECT ESTADILLO, NUMORDEN FROM PIESMA00 ORDER BY ESTADILLO");
  // Ties keep table order.
  EXPECT_EQ(porOrdinal(c), (Filas{"1/1", "1/2", "1/3", "2/1", "2/2", "3/1", "3/2"}));

  Cursor t = db.openCursor("PIESMA00");
  t.findFirst("ESTADILLO=2 AND NUMORDEN=1");
  t.remove();
  t.findFirst("ESTADILLO=1 AND NUMORDEN=1");
  t.remove();
  EXPECT_EQ(porOrdinal(c), (Filas{"1/2", "1/3", "2/2", "3/1", "3/2"}));
  // Rows added through the dynaset come last; rows added elsewhere are not among its rows.
  anade(c, 0, 9);
  anade(t, 0, 8);
  EXPECT_EQ(porOrdinal(c), (Filas{"1/2", "1/3", "2/2", "3/1", "3/2", "0/9"}));
  EXPECT_EQ(porOrdinal(c), recorrido(c));
  c.setAbsolutePosition(4);
  EXPECT_EQ(c.value("NUMORDEN").toDouble(), 2);
  c.moveNext();
  EXPECT_EQ(c.absolutePosition(), 5);
}

TEST_F(AccesoDirectoTest, GroupedAndDistinctResultsByOrdinal) {
  Cursor g = db.openCursor(
      "SELECT ESTADILLO, Count(NUMORDEN) AS Num FROM PIESMA00 GROUP BY ESTADILLO ORDER BY "
      "ESTADILLO DESC");
  ASSERT_EQ(g.recordCount(), 3);
  EXPECT_EQ(porOrdinal(g), (Filas{"3/2", "2/2", "1/3"}));
  g.setAbsolutePosition(2);
  EXPECT_EQ(g.value("Num").toDouble(), 3);
  EXPECT_EQ(g.absolutePosition(), 2);

  Cursor e = db.openCursor("SELECT DISTINCT ESPECIE FROM PIESMA00 ORDER BY ESPECIE");
  ASSERT_EQ(e.recordCount(), 3);
  EXPECT_EQ(e.valueAt(0, 0).toString(), "21");
  EXPECT_EQ(e.valueAt(2, 0).toString(), "71");
  // A result's rows are its own: ids are positions in the result, not record numbers.
  EXPECT_EQ(e.valueOfRow(e.rowIdAt(1), 0).toString(), "45");
  EXPECT_THROW(e.valueAt(3, 0), StoreError);
}

TEST_F(AccesoDirectoTest, ActiveIndexOrderByOrdinal) {
  db.appendIndex("PIESMA00", IndexDef{"ParcelaArbol", {"Estadillo", "NumOrden"}});
  Cursor c = db.openCursor("PIESMA00");
  c.setIndex("ParcelaArbol");
  EXPECT_EQ(porOrdinal(c), (Filas{"1/1", "1/2", "1/3", "2/1", "2/2", "3/1", "3/2"}));
  Cursor t = db.openCursor("PIESMA00");
  t.findFirst("ESTADILLO=1 AND NUMORDEN=2");
  t.remove();
  EXPECT_EQ(c.recordCount(), 6);
  EXPECT_EQ(porOrdinal(c), (Filas{"1/1", "1/3", "2/1", "2/2", "3/1", "3/2"}));
  EXPECT_EQ(porOrdinal(c), recorrido(c));
}

TEST_F(AccesoDirectoTest, CursorOverChosenRows) {
  Cursor c = db.openCursor("SELECT NUMORDEN, ESPECIE FROM PIESMA00");
  // Records 6, 0 and 3, in that order, through the cursor's own columns.
  Cursor l = c.withRows({6, 0, 3});
  ASSERT_EQ(l.recordCount(), 3);
  EXPECT_EQ(l.fieldName(0), "NUMORDEN");
  EXPECT_EQ(l.valueAt(0, 0).toDouble(), 3);
  EXPECT_EQ(l.valueAt(0, 1).toString(), "21");
  EXPECT_EQ(l.valueAt(2, 1).toString(), "71");
  EXPECT_EQ(l.rowIdAt(1), 0u);

  Cursor t = db.openCursor("PIESMA00");
  t.remove();  // record 0
  EXPECT_EQ(l.recordCount(), 2);
  EXPECT_EQ(l.rowIdAt(1), 3u);
  EXPECT_TRUE(l.rowDeleted(0));
  try {
    l.valueOfRow(0, 0);
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kRegistroEliminado);
  }
  EXPECT_EQ(l.valueOfRow(5, 1).toString(), "45");
  EXPECT_THROW(c.withRows({7}), StoreError);
  EXPECT_EQ(c.withRows({}).recordCount(), 0);
}

// Appending a cursor's rows to a table of another folder, field by position: fields of the same
// on-disk form byte for byte, others converted (a longer text cut to its field, a number into a
// text field), in the cursor's order, deleted rows left out, a memo carried.
TEST_F(AccesoDirectoTest, AppendRowsByPosition) {
  CarpetaTemporal otra;
  Database destino = Database::open(otra.ruta());
  TableDef def("Corte");
  def.appendField("PARCELA", FieldType::Integer);  // same form as ESTADILLO
  def.appendField("ARBOL", FieldType::Double);     // another numeric form
  def.appendField("SP", FieldType::Text, 1);       // shorter text
  def.appendField("NOTA", FieldType::Memo);        // the cursor has no fourth field
  db.appendTableDef(TableDef(def));
  destino.appendTableDef(def);
  Cursor t = db.openCursor("PIESMA00");
  t.moveNext();
  t.remove();  // record 1 (1, 1, 45)
  Cursor fuente = db.openCursor("PIESMA00").withRows({6, 1, 0, 4});
  destino.appendRows("Corte", fuente);
  destino.appendRows("corte", db.openCursor("SELECT ESPECIE FROM PIESMA00 WHERE ESTADILLO=2"));
  destino.close();

  Database lectura = Database::open(otra.ruta());
  Cursor c = lectura.openCursor("Corte");
  Filas filas;
  for (; !c.eof(); c.moveNext())
    filas.push_back(c.value(0).toString() + "/" + c.value(1).toString() + "/" +
                    c.value(2).toString() + "/" + (c.value(3).isNull() ? "-" : "memo"));
  EXPECT_EQ(filas, (Filas{"1/3/2/-", "3/1/2/-", "3/2/2/-", "21///-", "45///-"}));

  // A memo goes over to a memo field.
  Cursor conNota = lectura.openCursor("Corte");
  conNota.edit();
  conNota.setValue("NOTA", "Criterios\r\nde corte");
  conNota.update();
  db.appendRows("Corte", lectura.openCursor("Corte"));
  Cursor copia = db.openCursor("Corte");
  EXPECT_EQ(copia.recordCount(), 5);
  EXPECT_EQ(copia.value("NOTA").toString(), "Criterios\r\nde corte");
  EXPECT_EQ(copia.value("SP").toString(), "2");
  EXPECT_THROW(lectura.appendRows("NoHay", copia), StoreError);
}

// A table read from a file whose records cross a block of rows (4096), some marked deleted:
// rows added after loading go into the last loaded block and then into new ones, and the file
// written back holds exactly the live rows.
TEST(AccesoDirectoArchivo, LoadedTableGrowsAndShrinksAcrossBlocks) {
  CarpetaTemporal dir;
  arbelio::testing::DbfBuilder b;
  b.fields = {{"NUM", 'N', 6}};
  for (int i = 0; i < 4100; ++i) {
    char rec[8];
    std::snprintf(rec, sizeof rec, "%6d", i);
    b.add(rec, i % 1000 == 7);
  }
  b.write(dir.archivo("GRANDE.dbf"));
  {
    Database db = Database::open(dir.ruta());
    Cursor c = db.openCursor("GRANDE");
    ASSERT_EQ(c.recordCount(), 4095);
    EXPECT_EQ(c.valueAt(7, 0).toDouble(), 8);  // record 7 is deleted
    EXPECT_EQ(c.rowIdAt(7), 8u);
    for (int i = 0; i < 10; ++i) {
      c.addNew();
      c.setValue("NUM", 5000 + i);
      c.update();
    }
    EXPECT_EQ(c.recordCount(), 4105);
    EXPECT_EQ(c.valueAt(4104, 0).toDouble(), 5009);
    EXPECT_EQ(c.rowIdAt(4104), 4109u);
    c.setAbsolutePosition(4094);  // the last loaded row, 4099
    EXPECT_EQ(c.value("NUM").toDouble(), 4099);
    c.remove();
    db.close();
  }
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("GRANDE");
  ASSERT_EQ(c.recordCount(), 4104);
  EXPECT_EQ(c.valueAt(4093, 0).toDouble(), 4098);
  EXPECT_EQ(c.valueAt(4094, 0).toDouble(), 5000);
  EXPECT_EQ(c.valueAt(4103, 0).toDouble(), 5009);
}

// A new table grown row by row past its first blocks takes later blocks from larger shared
// areas: every row must still read back its own values, before and after a save and reload.
TEST(AccesoDirectoArchivo, GrownTableKeepsEveryRowAcrossAreas) {
  CarpetaTemporal dir;
  constexpr int kFilas = 30 * 4096 + 17;  // wide rows: blocks of 0.8 MB, several areas
  {
    Database db = Database::open(dir.ruta());
    TableDef def("ANCHA");
    def.appendField("NUM", FieldType::Long);
    def.appendField("TEXTO", FieldType::Text, 200);
    db.appendTableDef(def);
    Cursor c = db.openCursor("ANCHA");
    for (int i = 0; i < kFilas; ++i) {
      c.addNew();
      c.setValue("NUM", i * 7);
      c.setValue("TEXTO", "f" + std::to_string(i));
      c.update();
    }
    ASSERT_EQ(c.recordCount(), kFilas);
    for (int i = 0; i < kFilas; i += 997) {
      ASSERT_EQ(c.valueAt(i, 0).toDouble(), i * 7.0) << i;
      ASSERT_EQ(c.valueAt(i, 1).toString(), "f" + std::to_string(i)) << i;
    }
    db.close();
  }
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("ANCHA");
  ASSERT_EQ(c.recordCount(), kFilas);
  int i = 0;
  for (; !c.eof(); c.moveNext(), ++i) {
    ASSERT_EQ(c.value(0).toDouble(), i * 7.0) << i;
    ASSERT_EQ(c.value(1).toString(), "f" + std::to_string(i)) << i;
  }
  EXPECT_EQ(i, kFilas);
}

// Random adds and deletes through two cursors, checked against a walk after each step: the map
// of visible rows must follow additions (extended) and deletions (rebuilt) alike.
TEST_F(AccesoDirectoTest, RandomChangesAgreeWithAWalk) {
  Cursor tabla = db.openCursor("PIESMA00");
  Cursor orden = db.openCursor("SELECT * FROM PIESMA00 ORDER BY NUMORDEN");
  std::mt19937 azar(7);
  for (int paso = 0; paso < 300; ++paso) {
    Cursor& c = (azar() % 2) ? tabla : orden;
    const std::int64_t n = c.recordCount();
    if (n > 2 && azar() % 3 == 0) {
      c.setAbsolutePosition(static_cast<std::int64_t>(azar() % static_cast<unsigned>(n)));
      c.remove();
    } else {
      anade(c, paso, static_cast<int>(azar() % 5));
    }
    if (paso % 7 == 0) {
      ASSERT_EQ(porOrdinal(tabla), recorrido(tabla)) << paso;
      ASSERT_EQ(porOrdinal(orden), recorrido(orden)) << paso;
    }
  }
  EXPECT_EQ(porOrdinal(tabla), recorrido(tabla));
  EXPECT_EQ(porOrdinal(orden), recorrido(orden));
  EXPECT_EQ(tabla.recordCount(), static_cast<std::int64_t>(recorrido(tabla).size()));
}

}  // namespace
