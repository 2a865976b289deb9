#include "batch/OrdenesBatch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include <stdlib.h>

#include "batch/CalculoBatch.h"
#include "cut/ArchivoCriterios.h"
#include "cut/GuardarCorte.h"
#include "cut/HerramientaCorte.h"
#include "cut/MapaCorte.h"
#include "import/ArchivosImport.h"
#include "import/BaseDatosTrabajo.h"
#include "import/ComprobacionBase.h"
#include "import/SeleccionAnticipada.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/BasesAuxiliares.h"
#include "inventory/GeneradorMuestra.h"
#include "inventory/MallaMTN50.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionLote.h"
#include "store/Cursor.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

namespace arbelio::batch {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUso =
    "uso: arbelio-batch ORDEN [opciones]\n"
    "\n"
    "  sample --out CARPETA --province NN [--plots N] [--seed S]\n"
    "      escribe una base de datos provincial sintética (Datest, Piesma, Piesme, Tiposx,\n"
    "      Matorr + código) en la carpeta\n"
    "  sql CARPETA|ARCHIVO.sqlite \"SELECT ...\" [--csv]\n"
    "      ejecuta una consulta sobre las tablas de la carpeta (o de una base auxiliar) y\n"
    "      muestra las filas (números con cuatro decimales como mucho; --csv los escribe\n"
    "      completos)\n"
    "  info ARCHIVO.dbf|ARCHIVO.sqlite [--rows N]\n"
    "      campos, tipos, número de registros y primeras filas de una tabla (de cada tabla\n"
    "      e índice de una base auxiliar)\n"
    "  run --db ARCHIVO.dbf [--db ARCHIVO.dbf...] [--save-derived] [--home CARPETA]\n"
    "      [--plots ARCHIVO | --criteria ARCHIVO --mode uno|todos|alguno [--zero-filter]\n"
    "      [--save-cut CARPETA]] [--tables all|quick|LISTA] [--vars VCC,VSC,IAVC,VLE|none]\n"
    "      [--cork sdch,idch] [--method 1|2|3] [--class-width W] [--hart 1|2]\n"
    "      [--reineke B] [--user-equations ARCHIVO] [--code XX] [--comment TEXTO] [--csv]\n"
    "      [--map ARCHIVO.png] --out CARPETA\n"
    "      selecciona cada base de datos (una tabla cualquiera de la provincia o del corte),\n"
    "      construye sus tablas Datdef y Especi si no las trae (--save-derived las guarda junto\n"
    "      a las originales), genera la base de datos de trabajo, aplica los criterios de corte\n"
    "      como la Herramienta de Corte (o toma las parcelas de --plots, o todas), calcula y\n"
    "      guarda las tablas de resultados en la carpeta de salida; con --home la carpeta de\n"
    "      trabajo queda en CARPETA para examinarla\n"
    "      --criteria: una fila de rejilla por línea, celdas separadas por ';' ('#' comenta):\n"
    "        especie: 21; >= 25%; > 500      especies: Y|O      masa: >= 20; > 1000\n"
    "        utm: 30; (329, 4600); (400, 4700)      municipio: 47; 220      parcela: 47; 12\n"
    "      --mode uno (filas de un solo tipo), todos o alguno (de los tipos con filas);\n"
    "      --zero-filter elimina las parcelas sin pies mayores; --save-cut guarda el corte como\n"
    "      \"Guardar Corte\" (código --code, comentario --comment); --map dibuja el mapa de las\n"
    "      parcelas de la base de datos de trabajo con las del corte resaltadas\n"
    "  import-mdb ARCHIVO.mdb --out ARCHIVO.sqlite\n"
    "      convierte las tablas Hojas, Modelos y Cubicacion de una base de Access (mdbtools)\n"
    "  import-husohoja ARCHIVO.csv [--out ARCHIVO.sqlite]\n"
    "      sustituye la tabla Hojas (columnas hoja, nHusos, Huso1, Huso2); por omisión escribe\n"
    "      BDEstruct/HusoHoja.sqlite de la carpeta de datos\n";

class ErrorUso : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Positional arguments and "--name value" options of a command.
struct Argumentos {
  std::vector<std::string> posicionales;
  std::map<std::string, std::string> opciones;
  std::vector<std::string> banderas;

