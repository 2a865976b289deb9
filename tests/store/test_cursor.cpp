// Cursor semantics: navigation, editing, deleting, finds, seeks, sort, clone.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "store/Database.h"
#include "store/StoreError.h"
#include "store/Table.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;

namespace {

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = Database::open(dir.ruta());
    TableDef def("PIESMA00");
    def.appendField("PROVINCIA", FieldType::Integer);
    def.appendField("ESTADILLO", FieldType::Integer);
    def.appendField("NUMORDEN", FieldType::Integer);
    def.appendField("ESPECIE", FieldType::Text, 3);
    def.appendField("DN", FieldType::Single);
    db.appendTableDef(def);
    Cursor c = db.openCursor("PIESMA00");
    // (province, plot, tree, species, dn)
    const int rows[][4] = {{47, 2, 1, 21}, {47, 1, 1, 21}, {47, 1, 2, 45},
                           {24, 1, 1, 21}, {47, 2, 2, 21}, {47, 1, 3, 21}};
    const double dn[] = {30.5, 12.5, 22.0, 40.0, 12.5, 8.0};
    for (int i = 0; i < 6; ++i) {
      c.addNew();
      c.setValue("PROVINCIA", rows[i][0]);
      c.setValue("ESTADILLO", rows[i][1]);
      c.setValue("NUMORDEN", rows[i][2]);
      c.setValue("ESPECIE", std::to_string(rows[i][3]));
      c.setValue("DN", dn[i]);
      c.update();
    }
  }

  static std::string key(const Cursor& c) {
    return c.value("PROVINCIA").toString() + "/" + c.value("ESTADILLO").toString() + "/" +
           c.value("NUMORDEN").toString();
  }

  CarpetaTemporal dir;
  Database db;
};

TEST_F(CursorTest, NavigationFlagsOnEmptyAndFullSets) {
  Cursor e = db.openCursor("SELECT * FROM PIESMA00 WHERE PROVINCIA=1");
  EXPECT_TRUE(e.eof());
  EXPECT_TRUE(e.bof());
  EXPECT_EQ(e.recordCount(), 0);
  EXPECT_THROW(e.value("DN"), StoreError);
  EXPECT_THROW(e.moveNext(), StoreError);

  Cursor c = db.openCursor("PIESMA00");
  EXPECT_FALSE(c.bof());
  EXPECT_EQ(key(c), "47/2/1");
  c.moveLast();
  EXPECT_EQ(key(c), "47/1/3");
  EXPECT_EQ(c.recordCount(), 6);
  EXPECT_EQ(c.absolutePosition(), 5);
  c.moveNext();
  EXPECT_TRUE(c.eof());
  c.movePrevious();
  EXPECT_EQ(key(c), "47/1/3");
  c.setAbsolutePosition(2);
  EXPECT_EQ(key(c), "47/1/2");
  c.moveFirst();
  c.movePrevious();
  EXPECT_TRUE(c.bof());
  EXPECT_FALSE(c.eof());
}

TEST_F(CursorTest, DeleteStaysOnTheRowUntilTheCursorMoves) {
  Cursor c = db.openCursor("SELECT * FROM PIESMA00 ORDER BY PROVINCIA, ESTADILLO, NUMORDEN");
  c.moveNext();  // 47/1/1
  EXPECT_EQ(key(c), "47/1/1");
  c.remove();
  try {
    c.value("DN");
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kRegistroEliminado);
  }
  c.moveNext();
  EXPECT_EQ(key(c), "47/1/2");
  EXPECT_EQ(c.recordCount(), 5);
  // The table and other cursors no longer see it.
  EXPECT_EQ(db.openCursor("PIESMA00").recordCount(), 5);
  db.close();
  Database again = Database::open(dir.ruta());
  EXPECT_EQ(again.openCursor("piesma00").recordCount(), 5);
}

TEST_F(CursorTest, EditAndAddNewThroughAnOrderedDynaset) {
  Cursor c = db.openCursor("SELECT * FROM [PIESMA00] ORDER BY PROVINCIA, ESTADILLO, DN");
  ASSERT_TRUE(c.updatable());
  EXPECT_EQ(key(c), "24/1/1");
  c.edit();
  c.setValue("dn", 41.25);
  EXPECT_EQ(c.value("DN").toDouble(), 41.25);  // the edit buffer
  c.update();
  c.addNew();
  c.setValue("PROVINCIA", 50);
  c.setValue("ESTADILLO", 9);
  c.setValue("NUMORDEN", 1);
  c.update();
  EXPECT_EQ(key(c), "24/1/1");  // still on the row it was on
  c.moveLast();
  EXPECT_EQ(key(c), "50/9/1");  // added rows come last
  EXPECT_TRUE(c.value("DN").isNull());
  Cursor t = db.openCursor("PIESMA00");
  t.findFirst("PROVINCIA=24");
  EXPECT_EQ(t.value("DN").toDouble(), 41.25);
  EXPECT_EQ(t.recordCount(), 7);
}

