// File operations, case-insensitive table names, and tables shared between handles.
#include <gtest/gtest.h>

#include <filesystem>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::testing::DbfBuilder;

namespace {

void smallTable(const std::string& path, int value) {
  DbfBuilder b;
  b.fields = {{"N", 'N', 4}};
  b.add(std::string(4 - std::to_string(value).size(), ' ') + std::to_string(value));
  b.write(path);
}

TEST(TableNames, AnyLetterCaseFindsTheFile) {
  for (const char* file : {"Piesma47.dbf", "PIESMA47.DBF", "piesma47.Dbf"}) {
    CarpetaTemporal dir;
    smallTable(dir.archivo(file), 5);
    Database db = Database::open(dir.ruta());
    EXPECT_TRUE(db.hasTable("Piesma47")) << file;
    EXPECT_TRUE(db.hasTable("PIESMA47")) << file;
    EXPECT_EQ(db.openCursor("piesma47").value("n").toDouble(), 5) << file;
    EXPECT_EQ(db.openCursor("SELECT * FROM PiesMa47").recordCount(), 1) << file;
    EXPECT_EQ(db.tableNames(), std::vector<std::string>{std::string(file).substr(0, 8)});
  }
}

TEST(TableNames, NewTablesTakeTheNameAsWritten) {
  CarpetaTemporal dir;
  Database db = Database::open(dir.ruta());
  TableDef def("AIndivXy");
  def.appendField("DN", FieldType::Single);
  db.appendTableDef(def);
  EXPECT_TRUE(std::filesystem::exists(dir.archivo("AIndivXy.dbf")));
  EXPECT_THROW(db.appendTableDef(def), StoreError);
  TableDef other("AINDIVXY");
  other.appendField("DN", FieldType::Single);
  EXPECT_THROW(db.appendTableDef(other), StoreError);
}

TEST(Databases, OpenFailsOnAMissingFolderOrAnUnknownDriver) {
  CarpetaTemporal dir;
  try {
    Database::open(dir.archivo("no-existe"));
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kRutaNoValida);
  }
  EXPECT_THROW(Database::open(dir.ruta(), {false, false, "Excel 8.0"}), StoreError);
  EXPECT_NO_THROW(Database::open(dir.ruta(), {true, false, "DBASE III;"}));
}

TEST(Databases, HandlesOnOneFolderShareTheirTables) {
  CarpetaTemporal dir;
  smallTable(dir.archivo("T.dbf"), 1);
  Database a = Database::open(dir.ruta());
  Database b = Database::open(dir.ruta());
  Cursor ca = a.openCursor("T");
  ca.edit();
  ca.setValue("N", 2);
  ca.update();
  EXPECT_EQ(b.openCursor("T").value("N").toDouble(), 2);
  a.close();
  b.close();
  Database c = Database::open(dir.ruta());
  EXPECT_EQ(c.openCursor("T").value("N").toDouble(), 2);
}

TEST(FileOps, CopyRenameDeleteAndList) {
  CarpetaTemporal dir;
  createFolder(dir.archivo("BDTemp/sub"));
  EXPECT_TRUE(folderExists(dir.archivo("BDTemp/sub")));
  smallTable(dir.archivo("Datdef47.dbf"), 7);
  EXPECT_TRUE(fileExists(dir.archivo("Datdef47.dbf")));
  EXPECT_FALSE(fileExists(dir.archivo("BDTemp")));

  copyFile(dir.archivo("Datdef47.dbf"), dir.archivo("BDTemp/Datdef47.dbf"));
  smallTable(dir.archivo("other.dbf"), 8);
  copyFile(dir.archivo("other.dbf"), dir.archivo("BDTemp/Datdef47.dbf"));  // overwrites
  {
    Database db = Database::open(dir.archivo("BDTemp"));
    EXPECT_EQ(db.openCursor("DATDEF47").value("N").toDouble(), 8);
  }
  renameFile(dir.archivo("BDTemp/Datdef47.dbf"), dir.archivo("BDTemp/DATDEF00.dbf"));
  EXPECT_FALSE(fileExists(dir.archivo("BDTemp/Datdef47.dbf")));
  const auto files = listFiles(dir.archivo("BDTemp"));
  ASSERT_EQ(files.size(), 1u);  // the sub-folder is not a file
  EXPECT_EQ(files[0].name, "DATDEF00.dbf");
  EXPECT_EQ(files[0].path, dir.archivo("BDTemp/DATDEF00.dbf"));
  deleteFile(files[0].path);
  EXPECT_TRUE(listFiles(dir.archivo("BDTemp")).empty());
  EXPECT_THROW(deleteFile(dir.archivo("BDTemp/nada.dbf")), StoreError);
  EXPECT_THROW(copyFile(dir.archivo("nada.dbf"), dir.archivo("x.dbf")), StoreError);
  EXPECT_THROW(listFiles(dir.archivo("nada")), StoreError);
}

TEST(FileOps, DeleteFailsWhileTheTableIsOpen) {
  CarpetaTemporal dir;
  smallTable(dir.archivo("T.dbf"), 1);
  {
    Database db = Database::open(dir.ruta());
    Cursor c = db.openCursor("T");
    try {
      deleteFile(dir.archivo("T.dbf"));
      FAIL();
    } catch (const StoreError& e) {
      EXPECT_EQ(e.number(), err::kPermisoDenegado);
    }
    EXPECT_THROW(renameFile(dir.archivo("T.dbf"), dir.archivo("U.dbf")), StoreError);
  }
  EXPECT_NO_THROW(deleteFile(dir.archivo("T.dbf")));
}

TEST(FileOps, IndexSidecarFollowsTheTable) {
  CarpetaTemporal dir;
  smallTable(dir.archivo("Datdef47.dbf"), 1);
  {
    Database db = Database::open(dir.ruta());
    db.appendIndex("Datdef47", IndexDef{"ProvEstInd", {"N"}});
  }
  renameFile(dir.archivo("Datdef47.dbf"), dir.archivo("DATDEF00.dbf"));
  copyFile(dir.archivo("DATDEF00.dbf"), dir.archivo("Copia.dbf"));
  {
    Database db = Database::open(dir.ruta());
    EXPECT_TRUE(db.tableDef("DATDEF00").hasIndex("ProvEstInd"));
    EXPECT_TRUE(db.tableDef("Copia").hasIndex("ProvEstInd"));
  }
  // Replacing a table by an unindexed copy drops the old index.
  smallTable(dir.archivo("plain.dbf"), 2);
  copyFile(dir.archivo("plain.dbf"), dir.archivo("Copia.dbf"));
  deleteFile(dir.archivo("DATDEF00.dbf"));
  Database db = Database::open(dir.ruta());
  EXPECT_FALSE(db.tableDef("Copia").hasIndex("ProvEstInd"));
  for (const auto& f : listFiles(dir.ruta())) {
    EXPECT_NE(f.name, "DATDEF00.aix");
  }
}

TEST(FileOps, CreateFolderFailsClearlyWhereAFolderCannotBe) {
  CarpetaTemporal dir;
  smallTable(dir.archivo("BDTemp"), 1);  // a file stands where the folder should go
  try {
    createFolder(dir.archivo("BDTemp/sub"));
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_NE(e.description().find("No se puede crear la carpeta"), std::string::npos);
  }
}

}  // namespace
