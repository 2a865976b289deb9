// Import benchmarks on synthetic provinces of 10,000 plots (about 200,000 large trees):
//   derive plot summary + species tables of one province        target <= 1.5 s
//   merge 10 such provinces into the working database           target <= 10 s, <= 2 GiB
#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "import/BaseDatosTrabajo.h"
#include "import/ConstructorDatDef.h"
#include "import/MEspeci.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/BasesAuxiliares.h"
#include "inventory/GeneradorMuestra.h"
#include "inventory/MallaMTN50.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionLote.h"
#include "store/FileOps.h"

using namespace arbelio;
namespace fs = std::filesystem;

namespace {

constexpr int kParcelas = 10000;
// Ten large provinces: their sheet grids hold 10,000 plots.
constexpr int kProvincias[] = {6, 9, 10, 13, 16, 19, 22, 24, 44, 50};
const fs::path kRaiz = fs::temp_directory_path() / "arbelio-bench-import";

// Installed data (templates, Hojas) and a workspace under kRaiz.
EstadoAplicacion Estado() {
  EstadoAplicacion e;
  const std::string estruct = (kRaiz / "BDEstruct").string();
  if (!fs::exists(kRaiz / "BDEstruct" / "HusoHoja.sqlite")) {
    inventory::EscribePlantillas(estruct);
    std::stringstream csv;
    inventory::EscribeCsvHusoHoja(csv);
    inventory::CreaHusoHojaSqlite(inventory::LeeCsvHusoHoja(csv), estruct + "/HusoHoja.sqlite");
  }
  e.rutas.BDEstruct = estruct;
  e.rutas.BDTemp = (kRaiz / "BDTemp").string();
  fs::create_directories(e.rutas.BDTemp);
  e.NombresTablas = shell::NombresTablasIniciales();
  e.FactoresExpansion = shell::FactoresExpansionIniciales();
  return e;
}

// A province of kParcelas plots written once under kRaiz/pNN.
std::string Provincia(int codigo) {
  const fs::path carpeta = kRaiz / ("p" + std::to_string(codigo));
  if (!fs::exists(carpeta / inventory::NombreArchivoProvincial("Matorr", codigo))) {
    inventory::OpcionesMuestra o;
    o.provincia = codigo;
    o.parcelas = kParcelas;
    o.semilla = static_cast<std::uint64_t>(codigo);
    inventory::EscribeProvincia(inventory::GeneraProvincia(o), carpeta.string());
  }
  return carpeta.string();
}

void VaciaCarpeta(const std::string& carpeta) {
  for (const auto& f : store::listFiles(carpeta))
    if (store::fileExists(f.path)) store::deleteFile(f.path);
}

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
  const std::string reserva = (kRaiz / "reserva10").string();
  if (!fs::exists(fs::path(reserva) / "Especi50.dbf")) {
    VaciaCarpeta(e.rutas.BDTemp);
    import::ListaProvinciasEnMemoria lista;
    for (int c : kProvincias) {
      ui.archivos.push_back(Provincia(c) + "/" + inventory::NombreArchivoProvincial("Piesma", c));
      if (import::mnuAAgregarBD_Click(e, ui, lista) != import::ResultadoSeleccion::Anadida)
        state.SkipWithError("selección fallida");
    }
    fs::create_directories(reserva);
    VaciaCarpeta(reserva);
    for (const auto& f : store::listFiles(e.rutas.BDTemp))
      fs::copy_file(f.path, fs::path(reserva) / f.name);
  }
  e.CodigosSeleccionados.clear();
  for (int c : kProvincias)
    e.CodigosSeleccionados.push_back(c < 10 ? "0" + std::to_string(c) : std::to_string(c));
  e.HayBasesSeleccionadas = true;
  std::int64_t filas = 0;
  for (auto _ : state) {
    state.PauseTiming();
    VaciaCarpeta(e.rutas.BDTemp);
    for (const auto& f : store::listFiles(reserva))
      fs::copy_file(f.path, fs::path(e.rutas.BDTemp) / f.name);
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
