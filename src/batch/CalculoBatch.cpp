#include "batch/CalculoBatch.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "batch/OrdenesBatch.h"
#include "calc/Dasometria.h"
#include "calc/EstadisticosMuestreo.h"
#include "calc/HazCalculos.h"
#include "calc/OpcionesCalculo.h"
#include "calc/Pasadas.h"
#include "calc/TablasResultado.h"
#include "cut/GenerarSufijo.h"
#include "equations/EcuacionesUsuario.h"
#include "import/PiesPorParcela.h"
#include "inventory/BasesAuxiliares.h"
#include "results/GuardarCalculos.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::batch {

namespace {

std::vector<std::string> Trocea(const std::string& texto, char sep) {
  std::vector<std::string> partes;
  std::string parte;
  std::istringstream in(texto);
  while (std::getline(in, parte, sep)) partes.push_back(std::string(store::trimView(parte)));
  return partes;
}

double Numero(const std::string& texto, const std::string& que) {
  double v = 0;
  if (!store::parseNumber(texto, v)) throw ErrorBatch("Valor no válido para " + que + ": " + texto);
  return v;
}

void FijaOpciones(EstadoAplicacion& e, const OpcionesCalculoBatch& o) {
  auto& op = e.opciones;
  // Tables by TablasCalcular index, as the options dialog names them.
  if (o.tables == "all") {
    op.TablasCalcular.fill(true);
  } else if (o.tables == "quick") {
    calc::TablasCalculoRapido(op);
  } else {
    op.TablasCalcular.fill(false);
    op.TablasCalcular[0] = true;
    for (const auto& nombre : Trocea(o.tables, ',')) {
      bool encontrada = false;
      for (std::size_t i = 0; i < calc::kTodasLasTablas.size(); ++i) {
        if (store::equalsNoCase(nombre, calc::NombreBase(calc::kTodasLasTablas[i]))) {
          op.TablasCalcular[i] = encontrada = true;
        }
      }
      if (!encontrada) throw ErrorBatch("Tabla de resultados desconocida: " + nombre);
    }
  }
  for (std::size_t i = 0; i < 4; ++i) e.VariablesUnidades[i].calcular = "NO";
  if (o.vars != "none") {
    for (const auto& v : Trocea(o.vars, ',')) {
      bool encontrada = false;
      for (std::size_t i = 0; i < 4; ++i) {
        if (store::equalsNoCase(v, e.VariablesUnidades[i].codigo)) {
          e.VariablesUnidades[i].calcular = "SI";
          encontrada = true;
        }
      }
      if (!encontrada) throw ErrorBatch("Variable desconocida: " + v + " (VCC, VSC, IAVC, VLE)");
    }
  }
  op.CalcularSDCH = op.CalcularIDCH = false;
  for (const auto& c : Trocea(o.cork, ',')) {
    if (store::equalsNoCase(c, "sdch")) {
      op.CalcularSDCH = true;
    } else if (store::equalsNoCase(c, "idch")) {
      op.CalcularIDCH = true;
    } else if (!c.empty()) {
      throw ErrorBatch("Opción de corcho desconocida: " + c + " (sdch, idch)");
    }
  }
  if (o.method < 1 || o.method > 3) throw ErrorBatch("--method debe ser 1, 2 o 3");
  op.MetodoCalculo = static_cast<std::int16_t>(o.method);
  if (o.hart != 1 && o.hart != 2) throw ErrorBatch("--hart debe ser 1 o 2");
  op.TipoHart = static_cast<std::int16_t>(o.hart);
  if (!o.classWidth.empty()) {
    const double w = calc::RedondeoPar(Numero(o.classWidth, "--class-width"), 1);
    if (!(w > 0)) throw ErrorBatch("La anchura de clase debe ser mayor que 0");
    op.AnchoClase = static_cast<float>(w);
  }
  if (!o.reineke.empty()) op.BetaReineke = Numero(o.reineke, "--reineke");
}

// The plot list: the file's plots in its order, or every plot of DATDEF00.
void ListaDeParcelas(EstadoAplicacion& e, const std::string& archivo) {
  store::Database trabajo = store::Database::open(e.rutas.BDTemp);
  std::vector<inventory::Parcela> parcelas;
  if (!archivo.empty()) {
    std::ifstream in(archivo);
    if (!in) throw ErrorBatch("No se encuentra el archivo " + archivo);
    std::string linea;
    int n = 0;
    std::set<std::pair<std::int16_t, std::int16_t>> vistas;
    while (std::getline(in, linea)) {
      ++n;
      if (store::trimView(linea).empty()) continue;
      const auto partes = Trocea(linea, ',');
      double p = 0, q = 0;
      if (partes.size() != 2 || !store::parseNumber(partes[0], p) ||
          !store::parseNumber(partes[1], q) || p < 1 || p > 32767 || q < 1 || q > 32767 ||
          p != std::floor(p) || q != std::floor(q)) {
        throw ErrorBatch(archivo + ", línea " + std::to_string(n) +
                         ": se esperaba 'provincia,parcela'");
      }
      // A plot listed twice is computed once.
      if (vistas.insert({static_cast<std::int16_t>(p), static_cast<std::int16_t>(q)}).second)
        parcelas.push_back({static_cast<std::int16_t>(p), static_cast<std::int16_t>(q)});
    }
  } else {
    parcelas = calc::ParcelasDeDatDef00(trabajo);
  }
  if (parcelas.empty()) throw ErrorBatch("No hay parcelas que calcular");
  e.ListaParcelas.entradas.assign(1, inventory::Parcela{});
  e.ListaParcelas.entradas.insert(e.ListaParcelas.entradas.end(), parcelas.begin(), parcelas.end());
  e.ListaParcelas.numero = static_cast<std::int32_t>(parcelas.size());
  e.NumeroParcelas = e.ListaParcelas.numero;
  // Large trees of the listed plots, for the progress counters: each plot's first row, as a find
  // by province and plot takes it, from one walk over the table.
  store::Cursor d = trabajo.openCursor("DATDEF00", store::CursorKind::Snapshot);
  import::PiesPorParcela filas(d);
  const int numpma = d.fieldIndex("NUMPMA");
  std::int64_t pies = 0;
  for (const auto& p : parcelas) {
    const auto [desde, hasta] = filas.De(p.provincia, p.estadillo);
    if (desde == hasta) continue;
    // Without the field the read fails as the find's did (unknown field).
    const store::Value v =
        numpma < 0 ? d.value("NUMPMA") : d.valueOfRow(d.rowIdAt(desde->second), numpma);
    if (v.isNumber()) pies += v.toInt32();
  }
  e.NumeroPies = static_cast<std::int32_t>(pies);
  e.SufijoTablas = cut::GenerarSufijo();
}

// Lines "especie;forma;calidad;variable;formula;name=value;...".
void EcuacionesDeUsuario(EstadoAplicacion& e, const std::string& archivo) {
  std::ifstream in(archivo);
  if (!in) throw ErrorBatch("No se encuentra el archivo " + archivo);
  const equations::UbicacionEcuacionesUsuario u{e.rutas.BDOut, e.rutas.BDEstruct, e.SufijoTablas};
  equations::CrearTablasEcuacionesUsuario(u);
  std::string linea;
  int n = 0;
  while (std::getline(in, linea)) {
    ++n;
    if (store::trimView(linea).empty() || linea[0] == '#') continue;
    const auto partes = Trocea(linea, ';');
    const std::string donde = archivo + ", línea " + std::to_string(n);
    if (partes.size() < 5) {
      throw ErrorBatch(donde + ": se esperaba 'especie;forma;calidad;variable;fórmula;...'");
    }
    equations::ConjuntoEcuacion c;
    c.especie = static_cast<int>(Numero(partes[0], donde));
    c.forma = static_cast<int>(Numero(partes[1], donde));
    c.calidad = static_cast<int>(Numero(partes[2], donde));
    c.variable = partes[3];
    std::vector<std::string> nombres;
    std::vector<double> valores;
    for (std::size_t i = 5; i < partes.size(); ++i) {
      const auto igual = partes[i].find('=');
      if (igual == std::string::npos) throw ErrorBatch(donde + ": se esperaba nombre=valor");
      nombres.push_back(std::string(store::trimView(partes[i].substr(0, igual))));
      valores.push_back(Numero(std::string(store::trimView(partes[i].substr(igual + 1))), donde));
    }
    // The equation is checked as the editor checks it: the formula must pass, and its
    // parameters must be the ones given, in order of first appearance.
    auto& eq = e.ecuaciones;
    equations::CargarVariablesValidas(eq, calc::VariablesDeOpciones(e));
    eq.variablesValidas.push_back(c.variable);
    const auto r = equations::ComprobarEcuacion(eq, partes[4], calc::VariablesDeOpciones(e));
    if (!r.valida) throw ErrorBatch(donde + ": " + r.mensaje);
    // The script engine must compile it too.
    if (!equations::GenerarFuncionEGS(eq, partes[4])) {
      const auto& fallo = eq.motor.error();
      throw ErrorBatch(donde + ": error " + std::to_string(fallo.numero) + ", " +
                       fallo.descripcion);
    }
    const auto& params =
        equations::esListaVacia(eq.parametros) ? std::vector<std::string>{} : eq.parametros;
    if (params != nombres) {
      throw ErrorBatch(donde + ": los parámetros deben ser los de la fórmula, en su orden");
    }
    equations::AnadeCalculoaBDQ(u, c, partes[4], nombres, valores);
    // The variable of an accepted equation gets its column, as the editor marks it.
    for (auto& fila : e.VariablesUnidades) {
      if (fila.codigo == c.variable) fila.calcular = "SI";
    }
  }
}

std::string Celda(const store::Cursor& c, int i) {
  const store::Value v = c.value(i);
  if (v.isNull()) return std::string();
  if (v.isNumber() && c.field(i).type == store::FieldType::Single) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v.number()));
    return std::string(buf, r.ptr);
  }
  return v.toString();
}

