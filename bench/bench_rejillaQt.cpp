// A grid over a 2,000,000-row table (a tree-results table of 17 columns, about 430 MB):
//   open the table and read or paint the first screen (40 rows, all columns)  target <= 0.5 s
//   jump to the last row / to random rows (one screen read)              target <= 20 ms
//   peak memory                                                          <= file + 100 MB
// the results viewer opened on it (target <= 1 s) and scrolled,
// plus, for the viewers: a jump after a row was deleted elsewhere (the cursor rebuilds
// its map of visible rows), removing a row from the grid, the numeric sort of a column, and the
// row list of a whole plot list (the cut data viewer's rows).
//
// The table is generated once into <temp>/arbelio-bench-rejilla and kept there; when it has to
// be generated the program starts itself again, so the memory figures are those of the grid
// alone. Counters: pico_MB (peak resident memory so far), archivo_MB (the table's file).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchmarksQt.h"
#include "results/FormVisorDatosCalculos.h"
#include "shell/FuenteCursor.h"
#include "shell/InteraccionGuionada.h"
#include "shell/TablaModeloQt.h"
#include "store/Database.h"

using namespace arbelio;
namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kFilas = 2000000;
constexpr int kPiesPorParcela = 20;
constexpr int kPantalla = 40;
const char* const kTabla = "AIndivBm";

fs::path Carpeta() {
  return fs::temp_directory_path() / "arbelio-bench-rejilla";
}

std::string Archivo() {
  return (Carpeta() / (std::string(kTabla) + ".dbf")).string();
}

// Writes the table through the store into a scratch folder renamed into place when whole, so
// an interrupted run leaves no half table behind.
void Generar() {
  const fs::path tmp = Carpeta().string() + ".tmp";
  fs::remove_all(tmp);
  fs::create_directories(tmp);
  {
    store::Database db = store::Database::open(tmp.string());
    store::TableDef def(kTabla);
    for (const char* n : {"PROVINCIA", "PARCELA", "NUMORDEN", "ESPECIE", "FORMA", "CALIDAD"})
      def.appendField(n, store::FieldType::Integer);
    def.appendField("PARAMESP", store::FieldType::Text, 3);
    def.appendField("FACTOREXP", store::FieldType::Byte);
    for (const char* n : {"CD", "DN", "SN", "CN", "ALTURA", "VCC", "VSC", "IAVC", "VLE"})
      def.appendField(n, store::FieldType::Single);
    db.appendTableDef(def);
    store::Cursor c = db.openCursor(kTabla);
    std::mt19937 azar(2024);
    for (std::int64_t i = 0; i < kFilas; ++i) {
      const double dn = 7.5 + (azar() % 6250) / 100.0;
      c.addNew();
      c.setValue(0, 1 + static_cast<int>(i / (kFilas / 10)));
      c.setValue(1, 1 + static_cast<int>((i / kPiesPorParcela) % 10000));
      c.setValue(2, 1 + static_cast<int>(i % kPiesPorParcela));
      c.setValue(3, 21 + static_cast<int>(azar() % 60));
      c.setValue(4, 1 + static_cast<int>(azar() % 6));
      c.setValue(5, 1 + static_cast<int>(azar() % 6));
      if (azar() % 50 == 0) c.setValue(6, "X");
      c.setValue(7, dn < 12.5 ? 1 : dn < 22.5 ? 2 : dn < 42.5 ? 3 : 4);
      c.setValue(8, 5.0 * static_cast<int>(dn / 5 + 0.5));
      c.setValue(9, dn);
      c.setValue(10, 3.14159265 * dn * dn / 4);
      c.setValue(11, 3.14159265 * dn);
      if (azar() % 4 == 0) c.setValue(12, 4 + (azar() % 250) / 10.0);
      if (azar() % 30 != 0) {  // some trees without volume equation
        c.setValue(13, dn * dn * 0.4);
        c.setValue(14, dn * dn * 0.33);
        c.setValue(15, dn * 0.12);
        c.setValue(16, dn * dn * 0.05);
      }
      c.update();
    }
    c.close();
    db.close();
  }
  fs::remove_all(Carpeta());
  fs::rename(tmp, Carpeta());
}

double PicoMB() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_maxrss) / 1024.0;
}

void Contadores(benchmark::State& state) {
  state.counters["pico_MB"] = PicoMB();
  state.counters["archivo_MB"] = static_cast<double>(fs::file_size(Archivo())) / (1024.0 * 1024.0);
}

