// In-memory tables behind cursors (internal to the store).
//
// RowSource is what a cursor walks: rows identified by a 32-bit id in table order, each of which
// may be deleted. Table is a dBASE table held as its raw fixed-length records (values are
// decoded on read and encoded on write, so what a cursor reads is exactly what the file will
// hold); ResultSet holds the rows of a grouped or DISTINCT query.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/Database.h"
#include "store/Memoria.h"
#include "store/Schema.h"
#include "store/Text.h"
#include "store/Value.h"

namespace arbelio::store {

class RowSource {
 public:
  virtual ~RowSource() = default;
  const std::vector<FieldDef>& columns() const { return columns_; }
  // Index of a column by case-insensitive name, -1 when absent.
  int columnIndex(std::string_view name) const;
  virtual std::uint32_t rowCount() const = 0;
  virtual bool isDeleted(std::uint32_t row) const = 0;
  virtual Value get(std::uint32_t row, int col) const = 0;
  // get() for a caller that reads each row of the column once (a pass copying it elsewhere): no
  // column is decoded for it (one already decoded is still used).
  virtual Value getOnce(std::uint32_t row, int col) const { return get(row, col); }
  // True when the field holds text that its type cannot read (a numeric field with stars, an
  // exponent, a comma...): get() hands such a value out as null.
  virtual bool isDamaged(std::uint32_t /*row*/, int /*col*/) const { return false; }
  // The field's text as stored (blanks trimmed, in UTF-8), to quote a damaged value.
  virtual std::string rawText(std::uint32_t row, int col) const { return get(row, col).toString(); }
  virtual std::int64_t liveCount() const = 0;
  // For a field whose get() is always a number or null (a numeric field of a table): true, with
  // `out` the number get() gives, or a NaN where it gives null. False for other fields.
  // `readOnce`: the caller reads each row of the column once (a copy into memory of its own), so
  // no column is decoded for it (one already decoded is still used).
  virtual bool numberAt(std::uint32_t /*row*/, int /*col*/, double& /*out*/,
                        bool /*readOnce*/ = false) const {
    return false;
  }
  // numberAt(row, cols[j], out[j], true) for each of n columns of one row at once: true when
  // every one is a numeric field (out then holds their numbers), false otherwise.
  virtual bool numbersAt(std::uint32_t row, const int* cols, std::size_t n, double* out) const {
    for (std::size_t j = 0; j < n; ++j) {
      if (!numberAt(row, cols[j], out[j], true)) return false;
    }
    return true;
  }
  virtual bool writable() const { return false; }
  // Change counters: structure (rows added or deleted), deletions alone and per-column values.
  // Cursors use them to keep their in-memory indexes and their maps of visible rows current.
  std::uint64_t structureGeneration() const { return structGen_; }
  std::uint64_t deletionGeneration() const { return deleteGen_; }
  std::uint64_t columnGeneration(int col) const { return colGen_[static_cast<std::size_t>(col)]; }
  // Named indexes of the rows (persisted ones for a table).
  const std::vector<IndexDef>& indexes() const { return indexes_; }

 protected:
  void setColumns(std::vector<FieldDef> cols);
  std::vector<FieldDef> columns_;
  std::unordered_map<std::string, int, HashNoCase, EqualNoCase> byName_;
  std::uint64_t structGen_ = 0;
  std::uint64_t deleteGen_ = 0;
  std::vector<std::uint64_t> colGen_;
  std::vector<IndexDef> indexes_;
};

class ResultSet : public RowSource {
 public:
  explicit ResultSet(std::vector<FieldDef> cols) { setColumns(std::move(cols)); }
  void addRow(std::vector<Value> row) { rows_.push_back(std::move(row)); }
  void setIndexes(std::vector<IndexDef> idx) { indexes_ = std::move(idx); }
  std::vector<std::vector<Value>>& rows() { return rows_; }
  std::uint32_t rowCount() const override { return static_cast<std::uint32_t>(rows_.size()); }
  bool isDeleted(std::uint32_t) const override { return false; }
  Value get(std::uint32_t row, int col) const override { return rows_[row][col]; }
  std::int64_t liveCount() const override { return static_cast<std::int64_t>(rows_.size()); }

