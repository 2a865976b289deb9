// A folder of dBASE tables opened as one database.
//
// Tables are loaded into memory when first used and shared by every handle of this process
// on the same file, so two handles on one folder see each other's changes. Changes are written
// back (through a temporary file and a rename) by flush() and by close(); a failed write leaves
// the previous file in place and throws.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/Cursor.h"
#include "store/Schema.h"

namespace arbelio::store {

// The exclusive flag is recorded but not enforced between handles of this process, which share
// their tables (see above); read-only is enforced.
struct OpenOptions {
  bool exclusive = false;
  bool readOnly = false;
  std::string connect = "DBASE IV";  // "DBASE IV" or "DBASE III"
};

class DatabaseImpl;

// The fields of a table file, read from its header alone (no record is read).
TableDef readTableDef(const std::string& dbfPath);

class Database {
 public:
  // Opens a folder of dBASE tables (connect "DBASE IV" or "DBASE III"), or, with an empty
  // connect, a single-file SQLite database read-only (the installed auxiliary databases).
  // Throws error 3044 when the folder does not exist, 3024 when the file does not exist.
  static Database open(const std::string& folder, const OpenOptions& options = {});

  Database();
  Database(Database&&) noexcept;
  Database& operator=(Database&&) noexcept;
  ~Database();  // flushes and closes, swallowing errors: call close() to see them

  bool isOpen() const { return impl_ != nullptr; }
  const std::string& folder() const;
  bool readOnly() const;

  // DELETE * FROM t; INSERT INTO t SELECT ... FROM s.
  void execute(std::string_view sql);
  // Appends the visible rows of `source` (a cursor of any database, in its order) to a table of
  // this one, field by field by position: field i of the cursor into field i of the table, as
  // far as both have fields. Values are converted as INSERT ... SELECT converts them.
  void appendRows(std::string_view table, const Cursor& source);
  // A table name or a SELECT text. Default kind: Table for a name, Dynaset for SQL.
  Cursor openCursor(std::string_view source, CursorKind kind = CursorKind::Default);

  // Table definitions.
  std::vector<std::string> tableNames() const;
  bool hasTable(std::string_view name) const;
  TableDef tableDef(std::string_view name) const;
  // Creates the table file (name + ".dbf", plus ".dbt" when it has memo fields). Error 3010
  // when a table of that name exists.
  void appendTableDef(const TableDef& def);
  // Adds an index to a table and persists it in the table's sidecar. Error 3284 when an
  // index of that name exists.
  void appendIndex(std::string_view table, const IndexDef& index);

  // Writes every changed table of this handle to disk.
  void flush();
  // Writes a table if it changed and lets go of it: it leaves memory unless a cursor or another
  // handle still holds it, and its next use loads it again. Nothing happens to a table this
  // handle has not used.
  void release(std::string_view table);
  // release(), with the table written on another thread: the call returns at once, and the
  // table leaves memory once written (unless something else holds it). Its next use through
  // this handle, flush(), close() and the destructor wait for the write, and another handle's
  // open of it waits as well. A table whose write fails comes back to this handle, changed as
  // it was: flush() and close() write it again, and report a failure then. A cursor still open
  // on the table may read it meanwhile, but must not change it. The file starts going to the
  // disk once written, on that thread: a table a job has finished with is usually kept next
  // (copied or linked to the user's folder, where it is forced to disk).
  void releaseInBackground(std::string_view table);
  void close();
  // close(), for the end of a job: a table nothing else holds gives its rows' memory back to
  // the system a block at a time as they are written, so that the file's new pages take memory
  // the process had instead of memory the system must find (and, on a virtual machine, ask its
  // host for). Nothing of it is kept for later tables.
  void closeFreeingMemory();

  // Rows of a table that are not deleted: what a snapshot cursor over it counts. A table no
  // handle has loaded is counted from its file, without loading it.
  std::int64_t liveRowCount(std::string_view name) const;
  // Path of a table's file ("" when it does not exist), whatever its letter case.
  std::string tablePath(std::string_view name) const;

 private:
  explicit Database(std::unique_ptr<DatabaseImpl> impl);
  std::unique_ptr<DatabaseImpl> impl_;
};

// Date written into dBASE headers. Tests set a fixed date; the default is today.
struct DbfDate {
  int year = 0, month = 0, day = 0;
};
void setHeaderDateForTesting(const DbfDate* date);  // nullptr restores today
// Test seam: the next writes of table files fail after this many bytes (-1: never).
void failWritesAfterForTesting(long long bytes);

}  // namespace arbelio::store
