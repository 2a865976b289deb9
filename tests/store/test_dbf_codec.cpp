// Reading and writing dBASE files: versions, field types, code pages, memos, damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <string_view>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Table.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::testing::DbfBuilder;
using arbelio::testing::readFile;
using arbelio::testing::writeFile;

namespace {

DbfBuilder treeTable() {
  DbfBuilder b;
  b.fields = {{"PROVINCIA", 'N', 2}, {"ESTADILLO", 'N', 4}, {"ESPECIE", 'C', 3},
              {"DIAMETRO1", 'N', 4}, {"ALTURA", 'N', 5, 1}, {"FECHA", 'D', 8},
              {"VIVO", 'L', 1},      {"FACTOR", 'F', 8, 3}};
  const auto rec = [](std::initializer_list<std::pair<const char*, int>> cells) {
    std::string r;
    for (const auto& [text, width] : cells) {
      std::string t(text);
      r += std::string(static_cast<std::size_t>(width) - t.size(), ' ') + t;
    }
    return r;
  };
  b.add(rec({{"47", 2},
             {"12", 4},
             {"21", 3},
             {"125", 4},
             {"12.5", 5},
             {"19950312", 8},
             {"T", 1},
             {"1.250", 8}}));
  b.add(
      rec({{"47", 2}, {"3", 4}, {"46 ", 3}, {"", 4}, {"", 5}, {"00000000", 8}, {"F", 1}, {"", 8}}));
  b.add(rec({{"47", 2},
             {"9", 4},
             {"99", 3},
             {"999", 4},
             {"9.9", 5},
             {"19950101", 8},
             {"?", 1},
             {"0.000", 8}}),
        true);
  b.add(rec(
      {{"47", 2}, {"4", 4}, {"2x", 3}, {"abcd", 4}, {"1,5", 5}, {"", 8}, {"Y", 1}, {"-2.5  ", 8}}));
  return b;
}

TEST(DbfCodec, ReadsFieldTypesNullsAndHidesDeletedRows) {
  CarpetaTemporal dir;
  treeTable().write(dir.archivo("PIESMA47.DBF"));
  Database db = Database::open(dir.ruta(), {false, true, "DBASE III"});
  Cursor c = db.openCursor("Piesma47");
  ASSERT_EQ(c.recordCount(), 3);
  EXPECT_EQ(c.value("PROVINCIA").toDouble(), 47);
  EXPECT_EQ(c.value("ESTADILLO").toDouble(), 12);
  EXPECT_EQ(c.value("ESPECIE").text(), " 21");  // text keeps leading blanks, loses padding
  EXPECT_EQ(c.value("DIAMETRO1").toDouble(), 125);
  EXPECT_DOUBLE_EQ(c.value("ALTURA").toDouble(), 12.5);
  EXPECT_EQ(c.value("FECHA").text(), "19950312");
  EXPECT_EQ(c.value("VIVO").toDouble(), -1);
  EXPECT_DOUBLE_EQ(c.value("FACTOR").toDouble(), 1.25);
  EXPECT_EQ(c.field(4).type, FieldType::Double);
  EXPECT_EQ(c.field(2).type, FieldType::Text);

  c.moveNext();  // blanks are null; a zero date is null
  EXPECT_EQ(c.value("ESPECIE").text(), "46");
  EXPECT_TRUE(c.value("ALTURA").isNull());
  EXPECT_TRUE(c.value("FECHA").isNull());
  EXPECT_EQ(c.value("VIVO").toDouble(), 0);
  EXPECT_TRUE(c.value("FACTOR").isNull());

  EXPECT_FALSE(c.isDamaged(c.fieldIndex("ALTURA")));  // blank is null, not damaged

  c.moveNext();  // the deleted row is skipped; garbage in a number reads as null, damaged
  EXPECT_EQ(c.value("ESTADILLO").toDouble(), 4);
  EXPECT_EQ(c.value("ESPECIE").text(), " 2x");
  EXPECT_TRUE(c.value("DIAMETRO1").isNull());
  EXPECT_TRUE(c.isDamaged(c.fieldIndex("DIAMETRO1")));
  EXPECT_EQ(c.rawText(c.fieldIndex("DIAMETRO1")), "abcd");
  // A decimal comma is not how dBASE writes a number: damaged, never 15 tenths.
  EXPECT_TRUE(c.value("ALTURA").isNull());
  EXPECT_TRUE(c.isDamaged(c.fieldIndex("ALTURA")));
  EXPECT_EQ(c.rawText(c.fieldIndex("ALTURA")), "1,5");
  EXPECT_DOUBLE_EQ(c.value("FACTOR").toDouble(), -2.5);  // left-aligned digits are fine
  EXPECT_FALSE(c.isDamaged(c.fieldIndex("FACTOR")));
  EXPECT_FALSE(c.isDamaged(c.fieldIndex("ESPECIE")));  // text is never damaged
  c.moveNext();
  EXPECT_TRUE(c.eof());
}

TEST(DbfCodec, AcceptsEveryReadVersionAndAMissingEndMarker) {
  for (unsigned char v : {0x03, 0x83, 0x8B, 0xF5}) {
    CarpetaTemporal dir;
    DbfBuilder b;
    b.version = v;
    b.eofMarker = v != 0x03;
    b.fields = {{"A", 'N', 3}};
    b.add("  7");
    b.write(dir.archivo("t.dbf"));
    Database db = Database::open(dir.ruta());
    Cursor c = db.openCursor("T");
    EXPECT_EQ(c.value("a").toDouble(), 7) << int(v);
  }
}

TEST(DbfCodec, RefusesOtherVersionsAndDamagedFilesWithClearMessages) {
  CarpetaTemporal dir;
  Database db = Database::open(dir.ruta());
  auto expectError = [&](const std::string& bytes, int number, const std::string& fragment) {
    writeFile(dir.archivo("X.dbf"), bytes);
    try {
      db.openCursor("X");
      ADD_FAILURE() << "aceptado: " << fragment;
    } catch (const StoreError& e) {
      EXPECT_EQ(e.number(), number) << e.description();
      EXPECT_NE(e.description().find(fragment), std::string::npos) << e.description();
    }
  };
  DbfBuilder b;
  b.fields = {{"A", 'N', 3}};
  b.add("  1");
  b.add("  2");
  DbfBuilder v7 = b;
  v7.version = 0x04;
  expectError(v7.bytes(), err::kNoEsTablaValida, "dBASE 7");
  DbfBuilder fox = b;
  fox.version = 0x30;
  expectError(fox.bytes(), err::kNoEsTablaValida, "0x30");
  expectError("", err::kTablaDanada, "0 bytes");
  std::string good = b.bytes();
  expectError(good.substr(0, 40), err::kTablaDanada, "cabecera");
  DbfBuilder liar = b;
  liar.declaredCount = 1000000;
  expectError(liar.bytes(), err::kTablaDanada, "1000000");
  std::string absurd = good;
  absurd[8] = '\xFF';
  absurd[9] = '\xFF';
  expectError(absurd, err::kTablaDanada, "cabecera");
  std::string noFields = good;
  noFields[32] = 0x0D;
  expectError(noFields, err::kTablaDanada, "campos");
  expectError(good.substr(0, good.size() - 3), err::kTablaDanada, "registros");
}

// A table's live rows, fields and indexes come from its file without loading it: the counts
// are a loaded table's (deleted rows left out, across the reads of the file's records), an index
// added goes to the sidecar, and a damaged file is refused as a load refuses it.
TEST(DbfCodec, CountsRowsAndReadsDefinitionsOfTablesNotLoaded) {
  CarpetaTemporal dir;
  DbfBuilder b;
  b.fields = {{"N", 'N', 7}, {"TEXTO", 'C', 28}};  // 36-byte records: 29,127 to a 1 MB read
  std::vector<int> borradas = {0, 29126, 29127, 58253, 58254, 69999};
  for (int i = 0; i < 70000; ++i) {
    std::string n = std::to_string(i);
    b.add(std::string(7 - n.size(), ' ') + n + std::string(28, 'x'),
          std::find(borradas.begin(), borradas.end(), i) != borradas.end());
  }
  writeFile(dir.archivo("GRANDE.dbf"), b.bytes());
  writeFile(dir.archivo("T.dbf"), treeTable().bytes());
  Database db = Database::open(dir.ruta());
  const auto cargada = [&](const char* archivo) {
    return TableRegistry::find(dir.archivo(archivo)) != nullptr;
  };
  EXPECT_EQ(db.liveRowCount("GRANDE"), 70000 - 6);
  EXPECT_EQ(db.liveRowCount("t.DBF"), 3);
  EXPECT_FALSE(cargada("GRANDE.dbf"));
  const TableDef def = db.tableDef("GRANDE");
  EXPECT_EQ(def.fields().size(), 2u);
  EXPECT_FALSE(def.hasIndex("PorN"));
  IndexDef idx;
  idx.name = "PorN";
  idx.fields = {"N"};
  db.appendIndex("GRANDE", idx);
  EXPECT_FALSE(cargada("GRANDE.dbf"));
  EXPECT_TRUE(db.tableDef("GRANDE").hasIndex("PorN"));
  EXPECT_THROW(db.appendIndex("GRANDE", idx), StoreError);  // there already
  // Loaded, the same counts and the index; a deletion in memory is counted.
  Cursor c = db.openCursor("GRANDE");
  EXPECT_TRUE(cargada("GRANDE.dbf"));
  EXPECT_TRUE(db.tableDef("GRANDE").hasIndex("PorN"));
  EXPECT_EQ(db.openCursor("GRANDE", CursorKind::Snapshot).recordCount(), 70000 - 6);
  c.moveFirst();
  c.remove();
  EXPECT_EQ(db.liveRowCount("GRANDE"), 70000 - 7);
  c = Cursor();
  db.close();

  Database otra = Database::open(dir.ruta());
  const auto expectError = [&](const std::string& bytes, const std::string& fragment) {
    writeFile(dir.archivo("X.dbf"), bytes);
    for (int veces = 0; veces < 2; ++veces) {  // counted from the file, then loaded
      try {
        if (veces == 0) {
          otra.liveRowCount("X");
        } else {
          otra.openCursor("X");
        }
        ADD_FAILURE() << "aceptado: " << fragment;
      } catch (const StoreError& e) {
        EXPECT_EQ(e.number(), err::kTablaDanada) << e.description();
        EXPECT_NE(e.description().find(fragment), std::string::npos) << e.description();
      }
    }
  };
  DbfBuilder liar = treeTable();
  liar.declaredCount = 1000000;
  expectError(liar.bytes(), "1000000");
  const std::string good = treeTable().bytes();
  expectError(good.substr(0, good.size() - 3), "sólo contiene 3");
  EXPECT_THROW(otra.liveRowCount("NOESTA"), StoreError);
}

TEST(DbfCodec, CodePagesConvertToUtf8AndBack) {
  struct Case {
    unsigned char ldid;
    std::string bytes;
  };
  // "Ñandú" in each code page.
  const Case cases[] = {{0x01,
                         "\xA5"
                         "and\xA3"},
                        {0x02,
                         "\xA5"
                         "and\xA3"},
                        {0x03,
                         "\xD1"
                         "and\xFA"},
                        {0x57,
                         "\xD1"
                         "and\xFA"},
                        {0x00,
                         "\xA5"
                         "and\xA3"}};
  for (const auto& cs : cases) {
    CarpetaTemporal dir;
    DbfBuilder b;
    b.ldid = cs.ldid;
    b.fields = {{"NOMBRE", 'C', 10}};
    b.add(cs.bytes);
    b.write(dir.archivo("t.dbf"));
    {
      Database db = Database::open(dir.ruta());
      Cursor c = db.openCursor("t");
      EXPECT_EQ(c.value("NOMBRE").text(), "Ñandú") << int(cs.ldid);
      c.edit();
      c.setValue("NOMBRE", "Ñu pequeño");
      c.update();
      db.close();
    }
    // Written back in the table's own code page.
    const std::string raw = readFile(dir.archivo("t.dbf"));
    const std::string expected =
        (cs.ldid == 0x03 || cs.ldid == 0x57) ? "\xD1u peque\xF1o" : "\xA5u peque\xA4o";
    EXPECT_NE(raw.find(expected), std::string::npos) << int(cs.ldid);
    Database db = Database::open(dir.ruta());
    EXPECT_EQ(db.openCursor("t").value("NOMBRE").text(), "Ñu pequeño");
  }
}

TEST(DbfCodec, EveryFieldTypeRoundTripsThroughAFile) {
  CarpetaTemporal dir;
  {
    Database db = Database::open(dir.ruta());
    TableDef def("Tipos");
    def.appendField("T", FieldType::Text, 12);
    def.appendField("B", FieldType::Byte);
    def.appendField("I", FieldType::Integer);
    def.appendField("L", FieldType::Long);
    def.appendField("S", FieldType::Single);
    def.appendField("D", FieldType::Double);
    def.appendField("M", FieldType::Memo);
    def.appendField("F", FieldType::Date);
    def.appendField("Y", FieldType::Boolean);
    def.setCodePage(850);
    db.appendTableDef(def);
    Cursor c = db.openCursor("Tipos");
    c.addNew();
    c.setValue("T", "Pinus pinea");
    c.setValue("B", 255);
    c.setValue("I", -32768);
    c.setValue("L", 2147483647);
    c.setValue("S", 0.1);
    c.setValue("D", 1.0 / 3.0);
    c.setValue("M", "primera línea\r\nsegunda línea");
    c.setValue("F", "1995-03-12");
    c.setValue("Y", -1);
    c.update();
    c.addNew();
    c.setValue("I", 2.5);  // half to even
    c.setValue("L", 3.5);
    c.setValue("S", 123456.789);
    c.setValue("D", -1e-7);
    c.update();
    c.addNew();
    c.update();  // all null
    db.close();
  }
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("TIPOS");
  ASSERT_EQ(c.recordCount(), 3);
  EXPECT_EQ(c.field(1).type, FieldType::Byte);
  EXPECT_EQ(c.field(2).type, FieldType::Integer);
  EXPECT_EQ(c.field(3).type, FieldType::Long);
  EXPECT_EQ(c.field(4).type, FieldType::Single);
  EXPECT_EQ(c.field(5).type, FieldType::Double);
  EXPECT_EQ(c.field(6).type, FieldType::Memo);
  EXPECT_EQ(c.value("T").text(), "Pinus pinea");
  EXPECT_EQ(c.value("B").toDouble(), 255);
  EXPECT_EQ(c.value("I").toDouble(), -32768);
  EXPECT_EQ(c.value("L").toDouble(), 2147483647);
  EXPECT_EQ(c.value("S").toDouble(), static_cast<double>(0.1f));
  EXPECT_EQ(c.value("D").toDouble(), 1.0 / 3.0);
  EXPECT_EQ(c.value("M").text(), "primera línea\r\nsegunda línea");
  EXPECT_EQ(c.value("F").text(), "19950312");
  EXPECT_EQ(c.value("Y").toDouble(), -1);
  c.moveNext();
  EXPECT_EQ(c.value("I").toDouble(), 2);
  EXPECT_EQ(c.value("L").toDouble(), 4);
  EXPECT_EQ(c.value("S").toFloat(), 123456.789f);
  EXPECT_EQ(c.value("D").toDouble(), -1e-7);
  EXPECT_TRUE(c.value("M").isNull());
  c.moveNext();
  for (int i = 0; i < c.fieldCount(); ++i) EXPECT_TRUE(c.value(i).isNull()) << i;
}

// Every float whose digits fit the 19 characters of the column without an exponent (all the
// magnitudes a mensuration value takes) reads back as the same float.
TEST(DbfCodec, SingleColumnsRoundTripEveryFloatThatFitsWithoutExponent) {
  CarpetaTemporal dir;
  std::vector<float> values = {0.0f,    1.0f,          -1.0f,        0.1f,        1e-9f,
                               3.4e10f, 1.2345678e-9f, 123456789.0f, 0.33333334f, 98765.4321f};
  std::uint32_t bits = 0x3F800001;  // a sweep of awkward mantissas
  for (int i = 0; i < 200; ++i, bits += 0x00012345) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    values.push_back(f);
    values.push_back(-f / 1000.0f);
  }
  {
    Database db = Database::open(dir.ruta());
    TableDef def("S");
    def.appendField("V", FieldType::Single);
    db.appendTableDef(def);
    Cursor c = db.openCursor("S");
    for (float v : values) {
      c.addNew();
      c.setValue("V", static_cast<double>(v));
      c.update();
    }
    db.close();
  }
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("S");
  for (float v : values) {
    ASSERT_FALSE(c.eof());
    EXPECT_EQ(c.value("V").toFloat(), v);
    EXPECT_FALSE(c.isDamaged(0));
    c.moveNext();
  }
}

