// Equation evaluation per tree: a compiled inventory-style formula called with numbers, and the
// same call written as text.
#include <benchmark/benchmark.h>

#include "equations/Ecuaciones.h"

using namespace arbelio::equations;

namespace {

void BM_LlamarFormulaCompilada(benchmark::State& state) {
  EstadoEcuaciones e;
  const std::string f = "a+b*DN^2*HT+c*Log(DN)";
  ComprobarEcuacion(e, f, {});
  GenerarFuncionEGS(e, f);
  std::vector<double> args = {0.5, 0.00003, 0.1, 250, 12};
  double v = 0, sum = 0;
  for (auto _ : state) {
    args[3] += 0.001;
    e.motor.Llamar(args, v);
    sum += v;
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_LlamarFormulaCompilada);

void BM_EvaluarTextoDeLlamada(benchmark::State& state) {
  EstadoEcuaciones e;
  const std::string f = "a+b*DN^2*HT+c*Log(DN)";
  ComprobarEcuacion(e, f, {});
  GenerarFuncionEGS(e, f);
  double v = 0, sum = 0;
  for (auto _ : state) {
    EvaluarEGS(e, "EGS(0.5,0.00003,0.1,250.3,12.5)", v);
    sum += v;
  }
  benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_EvaluarTextoDeLlamada);

}  // namespace

BENCHMARK_MAIN();
