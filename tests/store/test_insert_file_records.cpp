// INSERT INTO t SELECT * FROM s of a table file not loaded in the process (its records go straight
// from the file into t) against the same statement over the loaded table, and the order of rows
// that a sort finds already in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::testing::DbfBuilder;
using arbelio::testing::RawField;
using arbelio::testing::readFile;

namespace {

std::string Pad(const std::string& s, std::size_t n, bool right = true) {
  if (s.size() >= n) return s.substr(0, n);
  return right ? std::string(n - s.size(), ' ') + s : s + std::string(n - s.size(), ' ');
}

// Trees of several plots: 9000 records (more than two blocks of rows), every 7th deleted, one
// damaged height.
DbfBuilder Pies() {
  DbfBuilder b;
  b.fields = {
      {"PROVINCIA", 'N', 6}, {"ESTADILLO", 'N', 6}, {"NOMBRE", 'C', 10}, {"ALTURA", 'N', 8, 2}};
  for (int i = 0; i < 9000; ++i) {
    const std::string altura = i == 4100 ? "   **.**" : Pad(std::to_string(i % 300) + ".25", 8);
    b.add(Pad("47", 6) + Pad(std::to_string(i / 10 + 1), 6) +
              Pad("pie" + std::to_string(i), 10, false) + altura,
          i % 7 == 3);
  }
  return b;
}

// The target: the same first fields and one more.
DbfBuilder Destino() {
  DbfBuilder b = Pies();
  b.records.clear();
  b.deleted.clear();
  b.fields.push_back({"EXTRA", 'N', 5});
  return b;
}

std::string SinFecha(std::string bytes) {
  if (bytes.size() >= 4) bytes.replace(1, 3, "\0\0\0", 3);
  return bytes;
}

}  // namespace

TEST(InsertFileRecords, UnloadedFileGivesTheSameTableAsTheLoadedOne) {
  CarpetaTemporal directa, cargada;
  for (const auto* dir : {&directa, &cargada}) {
    Pies().write((dir->path() / "PIES.dbf").string());
    Destino().write((dir->path() / "TODOS.dbf").string());
  }
  {
    Database db = Database::open(cargada.ruta());
    Cursor fuente = db.openCursor("PIES");  // loaded: the rows are copied field by field
    db.execute("INSERT INTO TODOS SELECT * FROM PIES ;");
    db.close();
  }
  {
    Database db = Database::open(directa.ruta());
    db.execute("INSERT INTO TODOS SELECT * FROM PIES ;");
    db.close();
  }
  const std::string a = readFile((directa.path() / "TODOS.dbf").string());
  const std::string b = readFile((cargada.path() / "TODOS.dbf").string());
  EXPECT_GT(a.size(), 9000u * 20);
  EXPECT_EQ(SinFecha(a), SinFecha(b));

  Database db = Database::open(directa.ruta());
  Cursor c = db.openCursor("TODOS");
  EXPECT_EQ(c.recordCount(), 9000 - 1286);  // every 7th of 9000, from the 4th, deleted
  EXPECT_EQ(c.value("NOMBRE").text(), "pie0");
  c.moveNext();
  c.moveNext();
  c.moveNext();
  EXPECT_EQ(c.value("NOMBRE").text(), "pie4");  // pie3 was deleted
  EXPECT_TRUE(c.value("EXTRA").isNull());
  c.findFirst("NOMBRE='pie4100'");
  ASSERT_FALSE(c.noMatch());
  EXPECT_TRUE(c.value("ALTURA").isNull());
  EXPECT_TRUE(c.isDamaged(c.fieldIndex("ALTURA")));
}

// Files without deleted records appended after rows the table already has (not at a block's
// start), twice: the rows are those of the loaded way, in file order.
TEST(InsertFileRecords, FilesWithoutDeletionsFollowTheRowsThereAlready) {
  CarpetaTemporal directa, cargada;
  DbfBuilder pies = Pies();
  pies.deleted.assign(pies.deleted.size(), false);
  DbfBuilder destino = Destino();
  for (int i = 0; i < 10; ++i)
    destino.add(Pad("24", 6) + Pad(std::to_string(i), 6) + Pad("previo", 10, false) +
                Pad("1.00", 8) + Pad("7", 5));
  for (const auto* dir : {&directa, &cargada}) {
    pies.write((dir->path() / "PIES.dbf").string());
    destino.write((dir->path() / "TODOS.dbf").string());
  }
  for (const auto* dir : {&directa, &cargada}) {
    Database db = Database::open(dir->ruta());
    Cursor fuente;
    if (dir == &cargada) fuente = db.openCursor("PIES");
    db.execute("INSERT INTO TODOS SELECT * FROM PIES ;");
    db.execute("INSERT INTO TODOS SELECT * FROM PIES ;");
    fuente = Cursor();
    db.close();
  }
  const std::string a = readFile((directa.path() / "TODOS.dbf").string());
  EXPECT_EQ(SinFecha(a), SinFecha(readFile((cargada.path() / "TODOS.dbf").string())));
  Database db = Database::open(directa.ruta());
  Cursor c = db.openCursor("TODOS");
  EXPECT_EQ(c.recordCount(), 10 + 2 * 9000);
  c.setAbsolutePosition(10 + 9000 + 4096);
  EXPECT_EQ(c.value("NOMBRE").text(), "pie4096");
  EXPECT_TRUE(c.value("EXTRA").isNull());
}