// What does not fit is written with the decimals that fit, never in exponent form (which
// readers of dBASE files take for a damaged value); what cannot be written at all is refused.
TEST(DbfCodec, NumbersAreNeverWrittenWithAnExponent) {
  CarpetaTemporal dir;
  Database db = Database::open(dir.ruta());
  TableDef def("S");
  def.appendField("V", FieldType::Single);
  def.appendField("D", FieldType::Double);
  db.appendTableDef(def);
  Cursor c = db.openCursor("S");
  c.addNew();
  c.setValue("V", 1.17549435e-38);
  c.setValue("D", -1.5e-30);
  c.update();
  c.addNew();
  EXPECT_THROW(c.setValue("V", 1e30), StoreError);
  EXPECT_THROW(c.setValue("D", std::numeric_limits<double>::infinity()), StoreError);
  EXPECT_THROW(c.setValue("D", std::numeric_limits<double>::quiet_NaN()), StoreError);
  c.cancelUpdate();
  db.close();
  const std::string bytes = readFile(dir.archivo("S.dbf"));
  EXPECT_EQ(bytes.find('e'), std::string::npos);
  Database otra = Database::open(dir.ruta());
  Cursor r = otra.openCursor("S");
  EXPECT_EQ(r.value("V").toDouble(), 0);
  EXPECT_EQ(r.value("D").toDouble(), 0);
  EXPECT_FALSE(r.isDamaged(0));
  EXPECT_FALSE(r.isDamaged(1));
}

