#include "inventory/BasesAuxiliares.h"

#include <fcntl.h>
#include <poll.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "store/Text.h"

namespace arbelio::inventory {

namespace fs = std::filesystem;

namespace {

// Splits a CSV line on commas; double quotes protect commas and "" stands for one quote.
std::vector<std::string> CamposCsv(const std::string& linea) {
  std::vector<std::string> campos(1);
  bool comillas = false;
  for (std::size_t i = 0; i < linea.size(); ++i) {
    const char ch = linea[i];
    if (comillas) {
      if (ch == '"' && i + 1 < linea.size() && linea[i + 1] == '"') {
        campos.back() += '"';
        ++i;
      } else if (ch == '"') {
        comillas = false;
      } else {
        campos.back() += ch;
      }
    } else if (ch == '"') {
      comillas = true;
    } else if (ch == ',') {
      campos.emplace_back();
    } else if (ch != '\r') {
      campos.back() += ch;
    }
  }
  for (auto& c : campos) c = store::trimWhitespace(c);
  return campos;
}

bool EsEntero(const std::string& s, int& valor) {
  if (s.empty()) return false;
  char* fin = nullptr;
  errno = 0;
  const long v = std::strtol(s.c_str(), &fin, 10);
  if (*fin != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L) return false;
  valor = static_cast<int>(v);
  return true;
}

bool EsReal(const std::string& s, double& valor) {
  if (s.empty()) return false;
  char* fin = nullptr;
  valor = std::strtod(s.c_str(), &fin);
  return *fin == '\0';
}

// Reads the non-empty, non-comment lines of a CSV source with their line numbers. A first line
// whose first field is not a number is a header and is skipped.
std::vector<std::pair<int, std::vector<std::string>>> FilasCsv(std::istream& in) {
  std::vector<std::pair<int, std::vector<std::string>>> filas;
  std::string linea;
  int numero = 0;
  bool primera = true;
  while (std::getline(in, linea)) {
    ++numero;
    if (numero == 1 && linea.rfind("\xEF\xBB\xBF", 0) == 0) linea.erase(0, 3);
    const std::string limpia = store::trimWhitespace(linea);
    if (limpia.empty() || limpia[0] == '#') continue;
    auto campos = CamposCsv(limpia);
    if (primera) {
      primera = false;
      int v;
      if (!EsEntero(campos[0], v) && campos[0] != "*" && store::toLowerAscii(campos[0]) != "p.m." &&
          store::toLowerAscii(campos[0]) != "p.m")
        continue;
    }
    filas.emplace_back(numero, std::move(campos));
  }
  return filas;
}

[[noreturn]] void FalloLinea(int linea, const std::string& que) {
  throw ErrorDatos("Línea " + std::to_string(linea) + ": " + que);
}

// A SQLite database written into a temporary file that replaces the target on commit.
class BaseNueva {
 public:
  explicit BaseNueva(const std::string& salida) : salida_(salida), temporal_(salida + ".part") {
    std::error_code ec;
    const fs::path padre = fs::path(salida).parent_path();
    if (!padre.empty()) fs::create_directories(padre, ec);
    fs::remove(temporal_, ec);
    if (sqlite3_open(temporal_.c_str(), &db_) != SQLITE_OK) {
      const std::string msg = db_ ? sqlite3_errmsg(db_) : "sin memoria";
      sqlite3_close(db_);
      db_ = nullptr;
      throw ErrorDatos("No se puede crear " + salida + ": " + msg);
    }
    ejecuta("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;");
  }
  ~BaseNueva() {
    if (db_) {
      sqlite3_close(db_);
      std::error_code ec;
      fs::remove(temporal_, ec);
    }
  }
  BaseNueva(const BaseNueva&) = delete;
  BaseNueva& operator=(const BaseNueva&) = delete;

  sqlite3* db() { return db_; }

  void ejecuta(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::string msg = error ? error : "error desconocido";
      sqlite3_free(error);
      throw ErrorDatos("Error de SQLite en " + salida_ + ": " + msg);
    }
  }