 private:
  std::vector<std::vector<Value>> rows_;
};

// A value already converted to a field's on-disk form, so a row update can check every value
// before it changes anything.
struct EncodedValue {
  int col = 0;
  std::string bytes;                // fixed-length field bytes (not for memo fields)
  std::optional<std::string> memo;  // memo text (UTF-8), nullopt = null
};

class Table : public RowSource {
 public:
  // Reads a dBASE file. Throws StoreError for files that are not dBASE III/IV tables, damaged
  // headers and truncated record areas.
  // headerOnly: the fields, the code page and the indexes only, no record read (an empty
  // table).
  static std::shared_ptr<Table> load(const std::string& path, bool headerOnly = false);
  // The rows of a dBASE file that are not deleted (a loaded table's liveCount()), read through
  // a small buffer without loading the table. Throws as load() does for a damaged file.
  static std::int64_t liveRowsOfFile(const std::string& path);
  // A new empty table written to path (and its memo and index sidecar files).
  static std::shared_ptr<Table> create(const std::string& path, const TableDef& def);

  const std::string& path() const { return path_; }
  int codePage() const { return codePage_; }
  unsigned char version() const { return version_; }

  std::uint32_t rowCount() const override { return nrows_; }
  bool isDeleted(std::uint32_t row) const override {
    return row >= nrows_ || ((borradas_[row / 64] >> (row % 64)) & 1U) != 0;
  }
  Value get(std::uint32_t row, int col) const override;
  Value getOnce(std::uint32_t row, int col) const override;
  // What get() reads from a field holding `raw` (its dbfLength bytes), for a field that is not
  // a memo; and for a numeric field the number that number() gives for such bytes.
  Value valueOfBytes(int col, std::string_view raw) const;
  double numberOfBytes(int col, std::string_view raw) const;
  bool isDamaged(std::uint32_t row, int col) const override;
  std::string rawText(std::uint32_t row, int col) const override;
  std::int64_t liveCount() const override { return live_; }
  bool numberAt(std::uint32_t row, int col, double& out, bool readOnce = false) const override {
    if (!isNumericField(col)) return false;
    if (!readOnce) {
      out = number(row, col);
    } else if (const auto* v = decoded(col)) {
      out = (*v)[row];
    } else {
      out = decodeNumber(row, col);
    }
    return true;
  }
  bool numbersAt(std::uint32_t row, const int* cols, std::size_t n, double* out) const override;
  bool writable() const override { return true; }