// The numbers of an N field as dBASE writes them, and the texts that are damaged values.
TEST(DbfCodec, NumericFieldsReadOnlySignDigitsAndOnePoint) {
  using arbelio::store::DbfNumber;
  using arbelio::store::parseDbfNumber;
  const std::pair<const char*, double> buenos[] = {
      {"  125", 125}, {"-3.25", -3.25}, {"+7", 7},
      {".5", 0.5},    {"5.", 5},        {"0012", 12},
      {"12  ", 12},   {"-0", 0},        {"123456789012345678", 123456789012345678.0}};
  for (const auto& [texto, valor] : buenos) {
    double v = -1;
    EXPECT_EQ(parseDbfNumber(texto, v), DbfNumber::Number) << texto;
    EXPECT_EQ(v, valor) << texto;
  }
  for (const char* vacio : {"", "    ", std::string_view("\0\0\0", 3).data()}) {
    double v = -1;
    EXPECT_EQ(parseDbfNumber(vacio, v), DbfNumber::Blank);
    EXPECT_EQ(v, -1);
  }
  for (const char* malo : {"*****", "1.2.3", "-", "+", ".", "nan", "inf", "1e5", " 1e308", "3E9",
                           "14,9", "1 2", "0x1A", "12-", "--1", "\xC3\xB1", "1\xA0", "-."}) {
    double v = -1;
    EXPECT_EQ(parseDbfNumber(malo, v), DbfNumber::Damaged) << malo;
  }
  double v = 0;  // digits beyond the range of a double
  EXPECT_EQ(parseDbfNumber(std::string(320, '9'), v), DbfNumber::Damaged);
  EXPECT_EQ(parseDbfNumber(std::string(300, '9'), v), DbfNumber::Number);
}