  sqlite3_stmt* prepara(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      throw ErrorDatos("Error de SQLite en " + salida_ + ": " + sqlite3_errmsg(db_));
    }
    return st;
  }

  void paso(sqlite3_stmt* st) {
    if (sqlite3_step(st) != SQLITE_DONE) {
      const std::string msg = sqlite3_errmsg(db_);
      sqlite3_finalize(st);
      throw ErrorDatos("Error de SQLite en " + salida_ + ": " + msg);
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
  }

  void confirma() {
    ejecuta("COMMIT;");
    if (sqlite3_close(db_) != SQLITE_OK) throw ErrorDatos("No se puede cerrar " + temporal_);
    db_ = nullptr;
    std::error_code ec;
    fs::rename(temporal_, salida_, ec);
    if (ec) {
      fs::remove(temporal_, ec);
      throw ErrorDatos("No se puede escribir " + salida_);
    }
  }

 private:
  std::string salida_;
  std::string temporal_;
  sqlite3* db_ = nullptr;
};

std::string Comillas(const std::string& nombre) {
  std::string r = "\"";
  for (char c : nombre) {
    if (c == '"') r += '"';
    r += c;
  }
  return r + "\"";
}

// ---- running mdbtools ----

struct SalidaPrograma {
  int codigo = -1;  // exit status; -1 when the program could not be run
  std::string salida;
  std::string errores;
};

SalidaPrograma Ejecuta(const std::vector<std::string>& args) {
  SalidaPrograma r;
  int tubOut[2], tubErr[2];
  if (pipe(tubOut) != 0) return r;
  if (pipe(tubErr) != 0) {
    close(tubOut[0]);
    close(tubOut[1]);
    return r;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {tubOut[0], tubOut[1], tubErr[0], tubErr[1]}) close(fd);
    return r;
  }
  if (pid == 0) {
    dup2(tubOut[1], STDOUT_FILENO);
    dup2(tubErr[1], STDERR_FILENO);
    for (int fd : {tubOut[0], tubOut[1], tubErr[0], tubErr[1]}) close(fd);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(tubOut[1]);
  close(tubErr[1]);
  pollfd fds[2] = {{tubOut[0], POLLIN, 0}, {tubErr[0], POLLIN, 0}};
  std::string* destinos[2] = {&r.salida, &r.errores};
  int abiertos = 2;
  char buf[65536];
  while (abiertos > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        destinos[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --abiertos;
      }
    }
  }
  for (auto& f : fds) {
    if (f.fd >= 0) close(f.fd);
  }
  int estado = 0;
  while (waitpid(pid, &estado, 0) < 0 && errno == EINTR) {
  }
  r.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  return r;
}

// Full path of an mdbtools program, "" when it cannot be found.
std::string BuscaHerramienta(const std::string& nombre) {
  if (const char* dir = std::getenv("ARBELIO_MDBTOOLS"); dir && *dir) {
    const fs::path p = fs::path(dir) / nombre;
    return access(p.c_str(), X_OK) == 0 ? p.string() : "";
  }
  const char* path = std::getenv("PATH");
  std::stringstream ss(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(ss, dir, ':')) {
    if (dir.empty()) continue;
    const fs::path p = fs::path(dir) / nombre;
    if (access(p.c_str(), X_OK) == 0) return p.string();
  }
  return "";
}

// Splits SQL text into statements on semicolons outside quotes, leaving out "--" comment
// lines.
std::vector<std::string> Sentencias(const std::string& texto, bool quitaComentarios = true) {
  std::string sql;
  if (!quitaComentarios) {
    sql = texto;
  } else {
    std::stringstream ss(texto);
    std::string linea;
    while (std::getline(ss, linea)) {
      if (store::trimWhitespace(linea).rfind("--", 0) == 0) continue;
      sql += linea;
      sql += '\n';
    }
  }
  std::vector<std::string> r;
  std::string actual;
  char comilla = 0;
  for (char c : sql) {
    if (comilla) {
      if (c == comilla) comilla = 0;
      actual += c;
    } else if (c == '\'' || c == '"' || c == '`') {
      comilla = c;
      actual += c;
    } else if (c == ';') {
      if (!store::trimWhitespace(actual).empty()) r.push_back(store::trimWhitespace(actual));
      actual.clear();
    } else {
      actual += c;
    }
  }
  if (!store::trimWhitespace(actual).empty()) r.push_back(store::trimWhitespace(actual));
  return r;
}