  bool tiene(const std::string& b) const {
    for (const auto& x : banderas) {
      if (x == b) return true;
    }
    return false;
  }
  std::string opcion(const std::string& n, const std::string& omision = "") const {
    auto it = opciones.find(n);
    return it == opciones.end() ? omision : it->second;
  }
};

Argumentos Analiza(const std::vector<std::string>& args, const std::vector<std::string>& conValor,
                   const std::vector<std::string>& banderas) {
  Argumentos a;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& x = args[i];
    if (x.rfind("--", 0) == 0) {
      if (std::find(conValor.begin(), conValor.end(), x) != conValor.end()) {
        if (i + 1 >= args.size()) throw ErrorUso("Falta el valor de " + x);
        a.opciones[x] = args[++i];
      } else if (std::find(banderas.begin(), banderas.end(), x) != banderas.end()) {
        a.banderas.push_back(x);
      } else {
        throw ErrorUso("Opción desconocida: " + x);
      }
    } else {
      a.posicionales.push_back(x);
    }
  }
  return a;
}

long long Numero(const std::string& texto, const std::string& opcion, long long min,
                 long long max) {
  try {
    std::size_t pos = 0;
    const long long v = std::stoll(texto, &pos);
    if (pos == texto.size() && v >= min && v <= max) return v;
  } catch (...) {
  }
  throw ErrorUso("Valor no válido para " + opcion + ": " + texto);
}