// Every field text of up to 20 characters from the characters that matter, against the rule
// stated independently: blanks and NULs around, one sign, digits with at most one point (at least
// one digit), read as the correctly rounded double of that decimal (std::from_chars); anything
// else damaged. Short fields take a quicker way than long ones, and both must keep to the rule
// to the bit, negative zero included.
TEST(DbfCodec, NumericFieldTextsAgreeWithTheRuleToTheBit) {
  using arbelio::store::DbfNumber;
  using arbelio::store::parseDbfNumber;
  const auto regla = [](std::string_view raw, double& v) {
    std::size_t a = 0, b = raw.size();
    while (a < b && (raw[a] == ' ' || raw[a] == '\0')) ++a;
    while (b > a && (raw[b - 1] == ' ' || raw[b - 1] == '\0')) --b;
    if (a == b) return DbfNumber::Blank;
    std::string_view t = raw.substr(a, b - a);
    const bool menos = t[0] == '-';
    if (t[0] == '-' || t[0] == '+') t.remove_prefix(1);
    if (t.find_first_not_of("0123456789.") != std::string_view::npos ||
        std::count(t.begin(), t.end(), '.') > 1 || t.find_first_of("0123456789") == t.npos) {
      return DbfNumber::Damaged;
    }
    const auto [fin, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || fin != t.data() + t.size() || !std::isfinite(v))
      return DbfNumber::Damaged;
    if (menos) v = -v;
    return DbfNumber::Number;
  };
  const char alfabeto[] = {' ', '\0', '0', '1', '5', '9', '.', '-', '+', 'e', '0', '3', '7', '.'};
  std::mt19937 azar(11);
  std::string texto;
  for (int caso = 0; caso < 300000; ++caso) {
    texto.assign(azar() % 21, ' ');
    for (char& c : texto) c = alfabeto[azar() % sizeof(alfabeto)];
    // Mostly field-like texts: right-aligned digits with an optional point and sign.
    if (caso % 2 == 0) {
      const std::size_t blancos = azar() % (texto.size() + 1);
      for (std::size_t i = 0; i < texto.size(); ++i) {
        if (i < blancos) {
          texto[i] = ' ';
        } else if (texto[i] == ' ' || texto[i] == '\0' || texto[i] == 'e' || texto[i] == '+' ||
                   texto[i] == '-') {
          texto[i] = static_cast<char>('0' + azar() % 10);
        }
      }
      if (azar() % 4 == 0 && blancos > 0) texto[blancos - 1] = '-';
    }
    double esperado = 0, leido = 0;
    const DbfNumber r = regla(texto, esperado);
    ASSERT_EQ(parseDbfNumber(texto, leido), r) << "'" << texto << "'";
    if (r == DbfNumber::Number) {
      ASSERT_EQ(std::bit_cast<std::uint64_t>(leido), std::bit_cast<std::uint64_t>(esperado))
          << "'" << texto << "'";
    }
  }
}