TEST_F(CursorTest, RecordsBuiltApartAreTheRowsAddNewWrites) {
  // The same new rows through addNew/setValue/update and through encodeField/appendRows,
  // refused values included (a text too long, a number too wide): every field's text equal.
  for (const char* nombre : {"COPIA", "APARTE"}) {
    TableDef def(nombre);
    def.appendField("PROVINCIA", FieldType::Integer);
    def.appendField("ESPECIE", FieldType::Text, 3);
    def.appendField("DN", FieldType::Single);
    db.appendTableDef(def);
  }
  const std::vector<std::vector<Value>> filas = {
      {Value(47), Value("21"), Value(30.25)},
      {Value(1e30), Value("ABCD"), Value()},  // both refused: left blank
      {Value(-3), Value(), Value(7.5)},
  };
  Cursor una = db.openCursor("COPIA");
  for (const auto& f : filas) {
    una.addNew();
    for (int i = 0; i < 3; ++i) {
      try {
        una.setValue(i, f[static_cast<std::size_t>(i)]);
      } catch (const StoreError&) {
      }
    }
    una.update();
  }
  Cursor aparte = db.openCursor("SELECT * FROM APARTE ORDER BY DN");
  ASSERT_TRUE(aparte.eof());
  const std::size_t largo = aparte.recordLength();
  std::string registro(largo, ' ');
  EXPECT_THROW(aparte.encodeField(3, Value(1), registro.data()), StoreError);
  std::atomic<int> rechazados{0};
  const auto construir = [&](std::size_t k, char* r) {
    for (int i = 0; i < 3; ++i) {
      try {
        aparte.encodeField(i, filas[k][static_cast<std::size_t>(i)], r);
      } catch (const StoreError&) {
        ++rechazados;
      }
    }
  };
  // A failed build adds no row and reports the failure.
  EXPECT_THROW(aparte.appendRows(filas.size(),
                                 [&](std::size_t k, char* r) {
                                   if (k == 2) throw StoreError(1, "fallo");
                                   construir(k, r);
                                 }),
               StoreError);
  EXPECT_EQ(db.openCursor("APARTE").recordCount(), 0);
  rechazados = 0;
  aparte.appendRows(filas.size(), construir);
  EXPECT_EQ(rechazados, 2);
  // An empty cursor that gained rows sits at its end; its rows come in the order appended.
  EXPECT_TRUE(aparte.eof());
  EXPECT_EQ(aparte.recordCount(), 3);
  Cursor a = db.openCursor("COPIA"), b = db.openCursor("APARTE");
  for (; !a.eof(); a.moveNext(), b.moveNext()) {
    ASSERT_FALSE(b.eof());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(a.rawText(i), b.rawText(i)) << "field " << i;
  }
  EXPECT_TRUE(b.eof());
  b.moveFirst();
  b.moveNext();
  EXPECT_TRUE(b.value("PROVINCIA").isNull());
  EXPECT_TRUE(b.value("ESPECIE").isNull());
  // Not while a row is being edited.
  b.addNew();
  EXPECT_THROW(b.appendRows(1, construir), StoreError);
}

