// A cursor (recordset) over a table or a query result.
//
// Kinds, chosen when opened:
//  - Table: the whole table in table order (or in the order of the active index); updatable;
//    supports setIndex + seek.
//  - Dynaset: a query result; updatable when it selects plain columns of one table (no DISTINCT,
//    GROUP BY or aggregates). It sees later changes made to the rows it holds.
//  - Snapshot / ForwardOnly: read-only.
// Deleted rows are invisible. Rows added through a cursor appear at the end of that cursor.
// The record count is always exact.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Schema.h"
#include "store/Value.h"

namespace arbelio::store {

enum class CursorKind { Default, Table, Dynaset, Snapshot, ForwardOnly };

class CursorImpl;

class Cursor {
 public:
  Cursor();
  explicit Cursor(std::unique_ptr<CursorImpl> impl);
  Cursor(Cursor&&) noexcept;
  Cursor& operator=(Cursor&&) noexcept;
  ~Cursor();

  bool isOpen() const { return impl_ != nullptr; }
  CursorKind kind() const;
  bool updatable() const;

  // Position.
  bool eof() const;
  bool bof() const;
  void moveFirst();
  void moveLast();
  void moveNext();
  void movePrevious();
  std::int64_t recordCount() const;
  // 0-based position of the current row among the visible rows, -1 at BOF/EOF; setting it moves
  // there (error 3001 past the last row).
  std::int64_t absolutePosition() const;
  void setAbsolutePosition(std::int64_t pos);

  // Random access to the visible rows by ordinal i (0 <= i < recordCount(), in cursor order),
  // for grids over large tables. Each access costs O(1): the cursor keeps a map of its visible
  // rows, which is empty while no row of the table is deleted and is rebuilt once, in O(rows),
  // on the first access after a deletion through any cursor or handle of the table. Rows added
  // through this cursor (or, for a table cursor, through any) are taken in incrementally.
  // Values are the stored ones (an edit in progress is not seen). Error 3001 out of range.
  // A row id names a row of the cursor's source (its record number in a table) for as long as
  // the table stays loaded; rows of the same table keep their ids in every cursor over it.
  std::uint32_t rowIdAt(std::int64_t i) const;
  Value valueAt(std::int64_t i, int f) const;
  // Field f of this cursor read from a row by id (error 3167 for a deleted row). `readOnce`: the
  // caller reads each row once (a pass copying the table elsewhere): the field's column is not
  // decoded for it.
  Value valueOfRow(std::uint32_t rowId, int f, bool readOnce = false) const;
  // The same read for a field whose value is always a number or null (a numeric field of a
  // table): true, with `out` the number or a NaN for null, and no Value made. False for other
  // fields: read them with valueOfRow. `readOnce`: the caller reads each row once (a copy into
  // memory of its own): the field's column is not decoded for it.
  bool numberOfRow(std::uint32_t rowId, int f, double& out, bool readOnce = false) const;
  // numberOfRow(rowId, fields[j], out[j], true) for n fields of a row at once: true when every
  // one is a numeric field (out then holds their numbers, NaN for null), false when one is not.
  bool numbersOfRow(std::uint32_t rowId, const int* fields, std::size_t n, double* out) const;
  bool rowDeleted(std::uint32_t rowId) const;

  // Fields. Names are case-insensitive. An unknown name throws error 3265.
  int fieldCount() const;
  const FieldDef& field(int i) const;
  const std::string& fieldName(int i) const { return field(i).name; }
  int fieldIndex(std::string_view name) const;  // -1 when absent
  // `readOnce`: the caller reads each row once (a walk checking a table): the field's column is
  // not decoded for it.
  Value value(int i, bool readOnce = false) const;
  Value value(std::string_view name) const;
  Value operator[](std::string_view name) const { return value(name); }
  // A field whose stored text its type cannot read (a damaged number): value() is null.
  bool isDamaged(int i) const;
  // The field's text as stored, blanks trimmed (to quote a damaged value in a message).
  std::string rawText(int i) const;