TEST(InsertFileRecords, RowsOfATableWhoseColumnWasReadWholeAreReadBack) {
  CarpetaTemporal dir;
  Pies().write((dir.path() / "PIES.dbf").string());
  DbfBuilder destino = Destino();
  for (int i = 0; i < 10; ++i)
    destino.add(Pad("1", 6) + Pad(std::to_string(i + 1), 6) + Pad("antes", 10, false) +
                Pad("1.50", 8) + Pad("3", 5));
  destino.write((dir.path() / "TODOS.dbf").string());
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("TODOS");
  // Read often enough that the column is decoded whole before the rows come.
  double suma = 0;
  for (int vuelta = 0; vuelta < 500; ++vuelta) {
    for (c.moveFirst(); !c.eof(); c.moveNext()) suma += c.value("ALTURA").toDouble();
  }
  EXPECT_DOUBLE_EQ(suma, 500 * 10 * 1.5);
  db.execute("INSERT INTO TODOS SELECT * FROM PIES");
  EXPECT_EQ(c.recordCount(), 10 + 9000 - 1286);
  c.moveFirst();
  EXPECT_DOUBLE_EQ(c.value("ALTURA").toDouble(), 1.5);
  c.setAbsolutePosition(10);
  EXPECT_EQ(c.value("NOMBRE").text(), "pie0");
  EXPECT_DOUBLE_EQ(c.value("ALTURA").toDouble(), 0.25);
  c.setAbsolutePosition(11);
  EXPECT_DOUBLE_EQ(c.value("ALTURA").toDouble(), 1.25);
  EXPECT_TRUE(c.value("EXTRA").isNull());
}

TEST(InsertFileRecords, OtherLayoutsAreCopiedByName) {
  CarpetaTemporal dir;
  Pies().write((dir.path() / "PIES.dbf").string());
  // Fields in another order, one narrower text.
  DbfBuilder otro;
  otro.fields = {{"ALTURA", 'N', 8, 2}, {"NOMBRE", 'C', 4}, {"ESTADILLO", 'N', 6}};
  otro.write((dir.path() / "OTRO.dbf").string());
  Database db = Database::open(dir.ruta());
  db.execute("INSERT INTO OTRO SELECT * FROM PIES");
  Cursor c = db.openCursor("OTRO");
  EXPECT_EQ(c.recordCount(), 9000 - 1286);
  EXPECT_EQ(c.value("NOMBRE").text(), "pie0");
  EXPECT_DOUBLE_EQ(c.value("ALTURA").toDouble(), 0.25);
  EXPECT_DOUBLE_EQ(c.value("ESTADILLO").toDouble(), 1);
  c.moveLast();
  EXPECT_EQ(c.value("NOMBRE").text(), "pie8");  // "pie8999" cut to the field
}

TEST(InsertFileRecords, AnEmptyFileAddsNothing) {
  CarpetaTemporal dir;
  DbfBuilder vacia = Pies();
  vacia.records.clear();
  vacia.deleted.clear();
  vacia.write((dir.path() / "PIES.dbf").string());
  Destino().write((dir.path() / "TODOS.dbf").string());
  Database db = Database::open(dir.ruta());
  db.execute("INSERT INTO TODOS SELECT * FROM PIES");
  EXPECT_EQ(db.openCursor("TODOS").recordCount(), 0);
}

