#include "store/SqliteSource.h"

#include <sqlite3.h>

#include <algorithm>

#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::store {
namespace {

class Db {
 public:
  explicit Db(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      const std::string msg = db_ ? sqlite3_errmsg(db_) : "sin memoria";
      sqlite3_close(db_);
      db_ = nullptr;
      throw StoreError(err::kNoEsTablaValida,
                       "No se puede abrir la base de datos '" + path + "': " + msg + ".");
    }
  }
  ~Db() { sqlite3_close(db_); }
  sqlite3* get() const { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

class Stmt {
 public:
  Stmt(sqlite3* db, const std::string& sql, const std::string& path) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st_, nullptr) != SQLITE_OK) {
      throw StoreError(err::kNoEsTablaValida,
                       "La base de datos '" + path + "' no es válida: " + sqlite3_errmsg(db) + ".");
    }
  }
  ~Stmt() { sqlite3_finalize(st_); }
  bool step() { return sqlite3_step(st_) == SQLITE_ROW; }
  sqlite3_stmt* get() const { return st_; }
  std::string text(int i) const {
    const auto* t = sqlite3_column_text(st_, i);
    return t ? reinterpret_cast<const char*>(t) : "";
  }

 private:
  sqlite3_stmt* st_ = nullptr;
};

std::string quoted(const std::string& name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  return q + "\"";
}

FieldDef fieldFor(const std::string& name, const std::string& declared) {
  const std::string t = toUpperAscii(declared);
  FieldDef f;
  f.name = name;
  if (t.find("INT") != std::string::npos) {
    f.type = FieldType::Long;
    f.dbfType = 'N';
    f.dbfLength = 11;
  } else if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos ||
             t.find("DOUB") != std::string::npos || t.find("NUM") != std::string::npos) {
    f.type = FieldType::Double;
    f.dbfType = 'N';
    f.dbfLength = 19;
    f.dbfDecimals = 9;
  } else {
    f.type = FieldType::Text;
    f.dbfType = 'C';
    f.dbfLength = 254;
  }
  f.size = f.dbfLength;
  return f;
}

}  // namespace

SqliteTables loadSqliteDatabase(const std::string& path) {
  if (!fileExists(path)) {
    throw StoreError(err::kArchivoNoEncontradoBD,
                     "No se encuentra el archivo de base de datos '" + path + "'.");
  }
  Db db(path);
  SqliteTables out;
  std::vector<std::string> names;
  {
    Stmt st(db.get(),
            "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%' "
            "ORDER BY name",
            path);
    while (st.step()) names.push_back(st.text(0));
  }
  for (const auto& name : names) {
    std::vector<FieldDef> fields;
    {
      Stmt st(db.get(), "PRAGMA table_info(" + quoted(name) + ")", path);
      while (st.step()) fields.push_back(fieldFor(st.text(1), st.text(2)));
    }
    auto rs = std::make_shared<ResultSet>(fields);
    {
      // Rows in insertion order, as the source table kept them.
      Stmt st(db.get(), "SELECT * FROM " + quoted(name) + " ORDER BY rowid", path);
      while (st.step()) {
        std::vector<Value> row;
        row.reserve(fields.size());
        for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
          switch (sqlite3_column_type(st.get(), i)) {
            case SQLITE_NULL:
              row.emplace_back();
              break;
            case SQLITE_INTEGER:
            case SQLITE_FLOAT:
              row.emplace_back(sqlite3_column_double(st.get(), i));
              break;
            default: {
              std::string t = st.text(i);
              // Text read as the dBASE tables read: trailing blanks dropped, blanks only = null.
              while (!t.empty() && t.back() == ' ') t.pop_back();
              row.push_back(t.empty() ? Value() : Value(std::move(t)));
            }
          }
        }
        rs->addRow(std::move(row));
      }
    }
    std::vector<IndexDef> indexes;
    {
      Stmt st(db.get(), "PRAGMA index_list(" + quoted(name) + ")", path);
      std::vector<std::pair<std::string, bool>> idxNames;
      while (st.step()) idxNames.emplace_back(st.text(1), sqlite3_column_int(st.get(), 2) != 0);
      for (const auto& [iname, unique] : idxNames) {
        if (iname.rfind("sqlite_autoindex", 0) == 0) continue;
        IndexDef idx;
        idx.name = iname;
        idx.unique = unique;
        Stmt cols(db.get(), "PRAGMA index_info(" + quoted(iname) + ")", path);
        std::vector<std::pair<int, std::string>> seq;
        while (cols.step()) seq.emplace_back(sqlite3_column_int(cols.get(), 0), cols.text(2));
        std::sort(seq.begin(), seq.end());
        for (const auto& [n, col] : seq) idx.fields.push_back(col);
        if (!idx.fields.empty()) indexes.push_back(std::move(idx));
      }
    }
    rs->setIndexes(std::move(indexes));
    out.tables.emplace(toLowerAscii(name), std::make_pair(name, rs));
  }
  return out;
}

}  // namespace arbelio::store