// Quoted identifiers ("x", `x` or [x]) and bare words of a text, in order.
std::vector<std::string> Identificadores(const std::string& s) {
  std::vector<std::string> r;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (c == '"' || c == '`' || c == '[') {
      const char cierre = c == '[' ? ']' : c;
      const std::size_t fin = s.find(cierre, i + 1);
      if (fin == std::string::npos) break;
      r.push_back(s.substr(i + 1, fin - i - 1));
      i = fin + 1;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t fin = i;
      while (fin < s.size() && (std::isalnum(static_cast<unsigned char>(s[fin])) || s[fin] == '_'))
        ++fin;
      r.push_back(s.substr(i, fin - i));
      i = fin;
    } else {
      ++i;
    }
  }
  return r;
}

struct IndiceMdb {
  std::string nombre;
  std::string tabla;
  std::vector<std::string> columnas;
  bool unico = false;
};

// Index definitions printed by mdb-schema: "CREATE [UNIQUE] INDEX name ON table (cols)" and
// "ALTER TABLE table ADD CONSTRAINT name PRIMARY KEY (cols)". mdb-schema names an index
// table + "_" + index (+ "_idx"); the additions are removed.
std::vector<IndiceMdb> IndicesDelEsquema(const std::string& esquema) {
  std::vector<IndiceMdb> r;
  for (const std::string& s : Sentencias(esquema)) {
    const std::string m = store::toLowerAscii(s);
    const std::size_t par = s.find('(');
    if (par == std::string::npos) continue;
    const auto antes = Identificadores(s.substr(0, par));
    const auto cols = Identificadores(s.substr(par));
    IndiceMdb idx;
    if (m.rfind("create", 0) == 0 && m.find(" index ") != std::string::npos) {
      // CREATE [UNIQUE] INDEX name ON table
      std::size_t k = 1;
      if (k < antes.size() && store::toLowerAscii(antes[k]) == "unique") {
        idx.unico = true;
        ++k;
      }
      if (k + 3 >= antes.size()) continue;
      idx.nombre = antes[k + 1];
      idx.tabla = antes[k + 3];
    } else if (m.rfind("alter table", 0) == 0 && m.find("primary key") != std::string::npos) {
      // The primary key of an Access table is its index "PrimaryKey", whatever name the
      // export gives the constraint.
      if (antes.size() < 3) continue;
      idx.tabla = antes[2];
      idx.nombre = "PrimaryKey";
      idx.unico = true;
    } else if (m.rfind("alter table", 0) == 0 && m.find(" index ") != std::string::npos) {
      // ALTER TABLE table ADD [UNIQUE] INDEX name
      if (antes.size() < 3) continue;
      idx.tabla = antes[2];
      for (std::size_t k = 3; k + 1 < antes.size(); ++k) {
        if (store::toLowerAscii(antes[k]) == "unique") idx.unico = true;
        if (store::toLowerAscii(antes[k]) == "index") idx.nombre = antes[k + 1];
      }
      if (idx.nombre.empty()) continue;
    } else {
      continue;
    }
    idx.columnas = cols;
    const std::string prefijo = store::toLowerAscii(idx.tabla) + "_";
    if (store::toLowerAscii(idx.nombre).rfind(prefijo, 0) == 0) idx.nombre.erase(0, prefijo.size());
    const std::string sufijo = "_idx";
    if (idx.nombre.size() > sufijo.size() &&
        store::toLowerAscii(idx.nombre.substr(idx.nombre.size() - sufijo.size())) == sufijo)
      idx.nombre.resize(idx.nombre.size() - sufijo.size());
    r.push_back(std::move(idx));
  }
  return r;
}

