// The SQL dialect over folder databases: each statement shape the program issues.
#include <gtest/gtest.h>

#include "../comun/CarpetaTemporal.h"
#include "store/Database.h"
#include "store/StoreError.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;

namespace {

// Plot summary rows: province, plot, large trees, text coordinates, municipality.
void makePlots(Database& db) {
  TableDef def("DATDEF00");
  def.appendField("PROVINCIA", FieldType::Integer);
  def.appendField("ESTADILLO", FieldType::Integer);
  def.appendField("NUMPMA", FieldType::Long);
  def.appendField("COORDEX", FieldType::Text, 6);
  def.appendField("MUNICI", FieldType::Text, 20);
  def.appendField("HUSO", FieldType::Byte);
  db.appendTableDef(def);
  Cursor c = db.openCursor("DATDEF00");
  struct Row {
    int prov, plot, numpma;
    const char* x;
    const char* mun;
    int huso;
  };
  const Row rows[] = {{47, 3, 10, "350000", "Valladolid", 30}, {47, 1, 0, "349000", "Simancas", 30},
                      {24, 7, 5, "250000", "León", 29},        {47, 2, 8, "351000", "Simancas", 30},
                      {24, 1, 12, "260000", "León", 30},       {47, 4, 8, "352000", "", 30}};
  for (const auto& r : rows) {
    c.addNew();
    c.setValue("PROVINCIA", r.prov);
    c.setValue("ESTADILLO", r.plot);
    c.setValue("NUMPMA", r.numpma);
    c.setValue("COORDEX", r.x);
    c.setValue("MUNICI", r.mun);
    c.setValue("HUSO", r.huso);
    c.update();
  }
}

std::vector<std::string> column(Cursor& c, const std::string& name) {
  std::vector<std::string> out;
  for (c.moveFirst(); !c.eof(); c.moveNext()) {
    out.push_back(c.value(name).isNull() ? "null" : c.value(name).toString());
  }
  return out;
}

class SqlDialect : public ::testing::Test {
 protected:
  void SetUp() override {
    db = Database::open(dir.ruta());
    makePlots(db);
  }
  CarpetaTemporal dir;
  Database db;
};

TEST_F(SqlDialect, WhereWithNumbersAndQuotedTextInAnyCase) {
  Cursor c = db.openCursor("select * from datdef00 where PROVINCIA=47 and MUNICI='Simancas' ;");
  EXPECT_EQ(column(c, "ESTADILLO"), (std::vector<std::string>{"1", "2"}));
  Cursor d = db.openCursor("SELECT * FROM DATDEF00 WHERE NUMPMA>0 AND NUMPMA<=8;");
  EXPECT_EQ(column(d, "ESTADILLO"), (std::vector<std::string>{"7", "2", "4"}));
}

TEST_F(SqlDialect, QuotedBoundsCompareAsText) {
  Cursor c = db.openCursor(
      "SELECT * FROM DATDEF00 WHERE HUSO=30 AND COORDEX >='349000' AND COORDEX <='351000'");
  EXPECT_EQ(column(c, "ESTADILLO"), (std::vector<std::string>{"3", "1", "2"}));
}

// Values of different widths tell a text comparison from a numeric one: as text "4000" sorts
// after "349000" and "9" after "10"; as numbers the other way round.
class ComparacionTextoNumero : public ::testing::Test {
 protected:
  void SetUp() override {
    db = Database::open(dir.ruta());
    TableDef def("MEDIDAS");
    def.appendField("ID", FieldType::Integer);
    def.appendField("COORDEX", FieldType::Text, 6);
    def.appendField("NUM", FieldType::Long);
    db.appendTableDef(def);
    Cursor c = db.openCursor("MEDIDAS");
    struct Fila {
      int id;
      const char* texto;  // nullptr: null
      int numero;
      bool numeroNulo;
    };
    const Fila filas[] = {{1, "4000", 4000, false}, {2, "349000", 349000, false},
                          {3, "9", 9, false},       {4, "10", 10, false},
                          {5, "010", -10, false},   {6, nullptr, 0, true}};
    for (const auto& f : filas) {
      c.addNew();
      c.setValue("ID", f.id);
      if (f.texto) c.setValue("COORDEX", f.texto);
      if (!f.numeroNulo) c.setValue("NUM", f.numero);
      c.update();
    }
  }