std::size_t Anchura(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

bool TipoNumerico(store::FieldType t) {
  using T = store::FieldType;
  return t == T::Byte || t == T::Integer || t == T::Long || t == T::Single || t == T::Double;
}

// A number for reading on screen: at most four decimals, trailing zeros dropped.
std::string NumeroLegible(const store::Value& v) {
  const double x = v.number();
  if (x == std::floor(x) && std::fabs(x) < 1e15) return v.toString();
  char b[64];
  std::snprintf(b, sizeof b, "%.4f", x);
  std::string s = b;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

// Reads the rows of a cursor as texts: numbers exact, or rounded for reading.
void LeeCursor(store::Cursor& c, std::vector<std::string>& cabeceras,
               std::vector<std::vector<std::string>>& filas, std::vector<bool>& numericas,
               bool legible, std::int64_t maximo = -1) {
  const int n = c.fieldCount();
  for (int i = 0; i < n; ++i) {
    cabeceras.push_back(c.field(i).name);
    numericas.push_back(TipoNumerico(c.field(i).type));
  }
  if (c.recordCount() == 0) return;
  c.moveFirst();
  while (!c.eof() && (maximo < 0 || static_cast<std::int64_t>(filas.size()) < maximo)) {
    std::vector<std::string> fila;
    for (int i = 0; i < n; ++i) {
      const store::Value v = c.value(i);
      fila.push_back(legible && v.isNumber() ? NumeroLegible(v) : v.toString());
    }
    filas.push_back(std::move(fila));
    c.moveNext();
  }
}

int OrdenSample(const std::vector<std::string>& args, std::ostream& out) {
  const Argumentos a = Analiza(args, {"--out", "--province", "--plots", "--seed"}, {});
  if (!a.posicionales.empty()) throw ErrorUso("Argumento inesperado: " + a.posicionales[0]);
  if (a.opcion("--out").empty()) throw ErrorUso("Falta --out CARPETA");
  if (a.opcion("--province").empty()) throw ErrorUso("Falta --province NN");
  inventory::OpcionesMuestra o;
  o.provincia = static_cast<int>(Numero(a.opcion("--province"), "--province", 1, 99));
  o.parcelas = static_cast<int>(Numero(a.opcion("--plots", "200"), "--plots", 1, 32767));
  o.semilla = static_cast<std::uint64_t>(
      Numero(a.opcion("--seed", "1"), "--seed", 0, 9223372036854775807LL));
  const inventory::ProvinciaSintetica p = inventory::GeneraProvincia(o);
  inventory::EscribeProvincia(p, a.opcion("--out"));
  out << "Provincia " << o.provincia << ": " << p.datest.filas.size() << " parcelas, "
      << p.piesma.filas.size() << " pies mayores, " << p.piesme.filas.size()
      << " registros de pies menores, " << p.tiposx.filas.size() << " árboles tipo, "
      << p.matorr.filas.size() << " registros de matorral en " << a.opcion("--out") << "\n";
  return 0;
}

int OrdenSql(const std::vector<std::string>& args, std::ostream& out) {
  const Argumentos a = Analiza(args, {}, {"--csv"});
  if (a.posicionales.size() != 2) throw ErrorUso("uso: arbelio-batch sql CARPETA \"SELECT ...\"");
  // A folder of dBASE tables, or an auxiliary database file (SQLite).
  const std::string& carpeta = a.posicionales[0];
  store::OpenOptions op;
  op.readOnly = true;
  std::error_code ec;
  if (fs::is_regular_file(carpeta, ec)) {
    op.connect = "";
  } else if (!store::folderExists(carpeta)) {
    throw ErrorBatch("No se encuentra la carpeta " + carpeta);
  }
  store::Database db = store::Database::open(carpeta, op);
  store::Cursor c = db.openCursor(a.posicionales[1], store::CursorKind::Snapshot);
  std::vector<std::string> cab;
  std::vector<std::vector<std::string>> filas;
  std::vector<bool> num;
  LeeCursor(c, cab, filas, num, !a.tiene("--csv"));
  if (a.tiene("--csv")) {
    EscribeTablaCsv(out, cab, filas);
  } else {
    EscribeTablaAlineada(out, cab, filas, num);
    out << "(" << filas.size() << (filas.size() == 1 ? " fila" : " filas") << ")\n";
  }
  return 0;
}

// A file that starts as every SQLite database does.
bool EsBaseSqlite(const std::string& archivo) {
  std::ifstream in(archivo, std::ios::binary);
  char cabecera[16] = {};
  in.read(cabecera, sizeof cabecera);
  return in.gcount() == 16 && std::string(cabecera, 16) == std::string("SQLite format 3\0", 16);
}

void DescribeTabla(store::Database& db, const std::string& tabla, long long primeras,
                   std::ostream& out) {
  const store::TableDef def = db.tableDef(tabla);
  store::Cursor c = db.openCursor(tabla, store::CursorKind::Snapshot);
  out << "Registros: " << c.recordCount() << "\n";
  out << "Campos: " << def.fields().size() << "\n";
  std::vector<std::vector<std::string>> campos;
  for (const store::FieldDef& f : def.fields()) {
    std::ostringstream dbf;
    dbf << f.dbfType << '(' << f.dbfLength;
    if (f.dbfType == 'N' || f.dbfType == 'F') dbf << ',' << f.dbfDecimals;
    dbf << ')';
    campos.push_back({f.name, dbf.str(), store::fieldTypeName(f.type)});
  }
  EscribeTablaAlineada(out, {"Campo", "dBASE", "Tipo"}, campos, {false, false, false});
  for (const store::IndexDef& idx : def.indexes()) {
    out << "Índice " << idx.name << (idx.unique ? " (único)" : "") << ":";
    for (const std::string& f : idx.fields) out << " " << f;
    out << "\n";
  }
  if (primeras > 0) {
    std::vector<std::string> cab;
    std::vector<std::vector<std::string>> filas;
    std::vector<bool> num;
    LeeCursor(c, cab, filas, num, false, primeras);
    out << "\nPrimeras filas:\n";
    EscribeTablaAlineada(out, cab, filas, num);
  }
}

// An auxiliary database: every table with its fields and indexes.
int InfoBaseAuxiliar(const std::string& archivo, long long primeras, std::ostream& out) {
  store::OpenOptions op;
  op.readOnly = true;
  op.connect = "";
  store::Database db = store::Database::open(archivo, op);
  out << "Base auxiliar " << archivo << "\n";
  for (const std::string& tabla : db.tableNames()) {
    out << "\nTabla " << tabla << "\n";
    DescribeTabla(db, tabla, primeras, out);
  }
  return 0;
}

int OrdenInfo(const std::vector<std::string>& args, std::ostream& out) {
  const Argumentos a = Analiza(args, {"--rows"}, {});
  if (a.posicionales.size() != 1)
    throw ErrorUso("uso: arbelio-batch info ARCHIVO.dbf|ARCHIVO.sqlite");
  const fs::path archivo = a.posicionales[0];
  std::error_code ec;
  if (!fs::is_regular_file(archivo, ec)) {
    throw ErrorBatch("No se encuentra el archivo " + archivo.string());
  }
  const long long primeras = Numero(a.opcion("--rows", "5"), "--rows", 0, 1000000);
  if (EsBaseSqlite(archivo.string())) return InfoBaseAuxiliar(archivo.string(), primeras, out);
  const std::string carpeta =
      archivo.has_parent_path() ? archivo.parent_path().string() : std::string(".");
  const std::string tabla = archivo.stem().string();
  store::OpenOptions op;
  op.readOnly = true;
  store::Database db = store::Database::open(carpeta, op);
  out << "Tabla " << db.tableDef(tabla).name() << " (" << archivo.string() << ")\n";
  out << "Página de códigos: " << db.tableDef(tabla).codePage() << "\n";
  DescribeTabla(db, tabla, primeras, out);
  return 0;
}

int OrdenImportMdb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Argumentos a = Analiza(args, {"--out"}, {});
  if (a.posicionales.size() != 1 || a.opcion("--out").empty()) {
    throw ErrorUso("uso: arbelio-batch import-mdb ARCHIVO.mdb --out ARCHIVO.sqlite");
  }
  const inventory::ResultadoImportacion r =
      inventory::ImportaMdb(a.posicionales[0], a.opcion("--out"));
  for (const std::string& aviso : r.avisos) err << "Aviso: " << aviso << "\n";
  for (std::size_t i = 0; i < r.tablas.size(); ++i) {
    out << "Tabla " << r.tablas[i] << ": " << r.filas[i] << (r.filas[i] == 1 ? " fila" : " filas")
        << "\n";
  }
  out << "Escrito " << a.opcion("--out") << "\n";
  return 0;
}

int OrdenImportHusoHoja(const std::vector<std::string>& args, const EntornoBatch& entorno,
                        std::ostream& out) {
  const Argumentos a = Analiza(args, {"--out"}, {});
  if (a.posicionales.size() != 1) {
    throw ErrorUso("uso: arbelio-batch import-husohoja ARCHIVO.csv [--out ARCHIVO.sqlite]");
  }
  std::ifstream in(a.posicionales[0]);
  if (!in) throw ErrorBatch("No se encuentra el archivo " + a.posicionales[0]);
  const std::string salida = a.opcion(
      "--out", (fs::path(entorno.carpetaDatos) / "BDEstruct" / "HusoHoja.sqlite").string());
  std::vector<inventory::HusosHoja> filas;
  try {
    filas = inventory::LeeCsvHusoHoja(in);
  } catch (const ErrorBatch& e) {
    throw ErrorBatch(a.posicionales[0] + ": " + e.what());
  }
  inventory::CreaHusoHojaSqlite(filas, salida);
  out << filas.size() << " hojas escritas en " << salida << "\n";
  return 0;
}

// The save dialogs of the derived tables are answered with the proposed name beside the
// inventory files when --save-derived is given, and cancelled otherwise; the save dialog of a
// cut with the path given for it.
class InteraccionRun : public shell::InteraccionLote {
 public:
  using InteraccionLote::InteraccionLote;
  bool guardarDerivadas = false;
  std::optional<std::string> guardarArchivo(const shell::DialogoArchivo& d) override {
    // A path given beforehand (the saved cut's) answers the dialog.
    if (!archivos.empty()) return InteraccionLote::guardarArchivo(d);
    if (!guardarDerivadas) return std::nullopt;
    return d.carpetaInicial + "/" + d.nombreInicial;
  }
};

// A fresh temporary workspace, removed at the end of the run.
class CasaTemporal {
 public:
  CasaTemporal() {
    std::string plantilla = (fs::temp_directory_path() / "arbelio-run-XXXXXX").string();
    if (mkdtemp(plantilla.data()) == nullptr)
      throw ErrorBatch("No se puede crear una carpeta de trabajo temporal");
    ruta_ = plantilla;
  }
  ~CasaTemporal() {
    std::error_code ec;
    fs::remove_all(ruta_, ec);
  }
  CasaTemporal(const CasaTemporal&) = delete;
  CasaTemporal& operator=(const CasaTemporal&) = delete;
  const std::string& ruta() const { return ruta_; }

 private:
  std::string ruta_;
};

// The cut of a run: the criteria file read and checked, the mode, the zero filter and where to
// save the cut.
struct CorteBatch {
  std::string archivo;
  cut::ArchivoCriterios criterios;
  cut::ModoCorte modo = cut::ModoCorte::Todos;
  std::string modoTexto;
  bool filtroCero = false;
  std::string guardarEn;  // --save-cut
};

std::optional<CorteBatch> LeeCorteBatch(const Argumentos& a) {
  const std::string archivo = a.opcion("--criteria");
  if (archivo.empty()) {
    for (const char* o : {"--mode", "--save-cut"})
      if (!a.opcion(o).empty()) throw ErrorUso(std::string(o) + " necesita --criteria ARCHIVO");
    if (a.tiene("--zero-filter")) throw ErrorUso("--zero-filter necesita --criteria ARCHIVO");
    return std::nullopt;
  }
  if (!a.opcion("--plots").empty()) throw ErrorUso("--plots y --criteria no van juntos");
  if (a.opcion("--mode").empty()) throw ErrorUso("Falta --mode uno|todos|alguno");
  CorteBatch c;
  c.archivo = archivo;
  c.modoTexto = a.opcion("--mode");
  try {
    c.modo = cut::LeerModoCorte(c.modoTexto);
  } catch (const ErrorBatch& e) {
    throw ErrorUso(e.what());
  }
  std::ifstream in(archivo);
  if (!in) throw ErrorBatch("No se encuentra el archivo " + archivo);
  c.criterios = cut::LeerArchivoCriterios(in, archivo);
  c.filtroCero = a.tiene("--zero-filter");
  c.guardarEn = a.opcion("--save-cut");
  return c;
}

// Opens the cut tool over the working database, applies the criteria as its apply buttons do,
// prints the summary frame and the report, and saves the cut when asked.
void AplicaCorteBatch(EstadoAplicacion& estado, InteraccionRun& ui, const CorteBatch& c,
                      const std::string& codigo, const std::string& comentario, std::ostream& out) {
  cut::VistaCorteEnMemoria vista(estado);
  if (!cut::mnuCNuevoCorte_Click(estado, ui, vista))
    throw ErrorBatch("No se ha podido abrir la herramienta de corte");
  cut::HerramientaCorte& h = vista.herramienta();
  if (!cut::AplicarArchivoCriterios(h, ui, c.criterios, c.modo, c.filtroCero))
    throw ErrorBatch("El corte no tiene ninguna parcela: no hay nada que calcular");
  out << "== Corte (" << c.archivo << ", modo " << c.modoTexto << ")\n"
      << cut::TextoResumen(h.resumen) << "\n== Informe del corte\n"
      << cut::TextoInforme(h.resumen.TextInforme) << "\n";
  if (!c.guardarEn.empty()) {
    if (!codigo.empty() && codigo.size() != 2)
      throw ErrorBatch("El código del corte debe tener 2 caracteres: " + codigo);
    if (!store::folderExists(c.guardarEn)) store::createFolder(c.guardarEn);
    ui.entradas.push_back(comentario);
    ui.archivos.push_back(c.guardarEn + "/Datdef" +
                          (codigo.empty() ? estado.SufijoTablas : codigo) + ".dbf");
    if (!cut::mnuAGuardarCorte_Click(estado, ui))
      throw ErrorBatch("No se ha podido guardar el corte en " + c.guardarEn);
    out << "Corte guardado en " << c.guardarEn << " con el código " << estado.SufijoTablas
        << "\n\n";
  }
}

int OrdenRun(const std::vector<std::string>& args, const EntornoBatch& entorno, std::ostream& out,
             std::ostream& err) {
  // --db may be repeated: collected before the other options.
  std::vector<std::string> bases;
  std::vector<std::string> resto{args[0]};
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--db") {
      if (i + 1 >= args.size()) throw ErrorUso("Falta el valor de --db");
      bases.push_back(args[++i]);
    } else {
      resto.push_back(args[i]);
    }
  }
  const Argumentos a =
      Analiza(resto,
              {"--home", "--out", "--plots", "--tables", "--vars", "--cork", "--method",
               "--class-width", "--hart", "--reineke", "--user-equations", "--code", "--comment",
               "--criteria", "--mode", "--save-cut", "--map"},
              {"--save-derived", "--csv", "--zero-filter"});
  if (!a.posicionales.empty()) throw ErrorUso("Argumento inesperado: " + a.posicionales[0]);
  if (bases.empty()) throw ErrorUso("Falta --db ARCHIVO.dbf");
  if (a.opcion("--out").empty()) throw ErrorUso("Falta --out CARPETA");
  const bool guardar = a.tiene("--save-derived");
  // The criteria are read before any work, so a bad line stops the run at once.
  const std::optional<CorteBatch> corte = LeeCorteBatch(a);

  std::optional<CasaTemporal> temporal;
  std::string home = a.opcion("--home");
  if (home.empty()) {
    temporal.emplace();
    home = temporal->ruta();
  }
  shell::OrigenRutas origen;
  origen.carpetaEjecutable = entorno.carpetaDatos;
  origen.home = home;
  origen.datos = entorno.carpetaDatos;
  const shell::RutasPrograma rutas = shell::ConstruirRutas(origen);
  if (!store::folderExists(rutas.BDEstruct))
    throw ErrorBatch("No se encuentra la carpeta de datos instalados " + rutas.BDEstruct);

  EstadoAplicacion estado;
  InteraccionRun ui(estado.CalculoCancelado, &err);
  ui.alFase = entorno.fases;
  const auto fase = [&entorno](const char* nombre) {
    if (entorno.fases) entorno.fases(nombre);
  };
  ui.respuestaSi = guardar;
  ui.guardarDerivadas = guardar;
  if (!shell::CargarPrincipal(estado, ui, rutas))
    throw ErrorBatch("No se puede preparar la carpeta de trabajo " + home);

  // The inventory equations are opened during the selection, by the first of its threads left
  // without a database to work on (a run on user equations alone never reads them): the
  // calculation takes them, or the failure to open them, where it would have opened them itself.
  calc::AperturaKAV ecuacionesKAV;
  if (a.opcion("--method") != "3")
    ecuacionesKAV = calc::PrepararAperturaKAV(estado.rutas.carpetaDatos);

  import::ListaProvinciasEnMemoria lista;
  std::vector<std::string> archivos;
  for (const std::string& b : bases) {
    std::error_code ec;
    archivos.push_back(fs::absolute(b, ec).lexically_normal().string());
    if (!fs::is_regular_file(archivos.back(), ec))
      throw ErrorBatch("No se encuentra el archivo " + b);
  }
  // The databases are checked and their tables built ahead on both cores (a database's check
  // and builds at once) while the selection takes the ones before them.
  {
    std::vector<std::pair<std::string, std::string>> anticipadas;
    for (const std::string& r : archivos) {
      const import::PartesRuta p = import::PartesDeRuta(r);
      anticipadas.emplace_back(p.carpeta, p.codigo);
    }
    estado.anticipada =
        std::make_shared<import::SeleccionAnticipada>(estado, anticipadas, ecuacionesKAV.abrir);
  }
  for (std::size_t i = 0; i < archivos.size(); ++i) {
    ui.archivos.push_back(archivos[i]);
    fase("selección");
    if (import::mnuAAgregarBD_Click(estado, ui, lista) != import::ResultadoSeleccion::Anadida)
      throw ErrorBatch("No se ha podido seleccionar la base de datos de " + bases[i]);
  }
  estado.anticipada.reset();
  fase("generación");
  if (!import::mnuAGenerarBDT_Click(estado, ui))
    throw ErrorBatch("No se ha podido generar la base de datos de trabajo");

  const std::string salida = a.opcion("--out");
  if (!store::folderExists(salida)) store::createFolder(salida);
  fase("listado");
  out << "== Bases de datos seleccionadas\n";
  std::vector<std::vector<std::string>> filas;
  for (const auto& f : lista.modelo.filas) filas.push_back({f.begin(), f.end()});
  EscribeTablaAlineada(out, {"Código", "Descripción", "Parcelas", "Pies mayores"}, filas,
                       {false, false, true, true});
  out << "Total parcelas y pies mayores seleccionados: " << lista.modelo.totalParcelas << ", "
      << lista.modelo.totalPies << "\n\n";
  out << "== Base de datos de trabajo (BDTemp)\n";
  const std::vector<std::int64_t> registros = import::FilasBaseTrabajo(estado);
  std::vector<std::vector<std::string>> tablas;
  for (std::size_t i = 0; i < registros.size(); ++i)
    tablas.push_back({estado.NombresTablas[i] + "00", std::to_string(registros[i])});
  EscribeTablaAlineada(out, {"Tabla", "Registros"}, tablas, {false, true});
  out << "\n";

  OpcionesCalculoBatch calculo;
  calculo.plots = a.opcion("--plots");
  if (corte) {
    AplicaCorteBatch(estado, ui, *corte, a.opcion("--code"), a.opcion("--comment"), out);
    calculo.corte = true;
  }
  calculo.tables = a.opcion("--tables", "all");
  calculo.vars = a.opcion("--vars", "VCC,VSC,IAVC,VLE");
  calculo.cork = a.opcion("--cork");
  calculo.classWidth = a.opcion("--class-width");
  calculo.reineke = a.opcion("--reineke");
  calculo.userEquations = a.opcion("--user-equations");
  calculo.code = a.opcion("--code");
  calculo.comment = a.opcion("--comment");
  calculo.csv = a.tiene("--csv");
  const auto entero = [&](const char* nombre, int defecto) {
    const std::string t = a.opcion(nombre);
    if (t.empty()) return defecto;
    if (t.size() != 1 || t[0] < '0' || t[0] > '9') throw ErrorUso(std::string(nombre) + ": " + t);
    return t[0] - '0';
  };
  calculo.fases = entorno.fases;
  calculo.espacioTemporal = temporal.has_value();
  calculo.trabajoDespues = !a.opcion("--map").empty();
  calculo.method = entero("--method", 1);
  calculo.ecuacionesKAV = std::move(ecuacionesKAV.tomar);
  calculo.hart = entero("--hart", 1);
  fase("cálculo");
  CalculaYGuarda(estado, ui, calculo, salida, out);
  if (const std::string mapa = a.opcion("--map"); !mapa.empty()) {
    store::Database trabajo = store::Database::open(estado.rutas.BDTemp);
    const cut::MapaCorte m = cut::CalculaMapaCorte(trabajo, estado.ListaParcelas);
    trabajo.close();
    cut::GuardarMapaPng(m, mapa);
    out << m.titulo << ": " << m.paneles.size() << (m.paneles.size() == 1 ? " huso" : " husos")
        << ", guardado en " << mapa << "\n";
  }
  if (!temporal) out << "Carpeta de trabajo: " << rutas.carpetaTrabajo << "\n";
  // A failure the run reported and went past (a derived table that could not be saved...)
  // still makes the run a failure.
  if (ui.numeroErrores > 0) {
    throw ErrorBatch("la ejecución ha terminado, pero con " + std::to_string(ui.numeroErrores) +
                     (ui.numeroErrores == 1 ? " error (véase arriba)" : " errores (véase arriba)"));
  }
  return 0;
}