// Reads one screen through the model as a view paints it: text and alignment of each cell.
std::int64_t LeerPantalla(const shell::TablaModeloQt& m, int desde) {
  std::int64_t n = 0;
  const int hasta = std::min(desde + kPantalla, m.rowCount());
  for (int f = desde; f < hasta; ++f) {
    for (int c = 0; c < m.columnCount(); ++c) {
      const QModelIndex i = m.index(f, c);
      n += m.data(i, Qt::DisplayRole).toString().size();
      n += m.data(i, Qt::TextAlignmentRole).toInt() != 0;
    }
  }
  return n;
}

// The grid as the results viewer will hold it.
struct Rejilla {
  store::Database db;
  std::shared_ptr<shell::FuenteCursor> fuente;
  std::unique_ptr<shell::TablaModeloQt> modelo;

  explicit Rejilla(const std::string& carpeta) {
    store::OpenOptions o;
    o.readOnly = true;
    db = store::Database::open(carpeta, o);
    fuente = std::make_shared<shell::FuenteCursor>(db.openCursor(kTabla));
    modelo = std::make_unique<shell::TablaModeloQt>(fuente);
  }
};

// Open the table, build the model, read the headers and the first screen. Nothing is kept from
// one repetition to the next, so each one loads the file; the first one of the program also
// pays for memory the system has not handed out yet.
void AbrirYLeer(benchmark::State& state) {
  for (auto _ : state) {
    Rejilla r(Carpeta().string());
    std::int64_t n = 0;
    for (int c = 0; c < r.modelo->columnCount(); ++c)
      n += r.modelo->headerData(c, Qt::Horizontal).toString().size();
    n += LeerPantalla(*r.modelo, 0);
    benchmark::DoNotOptimize(n);
    if (r.modelo->rowCount() != kFilas) state.SkipWithError("filas");
  }
  Contadores(state);
}
void BM_AbrirYPrimeraPantalla(benchmark::State& state) {
  AbrirYLeer(state);
}
BENCHMARK(BM_AbrirYPrimeraPantalla)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The same while another handle holds the table (a calculation run keeps its output folder
// open, so the results viewer finds its tables loaded): only the model and the screen.
void BM_AbrirConLaTablaYaCargada(benchmark::State& state) {
  const Rejilla otra(Carpeta().string());
  AbrirYLeer(state);
}
BENCHMARK(BM_AbrirConLaTablaYaCargada)->Unit(benchmark::kMillisecond);

// The same with a real view painting its first screen offscreen.
void BM_AbrirYPintarVista(benchmark::State& state) {
  for (auto _ : state) {
    Rejilla r(Carpeta().string());
    QTableView vista;
    vista.resize(1200, 40 * vista.verticalHeader()->defaultSectionSize());
    vista.setModel(r.modelo.get());
    const QPixmap imagen = vista.grab();
    benchmark::DoNotOptimize(imagen.width());
  }
  Contadores(state);
}
BENCHMARK(BM_AbrirYPintarVista)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The results viewer opened on the table as its tree tab (code "Bm"): the core model reads the
// table, the window builds its tabs and grid, sizes the columns to their headers and first
// rows and paints its first screen. Target: <= 1 s. The row count is known at once.
void BM_AbrirVisorResultados(benchmark::State& state) {
  EstadoAplicacion estado;
  estado.rutas.BDOut = Carpeta().string();
  estado.SufijoCalculos = "Bm";
  estado.opciones.TablasCalcular[0] = true;
  shell::InteraccionGuionada ui(estado);
  for (auto _ : state) {
    results::FormVisorDatosCalculos visor(estado, ui);
    visor.resize(1200, 40 * 24);
    const QPixmap imagen = visor.grab();
    benchmark::DoNotOptimize(imagen.width());
    if (visor.LabelNRegistros->text() != QString::number(kFilas)) state.SkipWithError("registros");
  }
  Contadores(state);
}
BENCHMARK(BM_AbrirVisorResultados)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// Scrolling the viewer's grid: one screen further down, painted, at random places.
void BM_DesplazarVisorResultados(benchmark::State& state) {
  EstadoAplicacion estado;
  estado.rutas.BDOut = Carpeta().string();
  estado.SufijoCalculos = "Bm";
  shell::InteraccionGuionada ui(estado);
  results::FormVisorDatosCalculos visor(estado, ui);
  visor.resize(1200, 40 * 24);
  visor.grab();
  QScrollBar* barra = visor.MSFlexGridMuestraCalculos->verticalScrollBar();
  std::mt19937 azar(7);
  for (auto _ : state) {
    barra->setValue(static_cast<int>(azar() % static_cast<unsigned>(barra->maximum())));
    const QPixmap imagen = visor.MSFlexGridMuestraCalculos->viewport()->grab();
    benchmark::DoNotOptimize(imagen.width());
  }
  Contadores(state);
}
BENCHMARK(BM_DesplazarVisorResultados)->Unit(benchmark::kMillisecond);

// One jump: read the screen that ends at the last row, or a screen at a random row.
void BM_SaltoAUltimaFila(benchmark::State& state) {
  Rejilla r(Carpeta().string());
  for (auto _ : state)
    benchmark::DoNotOptimize(LeerPantalla(*r.modelo, r.modelo->rowCount() - kPantalla));
  Contadores(state);
}
BENCHMARK(BM_SaltoAUltimaFila)->Unit(benchmark::kMicrosecond);

void BM_SaltoAFilaAlAzar(benchmark::State& state) {
  Rejilla r(Carpeta().string());
  std::mt19937 azar(1);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        LeerPantalla(*r.modelo, static_cast<int>(azar() % (kFilas - kPantalla))));
  Contadores(state);
}
BENCHMARK(BM_SaltoAFilaAlAzar)->Unit(benchmark::kMicrosecond);

