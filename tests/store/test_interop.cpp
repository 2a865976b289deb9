// Interoperability with independent dBASE implementations (Debian's python3-dbfread and
// python3-dbf): what we write they read, and what they write we read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::testing::readFile;

namespace {

int runPython(const CarpetaTemporal& dir, const std::string& script) {
  const std::string path = dir.archivo("script.py");
  std::ofstream(path) << script;
  const std::string cmd = "/usr/bin/python3 " + path + " > " + dir.archivo("out.txt") + " 2>&1";
  return std::system(cmd.c_str());
}

TEST(Interop, DbfreadReadsTablesWeWrite) {
  CarpetaTemporal dir;
  {
    Database db = Database::open(dir.ruta());
    TableDef def("Parcel");
    def.appendField("PROVINCIA", FieldType::Integer);
    def.appendField("ESPECIE", FieldType::Text, 3);
    def.appendField("MUNICI", FieldType::Text, 30);
    def.appendField("N", FieldType::Single);
    def.appendField("AB", FieldType::Double);
    def.appendField("CD", FieldType::Byte);
    def.appendField("NUMPMA", FieldType::Long);
    def.appendField("CRITERIOS", FieldType::Memo);
    db.appendTableDef(def);
    Cursor c = db.openCursor("Parcel");
    c.addNew();
    c.setValue("PROVINCIA", 47);
    c.setValue("ESPECIE", "21");
    c.setValue("MUNICI", "Peñafiel");
    c.setValue("N", 127.32395);
    c.setValue("AB", 12.34567);
    c.setValue("CD", 15);
    c.setValue("NUMPMA", 123456);
    c.setValue("CRITERIOS", "Especie: 21\r\nMunicipio: Peñafiel");
    c.update();
    c.addNew();
    c.setValue("PROVINCIA", 5);
    c.update();
    db.close();
  }
  ASSERT_EQ(runPython(dir, R"PY(
import dbfread
t = dbfread.DBF(')PY" + dir.archivo("Parcel.dbf") +
                               R"PY(', char_decode_errors='strict')
print(t.encoding)
for r in t:
    print(repr(r['PROVINCIA']), repr(r['ESPECIE']), repr(r['MUNICI']), repr(r['N']),
          repr(r['AB']), repr(r['CD']), repr(r['NUMPMA']), repr(r['CRITERIOS']))
)PY"),
            0)
      << readFile(dir.archivo("out.txt"));
  std::istringstream out(readFile(dir.archivo("out.txt")));
  std::string line;
  std::getline(out, line);
  EXPECT_EQ(line, "cp1252");
  std::getline(out, line);
  EXPECT_EQ(line,
            "47 '21' 'Peñafiel' 127.32395 12.34567 15 123456 'Especie: 21\\r\\nMunicipio: "
            "Peñafiel'");
  std::getline(out, line);
  EXPECT_EQ(line, "5 '' '' None None None None None");
}

TEST(Interop, WeReadTablesWrittenByPythonDbf) {
  CarpetaTemporal dir;
  ASSERT_EQ(runPython(dir, R"PY(
import dbf, datetime
t = dbf.Table(')PY" + dir.archivo("prueba.dbf") +
                               R"PY(',
              'nombre C(20); num N(6,2); ent N(4,0); flo F(10,3); fecha D; vivo L; nota M',
              codepage='cp850', dbf_type='db3')
t.open(dbf.READ_WRITE)
t.append(('Ñandú común', 12.5, 47, 1.25, datetime.date(1995, 3, 12), True, 'memo ñ ' * 100))
t.append(('', None, None, None, None, False, None))
t.append(('borrado', 1, 1, 1, None, None, None))
dbf.delete(t[2])
t.close()
)PY"),
            0)
      << readFile(dir.archivo("out.txt"));
  Database db = Database::open(dir.ruta());
  Cursor c = db.openCursor("PRUEBA");
  ASSERT_EQ(c.recordCount(), 2);
  EXPECT_EQ(c.value("NOMBRE").text(), "Ñandú común");
  EXPECT_DOUBLE_EQ(c.value("NUM").toDouble(), 12.5);
  EXPECT_EQ(c.value("ENT").toDouble(), 47);
  EXPECT_DOUBLE_EQ(c.value("FLO").toDouble(), 1.25);
  EXPECT_EQ(c.value("FECHA").text(), "19950312");
  EXPECT_EQ(c.value("VIVO").toDouble(), -1);
  std::string memo;
  for (int i = 0; i < 100; ++i) memo += "memo ñ ";
  EXPECT_EQ(c.value("NOTA").text(), memo);
  c.moveNext();
  EXPECT_TRUE(c.value("NOMBRE").isNull());
  EXPECT_TRUE(c.value("NUM").isNull());
  EXPECT_EQ(c.value("VIVO").toDouble(), 0);
}

}  // namespace
