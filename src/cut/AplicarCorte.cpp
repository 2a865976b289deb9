#include "cut/AplicarCorte.h"

#include <unordered_map>

#include "cut/GenerarSufijo.h"
#include "cut/ListaParcelasCorte.h"
#include "import/BaseDatosTrabajo.h"
#include "shell/EjecutarOrden.h"
#include "shell/FuenteCursor.h"
#include "shell/Progreso.h"

namespace arbelio::cut {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kCriteriosDeCorte = "Criterios de corte: \r\n";

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

  // Species and dominance: the records of each plot in the order of the query (largest share of
  // basal area first); the first one of a plot is its dominant species.
  std::vector<EspecieDominante> tabla;
  {
    store::Cursor e = trabajo.openCursor(
        "SELECT PROVINCIA,ESTADILLO,ESPECIE,PORCENAB FROM ESPECI00 ORDER BY PORCENAB DESC",
        store::CursorKind::Snapshot);
    std::vector<std::vector<store::Value>> claves;
    claves.reserve(halladas.size());
    for (const inventory::Parcela& p : halladas)
      claves.push_back({store::Value(p.provincia), store::Value(p.estadillo)});
    const std::vector<std::uint32_t> filas =
        shell::FilasPorClaves(e, {"PROVINCIA", "ESTADILLO"}, claves);
    std::unordered_map<std::int16_t, std::size_t> posicion;
    bool primera = true;
    double provinciaAnterior = 0, estadilloAnterior = 0;
    for (const std::uint32_t id : filas) {
      const double provincia = e.valueOfRow(id, 0).toDouble();
      const double estadillo = e.valueOfRow(id, 1).toDouble();
      const auto especie = static_cast<std::int16_t>(e.valueOfRow(id, 2).toInt16());
      auto it = posicion.find(especie);
      if (it == posicion.end()) {
        it = posicion.emplace(especie, tabla.size()).first;
        tabla.push_back({especie, 0});
      }
      // The plots of the list are distinct, so a new plot starts where the key changes.
      if (primera || provincia != provinciaAnterior || estadillo != estadilloAnterior)
        ++tabla[it->second].parcelas;
      primera = false;
      provinciaAnterior = provincia;
      estadilloAnterior = estadillo;
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
