#include "equations/EcuacionesUsuario.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "inventory/TablasInventario.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

namespace arbelio::equations {

namespace {

std::string recortar(std::string_view s) {
  std::size_t b = 0, f = s.size();
  while (b < f && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (f > b && (s[f - 1] == ' ' || s[f - 1] == '\t')) --f;
  return std::string(s.substr(b, f - b));
}

std::size_t caracteresUtf8(std::string_view s) {
  std::size_t n = 0;
  for (char c : s) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

// A number field compared as a number; null never matches.
bool igualNumero(const store::Value& v, double x) {
  if (v.isNull()) return false;
  try {
    return v.toDouble() == x;
  } catch (const store::StoreError&) {
    return false;
  }
}

std::int32_t entero(const store::Value& v) {
  if (v.isNull()) return 0;
  return v.toInt32();
}

bool esDelConjunto(const store::Cursor& c, const ConjuntoEcuacion& q) {
  return igualNumero(c.value("Especie"), q.especie) && igualNumero(c.value("forma"), q.forma) &&
         igualNumero(c.value("calidad"), q.calidad) && c.value("variable").toString() == q.variable;
}

// Positions the cursor on the first "Ecuas" row of the set; false when there is none.
bool buscarEcuacion(store::Cursor& c, const ConjuntoEcuacion& q) {
  for (c.moveFirst(); !c.eof(); c.moveNext()) {
    if (esDelConjunto(c, q)) return true;
  }
  return false;
}

store::Database abrir(const UbicacionEcuacionesUsuario& u) {
  return store::Database::open(u.BDOut, {false, false, "DBASE IV"});
}

constexpr std::array<const char*, 3> kBases = {"Ecuas", "Models", "Params"};

void crearSiFalta(const UbicacionEcuacionesUsuario& u, const char* base) {
  const std::string nombre = std::string(base) + u.sufijo;
  const std::string destino = u.BDOut + "/" + nombre + ".dbf";
  if (store::fileExists(destino)) return;
  const std::string plantilla =
      u.BDEstruct.empty() ? std::string() : u.BDEstruct + "/" + base + ".dbf";
  if (!plantilla.empty() && store::fileExists(plantilla)) {
    store::copyFile(plantilla, destino);
    return;
  }
  store::Database db = abrir(u);
  db.appendTableDef(inventory::DefinicionTabla(inventory::LayoutPorNombre(base), nombre));
  db.close();
}

// Parameters to store: the names without the placeholder, each with its value.
void comprobarParametros(const std::vector<std::string>& parametros,
                         const std::vector<double>& valores, std::vector<std::string>& nombres) {
  nombres.clear();
  if (!esListaVacia(parametros)) nombres = parametros;
  if (valores.size() < nombres.size()) {
    throw store::StoreError(3001, "Faltan valores de parámetros de la ecuación.");
  }
}

void comprobarFormula(const store::Database& db, const std::string& tabla,
                      const std::string& formula) {
  const store::TableDef def = db.tableDef(tabla);
  const int i = def.fieldIndex("modelo");
  if (i < 0) {
    throw store::StoreError(store::err::kElementoNoEncontrado,
                            "No se encuentra el campo 'modelo' en la tabla " + tabla + ".");
  }
  const auto& campo = def.fields()[static_cast<std::size_t>(i)];
  if (caracteresUtf8(formula) > static_cast<std::size_t>(campo.dbfLength)) {
    throw store::StoreError(store::err::kCampoDemasiadoPequeno,
                            "El campo 'modelo' es demasiado pequeño para la ecuación '" + formula +
                                "' (" + std::to_string(campo.dbfLength) + " caracteres).");
  }
}

// Step 1 of adding: the idmodelo of the formula text, adding its row when it is new.
std::int32_t filaDeFormula(store::Database& db, const std::string& tabla,
                           const std::string& formula) {
  store::Cursor m = db.openCursor(tabla, store::CursorKind::Table);
  const std::string buscada = recortar(formula);
  for (m.moveFirst(); !m.eof(); m.moveNext()) {
    if (recortar(m.value("modelo").toString()) == buscada) return entero(m.value("idmodelo"));
  }
  const auto id = static_cast<std::int32_t>(m.recordCount() + 1);
  m.addNew();
  m.setValue("idmodelo", store::Value(id));
  m.setValue("modelo", store::Value(formula));
  m.update();
  return id;
}

void anadirParametros(store::Database& db, const std::string& tabla, std::int32_t idecuacion,
                      const std::vector<std::string>& nombres, const std::vector<double>& valores) {
  if (nombres.empty()) return;
  store::Cursor p = db.openCursor(tabla, store::CursorKind::Table);
  for (std::size_t i = 0; i < nombres.size(); ++i) {
    p.addNew();
    p.setValue("idecuacion", store::Value(idecuacion));
    p.setValue("parametro", store::Value(nombres[i]));
    p.setValue("valorparam", store::Value(valores[i]));
    p.update();
  }
}

void borrarParametros(store::Database& db, const std::string& tabla, std::int32_t idecuacion) {
  store::Cursor p = db.openCursor(tabla, store::CursorKind::Table);
  for (p.moveFirst(); !p.eof(); p.moveNext()) {
    if (igualNumero(p.value("idecuacion"), idecuacion)) p.remove();
  }
}

// ---- The three tables as a unit ----
//
// A change is made on copies of the three tables in a folder of its own inside BDOut
// (".ecuaciones" + suffix + ".tmp", so renames stay on one file system). Only when the copies
// are whole does the commit put them in place: each table is first moved aside into the
// folder's "anteriores", then its copy is renamed in. A failure at any step before or during
// the commit undoes the renames done so far, so the tables change together or not at all.

std::atomic<int> gFallarRenombrado{-1};

std::string carpetaCambio(const UbicacionEcuacionesUsuario& u) {
  return u.BDOut + "/.ecuaciones" + u.sufijo + ".tmp";
}

std::string nombreTabla(const char* base, const std::string& sufijo) {
  return std::string(base) + sufijo + ".dbf";
}

// One rename of the commit (the test seam can make it fail).
void renombrar(const std::string& de, const std::string& a) {
  const int n = gFallarRenombrado.load();
  if (n == 0) {
    gFallarRenombrado = -1;
    throw store::StoreError(store::err::kPermisoDenegado,
                            "No se puede cambiar el nombre de '" +
                                std::filesystem::path(de).filename().string() + "'.");
  }
  if (n > 0) gFallarRenombrado = n - 1;
  store::renameFile(de, a);
}

// A change interrupted in the middle of its commit (the program killed) left tables moved
// aside: they go back where they were missing. Then the folder of that change goes.
void recuperarCambioInterrumpido(const UbicacionEcuacionesUsuario& u) {
  const std::string carpeta = carpetaCambio(u);
  if (!store::folderExists(carpeta)) return;
  const std::string anteriores = carpeta + "/anteriores";
  for (const char* base : kBases) {
    const std::string nombre = nombreTabla(base, u.sufijo);
    const std::string apartada = anteriores + "/" + nombre;
    if (store::fileExists(apartada) && store::findFileNoCase(u.BDOut, nombre).empty()) {
      store::renameFile(apartada, u.BDOut + "/" + nombre);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(carpeta, ec);
}

[[noreturn]] void fallaCambio(const UbicacionEcuacionesUsuario& u, const store::StoreError& e,
                              bool restaurado) {
  const std::string tablas =
      TablaEcuas(u.sufijo) + ", " + TablaModels(u.sufijo) + " y " + TablaParams(u.sufijo);
  std::string texto = e.description();
  if (!texto.empty() && texto.back() != '.') texto += '.';
  texto += restaurado ? " Las tablas " + tablas + " quedan como estaban."
                      : " No se han podido devolver a su sitio las tablas " + tablas +
                            ": las anteriores están en " + carpetaCambio(u) + "/anteriores.";
  throw store::StoreError(e.number(), texto);
}

template <class Cambio>
auto EnLasTresTablas(const UbicacionEcuacionesUsuario& u, Cambio&& cambio) {
  namespace fs = std::filesystem;
  const std::string carpeta = carpetaCambio(u);
  const std::string anteriores = carpeta + "/anteriores";
  std::array<std::string, 3> originales;  // paths in BDOut, "" for a missing table
  std::vector<std::pair<std::string, std::string>> hechos;  // renames done (from, to)
  bool restaurado = true;
  try {
    recuperarCambioInterrumpido(u);
    store::createFolder(anteriores);
    for (std::size_t i = 0; i < kBases.size(); ++i) {
      const std::string nombre = nombreTabla(kBases[i], u.sufijo);
      originales[i] = store::findFileNoCase(u.BDOut, nombre);
      if (!originales[i].empty()) store::copyFile(originales[i], carpeta + "/" + nombre);
    }
    const UbicacionEcuacionesUsuario copia{carpeta, u.BDEstruct, u.sufijo};
    auto resultado = cambio(copia);
    for (std::size_t i = 0; i < kBases.size(); ++i) {
      const std::string nombre = nombreTabla(kBases[i], u.sufijo);
      if (originales[i].empty() || !store::fileExists(carpeta + "/" + nombre)) continue;
      renombrar(originales[i], anteriores + "/" + nombre);
      hechos.emplace_back(originales[i], anteriores + "/" + nombre);
    }
    for (std::size_t i = 0; i < kBases.size(); ++i) {
      const std::string nombre = nombreTabla(kBases[i], u.sufijo);
      if (!store::fileExists(carpeta + "/" + nombre)) continue;
      const std::string destino = originales[i].empty() ? u.BDOut + "/" + nombre : originales[i];
      renombrar(carpeta + "/" + nombre, destino);
      hechos.emplace_back(carpeta + "/" + nombre, destino);
    }
    std::error_code ec;
    fs::remove_all(carpeta, ec);
    return resultado;
  } catch (...) {
    for (auto it = hechos.rbegin(); it != hechos.rend(); ++it) {
      try {
        store::renameFile(it->second, it->first);
      } catch (const store::StoreError&) {
        restaurado = false;
      }
    }
    if (restaurado) {
      std::error_code ec;
      fs::remove_all(carpeta, ec);
    }
    try {
      throw;
    } catch (const store::StoreError& e) {
      fallaCambio(u, e, restaurado);
    }
  }
}

}  // namespace

std::string TablaEcuas(const std::string& sufijo) {
  return "Ecuas" + sufijo;
}
std::string TablaModels(const std::string& sufijo) {
  return "Models" + sufijo;
}
std::string TablaParams(const std::string& sufijo) {
  return "Params" + sufijo;
}

int ValorFormaCalidad(std::string_view texto) {
  // The text's numeric value: leading digits after blanks and an optional sign, else 0.
  const std::string s = recortar(texto);
  std::size_t i = 0;
  bool negativo = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negativo = s[i++] == '-';
  int v = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && v < 100000) v = v * 10 + (s[i++] - '0');
  return negativo ? -v : v;
}

std::string VariableDeItem(std::string_view item) {
  const std::size_t p = item.find(" (");
  return recortar(p == std::string_view::npos ? item : item.substr(0, p));
}

void CrearTablasEcuacionesUsuario(const UbicacionEcuacionesUsuario& u) {
  for (const char* base : kBases) crearSiFalta(u, base);
}

std::vector<EcuacionUsuario> CargarEcuacionesUsuario(const UbicacionEcuacionesUsuario& u) {
  std::vector<EcuacionUsuario> r;
  store::Database db = abrir(u);
  if (!db.hasTable(TablaEcuas(u.sufijo))) return r;
  std::map<std::int32_t, std::string> formulas;
  if (db.hasTable(TablaModels(u.sufijo))) {
    store::Cursor m = db.openCursor("SELECT * FROM " + TablaModels(u.sufijo));
    for (; !m.eof(); m.moveNext()) {
      formulas.emplace(entero(m.value("idmodelo")), recortar(m.value("modelo").toString()));
    }
  }
  std::map<std::int32_t, std::vector<std::pair<std::string, double>>> parametros;
  if (db.hasTable(TablaParams(u.sufijo))) {
    store::Cursor p = db.openCursor("SELECT * FROM " + TablaParams(u.sufijo));
    for (; !p.eof(); p.moveNext()) {
      const store::Value v = p.value("valorparam");
      parametros[entero(p.value("idecuacion"))].emplace_back(
          recortar(p.value("parametro").toString()), v.isNull() ? 0.0 : v.toDouble());
    }
  }
  store::Cursor e = db.openCursor("SELECT * FROM " + TablaEcuas(u.sufijo));
  for (; !e.eof(); e.moveNext()) {
    EcuacionUsuario q;
    q.conjunto.especie = entero(e.value("Especie"));
    q.conjunto.forma = entero(e.value("forma"));
    q.conjunto.calidad = entero(e.value("calidad"));
    q.conjunto.variable = e.value("variable").toString();
    q.idmodelo = entero(e.value("idmodelo"));
    q.idecuacion = entero(e.value("idecuacion"));
    const auto f = formulas.find(q.idmodelo);
    if (f != formulas.end()) q.formula = f->second;
    const auto p = parametros.find(q.idecuacion);
    if (p != parametros.end()) {
      for (const auto& [nombre, valor] : p->second) {
        q.parametros.push_back(nombre);
        q.valores.push_back(valor);
      }
    }
    r.push_back(std::move(q));
  }
  return r;
}

bool ExisteCalculoenBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c) {
  store::Database db = abrir(u);
  if (!db.hasTable(TablaEcuas(u.sufijo))) return false;
  store::Cursor e = db.openCursor("SELECT * FROM " + TablaEcuas(u.sufijo));
  return buscarEcuacion(e, c);
}

std::int32_t AnadeCalculoaBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c,
                              const std::string& formula,
                              const std::vector<std::string>& parametros,
                              const std::vector<double>& valores) {
  std::vector<std::string> nombres;
  comprobarParametros(parametros, valores, nombres);
  return EnLasTresTablas(u, [&](const UbicacionEcuacionesUsuario& copia) {
    CrearTablasEcuacionesUsuario(copia);
    store::Database db = abrir(copia);
    comprobarFormula(db, TablaModels(u.sufijo), formula);

    const std::int32_t idmodelo = filaDeFormula(db, TablaModels(u.sufijo), formula);

    store::Cursor e = db.openCursor(TablaEcuas(u.sufijo), store::CursorKind::Table);
    std::int32_t mayor = 0;
    for (e.moveFirst(); !e.eof(); e.moveNext())
      mayor = std::max(mayor, entero(e.value("idecuacion")));
    const std::int32_t idecuacion = mayor + 1;
    e.addNew();
    e.setValue("Especie", store::Value(c.especie));
    e.setValue("forma", store::Value(c.forma));
    e.setValue("calidad", store::Value(c.calidad));
    e.setValue("variable", store::Value(c.variable));
    e.setValue("idmodelo", store::Value(idmodelo));
    e.setValue("idecuacion", store::Value(idecuacion));
    e.update();
    e.close();

    anadirParametros(db, TablaParams(u.sufijo), idecuacion, nombres, valores);
    db.close();
    return idecuacion;
  });
}

void ModificaCalculodeBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c,
                          const std::string& formula, const std::vector<std::string>& parametros,
                          const std::vector<double>& valores) {
  std::vector<std::string> nombres;
  comprobarParametros(parametros, valores, nombres);
  EnLasTresTablas(u, [&](const UbicacionEcuacionesUsuario& copia) {
    CrearTablasEcuacionesUsuario(copia);
    store::Database db = abrir(copia);
    comprobarFormula(db, TablaModels(u.sufijo), formula);
    store::Cursor e = db.openCursor(TablaEcuas(u.sufijo), store::CursorKind::Table);
    if (!buscarEcuacion(e, c)) {
      throw store::StoreError(store::err::kSinRegistroActual,
                              "No hay registro activo: no existe la ecuación que se modifica.");
    }
    const std::int32_t idecuacion = entero(e.value("idecuacion"));
    const std::int32_t idmodelo = filaDeFormula(db, TablaModels(u.sufijo), formula);
    e.edit();
    e.setValue("idmodelo", store::Value(idmodelo));
    e.update();
    e.close();
    borrarParametros(db, TablaParams(u.sufijo), idecuacion);
    anadirParametros(db, TablaParams(u.sufijo), idecuacion, nombres, valores);
    db.close();
    return true;
  });
}

bool QuitaCalculodeBDQ(const UbicacionEcuacionesUsuario& u, const ConjuntoEcuacion& c) {
  if (!ExisteCalculoenBDQ(u, c)) return false;
  return EnLasTresTablas(u, [&](const UbicacionEcuacionesUsuario& copia) {
    store::Database db = abrir(copia);
    store::Cursor e = db.openCursor(TablaEcuas(u.sufijo), store::CursorKind::Table);
    if (!buscarEcuacion(e, c)) return false;
    const std::int32_t idecuacion = entero(e.value("idecuacion"));
    e.remove();
    e.close();
    if (db.hasTable(TablaParams(u.sufijo))) borrarParametros(db, TablaParams(u.sufijo), idecuacion);
    db.close();
    return true;
  });
}

void FallarRenombradoEcuacionesParaPruebas(int n) {
  gFallarRenombrado = n;
}

// ---- EcuacionUsuarioPreparada ----

namespace {
double ComoTexto(double v, bool simple) {
  return std::strtod(NumeroConPunto(TextoNumero(v, simple)).c_str(), nullptr);
}
}  // namespace

EcuacionUsuarioPreparada::EcuacionUsuarioPreparada(EstadoEcuaciones& e,
                                                   const EcuacionUsuario& ecuacion,
                                                   const VariablesMarcadas& marcadas) {
  const ResultadoComprobacion r = ComprobarEcuacion(e, ecuacion.formula, marcadas);
  if (!r.valida) {
    mensaje_ = r.mensaje.empty() ? "Error" : r.mensaje;
    return;
  }
  const std::size_t numeroParametros = esListaVacia(e.parametros) ? 0 : e.parametros.size();
  if (ecuacion.valores.size() < numeroParametros) {
    mensaje_ = "Faltan valores de parámetros de la ecuación.";
    return;
  }
  e.valores.assign(ecuacion.valores.begin(),
                   ecuacion.valores.begin() + static_cast<std::ptrdiff_t>(numeroParametros));
  if (!motor_.AddCode(TextoFuncionEGS(e, ecuacion.formula))) {
    mensaje_ = TextoErrorScript(motor_.error());
    return;
  }
  for (double v : e.valores) parametros_.push_back(ComoTexto(v, false));
  if (!esListaVacia(e.variables)) variables_ = e.variables;
  for (const auto& v : variables_) campos_.push_back(CampoDeVariable(v));
  e.campos = campos_;
  valida_ = true;
}

std::optional<double> EcuacionUsuarioPreparada::Evaluar(
    const std::vector<std::optional<double>>& valoresVariables) {
  if (!valida_ || valoresVariables.size() < variables_.size()) return std::nullopt;
  args_.assign(parametros_.begin(), parametros_.end());
  for (std::size_t i = 0; i < variables_.size(); ++i) {
    if (!valoresVariables[i]) return std::nullopt;
    args_.push_back(ComoTexto(*valoresVariables[i], true));
  }
  double r = 0;
  if (!motor_.Llamar(args_, r)) return std::nullopt;
  return r;
}

}  // namespace arbelio::equations