  // Converts a value to the field's on-disk form. Throws when it does not fit, except that with
  // truncateText a text longer than its field is cut to the field (as an INSERT ... SELECT does).
  EncodedValue encode(int col, const Value& v, bool truncateText = false) const;
  // The same conversion for a fixed-length field, written straight into `dest` (dbfLength bytes).
  void encodeInto(int col, const Value& v, char* dest, bool truncateText = false) const;
  // encodeInto of a number into a numeric field, giving the number the field then reads as
  // (numberOfBytes of the bytes written), most often without reading them.
  double encodeNumberInto(int col, double v, char* dest) const;
  // Writes a field's on-disk bytes (dbfLength of them) into a row.
  // `numero`, for a numeric field, is what the bytes hold (as numberOfBytes reads them): the
  // decoded column takes it without reading the bytes again.
  void applyBytes(std::uint32_t row, int col, const char* bytes, bool newRow = false,
                  std::optional<double> numero = std::nullopt);
  // applyBytes for writers on several threads at once, each of other rows or other fields: the
  // row's bytes and the decoded entry only. columnsWritten then counts the change of each column
  // written, once they are all done.
  void applyBytesInPlace(std::uint32_t row, int col, const char* bytes,
                         std::optional<double> numero) {
    std::memcpy(registro(row) + offsets_[static_cast<std::size_t>(col)], bytes,
                static_cast<std::size_t>(columns_[col].dbfLength));
    if (!numero) {
      refreshDecoded(row, col);
    } else if (auto* v = decodedForChange(col)) {
      (*v)[row] = *numero;
    }
  }
  void columnsWritten(const std::vector<int>& cols);
  int offset(int col) const { return offsets_[static_cast<std::size_t>(col)]; }
  int recordLength() const { return recLen_; }
  // Writes an encoded value. newRow: the row was just appended, so cursors' indexes need no
  // rebuild for it (they pick up new rows incrementally).
  void apply(std::uint32_t row, const EncodedValue& ev, bool newRow = false);
  std::uint32_t appendBlank();
  // Appends a row whose record bytes (recordLength(), the deletion flag first) are given whole:
  // what appendBlank and a write of each field would leave, in one copy. Memo fields stay empty.
  std::uint32_t appendRecord(const char* registro);
  // Appends n rows whose records construir(k, record) fills (record k of n, blank before it is
  // called), two halves of them at once, straight in the table's memory; the first new row's
  // id. When construir fails no row is added, and the failure of the lowest k is rethrown.
  std::uint32_t appendRows(std::size_t n, const std::function<void(std::size_t, char*)>& construir);
  // The on-disk bytes of a field, and writing such bytes into a row just appended (for copies
  // between fields of the same format).
  std::string_view rawField(std::uint32_t row, int col) const { return fieldBytes(row, col); }
  void applyRaw(std::uint32_t row, int col, std::string_view bytes);
  void deleteRow(std::uint32_t row);
  void deleteAll();
  // Appends the live records of the dBASE file at `path` as they are stored, read straight into
  // this table's blocks without loading the file as a table: what appending every row of the
  // loaded file field by field gives when the file's fields are this table's first fields, of the
  // same names, formats and places (this table's other fields stay blank). False, with nothing
  // changed, when the file is not such a table (or is damaged, or has memo fields): load it then.
  bool appendFileRecords(const std::string& path);

  void addIndex(const IndexDef& idx);  // persists the sidecar at once

  bool dirty() const { return dirty_; }
  // Writes the table (live rows only) and its memo file through temporary files put in place
  // whole (AtomicWriter); `alDisco` as for AtomicWriter.
  void save(bool alDisco = false);
  // Writes the table as save() does, giving the memory of its rows back to the system a block
  // at a time as they are written (the file's new pages then take that memory). The table is
  // left clean and without its rows, written or not: only its last holder, which drops it
  // next, may call this.
  void saveAndFree();
  // A table being written on another thread after its handle let it go is marked busy until
  // the write ends: an open of its file by another handle (TableRegistry::open) waits for it.
  void markBusy();
  void markIdle();
  void waitWhileBusy();

  // Sidecar file that keeps the indexes of a table file.
  static std::string sidecarPath(const std::string& dbfPath);
  static std::string memoPath(const std::string& dbfPath, unsigned char version);