  // IDs of the rows a WHERE condition selects, in table order. The same text as the criteria
  // of findFirst/findNext, on a table cursor and on a query cursor, must visit the same rows
  // (equalities go through the find index, the other operators through a scan).
  std::vector<std::string> q(const std::string& condicion) {
    Cursor c = db.openCursor("SELECT ID FROM MEDIDAS WHERE " + condicion);
    const std::vector<std::string> where = column(c, "ID");
    Cursor cursores[] = {db.openCursor("MEDIDAS", CursorKind::Table),
                         db.openCursor("SELECT * FROM MEDIDAS")};
    for (Cursor& f : cursores) {
      std::vector<std::string> visitadas;
      for (f.findFirst(condicion); !f.noMatch(); f.findNext(condicion)) {
        visitadas.push_back(f.value("ID").toString());
      }
      EXPECT_EQ(visitadas, where) << "findFirst/findNext \"" << condicion << "\"";
    }
    return where;
  }

  CarpetaTemporal dir;
  Database db;
};

using Ids = std::vector<std::string>;

TEST_F(ComparacionTextoNumero, QuotedValueAgainstTextColumnComparesAsText) {
  // "4000" >= "4000", "9" > "4000"; "349000", "10" and "010" sort before it.
  EXPECT_EQ(q("COORDEX >= '4000'"), (Ids{"1", "3"}));
  EXPECT_EQ(q("COORDEX < '349000'"), (Ids{"4", "5"}));
  EXPECT_EQ(q("COORDEX > '10' AND COORDEX < '9'"), (Ids{"1", "2"}));
  EXPECT_EQ(q("COORDEX >= '9'"), (Ids{"3"}));
  EXPECT_EQ(q("COORDEX <= '10'"), (Ids{"4", "5"}));
  // Equality is equality of the texts: "010" is not "10".
  EXPECT_EQ(q("COORDEX = '10'"), (Ids{"4"}));
  EXPECT_EQ(q("COORDEX <> '10'"), (Ids{"1", "2", "3", "5"}));
  // The literal may come first.
  EXPECT_EQ(q("'4000' <= COORDEX"), (Ids{"1", "3"}));
}

TEST_F(ComparacionTextoNumero, UnquotedNumberAgainstTextColumnComparesAsNumber) {
  EXPECT_EQ(q("COORDEX >= 4000"), (Ids{"1", "2"}));
  EXPECT_EQ(q("COORDEX < 349000"), (Ids{"1", "3", "4", "5"}));
  EXPECT_EQ(q("COORDEX > 9"), (Ids{"1", "2", "4", "5"}));
  // "10" and "010" both read as 10.
  EXPECT_EQ(q("COORDEX = 10"), (Ids{"4", "5"}));
}

TEST_F(ComparacionTextoNumero, QuotedValueAgainstNumericColumnComparesAsText) {
  // The stored number's digits are compared with the quoted text: "9" >= "4000",
  // "349000" < "4000", "-10" < "10".
  EXPECT_EQ(q("NUM >= '4000'"), (Ids{"1", "3"}));
  EXPECT_EQ(q("NUM < '349000'"), (Ids{"4", "5"}));
  EXPECT_EQ(q("NUM > '10' AND NUM < '9'"), (Ids{"1", "2"}));
  EXPECT_EQ(q("NUM = '10'"), (Ids{"4"}));
  EXPECT_EQ(q("NUM = '-10'"), (Ids{"5"}));
  EXPECT_EQ(q("NUM = '010'"), (Ids{}));
}

TEST_F(ComparacionTextoNumero, UnquotedNumberAgainstNumericColumnComparesAsNumber) {
  EXPECT_EQ(q("NUM >= 4000"), (Ids{"1", "2"}));
  EXPECT_EQ(q("NUM < 9"), (Ids{"5"}));
  EXPECT_EQ(q("NUM > -11 AND NUM < 10"), (Ids{"3", "5"}));
  EXPECT_EQ(q("NUM = 10"), (Ids{"4"}));
  EXPECT_EQ(q("NUM = 10.0"), (Ids{"4"}));
  EXPECT_EQ(q("NUM = -10"), (Ids{"5"}));
  EXPECT_EQ(q("(NUM IN (9,10,11))"), (Ids{"3", "4"}));
}

TEST_F(SqlDialect, BracketedTableAndStableOrderByWithDesc) {
  Cursor c = db.openCursor("SELECT * FROM [DATDEF00] ORDER BY NUMPMA DESC, PROVINCIA");
  EXPECT_EQ(column(c, "ESTADILLO"), (std::vector<std::string>{"1", "3", "2", "4", "7", "1"}));
  // Equal keys keep table order: plots 2 and 4 both have 8 trees, 2 comes first in the table.
  Cursor d = db.openCursor("SELECT PROVINCIA, ESTADILLO FROM DATDEF00 ORDER BY NUMPMA");
  EXPECT_EQ(column(d, "ESTADILLO"), (std::vector<std::string>{"1", "7", "2", "4", "3", "1"}));
}

TEST_F(SqlDialect, DistinctSortsAndDropsRepeats) {
  Cursor c = db.openCursor("SELECT DISTINCT HUSO FROM DATDEF00 ORDER BY HUSO");
  EXPECT_EQ(column(c, "HUSO"), (std::vector<std::string>{"29", "30"}));
  // A blank text reads as null and sorts first.
  Cursor d =
      db.openCursor("SELECT DISTINCT MUNICI FROM DATDEF00 WHERE PROVINCIA=47 ORDER BY MUNICI");
  EXPECT_EQ(column(d, "MUNICI"), (std::vector<std::string>{"null", "Simancas", "Valladolid"}));
}

TEST_F(SqlDialect, GroupByWithAggregatesAliasesAndHaving) {
  Cursor c = db.openCursor(
      "SELECT PROVINCIA, Count(ESTADILLO) AS Num, Sum(NUMPMA) as Pies, Avg(NUMPMA) AS Media "
      "FROM DATDEF00 GROUP BY PROVINCIA");
  ASSERT_EQ(c.recordCount(), 2);
  // Groups come out in key order.
  EXPECT_EQ(c.value("PROVINCIA").toDouble(), 24);
  EXPECT_EQ(c.value("num").toDouble(), 2);
  EXPECT_EQ(c.value("PIES").toDouble(), 17);
  EXPECT_DOUBLE_EQ(c.value("Media").toDouble(), 8.5);
  c.moveNext();
  EXPECT_EQ(c.value("Num").toDouble(), 4);
  EXPECT_EQ(c.value("Pies").toDouble(), 26);

  Cursor h = db.openCursor(
      "SELECT ESTADILLO, PROVINCIA, SUM(NUMPMA), SUM(HUSO) FROM DATDEF00 GROUP BY PROVINCIA, "
      "ESTADILLO HAVING  SUM(NUMPMA)>= 8 AND SUM(HUSO)> 29");
  EXPECT_EQ(column(h, "ESTADILLO"), (std::vector<std::string>{"1", "2", "3", "4"}));
  h.moveFirst();
  EXPECT_EQ(h.value("PROVINCIA").toDouble(), 24);
  // Unnamed expressions are named after their position, as the original engine did.
  EXPECT_EQ(h.value("Expr1002").toDouble(), 12);
}

TEST_F(SqlDialect, AggregatesSkipNullsAndWholeTableAggregateHasOneRow) {
  Cursor c = db.openCursor("SELECT Count(MUNICI) AS N, Count(*) AS T FROM DATDEF00");
  EXPECT_EQ(c.value("N").toDouble(), 5);
  EXPECT_EQ(c.value("T").toDouble(), 6);
  Cursor e = db.openCursor(
      "SELECT Count(ESTADILLO) AS TantasParcelas, Sum(NUMPMA) AS TantosPies FROM DATDEF00 WHERE "
      "PROVINCIA=99");
  ASSERT_FALSE(e.eof());
  EXPECT_EQ(e.value("TantasParcelas").toDouble(), 0);
  EXPECT_TRUE(e.value("TantosPies").isNull());
}

TEST_F(SqlDialect, InListOfIntegersInParentheses) {
  Cursor c = db.openCursor("SELECT ESTADILLO FROM DATDEF00 WHERE (ESTADILLO IN (1,3,4))");
  EXPECT_EQ(column(c, "ESTADILLO"), (std::vector<std::string>{"3", "1", "1", "4"}));
}

TEST_F(SqlDialect, NullsNeverCompare) {
  Cursor c = db.openCursor("SELECT * FROM DATDEF00 WHERE MUNICI < 'zzz'");
  EXPECT_EQ(c.recordCount(), 5);
  Cursor d = db.openCursor("SELECT * FROM DATDEF00 WHERE MUNICI >= ''");
  EXPECT_EQ(d.recordCount(), 5);
}

TEST_F(SqlDialect, DeleteAllKeepsTheTableAndInsertMatchesColumnsByName) {
  TableDef def("Resumen");
  def.appendField("ESTADILLO", FieldType::Integer);
  def.appendField("EXTRA", FieldType::Single);
  def.appendField("provincia", FieldType::Integer);
  db.appendTableDef(def);
  db.execute("INSERT  INTO Resumen SELECT * FROM DATDEF00 WHERE NUMPMA > 0 ;");
  Cursor c = db.openCursor("Resumen");
  EXPECT_EQ(c.recordCount(), 5);
  EXPECT_EQ(c.value("PROVINCIA").toDouble(), 47);
  EXPECT_TRUE(c.value("EXTRA").isNull());
  c.close();
  // Texts longer than the target field are cut, numbers go into text fields as their digits.
  TableDef narrow("Estrecha");
  narrow.appendField("MUNICI", FieldType::Text, 4);
  narrow.appendField("NUMPMA", FieldType::Text, 5);
  db.appendTableDef(narrow);
  db.execute("INSERT INTO Estrecha SELECT * FROM DATDEF00 WHERE ESTADILLO=3");
  Cursor n = db.openCursor("Estrecha");
  EXPECT_EQ(n.value("MUNICI").text(), "Vall");
  EXPECT_EQ(n.value("NUMPMA").text(), "10");
  db.execute("DELETE * FROM Resumen");
  EXPECT_TRUE(db.hasTable("RESUMEN"));
  EXPECT_EQ(db.openCursor("Resumen").recordCount(), 0);
}

TEST_F(SqlDialect, MalformedStatementsFailWithSyntaxError) {
  const char* bad[] = {"SELECT FROM DATDEF00",
                       "SELECT * FROM",
                       "SELECT * FROM DATDEF00 WHERE",
                       "SELECT * FROM DATDEF00 WHERE PROVINCIA = = 3",
                       "SELECT * FROM DATDEF00 WHERE MUNICI = 'abierta",
                       "SELECT * FROM [DATDEF00 WHERE X=1",
                       "SELECT * FROM DATDEF00 ORDER PROVINCIA",
                       "SELECT * FROM DATDEF00 extra words",
                       "SELECT * FROM DATDEF00 WHERE (ESTADILLO IN (1,2)"};
  for (const char* sql : bad) {
    try {
      db.openCursor(sql);
      ADD_FAILURE() << "aceptada: " << sql;
    } catch (const StoreError& e) {
      EXPECT_EQ(e.number(), err::kErrorSintaxis) << sql;
    }
  }
}

// Nesting far beyond anything the program writes is refused before it exhausts the stack;
// nesting the program does write still works.
TEST_F(SqlDialect, DeepNestingIsRefusedWithAMessage) {
  const auto anidada = [](int n, const std::string& abre, const std::string& cierra) {
    std::string t;
    for (int i = 0; i < n; ++i) t += abre;
    t += "PROVINCIA=47";
    for (int i = 0; i < n; ++i) t += cierra;
    return t;
  };
  for (const std::string& condicion :
       {anidada(5000, "(", ")"), anidada(50000, "NOT ", ""), anidada(3000, "(NOT ", ")")}) {
    try {
      db.openCursor("SELECT * FROM DATDEF00 WHERE " + condicion);
      ADD_FAILURE() << "aceptada";
    } catch (const StoreError& e) {
      EXPECT_EQ(e.number(), err::kErrorSintaxis);
      EXPECT_NE(e.description().find("anida más de 200 paréntesis u operadores NOT"),
                std::string::npos)
          << e.description().substr(0, 200);
    }
    Cursor c = db.openCursor("DATDEF00");
    EXPECT_THROW(c.findFirst(condicion), StoreError);
  }
  EXPECT_NO_THROW(db.openCursor("SELECT * FROM DATDEF00 WHERE " + anidada(150, "(", ")")));
  EXPECT_NO_THROW(db.openCursor("SELECT * FROM DATDEF00 WHERE " + anidada(200, "NOT ", "")));
}

// A table is a file of the database's folder: no statement or cursor reaches another folder.
TEST_F(SqlDialect, TableNamesWithAPathAreRefused) {
  for (const char* sql : {"SELECT * FROM [../otra/DATDEF00]", "SELECT * FROM [/tmp/DATDEF00]",
                          "SELECT * FROM [..\\DATDEF00]", "DELETE * FROM [../DATDEF00]",
                          "INSERT INTO DATDEF00 SELECT * FROM [sub/DATDEF00]"}) {
    try {
      db.openCursor(sql);
      ADD_FAILURE() << "aceptada: " << sql;
    } catch (const StoreError& e) {
      EXPECT_NE(e.description().find("no puede llevar una ruta"), std::string::npos) << sql;
    }
  }
  EXPECT_THROW(db.openCursor("../DATDEF00"), StoreError);
  EXPECT_THROW(db.execute("DELETE * FROM [../DATDEF00]"), StoreError);
  EXPECT_EQ(db.openCursor("SELECT * FROM [DATDEF00]").recordCount(),
            db.openCursor("DATDEF00").recordCount());
}

TEST_F(SqlDialect, MissingTableAndFieldAreReportedByName) {
  try {
    db.openCursor("SELECT * FROM PIESMA00");
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kTablaNoEncontrada);
    EXPECT_EQ(e.description(), "No se encuentra la tabla 'PIESMA00'.");
  }
  EXPECT_THROW(db.openCursor("SELECT NADA FROM DATDEF00"), StoreError);
}

}  // namespace