// Build-time generators, not listed in the help.
int OrdenGeneraPlantillas(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 2) throw ErrorUso("uso: arbelio-batch generar-plantillas CARPETA");
  inventory::EscribePlantillas(args[1]);
  out << "Plantillas escritas en " << args[1] << "\n";
  return 0;
}

int OrdenGeneraEcuaciones(const std::vector<std::string>& args, std::ostream& out) {
  const Argumentos a = Analiza(args, {"--out"}, {});
  if (a.posicionales.size() != 2 || a.opcion("--out").empty()) {
    throw ErrorUso("uso: arbelio-batch generar-ecuaciones MODELOS.csv CUBICACION.csv --out F");
  }
  std::ifstream m(a.posicionales[0]), c(a.posicionales[1]);
  if (!m) throw ErrorBatch("No se encuentra el archivo " + a.posicionales[0]);
  if (!c) throw ErrorBatch("No se encuentra el archivo " + a.posicionales[1]);
  const auto modelos = inventory::LeeCsvModelos(m);
  const auto ecuaciones = inventory::LeeCsvCubicacion(c);
  inventory::CreaEcuacionesSqlite(modelos, ecuaciones, a.opcion("--out"));
  out << modelos.size() << " modelos y " << ecuaciones.size() << " ecuaciones escritos en "
      << a.opcion("--out") << "\n";
  return 0;
}

}  // namespace

