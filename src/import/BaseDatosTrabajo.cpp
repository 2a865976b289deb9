#include "import/BaseDatosTrabajo.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "import/ArchivosImport.h"
#include "shell/EjecutarOrden.h"
#include "shell/Progreso.h"
#include "store/FileOps.h"
#include "store/Memoria.h"
#include "store/Paralelo.h"
#include "store/Text.h"
#include "store/Tramos.h"

namespace arbelio::import {

namespace {

// Base names of the six working tables: entries 0-5 of NombresTablas.
std::vector<std::string> BasesTrabajo(const EstadoAplicacion& estado) {
  return {estado.NombresTablas.begin(), estado.NombresTablas.begin() + 6};
}

// Key columns for duplicate removal, by base name.
std::vector<std::string> ClavesDe(std::size_t base) {
  if (base == 0) return {"PROVINCIA", "ESTADILLO"};
  if (base == 5) return {"PROVINCIA", "ESTADILLO", "ESPECIE"};
  return {"PROVINCIA", "ESTADILLO", "NUMORDEN"};
}

void CreaIndices(store::Database& db, const std::vector<std::string>& bases,
                 shell::Progreso& progreso, int& barra) {
  for (const std::string& b : bases) {
    const std::string tabla = b + "00";
    if (!db.tableDef(tabla).hasIndex(kIndiceProvEst)) {
      store::IndexDef idx;
      idx.name = kIndiceProvEst;
      idx.fields = {"Provincia", "Estadillo"};
      db.appendIndex(tabla, idx);
    }
    progreso.explicacion("Creando Índices para tabla " + tabla);
    barra += 1;
    progreso.barra(barra);
  }
}

// The dialog of the generation is centred and has no Cancelar: the merge cannot be cancelled.
constexpr const char* kTituloGeneracion = "Generando base de datos de trabajo...";

// Its labels: "Progreso:" hidden, LabelZ empty, the bar at 0.
void PreparaDialogo(shell::Progreso& progreso) {
  progreso.barra(0);
  progreso.etiquetas(false, true, false);
  progreso.posicion("");
}

bool ClaveIgual(const store::Value& a, const store::Value& b) {
  if (a.isNull() || b.isNull()) return false;  // a null never equals
  return a == b;
}

// The rows to remove as duplicates when every key of every row is empty or a whole number that
// fits its share of 64 bits (a province below 65,536, plot and tree numbers below 2^24: the
// inventory's keys): each row's keys packed into one number, ordered with the row's place
// breaking ties (the stable order), and a row whose keys equal the next one's is listed. A row
// with an empty key never equals another, so it is left out of the order. Null when a key does
// not fit: the caller then orders the rows by their values.
std::optional<std::vector<std::uint32_t>> RepetidasEnteras(store::Cursor& c, std::size_t n) {
  if (n == 0 || n > 3) return std::nullopt;
  static constexpr std::array<int, 3> kBits = {16, 24, 24};
  struct Entrada {
    std::uint64_t clave;
    std::uint32_t fila;
  };
  const auto filas = static_cast<std::size_t>(c.recordCount());
  // One entry per row of a country's table: from the store's kept areas when one fits (above
  // 32 MB every vector of malloc's is memory mapped and faulted anew).
  std::vector<Entrada, store::AsignadorGrande<Entrada>> entradas(filas);
  for (std::size_t i = 0; i < filas; ++i)
    entradas[i].fila = c.rowIdAt(static_cast<std::int64_t>(i));
  std::vector<char, store::AsignadorGrande<char>> conVacia(filas, 0);
  std::atomic<bool> cabe{true};
  store::EnDosMitades(filas, [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t i = desde; i < hasta && cabe.load(std::memory_order_relaxed); ++i) {
      const std::uint32_t fila = entradas[i].fila;
      std::uint64_t clave = 0;
      for (std::size_t k = 0; k < n; ++k) {
        double x = 0;
        if (!c.numberOfRow(fila, static_cast<int>(k), x, true)) {
          cabe = false;  // a text key
          return;
        }
        if (std::isnan(x)) {
          conVacia[i] = 1;
          continue;
        }
        const double tope = std::ldexp(1.0, kBits[k]);
        if (!(x >= 0 && x < tope) || x != std::floor(x)) {
          cabe = false;
          return;
        }
        clave = (clave << kBits[k]) | static_cast<std::uint64_t>(x);
      }
      entradas[i].clave = clave;
    }
  });
  if (!cabe) return std::nullopt;
  std::size_t llenas = 0;
  for (std::size_t i = 0; i < filas; ++i) {
    if (!conVacia[i]) entradas[llenas++] = entradas[i];
  }
  entradas.resize(llenas);
  std::vector<std::uint32_t> repetidas;
  // The rows of [desde, hasta) of the entries in key order whose key equals the next one's.
  const auto listar = [&](std::size_t desde, std::size_t hasta) {
    for (std::size_t i = desde; i + 1 < hasta; ++i) {
      if (entradas[i].clave == entradas[i + 1].clave) repetidas.push_back(entradas[i].fila);
    }
  };
  const auto menor = [](const Entrada& a, const Entrada& b) { return a.clave < b.clave; };
  auto cortes = store::CortesDeTramos(entradas, menor);
  if (!cortes) {
    std::sort(entradas.begin(), entradas.end(), [](const Entrada& a, const Entrada& b) {
      return a.clave != b.clave ? a.clave < b.clave : a.fila < b.fila;
    });
    listar(0, entradas.size());
    return repetidas;
  }
  // A working table comes a province after another, each in key order: a few runs of rising
  // keys. When no two runs share a key, a run's duplicates lie next to each other, and walking
  // the runs in the order of their keys lists the rows the merged order lists, in that order,
  // without an array of a country's entries to merge them into.
  std::vector<std::pair<std::size_t, std::size_t>> tramos;  // [desde, hasta) of each run
  for (std::size_t t = 0; t < cortes->size(); ++t)
    tramos.emplace_back((*cortes)[t], t + 1 < cortes->size() ? (*cortes)[t + 1] : entradas.size());
  std::sort(tramos.begin(), tramos.end(), [&](const auto& x, const auto& y) {
    return entradas[x.first].clave < entradas[y.first].clave;
  });
  bool separados = true;
  for (std::size_t t = 1; t < tramos.size() && separados; ++t)
    separados = entradas[tramos[t].first].clave > entradas[tramos[t - 1].second - 1].clave;
  if (separados) {
    for (const auto& [desde, hasta] : tramos) listar(desde, hasta);
    return repetidas;
  }
  store::MezclaTramos(entradas, std::move(*cortes), menor);
  listar(0, entradas.size());
  return repetidas;
}

// Renames every file of BDTemp whose name carries the code to the same name with "00" in its
// place (the last occurrence before the extension). Index sidecars follow their tables.
void RenombraACodigo00(const std::string& carpeta, const std::string& codigo) {
  const std::vector<store::FileEntry> archivos = store::listFiles(carpeta);
  for (const store::FileEntry& f : archivos) {
    if (!store::fileExists(f.path)) continue;  // carried by its table's rename
    const std::size_t punto = f.name.find('.');
    const std::string base = f.name.substr(0, punto);
    const std::size_t p = base.rfind(codigo);
    if (p == std::string::npos) continue;
    std::string nuevo = f.name;
    nuevo.replace(p, codigo.size(), "00");
    if (nuevo == f.name) continue;
    store::renameFile(f.path, carpeta + "/" + nuevo);
  }
}

}  // namespace