  // Editing: edit() or addNew(), then setValue()/appendChunk(), then update(). While editing,
  // value() returns the edited values. After addNew + update the cursor stays where it was.
  // setValue() refuses a value that does not fit its field (overflow, text too long, not a
  // number) at once, leaving the other values of the row as they were.
  void edit();
  void addNew();
  void setValue(int i, const Value& v);
  void setValue(std::string_view name, const Value& v);
  // Appends a piece of text to a memo field of the row being edited.
  void appendChunk(std::string_view name, std::string_view piece);
  void update();
  void cancelUpdate();
  bool editing() const;
  // New rows built apart from an edit and appended together: what addNew, setValue and update
  // do for each row, for a table without memo fields. construir(k, record) fills row k of n
  // (its record starts blank), on two threads at once, with encodeField, which writes a value
  // as setValue converts it and refuses it the same way (leaving the field blank); building
  // reads only the table's layout. The rows come in k order; when construir fails none is added
  // and the failure of the lowest k is rethrown.
  void encodeField(int i, const Value& v, char* record) const;
  std::size_t recordLength() const;
  // What field i reads when its bytes in `record` are the ones encodeField wrote there.
  Value decodeField(int i, const char* record) const;
  // Where field i's bytes lie in a record.
  std::size_t fieldOffset(int i) const;
  // For a numeric field, the number its bytes in `record` hold as the table reads it (a NaN for
  // an empty field), to hand to writeEncoded.
  double numberOfField(int i, const char* record) const;
  // encodeField of a number into a numeric field, giving numberOfField of the bytes it wrote
  // (most often without reading them).
  double encodeNumberField(int i, double v, char* record) const;
  // Writes field i of an existing row with its bytes as encodeField put them in a record (the
  // field's width of them, from fieldOffset): what edit, setValue and update write, without
  // converting the value again. `numero`, for a numeric field, is numberOfField of those bytes.
  void writeEncoded(std::uint32_t rowId, int i, const char* bytes,
                    std::optional<double> numero = std::nullopt);
  // A writeEncoded call's arguments.
  struct EncodedWrite {
    std::uint32_t rowId;
    int field;
    const char* bytes;
    std::optional<double> numero;
  };
  // writeEncoded for each write of each list, the lists on two threads at once, each list in
  // its order. No field of a row may be written by two lists. On a failure (a deleted row) the
  // writes of the lists up to it may have been made, and the failure is rethrown.
  void writeEncodedLists(const std::vector<std::vector<EncodedWrite>>& listas);
  void appendRows(std::size_t n, const std::function<void(std::size_t, char*)>& construir);
  // appendRows of records already built apart, in pieces: the first `filas` records of each
  // piece's `registros` (recordLength() bytes each, as encodeField left them), piece after piece.
  struct PiezaRegistros {
    const char* registros;
    std::size_t filas;
  };
  void appendRecords(std::initializer_list<PiezaRegistros> piezas);
  // Deletes the current row. The cursor stays on it (reading it fails) until it moves.
  void remove();

  // Finds with a criteria text in the WHERE syntax ("PROVINCIA=47 AND ESTADILLO=12").
  // Equality criteria are answered by an in-memory index built on first use.
  void findFirst(std::string_view criteria);
  void findNext(std::string_view criteria);
  void findPrevious(std::string_view criteria);
  void findLast(std::string_view criteria);
  bool noMatch() const;

  // Table cursors: active index by name (persisted index of the table) and seek "=" on its
  // leading key fields. The cursor then walks in index order.
  void setIndex(std::string_view indexName);
  void seek(std::string_view op, const std::vector<Value>& keys);

  // A new cursor with the same rows ordered by "col [DESC], col ..." (stable).
  Cursor sorted(std::string_view orderBy) const;
  // A new cursor over the given rows of this cursor's source (ids as rowIdAt gives them), in the
  // given order, with this cursor's fields; rows among them deleted now or later stay
  // invisible. Updatable as sorted() is. Error 3001 for an id past the table's rows.
  Cursor withRows(std::vector<std::uint32_t> rowIds) const;
  // A second independent cursor over the same rows, positioned on the first row.
  Cursor clone() const;
  void close();

 private:
  friend class Database;  // appendRows reads the rows behind a cursor
  CursorImpl& impl() const;
  std::unique_ptr<CursorImpl> impl_;
};

// A row being built for appendRows: setValue writes into its record as the cursor's own
// setValue converts and refuses values.
class RegistroNuevo {
 public:
  RegistroNuevo(const Cursor& tabla, char* registro) : tabla_(tabla), registro_(registro) {}
  void setValue(int i, const Value& v) const { tabla_.encodeField(i, v, registro_); }
  // What field i reads as it now stands in the record.
  Value value(int i) const { return tabla_.decodeField(i, registro_); }

 private:
  const Cursor& tabla_;
  char* registro_;
};

}  // namespace arbelio::store