TEST_F(CursorTest, EncodedFieldsReadBackAndWriteAsSetValueDoes) {
  // DN is a single-precision field: what it reads back is the value as stored, not the double
  // that was encoded; a write of the encoded bytes is the edit's write.
  Cursor c = db.openCursor("PIESMA00");
  std::string registro(c.recordLength(), ' ');
  const int dn = c.fieldIndex("DN"), especie = c.fieldIndex("ESPECIE");
  c.encodeField(dn, Value(0.1), registro.data());
  EXPECT_EQ(c.decodeField(dn, registro.data()).number(),
            static_cast<double>(static_cast<float>(0.1)));
  c.encodeField(especie, Value("7"), registro.data());
  EXPECT_EQ(c.decodeField(especie, registro.data()).text(), "7");
  const std::uint32_t fila = c.rowIdAt(3);
  c.writeEncoded(fila, dn, registro.data() + c.fieldOffset(dn));
  c.writeEncoded(fila, especie, registro.data() + c.fieldOffset(especie));
  Cursor t = db.openCursor("SELECT * FROM PIESMA00 WHERE PROVINCIA=24");
  EXPECT_EQ(t.value("ESPECIE").text(), "7");
  EXPECT_EQ(t.value("DN").number(), static_cast<double>(static_cast<float>(0.1)));
  // The edit writes the same bytes.
  Cursor u = db.openCursor("SELECT * FROM PIESMA00 WHERE PROVINCIA=47 AND NUMORDEN=3");
  u.edit();
  u.setValue("DN", 0.1);
  u.update();
  EXPECT_EQ(u.rawText(dn), t.rawText(dn));
  // Numbers read without a value: a number, a NaN for an empty field, false for text.
  double x = 0;
  EXPECT_TRUE(c.numberOfRow(fila, dn, x));
  EXPECT_EQ(x, static_cast<double>(static_cast<float>(0.1)));
  // A read of each row once (no column decoded for it) gives the same number, in single
  // precision for a single field.
  double y = 0;
  EXPECT_TRUE(c.numberOfRow(fila, dn, y, true));
  EXPECT_EQ(y, x);
  EXPECT_EQ(c.valueOfRow(fila, dn, true).number(), x);
  EXPECT_EQ(c.valueOfRow(fila, especie, true).text(), "7");
  u.edit();
  u.setValue("DN", Value());
  u.update();
  EXPECT_TRUE(c.numberOfRow(u.rowIdAt(0), dn, x));
  EXPECT_TRUE(std::isnan(x));
  EXPECT_TRUE(c.numberOfRow(u.rowIdAt(0), dn, y, true));
  EXPECT_TRUE(std::isnan(y));
  EXPECT_TRUE(c.valueOfRow(u.rowIdAt(0), dn, true).isNull());
  EXPECT_FALSE(c.numberOfRow(fila, especie, x));
  EXPECT_FALSE(c.numberOfRow(fila, especie, x, true));
  // Several numeric fields of a row at once: the numbers read one by one, NaN for the empty
  // DN; false when one of them is not numeric.
  const int provincia = c.fieldIndex("PROVINCIA");
  std::array<double, 3> juntos{};
  const std::array<int, 3> numericos = {provincia, dn, provincia};
  EXPECT_TRUE(c.numbersOfRow(fila, numericos.data(), numericos.size(), juntos.data()));
  EXPECT_EQ(juntos[0], 24);
  EXPECT_EQ(juntos[1], static_cast<double>(static_cast<float>(0.1)));
  EXPECT_EQ(juntos[2], 24);
  EXPECT_TRUE(c.numbersOfRow(u.rowIdAt(0), numericos.data(), 2, juntos.data()));
  EXPECT_EQ(juntos[0], 47);
  EXPECT_TRUE(std::isnan(juntos[1]));
  const std::array<int, 2> conTexto = {dn, especie};
  EXPECT_FALSE(c.numbersOfRow(fila, conTexto.data(), conTexto.size(), juntos.data()));
  // A write that hands over the number its bytes hold keeps a column read whole in step.
  for (int k = 0; k < 5000; ++k) c.numberOfRow(fila, dn, x);
  c.encodeField(dn, Value(2.5), registro.data());
  c.writeEncoded(fila, dn, registro.data() + c.fieldOffset(dn),
                 c.numberOfField(dn, registro.data()));
  EXPECT_TRUE(c.numberOfRow(fila, dn, x));
  EXPECT_EQ(x, 2.5);
  EXPECT_TRUE(c.numberOfRow(fila, dn, y, true));  // from the column decoded before
  EXPECT_EQ(y, 2.5);
  EXPECT_EQ(t.value("DN").number(), 2.5);
  EXPECT_THROW(c.numberOfField(especie, registro.data()), StoreError);
  // Not into or from a deleted row.
  c.moveFirst();
  const std::uint32_t primera = c.rowIdAt(0);
  c.remove();
  EXPECT_THROW(c.numberOfRow(primera, dn, x), StoreError);
  EXPECT_THROW(c.writeEncoded(primera, dn, registro.data() + c.fieldOffset(dn)), StoreError);
  EXPECT_THROW(c.numbersOfRow(primera, &dn, 1, &x), StoreError);
}