// The documented spelling of an index name: "PrimaryKey", "BuscaF<n>Index".
std::string NombreIndiceCanonico(const std::string& nombre) {
  const std::string m = store::toLowerAscii(nombre);
  if (m == "primarykey" || m == "pkey") return "PrimaryKey";
  if (m.size() == 12 && m.rfind("buscaf", 0) == 0 && m.substr(7) == "index" && m[6] >= '1' &&
      m[6] <= '6')
    return std::string("BuscaF") + m[6] + "Index";
  return nombre;
}

std::vector<std::string> ColumnasSqlite(BaseNueva& base, const std::string& tabla) {
  std::vector<std::string> r;
  sqlite3_stmt* st = base.prepara("PRAGMA table_info(" + Comillas(tabla) + ")");
  while (sqlite3_step(st) == SQLITE_ROW) {
    r.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
  }
  sqlite3_finalize(st);
  return r;
}

}  // namespace

// ---- HusoHoja ----

std::vector<HusosHoja> LeeCsvHusoHoja(std::istream& in) {
  std::vector<HusosHoja> filas;
  std::set<int> vistas;
  for (const auto& [linea, c] : FilasCsv(in)) {
    if (c.size() < 3 || c.size() > 4) FalloLinea(linea, "se esperan Hoja,nHusos,Huso1,Huso2");
    HusosHoja h;
    if (!EsEntero(c[0], h.hoja) || h.hoja <= 0) FalloLinea(linea, "número de hoja no válido");
    if (!EsEntero(c[1], h.nHusos) || h.nHusos < 1) FalloLinea(linea, "nHusos no válido");
    if (!EsEntero(c[2], h.huso1) || h.huso1 < 1 || h.huso1 > 60)
      FalloLinea(linea, "Huso1 no válido");
    if (c.size() == 4 && !c[3].empty()) {
      if (!EsEntero(c[3], h.huso2) || h.huso2 < 1 || h.huso2 > 60)
        FalloLinea(linea, "Huso2 no válido");
    }
    if (h.nHusos >= 2 && h.huso2 == 0) FalloLinea(linea, "falta Huso2 con nHusos 2");
    if (!vistas.insert(h.hoja).second) FalloLinea(linea, "hoja repetida " + std::to_string(h.hoja));
    filas.push_back(h);
  }
  if (filas.empty()) throw ErrorDatos("El archivo no contiene ninguna hoja.");
  return filas;
}

void CreaHusoHojaSqlite(const std::vector<HusosHoja>& filas, const std::string& salida) {
  BaseNueva base(salida);
  base.ejecuta(
      "CREATE TABLE Hojas (Hoja INTEGER NOT NULL, nHusos INTEGER, Huso1 INTEGER, Huso2 INTEGER);");
  sqlite3_stmt* st = base.prepara("INSERT INTO Hojas VALUES (?,?,?,?)");
  for (const HusosHoja& h : filas) {
    sqlite3_bind_int(st, 1, h.hoja);
    sqlite3_bind_int(st, 2, h.nHusos);
    sqlite3_bind_int(st, 3, h.huso1);
    if (h.huso2 != 0) {
      sqlite3_bind_int(st, 4, h.huso2);
    } else {
      sqlite3_bind_null(st, 4);
    }
    base.paso(st);
  }
  sqlite3_finalize(st);
  base.ejecuta("CREATE UNIQUE INDEX PrimaryKey ON Hojas (Hoja);");
  base.confirma();
}

// ---- EcuacionesKAV ----

std::vector<ModeloKAV> LeeCsvModelos(std::istream& in) {
  std::vector<ModeloKAV> r;
  std::set<int> vistos;
  for (const auto& [linea, c] : FilasCsv(in)) {
    if (c.size() != 2) FalloLinea(linea, "se esperan IdModelo,Modelo");
    ModeloKAV m;
    if (!EsEntero(c[0], m.idModelo) || m.idModelo <= 0) FalloLinea(linea, "IdModelo no válido");
    if (!vistos.insert(m.idModelo).second) FalloLinea(linea, "IdModelo repetido");
    m.modelo = c[1];
    r.push_back(std::move(m));
  }
  return r;
}