 private:
  Table() = default;
  void loadMemo(const std::vector<int>& memoCols);
  void loadSidecar();
  void saveSidecar() const;
  void escribir(bool liberar, bool alDisco);
  // Records live in blocks of kFilasPorBloque, so a growing table never moves its rows. The
  // blocks of a loaded table are slices of one area (or of the mapped file, below); rows added
  // later get blocks of their own.
  static constexpr std::uint32_t kFilasPorBloque = 4096;
  std::size_t bytesPorBloque() const {
    return static_cast<std::size_t>(kFilasPorBloque) * static_cast<std::size_t>(recLen_);
  }
  const char* registro(std::uint32_t row) const {
    return bloques_[row / kFilasPorBloque] +
           static_cast<std::size_t>(row % kFilasPorBloque) * static_cast<std::size_t>(recLen_);
  }
  char* registro(std::uint32_t row) {
    return bloques_[row / kFilasPorBloque] +
           static_cast<std::size_t>(row % kFilasPorBloque) * static_cast<std::size_t>(recLen_);
  }
  void nuevoBloque();
  // A new row holding `bytes` (a whole record), or blank when null.
  std::uint32_t anadirFila(const char* bytes);
  // Makes rows nrows_ .. filas - 1, whose records are already in place, part of the table.
  void filasAnadidas(std::uint32_t filas);
  void prepararDecodificadas();
  // Blocks for `filas` rows, in one area or in pieces of areas freed earlier.
  void reservarBloques(std::uint32_t filas);
  // Adds to memoria_ an area for at least `minimo` and at most `bloques` blocks; how many it
  // holds.
  std::size_t areaDeBloques(std::size_t minimo, std::size_t bloques);
  struct LiberaMemoria {
    std::size_t bytes = 0;  // as given to ReservaArea
    void operator()(char* p) const { LiberaArea(p, bytes); }
  };
  static std::unique_ptr<char[], LiberaMemoria> Area(std::size_t bytes) {
    return std::unique_ptr<char[], LiberaMemoria>(static_cast<char*>(ReservaArea(bytes)),
                                                  LiberaMemoria{bytes});
  }
  std::string_view fieldBytes(std::uint32_t row, int col) const {
    return std::string_view(registro(row) + offsets_[static_cast<std::size_t>(col)],
                            static_cast<std::size_t>(columns_[col].dbfLength));
  }
  // A numeric (N or F) field read as a number: the stored value (single precision for a Single
  // field), or a NaN marking a blank or a damaged (isDamagedNumber) field. A column read row
  // after row is decoded once into an array (decodeColumn), kept in step with every change of
  // the table; single reads (a grid's screen) are not.
  double number(std::uint32_t row, int col) const;
  // The decoded array of a column, decoding it now; null when the process's budget for decoded
  // columns is spent.
  const ColumnaDecodificada* decodeColumn(int col) const;
  static bool isDamagedNumber(double v);
  bool isNumericField(int col) const {
    const char t = columns_[static_cast<std::size_t>(col)].dbfType;
    return t == 'N' || t == 'F';
  }
  // The number a field's bytes hold, as number() gives it.
  double decodeNumber(std::uint32_t row, int col) const {
    return numberOfBytes(col, fieldBytes(row, col));
  }
  // Decoded numeric columns: null until a column is read often enough (then decoded whole), one
  // entry per record. Created with the columns.
  struct Decodificadas {
    explicit Decodificadas(std::size_t columnas) : listas(columnas), lecturas(columnas) {}
    ~Decodificadas();
    Decodificadas(const Decodificadas&) = delete;
    Decodificadas& operator=(const Decodificadas&) = delete;
    std::mutex mutex;
    std::int64_t bytes = 0;  // counted against the process's budget
    std::vector<std::unique_ptr<ColumnaDecodificada>> propias;
    std::vector<std::atomic<ColumnaDecodificada*>> listas;
    std::vector<std::atomic<std::uint32_t>> lecturas;  // single reads before decoding
  };
  std::unique_ptr<Decodificadas> decodificadas_;
  const ColumnaDecodificada* decoded(int col) const {
    return decodificadas_->listas[static_cast<std::size_t>(col)].load(std::memory_order_acquire);
  }
  ColumnaDecodificada* decodedForChange(int col) {
    return decodificadas_->listas[static_cast<std::size_t>(col)].load(std::memory_order_relaxed);
  }
  // The decoded entry of a field whose bytes just changed.
  void refreshDecoded(std::uint32_t row, int col) {
    if (auto* v = decodedForChange(col)) (*v)[row] = decodeNumber(row, col);
  }

