// Breakdown and summary passes over 10,000 plots / 200,000 trees (part of the target "all nine
// result tables, 4 volume variables, 10,000 plots / 200,000 trees <= 2 s").
//
// Each iteration builds a fresh output folder with a synthetic AIndiv (about 20 trees per plot,
// six species, DN 7.5-70 cm, some heights and volumes empty) and the Parcel rows the summaries
// read, then times the seven passes in the order of a run: Cd_par, Sp_par, Totals, Specie,
// Cldiam, Cd_esp, Cdsp_p, each reading AIndiv itself or all sharing one reading. Building the
// input is not timed. The counters give each step's time in milliseconds; the reported time is
// their sum.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "../tests/comun/CarpetaTemporal.h"
#include "calc/ArbolesCalculo.h"
#include "calc/CalculosDesglose.h"
#include "calc/CalculosResumen.h"
#include "calc/Dasometria.h"
#include "calc/TablasResultado.h"
#include "import/MEspeci.h"
#include "inventory/Constantes.h"
#include "shell/EspacioTrabajo.h"
#include "shell/Interaccion.h"
#include "store/Database.h"

using namespace arbelio;
using calc::TablaResultado;

namespace {

constexpr int kPlots = 10000;
constexpr int kTreesPerPlot = 20;

// An interaction that shows nothing, as a run without windows.
class Silenciosa : public shell::Interaccion {
 public:
  explicit Silenciosa(bool& cancelado) : Interaccion(cancelado) {}
  shell::Respuesta mensaje(const std::string&, const std::string&, shell::IconoMensaje,
                           shell::BotonesMensaje) override {
    return shell::Respuesta::Aceptar;
  }
  std::optional<std::string> entrada(const std::string&, const std::string&,
                                     const std::string& v) override {
    return v;
  }
  std::optional<std::string> abrirArchivo(const shell::DialogoArchivo&) override { return {}; }
  std::optional<std::string> guardarArchivo(const shell::DialogoArchivo&) override { return {}; }
  void mostrarProgreso(const std::string&, const std::string&, bool,
                       shell::PosicionProgreso) override {}
  void progresoExplicacion(const std::string&) override {}
  void progresoPosicion(const std::string&) override {}
  void progresoCalculos(const std::string&) override {}
  void progresoEtiquetas(bool, bool, bool) override {}
  void progresoBarra(int) override {}
  void ocultarProgreso() override {}
  void ceder() override {}
  void relojArena(bool) override {}
};

void Preparar(EstadoAplicacion& estado) {
  estado.FactoresExpansion = shell::FactoresExpansionIniciales();
  estado.SufijoTablas = "Bm";
  for (int v = 0; v < 4; ++v) estado.VariablesUnidades[static_cast<std::size_t>(v)].calcular = "SI";
  estado.ListaParcelas.entradas.assign(1, inventory::Parcela{});
  for (int p = 1; p <= kPlots; ++p) {
    estado.ListaParcelas.entradas.push_back({47, static_cast<std::int16_t>(p)});
  }
  estado.ListaParcelas.numero = kPlots;
  estado.NumeroParcelas = kPlots;
  estado.NumeroPies = kPlots * kTreesPerPlot;
}

// AIndiv and Parcel as the tree and plot passes would leave them.
void Generar(EstadoAplicacion& estado, store::Database& db) {
  for (auto t : {TablaResultado::AIndiv, TablaResultado::Parcel, TablaResultado::Cd_par,
                 TablaResultado::Sp_par, TablaResultado::Totals, TablaResultado::Specie,
                 TablaResultado::Cldiam, TablaResultado::Cd_esp, TablaResultado::Cdsp_p}) {
    calc::CrearTablaResultado(db, estado, t);
  }
  std::mt19937 rng(47);
  std::uniform_real_distribution<double> u(0, 1);
  const int especies[] = {21, 24, 26, 45, 46, 71};
  store::Cursor a = db.openCursor(calc::NombreTabla(estado, TablaResultado::AIndiv));
  store::Cursor p = db.openCursor(calc::NombreTabla(estado, TablaResultado::Parcel));
  const char* vol[] = {"VCC", "VSC", "IAVC", "VLE"};
  for (int parcela = 1; parcela <= kPlots; ++parcela) {
    double n = 0, ab = 0;
    for (int k = 1; k <= kTreesPerPlot; ++k) {
      const auto dn = static_cast<float>(7.5 + 62.5 * std::pow(u(rng), 2.5));
      const int codigo = import::ClaseDiametrica(dn);
      const auto sn = static_cast<float>(inventory::kPi * dn * dn / 4);
      n += estado.FactoresExpansion[static_cast<std::size_t>(codigo)];
      ab += sn * estado.FactoresExpansion[static_cast<std::size_t>(codigo)] / 10000;
      a.addNew();
      a.setValue("PROVINCIA", 47);
      a.setValue("PARCELA", parcela);
      a.setValue("NUMORDEN", k);
      a.setValue("ESPECIE", especies[static_cast<int>(u(rng) * 2.2 + (parcela % 4))]);
      a.setValue("FORMA", 2);
      a.setValue("CALIDAD", 2);
      a.setValue("FACTOREXP", codigo);
      a.setValue("CD", calc::ClaseDiametrica(dn, 5));
      a.setValue("DN", dn);
      a.setValue("SN", sn);
      a.setValue("CN", static_cast<float>(inventory::kPi * dn));
      if (u(rng) < 0.9) a.setValue("ALTURA", static_cast<float>(4 + dn * 0.4 + u(rng) * 3));
      for (int v = 0; v < 4; ++v) {
        if (u(rng) < 0.995) a.setValue(vol[v], static_cast<float>(dn * dn * (0.3 - 0.05 * v)));
      }
      a.update();
    }
    p.addNew();
    p.setValue("PROVINCIA", 47);
    p.setValue("PARCELA", parcela);
    p.setValue("N", n);
    p.setValue("AB", calc::RedondeoPar(ab, 5));
    p.setValue("Dg", std::sqrt(40000 * ab / (inventory::kPi * n)));
    for (const char* c : {"Dm", "Do", "Hm", "Ho", "HART", "REINEKE"}) {
      p.setValue(c, 10 + 20 * u(rng));
    }
    for (int v = 0; v < 4; ++v) p.setValue(vol[v], 100 * u(rng));
    p.update();
  }
}

using Pasada = void (*)(EstadoAplicacion&, shell::Interaccion&, store::Database&,
                        const calc::ArbolesCalculo*);

// compartida: the run reads AIndiv once (timed as "Lectura") and hands it to every pass;
// otherwise each pass reads it.
void Medir(benchmark::State& state, bool compartida) {
  const std::pair<const char*, Pasada> pasadas[] = {
      {"Cd_par", calc::CalculosClaseDiametricaParcela},
      {"Sp_par", calc::CalculosEspecieParcela},
      {"Totals", [](EstadoAplicacion& e, shell::Interaccion& u, store::Database& d,
                    const calc::ArbolesCalculo*) { calc::CalculosTotales(e, u, d); }},
      {"Specie", [](EstadoAplicacion& e, shell::Interaccion& u, store::Database& d,
                    const calc::ArbolesCalculo*) { calc::CalculosEspecie(e, u, d); }},
      {"Cldiam", [](EstadoAplicacion& e, shell::Interaccion& u, store::Database& d,
                    const calc::ArbolesCalculo*) { calc::CalculosClaseDiametrica(e, u, d); }},
      {"Cd_esp", calc::CalculosClaseDiametricaEspecie},
      {"Cdsp_p", calc::CalculosClaseEspecieParcela}};
  std::map<std::string, double> ms;
  int iteracion = 0;
  for (auto _ : state) {
    ++iteracion;
    const pruebas::CarpetaTemporal carpeta("arbelio-bench-resumen");
    EstadoAplicacion estado;
    Preparar(estado);
    Silenciosa ui(estado.CalculoCancelado);
    {
      store::Database db = store::Database::open(carpeta.ruta());
      Generar(estado, db);
      double total = 0;
      auto medir = [&](const char* nombre, const std::function<void()>& trabajo) {
        const auto t0 = std::chrono::steady_clock::now();
        trabajo();
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        ms[nombre] += s * 1000;
        total += s;
      };
      std::optional<calc::ArbolesCalculo> arboles;
      if (compartida) medir("Lectura", [&] { arboles.emplace(db, estado); });
      for (const auto& [nombre, pasada] : pasadas) {
        medir(nombre, [&] { pasada(estado, ui, db, arboles ? &*arboles : nullptr); });
      }
      state.SetIterationTime(total);
      const auto filas = [&](TablaResultado t) {
        return db.openCursor(calc::NombreTabla(estado, t)).recordCount();
      };
      state.counters["rows_Cd_par"] = static_cast<double>(filas(TablaResultado::Cd_par));
      state.counters["rows_Sp_par"] = static_cast<double>(filas(TablaResultado::Sp_par));
      state.counters["rows_Cdsp_p"] = static_cast<double>(filas(TablaResultado::Cdsp_p));
    }
  }
  for (const auto& [nombre, v] : ms) {
    state.counters[std::string("ms_") + nombre] = v / static_cast<double>(iteracion);
  }
  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  state.counters["peak_MiB"] = static_cast<double>(uso.ru_maxrss) / 1024.0;
}

void BM_PasadasCadaUnaLeeAIndiv(benchmark::State& state) {
  Medir(state, false);
}
BENCHMARK(BM_PasadasCadaUnaLeeAIndiv)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_PasadasConLecturaCompartida(benchmark::State& state) {
  Medir(state, true);
}
BENCHMARK(BM_PasadasConLecturaCompartida)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
