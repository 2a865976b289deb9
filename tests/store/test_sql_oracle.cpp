// The SQL dialect checked against SQLite: random dBASE tables (ties, nulls, negative numbers,
// texts of different widths and accents) are queried through the store and through an
// in-memory SQLite database holding the same rows, with GROUP BY, HAVING, ORDER BY, DISTINCT
// and the aggregates. The statements keep to comparisons whose meaning both engines share
// (numeric columns against unquoted numbers, text columns against quoted texts).
//
// The store's order rules are written into the SQLite statements: ORDER BY is stable (equal
// keys keep table order, SQLite's rowid), grouped rows come out in ascending key order unless
// ORDER BY says otherwise (and then equal keys keep that order), and DISTINCT keeps the first
// row of each repeat, so its rows come in the order of their first appearance. Every result is
// therefore compared row by row, in order.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "store/Database.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;

namespace {

// A column of the generated tables.
struct Columna {
  const char* nombre;
  FieldType tipo;
  int ancho;  // text only
  bool numerica;
};

// G and H: few distinct values, so groups and sort keys tie; C and NOMBRE: texts of one to
// twelve characters, with digits of different widths ("9" sorts after "10") and accented
// letters; V: quarters, negative too; N: wide integers; S: eighths in single precision.
// Quarters and eighths are exact in binary, so both engines read the same literals, and sums
// and averages (which they may add in another order) come out the same.
const Columna kColumnas[] = {
    {"G", FieldType::Integer, 0, true}, {"H", FieldType::Byte, 0, true},
    {"C", FieldType::Text, 3, false},   {"NOMBRE", FieldType::Text, 12, false},
    {"V", FieldType::Double, 0, true},  {"N", FieldType::Long, 0, true},
    {"S", FieldType::Single, 0, true}};
constexpr int kNumColumnas = sizeof(kColumnas) / sizeof(kColumnas[0]);

using Fila = std::vector<Value>;

// One cell as both engines give it back, for comparison and for the failure message.
struct Celda {
  enum class Tipo { Nulo, Numero, Texto } tipo = Tipo::Nulo;
  double numero = 0;
  std::string texto;
};

// Rows [desde, desde + 6) of a result.
std::string Mostrar(const std::vector<std::vector<Celda>>& filas, std::size_t desde) {
  std::ostringstream s;
  s.precision(17);
  for (std::size_t r = desde; r < filas.size() && r < desde + 6; ++r) {
    const auto& f = filas[r];
    s << "  " << r << ": (";
    for (std::size_t i = 0; i < f.size(); ++i) {
      if (i) s << ", ";
      if (f[i].tipo == Celda::Tipo::Nulo) s << "null";
      if (f[i].tipo == Celda::Tipo::Numero) s << f[i].numero;
      if (f[i].tipo == Celda::Tipo::Texto) s << "'" << f[i].texto << "'";
    }
    s << ")\n";
  }
  return s.str();
}

// Quarters in decimal text: -5 -> "-1.25".
std::string Cuartos(int k) {
  static const char* const kFraccion[] = {".0", ".25", ".5", ".75"};
  return (k < 0 ? "-" : "") + std::to_string(std::abs(k) / 4) + kFraccion[std::abs(k) % 4];
}

bool Iguales(const std::vector<Celda>& a, const std::vector<Celda>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t c = 0; c < a.size(); ++c) {
    if (a[c].tipo != b[c].tipo) return false;
    if (a[c].tipo == Celda::Tipo::Texto && a[c].texto != b[c].texto) return false;
    if (a[c].tipo == Celda::Tipo::Numero && a[c].numero != b[c].numero) return false;
  }
  return true;
}

// Index of the first row where two results differ (the shorter one's size when one is a
// prefix of the other), or -1 when they are equal.
std::ptrdiff_t PrimeraDiferencia(const std::vector<std::vector<Celda>>& a,
                                 const std::vector<std::vector<Celda>>& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t r = 0; r < n; ++r) {
    if (!Iguales(a[r], b[r])) return static_cast<std::ptrdiff_t>(r);
  }
  return a.size() == b.size() ? -1 : static_cast<std::ptrdiff_t>(n);
}

class Generador {
 public:
  explicit Generador(std::uint32_t semilla) : azar_(semilla) {}

  int Entero(int desde, int hasta) { return std::uniform_int_distribution<>(desde, hasta)(azar_); }
  bool Probabilidad(double p) { return std::bernoulli_distribution(p)(azar_); }
  template <class T>
  const T& Uno(const std::vector<T>& v) {
    return v[static_cast<std::size_t>(Entero(0, static_cast<int>(v.size()) - 1))];
  }

