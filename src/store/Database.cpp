#include "store/Database.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <map>
#include <optional>

#include "store/CursorImpl.h"
#include "store/FileOps.h"
#include "store/Paralelo.h"
#include "store/Query.h"
#include "store/Sql.h"
#include "store/SqliteSource.h"
#include "store/StoreError.h"
#include "store/Table.h"
#include "store/Text.h"

namespace fs = std::filesystem;

namespace arbelio::store {

class DatabaseImpl {
 public:
  std::string folder;
  OpenOptions options;
  std::map<std::string, std::shared_ptr<Table>> tables;  // by lower-case name
  std::optional<SqliteTables> sqlite;                    // a single-file database

  // Tables let go of while they are written on another thread (releaseInBackground). A write
  // that fails gives the table back: it stays changed in memory, to be written again.
  struct Soltada {
    std::string key;
    std::future<std::shared_ptr<Table>> escrita;  // the table, when its write failed
  };
  std::vector<Soltada> soltadas;

  // Waits for the background writes of the table `key` (of every table when empty); a table
  // whose write failed comes back into `tables`.
  void esperarEscritas(const std::string& key = {}) {
    for (auto it = soltadas.begin(); it != soltadas.end();) {
      if (!key.empty() && it->key != key) {
        ++it;
        continue;
      }
      if (std::shared_ptr<Table> fallida = it->escrita.get())
        tables.try_emplace(it->key, std::move(fallida));
      it = soltadas.erase(it);
    }
  }

  // A table name without ".dbf". A name that carries a path is refused: every table of a
  // folder database is a file of that folder.
  static std::string baseName(std::string_view name) {
    std::string n(trimView(name));
    if (n.find_first_of("/\\:") != std::string::npos || n.find("..") != std::string::npos ||
        n.find('\0') != std::string::npos) {
      throw StoreError(err::kTablaNoEncontrada,
                       "El nombre de tabla '" + n + "' no es válido: no puede llevar una ruta.");
    }
    if (n.size() > 4 && equalsNoCase(n.substr(n.size() - 4), ".dbf")) n.resize(n.size() - 4);
    return n;
  }

  std::string pathOf(std::string_view name) const {
    return findFileNoCase(folder, baseName(name) + ".dbf");
  }

  // Rows of a table, for reading (dBASE or single-file database).
  std::shared_ptr<RowSource> source(std::string_view name) {
    if (!sqlite) return table(name);
    auto it = sqlite->tables.find(toLowerAscii(trimView(name)));
    if (it == sqlite->tables.end()) {
      throw StoreError(err::kTablaNoEncontrada,
                       "No se encuentra la tabla '" + std::string(trimView(name)) + "'.");
    }
    return it->second.second;
  }