TEST(SortInOrder, RowsAlreadyInOrderAndAnInversionAtTheEnd) {
  CarpetaTemporal dir;
  DbfBuilder b;
  b.fields = {{"A", 'N', 4}, {"B", 'N', 4}, {"ID", 'N', 6}};
  // In order by A, B with ties (kept in table order), then one row that belongs first.
  const int filas[][2] = {{1, 1}, {1, 1}, {1, 2}, {2, 0}, {2, 0}, {3, 5}, {0, 9}};
  for (int i = 0; i < 7; ++i)
    b.add(Pad(std::to_string(filas[i][0]), 4) + Pad(std::to_string(filas[i][1]), 4) +
          Pad(std::to_string(i), 6));
  b.write((dir.path() / "T.dbf").string());
  Database db = Database::open(dir.ruta());
  auto ids = [](Cursor c) {
    std::vector<int> r;
    for (c.moveFirst(); !c.eof(); c.moveNext()) r.push_back(c.value("ID").toInt32());
    return r;
  };
  EXPECT_EQ(ids(db.openCursor("SELECT * FROM T ORDER BY A, B")),
            (std::vector<int>{6, 0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(ids(db.openCursor("SELECT * FROM T WHERE ID < 6 ORDER BY A, B")),
            (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(ids(db.openCursor("SELECT * FROM T WHERE ID < 6 ORDER BY A DESC, B")),
            (std::vector<int>{5, 3, 4, 0, 1, 2}));
  EXPECT_EQ(ids(db.openCursor("SELECT * FROM T WHERE ID > 2 ORDER BY B DESC")),
            (std::vector<int>{6, 5, 3, 4}));
}

TEST(SortInOrder, SortedRunsAreMergedIntoTheStableOrder) {
  // Keys that rise and wrap round, so the table is a few runs in order (as provinces appended
  // one after another), with ties within and across runs and a blank; then so many runs that the
  // whole is sorted. Either way the order must be the stable one, checked against
  // std::stable_sort.
  for (const int tramos : {3, 5, 200}) {
    CarpetaTemporal dir;
    DbfBuilder b;
    b.fields = {{"A", 'N', 4}, {"B", 'N', 4}, {"ID", 'N', 6}};
    std::vector<std::pair<std::pair<int, int>, int>> esperado;
    int id = 0;
    for (int t = 0; t < tramos; ++t) {
      for (int k = 0; k < 40; ++k, ++id) {
        const int a = (t * 7 + k / 3) % 9, bb = k % 4;
        const bool blanco = t == 1 && k == 0;
        b.add(Pad(std::to_string(a), 4) +
              (blanco ? std::string(4, ' ') : Pad(std::to_string(bb), 4)) +
              Pad(std::to_string(id), 6));
        esperado.push_back({{a, blanco ? -1 : bb}, id});
      }
    }
    b.write((dir.path() / "T.dbf").string());
    std::stable_sort(esperado.begin(), esperado.end(),
                     [](const auto& x, const auto& y) { return x.first.first < y.first.first; });
    Database db = Database::open(dir.ruta());
    std::vector<int> porA, esperadoA;
    for (Cursor c = db.openCursor("SELECT * FROM T ORDER BY A"); !c.eof(); c.moveNext())
      porA.push_back(c.value("ID").toInt32());
    for (const auto& e : esperado) esperadoA.push_back(e.second);
    EXPECT_EQ(porA, esperadoA) << tramos << " runs";
    std::stable_sort(esperado.begin(), esperado.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<int> porAB, esperadoAB;
    for (Cursor c = db.openCursor("SELECT * FROM T ORDER BY A, B"); !c.eof(); c.moveNext())
      porAB.push_back(c.value("ID").toInt32());
    for (const auto& e : esperado) esperadoAB.push_back(e.second);
    EXPECT_EQ(porAB, esperadoAB) << tramos << " runs";
  }
}

TEST(NumericFieldsReadAsNumbers, GroupsCountsAndSumsTakeBlankAndDamagedAsNull) {
  CarpetaTemporal dir;
  DbfBuilder b;
  b.fields = {{"EST", 'N', 6}, {"NUM", 'N', 6, 1}};
  // Plot 2 and a blank plot; blank and damaged numbers count as null, and a damaged plot groups
  // with the blank one; -0 groups with 0.
  const char* filas[][2] = {{"2", "1.5"}, {"", "4"},    {"2", ""}, {"2", "**"}, {"0", "2"},
                            {"-0", "3"},  {"2", "2.5"}, {"", ""},  {"**", "1"}};
  for (const auto& f : filas) b.add(Pad(f[0], 6) + Pad(f[1], 6));
  b.write((dir.path() / "T.dbf").string());
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor(
      "SELECT EST, Count(NUM) AS N, Sum(NUM) AS S, Count(*) AS F FROM T GROUP BY EST ORDER BY EST");
  std::vector<std::string> r;
  for (; !c.eof(); c.moveNext()) {
    r.push_back(c.value("EST").toString() + ":" + c.value("N").toString() + ":" +
                c.value("S").toString() + ":" + c.value("F").toString());
  }
  EXPECT_EQ(r, (std::vector<std::string>{":2:5:3", "0:2:5:2", "2:2:4:4"}));
}