std::vector<EcuacionKAV> LeeCsvCubicacion(std::istream& in) {
  std::vector<EcuacionKAV> r;
  for (const auto& [linea, c] : FilasCsv(in)) {
    if (c.size() != 9)
      FalloLinea(linea, "se esperan clase,provincias,especie,formas,variable,modelo,a,b,c");
    EcuacionKAV e;
    e.clase = c[0];
    e.especie = c[2];
    e.variable = c[4];
    if (e.especie.empty() || e.variable.empty()) FalloLinea(linea, "falta especie o variable");
    if (c[3].empty()) FalloLinea(linea, "faltan las formas");
    for (char f : c[3]) {
      if (f < '1' || f > '6') FalloLinea(linea, "forma no válida");
      e.formas[f - '1'] = true;
    }
    if (!EsEntero(c[5], e.modelo) || e.modelo < 1 || e.modelo > 12)
      FalloLinea(linea, "modelo no válido");
    if (!EsReal(c[6], e.a) || !EsReal(c[7], e.b) || !EsReal(c[8], e.c))
      FalloLinea(linea, "parámetro no válido");
    std::vector<int> provincias;
    if (c[1] == "*") {
      for (int p = 1; p <= 50; ++p) provincias.push_back(p);
      provincias.push_back(55);
      provincias.push_back(56);
    } else {
      std::stringstream ss(c[1]);
      std::string t;
      while (ss >> t) {
        int p;
        if (!EsEntero(t, p) || p < 1 || p > 99) FalloLinea(linea, "provincia no válida");
        provincias.push_back(p);
      }
      if (provincias.empty()) FalloLinea(linea, "faltan las provincias");
    }
    for (int p : provincias) {
      e.provincia = p;
      r.push_back(e);
    }
  }
  return r;
}