  std::shared_ptr<Table> table(std::string_view name) {
    if (sqlite) {
      throw StoreError(err::kSoloLectura,
                       "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
    }
    std::string path;
    if (auto t = propia(name, path)) return t;
    auto t = TableRegistry::open(path);
    tables.emplace(toLowerAscii(baseName(name)), t);
    return t;
  }

  // This handle's table of that name, once its background write is done; null, with the path of
  // its file in `path`, when this handle has not used it (error 3078 when there is no file).
  std::shared_ptr<Table> propia(std::string_view name, std::string& path) {
    const std::string key = toLowerAscii(baseName(name));
    if (!soltadas.empty()) esperarEscritas(key);
    if (auto it = tables.find(key); it != tables.end()) return it->second;
    path = pathOf(name);
    if (path.empty()) {
      throw StoreError(err::kTablaNoEncontrada,
                       "No se encuentra la tabla '" + baseName(name) + "'.");
    }
    return nullptr;
  }

  // The table as this handle or another has it loaded, or null; its file's path in `path`.
  std::shared_ptr<Table> cargada(std::string_view name, std::string& path) {
    if (auto t = propia(name, path)) return t;
    auto t = TableRegistry::find(path);
    if (t) t->waitWhileBusy();
    return t;
  }

  // A table's fields and indexes: the table as loaded, or else its file's header alone, read
  // without its records and kept by no one.
  std::shared_ptr<Table> definicion(std::string_view name) {
    std::string path;
    if (auto t = cargada(name, path)) return t;
    return Table::load(path, true);
  }

  void checkWritable() const {
    if (options.readOnly || sqlite) {
      throw StoreError(err::kSoloLectura,
                       "No se puede actualizar. La base de datos o el objeto es de sólo lectura.");
    }
  }

  // With `cerrando`, the tables are dropped next: one held by nothing else gives its rows'
  // memory back as it is written. The tables held here are written while those let go are still
  // being written in the background (other files: each writes on a core of its own); then a
  // table whose background write failed is written again.
  void flush(bool cerrando = false) {
    escribirSucias(cerrando);
    if (soltadas.empty()) return;
    esperarEscritas();
    escribirSucias(cerrando);
  }

  // Each table writes its own files from its own rows: two at a time, the largest first.
  void escribirSucias(bool cerrando) {
    struct Sucia {
      Table* tabla;
      bool soltar;
    };
    std::vector<Sucia> sucias;
    for (auto& [name, t] : tables) {
      if (t->dirty()) sucias.push_back({t.get(), cerrando && t.use_count() == 1});
    }
    const auto bytes = [](const Sucia& s) {
      return static_cast<std::uint64_t>(s.tabla->rowCount()) *
             static_cast<std::uint64_t>(s.tabla->recordLength());
    };
    std::stable_sort(sucias.begin(), sucias.end(),
                     [&](const Sucia& a, const Sucia& b) { return bytes(a) > bytes(b); });
    EnParalelo(sucias.size(), [&](std::size_t i) {
      if (sucias[i].soltar) {
        sucias[i].tabla->saveAndFree();
      } else {
        sucias[i].tabla->save();
      }
    });
  }
};

Database::Database() = default;
Database::Database(std::unique_ptr<DatabaseImpl> impl) : impl_(std::move(impl)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&& other) noexcept {
  if (this != &other) {
    if (impl_) {
      try {
        impl_->flush();
      } catch (...) {
      }
    }
    impl_ = std::move(other.impl_);
  }
  return *this;
}

Database::~Database() {
  if (impl_) {
    try {
      impl_->flush();
    } catch (...) {
      // Destructors cannot report: close() is the way to see a failed write.
    }
  }
}

Database Database::open(const std::string& folder, const OpenOptions& options) {
  const std::string connect = toUpperAscii(trimView(options.connect));
  if (connect.empty()) {
    // A single-file database, opened read-only whatever the flags say.
    auto impl = std::make_unique<DatabaseImpl>();
    impl->folder = folder;
    impl->options = options;
    impl->options.readOnly = true;
    impl->sqlite = loadSqliteDatabase(folder);
    return Database(std::move(impl));
  }
  if (connect.rfind("DBASE", 0) != 0) {
    throw StoreError(3170, "No se encuentra un controlador para el tipo de base de datos '" +
                               options.connect + "'.");
  }
  if (!folderExists(folder)) {
    throw StoreError(err::kRutaNoValida, "'" + folder + "' no es una ruta válida.");
  }
  auto impl = std::make_unique<DatabaseImpl>();
  impl->folder = folder;
  impl->options = options;
  return Database(std::move(impl));
}

const std::string& Database::folder() const {
  if (!impl_) throw StoreError(3420, "El objeto no es válido o ya no está definido.");
  return impl_->folder;
}

bool Database::readOnly() const {
  return impl_ && impl_->options.readOnly;
}

namespace {
DatabaseImpl& need(const std::unique_ptr<DatabaseImpl>& p) {
  if (!p) throw StoreError(3420, "El objeto no es válido o ya no está definido.");
  return *p;
}

// Appends rows `filas` of `fuente` to `destino`, each (target column, source column) pair of
// `columnas` copied. Columns whose on-disk form is the same in both tables are copied byte for
// byte; the others are converted, all of them before the first row is appended, so a value that
// does not fit leaves the target as it was. Texts longer than their field are cut to it.
void AnadeFilas(Table& destino, const RowSource& fuente, const std::vector<std::uint32_t>& filas,
                const std::vector<std::pair<int, int>>& columnas) {
  const auto* tabla = dynamic_cast<const Table*>(&fuente);
  std::vector<std::pair<int, int>> crudas, convertidas;  // target column, source column
  for (const auto& [t, col] : columnas) {
    const FieldDef& ft = destino.columns()[static_cast<std::size_t>(t)];
    if (tabla != nullptr) {
      const FieldDef& fs = tabla->columns()[static_cast<std::size_t>(col)];
      const bool mismoFormato = fs.type == ft.type && fs.dbfType == ft.dbfType &&
                                fs.dbfLength == ft.dbfLength && fs.dbfDecimals == ft.dbfDecimals &&
                                ft.type != FieldType::Memo &&
                                (ft.dbfType != 'C' || tabla->codePage() == destino.codePage());
      if (mismoFormato) {
        crudas.emplace_back(t, col);
        continue;
      }
    }
    convertidas.emplace_back(t, col);
  }
  std::vector<EncodedValue> valores;  // filas x convertidas, null values as empty markers
  std::vector<char> presente;
  valores.reserve(filas.size() * convertidas.size());
  presente.reserve(filas.size() * convertidas.size());
  for (std::uint32_t r : filas) {
    for (const auto& [t, col] : convertidas) {
      const Value v = fuente.get(r, col);
      presente.push_back(v.isNull() ? 0 : 1);
      valores.push_back(v.isNull() ? EncodedValue{} : destino.encode(t, v, true));
    }
  }
  std::size_t k = 0;
  for (std::uint32_t r : filas) {
    const std::uint32_t id = destino.appendBlank();
    for (const auto& [t, col] : crudas) destino.applyRaw(id, t, tabla->rawField(r, col));
    for (std::size_t c = 0; c < convertidas.size(); ++c, ++k) {
      if (presente[k]) destino.apply(id, valores[k], true);
    }
  }
}
}  // namespace

void Database::execute(std::string_view text) {
  auto& db = need(impl_);
  const sql::Statement st = sql::parseStatement(text);
  if (st.kind == sql::Statement::Kind::Select) {
    throw StoreError(3065, "No se puede ejecutar una consulta de selección.");
  }
  db.checkWritable();
  auto target = db.table(st.target);
  if (st.kind == sql::Statement::Kind::Delete) {
    if (!st.where) {
      target->deleteAll();
      return;
    }
    const query::CCond cond = query::compileCondition(*st.where, target->columns(), {});
    for (std::uint32_t r = 0; r < target->rowCount(); ++r) {
      if (!target->isDeleted(r) && query::evalRow(cond, *target, r)) target->deleteRow(r);
    }
    return;
  }
  // INSERT INTO target SELECT ...: columns matched by name; the others stay null.
  const sql::Select& sel = st.select;
  if (sel.star && !sel.distinct && !sel.where && sel.groupBy.empty() && !sel.having &&
      sel.orderBy.empty() && !db.sqlite) {
    // Every row of a table file not loaded in this process: its records go straight from the
    // file into the target when they have its layout, instead of through a loaded copy.
    const std::string path = db.pathOf(sel.table);
    if (!path.empty() && db.tables.count(toLowerAscii(DatabaseImpl::baseName(sel.table))) == 0 &&
        !TableRegistry::isOpen(path) && target->appendFileRecords(path))
      return;
  }
  const query::Result res = query::runSelect(st.select, db.source(st.select.table), nullptr);
  std::vector<std::pair<int, int>> map;  // target column, result column
  for (std::size_t t = 0; t < target->columns().size(); ++t) {
    for (std::size_t s = 0; s < res.fields.size(); ++s) {
      if (equalsNoCase(target->columns()[t].name, res.fields[s].name)) {
        map.emplace_back(static_cast<int>(t), static_cast<int>(s));
        break;
      }
    }
  }
  std::vector<std::pair<int, int>> columnas;  // target column, source column
  for (const auto& [t, s] : map) columnas.emplace_back(t, res.proj[static_cast<std::size_t>(s)]);
  std::vector<std::uint32_t> filas;
  filas.reserve(res.rows.size());
  for (std::uint32_t r : res.rows) {
    if (!res.source->isDeleted(r)) filas.push_back(r);
  }
  AnadeFilas(*target, *res.source, filas, columnas);
}

void Database::appendRows(std::string_view table, const Cursor& source) {
  auto& db = need(impl_);
  db.checkWritable();
  auto target = db.table(table);
  const CursorImpl& c = source.impl();
  const std::size_t n = std::min(target->columns().size(), c.proj_.size());
  std::vector<std::pair<int, int>> columnas;
  for (std::size_t i = 0; i < n; ++i) columnas.emplace_back(static_cast<int>(i), c.proj_[i]);
  std::vector<std::uint32_t> filas;
  filas.reserve(static_cast<std::size_t>(c.len()));
  for (std::int64_t p = 0; p < c.len(); ++p) {
    if (c.visible(p)) filas.push_back(c.rowAt(p));
  }
  AnadeFilas(*target, *c.src_, filas, columnas);
}

Cursor Database::openCursor(std::string_view source, CursorKind kind) {
  auto& db = need(impl_);
  const bool writable = !db.options.readOnly;
  if (!sql::looksLikeSelect(source) && db.sqlite) {
    auto rs = db.source(source);
    std::vector<int> proj;
    for (std::size_t c = 0; c < rs->columns().size(); ++c) proj.push_back(static_cast<int>(c));
    if (kind == CursorKind::Default) kind = CursorKind::Table;
    return Cursor(std::make_unique<CursorImpl>(rs, nullptr, nullptr, std::move(proj), rs->columns(),
                                               kind, false));
  }
  if (!sql::looksLikeSelect(source)) {
    auto t = db.table(source);
    std::vector<int> proj;
    for (std::size_t c = 0; c < t->columns().size(); ++c) proj.push_back(static_cast<int>(c));
    if (kind == CursorKind::Default) kind = CursorKind::Table;
    const bool upd = writable && (kind == CursorKind::Table || kind == CursorKind::Dynaset);
    std::shared_ptr<std::vector<std::uint32_t>> seq;
    if (kind != CursorKind::Table) {
      seq = std::make_shared<std::vector<std::uint32_t>>();
      for (std::uint32_t r = 0; r < t->rowCount(); ++r) {
        if (!t->isDeleted(r)) seq->push_back(r);
      }
    }
    return Cursor(std::make_unique<CursorImpl>(t, t, std::move(seq), std::move(proj), t->columns(),
                                               kind, upd));
  }
  const sql::Statement st = sql::parseStatement(source);
  if (st.kind != sql::Statement::Kind::Select) {
    throw StoreError(err::kErrorSintaxis, "Sólo se puede abrir una consulta SELECT.");
  }
  std::shared_ptr<Table> table;
  if (!db.sqlite) table = db.table(st.select.table);
  query::Result res =
      query::runSelect(st.select, table ? table : db.source(st.select.table), table);
  if (kind == CursorKind::Default || kind == CursorKind::Table) kind = CursorKind::Dynaset;
  const bool upd = writable && res.plain && kind == CursorKind::Dynaset;
  auto seq = std::make_shared<std::vector<std::uint32_t>>(std::move(res.rows));
  return Cursor(std::make_unique<CursorImpl>(res.source, res.plain ? res.table : nullptr,
                                             std::move(seq), std::move(res.proj),
                                             std::move(res.fields), kind, upd));
}

std::vector<std::string> Database::tableNames() const {
  auto& db = need(impl_);
  std::vector<std::string> names;
  if (db.sqlite) {
    for (const auto& [key, entry] : db.sqlite->tables) names.push_back(entry.first);
    return names;
  }
  for (const auto& f : listFiles(db.folder)) {
    if (f.name.size() > 4 && equalsNoCase(f.name.substr(f.name.size() - 4), ".dbf")) {
      names.push_back(f.name.substr(0, f.name.size() - 4));
    }
  }
  return names;
}

TableDef readTableDef(const std::string& dbfPath) {
  const auto t = Table::load(dbfPath, true);
  TableDef def(fs::path(dbfPath).stem().string());
  for (const auto& f : t->columns()) def.appendField(f);
  def.setCodePage(t->codePage());
  return def;
}

bool Database::hasTable(std::string_view name) const {
  auto& db = need(impl_);
  if (db.sqlite) return db.sqlite->tables.count(toLowerAscii(trimView(name))) > 0;
  return !db.pathOf(name).empty();
}

std::string Database::tablePath(std::string_view name) const {
  return need(impl_).pathOf(name);
}

TableDef Database::tableDef(std::string_view name) const {
  auto& db = need(impl_);
  TableDef def(DatabaseImpl::baseName(name));
  std::shared_ptr<Table> tabla = db.sqlite ? nullptr : db.definicion(name);
  const std::shared_ptr<RowSource> t = tabla ? tabla : db.source(name);
  for (const auto& f : t->columns()) def.appendField(f);
  for (const auto& i : t->indexes()) def.appendIndex(i);
  if (tabla) def.setCodePage(tabla->codePage());
  return def;
}

void Database::appendTableDef(const TableDef& def) {
  auto& db = need(impl_);
  db.checkWritable();
  if (!db.pathOf(def.name()).empty()) {
    throw StoreError(err::kTablaExiste, "La tabla '" + def.name() + "' ya existe.");
  }
  const std::string path =
      (fs::path(db.folder) / (DatabaseImpl::baseName(def.name()) + ".dbf")).string();
  // A stale index sidecar of an earlier table of this name must not come back.
  std::error_code ec;
  fs::remove(Table::sidecarPath(path), ec);
  auto t = Table::create(path, def);
  TableRegistry::add(t);
  db.tables[toLowerAscii(DatabaseImpl::baseName(def.name()))] = t;
}

std::int64_t Database::liveRowCount(std::string_view name) const {
  auto& db = need(impl_);
  if (db.sqlite) return db.source(name)->liveCount();
  std::string path;
  if (const auto t = db.cargada(name, path)) return t->liveCount();
  return Table::liveRowsOfFile(path);
}

void Database::appendIndex(std::string_view table, const IndexDef& index) {
  auto& db = need(impl_);
  db.checkWritable();
  // An index lives in the table's sidecar file: a table not loaded is not loaded for it.
  db.definicion(table)->addIndex(index);
}

void Database::flush() {
  need(impl_).flush();
}

void Database::release(std::string_view table) {
  auto& impl = need(impl_);
  if (impl.sqlite) return;
  const auto it = impl.tables.find(toLowerAscii(DatabaseImpl::baseName(table)));
  if (it == impl.tables.end()) return;
  if (it->second->dirty()) it->second->save();
  impl.tables.erase(it);
}

void Database::releaseInBackground(std::string_view table) {
  auto& impl = need(impl_);
  if (impl.sqlite) return;
  const auto it = impl.tables.find(toLowerAscii(DatabaseImpl::baseName(table)));
  if (it == impl.tables.end()) return;
  std::shared_ptr<Table> t = std::move(it->second);
  const std::string key = it->first;
  impl.tables.erase(it);
  if (!t->dirty()) return;
  t->markBusy();
  impl.soltadas.push_back({key, std::async(std::launch::async, [t = std::move(t)]() mutable {
                             bool escrita = false;
                             try {
                               t->save(true);
                               escrita = true;
                             } catch (...) {
                               // Given back to the handle, which writes it again and reports a
                               // failure then.
                             }
                             t->markIdle();
                             // Written: its rows leave memory here, unless something else holds the
                             // table.
                             if (escrita) t.reset();
                             return std::move(t);
                           })});
}

void Database::close() {
  if (!impl_) return;
  auto impl = std::move(impl_);
  impl->flush();
}

void Database::closeFreeingMemory() {
  if (!impl_) return;
  auto impl = std::move(impl_);
  impl->flush(true);
}

}  // namespace arbelio::store