bool ExisteBaseTrabajo(const EstadoAplicacion& estado) {
  return ExisteTabla(estado.rutas.BDTemp, "Datdef00.dbf");
}

std::int64_t EliminaDuplicados(store::Database& db, const std::string& tabla,
                               const std::vector<std::string>& claves, shell::Interaccion& ui) {
  shell::Progreso progreso(ui);
  std::string lista;
  for (const std::string& c : claves) lista += (lista.empty() ? "" : ", ") + c;
  progreso.explicacion("Eliminando duplicados en tabla " + tabla);
  progreso.etiquetas(true, true, false);
  progreso.posicion("0");
  progreso.calculos(" registros duplicados en tabla " + tabla);
  std::int64_t eliminados = 0;
  const auto eliminar = [&](store::Cursor& c, std::vector<std::uint32_t> repetidas) {
    if (repetidas.empty()) return;
    store::Cursor borrar = c.withRows(std::move(repetidas));
    for (; !borrar.eof(); borrar.moveNext()) {
      borrar.remove();
      ++eliminados;
      progreso.posicion(std::to_string(eliminados));
    }
  };
  {
    // Whole-number keys (the inventory's) are ordered packed, without ordering the rows' values.
    store::Cursor todas =
        db.openCursor("SELECT " + lista + " FROM " + tabla, store::CursorKind::Dynaset);
    if (auto repetidas = RepetidasEnteras(todas, claves.size())) {
      eliminar(todas, std::move(*repetidas));
      return eliminados;
    }
  }
  store::Cursor primero = db.openCursor("SELECT " + lista + " FROM " + tabla + " ORDER BY " + lista,
                                        store::CursorKind::Dynaset);
  // In key order, a row whose key equals the next row's is removed (of equal rows the last in
  // order stays; a null never equals). Numeric keys are compared as numbers, with no value made.
  const int n = static_cast<int>(claves.size());
  const auto filas = static_cast<std::size_t>(primero.recordCount());
  std::vector<std::uint32_t> orden(filas);
  for (std::size_t i = 0; i < filas; ++i) orden[i] = primero.rowIdAt(static_cast<std::int64_t>(i));
  const auto iguales = [&](std::uint32_t a, std::uint32_t b) {
    for (int k = 0; k < n; ++k) {
      double x = 0, y = 0;
      if (primero.numberOfRow(a, k, x) && primero.numberOfRow(b, k, y)) {
        if (std::isnan(x) || std::isnan(y) || x != y) return false;
      } else if (!ClaveIgual(primero.valueOfRow(a, k), primero.valueOfRow(b, k))) {
        return false;
      }
    }
    return true;
  };
  std::vector<std::uint32_t> repetidas;
  for (std::size_t i = 0; i + 1 < filas; ++i) {
    if (iguales(orden[i], orden[i + 1])) repetidas.push_back(orden[i]);
  }
  eliminar(primero, std::move(repetidas));
  primero.close();
  return eliminados;
}