TEST(DbfCodec, ValuesThatDoNotFitAreRefusedWithoutChangingTheRow) {
  CarpetaTemporal dir;
  Database db = Database::open(dir.ruta());
  TableDef def("T");
  def.appendField("C", FieldType::Text, 3);
  def.appendField("B", FieldType::Byte);
  db.appendTableDef(def);
  Cursor c = db.openCursor("T");
  c.addNew();
  c.setValue("C", "abc");
  c.setValue("B", 7);
  c.update();
  c.moveFirst();
  c.edit();
  c.setValue("C", "xyz");
  EXPECT_THROW(c.setValue("B", 256), StoreError);  // refused at once
  c.update();                                      // the rest of the edit goes through
  EXPECT_EQ(c.value("C").text(), "xyz");
  EXPECT_EQ(c.value("B").toDouble(), 7);
  c.edit();
  try {
    c.setValue("C", "abcd");
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kCampoDemasiadoPequeno);
  }
  EXPECT_THROW(c.setValue("B", "no es un número"), StoreError);
  c.cancelUpdate();
  EXPECT_EQ(c.value("C").text(), "xyz");
}

// Whole-number fields: the digits right-aligned in the field, no sign for zero, half to even,
// and a number wider than its field refused, whether it is small or beyond 2^53.
TEST(DbfCodec, WholeNumbersAreWrittenRightAlignedInTheirWidth) {
  CarpetaTemporal dir;
  DbfBuilder b;
  b.fields = {{"A", 'N', 3}, {"G", 'N', 20}};
  b.write(dir.archivo("E.dbf"));
  const std::vector<std::pair<double, double>> filas = {
      {0, -0.0}, {-7, 2.5}, {999, -5e15}, {-99, 9007199254740993.0}, {3.5, -1234567890123.0}};
  {
    Database db = Database::open(dir.ruta());
    Cursor c = db.openCursor("E");
    for (const auto& [a, g] : filas) {
      c.addNew();
      c.setValue("A", a);
      c.setValue("G", g);
      c.update();
    }
    c.addNew();
    EXPECT_THROW(c.setValue("A", 1000), StoreError);
    EXPECT_THROW(c.setValue("A", -100), StoreError);
    EXPECT_THROW(c.setValue("G", 1e21), StoreError);
    c.cancelUpdate();
    db.close();
  }
  const std::string bytes = readFile(dir.archivo("E.dbf"));
  const std::size_t cabecera = 32 + 32 * 2 + 1, registro = 1 + 3 + 20;
  std::vector<std::string> registros;
  for (std::size_t i = 0; i < filas.size(); ++i)
    registros.push_back(bytes.substr(cabecera + i * registro + 1, registro - 1));
  EXPECT_EQ(registros,
            (std::vector<std::string>{"  0                   0", " -7                   2",
                                      "999   -5000000000000000", "-99    9007199254740992",
                                      "  4      -1234567890123"}));
}