// A number encoded into a numeric field gives what the field then reads as, to the bit, and
// the same bytes as encodeField: singles of the quick text and those left to the general one
// (powers of two, 2^23 and beyond, more than 8 decimals, beyond single precision), whole numbers
// of every width, doubles; a value that does not fit is refused the same way.
TEST(EncodeNumberField, GivesWhatTheFieldReadsAs) {
  CarpetaTemporal dir;
  Database db = Database::open(dir.ruta());
  TableDef def("T");
  def.appendField("S", FieldType::Single);
  def.appendField("B", FieldType::Byte);
  def.appendField("I", FieldType::Integer);
  def.appendField("L", FieldType::Long);
  def.appendField("D", FieldType::Double);
  def.appendField("C", FieldType::Text, 4);
  db.appendTableDef(def);
  Cursor c = db.openCursor("T");
  std::vector<char> a(c.recordLength(), ' '), b(c.recordLength(), ' ');
  std::mt19937_64 azar(5);
  std::vector<double> valores = {0.1,   -0.0,  0.0,        0.5,     1024,    8388608.5,
                                 3e-9,  1e30,  -12.25,     255,     -32768,  2147483647,
                                 0.045, 1e-45, 123.456789, 1.0 / 3, -7.5e-5, 4.35};
  for (int k = 0; k < 20000; ++k) {
    const double m = std::ldexp(static_cast<double>(azar() >> 11), -53);  // [0, 1)
    valores.push_back((k % 2 ? -1 : 1) * m * std::pow(10.0, static_cast<int>(azar() % 14) - 6));
  }
  for (int campo = 0; campo < 5; ++campo) {
    for (const double v : valores) {
      std::fill(a.begin(), a.end(), ' ');
      std::fill(b.begin(), b.end(), ' ');
      bool refusedA = false, refusedB = false;
      double leido = 0;
      try {
        c.encodeField(campo, Value(v), a.data());
      } catch (const StoreError&) {
        refusedA = true;
      }
      try {
        leido = c.encodeNumberField(campo, v, b.data());
      } catch (const StoreError&) {
        refusedB = true;
      }
      ASSERT_EQ(refusedA, refusedB) << campo << " " << v;
      if (refusedA) continue;
      ASSERT_EQ(std::string(a.begin(), a.end()), std::string(b.begin(), b.end()))
          << campo << " " << v;
      const double esperado = c.numberOfField(campo, b.data());
      ASSERT_EQ(std::bit_cast<std::uint64_t>(leido), std::bit_cast<std::uint64_t>(esperado))
          << campo << " " << v;
    }
  }
  EXPECT_THROW(c.encodeNumberField(5, 1, b.data()), StoreError);  // not a numeric field
}

// Two lists of encoded writes made at once leave the rows as the same writes made one by one:
// bytes, a column read whole, and a find index on a written field all in step.
TEST_F(CursorTest, EncodedWriteListsWriteAsWriteEncodedDoes) {
  Cursor c = db.openCursor("PIESMA00");
  const int dn = c.fieldIndex("DN"), especie = c.fieldIndex("ESPECIE");
  double x = 0;
  for (int k = 0; k < 5000; ++k) c.numberOfRow(c.rowIdAt(0), dn, x);  // DN decoded whole
  c.findFirst("DN=12.5");                                             // a find index on DN
  ASSERT_FALSE(c.noMatch());
  // One record of bytes per row: DN 100 + row position, ESPECIE the position as text.
  std::vector<std::string> registros(6, std::string(c.recordLength(), ' '));
  std::vector<std::vector<Cursor::EncodedWrite>> listas(2);
  for (std::size_t p = 0; p < 6; ++p) {
    char* r = registros[p].data();
    c.encodeField(dn, Value(100.0 + static_cast<double>(p)), r);
    c.encodeField(especie, Value(std::to_string(p)), r);
    const std::uint32_t fila = c.rowIdAt(static_cast<std::int64_t>(p));
    auto& lista = listas[p < 3 ? 0 : 1];
    lista.push_back({fila, dn, r + c.fieldOffset(dn), c.numberOfField(dn, r)});
    lista.push_back({fila, especie, r + c.fieldOffset(especie), std::nullopt});
  }
  c.writeEncodedLists(listas);
  for (std::int64_t p = 0; p < 6; ++p) {
    EXPECT_TRUE(c.numberOfRow(c.rowIdAt(p), dn, x));
    EXPECT_EQ(x, 100.0 + static_cast<double>(p));
    EXPECT_EQ(c.valueOfRow(c.rowIdAt(p), especie).text(), std::to_string(p));
  }
  c.findFirst("DN=12.5");
  EXPECT_TRUE(c.noMatch());
  c.findFirst("DN=104");
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(c.value("ESPECIE").text(), "4");
  Cursor otro = db.openCursor("SELECT * FROM PIESMA00 WHERE DN=105");
  EXPECT_EQ(otro.value("ESPECIE").text(), "5");
  // A write into a deleted row fails, as writeEncoded does.
  const std::uint32_t primera = c.rowIdAt(0);
  c.moveFirst();
  c.remove();
  EXPECT_THROW(c.writeEncodedLists(
                   {{}, {{primera, dn, registros[0].data() + c.fieldOffset(dn), std::nullopt}}}),
               StoreError);
}

TEST_F(CursorTest, ReadOnlyKindsRefuseChanges) {
  Cursor s = db.openCursor("PIESMA00", CursorKind::Snapshot);
  EXPECT_THROW(s.edit(), StoreError);
  EXPECT_THROW(s.addNew(), StoreError);
  Cursor g =
      db.openCursor("SELECT ESTADILLO, Count(NUMORDEN) AS Num FROM PIESMA00 GROUP BY ESTADILLO");
  EXPECT_FALSE(g.updatable());
  EXPECT_THROW(g.remove(), StoreError);
  Database ro = Database::open(dir.ruta(), {false, true, "DBASE IV"});
  db.close();
  Cursor r = ro.openCursor("PIESMA00");
  EXPECT_THROW(r.edit(), StoreError);
  EXPECT_THROW(ro.execute("DELETE * FROM PIESMA00"), StoreError);
  Cursor f = ro.openCursor("SELECT * FROM PIESMA00", CursorKind::ForwardOnly);
  f.moveNext();
  EXPECT_THROW(f.movePrevious(), StoreError);
}

