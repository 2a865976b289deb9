#include "store/Cursor.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

#include "store/CursorImpl.h"
#include "store/Paralelo.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::store {

namespace {
[[noreturn]] void noCurrentRecord() {
  throw StoreError(err::kSinRegistroActual, "No hay registro activo.");
}
[[noreturn]] void notUpdatable() {
  throw StoreError(err::kSoloLectura,
                   "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// CursorImpl

CursorImpl::CursorImpl(std::shared_ptr<RowSource> src, std::shared_ptr<Table> table,
                       std::shared_ptr<std::vector<std::uint32_t>> seq, std::vector<int> proj,
                       std::vector<FieldDef> fields, CursorKind kind, bool updatable)
    : src_(std::move(src)),
      table_(std::move(table)),
      seq_(std::move(seq)),
      proj_(std::move(proj)),
      fields_(std::move(fields)),
      kind_(kind),
      updatable_(updatable && table_ != nullptr) {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    byName_.emplace(fields_[i].name, static_cast<int>(i));
  }
  place(nextVisible(0));
}

std::unique_ptr<CursorImpl> CursorImpl::cloneAt(std::shared_ptr<std::vector<std::uint32_t>> seq,
                                                CursorKind kind) const {
  return std::make_unique<CursorImpl>(src_, table_, std::move(seq), proj_, fields_, kind,
                                      updatable_);
}

std::int64_t CursorImpl::nextVisible(std::int64_t from) const {
  const std::int64_t n = len();
  for (std::int64_t p = std::max<std::int64_t>(from, 0); p < n; ++p) {
    if (visible(p)) return p;
  }
  return n;
}

std::int64_t CursorImpl::prevVisible(std::int64_t from) const {
  for (std::int64_t p = std::min(from, len() - 1); p >= 0; --p) {
    if (visible(p)) return p;
  }
  return -1;
}

void CursorImpl::place(std::int64_t p) {
  mode_ = Mode::None;
  if (p >= 0 && p < len()) {
    at_ = At::Row;
    pos_ = p;
    return;
  }
  // Nothing there: empty when the cursor has no visible row at all.
  const bool empty = nextVisible(0) >= len();
  at_ = empty ? At::Empty : (p < 0 ? At::Bof : At::Eof);
  pos_ = p < 0 ? -1 : len();
}

std::uint32_t CursorImpl::currentRow() const {
  if (at_ != At::Row) noCurrentRecord();
  const std::uint32_t row = rowAt(pos_);
  if (src_->isDeleted(row)) {
    throw StoreError(err::kRegistroEliminado, "El registro se ha eliminado.");
  }
  return row;
}

int CursorImpl::buscarCampo(std::string_view name) const {
  // The pointer only narrows the search: the name itself is compared too, since a temporary
  // string may reuse the address of an earlier one.
  for (const auto& r : recientes_) {
    if (r.datos == name.data() && r.largo == name.size() &&
        equalsNoCase(fields_[static_cast<std::size_t>(r.indice)].name, name)) {
      return r.indice;
    }
  }
  auto it = byName_.find(trimView(name));
  if (it == byName_.end()) return -1;
  recientes_[siguienteReciente_++ % recientes_.size()] = {name.data(), name.size(), it->second};
  return it->second;
}

int CursorImpl::fieldIndexOrThrow(std::string_view name) const {
  const int indice = buscarCampo(name);
  if (indice < 0) {
    throw StoreError(err::kElementoNoEncontrado,
                     "No se encontró el campo '" + std::string(name) + "' en esta colección.");
  }
  return indice;
}

const CursorImpl::Criterio& CursorImpl::criteria(std::string_view text) {
  // A find loop repeats its criteria on every step: the last one is answered without hashing.
  if (ultimoCriterio_ != nullptr && text == ultimoTexto_) return *ultimoCriterio_;
  const std::string key(text);
  auto it = criteriaCache_.find(key);
  if (it != criteriaCache_.end()) {
    ultimoTexto_ = key;
    ultimoCriterio_ = &it->second;
    return it->second;
  }
  if (criteriaCache_.size() > 256) {
    ultimoCriterio_ = nullptr;
    criteriaCache_.clear();
  }
  Criterio c;
  c.cond = query::compileCondition(sql::parseCriteria(text), fields_, proj_);
  c.igualdad = query::equalityTerms(c.cond, c.terms);
  if (c.igualdad) {
    for (const auto& t : c.terms) {
      c.firma += std::to_string(t.col) + (t.quoted ? (t.single ? "s," : "t,") : "n,");
      query::eqLiteralKeyPart(c.clave, t.literal, t.quoted);
    }
  }
  const Criterio& nuevo = criteriaCache_.emplace(key, std::move(c)).first->second;
  ultimoTexto_ = key;
  ultimoCriterio_ = &nuevo;
  return nuevo;
}

CursorImpl::FindIndex& CursorImpl::findIndexFor(const Criterio& c) {
  FindIndex& fi = findIndexes_[c.firma];
  bool stale = fi.cols.empty();
  for (std::size_t i = 0; !stale && i < fi.cols.size(); ++i) {
    stale = fi.colGens[i] != src_->columnGeneration(fi.cols[i]);
  }
  if (stale) {
    fi.cols.clear();
    fi.quoted.clear();
    fi.single.clear();
    fi.colGens.clear();
    for (const auto& t : c.terms) {
      fi.cols.push_back(t.col);
      fi.quoted.push_back(t.quoted);
      fi.single.push_back(t.single);
      fi.colGens.push_back(src_->columnGeneration(t.col));
    }
    fi.positions.clear();
    fi.builtLen = 0;
  }
  const std::int64_t n = len();
  std::string key;
  for (std::int64_t p = fi.builtLen; p < n; ++p) {
    const std::uint32_t row = rowAt(p);
    if (src_->isDeleted(row)) continue;
    key.clear();
    bool ok = true;
    for (std::size_t i = 0; ok && i < fi.cols.size(); ++i) {
      ok = query::eqKeyPart(key, src_->get(row, fi.cols[i]), fi.quoted[i], fi.single[i]);
    }
    if (ok) fi.positions[key].push_back(p);
  }
  fi.builtLen = n;
  return fi;
}

void CursorImpl::find(std::string_view text, bool forward, std::int64_t start) {
  if (mode_ != Mode::None) mode_ = Mode::None;
  if (active_) refreshIndexOrder();
  const Criterio& criterio = criteria(text);
  const query::CCond& cond = criterio.cond;
  const std::int64_t n = len();
  std::int64_t found = -1;
  if (criterio.igualdad) {
    FindIndex& fi = findIndexFor(criterio);
    auto it = fi.positions.find(criterio.clave);
    if (it != fi.positions.end()) {
      const auto& list = it->second;
      if (forward) {
        for (auto p = std::lower_bound(list.begin(), list.end(), start); p != list.end(); ++p) {
          if (*p < n && visible(*p)) {
            found = *p;
            break;
          }
        }
      } else {
        auto p = std::upper_bound(list.begin(), list.end(), start);
        while (p != list.begin()) {
          --p;
          if (*p < n && visible(*p)) {
            found = *p;
            break;
          }
        }
      }
    }
  } else if (forward) {
    for (std::int64_t p = std::max<std::int64_t>(start, 0); p < n; ++p) {
      if (visible(p) && query::evalRow(cond, *src_, rowAt(p))) {
        found = p;
        break;
      }
    }
  } else {
    for (std::int64_t p = std::min(start, n - 1); p >= 0; --p) {
      if (visible(p) && query::evalRow(cond, *src_, rowAt(p))) {
        found = p;
        break;
      }
    }
  }
  noMatch_ = found < 0;
  if (found >= 0) {
    at_ = At::Row;
    pos_ = found;
  }
}

std::uint64_t CursorImpl::indexStampNow() const {
  std::uint64_t s = src_->structureGeneration() * 1000003ULL;
  for (int c : activeCols_) s = s * 31 + src_->columnGeneration(c);
  return s;
}

void CursorImpl::tomarIndice(const CursorImpl& otro) {
  active_ = otro.active_;
  activeCols_ = otro.activeCols_;
  // With the stamp it was built at: an order gone stale is built anew on first use.
  indexOrder_ = otro.indexOrder_;
  indexKeys_ = otro.indexKeys_;
  indexStamp_ = otro.indexStamp_;
  ++ordenGen_;
  refreshIndexOrder();
}

void CursorImpl::refreshIndexOrder() {
  if (!active_ || indexStamp_ == indexStampNow()) return;
  std::vector<std::uint32_t> rows;
  const std::uint32_t n = src_->rowCount();
  rows.reserve(static_cast<std::size_t>(src_->liveCount()));
  for (std::uint32_t r = 0; r < n; ++r) {
    if (!src_->isDeleted(r)) rows.push_back(r);
  }
  std::vector<sql::OrderKey> keys;
  for (int c : activeCols_) keys.push_back(sql::OrderKey{src_->columns()[c].name, false});
  query::sortRows(rows, *src_, keys, src_->columns(), {});
  indexOrder_ = std::move(rows);
  const std::size_t k = activeCols_.size();
  indexKeys_.assign(indexOrder_.size() * k, Value());
  for (std::size_t i = 0; i < indexOrder_.size(); ++i) {
    for (std::size_t j = 0; j < k; ++j)
      indexKeys_[i * k + j] = src_->get(indexOrder_[i], activeCols_[j]);
  }
  indexStamp_ = indexStampNow();
  ++ordenGen_;
  findIndexes_.clear();
}

void CursorImpl::actualizarVisibles() {
  const std::int64_t n = len();
  const bool vigente = visiblesBorrados_ == src_->deletionGeneration() &&
                       visiblesOrden_ == ordenGen_ && n >= visiblesLen_;
  if (vigente && n == visiblesLen_) return;
  visiblesBorrados_ = src_->deletionGeneration();
  visiblesOrden_ = ordenGen_;
  // A source without deleted rows shows every position: no map needed (a freshly loaded table).
  if (src_->liveCount() == static_cast<std::int64_t>(src_->rowCount())) {
    visibles_.clear();
    visibles_.shrink_to_fit();
    identidad_ = true;
    visiblesLen_ = n;
    return;
  }
  if (!vigente) {
    visibles_.clear();
    identidad_ = true;
    visiblesLen_ = 0;
  }
  if (visibles_.capacity() < static_cast<std::size_t>(n)) {
    visibles_.reserve(static_cast<std::size_t>(std::min(n, src_->liveCount())));
  }
  for (std::int64_t p = visiblesLen_; p < n; ++p) {
    if (visible(p)) {
      if (!identidad_) visibles_.push_back(static_cast<std::uint32_t>(p));
    } else if (identidad_) {
      // The first hidden row: the map so far is every earlier position.
      identidad_ = false;
      visibles_.resize(static_cast<std::size_t>(p));
      for (std::int64_t q = 0; q < p; ++q)
        visibles_[static_cast<std::size_t>(q)] = static_cast<std::uint32_t>(q);
    }
  }
  visiblesLen_ = n;
}

std::int64_t CursorImpl::cuentaVisibles() {
  actualizarVisibles();
  return identidad_ ? visiblesLen_ : static_cast<std::int64_t>(visibles_.size());
}

std::int64_t CursorImpl::posicionVisible(std::int64_t ordinal) {
  if (ordinal < 0 || ordinal >= cuentaVisibles()) {
    throw StoreError(3001, "Argumento no válido: no existe la fila " + std::to_string(ordinal) +
                               " del conjunto de registros.");
  }
  return identidad_ ? ordinal : visibles_[static_cast<std::size_t>(ordinal)];
}

std::int64_t CursorImpl::visiblesAntesDe(std::int64_t posicion) {
  actualizarVisibles();
  if (identidad_) return std::min(posicion, visiblesLen_);
  return std::lower_bound(visibles_.begin(), visibles_.end(), posicion) - visibles_.begin();
}

// ---------------------------------------------------------------------------------------------
// Cursor

Cursor::Cursor() = default;
Cursor::Cursor(std::unique_ptr<CursorImpl> impl) : impl_(std::move(impl)) {}
Cursor::Cursor(Cursor&&) noexcept = default;
Cursor& Cursor::operator=(Cursor&&) noexcept = default;
Cursor::~Cursor() = default;

CursorImpl& Cursor::impl() const {
  if (!impl_) throw StoreError(3420, "El objeto no es válido o ya no está definido.");
  return *impl_;
}

CursorKind Cursor::kind() const {
  return impl().kind_;
}
bool Cursor::updatable() const {
  return impl().updatable_;
}

bool Cursor::eof() const {
  const auto at = impl().at_;
  return at == CursorImpl::At::Eof || at == CursorImpl::At::Empty;
}
bool Cursor::bof() const {
  const auto at = impl().at_;
  return at == CursorImpl::At::Bof || at == CursorImpl::At::Empty;
}

void Cursor::moveFirst() {
  auto& c = impl();
  if (c.kind_ == CursorKind::ForwardOnly && c.at_ != CursorImpl::At::Empty &&
      !(c.at_ == CursorImpl::At::Row && c.prevVisible(c.pos_ - 1) < 0)) {
    throw StoreError(err::kOperacionNoAdmitida,
                     "Operación no admitida en un cursor de sólo avance.");
  }
  c.refreshIndexOrder();
  c.place(c.nextVisible(0));
}

void Cursor::moveLast() {
  auto& c = impl();
  c.refreshIndexOrder();
  const std::int64_t p = c.prevVisible(c.len() - 1);
  c.place(p < 0 ? c.len() : p);
}

void Cursor::moveNext() {
  auto& c = impl();
  if (eof()) noCurrentRecord();
  c.place(c.nextVisible(c.at_ == CursorImpl::At::Bof ? 0 : c.pos_ + 1));
}

void Cursor::movePrevious() {
  auto& c = impl();
  if (c.kind_ == CursorKind::ForwardOnly) {
    throw StoreError(err::kOperacionNoAdmitida,
                     "Operación no admitida en un cursor de sólo avance.");
  }
  if (bof()) noCurrentRecord();
  c.place(c.prevVisible(c.at_ == CursorImpl::At::Eof ? c.len() - 1 : c.pos_ - 1));
}

std::int64_t Cursor::recordCount() const {
  auto& c = impl();
  if (!c.seq_ && !c.active_) return c.src_->liveCount();
  return c.cuentaVisibles();
}

std::int64_t Cursor::absolutePosition() const {
  auto& c = impl();
  if (c.at_ != CursorImpl::At::Row) return -1;
  return c.visiblesAntesDe(c.pos_);
}

void Cursor::setAbsolutePosition(std::int64_t target) {
  auto& c = impl();
  c.place(c.posicionVisible(target));
}

std::uint32_t Cursor::rowIdAt(std::int64_t i) const {
  auto& c = impl();
  return c.rowAt(c.posicionVisible(i));
}

Value Cursor::valueAt(std::int64_t i, int f) const {
  auto& c = impl();
  field(f);
  return c.src_->get(c.rowAt(c.posicionVisible(i)), c.proj_[static_cast<std::size_t>(f)]);
}

namespace {
// The source column of field f (already checked) for a read of a row by id; error 3167 for a
// deleted row.
int ColumnaDeFila(const CursorImpl& c, std::uint32_t rowId, int f) {
  if (c.src_->isDeleted(rowId)) {
    throw StoreError(err::kRegistroEliminado, "El registro se ha eliminado.");
  }
  return c.proj_[static_cast<std::size_t>(f)];
}
}  // namespace

Value Cursor::valueOfRow(std::uint32_t rowId, int f, bool readOnce) const {
  field(f);
  const auto& c = impl();
  const int col = ColumnaDeFila(c, rowId, f);
  return readOnce ? c.src_->getOnce(rowId, col) : c.src_->get(rowId, col);
}

bool Cursor::numberOfRow(std::uint32_t rowId, int f, double& out, bool readOnce) const {
  field(f);
  const auto& c = impl();
  return c.src_->numberAt(rowId, ColumnaDeFila(c, rowId, f), out, readOnce);
}

bool Cursor::numbersOfRow(std::uint32_t rowId, const int* fields, std::size_t n,
                          double* out) const {
  const auto& c = impl();
  if (c.src_->isDeleted(rowId)) {
    throw StoreError(err::kRegistroEliminado, "El registro se ha eliminado.");
  }
  constexpr std::size_t kPocas = 32;
  std::array<int, kPocas> pocas{};
  std::vector<int> muchas;
  int* cols = pocas.data();
  if (n > kPocas) {
    muchas.resize(n);
    cols = muchas.data();
  }
  for (std::size_t j = 0; j < n; ++j) {
    field(fields[j]);
    cols[j] = c.proj_[static_cast<std::size_t>(fields[j])];
  }
  return c.src_->numbersAt(rowId, cols, n, out);
}

bool Cursor::rowDeleted(std::uint32_t rowId) const {
  return impl().src_->isDeleted(rowId);
}

Cursor Cursor::withRows(std::vector<std::uint32_t> rowIds) const {
  auto& c = impl();
  const std::uint32_t n = c.src_->rowCount();
  for (const std::uint32_t id : rowIds) {
    if (id >= n) {
      throw StoreError(
          3001, "Argumento no válido: la fila " + std::to_string(id) + " no existe en la tabla.");
    }
  }
  const CursorKind kind = c.kind_ == CursorKind::Table ? CursorKind::Dynaset : c.kind_;
  return Cursor(c.cloneAt(std::make_shared<std::vector<std::uint32_t>>(std::move(rowIds)), kind));
}

int Cursor::fieldCount() const {
  return static_cast<int>(impl().fields_.size());
}

const FieldDef& Cursor::field(int i) const {
  auto& c = impl();
  if (i < 0 || i >= static_cast<int>(c.fields_.size())) {
    throw StoreError(err::kElementoNoEncontrado, "No se encontró el elemento en esta colección.");
  }
  return c.fields_[static_cast<std::size_t>(i)];
}

int Cursor::fieldIndex(std::string_view name) const {
  auto& c = impl();
  return c.buscarCampo(name);
}

Value Cursor::value(int i, bool readOnce) const {
  auto& c = impl();
  field(i);
  const auto k = static_cast<std::size_t>(i);
  if (c.mode_ != CursorImpl::Mode::None) {
    if (c.changed_[k]) return c.buf_[k];
    // Unchanged fields of the row being edited read as stored; a new row's are empty.
    if (c.mode_ == CursorImpl::Mode::AddNew) return Value();
  }
  return readOnce ? c.src_->getOnce(c.currentRow(), c.proj_[k])
                  : c.src_->get(c.currentRow(), c.proj_[k]);
}

bool Cursor::isDamaged(int i) const {
  auto& c = impl();
  field(i);
  const auto k = static_cast<std::size_t>(i);
  if (c.mode_ != CursorImpl::Mode::None && (c.changed_[k] || c.mode_ == CursorImpl::Mode::AddNew))
    return false;
  return c.proj_[k] >= 0 && c.src_->isDamaged(c.currentRow(), c.proj_[k]);
}

std::string Cursor::rawText(int i) const {
  auto& c = impl();
  field(i);
  const auto k = static_cast<std::size_t>(i);
  if (c.mode_ != CursorImpl::Mode::None && (c.changed_[k] || c.mode_ == CursorImpl::Mode::AddNew))
    return value(i).toString();
  return c.src_->rawText(c.currentRow(), c.proj_[k]);
}

Value Cursor::value(std::string_view name) const {
  return value(impl().fieldIndexOrThrow(name));
}

void Cursor::edit() {
  auto& c = impl();
  if (!c.updatable_) notUpdatable();
  (void)c.currentRow();
  c.buf_.resize(c.fields_.size());
  c.enc_.resize(c.fields_.size());
  c.changed_.assign(c.fields_.size(), 0);
  c.mode_ = CursorImpl::Mode::Edit;
}

void Cursor::addNew() {
  auto& c = impl();
  if (!c.updatable_) notUpdatable();
  c.buf_.resize(c.fields_.size());
  c.enc_.resize(c.fields_.size());
  c.changed_.assign(c.fields_.size(), 0);
  // The new row's record starts blank: the fields set are encoded into it, and update() appends
  // it whole.
  c.registro_.assign(static_cast<std::size_t>(c.table_->recordLength()), ' ');
  c.mode_ = CursorImpl::Mode::AddNew;
}

bool Cursor::editing() const {
  return impl().mode_ != CursorImpl::Mode::None;
}

void Cursor::setValue(int i, const Value& v) {
  auto& c = impl();
  field(i);
  if (c.mode_ == CursorImpl::Mode::None) {
    throw StoreError(err::kUpdateSinEdit, "Update o CancelUpdate sin AddNew o Edit.");
  }
  // Converted now: a value that does not fit its field is refused at once, leaving the row
  // being edited as it was; update() then writes what was converted here.
  const auto k = static_cast<std::size_t>(i);
  const int col = c.proj_[k];
  if (c.fields_[k].type == FieldType::Memo) {
    c.enc_[k] = c.table_->encode(col, v);
  } else {
    // Straight into the row buffer: no allocation per value.
    if (c.registro_.size() < static_cast<std::size_t>(c.table_->recordLength())) {
      c.registro_.resize(static_cast<std::size_t>(c.table_->recordLength()));
    }
    c.table_->encodeInto(col, v, c.registro_.data() + c.table_->offset(col));
  }
  c.buf_[k] = v;
  c.changed_[k] = 1;
}

void Cursor::setValue(std::string_view name, const Value& v) {
  setValue(impl().fieldIndexOrThrow(name), v);
}

void Cursor::appendChunk(std::string_view name, std::string_view piece) {
  auto& c = impl();
  const int i = c.fieldIndexOrThrow(name);
  if (c.mode_ == CursorImpl::Mode::None) {
    throw StoreError(err::kUpdateSinEdit, "Update o CancelUpdate sin AddNew o Edit.");
  }
  setValue(i, Value(value(i).toString() + std::string(piece)));
}

void Cursor::update() {
  auto& c = impl();
  if (c.mode_ == CursorImpl::Mode::None) {
    throw StoreError(err::kUpdateSinEdit, "Update o CancelUpdate sin AddNew o Edit.");
  }
  const auto escribir = [&c](std::uint32_t row, bool nueva) {
    for (std::size_t i = 0; i < c.fields_.size(); ++i) {
      if (!c.changed_[i]) continue;
      const int col = c.proj_[i];
      if (c.fields_[i].type == FieldType::Memo) {
        c.table_->apply(row, c.enc_[i], nueva);
      } else {
        c.table_->applyBytes(row, col, c.registro_.data() + c.table_->offset(col), nueva);
      }
    }
  };
  if (c.mode_ == CursorImpl::Mode::Edit) {
    escribir(c.currentRow(), false);
  } else {
    const std::uint32_t row = c.table_->appendRecord(c.registro_.data());
    for (std::size_t i = 0; i < c.fields_.size(); ++i) {
      if (c.changed_[i] && c.fields_[i].type == FieldType::Memo)
        c.table_->apply(row, c.enc_[i], true);
    }
    if (c.seq_) c.seq_->push_back(row);
    if (c.at_ == CursorImpl::At::Empty) {
      // The first row of an empty cursor: it now has rows, so it sits at its end.
      c.at_ = CursorImpl::At::Eof;
      c.pos_ = c.len();
    }
  }
  c.mode_ = CursorImpl::Mode::None;
}

std::size_t Cursor::recordLength() const {
  return static_cast<std::size_t>(impl().table_->recordLength());
}

namespace {
// The table column of cursor field f, a field held in the record (not a memo); `que` says what
// was refused.
int ColumnaEnRegistro(const CursorImpl& c, const FieldDef& f, int i, const char* que) {
  if (f.type == FieldType::Memo) {
    throw StoreError(err::kOperacionNoAdmitida,
                     "El campo '" + f.name + "' es un memo: no se " + que + " un registro.");
  }
  return c.proj_[static_cast<std::size_t>(i)];
}
}  // namespace

void Cursor::encodeField(int i, const Value& v, char* record) const {
  const auto& c = impl();
  const int col = ColumnaEnRegistro(c, field(i), i, "escribe en");
  c.table_->encodeInto(col, v, record + c.table_->offset(col));
}

Value Cursor::decodeField(int i, const char* record) const {
  const auto& c = impl();
  const FieldDef& f = field(i);
  const int col = ColumnaEnRegistro(c, f, i, "lee de");
  return c.table_->valueOfBytes(
      col, std::string_view(record + c.table_->offset(col), static_cast<std::size_t>(f.dbfLength)));
}

std::size_t Cursor::fieldOffset(int i) const {
  field(i);
  const auto& c = impl();
  return static_cast<std::size_t>(c.table_->offset(c.proj_[static_cast<std::size_t>(i)]));
}

double Cursor::numberOfField(int i, const char* record) const {
  const auto& c = impl();
  const FieldDef& f = field(i);
  if (f.dbfType != 'N' && f.dbfType != 'F') {
    throw StoreError(err::kTipoNoCoincide, "El campo '" + f.name + "' no es numérico.");
  }
  const int col = c.proj_[static_cast<std::size_t>(i)];
  return c.table_->numberOfBytes(
      col, std::string_view(record + c.table_->offset(col), static_cast<std::size_t>(f.dbfLength)));
}

double Cursor::encodeNumberField(int i, double v, char* record) const {
  const auto& c = impl();
  const FieldDef& f = field(i);
  if (f.dbfType != 'N' && f.dbfType != 'F') {
    throw StoreError(err::kTipoNoCoincide, "El campo '" + f.name + "' no es numérico.");
  }
  const int col = ColumnaEnRegistro(c, f, i, "escribe en");
  return c.table_->encodeNumberInto(col, v, record + c.table_->offset(col));
}

void Cursor::writeEncoded(std::uint32_t rowId, int i, const char* bytes,
                          std::optional<double> numero) {
  writeEncodedLists({{EncodedWrite{rowId, i, bytes, numero}}});
}

void Cursor::writeEncodedLists(const std::vector<std::vector<EncodedWrite>>& listas) {
  auto& c = impl();
  if (!c.updatable_) notUpdatable();
  // Each field's column and kind, resolved once (a field that cannot be written stops the
  // writes before any is made).
  struct Columna {
    int col = -1;
    bool numerico = false;
  };
  std::vector<Columna> columnas(static_cast<std::size_t>(fieldCount()));
  std::vector<int> escritas;
  for (const auto& lista : listas) {
    for (const EncodedWrite& w : lista) {
      if (w.field < 0 || static_cast<std::size_t>(w.field) >= columnas.size()) field(w.field);
      Columna& k = columnas[static_cast<std::size_t>(w.field)];
      if (k.col >= 0) continue;
      const FieldDef& f = field(w.field);
      k.col = ColumnaEnRegistro(c, f, w.field, "escribe de");
      k.numerico = f.dbfType == 'N' || f.dbfType == 'F';
      escritas.push_back(k.col);
    }
  }
  Table& t = *c.table_;
  // The lists write different rows, or different fields of a row: their bytes and decoded
  // entries never meet. What the table shares (the columns' change counters) is updated once
  // the lists are written, or have failed after a write.
  std::atomic<bool> escrita{false};
  struct AlTerminar {
    Table& t;
    const std::vector<int>& cols;
    const std::atomic<bool>& escrita;
    ~AlTerminar() {
      if (escrita) t.columnsWritten(cols);
    }
  } alTerminar{t, escritas, escrita};
  EnParalelo(listas.size(), [&](std::size_t k) {
    for (const EncodedWrite& w : listas[k]) {
      const Columna& col = columnas[static_cast<std::size_t>(w.field)];
      if (t.isDeleted(w.rowId)) {
        throw StoreError(err::kRegistroEliminado, "El registro se ha eliminado.");
      }
      t.applyBytesInPlace(w.rowId, col.col, w.bytes, col.numerico ? w.numero : std::nullopt);
      escrita.store(true, std::memory_order_relaxed);
    }
  });
}

void Cursor::appendRows(std::size_t n, const std::function<void(std::size_t, char*)>& construir) {
  auto& c = impl();
  if (!c.updatable_) notUpdatable();
  if (c.mode_ != CursorImpl::Mode::None) {
    throw StoreError(err::kOperacionNoAdmitida, "Hay una fila en edición.");
  }
  const std::uint32_t primera = c.table_->appendRows(n, construir);
  if (c.seq_) {
    for (std::size_t k = 0; k < n; ++k) c.seq_->push_back(static_cast<std::uint32_t>(primera + k));
  }
  if (n > 0 && c.at_ == CursorImpl::At::Empty) {
    // The first rows of an empty cursor: it now has rows, so it sits at its end.
    c.at_ = CursorImpl::At::Eof;
    c.pos_ = c.len();
  }
}

void Cursor::appendRecords(std::initializer_list<PiezaRegistros> piezas) {
  const std::size_t largo = recordLength();
  std::size_t total = 0;
  for (const PiezaRegistros& p : piezas) total += p.filas;
  appendRows(total, [&](std::size_t k, char* registro) {
    for (const PiezaRegistros& p : piezas) {
      if (k < p.filas) {
        std::memcpy(registro, p.registros + k * largo, largo);
        return;
      }
      k -= p.filas;
    }
  });
}

void Cursor::cancelUpdate() {
  impl().mode_ = CursorImpl::Mode::None;
}

void Cursor::remove() {
  auto& c = impl();
  if (!c.updatable_) notUpdatable();
  c.mode_ = CursorImpl::Mode::None;
  c.table_->deleteRow(c.currentRow());
}

void Cursor::findFirst(std::string_view criteria) {
  impl().find(criteria, true, 0);
}

void Cursor::findLast(std::string_view criteria) {
  auto& c = impl();
  c.find(criteria, false, c.len() - 1);
}

void Cursor::findNext(std::string_view criteria) {
  auto& c = impl();
  std::int64_t start = 0;
  if (c.at_ == CursorImpl::At::Row) start = c.pos_ + 1;
  if (c.at_ == CursorImpl::At::Eof) start = c.len();
  c.find(criteria, true, start);
}

void Cursor::findPrevious(std::string_view criteria) {
  auto& c = impl();
  std::int64_t start = c.len() - 1;
  if (c.at_ == CursorImpl::At::Row) start = c.pos_ - 1;
  if (c.at_ == CursorImpl::At::Bof) start = -1;
  c.find(criteria, false, start);
}

bool Cursor::noMatch() const {
  return impl().noMatch_;
}

void Cursor::setIndex(std::string_view indexName) {
  auto& c = impl();
  if (c.kind_ != CursorKind::Table) {
    throw StoreError(err::kOperacionNoAdmitida, "Operación no admitida para este tipo de objeto.");
  }
  const IndexDef* found = nullptr;
  for (const auto& idx : c.src_->indexes()) {
    if (equalsNoCase(idx.name, trimView(indexName))) found = &idx;
  }
  if (!found) {
    throw StoreError(err::kElementoNoEncontrado,
                     "No existe el índice '" + std::string(indexName) + "' en la tabla.");
  }
  c.activeCols_.clear();
  for (const auto& f : found->fields) {
    const int col = c.src_->columnIndex(f);
    if (col < 0) {
      throw StoreError(
          err::kElementoNoEncontrado,
          "El índice '" + found->name + "' nombra el campo '" + f + "', que no existe.");
    }
    c.activeCols_.push_back(col);
  }
  c.active_ = *found;
  c.indexStamp_ = UINT64_MAX;
  c.refreshIndexOrder();
  c.place(c.nextVisible(0));
}

void Cursor::seek(std::string_view op, const std::vector<Value>& keys) {
  auto& c = impl();
  if (!c.active_) {
    throw StoreError(3019, "Operación no válida sin un índice activo.");
  }
  if (keys.empty() || keys.size() > c.activeCols_.size()) {
    throw StoreError(3001, "Argumento no válido: número de claves incorrecto para el índice '" +
                               c.active_->name + "'.");
  }
  c.refreshIndexOrder();
  c.mode_ = CursorImpl::Mode::None;
  // Keys take the kind of their field, so a number finds a text key that reads as it.
  std::vector<Value> k;
  for (std::size_t j = 0; j < keys.size(); ++j) {
    const FieldType t = c.src_->columns()[c.activeCols_[j]].type;
    const bool textField = t == FieldType::Text || t == FieldType::Memo || t == FieldType::Date;
    if (keys[j].isNull()) {
      k.push_back(Value());
    } else if (textField) {
      k.push_back(Value(keys[j].toString()));
    } else {
      double d = 0;
      k.push_back(keys[j].isNumber() || !parseNumber(keys[j].text(), d) ? keys[j] : Value(d));
    }
  }
  const std::size_t width = c.activeCols_.size();
  const auto cmpAt = [&](std::size_t i) {
    for (std::size_t j = 0; j < k.size(); ++j) {
      const int r = query::compareValues(c.indexKeys_[i * width + j], k[j]);
      if (r != 0) return r;
    }
    return 0;
  };
  const std::size_t n = c.indexOrder_.size();
  // First position whose key is >= k (lower) and > k (upper).
  std::size_t lo = 0, hi = n;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (cmpAt(mid) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  const std::size_t lower = lo;
  hi = n;
  while (lo < hi) {
    const std::size_t mid = (lo + hi) / 2;
    if (cmpAt(mid) <= 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  const std::size_t upper = lo;
  const std::string o(trimView(op));
  std::int64_t found = -1;
  if (o == "=") {
    if (lower < upper) found = static_cast<std::int64_t>(lower);
  } else if (o == ">=") {
    if (lower < n) found = static_cast<std::int64_t>(lower);
  } else if (o == ">") {
    if (upper < n) found = static_cast<std::int64_t>(upper);
  } else if (o == "<=") {
    found = static_cast<std::int64_t>(upper) - 1;
  } else if (o == "<") {
    found = static_cast<std::int64_t>(lower) - 1;
  } else {
    throw StoreError(3001, "Argumento no válido: operador de búsqueda '" + o + "'.");
  }
  // Rows deleted since the order was built are skipped.
  while (found >= 0 && found < static_cast<std::int64_t>(n) && !c.visible(found)) {
    found = (o == "<" || o == "<=") ? found - 1 : found + 1;
    if (o == "=" && found >= static_cast<std::int64_t>(upper)) found = -1;
  }
  c.noMatch_ = found < 0 || found >= static_cast<std::int64_t>(n);
  if (!c.noMatch_) {
    c.at_ = CursorImpl::At::Row;
    c.pos_ = found;
  }
}

Cursor Cursor::sorted(std::string_view orderBy) const {
  auto& c = impl();
  auto seq = std::make_shared<std::vector<std::uint32_t>>();
  for (std::int64_t p = 0; p < c.len(); ++p) {
    if (c.visible(p)) seq->push_back(c.rowAt(p));
  }
  query::sortRows(*seq, *c.src_, sql::parseOrderBy(orderBy), c.fields_, c.proj_);
  const CursorKind kind = c.kind_ == CursorKind::Table ? CursorKind::Dynaset : c.kind_;
  return Cursor(c.cloneAt(std::move(seq), kind));
}

Cursor Cursor::clone() const {
  auto& c = impl();
  std::shared_ptr<std::vector<std::uint32_t>> seq;
  if (c.seq_) seq = std::make_shared<std::vector<std::uint32_t>>(*c.seq_);
  auto copy = c.cloneAt(std::move(seq), c.kind_);
  if (c.active_) {
    copy->tomarIndice(c);
    copy->place(copy->nextVisible(0));
  }
  return Cursor(std::move(copy));
}

void Cursor::close() {
  impl_.reset();
}

}  // namespace arbelio::store