  Value Valor(const Columna& c) {
    if (Probabilidad(0.12)) return Value();
    const std::string nombre = c.nombre;
    if (nombre == "G") return Value(Entero(-2, 3));
    if (nombre == "H") return Value(Entero(0, 4));
    if (nombre == "V") return Value(Entero(-99999, 99999) / 4.0);
    if (nombre == "N") return Value(Entero(-3, 3) * 100000 + Entero(0, 2));
    if (nombre == "S") return Value(static_cast<float>(Entero(-5000, 5000)) / 8.0f);
    if (nombre == "C") return Value(Uno(kCodigos));
    return Value(Texto());
  }

  // A text of 1 to 12 characters without blanks at its ends (the store trims those).
  std::string Texto() {
    static const std::vector<std::string> kLetras = {"a", "b", "B", "z", "0", "1", "9",
                                                     "ñ", "Á", "é", "-", "_", " "};
    std::string t;
    const int n = Entero(1, 12);
    for (int i = 0; i < n; ++i) {
      // A blank only inside the text.
      const bool extremo = i == 0 || i == n - 1;
      t += kLetras[static_cast<std::size_t>(
          Entero(0, static_cast<int>(kLetras.size()) - 1 - extremo))];
    }
    return t;
  }

  static inline const std::vector<std::string> kCodigos = {"1",  "9", "10", "100", "21", "A",
                                                           "AB", "a", "ñ",  "É",   "-1", "021"};

 private:
  std::mt19937 azar_;
};