TEST_F(CursorTest, FindsWalkInCursorOrderAndSetNoMatch) {
  Cursor c = db.openCursor("SELECT * FROM PIESMA00 ORDER BY PROVINCIA, ESTADILLO, DN");
  const std::string crit = "PROVINCIA=47 AND ESTADILLO=1";
  c.findFirst(crit);
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(key(c), "47/1/3");  // thinnest first
  c.findNext(crit);
  EXPECT_EQ(key(c), "47/1/1");
  c.findNext(crit);
  EXPECT_EQ(key(c), "47/1/2");
  c.findNext(crit);
  EXPECT_TRUE(c.noMatch());
  EXPECT_EQ(key(c), "47/1/2");  // a failed find leaves the cursor where it was
  c.findLast(crit);
  EXPECT_EQ(key(c), "47/1/2");
  c.findPrevious(crit);
  EXPECT_EQ(key(c), "47/1/1");
  c.findPrevious("PROVINCIA=47 AND ESTADILLO=2");
  EXPECT_TRUE(c.noMatch());
  // Text criteria and non-equality criteria (answered by a scan).
  c.findFirst("ESPECIE='45'");
  EXPECT_EQ(key(c), "47/1/2");
  c.findFirst("DN >= 30 AND PROVINCIA > 24");
  EXPECT_EQ(key(c), "47/2/1");
  c.findLast("DN < 12.6");
  EXPECT_EQ(key(c), "47/2/2");
}

TEST_F(CursorTest, SingleColumnsMatchNumbersByValue) {
  Cursor c = db.openCursor("PIESMA00");
  c.edit();
  c.setValue("DN", 0.45);  // stored as the float nearest to 0.45
  c.update();
  c.findFirst("DN=0.45");
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(key(c), "47/2/1");
  c.findFirst("PROVINCIA=47 AND DN=0.449999988079071");  // the float's own digits match too
  EXPECT_FALSE(c.noMatch());
  Cursor q = db.openCursor("SELECT * FROM PIESMA00 WHERE DN IN (0.45, 8)");
  EXPECT_EQ(q.recordCount(), 2);
  // Quoted, the value compares as the text the column shows: the float's own shortest digits
  // ("0.45"), not the double it widens to ("0.449999988079071"); other spellings are other texts.
  c.findFirst("DN='0.45'");
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(key(c), "47/2/1");
  c.findFirst("DN='0.450'");
  EXPECT_TRUE(c.noMatch());
  c.findFirst("DN='0.449999988079071'");
  EXPECT_TRUE(c.noMatch());
  c.findFirst("PROVINCIA>0 AND DN='0.45'");  // answered by a scan
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(key(c), "47/2/1");
  c.findFirst("PROVINCIA>0 AND DN='0.449999988079071'");
  EXPECT_TRUE(c.noMatch());
  EXPECT_EQ(db.openCursor("SELECT * FROM PIESMA00 WHERE DN = '0.45'").recordCount(), 1);
  EXPECT_EQ(db.openCursor("SELECT * FROM PIESMA00 WHERE DN IN ('0.45', '8')").recordCount(), 2);
}

TEST_F(CursorTest, FindIndexFollowsEditsAddsAndDeletes) {
  Cursor c = db.openCursor("PIESMA00");
  c.findFirst("ESTADILLO=2");
  EXPECT_EQ(key(c), "47/2/1");
  c.remove();
  c.findFirst("ESTADILLO=2");
  EXPECT_EQ(key(c), "47/2/2");
  c.edit();
  c.setValue("ESTADILLO", 5);
  c.update();
  c.findFirst("ESTADILLO=2");
  EXPECT_TRUE(c.noMatch());
  c.findFirst("ESTADILLO=5");
  EXPECT_EQ(key(c), "47/5/2");
  Cursor other = db.openCursor("PIESMA00");
  other.addNew();
  other.setValue("PROVINCIA", 47);
  other.setValue("ESTADILLO", 5);
  other.setValue("NUMORDEN", 9);
  other.update();
  c.findNext("ESTADILLO=5");
  EXPECT_EQ(key(c), "47/5/9");
}

