// The core side of every grid: header, format and alignment of the columns, the numeric sort,
// row removal and editing, over a grid of texts and over store cursors (a table, a list of rows
// chosen by key).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "shell/FuenteCursor.h"
#include "shell/FuenteTexto.h"
#include "store/Database.h"
#include "store/StoreError.h"

using namespace arbelio;
using shell::Alineacion;
using shell::ColumnaVista;
using shell::FuenteCursor;
using shell::FuenteTexto;
using store::Value;

namespace {

using Textos = std::vector<std::string>;

Textos Columna(const shell::FuenteTabla& f, int col) {
  Textos v;
  for (std::int64_t i = 0; i < f.filas(); ++i) v.push_back(f.texto(i, col));
  return v;
}

FuenteTexto DosColumnas(std::int64_t minimas = 0, bool editable = false) {
  return FuenteTexto({ColumnaVista{"Clave", "", Alineacion::Izquierda, {}},
                      ColumnaVista{"Valor", "Un valor", Alineacion::Derecha, {}}},
                     minimas, editable);
}

TEST(FuenteTexto, NumericSortPutsTextsThenEmptiesLastAndKeepsTies) {
  FuenteTexto f = DosColumnas();
  // Widths differ ("9" < "10" as numbers, not as texts); "3,5" has a decimal comma; two rows
  // tie on 10 and two on "abc".
  f.fijarFilas({{"a", "10"},
                {"b", "9"},
                {"c", ""},
                {"d", "abc"},
                {"e", "3,5"},
                {"f", "10"},
                {"g", "  "},
                {"h", "-2"},
                {"i", "Abc"},
                {"j", "abc"},
                {"k", "100"}});
  const auto perm = f.ordenarPorColumna(1);
  EXPECT_EQ(Columna(f, 0), (Textos{"h", "e", "b", "a", "f", "k", "i", "d", "j", "c", "g"}));
  EXPECT_EQ(perm, (std::vector<std::int64_t>{7, 4, 1, 0, 5, 10, 8, 3, 9, 2, 6}));

  f.ordenarPorColumna(1, true);
  EXPECT_EQ(Columna(f, 0), (Textos{"k", "a", "f", "b", "e", "h", "d", "j", "i", "c", "g"}));
  // Sorting again by the same key changes nothing: the permutation is the identity.
  const auto otra = f.ordenarPorColumna(1, true);
  for (std::size_t i = 0; i < otra.size(); ++i) EXPECT_EQ(otra[i], static_cast<std::int64_t>(i));
}

TEST(FuenteTexto, RemovalMovesLaterRowsUpAndRefillsTheMinimum) {
  FuenteTexto f = DosColumnas(20, true);
  ASSERT_EQ(f.filas(), 20);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(f.fijarTexto(i, 0, "r" + std::to_string(i + 1)));
  EXPECT_EQ(f.filasConDatos(), 5);

  ASSERT_TRUE(f.eliminarFilas(2));  // row 3
  EXPECT_EQ(f.filas(), 19);
  EXPECT_EQ(f.filasQueFaltan(), 1);
  f.completarFilas();
  EXPECT_EQ(f.filas(), 20);
  EXPECT_EQ(Columna(f, 0)[0], "r1");
  EXPECT_EQ(Columna(f, 0)[1], "r2");
  EXPECT_EQ(Columna(f, 0)[2], "r4");
  EXPECT_EQ(Columna(f, 0)[3], "r5");
  EXPECT_EQ(f.filasConDatos(), 4);
  EXPECT_EQ(f.celda(19, 0), "");

  // Out-of-range removals change nothing.
  EXPECT_FALSE(f.eliminarFilas(19, 2));
  EXPECT_FALSE(f.eliminarFilas(-1));
  EXPECT_FALSE(f.eliminarFilas(0, 0));
  EXPECT_EQ(f.filas(), 20);

  // The grid grows past its minimum.
  ASSERT_TRUE(f.insertarFilas(20, 3));
  EXPECT_EQ(f.filas(), 23);
  EXPECT_TRUE(f.fijarTexto(22, 1, "x"));
  EXPECT_FALSE(f.insertarFilas(24));
}

TEST(FuenteTexto, ReadOnlyGridsRefuseEditsAndColumnsFormatTheirCells) {
  FuenteTexto f = DosColumnas();
  f.fijarFilas({{"a", "1", "sobra"}, {"b"}});
  EXPECT_EQ(f.todas()[0].size(), 2u);  // cut to the columns
  EXPECT_EQ(f.celda(1, 1), "");        // padded
  EXPECT_FALSE(f.editable(0, 0));
  EXPECT_FALSE(f.fijarTexto(0, 0, "z"));
  EXPECT_EQ(f.celda(0, 0), "a");
  EXPECT_THROW(f.celda(2, 0), std::out_of_range);

  EXPECT_EQ(f.columna(1).cabecera, "Valor");
  EXPECT_EQ(f.columna(1).ayuda, "Un valor");
  EXPECT_EQ(f.columna(0).alineacion, Alineacion::Izquierda);
  f.columna(1).formato = [](const Value& v) { return "<" + v.toString() + ">"; };
  EXPECT_EQ(f.texto(0, 1), "<1>");
  EXPECT_EQ(f.texto(0, 0), "a");
  EXPECT_THROW(f.columna(2), std::out_of_range);
}

TEST(TextoPorDefecto, NumbersInShortestFormNullEmpty) {
  EXPECT_EQ(shell::TextoPorDefecto(Value(3.5)), "3.5");
  EXPECT_EQ(shell::TextoPorDefecto(Value(47)), "47");
  EXPECT_EQ(shell::TextoPorDefecto(Value()), "");
  EXPECT_EQ(shell::TextoPorDefecto(Value("021")), "021");
}

class FuenteCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = store::Database::open(dir.ruta());
    store::TableDef def("PIESMA00");
    def.appendField("PROVINCIA", store::FieldType::Integer);
    def.appendField("ESTADILLO", store::FieldType::Integer);
    def.appendField("NUMORDEN", store::FieldType::Integer);
    def.appendField("ESPECIE", store::FieldType::Text, 3);
    def.appendField("DN", store::FieldType::Single);
    db.appendTableDef(def);
    store::Cursor c = db.openCursor("PIESMA00");
    struct F {
      int p, e, n;
      const char* esp;
      double dn;  // < 0: null
    };
    // Record numbers 0..8. DN ties (12.5), a null DN, species codes of different widths.
    const F filas[] = {{47, 2, 1, "100", 30.5}, {47, 1, 1, "9", 12.5},  {24, 1, 1, "21", 40},
                       {47, 2, 2, "10", -1},    {47, 1, 2, "9", 12.5},  {24, 3, 1, "21", 8},
                       {47, 1, 3, "45", 22},    {24, 1, 2, "abc", 9.5}, {47, 3, 1, "21", 50}};
    for (const F& f : filas) {
      c.addNew();
      c.setValue("PROVINCIA", f.p);
      c.setValue("ESTADILLO", f.e);
      c.setValue("NUMORDEN", f.n);
      c.setValue("ESPECIE", f.esp);
      if (f.dn >= 0) c.setValue("DN", f.dn);
      c.update();
    }
  }

  // "province/plot/tree" of every row shown.
  static Textos Claves(const shell::FuenteTabla& f) {
    Textos v;
    for (std::int64_t i = 0; i < f.filas(); ++i)
      v.push_back(f.texto(i, 0) + "/" + f.texto(i, 1) + "/" + f.texto(i, 2));
    return v;
  }

  pruebas::CarpetaTemporal dir;
  store::Database db;
};

