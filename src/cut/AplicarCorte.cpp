#include "cut/AplicarCorte.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "cut/GenerarSufijo.h"
#include "cut/ListaParcelasCorte.h"
#include "import/BaseDatosTrabajo.h"
#include "shell/EjecutarOrden.h"
#include "shell/Progreso.h"
#include "store/Query.h"

namespace arbelio::cut {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kCriteriosDeCorte = "Criterios de corte: \r\n";

// A key field's value as a 16-bit whole number; false for null, text that is no number, or a
// value that is not whole or out of range (such a record never matches a plot).
bool Entero16(const store::Value& v, std::int16_t& r) {
  double d = 0;
  if (v.isNumber()) {
    d = v.number();
  } else if (!v.isText() || !store::parseNumber(v.text(), d)) {
    return false;
  }
  if (d != std::floor(d) || d < -32768 || d > 32767) return false;
  r = static_cast<std::int16_t>(d);
  return true;
}

std::int64_t Entero(const store::Value& v) {
  return v.isNull() ? 0 : static_cast<std::int64_t>(v.toInt32());
}

// The cut before an apply: no plots, no excluded trees, no report.
void VaciarCorte(EstadoAplicacion& estado) {
  estado.ListaParcelas.vaciar();
  estado.PiesExcluidos.clear();
  estado.InformeCriterios.clear();
}

// The end of a successful apply.
void TerminarCorte(EstadoAplicacion& estado, const EntornoAplicar& entorno,
                   const CriteriosCorte& criterios, const std::string& informe,
                   ResumenCorte& resumen) {
  OrdenarParcelas(estado.ListaParcelas);
  resumen.TextInforme = informe;
  estado.InformeCriterios = informe;
  MuestraResumenes(estado, entorno.trabajo, criterios.CheckEliminarParcelasCeroPM, resumen);
  estado.SufijoTablas = GenerarSufijo(entorno.aleatorio);
}

// Runs an apply through the command barrier. A failure leaves an empty cut and saving disabled.
// When the apply ends without plots: saving disabled and `sinParcelas` shown.
bool Aplicar(EstadoAplicacion& estado, shell::Interaccion& ui, const char* sinParcelas,
             const std::function<void()>& aplicar) {
  const bool hecho = shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    shell::RelojArena reloj(ui);
    aplicar();
  });
  if (hecho && !estado.ListaParcelas.vacia()) return true;
  if (!hecho) VaciarCorte(estado);
  estado.menus.alAplicarCriteriosSinParcelas();
  if (hecho) ui.aviso(sinParcelas, shell::IconoMensaje::Informacion);
  return false;
}

}  // namespace

void ResumenCorte::LimpiarCaptions(bool conCero) {
  LabelRNParc.clear();
  LabelRNPM.clear();
  LabelRNpme.clear();
  LabelRNEsp.clear();
  if (conCero) LabelRNPcero.clear();
  especies.clear();
  ListEspeciesdistintas.clear();
}

bool CommandAplicarUno_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                             const EntornoAplicar& entorno, const CriteriosCorte& criterios,
                             int solapa, ResumenCorte& resumen) {
  resumen.parcelasCeroPies = 0;
  resumen.LimpiarCaptions(true);
  return Aplicar(estado, ui, kSinParcelasUno, [&] {
    std::string informe = std::string(kCriteriosDeCorte) + kCrLf +
                          "(Las parcelas resultantes cumplen el siguiente criterio:)" + kCrLf;
    resumen.TextInforme.clear();
    VaciarCorte(estado);
    AplicacionCriterios aplicacion(entorno.trabajo, criterios, estado.ListaParcelas, informe,
                                   resumen.parcelasCeroPies);
    aplicacion.AplicarCriterio(solapa, true);
    EliminarRepetidas(estado.ListaParcelas);
    estado.EspeciesCorte = {0};
    if (!estado.ListaParcelas.vacia()) TerminarCorte(estado, entorno, criterios, informe, resumen);
  });
}