TEST(DbfCodec, ReadsDbaseIvAndDbaseIiiMemoFiles) {
  CarpetaTemporal dir;
  // dBASE IV: block size 64 in the header, blocks start FF FF 08 00 + length.
  {
    DbfBuilder b;
    b.version = 0x8B;
    b.fields = {{"ID", 'N', 2}, {"CRITERIOS", 'M', 10}};
    b.add(" 1         1");
    b.add(" 2          ");
    b.add(" 3        99");  // dangling: null
    b.write(dir.archivo("InfCorAB.dbf"));
    std::string memo(64, '\0');
    memo[0] = 2;
    memo[20] = 64;
    std::string block("\xFF\xFF\x08\x00", 4);
    const std::string text = "Especie 21 \xA4";  // the table names code page 1252
    const std::uint32_t len = static_cast<std::uint32_t>(8 + text.size());
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<char>((len >> (8 * i)) & 0xFF));
    block += text;
    block.resize(64, '\0');
    writeFile(dir.archivo("INFCORAB.DBT"), memo + block);
  }
  // dBASE III: 512-byte blocks, text up to 1A.
  {
    DbfBuilder b;
    b.version = 0x83;
    b.fields = {{"NOTA", 'M', 10}};
    b.add("         1");
    b.write(dir.archivo("nota.dbf"));
    std::string memo(512, '\0');
    memo[0] = 3;
    std::string block = std::string(600, 'x') + "\x1A\x1A";
    block.resize(1024, '\0');
    writeFile(dir.archivo("nota.dbt"), memo + block);
  }
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("infcorab");
  EXPECT_EQ(c.value("CRITERIOS").text(), "Especie 21 ¤");  // ldid 3 = 1252
  c.moveNext();
  EXPECT_TRUE(c.value("CRITERIOS").isNull());
  c.moveNext();
  EXPECT_TRUE(c.value("CRITERIOS").isNull());
  Cursor n = db.openCursor("NOTA");
  EXPECT_EQ(n.value("NOTA").text(), std::string(600, 'x'));
}