bool mnuAGenerarBDT_Click(EstadoAplicacion& estado, shell::Interaccion& ui) {
  shell::RelojArena reloj(ui);
  const std::string& temp = estado.rutas.BDTemp;
  const std::vector<std::string> bases = BasesTrabajo(estado);
  return shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    if (estado.CodigosSeleccionados.size() == 1) {
      RenombraACodigo00(temp, store::trimSpaces(estado.CodigosSeleccionados[0]));
      store::Database db = store::Database::open(temp);
      shell::Progreso progreso(ui, kTituloGeneracion, "", false, shell::PosicionProgreso::Centrado);
      PreparaDialogo(progreso);
      int barra = 0;
      CreaIndices(db, bases, progreso, barra);
      db.close();
      // The working database now stands for this selection: no other database may join it.
      estado.menus.alGenerarBaseTrabajo();
      return;
    }

    shell::Progreso progreso(ui, kTituloGeneracion, "", false, shell::PosicionProgreso::Centrado);
    PreparaDialogo(progreso);
    int barra = 0;
    for (const std::string& b : bases) {
      BorraTablaSiExiste(temp, b + "00.dbf");
      // The template's layout, widened where a province's table holds more.
      std::vector<std::string> fuentes;
      for (const std::string& c : estado.CodigosSeleccionados)
        fuentes.push_back(RutaTabla(temp, b + store::trimSpaces(c) + ".dbf"));
      CreaTablaParaFuentes(estado.rutas.BDEstruct + "/" + b + ".dbf", fuentes,
                           temp + "/" + b + "00.dbf");
      progreso.explicacion("Generando estructura de tabla " + b);
      barra += 3;
      progreso.barra(barra);
    }

    store::OpenOptions exclusiva;
    exclusiva.exclusive = true;
    store::Database db = store::Database::open(temp, exclusiva);
    for (const std::string& b : bases) {
      db.execute("DELETE * FROM " + b + "00" + " ;");
      for (const std::string& c : estado.CodigosSeleccionados)
        db.execute("INSERT  INTO " + b + "00" + " SELECT * FROM " + b + store::trimSpaces(c) +
                   " ;");
      progreso.explicacion("Rellenando de datos la tabla " + b + "00");
      barra += 6;
      progreso.barra(barra);
    }
    CreaIndices(db, bases, progreso, barra);
    for (std::size_t i = 0; i < bases.size(); ++i) {
      EliminaDuplicados(db, store::toUpperAscii(bases[i]) + "00", ClavesDe(i), ui);
      barra += 6;
      progreso.barra(barra);
    }
    db.close();
    progreso.explicacion("Eliminando ficheros temporales");
    progreso.barra(100);
    progreso.etiquetas(false, false, false);

    for (const std::string& c : estado.CodigosSeleccionados)
      for (const std::string& b : bases)
        BorraTablaSiExiste(temp, b + store::trimSpaces(c) + ".dbf");

    progreso.terminar();
    estado.menus.alGenerarBaseTrabajo();
  });
}

std::vector<std::int64_t> FilasBaseTrabajo(const EstadoAplicacion& estado) {
  store::OpenOptions o;
  o.readOnly = true;
  store::Database db = store::Database::open(estado.rutas.BDTemp, o);
  std::vector<std::int64_t> r;
  for (const std::string& b : BasesTrabajo(estado)) r.push_back(db.liveRowCount(b + "00"));
  return r;
}

}  // namespace arbelio::import

namespace arbelio::import {

bool GeneraBaseTrabajoSiFalta(EstadoAplicacion& estado, shell::Interaccion& ui) {
  if (ExisteBaseTrabajo(estado)) return true;
  if (estado.CodigosSeleccionados.empty() || !estado.HayBasesSeleccionadas) return false;
  return mnuAGenerarBDT_Click(estado, ui);
}

}  // namespace arbelio::import
