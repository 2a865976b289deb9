// Read-only databases in single-file SQLite form: the installed auxiliary databases (map sheet
// zones, inventory volume equations) that the program only reads. Every table is loaded into
// memory with its named indexes, so cursors, finds and seeks work on them as on dBASE tables.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "store/Table.h"

namespace arbelio::store {

struct SqliteTables {
  // By lower-case table name: the name as stored and its rows.
  std::map<std::string, std::pair<std::string, std::shared_ptr<ResultSet>>> tables;
};

// Throws StoreError when the file is missing or is not an SQLite database.
SqliteTables loadSqliteDatabase(const std::string& path);

}  // namespace arbelio::store
