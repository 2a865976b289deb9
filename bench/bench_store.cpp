// Table store benchmarks: the store rows of the performance targets (200,000 large trees).
//   open and scan a 200,000-row large-tree table        target <= 0.2 s
//   10,000 equality finds over 200,000 rows             target <= 50 ms
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "store/Database.h"

using namespace arbelio::store;

namespace {

constexpr int kPlots = 10000;
constexpr int kTreesPerPlot = 20;

// A large-tree table as the inventory delivers it, written byte by byte (fast and independent
// of the store's writer).
std::string makeFolder() {
  static std::string folder;
  if (!folder.empty()) return folder;
  folder = (std::filesystem::temp_directory_path() / "arbelio-bench-store").string();
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/PIESMA47.DBF";
  if (std::filesystem::exists(path)) return folder;
  struct F {
    const char* name;
    char type;
    int len, dec;
  };
  const F fields[] = {{"PROVINCIA", 'N', 2, 0}, {"ESTADILLO", 'N', 5, 0}, {"NUMORDEN", 'N', 3, 0},
                      {"ESPECIE", 'C', 3, 0},   {"DIAMETRO1", 'N', 4, 0}, {"DIAMETRO2", 'N', 4, 0},
                      {"ALTURA", 'N', 5, 1},    {"FORMA", 'N', 1, 0},     {"CALIDAD", 'N', 1, 0},
                      {"PARAMESP", 'C', 3, 0}};
  const int nf = sizeof(fields) / sizeof(fields[0]);
  int recLen = 1;
  for (const auto& f : fields) recLen += f.len;
  const int headerLen = 32 + 32 * nf + 1;
  std::string h(static_cast<std::size_t>(headerLen), '\0');
  h[0] = 0x03;
  const std::uint32_t n = kPlots * kTreesPerPlot;
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>((n >> (8 * i)) & 0xFF);
  h[8] = static_cast<char>(headerLen & 0xFF);
  h[9] = static_cast<char>(headerLen >> 8);
  h[10] = static_cast<char>(recLen);
  h[29] = 0x03;
  for (int i = 0; i < nf; ++i) {
    char* d = h.data() + 32 + 32 * i;
    std::snprintf(d, 11, "%s", fields[i].name);
    d[11] = fields[i].type;
    d[16] = static_cast<char>(fields[i].len);
    d[17] = static_cast<char>(fields[i].dec);
  }
  h[static_cast<std::size_t>(headerLen - 1)] = 0x0D;
  std::ofstream out(path, std::ios::binary);
  out << h;
  std::uint32_t seed = 12345;
  auto rnd = [&]() { return seed = seed * 1664525u + 1013904223u; };
  char rec[64];
  for (int p = 1; p <= kPlots; ++p) {
    for (int t = 1; t <= kTreesPerPlot; ++t) {
      const int d1 = 75 + static_cast<int>(rnd() % 600);
      std::snprintf(rec, sizeof rec, " %2d%5d%3d%3d%4d%4d%5.1f%1d%1d%3s", 47, p, t,
                    21 + static_cast<int>(rnd() % 6), d1, d1 + static_cast<int>(rnd() % 20),
                    5.0 + (rnd() % 200) / 10.0, 1 + static_cast<int>(rnd() % 6),
                    1 + static_cast<int>(rnd() % 6), "");
      out.write(rec, recLen);
    }
  }
  out.put('\x1A');
  return folder;
}

void BM_OpenAndScanLargeTreeTable(benchmark::State& state) {
  const std::string folder = makeFolder();
  for (auto _ : state) {
    Database db = Database::open(folder);
    Cursor c = db.openCursor("Piesma47");
    double sum = 0;
    std::int64_t rows = 0;
    for (; !c.eof(); c.moveNext()) {
      const Value d = c.value("DIAMETRO1");
      const Value h = c.value("ALTURA");
      if (!d.isNull()) sum += d.number();
      if (!h.isNull()) sum += h.number();
      sum += c.value("ESPECIE").text().size();
      ++rows;
    }
    benchmark::DoNotOptimize(sum);
    if (rows != kPlots * kTreesPerPlot) state.SkipWithError("filas perdidas");
  }
}
BENCHMARK(BM_OpenAndScanLargeTreeTable)->Unit(benchmark::kMillisecond);

// 10,000 find-first calls, one per plot, on an open cursor (the first builds the index).
void BM_TenThousandEqualityFinds(benchmark::State& state) {
  const std::string folder = makeFolder();
  Database db = Database::open(folder);
  for (auto _ : state) {
    state.PauseTiming();
    Cursor c = db.openCursor("SELECT * FROM Piesma47", CursorKind::Snapshot);
    state.ResumeTiming();
    std::int64_t found = 0;
    for (int p = 1; p <= kPlots; ++p) {
      c.findFirst("PROVINCIA=47 AND ESTADILLO=" + std::to_string(p));
      found += c.noMatch() ? 0 : 1;
    }
    if (found != kPlots) state.SkipWithError("parcelas no encontradas");
  }
}
BENCHMARK(BM_TenThousandEqualityFinds)->Unit(benchmark::kMillisecond);

// The walk of the calculation passes: per plot, find-first then find-next over its 20 trees.
void BM_FindFirstNextWalkAllPlots(benchmark::State& state) {
  const std::string folder = makeFolder();
  Database db = Database::open(folder);
  Cursor c = db.openCursor("SELECT * FROM Piesma47 ORDER BY PROVINCIA, ESTADILLO, DIAMETRO1");
  for (auto _ : state) {
    std::int64_t trees = 0;
    for (int p = 1; p <= kPlots; ++p) {
      const std::string crit = "PROVINCIA=47 AND ESTADILLO=" + std::to_string(p);
      for (c.findFirst(crit); !c.noMatch(); c.findNext(crit)) ++trees;
    }
    if (trees != kPlots * kTreesPerPlot) state.SkipWithError("pies perdidos");
  }
}
BENCHMARK(BM_FindFirstNextWalkAllPlots)->Unit(benchmark::kMillisecond);

void BM_OrderedQuery(benchmark::State& state) {
  const std::string folder = makeFolder();
  Database db = Database::open(folder);
  for (auto _ : state) {
    Cursor c = db.openCursor("SELECT * FROM Piesma47 ORDER BY PROVINCIA, ESTADILLO, DIAMETRO1");
    benchmark::DoNotOptimize(c.recordCount());
  }
}
BENCHMARK(BM_OrderedQuery)->Unit(benchmark::kMillisecond);

void BM_GroupedCount(benchmark::State& state) {
  const std::string folder = makeFolder();
  Database db = Database::open(folder);
  for (auto _ : state) {
    Cursor c = db.openCursor(
        "SELECT Estadillo, Count(NumOrden) AS Num From PIESMA47 GROUP BY Estadillo ORDER BY "
        "Estadillo;");
    if (c.recordCount() != kPlots) state.SkipWithError("grupos");
  }
}
BENCHMARK(BM_GroupedCount)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