void Imprime(std::ostream& out, store::Database& db, const std::string& tabla,
             const std::string& titulo) {
  if (!db.hasTable(tabla)) return;
  store::Cursor c = db.openCursor(tabla, store::CursorKind::Snapshot);
  std::vector<std::string> cabeceras;
  std::vector<bool> numericas;
  for (int i = 0; i < c.fieldCount(); ++i) {
    cabeceras.push_back(c.fieldName(i));
    numericas.push_back(c.field(i).type != store::FieldType::Text);
  }
  std::vector<std::vector<std::string>> filas;
  for (; !c.eof(); c.moveNext()) {
    std::vector<std::string> fila;
    for (int i = 0; i < c.fieldCount(); ++i) {
      std::string t = Celda(c, i);
      double d = 0;
      if (!t.empty() && c.field(i).type == store::FieldType::Single && store::parseNumber(t, d)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.4f", d);
        t = buf;
      }
      fila.push_back(t);
    }
    filas.push_back(std::move(fila));
  }
  out << "== " << titulo << "\n";
  EscribeTablaAlineada(out, cabeceras, filas, numericas);
  out << "\n";
}

}  // namespace

void EscribeCsv(const std::string& carpeta, const std::string& tabla, const std::string& archivo) {
  store::Database db = store::Database::open(carpeta, {false, true, "DBASE IV"});
  store::Cursor c = db.openCursor(tabla, store::CursorKind::Snapshot);
  std::vector<std::string> cabeceras;
  for (int i = 0; i < c.fieldCount(); ++i) cabeceras.push_back(c.fieldName(i));
  std::vector<std::vector<std::string>> filas;
  for (; !c.eof(); c.moveNext()) {
    std::vector<std::string> fila;
    for (int i = 0; i < c.fieldCount(); ++i) fila.push_back(Celda(c, i));
    filas.push_back(std::move(fila));
  }
  // Written whole beside an earlier file and renamed over it; a failure is reported.
  std::ostringstream texto;
  EscribeTablaCsv(texto, cabeceras, filas);
  store::replaceFileContents(archivo, texto.str());
}

