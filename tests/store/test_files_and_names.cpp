// File operations, case-insensitive table names, and tables shared between handles.
#include <gtest/gtest.h>

#include <filesystem>

#include "DbfBuilder.h"
#include "TempDir.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio::store;
using arbelio::testing::DbfBuilder;
using arbelio::testing::TempDir;

namespace {

void smallTable(const std::string& path, int value) {
  DbfBuilder b;
  b.fields = {{"N", 'N', 4}};
  b.add(std::string(4 - std::to_string(value).size(), ' ') + std::to_string(value));
  b.write(path);
}

TEST(TableNames, AnyLetterCaseFindsTheFile) {
  for (const char* file : {"Piesma47.dbf", "PIESMA47.DBF", "piesma47.Dbf"}) {
    TempDir dir;
    smallTable(dir.file(file), 5);
    Database db = Database::open(dir.str());
    EXPECT_TRUE(db.hasTable("Piesma47")) << file;
    EXPECT_TRUE(db.hasTable("PIESMA47")) << file;
    EXPECT_EQ(db.openCursor("piesma47").value("n").toDouble(), 5) << file;
    EXPECT_EQ(db.openCursor("SELECT * FROM PiesMa47").recordCount(), 1) << file;
    EXPECT_EQ(db.tableNames(), std::vector<std::string>{std::string(file).substr(0, 8)});
  }
}

TEST(TableNames, NewTablesTakeTheNameAsWritten) {
  TempDir dir;
  Database db = Database::open(dir.str());
  TableDef def("AIndivXy");
  def.appendField("DN", FieldType::Single);
  db.appendTableDef(def);
  EXPECT_TRUE(std::filesystem::exists(dir.file("AIndivXy.dbf")));
  EXPECT_THROW(db.appendTableDef(def), StoreError);
  TableDef other("AINDIVXY");
  other.appendField("DN", FieldType::Single);
  EXPECT_THROW(db.appendTableDef(other), StoreError);
}

TEST(Databases, OpenFailsOnAMissingFolderOrAnUnknownDriver) {
  TempDir dir;
  try {
    Database::open(dir.file("no-existe"));
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_EQ(e.number(), err::kRutaNoValida);
  }
  EXPECT_THROW(Database::open(dir.str(), {false, false, "Excel 8.0"}), StoreError);
  EXPECT_NO_THROW(Database::open(dir.str(), {true, false, "DBASE III;"}));
}

TEST(Databases, HandlesOnOneFolderShareTheirTables) {
  TempDir dir;
  smallTable(dir.file("T.dbf"), 1);
  Database a = Database::open(dir.str());
  Database b = Database::open(dir.str());
  Cursor ca = a.openCursor("T");
  ca.edit();
  ca.setValue("N", 2);
  ca.update();
  EXPECT_EQ(b.openCursor("T").value("N").toDouble(), 2);
  a.close();
  b.close();
  Database c = Database::open(dir.str());
  EXPECT_EQ(c.openCursor("T").value("N").toDouble(), 2);
}

TEST(FileOps, CopyRenameDeleteAndList) {
  TempDir dir;
  createFolder(dir.file("BDTemp/sub"));
  EXPECT_TRUE(folderExists(dir.file("BDTemp/sub")));
  smallTable(dir.file("Datdef47.dbf"), 7);
  EXPECT_TRUE(fileExists(dir.file("Datdef47.dbf")));
  EXPECT_FALSE(fileExists(dir.file("BDTemp")));

  copyFile(dir.file("Datdef47.dbf"), dir.file("BDTemp/Datdef47.dbf"));
  smallTable(dir.file("other.dbf"), 8);
  copyFile(dir.file("other.dbf"), dir.file("BDTemp/Datdef47.dbf"));  // overwrites
  {
    Database db = Database::open(dir.file("BDTemp"));
    EXPECT_EQ(db.openCursor("DATDEF47").value("N").toDouble(), 8);
  }
  renameFile(dir.file("BDTemp/Datdef47.dbf"), dir.file("BDTemp/DATDEF00.dbf"));
  EXPECT_FALSE(fileExists(dir.file("BDTemp/Datdef47.dbf")));
  const auto files = listFiles(dir.file("BDTemp"));
  ASSERT_EQ(files.size(), 1u);  // the sub-folder is not a file
  EXPECT_EQ(files[0].name, "DATDEF00.dbf");
  EXPECT_EQ(files[0].path, dir.file("BDTemp/DATDEF00.dbf"));
  deleteFile(files[0].path);
  EXPECT_TRUE(listFiles(dir.file("BDTemp")).empty());
  EXPECT_THROW(deleteFile(dir.file("BDTemp/nada.dbf")), StoreError);
  EXPECT_THROW(copyFile(dir.file("nada.dbf"), dir.file("x.dbf")), StoreError);
  EXPECT_THROW(listFiles(dir.file("nada")), StoreError);
}

TEST(FileOps, DeleteFailsWhileTheTableIsOpen) {
  TempDir dir;
  smallTable(dir.file("T.dbf"), 1);
  {
    Database db = Database::open(dir.str());
    Cursor c = db.openCursor("T");
    try {
      deleteFile(dir.file("T.dbf"));
      FAIL();
    } catch (const StoreError& e) {
      EXPECT_EQ(e.number(), err::kPermisoDenegado);
    }
    EXPECT_THROW(renameFile(dir.file("T.dbf"), dir.file("U.dbf")), StoreError);
  }
  EXPECT_NO_THROW(deleteFile(dir.file("T.dbf")));
}

TEST(FileOps, IndexSidecarFollowsTheTable) {
  TempDir dir;
  smallTable(dir.file("Datdef47.dbf"), 1);
  {
    Database db = Database::open(dir.str());
    db.appendIndex("Datdef47", IndexDef{"ProvEstInd", {"N"}});
  }
  renameFile(dir.file("Datdef47.dbf"), dir.file("DATDEF00.dbf"));
  copyFile(dir.file("DATDEF00.dbf"), dir.file("Copia.dbf"));
  {
    Database db = Database::open(dir.str());
    EXPECT_TRUE(db.tableDef("DATDEF00").hasIndex("ProvEstInd"));
    EXPECT_TRUE(db.tableDef("Copia").hasIndex("ProvEstInd"));
  }
  // Replacing a table by an unindexed copy drops the old index.
  smallTable(dir.file("plain.dbf"), 2);
  copyFile(dir.file("plain.dbf"), dir.file("Copia.dbf"));
  deleteFile(dir.file("DATDEF00.dbf"));
  Database db = Database::open(dir.str());
  EXPECT_FALSE(db.tableDef("Copia").hasIndex("ProvEstInd"));
  for (const auto& f : listFiles(dir.str())) {
    EXPECT_NE(f.name, "DATDEF00.aix");
  }
}

TEST(FileOps, CreateFolderFailsClearlyWhereAFolderCannotBe) {
  TempDir dir;
  smallTable(dir.file("BDTemp"), 1);  // a file stands where the folder should go
  try {
    createFolder(dir.file("BDTemp/sub"));
    FAIL();
  } catch (const StoreError& e) {
    EXPECT_NE(e.description().find("No se puede crear la carpeta"), std::string::npos);
  }
}

}  // namespace
