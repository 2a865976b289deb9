// Cursor internals (shared by Cursor.cpp and Database.cpp).
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/Cursor.h"
#include "store/Query.h"
#include "store/Table.h"
#include "store/Text.h"

namespace arbelio::store {

class CursorImpl {
 public:
  enum class At { Row, Bof, Eof, Empty };
  enum class Mode { None, Edit, AddNew };

  // Rows: every row of src in table order when seq is null, else the rows of seq in order.
  CursorImpl(std::shared_ptr<RowSource> src, std::shared_ptr<Table> table,
             std::shared_ptr<std::vector<std::uint32_t>> seq, std::vector<int> proj,
             std::vector<FieldDef> fields, CursorKind kind, bool updatable);
  // Not copied: ultimoCriterio_ points into this cursor's own cache.
  CursorImpl(const CursorImpl&) = delete;
  CursorImpl& operator=(const CursorImpl&) = delete;

  std::unique_ptr<CursorImpl> cloneAt(std::shared_ptr<std::vector<std::uint32_t>> seq,
                                      CursorKind kind) const;

  std::int64_t len() const {
    if (active_) return static_cast<std::int64_t>(indexOrder_.size());
    if (seq_) return static_cast<std::int64_t>(seq_->size());
    return src_->rowCount();
  }
  std::uint32_t rowAt(std::int64_t p) const {
    if (active_) return indexOrder_[static_cast<std::size_t>(p)];
    if (seq_) return (*seq_)[static_cast<std::size_t>(p)];
    return static_cast<std::uint32_t>(p);
  }
  bool visible(std::int64_t p) const { return !src_->isDeleted(rowAt(p)); }

  std::int64_t nextVisible(std::int64_t from) const;  // len() when none
  std::int64_t prevVisible(std::int64_t from) const;  // -1 when none
  void place(std::int64_t p);                         // on a row, or Empty/Eof
  std::uint32_t currentRow() const;                   // throws without a current row
  int fieldIndexOrThrow(std::string_view name) const;

  // Finds.
  // A criteria text compiled once: its condition and, for an equality conjunction, the terms,
  // the signature of its in-memory index and the key the literals give.
  struct Criterio {
    query::CCond cond;
    bool igualdad = false;
    std::vector<query::EqTerm> terms;
    std::string firma;
    std::string clave;
  };
  const Criterio& criteria(std::string_view text);
  void find(std::string_view text, bool forward, std::int64_t start);

  // Active index.
  void refreshIndexOrder();

  // Random access: the positions of the visible rows in order, so the i-th visible row is found
  // at once. While every position is visible the map is the identity and holds nothing. It is
  // brought up to date on use: extended when rows were only added, rebuilt after a deletion
  // (through any cursor or handle of the table) or a new index order.
  void actualizarVisibles();
  std::int64_t cuentaVisibles();                        // visible rows
  std::int64_t posicionVisible(std::int64_t ordinal);   // position of a visible row (checked)
  std::int64_t visiblesAntesDe(std::int64_t posicion);  // visible rows before a position

  std::shared_ptr<RowSource> src_;
  std::shared_ptr<Table> table_;
  std::shared_ptr<std::vector<std::uint32_t>> seq_;
  std::vector<int> proj_;
  std::vector<FieldDef> fields_;
  std::unordered_map<std::string, int, HashNoCase, EqualNoCase> byName_;
  // Names are mostly string literals passed again and again: a few recent (pointer, size)
  // lookups are remembered to skip the hashing.
  struct NombreReciente {
    const char* datos = nullptr;
    std::size_t largo = 0;
    int indice = -1;
  };
  mutable std::array<NombreReciente, 8> recientes_{};
  mutable std::size_t siguienteReciente_ = 0;
  int buscarCampo(std::string_view name) const;
  CursorKind kind_;
  bool updatable_;

  At at_ = At::Empty;
  std::int64_t pos_ = -1;
  Mode mode_ = Mode::None;
  std::vector<Value> buf_;
  std::vector<char> changed_;
  std::vector<EncodedValue> enc_;  // changed memo values
  std::vector<char> registro_;     // changed fixed-length values in their on-disk form
  bool noMatch_ = false;

  std::optional<IndexDef> active_;
  std::vector<int> activeCols_;
  std::vector<std::uint32_t> indexOrder_;
  std::vector<Value> indexKeys_;  // indexOrder_.size() x activeCols_.size()
  std::uint64_t indexStamp_ = UINT64_MAX;
  std::uint64_t ordenGen_ = 0;  // bumped whenever indexOrder_ is rebuilt

  std::vector<std::uint32_t> visibles_;  // empty while identidad_
  bool identidad_ = true;
  std::int64_t visiblesLen_ = 0;  // len() the map covers
  std::uint64_t visiblesBorrados_ = UINT64_MAX;
  std::uint64_t visiblesOrden_ = UINT64_MAX;

  struct FindIndex {
    std::vector<int> cols;
    std::vector<bool> quoted;
    std::vector<bool> single;
    std::vector<std::uint64_t> colGens;
    std::int64_t builtLen = 0;
    std::unordered_map<std::string, std::vector<std::int64_t>> positions;
  };
  std::map<std::string, FindIndex> findIndexes_;
  std::unordered_map<std::string, Criterio> criteriaCache_;
  // The criteria asked last and its entry in criteriaCache_ (elements of an unordered_map keep
  // their place until erased; forgotten before the cache is cleared).
  std::string ultimoTexto_;
  const Criterio* ultimoCriterio_ = nullptr;

  // Takes the active index of `otro` (a cursor on the same rows) with its order, which is
  // built anew only if a change has made it stale.
  void tomarIndice(const CursorImpl& otro);

 private:
  std::uint64_t indexStampNow() const;
  FindIndex& findIndexFor(const Criterio& c);
};

}  // namespace arbelio::store
