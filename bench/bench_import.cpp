// Import benchmarks on synthetic provinces of 10,000 plots (about 200,000 large trees):
//   derive plot summary + species tables of one province        target <= 1.5 s
//   merge 10 such provinces into the working database           target <= 10 s, <= 2 GiB
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "ProvinciasBench.h"
#include "import/ConstructorDatDef.h"
#include "import/MEspeci.h"

using namespace arbelio;
using namespace arbelio::bench;
namespace fs = std::filesystem;

namespace {

void BM_DerivaDatDefYEspeci(benchmark::State& state) {
  EstadoAplicacion e = Estado();
  const std::string prov = Provincia(47);
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  VaciaCarpeta(e.rutas.BDTemp);
  for (const char* t : {"Piesma", "Piesme", "Tiposx", "Matorr", "Datest"})
    store::copyFile(prov + "/" + t + "47.dbf", e.rutas.BDTemp + "/" + t + "47.dbf");
  for (auto _ : state) {
    import::CreaDatDef(e, ui, "47", e.rutas.BDTemp);
    store::copyFile(e.rutas.BDEstruct + "/Especi.dbf", e.rutas.BDTemp + "/Especi47.dbf");
    import::MEspeci(e, ui, "47");
  }
  state.counters["parcelas"] = kParcelas;
}
BENCHMARK(BM_DerivaDatDefYEspeci)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UneDiezProvincias(benchmark::State& state) {
  EstadoAplicacion e = Estado();
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  const std::string reserva = DiezProvinciasSeleccionadas();
  if (reserva.empty()) state.SkipWithError("selección fallida");
  e.CodigosSeleccionados = CodigosDiez();
  e.HayBasesSeleccionadas = true;
  std::int64_t filas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    CopiaCarpeta(reserva, e.rutas.BDTemp);
    state.ResumeTiming();
    if (!import::mnuAGenerarBDT_Click(e, ui)) state.SkipWithError(mensajes.str().c_str());
    state.PauseTiming();
    filas = import::FilasBaseTrabajo(e)[1];
    state.ResumeTiming();
  }
  state.counters["pies"] = static_cast<double>(filas);
}
BENCHMARK(BM_UneDiezProvincias)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
