// Cut tool benchmarks on the whole country's working database (10 synthetic provinces: 100,000
// plots, some 2,000,000 large trees):
//   loading the cut tool ("&Corte..." over an existing working database)   target <= 1 s
//   applying one criterion of each kind, or all five (all / any)           target <= 0.5 s
//   the summary of a cut of every plot                                     target <= 0.3 s
//   saving a cut of 50,000 plots (seven tables into BDCorte, then copied)  target <= 3 s
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <map>

#include "ProvinciasBench.h"
#include "cut/AplicarCorte.h"
#include "cut/GuardarCorte.h"
#include "cut/HerramientaCorte.h"
#include "cut/ListaParcelasCorte.h"

using namespace arbelio;
using namespace arbelio::bench;

namespace {

// A workspace whose BDTemp holds the country's working database (copied once per run).
EstadoAplicacion Espacio() {
  EstadoAplicacion e = Estado(kRaiz / "corte");
  static bool copiada = false;
  if (!copiada) {
    const std::string pais = BaseTrabajoPais();
    if (pais.empty()) return e;
    CopiaCarpeta(pais, e.rutas.BDTemp);
    copiada = true;
  }
  return e;
}

double MemoriaMaximaMiB() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_maxrss) / 1024.0;
}

std::int64_t Parcelas(const EstadoAplicacion& e) {
  return e.ListaParcelas.vacia() ? 0 : e.ListaParcelas.numero;
}

void BM_CargarHerramienta(benchmark::State& state) {
  EstadoAplicacion e = Espacio();
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  std::size_t especies = 0;
  for (auto _ : state) {
    cut::VistaCorteEnMemoria vista(e);
    if (!cut::mnuCNuevoCorte_Click(e, ui, vista)) state.SkipWithError(mensajes.str().c_str());
    state.PauseTiming();
    especies = vista.herramienta().ComboEspeciesPresentes.elementos.size();
    vista.herramienta().Descargar();  // the tables are read again by the next load
    state.ResumeTiming();
  }
  state.counters["especies"] = static_cast<double>(especies);
}
BENCHMARK(BM_CargarHerramienta)->Unit(benchmark::kMillisecond)->Iterations(3);

// The tool with a row of every kind: the most common species with at least 25 % of the basal
// area, stands of at least 10 m2/ha, the first zone's whole extent, three municipalities, ten
// plots.
void Criterios(cut::HerramientaCorte& h) {
  auto& c = h.criterios;
  std::map<std::string, int> cuenta;
  {
    store::Database db = store::Database::open(h.estado().rutas.BDTemp);
    store::Cursor r =
        db.openCursor("SELECT ESPECIE, Count(ESTADILLO) AS N FROM ESPECI00 GROUP BY ESPECIE",
                      store::CursorKind::Snapshot);
    for (; !r.eof(); r.moveNext()) cuenta[r.value(0).toString()] = r.value(1).toInt32();
  }
  const auto comun =
      std::max_element(cuenta.begin(), cuenta.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; });
  c.rejillas[cut::kCriterioEspecies]->fijarFilas({{comun->first, ">= 25%", ""}});
  c.rejillas[cut::kCriterioMasa]->fijarFilas({{">= 10", ""}});
  const auto& xs = h.ComboX1.elementos;
  const auto& ys = h.ComboY1.elementos;
  c.rejillas[cut::kCriterioUtm]->fijarFilas(
      {{h.ComboHusos.texto, "(" + xs.front() + ", " + ys.front() + ")",
        "(" + xs.back() + ", " + ys.back() + ")"}});
  h.ComboMunProvincias_Click(0);
  std::vector<cut::FilaCriterio> municipios;
  for (std::size_t i = 0; i < 3 && i < h.ComboMunicipios.elementos.size(); ++i)
    municipios.push_back({h.ComboMunProvincias.texto, h.ComboMunicipios.elementos[i]});
  c.rejillas[cut::kCriterioMunicipios]->fijarFilas(municipios);
  std::vector<cut::FilaCriterio> parcelas;
  for (int i = 1; i <= 10; ++i)
    parcelas.push_back({h.ComboMunProvincias.texto, std::to_string(i * 97)});
  c.rejillas[cut::kCriterioParcelas]->fijarFilas(parcelas);
  c.CheckCriterio.fill(true);
}