  std::string path_;
  unsigned char version_ = 0x03;
  int codePage_ = 1252;
  std::uint32_t nrows_ = 0;
  std::int64_t live_ = 0;
  int recLen_ = 1;
  std::vector<int> offsets_;
  // The deletion flags of the records again, one bit per row: cursors test them for every row
  // they skip or map, and a bitmap stays in the cache where the records do not.
  std::vector<std::uint64_t> borradas_;
  void marcarBorrada(std::uint32_t row) { borradas_[row / 64] |= std::uint64_t{1} << (row % 64); }
  std::vector<char*> bloques_;
  std::vector<std::unique_ptr<char[], LiberaMemoria>> memoria_;  // the areas the blocks live in
  // A loaded workspace file's records read in place: the whole blocks of its records are slices
  // of a private mapping of the file (pages shared with the system's cache of the file until a
  // row is written, which copies that page for this table alone); the partial last block is
  // copied into memory of its own, where appended rows follow it.
  struct Desmapea {
    std::size_t bytes;  // no initializer: default-constructible inside the incomplete class
    void operator()(char* p) const;
  };
  std::unique_ptr<char, Desmapea> mapa_;
  // Maps the records of the file `path`, open as `fd` with the status `st`, when it qualifies: a
  // file of a scratch folder with no second name (nothing but this store writes it, and the
  // store only ever replaces a file by putting a new one in its place, so the mapped bytes never
  // change under the table), holding at least 2 MB of whole blocks. False, with nothing changed,
  // otherwise.
  bool mapearRegistros(const std::string& path, int fd, const struct ::stat& st, int headerLen);
  char* siguienteLibre_ = nullptr;  // the next unused block of the last area
  std::size_t bloquesLibres_ = 0;   // unused blocks left there
  // Memo texts by column then row; only memo columns have entries.
  std::unordered_map<int, std::vector<std::optional<std::string>>> memo_;
  bool dirty_ = false;
  std::mutex ocupadaMutex_;
  std::condition_variable ocupadaCambia_;
  bool ocupada_ = false;
};

// Tables loaded in this process, shared by every database handle on the same file.
class TableRegistry {
 public:
  static std::shared_ptr<Table> open(const std::string& path);
  static void add(const std::shared_ptr<Table>& table);
  static std::shared_ptr<Table> find(const std::string& path);
  static bool isOpen(const std::string& path) { return find(path) != nullptr; }
  static std::string key(const std::string& path);
  // Takes `table` off the list (a table giving its rows back): a later open loads its file.
  static void forget(const Table* table);
};

// A system error number (errno) as a Spanish phrase ("no queda espacio en el disco").
std::string systemErrorText(int code);

// Current header date (test seam in Database.h).
DbfDate currentHeaderDate();

// Writes a file through a temporary file in the same folder, which then takes the target's
// name (by exchanging names with an earlier file, which is then removed, or by a rename); the
// temporary is forced to disk first unless the target is in a scratch folder (FileOps.h).
// Honours the write-failure test seam.
class AtomicWriter {
 public:
  // `alDisco`: a scratch file likely to be kept later (copied or linked to a folder of the
  // user's, where it is forced to disk) starts going to the disk when it is finished.
  explicit AtomicWriter(std::string target, bool alDisco = false);
  ~AtomicWriter();
  AtomicWriter(const AtomicWriter&) = delete;
  AtomicWriter& operator=(const AtomicWriter&) = delete;
  void write(const char* p, std::size_t n);
  void write(std::string_view s) { write(s.data(), s.size()); }
  // Appends what is left of an open file: the system moves the bytes (a shared copy of the
  // blocks where the file system makes one, else an in-kernel copy; plain reads and writes when
  // neither works or the write-failure seam is set).
  void copyFrom(int fd, const std::string& sourcePath);
  // Makes the (still empty) temporary file a second name of `sourcePath`, when the file system
  // allows it and the write-failure seam is not set; false, with nothing changed, otherwise.
  // Nothing may be written after it.
  bool linkFrom(const std::string& sourcePath);
  // Finishes the temporary file (forced to disk unless it is a scratch file) without putting it
  // in place; commit() then only renames. Several files can so be made whole before any of them
  // replaces what was there.
  void prepare();
  void commit();

  // The temporary name a write of `target` goes through, unique in this process.
  static std::string temporaryPathFor(const std::string& target);
  // Removes temporaries of `target` left beside it by writes of processes that no longer run
  // (killed before they could clean up); commit() calls it once the target is in place.
  static void removeOrphanedTemporaries(const std::string& target);
  // What could not be saved, where, and why (systemError: an errno value).
  [[noreturn]] static void throwSaveError(const std::string& target, int number, int systemError);

 private:
  // Removes the temporary file and throws.
  [[noreturn]] void fail(int number, int systemError);
  std::string target_, temp_;
  std::FILE* f_ = nullptr;
  bool committed_ = false;
  bool linked_ = false;  // the temporary is a second name of a source file
  bool alDisco_ = false;
};

// True while the write-failure test seam is set: copies then go through write().
bool writeFailureSeamSet();

}  // namespace arbelio::store
