// Applying criteria and building a cut: the two apply commands of the cut tool (the criterion
// of the visible tab, or every ticked criterion joined by "all" or "any"), the clean-up and
// ordering of the plot list, the summary of the frame "Resumen del corte" and the criteria
// report. A successful apply leaves ListaParcelas sorted and free of repeats, PiesExcluidos
// empty, NumeroParcelas, NumeroPies and EspeciesCorte published and a fresh SufijoTablas.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cut/CriteriosCorte.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"

namespace arbelio::cut {

inline constexpr const char* kSinParcelasUno = " No hay ninguna parcela que cumpla este criterio.";
inline constexpr const char* kSinParcelasVarios =
    " No hay ninguna parcela que cumpla estos criterios.";
// Captions of the summary frame "Resumen del corte".
inline constexpr const char* kCaptionRNParc = "Nº Parcelas:";
inline constexpr const char* kCaptionRNPM = "Nº PiesMayores:";
inline constexpr const char* kCaptionRNpme = "Nº Pies menores:";
inline constexpr const char* kCaptionRNEsp = "Nº Especies:";
inline constexpr const char* kCaptionRNPcero = "Nº parcelas con 0 pies mayores:";  // Label29
inline constexpr const char* kCaptionListaEspecies = "Lista de especies:";
inline constexpr const char* kEncabezadoListaEspecies =
    "Especie (nº de parcelas en las que la especie domina, en % Área Basimétrica)";

// A species of the cut and the number of its plots where it has the largest share of the basal
// area.
struct EspecieDominante {
  std::int16_t especie = 0;
  std::int32_t parcelas = 0;
  friend bool operator==(const EspecieDominante&, const EspecieDominante&) = default;
};

// What the frame "Resumen del corte" and the "Informe" tab show, and the zero-tree counter.
struct ResumenCorte {
  std::int32_t parcelasCeroPies = 0;  // plots skipped by the zero filter in the last apply
  std::string TextInforme;            // the criteria report
  bool labelsHabilitadas = true;      // the value labels (greyed out while criteria change)
  std::string LabelRNParc, LabelRNPM, LabelRNpme, LabelRNEsp, LabelRNPcero;
  bool Label29Habilitada = false;                  // "Nº parcelas con 0 pies mayores:"
  std::vector<EspecieDominante> especies;          // by dominance, most dominant first
  std::vector<std::string> ListEspeciesdistintas;  // "21 (12)": code and dominance count
  bool CommandVerDatosCorte = false;               // "Mostrar corte" enabled
  std::int64_t parcelas = 0, piesMayores = 0, piesMenores = 0;

  // Clears the four count captions (and LabelRNPcero when `conCero`) and the species list.
  void LimpiarCaptions(bool conCero);
  // HabilitarLabelsResumen / DeshabilitarLabelsResumen.
  void HabilitarLabelsResumen() { labelsHabilitadas = true; }
  void DeshabilitarLabelsResumen() { labelsHabilitadas = false; }
};

// Where an apply works: the working database kept open by the tool, and the random source of
// the fresh cut code (empty: the clock).
struct EntornoAplicar {
  store::Database& trabajo;
  std::function<double()> aleatorio;
};

// Applies the criterion of tab `solapa` (the "Informe" tab applies nothing). Shows
// kSinParcelasUno when no plot results. Returns whether the cut has plots; a failure is shown
// as "Error " + its description and leaves an empty cut.
bool CommandAplicarUno_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                             const EntornoAplicar& entorno, const CriteriosCorte& criterios,
                             int solapa, ResumenCorte& resumen);
// Applies every ticked criterion, in index order, joined by all (intersection) or any (union).
// Shows kSinParcelasVarios when no plot results.
bool CommandAplicarVarios_Click(EstadoAplicacion& estado, shell::Interaccion& ui,
                                const EntornoAplicar& entorno, const CriteriosCorte& criterios,
                                ResumenCorte& resumen);

// The summary of ListaParcelas: plot and tree totals from DATDEF00 (a plot the table lacks is
// skipped), the species and their dominance counts from ESPECI00, the captions; publishes
// NumeroParcelas, NumeroPies and EspeciesCorte and enables "Guardar Corte...".
void MuestraResumenes(EstadoAplicacion& estado, store::Database& trabajo, bool filtroCero,
                      ResumenCorte& resumen);

}  // namespace arbelio::cut