class SqlFrenteASqlite : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(sqlite3_open(":memory:", &lite_), SQLITE_OK); }
  void TearDown() override { sqlite3_close(lite_); }

  // Writes a new table of `filas` random rows through the store, and loads SQLite's table of
  // the same name with the same rows, in table order, as the store reads them back (which
  // must be the values written).
  void Crear(Generador& g, int filas) {
    t_ = "T" + std::to_string(++tablas_);
    TableDef def(t_);
    for (const auto& c : kColumnas) def.appendField(c.nombre, c.tipo, c.ancho);
    db_.appendTableDef(def);
    std::vector<Fila> escritas;
    {
      Cursor c = db_.openCursor(t_, CursorKind::Table);
      for (int r = 0; r < filas; ++r) {
        c.addNew();
        Fila fila;
        for (const auto& col : kColumnas) {
          fila.push_back(g.Valor(col));
          c.setValue(col.nombre, fila.back());
        }
        c.update();
        escritas.push_back(std::move(fila));
      }
    }
    Ejecutar("CREATE TABLE " + t_ + " (G, H, C, NOMBRE, V, N, S)");
    sqlite3_stmt* ins = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(lite_, ("INSERT INTO " + t_ + " VALUES (?, ?, ?, ?, ?, ?, ?)").c_str(),
                           -1, &ins, nullptr),
        SQLITE_OK);
    Cursor c = db_.openCursor(t_, CursorKind::Table);
    ASSERT_EQ(c.recordCount(), filas);
    for (std::size_t r = 0; !c.eof(); c.moveNext(), ++r) {
      for (int i = 0; i < kNumColumnas; ++i) {
        const Value v = c.value(i);
        ASSERT_TRUE(v == escritas[r][static_cast<std::size_t>(i)])
            << t_ << " fila " << r << " columna " << kColumnas[i].nombre << ": " << v.toString();
        if (v.isNull()) {
          sqlite3_bind_null(ins, i + 1);
        } else if (v.isNumber()) {
          sqlite3_bind_double(ins, i + 1, v.number());
        } else {
          sqlite3_bind_text(ins, i + 1, v.text().c_str(), -1, SQLITE_TRANSIENT);
        }
      }
      ASSERT_EQ(sqlite3_step(ins), SQLITE_DONE);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
  }

  void Ejecutar(const std::string& sql) {
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(lite_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error;
  }

  std::vector<std::vector<Celda>> Nuestro(const std::string& sql) {
    std::vector<std::vector<Celda>> filas;
    Cursor c = db_.openCursor(sql);
    for (; !c.eof(); c.moveNext()) {
      std::vector<Celda> f;
      for (int i = 0; i < c.fieldCount(); ++i) {
        const Value v = c.value(i);
        Celda celda;
        if (v.isNumber()) celda = {Celda::Tipo::Numero, v.number(), {}};
        if (v.isText()) celda = {Celda::Tipo::Texto, 0, v.text()};
        f.push_back(celda);
      }
      filas.push_back(std::move(f));
    }
    return filas;
  }

  // The columns of the result only: `ocultas` trailing columns (the order helpers) are dropped.
  std::vector<std::vector<Celda>> DeSqlite(const std::string& sql, int ocultas = 0) {
    std::vector<std::vector<Celda>> filas;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(lite_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(lite_);
      return filas;
    }
    const int n = sqlite3_column_count(st) - ocultas;
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<Celda> f;
      for (int i = 0; i < n; ++i) {
        Celda celda;
        switch (sqlite3_column_type(st, i)) {
          case SQLITE_INTEGER:
          case SQLITE_FLOAT:
            celda = {Celda::Tipo::Numero, sqlite3_column_double(st, i), {}};
            break;
          case SQLITE_TEXT:
            celda = {Celda::Tipo::Texto, 0,
                     reinterpret_cast<const char*>(sqlite3_column_text(st, i))};
            break;
          default:
            break;
        }
        f.push_back(celda);
      }
      filas.push_back(std::move(f));
    }
    sqlite3_finalize(st);
    return filas;
  }

  // Runs the store's statement and SQLite's; reports the statement and both results when
  // they differ.
  void Comparar(const std::string& nuestro, const std::string& sqlite, int ocultas = 0) {
    ++comparados_;
    std::vector<std::vector<Celda>> obtenido;
    try {
      obtenido = Nuestro(nuestro);
    } catch (const std::exception& e) {
      ADD_FAILURE() << nuestro << "\n  falla: " << e.what();
      return;
    }
    const auto esperado = DeSqlite(sqlite, ocultas);
    const std::ptrdiff_t r = PrimeraDiferencia(obtenido, esperado);
    if (r < 0) return;
    const auto desde = static_cast<std::size_t>(r);
    ADD_FAILURE() << nuestro << "\n(SQLite: " << sqlite << ")\n"
                  << esperado.size() << " filas esperadas, " << obtenido.size()
                  << " obtenidas; primera diferencia en la fila " << desde << "\nesperado:\n"
                  << Mostrar(esperado, desde) << "obtenido:\n"
                  << Mostrar(obtenido, desde);
  }

  // A WHERE condition of one to three comparisons that both engines read alike.
  std::string Condicion(Generador& g) {
    std::string s;
    const int n = g.Entero(1, 3);
    for (int i = 0; i < n; ++i) {
      if (i) s += g.Probabilidad(0.7) ? " AND " : " OR ";
      s += Comparacion(g);
    }
    return s;
  }

  std::string Comparacion(Generador& g) {
    static const std::vector<std::string> kOps = {"=", "<", ">", "<=", ">=", "<>"};
    const Columna& c = kColumnas[g.Entero(0, kNumColumnas - 1)];
    const std::string nombre = c.nombre;
    if (nombre == "G" && g.Probabilidad(0.3)) {
      return "(G IN (" + std::to_string(g.Entero(-2, 0)) + "," + std::to_string(g.Entero(1, 3)) +
             "))";
    }
    std::string literal;
    if (!c.numerica) {
      literal = "'" + (nombre == "C" ? g.Uno(Generador::kCodigos) : g.Texto()) + "'";
    } else if (nombre == "V") {
      literal = Cuartos(g.Entero(-99999, 99999));
    } else if (nombre == "S") {
      literal = std::to_string(g.Entero(-600, 600));
    } else if (nombre == "N") {
      literal = std::to_string(g.Entero(-3, 3) * 100000 + g.Entero(0, 2));
    } else {
      literal = std::to_string(g.Entero(-2, 4));
    }
    return nombre + " " + g.Uno(kOps) + " " + literal;
  }

  std::string Where(Generador& g) { return g.Probabilidad(0.6) ? " WHERE " + Condicion(g) : ""; }

  // Distinct columns for grouping or DISTINCT, and a column to aggregate.
  std::vector<std::string> Claves(Generador& g) {
    static const std::vector<std::string> kClaves = {"G", "H", "C", "N"};
    std::vector<std::string> claves = {g.Uno(kClaves)};
    if (g.Probabilidad(0.5)) {
      const std::string otra = g.Uno(kClaves);
      if (otra != claves[0]) claves.push_back(otra);
    }
    return claves;
  }

  static std::string Lista(const std::vector<std::string>& v, const std::string& sufijo = "") {
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : ", ") + x + sufijo;
    return s;
  }

  // SELECT * ... ORDER BY one to three columns, each ascending or descending: equal keys keep
  // table order.
  void Ordenado(Generador& g) {
    static const std::vector<std::string> kOrden = {"G", "H", "C", "NOMBRE", "V", "N", "S"};
    std::vector<std::string> claves;
    const int n = g.Entero(1, 3);
    for (int i = 0; i < n; ++i)
      claves.push_back(g.Uno(kOrden) + (g.Probabilidad(0.4) ? " DESC" : ""));
    const std::string where = Where(g);
    Comparar("SELECT * FROM " + t_ + where + " ORDER BY " + Lista(claves),
             "SELECT * FROM " + t_ + where + " ORDER BY " + Lista(claves) + ", rowid");
  }

  // SELECT keys, aggregates ... GROUP BY keys [HAVING ...] [ORDER BY an aggregate].
  void Agrupado(Generador& g) {
    static const std::vector<std::string> kMedidas = {"V", "N", "S", "H"};
    const auto claves = Claves(g);
    const std::string m = g.Uno(kMedidas);
    const std::string lista = Lista(claves) + ", Count(" + m +
                              ") AS Cuenta, Count(*) AS Filas, Sum(" + m + ") AS Suma, Avg(" + m +
                              ") AS Media, Min(" + m + ") AS Menor, Max(NOMBRE) AS Mayor";
    std::string having;
    if (g.Probabilidad(0.4)) {
      having = " HAVING Count(*) >= " + std::to_string(g.Entero(1, 4));
      if (g.Probabilidad(0.5)) {
        having += " AND Sum(" + m + ") " + (g.Probabilidad(0.5) ? ">" : "<=") + " " +
                  Cuartos(g.Entero(-4000, 4000));
      }
    }
    const std::string where = Where(g);
    const std::string base =
        "SELECT " + lista + " FROM " + t_ + where + " GROUP BY " + Lista(claves) + having;
    if (g.Probabilidad(0.5)) {
      Comparar(base, base + " ORDER BY " + Lista(claves));
    } else {
      // Groups equal in the ordering aggregate keep their ascending key order.
      static const std::vector<std::string> kAlias = {"Cuenta", "Filas", "Suma", "Media"};
      const std::string orden = g.Uno(kAlias) + (g.Probabilidad(0.5) ? " DESC" : "");
      Comparar(base + " ORDER BY " + orden, base + " ORDER BY " + orden + ", " + Lista(claves));
    }
  }

  // SELECT DISTINCT keys ... [ORDER BY some of them]: rows in the order of first appearance
  // within equal ORDER BY keys.
  void Distinto(Generador& g) {
    const auto claves = Claves(g);
    const std::string where = Where(g);
    std::string orden;
    if (g.Probabilidad(0.7)) orden = claves[0] + (g.Probabilidad(0.4) ? " DESC" : "");
    Comparar("SELECT DISTINCT " + Lista(claves) + " FROM " + t_ + where +
                 (orden.empty() ? "" : " ORDER BY " + orden),
             "SELECT " + Lista(claves) + ", min(rowid) FROM " + t_ + where + " GROUP BY " +
                 Lista(claves) + " ORDER BY " + (orden.empty() ? "" : orden + ", ") + "min(rowid)",
             1);
  }

  // Aggregates over the whole table: exactly one row, even when no row passes WHERE.
  void Total(Generador& g) {
    static const std::vector<std::string> kMedidas = {"V", "N", "S", "G"};
    const std::string m = g.Uno(kMedidas);
    const std::string sql = "SELECT Count(*) AS Filas, Count(" + m + ") AS Cuenta, Sum(" + m +
                            ") AS Suma, Avg(" + m + ") AS Media, Max(C) AS Mayor FROM " + t_ +
                            Where(g);
    Comparar(sql, sql);
  }

  CarpetaTemporal dir_;
  Database db_ = Database::open(dir_.ruta());
  sqlite3* lite_ = nullptr;
  std::string t_;  // the current table
  int tablas_ = 0;
  int comparados_ = 0;
};

TEST_F(SqlFrenteASqlite, GroupHavingOrderDistinctAndAggregatesAgree) {
  Generador g(20240611);
  for (int tabla = 0; tabla < 24; ++tabla) {
    // Table sizes from empty and one row up to a few hundred, so groups of one and
    // all-null groups occur as well as long runs of ties.
    const int filas = tabla < 2 ? tabla : g.Entero(2, 300);
    Crear(g, filas);
    for (int i = 0; i < 10; ++i) Ordenado(g);
    for (int i = 0; i < 10; ++i) Agrupado(g);
    for (int i = 0; i < 6; ++i) Distinto(g);
    for (int i = 0; i < 4; ++i) Total(g);
    if (HasFailure()) break;
  }
  EXPECT_EQ(comparados_, 24 * 30);
}

}  // namespace