TEST_F(CursorTest, SeekOnAPersistedIndex) {
  db.appendIndex("PIESMA00", IndexDef{"ProvEstInd", {"Provincia", "Estadillo"}});
  db.close();
  Database again = Database::open(dir.ruta());
  ASSERT_TRUE(again.tableDef("PIESMA00").hasIndex("provestind"));
  Cursor c = again.openCursor("PIESMA00");
  c.setIndex("ProvEstInd");
  EXPECT_EQ(key(c), "24/1/1");  // index order
  c.seek("=", {47, 2});
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(key(c), "47/2/1");  // first of equal keys in table order
  c.moveNext();
  EXPECT_EQ(key(c), "47/2/2");
  c.seek("=", {47, 3});
  EXPECT_TRUE(c.noMatch());
  c.seek("=", {Value(24)});
  EXPECT_EQ(key(c), "24/1/1");
  c.seek(">=", {47, 1});
  EXPECT_EQ(key(c), "47/1/1");
  EXPECT_THROW(c.setIndex("NoExiste"), StoreError);
  EXPECT_THROW(again.appendIndex("PIESMA00", IndexDef{"provestind", {"Provincia"}}), StoreError);
}

TEST_F(CursorTest, SortAndCloneAreIndependentCursors) {
  Cursor c = db.openCursor("SELECT * FROM PIESMA00 WHERE PROVINCIA=47");
  Cursor s = c.sorted("DN DESC, NUMORDEN");
  EXPECT_EQ(key(s), "47/2/1");
  s.moveLast();
  EXPECT_EQ(key(s), "47/1/3");
  EXPECT_EQ(key(c), "47/2/1");

  Cursor k = c.clone();
  k.moveLast();
  EXPECT_EQ(key(c), "47/2/1");
  k.remove();
  c.moveLast();
  EXPECT_EQ(key(c), "47/2/2");  // the clone's delete is seen, its position is not
  EXPECT_EQ(c.recordCount(), 4);
}

// A clone of an indexed cursor takes its index: the order as it stands, or built anew when a
// change since then has made it stale.
TEST_F(CursorTest, ACloneTakesTheIndexAsTheRowsNowStand) {
  db.appendIndex("PIESMA00", IndexDef{"pordn", {"DN"}});
  Cursor c = db.openCursor("PIESMA00", CursorKind::Table);
  c.setIndex("pordn");
  Cursor k = c.clone();
  EXPECT_EQ(key(k), "47/1/3");  // DN 8, the lowest
  k.seek("=", {Value(40.0)});
  EXPECT_EQ(key(k), "24/1/1");

  c.seek("=", {Value(8.0)});
  c.edit();
  c.setValue("DN", 50.0);
  c.update();
  Cursor despues = c.clone();
  despues.moveFirst();
  EXPECT_EQ(key(despues), "47/1/1");  // 12.5, before 47/2/2's equal 12.5 by table order
  despues.moveLast();
  EXPECT_EQ(key(despues), "47/1/3");
  k.seek("=", {Value(50.0)});
  EXPECT_EQ(key(k), "47/1/3");
}

TEST_F(CursorTest, FieldsByNameAndPositionIgnoreCase) {
  Cursor c = db.openCursor("SELECT Estadillo, NumOrden AS Arbol FROM piesma00");
  EXPECT_EQ(c.fieldCount(), 2);
  EXPECT_EQ(c.fieldName(1), "Arbol");
  EXPECT_EQ(c.fieldIndex("ARBOL"), 1);
  EXPECT_EQ(c.fieldIndex("DN"), -1);
  EXPECT_EQ(c.value(0).toDouble(), 2);
  EXPECT_EQ(c["estadillo"].toDouble(), 2);
  try {
    c.value("DN");
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kElementoNoEncontrado);
  }
}

}  // namespace

// A table let go of is written out first; a cursor still on it keeps it; its next use loads
// what was written; a failed write keeps it, changed, in memory.
TEST_F(CursorTest, ReleaseWritesTheTableAndLetsItGo) {
  Cursor vivo = db.openCursor("PIESMA00");
  const auto registrosEnArchivo = [&] {
    std::ifstream in(dir.ruta() + "/PIESMA00.dbf", std::ios::binary);
    unsigned char cabecera[8] = {};
    in.read(reinterpret_cast<char*>(cabecera), 8);
    return cabecera[4] | cabecera[5] << 8 | cabecera[6] << 16 | cabecera[7] << 24;
  };
  EXPECT_EQ(registrosEnArchivo(), 0);  // created empty, rows added in memory
  db.release("piesma00.DBF");          // any letter case, with or without the extension
  EXPECT_EQ(registrosEnArchivo(), 6);
  // The cursor still holds the table: a change through it is seen by the next use of the
  // handle, which shares the table as long as the cursor lives.
  vivo.moveFirst();
  vivo.edit();
  vivo.setValue("DN", 99.0);
  vivo.update();
  EXPECT_EQ(db.openCursor("SELECT * FROM PIESMA00 WHERE DN=99").recordCount(), 1);
  db.release("PIESMA00");
  vivo = Cursor();
  // Loaded again from the file: the change was written when the handle let go.
  EXPECT_EQ(db.openCursor("SELECT * FROM PIESMA00 WHERE DN=99").recordCount(), 1);
  EXPECT_EQ(db.openCursor("PIESMA00").recordCount(), 6);
  db.release("NOUSADA");  // a table this handle never used: nothing happens

  // A write that fails is reported and the changed table stays in memory.
  Cursor c = db.openCursor("PIESMA00");
  c.moveFirst();
  c.edit();
  c.setValue("DN", 77.0);
  c.update();
  c = Cursor();
  failWritesAfterForTesting(10);
  EXPECT_THROW(db.release("PIESMA00"), StoreError);
  failWritesAfterForTesting(-1);
  EXPECT_EQ(db.openCursor("SELECT * FROM PIESMA00 WHERE DN=77").recordCount(), 1);
  db.close();
  Database otra = Database::open(dir.ruta());
  EXPECT_EQ(otra.openCursor("SELECT * FROM PIESMA00 WHERE DN=77").recordCount(), 1);
}