TEST(DbfCodec, MemoWrittenInChunksSpansBlocks) {
  CarpetaTemporal dir;
  std::string expected;
  {
    Database db = Database::open(dir.ruta());
    TableDef def("InfCor");
    def.appendField("DESCRIPCIO", FieldType::Text, 50);
    def.appendField("CRITERIOS", FieldType::Memo);
    db.appendTableDef(def);
    Cursor c = db.openCursor("InfCor");
    c.addNew();
    c.setValue("DESCRIPCIO", "Corte de prueba");
    for (int i = 0; i < 40; ++i) {
      const std::string piece = "\r\n\t * Especie: línea " + std::to_string(i);
      c.appendChunk("CRITERIOS", piece);
      expected += piece;
    }
    c.update();
    db.close();
  }
  EXPECT_GT(std::filesystem::file_size(dir.archivo("InfCor.dbt")), 1024u);
  EXPECT_EQ(static_cast<unsigned char>(readFile(dir.archivo("InfCor.dbf"))[0]), 0x83);
  Database db = Database::open(dir.ruta());
  EXPECT_EQ(db.openCursor("INFCOR").value("criterios").text(), expected);
}

TEST(DbfCodec, FailedWriteLeavesThePreviousFileInPlace) {
  CarpetaTemporal dir;
  {
    Database db = Database::open(dir.ruta());
    TableDef def("T");
    def.appendField("N", FieldType::Long);
    db.appendTableDef(def);
    Cursor c = db.openCursor("T");
    for (int i = 0; i < 100; ++i) {
      c.addNew();
      c.setValue("N", i);
      c.update();
    }
    db.close();
  }
  const std::string before = readFile(dir.archivo("T.dbf"));
  {
    Database db = Database::open(dir.ruta());
    db.execute("DELETE * FROM T");
    failWritesAfterForTesting(10);
    EXPECT_THROW(db.close(), StoreError);
    failWritesAfterForTesting(-1);
  }
  EXPECT_EQ(readFile(dir.archivo("T.dbf")), before);
  for (const auto& f : listFiles(dir.ruta())) EXPECT_EQ(f.name.find(".tmp"), std::string::npos);
}

TEST(DbfCodec, HeaderCarriesDateCountAndEndMarker) {
  CarpetaTemporal dir;
  const DbfDate date{2026, 12, 7};
  setHeaderDateForTesting(&date);
  {
    Database db = Database::open(dir.ruta());
    TableDef def("T");
    def.appendField("N", FieldType::Integer);
    db.appendTableDef(def);
    Cursor c = db.openCursor("T");
    for (int i = 0; i < 3; ++i) {
      c.addNew();
      c.setValue("N", i);
      c.update();
    }
    c.moveFirst();
    c.remove();
    db.close();
  }
  setHeaderDateForTesting(nullptr);
  const std::string raw = readFile(dir.archivo("T.dbf"));
  EXPECT_EQ(raw[0], 0x03);
  EXPECT_EQ(raw[1], 126);
  EXPECT_EQ(raw[2], 12);
  EXPECT_EQ(raw[3], 7);
  EXPECT_EQ(raw[4], 2);  // the deleted row is not written
  EXPECT_EQ(raw.back(), '\x1A');
  EXPECT_EQ(raw.size(), 32u + 32u + 1u + 2u * 7u + 1u);
}

