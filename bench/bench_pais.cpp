// The whole job of "arbelio-batch run" over a country: ten synthetic provinces of 10,000 plots
// (about 2,000,000 large trees, 279 MB of dBASE), twenty (about 4,000,000 trees: the cost must
// grow linearly) and one province alone. A run selects the provinces (checking them and building
// their Datdef and Especi tables), merges them into the working tables, calculates all nine
// result tables, with no volume variable or with the four, and saves them. The counters give
// each phase's wall time in seconds (selection, merge, each pass, saving), the process CPU time
// and page faults of the run, and its peak memory so far (run one case per process for a case's
// own peak: --benchmark_filter=BM_Pais/10/1). The clock starts a few seconds after the tables of
// the case's previous run are deleted and its input is read into the file cache, so that each
// run starts from the same state.
//
// The provinces are generated once into a cache folder: $ARBELIO_BENCH_PAIS, by default
// <tmp>/arbelio-bench-pais, as prov/NN/ (what "arbelio-batch sample --province NN --plots 10000"
// writes). When <cache>/golden/<case>/ exists, every table the run saves must equal its copy
// there byte for byte, but the date of the dBASE header; with ARBELIO_BENCH_GUARDAR=1 a run
// keeps its tables there instead (do that once with the code whose results are the reference).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/OrdenesBatch.h"
#include "inventory/GeneradorMuestra.h"
#include "store/FileOps.h"
#include "store/Text.h"

using namespace arbelio;
namespace fs = std::filesystem;