void CalculaYGuarda(EstadoAplicacion& e, shell::Interaccion& ui, const OpcionesCalculoBatch& o,
                    const std::string& carpetaSalida, std::ostream& out) {
  FijaOpciones(e, o);
  if (!o.corte) ListaDeParcelas(e, o.plots);
  if (!o.userEquations.empty()) EcuacionesDeUsuario(e, o.userEquations);
  calc::EntornoCalculo entorno = calc::EntornoInstalado();
  if (o.ecuacionesKAV) entorno.abrirEcuacionesKAV = o.ecuacionesKAV;
  // In a workspace of its own that no later step reads, the working tree tables go as soon as
  // the tree pass has read them: the memory that held their file pages then holds the result
  // tables being written, instead of new memory (on a virtual machine that hands free memory
  // back to its host, new file pages cost many times the writing itself).
  if (o.espacioTemporal && !o.trabajoDespues) {
    entorno.trabajoLeido = [&e] {
      for (std::size_t i = 1; i < 6; ++i) {
        const std::string archivo =
            store::findFileNoCase(e.rutas.BDTemp, e.NombresTablas[i] + "00.dbf");
        try {
          if (!archivo.empty()) store::deleteFile(archivo);
        } catch (const store::StoreError&) {
          // Still in use: it goes with the workspace at the end.
        }
      }
    };
  }
  const auto r = calc::HazCalculos(e, ui, entorno);
  if (r.cancelado) throw ErrorBatch("El cálculo no se ha completado");
  const std::string codigo = o.code.empty() ? e.SufijoCalculos : o.code;
  if (codigo.size() != 2)
    throw ErrorBatch("El código de las tablas guardadas debe tener 2 caracteres");
  const auto fase = [&o](const char* nombre) {
    if (o.fases) o.fases(nombre);
  };
  fase("guardado");
  results::ResultadoGuardarCalculos guardado;
  const auto modo = o.espacioTemporal ? store::ModoCopia::SegundoNombre : store::ModoCopia::Bytes;
  if (!results::GuardarCalculos(e.rutas.BDOut, e.SufijoCalculos, carpetaSalida, codigo, o.comment,
                                ui, &guardado, modo)) {
    throw ErrorBatch("No se han podido guardar los cálculos en " + carpetaSalida);
  }
  if (o.csv) {
    fase("csv");
    for (const auto& ruta : guardado.copiadas) {
      const std::filesystem::path p(ruta);
      if (!store::equalsNoCase(p.extension().string(), ".dbf")) continue;
      EscribeCsv(p.parent_path().string(), p.stem().string(),
                 (p.parent_path() / (p.stem().string() + ".csv")).string());
    }
  }
  fase("resumen");
  out << "== Cálculo (" << e.ListaParcelas.numero << " parcelas, código " << codigo << ")\n";
  store::Database resultados = store::Database::open(carpetaSalida, {false, true, "DBASE IV"});
  out << "Pies mayores calculados: " << r.piesCalculados << "\n";
  out << "Tablas guardadas en " << carpetaSalida << ": " << guardado.copiadas.size() << "\n\n";
  Imprime(out, resultados, "Totals" + codigo, "Totales del corte");
  Imprime(out, resultados, calc::kBaseEstadisticos + codigo, "Estadísticos del muestreo");
  Imprime(out, resultados, "Specie" + codigo, "Especies");
}

}  // namespace arbelio::batch