void CreaEcuacionesSqlite(const std::vector<ModeloKAV>& modelos,
                          const std::vector<EcuacionKAV>& ecuaciones, const std::string& salida) {
  BaseNueva base(salida);
  base.ejecuta(
      "CREATE TABLE Modelos (IdModelo INTEGER NOT NULL, Modelo TEXT);"
      "CREATE TABLE Cubicacion (Id INTEGER NOT NULL, ClasePie TEXT, Provincia INTEGER, "
      "Especie TEXT, Forma1 INTEGER, Forma2 INTEGER, Forma3 INTEGER, Forma4 INTEGER, "
      "Forma5 INTEGER, Forma6 INTEGER, Variable TEXT, modelo INTEGER, "
      "\"a, p, k\" REAL, \"b, q\" REAL, \"c, r\" REAL);");
  sqlite3_stmt* st = base.prepara("INSERT INTO Modelos VALUES (?,?)");
  for (const ModeloKAV& m : modelos) {
    sqlite3_bind_int(st, 1, m.idModelo);
    sqlite3_bind_text(st, 2, m.modelo.c_str(), -1, SQLITE_TRANSIENT);
    base.paso(st);
  }
  sqlite3_finalize(st);
  st = base.prepara("INSERT INTO Cubicacion VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
  int id = 0;
  for (const EcuacionKAV& e : ecuaciones) {
    sqlite3_bind_int(st, 1, ++id);
    sqlite3_bind_text(st, 2, e.clase.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 3, e.provincia);
    sqlite3_bind_text(st, 4, e.especie.c_str(), -1, SQLITE_TRANSIENT);
    for (int f = 0; f < 6; ++f) sqlite3_bind_int(st, 5 + f, e.formas[f] ? 1 : 0);
    sqlite3_bind_text(st, 11, e.variable.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(st, 12, e.modelo);
    sqlite3_bind_double(st, 13, e.a);
    sqlite3_bind_double(st, 14, e.b);
    sqlite3_bind_double(st, 15, e.c);
    base.paso(st);
  }
  sqlite3_finalize(st);
  std::string indices = "CREATE UNIQUE INDEX PrimaryKey ON Modelos (IdModelo);";
  for (int f = 1; f <= 6; ++f) {
    const std::string n = std::to_string(f);
    indices += "CREATE INDEX BuscaF" + n +
               "Index ON Cubicacion (ClasePie, Provincia, Especie, Forma" + n + ", Variable);";
  }
  base.ejecuta(indices);
  base.confirma();
}

// ---- import-mdb ----

ResultadoImportacion ImportaMdb(const std::string& archivoMdb, const std::string& salida) {
  std::error_code ec;
  if (!fs::is_regular_file(archivoMdb, ec)) {
    throw ErrorDatos("No se encuentra el archivo " + archivoMdb);
  }
  const std::string mdbTables = BuscaHerramienta("mdb-tables");
  const std::string mdbSchema = BuscaHerramienta("mdb-schema");
  const std::string mdbExport = BuscaHerramienta("mdb-export");
  if (mdbTables.empty() || mdbSchema.empty() || mdbExport.empty()) {
    throw ErrorDatos(
        "No se encuentran las herramientas mdbtools (mdb-tables, mdb-schema, mdb-export). "
        "Instale el paquete mdbtools.");
  }
  const SalidaPrograma lista = Ejecuta({mdbTables, "-1", archivoMdb});
  if (lista.codigo != 0) {
    throw ErrorDatos("El archivo " + archivoMdb + " no es una base de datos de Access.");
  }
  std::map<std::string, std::string> presentes;  // lower-case name -> name in the file
  {
    std::stringstream ss(lista.salida);
    std::string t;
    while (std::getline(ss, t)) {
      t = store::trimWhitespace(t);
      if (!t.empty()) presentes[store::toLowerAscii(t)] = t;
    }
  }
  const bool hayHojas = presentes.count("hojas") > 0;
  const bool hayModelos = presentes.count("modelos") > 0;
  const bool hayCubicacion = presentes.count("cubicacion") > 0;
  if (!hayHojas && !hayModelos && !hayCubicacion) {
    throw ErrorDatos("El archivo " + archivoMdb +
                     " no contiene la tabla Hojas ni las tablas Modelos y Cubicacion.");
  }
  if (hayModelos != hayCubicacion) {
    throw ErrorDatos("Falta la tabla " + std::string(hayModelos ? "Cubicacion" : "Modelos") +
                     " en el archivo " + archivoMdb + ".");
  }

  ResultadoImportacion r;
  BaseNueva base(salida);
  for (const char* buscada : {"Hojas", "Modelos", "Cubicacion"}) {
    auto it = presentes.find(store::toLowerAscii(buscada));
    if (it == presentes.end()) continue;
    const std::string& tabla = it->second;
    const SalidaPrograma esquema =
        Ejecuta({mdbSchema, "--no-relations", "--no-indexes", "-T", tabla, archivoMdb, "sqlite"});
    if (esquema.codigo != 0) {
      throw ErrorDatos("No se puede leer la estructura de la tabla " + tabla + " de " + archivoMdb +
                       ".");
    }
    for (const std::string& s : Sentencias(esquema.salida)) {
      const std::string m = store::toLowerAscii(s);
      if (m.rfind("create table", 0) == 0) base.ejecuta(s + ";");
    }
    const SalidaPrograma datos =
        Ejecuta({mdbExport, "-I", "sqlite", "-D", "%Y-%m-%d %H:%M:%S", archivoMdb, tabla});
    if (datos.codigo != 0) {
      throw ErrorDatos("No se pueden leer los datos de la tabla " + tabla + " de " + archivoMdb +
                       ".");
    }
    // Only the rows: the export may bring its own transaction statements.
    for (const std::string& s : Sentencias(datos.salida, false)) {
      if (store::toLowerAscii(s.substr(0, 6)) == "insert") base.ejecuta(s + ";");
    }
    if (tabla != buscada) {
      // SQLite compares names without case: a change of case only goes through another name.
      const std::string paso = std::string(buscada) + "_importada";
      base.ejecuta("ALTER TABLE " + Comillas(tabla) + " RENAME TO " + Comillas(paso) + ";");
      base.ejecuta("ALTER TABLE " + Comillas(paso) + " RENAME TO " + Comillas(buscada) + ";");
    }
    r.tablas.push_back(buscada);
    {
      sqlite3_stmt* st = base.prepara("SELECT count(*) FROM " + Comillas(buscada));
      sqlite3_step(st);
      r.filas.push_back(sqlite3_column_int64(st, 0));
      sqlite3_finalize(st);
    }

    // Index definitions, from the first back end of mdb-schema that prints them.
    std::vector<IndiceMdb> indices;
    for (const char* dialecto : {"postgres", "mysql", "oracle"}) {
      const SalidaPrograma conIndices =
          Ejecuta({mdbSchema, "--no-relations", "--indexes", "-T", tabla, archivoMdb, dialecto});
      if (conIndices.codigo != 0) continue;
      for (IndiceMdb& idx : IndicesDelEsquema(conIndices.salida)) {
        if (store::toLowerAscii(idx.tabla) == store::toLowerAscii(tabla))
          indices.push_back(std::move(idx));
      }
      if (!indices.empty()) break;
    }
    const auto columnas = ColumnasSqlite(base, buscada);
    std::set<std::string> creados;
    for (const IndiceMdb& idx : indices) {
      const std::string nombre = NombreIndiceCanonico(idx.nombre);
      std::string columnasIndice;
      bool ok = !idx.columnas.empty();
      for (const std::string& c : idx.columnas) {
        auto col = std::find_if(columnas.begin(), columnas.end(), [&](const std::string& x) {
          return store::toLowerAscii(x) == store::toLowerAscii(c);
        });
        if (col == columnas.end() &&
            (store::toLowerAscii(c) == "asc" || store::toLowerAscii(c) == "desc"))
          continue;  // sort direction of the previous column
        if (col == columnas.end()) {
          ok = false;
          break;
        }
        columnasIndice += (columnasIndice.empty() ? "" : ", ") + Comillas(*col);
      }
      if (!ok || creados.count(store::toLowerAscii(nombre))) continue;
      // Index names are global in SQLite: a name already used by another table gets the
      // table's prefix back.
      std::string final = nombre;
      {
        sqlite3_stmt* st =
            base.prepara("SELECT count(*) FROM sqlite_master WHERE type='index' AND name=?");
        sqlite3_bind_text(st, 1, final.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        if (sqlite3_column_int(st, 0) > 0) final = std::string(buscada) + "_" + nombre;
        sqlite3_finalize(st);
      }
      base.ejecuta(std::string("CREATE ") + (idx.unico ? "UNIQUE " : "") + "INDEX " +
                   Comillas(final) + " ON " + Comillas(buscada) + " (" + columnasIndice + ");");
      creados.insert(store::toLowerAscii(nombre));
      creados.insert(store::toLowerAscii(final));
    }
    // The indexes the program searches through.
    std::vector<std::string> necesarios;
    if (std::string(buscada) == "Hojas") necesarios = {"PrimaryKey"};
    if (std::string(buscada) == "Cubicacion") {
      for (int f = 1; f <= 6; ++f) necesarios.push_back("BuscaF" + std::to_string(f) + "Index");
    }
    for (const std::string& n : necesarios) {
      if (creados.count(store::toLowerAscii(n))) continue;
      if (n == "PrimaryKey" && !columnas.empty()) {
        base.ejecuta("CREATE INDEX PrimaryKey ON Hojas (" + Comillas(columnas[0]) + ");");
        r.avisos.push_back("La tabla Hojas no trae índice PrimaryKey: se crea sobre la columna " +
                           columnas[0] + ".");
      } else {
        r.avisos.push_back("La tabla " + std::string(buscada) + " no trae el índice " + n + ".");
      }
    }
  }
  base.confirma();
  return r;
}

}  // namespace arbelio::inventory