void EscribeTablaAlineada(std::ostream& out, const std::vector<std::string>& cabeceras,
                          const std::vector<std::vector<std::string>>& filas,
                          const std::vector<bool>& numericas) {
  std::vector<std::size_t> ancho(cabeceras.size());
  for (std::size_t i = 0; i < cabeceras.size(); ++i) ancho[i] = Anchura(cabeceras[i]);
  for (const auto& f : filas) {
    for (std::size_t i = 0; i < f.size() && i < ancho.size(); ++i) {
      ancho[i] = std::max(ancho[i], Anchura(f[i]));
    }
  }
  auto linea = [&](const std::vector<std::string>& celdas) {
    std::string s;
    for (std::size_t i = 0; i < ancho.size(); ++i) {
      const std::string& t = i < celdas.size() ? celdas[i] : std::string();
      const std::string relleno(ancho[i] - Anchura(t), ' ');
      if (i > 0) s += "  ";
      const bool derecha = i < numericas.size() && numericas[i];
      s += derecha ? relleno + t : t + relleno;
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    out << s << "\n";
  };
  linea(cabeceras);
  std::string regla;
  for (std::size_t i = 0; i < ancho.size(); ++i) {
    if (i > 0) regla += "  ";
    regla += std::string(ancho[i], '-');
  }
  out << regla << "\n";
  for (const auto& f : filas) linea(f);
}

void EscribeTablaCsv(std::ostream& out, const std::vector<std::string>& cabeceras,
                     const std::vector<std::vector<std::string>>& filas) {
  auto campo = [](const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string r = "\"";
    for (char c : s) {
      if (c == '"') r += '"';
      r += c;
    }
    return r + "\"";
  };
  auto linea = [&](const std::vector<std::string>& celdas) {
    for (std::size_t i = 0; i < celdas.size(); ++i) out << (i ? "," : "") << campo(celdas[i]);
    out << "\n";
  };
  linea(cabeceras);
  for (const auto& f : filas) linea(f);
}

int EjecutaOrdenBatch(const std::vector<std::string>& args, const EntornoBatch& entorno,
                      std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    (args.empty() ? err : out) << kUso;
    return args.empty() ? 2 : 0;
  }
  const std::string& orden = args[0];
  try {
    if (orden == "sample") return OrdenSample(args, out);
    if (orden == "sql") return OrdenSql(args, out);
    if (orden == "info") return OrdenInfo(args, out);
    if (orden == "run") return OrdenRun(args, entorno, out, err);
    if (orden == "import-mdb") return OrdenImportMdb(args, out, err);
    if (orden == "import-husohoja") return OrdenImportHusoHoja(args, entorno, out);
    if (orden == "generar-plantillas") return OrdenGeneraPlantillas(args, out);
    if (orden == "generar-ecuaciones") return OrdenGeneraEcuaciones(args, out);
    if (orden == "generar-husohoja-csv") {
      inventory::EscribeCsvHusoHoja(out);
      return 0;
    }
    err << "Orden desconocida: " << orden << "\n" << kUso;
    return 2;
  } catch (const ErrorUso& e) {
    err << e.what() << "\n";
    return 2;
  } catch (const store::StoreError& e) {
    err << "Error " << e.number() << ": " << e.description() << "\n";
    return 1;
  } catch (const ErrorBatch& e) {
    err << "Error: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << "Error: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace arbelio::batch