bool CommandAplicarVarios_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                                const EntornoAplicar& entorno, const CriteriosCorte& criterios,
                                ResumenCorte& resumen) {
  resumen.parcelasCeroPies = 0;
  resumen.LimpiarCaptions(false);
  resumen.TextInforme.clear();
  const bool todos = criterios.OptionTodosCriterios;
  return Aplicar(estado, ui, kSinParcelasVarios, [&] {
    std::string informe =
        std::string(kCriteriosDeCorte) + kCrLf +
        (todos ? "(Las parcelas resultantes cumplen TODOS los criterios siguientes:)"
               : std::string("(Las parcelas resultantes cumplen ALGUNO de los criterios "
                             "siguientes:)") +
                     kCrLf);
    VaciarCorte(estado);
    AplicacionCriterios aplicacion(entorno.trabajo, criterios, estado.ListaParcelas, informe,
                                   resumen.parcelasCeroPies);
    bool anadir = true;
    for (int i = 0; i < kNumCriterios; ++i) {
      if (!criterios.CheckCriterio[static_cast<std::size_t>(i)]) continue;
      const bool anadia = anadir;
      aplicacion.AplicarCriterio(i, anadir);
      if (anadir && todos) {
        EliminarRepetidas(estado.ListaParcelas);
        anadir = false;
      }
      if (!anadia) aplicacion.ConservarMarcadas();
    }
    if (!estado.ListaParcelas.vacia()) {
      if (!todos) EliminarRepetidas(estado.ListaParcelas);
      TerminarCorte(estado, entorno, criterios, informe, resumen);
    } else {
      // No plot: the species of an earlier cut are forgotten too.
      estado.EspeciesCorte = {0};
    }
  });
}

