// main() of the benchmarks of Qt glue: an application (offscreen unless QT_QPA_PLATFORM says
// otherwise) around Google Benchmark's run.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

namespace arbelio::bench {

inline int EjecutaBenchmarksQt(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace arbelio::bench