namespace {

// A table of several blocks of rows (the last one partial), some deleted at block edges, in a
// fresh database of `carpeta`; the handle is left open with the table changed in memory.
Database TablaDeVariosBloques(const std::string& carpeta) {
  Database db = Database::open(carpeta);
  TableDef def("GRANDE");
  def.appendField("N", FieldType::Long);
  def.appendField("DN", FieldType::Single);
  def.appendField("NOTA", FieldType::Text, 5);
  db.appendTableDef(def);
  Cursor c = db.openCursor("GRANDE");
  for (int i = 0; i < 10000; ++i) {
    c.addNew();
    c.setValue("N", i);
    c.setValue("DN", 7.5 + i / 3.0);
    c.setValue("NOTA", "n" + std::to_string(i % 97));
    c.update();
  }
  for (int borrar : {9999, 4096, 4095}) {  // from the end: positions stay
    c.setAbsolutePosition(borrar);
    c.remove();
  }
  return db;
}

std::string ContenidoDe(const std::string& ruta) {
  std::ifstream in(ruta, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// Closing a handle at the end of a job writes the tables nothing else holds while giving their
// rows' memory back block by block: the file is byte for byte what a plain write gives; a table
// a cursor still holds keeps its rows; a write that fails leaves the previous file, which the
// next open reads.
TEST(CierreDeBase, AtTheEndWritesWholeTablesWhileGivingTheirRowsBack) {
  CarpetaTemporal llana, cerrada, sostenida, fallida;
  {
    Database db = TablaDeVariosBloques(llana.ruta());
    db.flush();  // the plain write, the table kept
    db.close();
  }
  const std::string esperada = ContenidoDe(llana.ruta() + "/GRANDE.dbf");
  ASSERT_GT(esperada.size(), 9997u * 36);
  {
    Database db = TablaDeVariosBloques(cerrada.ruta());
    db.closeFreeingMemory();
  }
  EXPECT_EQ(ContenidoDe(cerrada.ruta() + "/GRANDE.dbf"), esperada);
  {
    Database otra = Database::open(cerrada.ruta());
    Cursor c = otra.openCursor("SELECT N FROM GRANDE WHERE N >= 4094 AND N <= 4097");
    std::vector<double> n;
    for (; !c.eof(); c.moveNext()) n.push_back(c.value("N").toDouble());
    EXPECT_EQ(n, (std::vector<double>{4094, 4097}));
  }

  // Held by a cursor: written the same, and the cursor still reads every row.
  Cursor sigue;
  {
    Database db = TablaDeVariosBloques(sostenida.ruta());
    sigue = db.openCursor("GRANDE");
    db.closeFreeingMemory();
  }
  EXPECT_EQ(ContenidoDe(sostenida.ruta() + "/GRANDE.dbf"), esperada);
  sigue.setAbsolutePosition(9000);
  EXPECT_EQ(sigue.value("N").toDouble(), 9002);
  EXPECT_EQ(sigue.value("NOTA").toString(), "n78");

  // A failed write: the file written before stays, and a new open reads it, not the freed rows.
  {
    Database db = TablaDeVariosBloques(fallida.ruta());
    db.flush();
    Cursor c = db.openCursor("GRANDE");
    c.setAbsolutePosition(5000);
    c.edit();
    c.setValue("DN", 99.0);
    c.update();
    c = Cursor();
    failWritesAfterForTesting(static_cast<long long>(esperada.size() / 2));
    EXPECT_THROW(db.closeFreeingMemory(), StoreError);
    failWritesAfterForTesting(-1);
  }
  EXPECT_EQ(ContenidoDe(fallida.ruta() + "/GRANDE.dbf"), esperada);
  Database otra = Database::open(fallida.ruta());
  EXPECT_EQ(otra.openCursor("GRANDE").recordCount(), 9997);
  EXPECT_EQ(otra.openCursor("SELECT * FROM GRANDE WHERE DN=99").recordCount(), 0);
}

// A table let go of in the background is written as a plain write writes it, and the handle goes
// on: its next use of the table waits for the file and reads it. A write that fails gives the
// table back to the handle with its changes, and close() writes it.
TEST(SoltarEnSegundoPlano, WritesTheTableWhileTheHandleGoesOn) {
  CarpetaTemporal llana, soltada, fallida;
  {
    Database db = TablaDeVariosBloques(llana.ruta());
    db.close();
  }
  const std::string esperada = ContenidoDe(llana.ruta() + "/GRANDE.dbf");
  {
    Database db = TablaDeVariosBloques(soltada.ruta());
    db.releaseInBackground("grande.DBF");
    db.releaseInBackground("NOUSADA");  // a table this handle never used: nothing happens
    Cursor c = db.openCursor("SELECT N FROM GRANDE WHERE N >= 4094 AND N <= 4097");
    EXPECT_EQ(ContenidoDe(soltada.ruta() + "/GRANDE.dbf"), esperada);
    std::vector<double> n;
    for (; !c.eof(); c.moveNext()) n.push_back(c.value("N").toDouble());
    EXPECT_EQ(n, (std::vector<double>{4094, 4097}));
    // Changed again and let go of again: close waits for the second write.
    Cursor e = db.openCursor("GRANDE");
    e.setAbsolutePosition(0);
    e.edit();
    e.setValue("DN", 55.0);
    e.update();
    e = Cursor();
    c = Cursor();
    db.releaseInBackground("GRANDE");
    db.close();
  }
  {
    Database otra = Database::open(soltada.ruta());
    EXPECT_EQ(otra.openCursor("GRANDE").recordCount(), 9997);
    EXPECT_EQ(otra.openCursor("SELECT * FROM GRANDE WHERE DN=55").recordCount(), 1);
  }

  {
    Database db = TablaDeVariosBloques(fallida.ruta());
    // The file as created: the rows are in memory only.
    const std::string vacia = ContenidoDe(fallida.ruta() + "/GRANDE.dbf");
    failWritesAfterForTesting(static_cast<long long>(esperada.size() / 2));
    db.releaseInBackground("GRANDE");
    // The failed write left the file as it was, and the handle has the table back.
    EXPECT_EQ(db.openCursor("GRANDE").recordCount(), 9997);
    failWritesAfterForTesting(-1);
    EXPECT_EQ(ContenidoDe(fallida.ruta() + "/GRANDE.dbf"), vacia);
    db.close();
  }
  EXPECT_EQ(ContenidoDe(fallida.ruta() + "/GRANDE.dbf"), esperada);
}

// Closing at the end of a job writes the tables the handle holds while those let go of are
// still being written; one whose background write failed is written after them, with its rows.
TEST(SoltarEnSegundoPlano, ClosingWritesTheHeldTablesAndThenTheOnesWhoseWriteFailed) {
  CarpetaTemporal llana, dir;
  {
    Database db = TablaDeVariosBloques(llana.ruta());
    db.close();
  }
  const std::string esperada = ContenidoDe(llana.ruta() + "/GRANDE.dbf");
  {
    Database db = TablaDeVariosBloques(dir.ruta());
    TableDef def("OTRA");
    def.appendField("X", FieldType::Long);
    db.appendTableDef(def);
    {
      Cursor o = db.openCursor("OTRA");
      o.addNew();
      o.setValue("X", 7);
      o.update();
    }
    failWritesAfterForTesting(static_cast<long long>(esperada.size() / 2));
    db.releaseInBackground("GRANDE");
    // Waits for the background write to fail without the handle taking the table back.
    TableRegistry::find(dir.ruta() + "/GRANDE.dbf")->waitWhileBusy();
    failWritesAfterForTesting(-1);
    db.closeFreeingMemory();
  }
  EXPECT_EQ(ContenidoDe(dir.ruta() + "/GRANDE.dbf"), esperada);
  Database otra = Database::open(dir.ruta());
  Cursor o = otra.openCursor("OTRA");
  ASSERT_EQ(o.recordCount(), 1);
  EXPECT_EQ(o.value("X").toDouble(), 7);
}

// While a table is written on another thread, another handle's open of its file waits for the
// write to end.
TEST(SoltarEnSegundoPlano, AnotherHandleWaitsForTheWrite) {
  CarpetaTemporal dir;
  Database db = TablaDeVariosBloques(dir.ruta());
  const std::shared_ptr<Table> tabla = TableRegistry::find(dir.ruta() + "/GRANDE.dbf");
  ASSERT_NE(tabla, nullptr);
  tabla->markBusy();
  std::atomic<bool> abierta{false};
  std::thread otra([&] {
    Database segunda = Database::open(dir.ruta());
    EXPECT_EQ(segunda.openCursor("GRANDE").recordCount(), 9997);
    abierta = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(abierta);
  tabla->markIdle();
  otra.join();
  EXPECT_TRUE(abierta);
}