void MuestraResumenes(EstadoAplicacion& estado, store::Database& trabajo, bool filtroCero,
                      ResumenCorte& resumen) {
  resumen.HabilitarLabelsResumen();
  const std::vector<inventory::Parcela> parcelas = ParcelasDeLista(estado.ListaParcelas);

  // Plot and tree totals: a seek per plot through the working table's index. A plot that
  // DATDEF00 lacks is left out of the whole summary.
  std::vector<inventory::Parcela> halladas;
  halladas.reserve(parcelas.size());
  std::int64_t nParcelas = 0, nMayores = 0, nMenores = 0;
  {
    store::Cursor d = trabajo.openCursor("DATDEF00", store::CursorKind::Table);
    d.setIndex(import::kIndiceProvEst);
    const int cNumPma = d.fieldIndex("NUMPMA");
    const int cNumPme = d.fieldIndex("NumPme");
    for (const inventory::Parcela& p : parcelas) {
      d.seek("=", {store::Value(p.provincia), store::Value(p.estadillo)});
      if (d.noMatch()) continue;
      halladas.push_back(p);
      ++nParcelas;
      nMayores += Entero(d.value(cNumPma));
      nMenores += Entero(d.value(cNumPme));
    }
  }
  estado.NumeroPies = static_cast<std::int32_t>(nMayores);
  estado.NumeroParcelas = static_cast<std::int32_t>(nParcelas);

  // Species and dominance. The records of a plot are taken in the order of the query "SELECT
  // PROVINCIA,ESTADILLO,ESPECIE,PORCENAB FROM ESPECI00 ORDER BY PORCENAB DESC" (largest share of
  // basal area first, ties in table order), found by one pass over the table instead of a sort
  // of it; the first record of a plot is its dominant species.
  std::vector<EspecieDominante> tabla;
  {
    std::unordered_map<std::uint32_t, std::int32_t> indiceDe;
    indiceDe.reserve(halladas.size());
    for (std::size_t i = 0; i < halladas.size(); ++i)
      indiceDe.emplace(ClaveParcela(halladas[i]), static_cast<std::int32_t>(i));
    store::Cursor e = trabajo.openCursor("ESPECI00", store::CursorKind::Snapshot);
    const int cProvincia = e.fieldIndex("PROVINCIA"), cEstadillo = e.fieldIndex("ESTADILLO"),
              cEspecie = e.fieldIndex("ESPECIE"), cPorcenAb = e.fieldIndex("PORCENAB");
    struct Registro {
      std::int32_t parcela;  // place in `halladas`
      std::int64_t fila;     // ordinal in the table
    };
    std::vector<Registro> registros;
    const std::int64_t n = e.recordCount();
    for (std::int64_t i = 0; i < n; ++i) {
      std::int16_t provincia = 0, estadillo = 0;
      if (!Entero16(e.valueAt(i, cProvincia), provincia) ||
          !Entero16(e.valueAt(i, cEstadillo), estadillo))
        continue;
      const auto it = indiceDe.find(ClaveParcela(provincia, estadillo));
      if (it != indiceDe.end()) registros.push_back({it->second, i});
    }
    std::stable_sort(registros.begin(), registros.end(),
                     [](const Registro& a, const Registro& b) { return a.parcela < b.parcela; });
    std::unordered_map<std::int16_t, std::size_t> posicion;
    struct Especie {
      store::Value porcentaje;
      std::int16_t codigo;
    };
    std::vector<Especie> dePlot;
    for (std::size_t inicio = 0; inicio < registros.size();) {
      std::size_t fin = inicio;
      dePlot.clear();
      for (; fin < registros.size() && registros[fin].parcela == registros[inicio].parcela; ++fin) {
        const std::int64_t f = registros[fin].fila;
        dePlot.push_back(
            {e.valueAt(f, cPorcenAb), static_cast<std::int16_t>(e.valueAt(f, cEspecie).toInt16())});
      }
      // Descending as the query sorts: numbers from the largest, nulls last, ties kept.
      std::stable_sort(dePlot.begin(), dePlot.end(), [](const Especie& a, const Especie& b) {
        return store::query::compareValues(a.porcentaje, b.porcentaje) > 0;
      });
      for (std::size_t k = 0; k < dePlot.size(); ++k) {
        auto it = posicion.find(dePlot[k].codigo);
        if (it == posicion.end()) {
          it = posicion.emplace(dePlot[k].codigo, tabla.size()).first;
          tabla.push_back({dePlot[k].codigo, 0});
        }
        if (k == 0) ++tabla[it->second].parcelas;
      }
      inicio = fin;
    }
  }
  estado.EspeciesCorte.clear();
  for (const EspecieDominante& d : tabla) estado.EspeciesCorte.push_back(d.especie);
  if (estado.EspeciesCorte.empty()) estado.EspeciesCorte = {0};

  // Selection sort by dominance, descending: the strictly greatest of the rest (the earliest of
  // equals) is swapped into each place.
  for (std::size_t i = 0; i < tabla.size(); ++i) {
    std::size_t mayor = i;
    for (std::size_t j = i + 1; j < tabla.size(); ++j)
      if (tabla[j].parcelas > tabla[mayor].parcelas) mayor = j;
    std::swap(tabla[i], tabla[mayor]);
  }

  resumen.parcelas = nParcelas;
  resumen.piesMayores = nMayores;
  resumen.piesMenores = nMenores;
  resumen.LabelRNParc = std::to_string(nParcelas);
  resumen.LabelRNPM = std::to_string(nMayores);
  resumen.LabelRNpme = std::to_string(nMenores);
  resumen.LabelRNEsp = std::to_string(tabla.size());
  if (filtroCero) {
    resumen.LabelRNPcero = std::to_string(resumen.parcelasCeroPies);
    resumen.Label29Habilitada = true;
  } else {
    resumen.LabelRNPcero.clear();
    resumen.Label29Habilitada = false;
  }
  resumen.especies = tabla;
  resumen.ListEspeciesdistintas.clear();
  for (const EspecieDominante& d : tabla)
    resumen.ListEspeciesdistintas.push_back(std::to_string(d.especie) + " (" +
                                            std::to_string(d.parcelas) + ")");
  estado.menus.alMostrarCorteNoVacio();
  resumen.CommandVerDatosCorte = true;
}

}  // namespace arbelio::cut
