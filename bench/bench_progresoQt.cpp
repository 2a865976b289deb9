// What the window's progress costs a pass that reports every tree, as the tree pass does: the
// counter text and the bar set twice per tree and the interface given its turn twice per tree,
// with the progress dialog shown over the main window (offscreen unless QT_QPA_PLATFORM says).
// A pass over the 2 million trees of ten provinces makes 2 million such reports.
#include <benchmark/benchmark.h>

#include <QMainWindow>
#include <string>

#include "BenchmarksQt.h"
#include "shell/InteraccionQt.h"
#include "state/EstadoAplicacion.h"

using namespace arbelio;

namespace {

void BM_ProgresoPorArbol(benchmark::State& state) {
  QMainWindow principal;
  principal.show();
  EstadoAplicacion estado;
  shell::InteraccionQt ui(estado, &principal);
  ui.mostrarProgreso("Progreso de cálculos", "Calculando...", true,
                     shell::PosicionProgreso::Centrado);
  std::int64_t n = 0;
  for (auto _ : state) {
    ++n;
    ui.progresoPosicion(std::to_string(n));
    ui.progresoBarra(static_cast<int>(n / 20000 % 101));  // whole percentages of 2 M trees
    ui.ceder();
    ui.progresoPosicion(std::to_string(n));
    ui.ceder();
  }
  ui.ocultarProgreso();
  state.SetItemsProcessed(n);
}
BENCHMARK(BM_ProgresoPorArbol)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return arbelio::bench::EjecutaBenchmarksQt(argc, argv);
}