// Numbers of a column read row after row are decoded once and kept; every way of changing the
// table must keep them equal to what the bytes hold, blanks and damaged fields included.
// A long column decoded on both cores reads as the bytes say in either half: numbers, blanks and
// damaged values alike.
TEST(DbfCodec, LongColumnsDecodeAlikeInBothHalves) {
  CarpetaTemporal dir;
  DbfBuilder b;
  b.fields = {{"N", 'N', 8, 3}};
  const int filas = (1 << 18) + 4099;
  const auto texto = [](int i) -> std::string {
    if (i % 9973 == 11) return "";
    if (i % 7919 == 5) return "1,5";
    return std::to_string(i % 9000) + "." + std::to_string(i % 10) + "25";
  };
  for (int i = 0; i < filas; ++i) {
    const std::string t = texto(i);
    b.add(std::string(8 - t.size(), ' ') + t);
  }
  b.write(dir.archivo("L.dbf"));
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("L");
  for (int vuelta = 0; vuelta < 2; ++vuelta) {  // the first walk decodes the column
    int i = 0;
    for (c.moveFirst(); !c.eof(); c.moveNext(), ++i) {
      const std::string t = texto(i);
      const Value v = c.value(0);
      if (t.empty() || t == "1,5") {
        ASSERT_TRUE(v.isNull()) << i;
        ASSERT_EQ(c.isDamaged(0), !t.empty()) << i;
      } else {
        ASSERT_EQ(v.number(), std::stod(t)) << i;
      }
    }
    ASSERT_EQ(i, filas);
  }
}

TEST(DbfCodec, NumbersReadFromMemoryStayEqualToTheBytesAfterEveryChange) {
  CarpetaTemporal dir;
  DbfBuilder b;
  b.fields = {{"K", 'N', 6}, {"N", 'N', 7, 2}};
  const int filas = 10000;
  for (int i = 0; i < filas; ++i) {
    std::string n = std::to_string(i * 0.25);
    n = i == 3 ? "" : i == 5 ? "1.2.3" : n.substr(0, n.find('.') + 3);
    n.insert(0, 7 - std::min<std::size_t>(7, n.size()), ' ');
    std::string k = std::to_string(i);
    b.add(std::string(6 - k.size(), ' ') + k + n);
  }
  b.write(dir.archivo("T.dbf"));
  const auto lectura = [](Cursor& c) {
    std::vector<std::string> r;
    for (c.moveFirst(); !c.eof(); c.moveNext()) {
      r.push_back(c.value("K").toString() + "=" + c.value("N").toString() +
                  (c.isDamaged(c.fieldIndex("N")) ? "!" : ""));
    }
    return r;
  };
  std::vector<std::string> antes;
  {
    Database db = Database::open(dir.ruta());
    Cursor c = db.openCursor("T");
    for (int vuelta = 0; vuelta < 3; ++vuelta) antes = lectura(c);  // decoded by now
    ASSERT_EQ(antes.size(), static_cast<std::size_t>(filas));
    EXPECT_EQ(antes[2], "2=0.5");
    EXPECT_EQ(antes[3], "3=");
    EXPECT_EQ(antes[5], "5=!");
    EXPECT_EQ(antes[9999], "9999=2499.75");
    c.setAbsolutePosition(4);
    c.edit();
    c.setValue("N", 123.456);
    c.update();
    c.addNew();
    c.setValue("K", 10000);
    c.setValue("N", -0.004);
    c.update();
    c.addNew();
    c.setValue("K", 10001);
    c.update();
    Cursor dos = db.openCursor("SELECT * FROM T WHERE K = 2");
    dos.edit();
    dos.setValue("N", 7.5);
    dos.update();
    db.execute("INSERT INTO T SELECT * FROM T WHERE K = 9999");
    c.moveFirst();
    c.remove();
    Cursor d = db.openCursor("T");
    antes = lectura(d);
    ASSERT_EQ(antes.size(), static_cast<std::size_t>(filas + 2));
    EXPECT_EQ(antes[0], "1=0.25");
    EXPECT_EQ(antes[1], "2=7.5");
    EXPECT_EQ(antes[3], "4=123.456");
    EXPECT_EQ(antes[filas - 1], "10000=-0.004");
    EXPECT_EQ(antes[filas], "10001=");
    EXPECT_EQ(antes[filas + 1], "9999=2499.75");
  }
  // A fresh open decodes the saved bytes: the same values as the kept numbers gave.
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("T");
  EXPECT_EQ(lectura(c), antes);
}

}  // namespace
