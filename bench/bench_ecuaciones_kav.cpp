// The inventory's equations per tree as the equation pass calls them: 200,000 trees of mixed
// species, forms and provinces, the four volume variables each, on the installed database
// beside the benchmark (the program folder); and the opening of that database alone.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

#include "equations/EcuacionesKAV.h"

using namespace arbelio::equations;

namespace {

std::string CarpetaPrograma() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::vector<ArbolParaEcuacion> Arboles(std::size_t n) {
  std::mt19937 rng(47);
  const int especies[] = {21, 22, 23, 24, 25, 26, 26, 41, 43, 44, 45, 46, 46, 61, 71};
  const char* paramesps[] = {"", "", "1", "125", "230"};
  std::vector<ArbolParaEcuacion> r(n);
  for (auto& a : r) {
    a.provincia = 1 + static_cast<int>(rng() % 50);
    a.especie = especies[rng() % std::size(especies)];
    a.forma = 1 + static_cast<int>(rng() % 6);
    a.paramesp = paramesps[rng() % std::size(paramesps)];
    a.dn = 7.5 + (rng() % 600) / 10.0;
    if (rng() % 10 != 0) a.altura = 4 + (rng() % 200) / 10.0;
  }
  return r;
}

void BM_VolumenesKAV200000Arboles(benchmark::State& state) {
  auto arboles = Arboles(200000);
  const char* variables[] = {"VCC", "VSC", "IAVC", "VLE"};
  for (auto _ : state) {
    EcuacionesKAV kav = AbrirEcuacionesKAV(CarpetaPrograma());
    double suma = 0;
    for (const char* v : variables) {
      for (auto& a : arboles) {
        const auto x = kav.VolumenKAV(a, v);
        if (x) suma += *x;
        if (std::string_view(v) == "VCC") a.vcc = x;
      }
    }
    benchmark::DoNotOptimize(suma);
    state.counters["busquedas"] = static_cast<double>(kav.busquedas());
  }
}
BENCHMARK(BM_VolumenesKAV200000Arboles)->Unit(benchmark::kMillisecond);

// Opening the installed database: what a calculation run waits for before its equation pass.
void BM_AbrirEcuacionesKAV(benchmark::State& state) {
  for (auto _ : state) {
    EcuacionesKAV kav = AbrirEcuacionesKAV(CarpetaPrograma());
    benchmark::DoNotOptimize(kav.abierta());
  }
}
BENCHMARK(BM_AbrirEcuacionesKAV)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