namespace {

fs::path Cache() {
  const char* c = std::getenv("ARBELIO_BENCH_PAIS");
  return c != nullptr && *c != '\0' ? fs::path(c)
                                    : fs::temp_directory_path() / "arbelio-bench-pais";
}

std::string Codigo(int p) {
  return (p < 10 ? "0" : "") + std::to_string(p);
}

// The provinces of a run: 01-06, 08-10 and 24 for ten, then 11-20.
std::vector<int> Provincias(int cuantas) {
  const std::vector<int> todas = {1,  2,  3,  4,  5,  6,  8,  9,  10, 24,
                                  11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  return {todas.begin(), todas.begin() + cuantas};
}

// The large-tree file of a province in the cache, generated on first use.
std::string Provincia(int p) {
  const fs::path carpeta = Cache() / "prov" / Codigo(p);
  const fs::path piesma = carpeta / ("Piesma" + Codigo(p) + ".dbf");
  if (!fs::exists(piesma)) {
    fs::create_directories(carpeta);
    inventory::OpcionesMuestra o;
    o.provincia = p;
    o.parcelas = 10000;
    inventory::EscribeProvincia(inventory::GeneraProvincia(o), carpeta.string());
  }
  return piesma.string();
}

// The file cache's pages of a file, given back: the kept copies are read after every run, and the
// system would otherwise page them out a minute later, while a later run goes on.
void SueltaDeLaCache(const fs::path& archivo) {
  const int fd = ::open(archivo.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  ::close(fd);
}

// Whether two files hold the same bytes but a dBASE header's date (bytes 1-3), read a piece at a
// time: a table of a country is hundreds of MB, and reading both whole would take gigabytes of
// new memory after every run, which the next run on this host would pay for.
bool MismosBytesSalvoFecha(const fs::path& a, const fs::path& b) {
  std::error_code ec1, ec2;
  const auto tam = fs::file_size(a, ec1);
  if (ec1 || tam != fs::file_size(b, ec2) || ec2 || tam < 4) return false;
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::vector<char> pa(std::size_t{1} << 20), pb(pa.size());
  for (std::uintmax_t leidos = 0; leidos < tam;) {
    const auto n = static_cast<std::streamsize>(std::min<std::uintmax_t>(pa.size(), tam - leidos));
    if (!fa.read(pa.data(), n) || !fb.read(pb.data(), n)) return false;
    if (leidos == 0) std::copy(pb.begin() + 1, pb.begin() + 4, pa.begin() + 1);
    if (!std::equal(pa.begin(), pa.begin() + n, pb.begin())) return false;
    leidos += static_cast<std::uintmax_t>(n);
  }
  return true;
}

// The same, and the kept copy `b` leaves the file cache.
bool IgualesSalvoFecha(const fs::path& a, const fs::path& b) {
  const bool iguales = MismosBytesSalvoFecha(a, b);
  SueltaDeLaCache(b);
  return iguales;
}

// Every file of the case's provinces and of the installed data read once, so that a run finds
// its input in the file cache. This host pages out file pages no one has read for a minute: in
// runs of ten and twenty provinces taken in turn, the second ten provinces were often read from
// the disk again by the twenty-province run alone (0.7-2.3 s more on this host).
void CalientaEntrada(const std::vector<fs::path>& rutas) {
  std::vector<char> pieza(std::size_t{1} << 20);
  const auto leer = [&pieza](const fs::path& archivo) {
    std::ifstream f(archivo, std::ios::binary);
    // The last, shorter read fails, but it has read what there was.
    while (f.read(pieza.data(), static_cast<std::streamsize>(pieza.size()))) {
    }
  };
  for (const fs::path& ruta : rutas) {
    if (fs::is_regular_file(ruta)) leer(ruta);
    if (!fs::is_directory(ruta)) continue;
    for (const auto& e : fs::recursive_directory_iterator(ruta)) {
      if (e.is_regular_file()) leer(e.path());
    }
  }
}

// Differences between the saved tables and the kept ones: names of tables that differ or are
// missing on either side. A dBASE header's date (bytes 1-3) may differ.
std::vector<std::string> Diferencias(const fs::path& salida, const fs::path& guardada) {
  std::vector<std::string> d;
  auto tablas = [](const fs::path& carpeta) {
    std::map<std::string, fs::path> m;
    for (const auto& e : fs::directory_iterator(carpeta)) {
      if (store::equalsNoCase(e.path().extension().string(), ".dbf"))
        m[e.path().filename().string()] = e.path();
    }
    return m;
  };
  const auto nuevas = tablas(salida), viejas = tablas(guardada);
  for (const auto& [nombre, ruta] : viejas) {
    if (!nuevas.count(nombre)) d.push_back(nombre + " (falta)");
  }
  for (const auto& [nombre, ruta] : nuevas) {
    auto it = viejas.find(nombre);
    if (it == viejas.end()) {
      d.push_back(nombre + " (sobra)");
      continue;
    }
    if (!IgualesSalvoFecha(ruta, it->second)) d.push_back(nombre);
  }
  return d;
}

// Phases by the marks of the run: its own, the captions of the progress dialog and the texts of
// its calculation label.
const std::map<std::string, std::string>& Fases() {
  static const std::map<std::string, std::string> m = {
      {"selección", "seleccion"},
      {"generación", "fusion"},
      {"listado", "listado"},
      {"cálculo", "preparacion"},
      {"cálculos de árbol individual", "arbol"},
      {"cálculos de árbol individual, según ecuaciones.", "ecuaciones"},
      {"cálculos de parcela", "parcel"},
      {"cálculos de clase diamétrica por parcela", "cd_par"},
      {"cálculos de especie por parcela", "sp_par"},
      {"cálculos del total de la masa", "totals"},
      {"cálculos de especie", "specie"},
      {"cálculos de clase diamétrica", "cldiam"},
      {"cálculos de clase diamétrica por especie", "cd_esp"},
      {"cálculos de clase diamétrica y especie por parcela", "cdsp_p"},
      {"guardado", "guardado"},
      {"resumen", "resumen"},
  };
  return m;
}

class Cronometro {
 public:
  using Reloj = std::chrono::steady_clock;
  void marca(const std::string& texto) {
    std::string fase;
    if (const auto it = Fases().find(texto); it != Fases().end()) {
      fase = it->second;
    } else if (texto.rfind("Creando tabla 'Datdef", 0) == 0) {
      fase = "datdef";
    } else if (texto.rfind("Creando tabla 'Especi", 0) == 0) {
      fase = "especi";
    } else {
      return;  // another caption of the same phase
    }
    cerrar();
    actual_ = fase;
  }
  void cerrar() {
    const auto ahora = Reloj::now();
    if (!actual_.empty())
      segundos[actual_] += std::chrono::duration<double>(ahora - desde_).count();
    desde_ = ahora;
  }
  std::map<std::string, double> segundos;

 private:
  std::string actual_ = "inicio";  // start-up: the workspace and the installed data
  Reloj::time_point desde_ = Reloj::now();
};

// The process's CPU time so far (every thread), and its page faults: each is a page the process
// was given. On a host whose speed varies from hour to hour the faults still count the new memory
// a run takes, which is what that host charges most for.
struct Uso {
  double cpuS = 0;
  double fallos = 0;
};

Uso UsoHastaAhora() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return {static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
              static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
          static_cast<double>(u.ru_minflt + u.ru_majflt)};
}

void BM_Pais(benchmark::State& state) {
  const int provincias = static_cast<int>(state.range(0));
  const bool volumenes = state.range(1) != 0;
  const std::string caso = "p" + std::to_string(provincias) + (volumenes ? "-vol" : "-none");
  std::vector<std::string> args = {"run"};
  std::vector<fs::path> entrada = {fs::path(ARBELIO_PROGRAM_DIR) / "BDEstruct",
                                   fs::path(ARBELIO_PROGRAM_DIR) / "EcuacionesKAV.sqlite"};
  for (int p : Provincias(provincias)) {
    args.push_back("--db");
    args.push_back(Provincia(p));
    entrada.push_back(fs::path(args.back()).parent_path());
  }
  const fs::path salida = Cache() / "salida" / caso;
  args.insert(args.end(), {"--code", "GD", "--out", salida.string()});
  if (!volumenes) args.insert(args.end(), {"--vars", "none"});

  Cronometro reloj;
  Uso uso;
  for (auto _ : state) {
    state.PauseTiming();
    // The previous run's tables go first, and the system is given time to finish with them
    // before the clock starts: their blocks written out and freed, and the memory their pages
    // held taken back (on a virtual machine that hands free memory back to its host, a few
    // seconds after it is freed). Otherwise a run shares its first seconds with that work, in
    // proportion to the size of what ran before it (1.6 GB for twenty provinces with volumes),
    // and a run after a small one starts with memory a run after a large one does not have.
    fs::remove_all(salida);
    CalientaEntrada(entrada);
    ::sync();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    state.ResumeTiming();
    reloj = Cronometro();
    batch::EntornoBatch entorno{ARBELIO_PROGRAM_DIR,
                                [&reloj](const std::string& f) { reloj.marca(f); }};
    std::ostringstream out, err;
    const Uso antes = UsoHastaAhora();
    const int rc = batch::EjecutaOrdenBatch(args, entorno, out, err);
    reloj.cerrar();
    const Uso despues = UsoHastaAhora();
    uso = {despues.cpuS - antes.cpuS, despues.fallos - antes.fallos};
    if (rc != 0) state.SkipWithError(("arbelio-batch run: " + err.str()).c_str());
  }
  for (const auto& [fase, s] : reloj.segundos) state.counters[fase] = s;
  state.counters["cpu_s"] = uso.cpuS;
  state.counters["fallos_pagina"] = uso.fallos;
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  state.counters["pico_MB"] = static_cast<double>(u.ru_maxrss) / 1024.0;

  const fs::path guardada = Cache() / "golden" / caso;
  const char* guardar = std::getenv("ARBELIO_BENCH_GUARDAR");
  if (guardar != nullptr && std::string(guardar) == "1") {
    fs::remove_all(guardada);
    fs::create_directories(guardada.parent_path());
    fs::copy(salida, guardada);
  } else if (fs::exists(guardada)) {
    const auto d = Diferencias(salida, guardada);
    std::string texto;
    for (const auto& t : d) texto += " " + t;
    if (!d.empty()) state.SkipWithError(("distinto de " + guardada.string() + ":" + texto).c_str());
    state.counters["iguales"] = d.empty() ? 1 : 0;
  }
}

// One province; ten and twenty, without and with the four volume variables.
BENCHMARK(BM_Pais)
    ->Args({1, 1})
    ->Args({10, 0})
    ->Args({10, 1})
    ->Args({20, 0})
    ->Args({20, 1})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