// A jump right after a row of the table was deleted through another cursor: the first access
// rebuilds the grid cursor's map of visible rows. Works on a copy, so the kept table stays whole
// (the copy's folder is removed at the end).
void BM_SaltoTrasBorrarOtraFila(benchmark::State& state) {
  const fs::path copia = Carpeta().string() + ".borrar";
  fs::remove_all(copia);
  fs::create_directories(copia);
  fs::copy_file(Archivo(), copia / (std::string(kTabla) + ".dbf"));
  {
    store::Database db = store::Database::open(copia.string());
    shell::TablaModeloQt modelo(std::make_shared<shell::FuenteCursor>(db.openCursor(kTabla)));
    store::Cursor otro = db.openCursor(kTabla);
    std::mt19937 azar(3);
    for (auto _ : state) {
      otro.setAbsolutePosition(static_cast<std::int64_t>(azar() % (kFilas / 2)));
      otro.remove();
      benchmark::DoNotOptimize(
          LeerPantalla(modelo, static_cast<int>(azar() % (kFilas / 2)) + kFilas / 4));
    }
    Contadores(state);
  }
  fs::remove_all(copia);
}
BENCHMARK(BM_SaltoTrasBorrarOtraFila)->Unit(benchmark::kMillisecond)->Iterations(20);

// Removing one row from the grid (the cut data viewer's "delete row"), then reading the screen.
void BM_QuitarUnaFila(benchmark::State& state) {
  Rejilla r(Carpeta().string());
  std::mt19937 azar(5);
  for (auto _ : state) {
    const int fila = static_cast<int>(azar() % static_cast<unsigned>(r.modelo->rowCount()));
    r.modelo->removeRows(fila, 1);
    benchmark::DoNotOptimize(LeerPantalla(*r.modelo, std::max(0, fila - kPantalla / 2)));
  }
  Contadores(state);
}
BENCHMARK(BM_QuitarUnaFila)->Unit(benchmark::kMillisecond)->Iterations(10);

// Sorting the whole grid by DN (the sort button of the viewers), then reading the first screen.
void BM_OrdenarPorDN(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Rejilla r(Carpeta().string());
    state.ResumeTiming();
    r.modelo->sort(9);
    benchmark::DoNotOptimize(LeerPantalla(*r.modelo, 0));
  }
  Contadores(state);
}
BENCHMARK(BM_OrdenarPorDN)->Unit(benchmark::kMillisecond)->Iterations(2);

// The rows of a plot list of 100,000 plots (every plot, in reverse order) in list order, and
// the grid over them: what the cut data viewer does for its large-tree view.
void BM_FilasDeUnaListaDeParcelas(benchmark::State& state) {
  Rejilla r(Carpeta().string());
  std::vector<std::vector<store::Value>> claves;
  for (int p = 10; p >= 1; --p)
    for (int e = 10000; e >= 1; --e) claves.push_back({p, e});
  for (auto _ : state) {
    const store::Cursor c = r.db.openCursor(kTabla);
    auto ids = shell::FilasPorClaves(c, {"PROVINCIA", "PARCELA"}, claves);
    shell::TablaModeloQt modelo(std::make_shared<shell::FuenteCursor>(c, std::move(ids)));
    benchmark::DoNotOptimize(LeerPantalla(modelo, 0));
    if (modelo.rowCount() != kFilas) state.SkipWithError("filas de la lista");
  }
  Contadores(state);
}
BENCHMARK(BM_FilasDeUnaListaDeParcelas)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  if (!fs::exists(Archivo())) {
    Generar();
    // Start again, so the generation's memory is not counted in the figures.
    execv("/proc/self/exe", argv);
  }
  return arbelio::bench::EjecutaBenchmarksQt(argc, argv);
}