TEST_F(FuenteCursorTest, ColumnsAreTheFieldsAndCellsAreReadOnDemand) {
  FuenteCursor f(db.openCursor("SELECT ESTADILLO, NUMORDEN, ESPECIE, DN FROM PIESMA00"));
  ASSERT_EQ(f.columnas(), 4);
  ASSERT_EQ(f.filas(), 9);
  EXPECT_EQ(f.columna(0).cabecera, "ESTADILLO");
  EXPECT_EQ(f.columna(3).cabecera, "DN");
  EXPECT_EQ(f.columna(2).alineacion, Alineacion::Derecha);
  EXPECT_EQ(f.columna(2).ayuda, "");
  EXPECT_EQ(f.texto(0, 3), "30.5");
  EXPECT_EQ(f.texto(3, 3), "");  // null
  EXPECT_EQ(f.texto(1, 2), "9");
  EXPECT_EQ(f.valor(5, "dn").toDouble(), 8);
  EXPECT_EQ(f.idFila(5), 5u);
  EXPECT_FALSE(f.editable(0, 0));
  EXPECT_FALSE(f.admiteInsertar());
  EXPECT_THROW(f.valor(0, "NOEXISTE"), store::StoreError);
  EXPECT_THROW(f.texto(9, 0), store::StoreError);
}

