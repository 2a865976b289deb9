// Single-file auxiliary databases (SQLite) read through the same cursors, queries and seeks.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "../comun/CarpetaTemporal.h"
#include "store/Database.h"
#include "store/StoreError.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;

namespace {

void exec(sqlite3* db, const char* sql) {
  char* msg = nullptr;
  ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &msg), SQLITE_OK) << (msg ? msg : "");
}

std::string makeAuxiliary(const CarpetaTemporal& dir) {
  const std::string path = dir.archivo("Aux.sqlite");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  exec(db,
       "CREATE TABLE Hojas (Hoja INTEGER, nHusos INTEGER, Huso1 INTEGER, Huso2 INTEGER);"
       "CREATE UNIQUE INDEX PrimaryKey ON Hojas(Hoja);"
       "INSERT INTO Hojas VALUES (372, 1, 30, NULL), (560, 2, 29, 30), (100, 1, 29, NULL);"
       "CREATE TABLE Cubicacion (modelo INTEGER, \"a, p, k\" REAL, Clase TEXT, Provincia "
       "INTEGER, Especie TEXT, F1 INTEGER, F2 INTEGER, Variable TEXT);"
       "CREATE INDEX BuscaF1Index ON Cubicacion(Clase, Provincia, Especie, F1, Variable);"
       "CREATE INDEX BuscaF2Index ON Cubicacion(Clase, Provincia, Especie, F2, Variable);"
       "INSERT INTO Cubicacion VALUES (1, 0.5, 'P.M.', 47, '46d', 1, 0, 'VCC'),"
       " (7, 0.7, 'P.M.', 47, '46D', 1, 1, 'VCC'), (8, 0.8, 'P.M.', 47, '21', 0, 1, 'VCC');");
  sqlite3_close(db);
  return path;
}

TEST(SqliteDatabase, TablesIndexesAndSeeks) {
  CarpetaTemporal dir;
  Database db = Database::open(makeAuxiliary(dir), {false, true, ""});
  EXPECT_TRUE(db.hasTable("HOJAS"));
  EXPECT_TRUE(db.tableDef("Cubicacion").hasIndex("buscaf2index"));
  Cursor h = db.openCursor("Hojas");
  h.setIndex("PrimaryKey");
  h.seek("=", {560});
  ASSERT_FALSE(h.noMatch());
  EXPECT_EQ(h.value("nHusos").toDouble(), 2);
  EXPECT_EQ(h.value("Huso2").toDouble(), 30);
  h.seek("=", {561});
  EXPECT_TRUE(h.noMatch());

  Cursor c = db.openCursor("Cubicacion");
  c.setIndex("BuscaF1Index");
  // Species texts compare exactly: "46d" and "46D" are different keys.
  c.seek("=", {"P.M.", 47, "46D", 1, "VCC"});
  ASSERT_FALSE(c.noMatch());
  EXPECT_EQ(c.value("modelo").toDouble(), 7);
  EXPECT_DOUBLE_EQ(c.value("a, p, k").toDouble(), 0.7);
  c.seek("=", {"P.M.", 47, "21", 1, "VCC"});
  EXPECT_TRUE(c.noMatch());
  c.setIndex("BuscaF2Index");
  c.seek("=", {"P.M.", 47, "21", 1, "VCC"});
  EXPECT_FALSE(c.noMatch());

  Cursor q = db.openCursor("SELECT Hoja FROM Hojas WHERE (nHusos IN (1)) ORDER BY Hoja");
  ASSERT_EQ(q.recordCount(), 2);
  EXPECT_EQ(q.value("Hoja").toDouble(), 100);
}

TEST(SqliteDatabase, IsReadOnlyAndRefusesMissingOrForeignFiles) {
  CarpetaTemporal dir;
  Database db = Database::open(makeAuxiliary(dir), {false, false, ""});
  EXPECT_THROW(db.openCursor("Hojas").edit(), StoreError);
  EXPECT_THROW(db.execute("DELETE * FROM Hojas"), StoreError);
  try {
    db.openCursor("Modelos");
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.description(), "No se encuentra la tabla 'Modelos'.");
  }
  EXPECT_THROW(Database::open(dir.archivo("nada.sqlite"), {false, true, ""}), StoreError);
  {
    std::FILE* f = std::fopen(dir.archivo("texto.sqlite").c_str(), "wb");
    std::fputs("esto no es una base de datos, solo texto con bastantes bytes para parecerlo", f);
    std::fclose(f);
  }
  EXPECT_THROW(
      {
        Database::open(dir.archivo("texto.sqlite"), {false, true, ""}).openCursor("Hojas");
      },
      StoreError);
}

}  // namespace