// Argument: the criterion index, or 5 (all five joined by "todos") or 6 (by "algún").
void BM_Aplicar(benchmark::State& state) {
  EstadoAplicacion e = Espacio();
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  cut::VistaCorteEnMemoria vista(e);
  if (!cut::mnuCNuevoCorte_Click(e, ui, vista)) state.SkipWithError(mensajes.str().c_str());
  cut::HerramientaCorte& h = vista.herramienta();
  Criterios(h);
  const int caso = static_cast<int>(state.range(0));
  for (auto _ : state) {
    if (caso < cut::kNumCriterios) {
      h.SSTabCriterios_Click(caso);
      h.CommandAplicarUno_Click(ui);
    } else {
      h.criterios.OptionTodosCriterios = caso == 5;
      h.CommandAplicarVarios_Click(ui);
    }
  }
  state.counters["parcelas"] = static_cast<double>(Parcelas(e));
  state.counters["MiB"] = MemoriaMaximaMiB();
}
BENCHMARK(BM_Aplicar)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Resumen(benchmark::State& state) {
  EstadoAplicacion e = Espacio();
  store::Database trabajo = store::Database::open(e.rutas.BDTemp);
  {
    std::vector<inventory::Parcela> todas;
    store::Cursor d = trabajo.openCursor("DATDEF00", store::CursorKind::ForwardOnly);
    for (; !d.eof(); d.moveNext())
      todas.push_back({static_cast<std::int16_t>(d.value("PROVINCIA").toInt16()),
                       static_cast<std::int16_t>(d.value("ESTADILLO").toInt16())});
    cut::FijarParcelas(e.ListaParcelas, todas);
    cut::OrdenarParcelas(e.ListaParcelas);
  }
  cut::ResumenCorte resumen;
  cut::MuestraResumenes(e, trabajo, false, resumen);  // tables loaded
  for (auto _ : state) cut::MuestraResumenes(e, trabajo, false, resumen);
  state.counters["parcelas"] = static_cast<double>(resumen.parcelas);
  state.counters["especies"] = static_cast<double>(resumen.especies.size());
}
BENCHMARK(BM_Resumen)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_GuardarCorte50000(benchmark::State& state) {
  EstadoAplicacion e = Espacio();
  std::ostringstream mensajes;
  shell::InteraccionLote ui(e.CalculoCancelado, &mensajes);
  const std::string salida = (kRaiz / "corte" / "guardado").string();
  fs::create_directories(salida);
  {
    // Every second plot: 50,000 plots spread over the ten provinces.
    store::Database trabajo = store::Database::open(e.rutas.BDTemp);
    std::vector<inventory::Parcela> mitad;
    store::Cursor d = trabajo.openCursor("DATDEF00", store::CursorKind::ForwardOnly);
    for (std::int64_t i = 0; !d.eof(); d.moveNext(), ++i)
      if (i % 2 == 0)
        mitad.push_back({static_cast<std::int16_t>(d.value("PROVINCIA").toInt16()),
                         static_cast<std::int16_t>(d.value("ESTADILLO").toInt16())});
    cut::FijarParcelas(e.ListaParcelas, mitad);
    cut::OrdenarParcelas(e.ListaParcelas);
    cut::ResumenCorte resumen;
    cut::MuestraResumenes(e, trabajo, false, resumen);
    e.InformeCriterios = "Criterios de corte: \r\n\r\n(prueba de rendimiento)\r\n";
  }
  std::int64_t pies = 0;
  for (auto _ : state) {
    ui.entradas = {"Corte de 50.000 parcelas"};
    ui.archivos = {salida + "/DatdefBn.dbf"};
    if (!cut::mnuAGuardarCorte_Click(e, ui)) state.SkipWithError(mensajes.str().c_str());
    state.PauseTiming();
    store::Database guardado = store::Database::open(salida);
    pies = guardado.openCursor("PiesmaBn", store::CursorKind::Snapshot).recordCount();
    guardado.close();
    state.ResumeTiming();
  }
  state.counters["parcelas"] = static_cast<double>(Parcelas(e));
  state.counters["pies"] = static_cast<double>(pies);
  state.counters["MiB"] = MemoriaMaximaMiB();
}
BENCHMARK(BM_GuardarCorte50000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