TEST_F(FuenteCursorTest, SortAndRemovalChangeTheGridNotTheTable) {
  FuenteCursor f(db.openCursor("PIESMA00"));
  f.ordenarPorColumna(4);  // DN: ties keep table order, the null goes last
  EXPECT_EQ(Claves(f), (Textos{"24/3/1", "24/1/2", "47/1/1", "47/1/2", "47/1/3", "47/2/1", "24/1/1",
                               "47/3/1", "47/2/2"}));
  f.ordenarPorColumna(3);  // species codes as numbers: 9 < 10 < 21 < 45 < 100, "abc" after
  EXPECT_EQ(Claves(f), (Textos{"47/1/1", "47/1/2", "47/2/2", "24/3/1", "24/1/1", "47/3/1", "47/1/3",
                               "47/2/1", "24/1/2"}));
  ASSERT_TRUE(f.eliminarFilas(1, 2));
  EXPECT_EQ(f.filas(), 7);
  EXPECT_EQ(Claves(f)[1], "24/3/1");
  EXPECT_EQ(f.idFila(1), 5u);

  // The table keeps every row in its order.
  store::Cursor t = db.openCursor("PIESMA00");
  EXPECT_EQ(t.recordCount(), 9);
  EXPECT_EQ(t.value("NUMORDEN").toDouble(), 1);
  EXPECT_EQ(FuenteCursor(db.openCursor("PIESMA00")).texto(3, 3), "10");

  // A row deleted in the table through another cursor leaves the grid.
  t.setAbsolutePosition(5);  // 24/3/1
  t.remove();
  EXPECT_EQ(f.filas(), 6);
  EXPECT_EQ(Claves(f)[1], "24/1/1");
}

TEST_F(FuenteCursorTest, RowsInTheOrderOfAKeyList) {
  store::Cursor c = db.openCursor("SELECT * FROM PIESMA00");
  // Plot keys as a plot list gives them: 47-1 first, then 24-1, then a plot without trees, then
  // 47-1 again.
  const std::vector<std::vector<Value>> claves = {{47, 1}, {24, 1}, {24, 9}, {47, 1}};
  const auto ids = shell::FilasPorClaves(c, {"PROVINCIA", "estadillo"}, claves);
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{1, 4, 6, 2, 7, 1, 4, 6}));

  // Species as numbers match the text field by value ("9" and the padded "21 "); as texts they
  // match the trimmed text only.
  EXPECT_EQ(shell::FilasPorClaves(c, {"ESPECIE"}, {{21}, {9}}),
            (std::vector<std::uint32_t>{2, 5, 8, 1, 4}));
  EXPECT_EQ(shell::FilasPorClaves(c, {"ESPECIE"}, {{"abc"}, {"09"}}),
            (std::vector<std::uint32_t>{7}));
  // A null never matches; a key of the wrong size is skipped.
  EXPECT_EQ(shell::FilasPorClaves(c, {"DN"}, {{Value()}, {8}, {1, 2}}),
            (std::vector<std::uint32_t>{5}));
  EXPECT_THROW(shell::FilasPorClaves(c, {"NOEXISTE"}, claves), store::StoreError);

  // The grid over those rows; the viewer drops an excluded tree (47-1-2) before showing them.
  std::vector<std::uint32_t> mostradas;
  for (const std::uint32_t id : shell::FilasPorClaves(c, {"PROVINCIA", "ESTADILLO"}, {{47, 1}}))
    if (c.valueOfRow(id, c.fieldIndex("NUMORDEN")).toDouble() != 2) mostradas.push_back(id);
  FuenteCursor f(c, mostradas);
  EXPECT_EQ(Claves(f), (Textos{"47/1/1", "47/1/3"}));
  EXPECT_EQ(f.columnas(), 5);
}

}  // namespace
