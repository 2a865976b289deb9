// A whole calculation run (all nine tables, the four volume variables through the installed
// demonstration equations) over synthetic working databases of 10,000 plots per province
// (some 200,000 large trees each): 1 province and 10 provinces (about 2,000,000 trees).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "calc/HazCalculos.h"
#include "calc/Pasadas.h"
#include "inventory/GeneradorMuestra.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;

namespace {

// Answers nothing and shows nothing: the run's own cost only.
class InteraccionMuda : public shell::Interaccion {
 public:
  explicit InteraccionMuda(bool& c) : Interaccion(c) {}
  shell::Respuesta mensaje(const std::string&, const std::string&, shell::IconoMensaje,
                           shell::BotonesMensaje) override {
    return shell::Respuesta::Aceptar;
  }
  std::optional<std::string> entrada(const std::string&, const std::string&,
                                     const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> abrirArchivo(const shell::DialogoArchivo&) override {
    return std::nullopt;
  }
  std::optional<std::string> guardarArchivo(const shell::DialogoArchivo&) override {
    return std::nullopt;
  }
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

// A workspace whose BDTemp holds DATDEF00 and PIESMA00 of `provincias` synthetic provinces.
EstadoAplicacion preparar(int provincias) {
  const auto raiz = std::filesystem::temp_directory_path() /
                    ("arbelio-bench-calculo-" + std::to_string(provincias));
  EstadoAplicacion e;
  e.rutas.carpetaDatos = ARBELIO_PROGRAM_DIR;
  e.rutas.BDTemp = (raiz / "BDTemp").string();
  e.rutas.BDOut = (raiz / "BDOut").string();
  e.rutas.BDEstruct = (raiz / "BDEstruct").string();
  e.NombresTablas = shell::NombresTablasIniciales();
  e.FactoresExpansion = shell::FactoresExpansionIniciales();
  if (!std::filesystem::exists(raiz / "listo")) {
    std::filesystem::remove_all(raiz);
    for (const auto* c : {&e.rutas.BDTemp, &e.rutas.BDOut, &e.rutas.BDEstruct}) {
      store::createFolder(*c);
    }
    inventory::EscribePlantillas(e.rutas.BDEstruct);
    store::copyFile(e.rutas.BDEstruct + "/DatDef.dbf", e.rutas.BDTemp + "/DATDEF00.dbf");
    store::copyFile(e.rutas.BDEstruct + "/Piesma.dbf", e.rutas.BDTemp + "/PIESMA00.dbf");
    const int codigos[] = {47, 9, 24, 34, 37, 40, 42, 5, 49, 19};
    for (int i = 0; i < provincias; ++i) {
      const auto p = inventory::GeneraProvincia({codigos[i], 10000, 7u + static_cast<unsigned>(i)});
      inventory::EscribeProvincia(p, e.rutas.BDTemp);
      store::Database db = store::Database::open(e.rutas.BDTemp);
      const std::string c =
          p.provincia < 10 ? "0" + std::to_string(p.provincia) : std::to_string(p.provincia);
      db.execute("INSERT INTO DATDEF00 SELECT * FROM Datest" + c);
      db.execute("INSERT INTO PIESMA00 SELECT * FROM Piesma" + c);
      db.close();
    }
    std::filesystem::create_directories(raiz / "listo");
  }
  e.opciones.TablasCalcular.fill(true);
  for (int i = 0; i < 4; ++i) e.VariablesUnidades[static_cast<std::size_t>(i)].calcular = "SI";
  return e;
}

void Ejecutar(benchmark::State& state, int provincias) {
  preparar(provincias);
  std::int64_t arboles = 0;
  for (auto _ : state) {
    EstadoAplicacion e = preparar(provincias);
    InteraccionMuda ui(e.CalculoCancelado);
    const auto r = calc::HazCalculos(e, ui, calc::EntornoInstalado());
    if (r.cancelado) state.SkipWithError("cancelado");
    store::Database out = store::Database::open(e.rutas.BDOut);
    arboles = out.openCursor("AIndiv" + e.SufijoTablas).recordCount();
  }
  state.counters["arboles"] = static_cast<double>(arboles);
}

void BM_CalculoCompleto_200000(benchmark::State& s) {
  Ejecutar(s, 1);
}
void BM_CalculoCompleto_2000000(benchmark::State& s) {
  Ejecutar(s, 10);
}
BENCHMARK(BM_CalculoCompleto_200000)->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(BM_CalculoCompleto_2000000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
