// The five kinds of cut criterion: their grids, the SQL each grid row runs on the working
// tables DATDEF00 and ESPECI00, the lines each criterion adds to the criteria report, the zero
// filter (plots without large trees) and the delivery of every matching plot to the plot list,
// in add mode (AnadirParcela) or mark mode (MarcarParcela).
//
// A grid row is the cell texts as the cut tool writes them: threshold cells are an operator, a
// space and a value (">= 25%", "> 500"), corner cells "(X, Y)", province, plot and zone cells a
// number, municipality cells the code padded with zeros to 3 characters ("007").
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cut/ListaParcelasCorte.h"
#include "inventory/Parcelas.h"
#include "shell/FuenteTexto.h"
#include "store/Database.h"

namespace arbelio::cut {

// Criterion indexes: also the tab of SSTabCriterios and the box of CheckCriterio.
inline constexpr int kCriterioEspecies = 0;
inline constexpr int kCriterioMasa = 1;
inline constexpr int kCriterioUtm = 2;
inline constexpr int kCriterioMunicipios = 3;
inline constexpr int kCriterioParcelas = 4;
inline constexpr int kNumCriterios = 5;
// The sixth tab, "Informe", holds the report and no criterion.
inline constexpr int kSolapaInforme = 5;

struct TipoCriterio {
  const char* solapa;    // tab caption
  const char* etiqueta;  // LabelCriterio caption beside its check box
  const char* titulo;    // title line of the report
  const char* rejilla;   // control name of the grid
  std::vector<const char*> cabeceras;
};

// The five kinds, by index.
const std::array<TipoCriterio, kNumCriterios>& TiposCriterio();
// Tab captions, criteria tabs then "Informe".
inline constexpr std::array<const char*, 6> kSolapas = {"Especies",   "Var. Masa", "UTM",
                                                        "Municipios", "Parcelas",  "Informe"};

// Condition rows of a new grid (the header row is the grid's header).
inline constexpr std::int64_t kFilasRejillaCriterio = 19;

// A new, empty grid of a criterion: its header texts, right-aligned columns, 19 rows.
std::shared_ptr<shell::FuenteTexto> NuevaRejillaCriterio(int criterio);

using FilaCriterio = std::vector<std::string>;

// Whether a row takes part: its first cell is not empty (for the stand-variable grid: either
// cell).
bool FilaParticipa(int criterio, const FilaCriterio& fila);
// Rows of a grid that take part, in grid order.
std::vector<FilaCriterio> FilasQueParticipan(int criterio, const shell::FuenteTexto& rejilla);

// The SQL of one row of each kind.
std::string SqlEspecie(const FilaCriterio& fila);
std::string SqlMasa(const FilaCriterio& fila);
std::string SqlCoordenadas(const FilaCriterio& fila);
std::string SqlMunicipio(const FilaCriterio& fila);
std::string SqlParcelas(const FilaCriterio& fila);

// Report lines: the title of a criterion (CR LF, TAB, title, CR LF), the species combination
// line, and a row of cells (TAB, TAB, cells joined by TAB, CR LF).
std::string InformeTitulo(int criterio);
std::string InformeCombinacionEspecies(bool todos);
std::string InformeFila(const std::vector<std::string>& celdas);

// What the apply reads: the five grids and the options of the tool.
struct CriteriosCorte {
  CriteriosCorte();

  std::array<std::shared_ptr<shell::FuenteTexto>, kNumCriterios> rejillas;
  bool OptionY = true;  // species rows: true = all (intersection), false = any (union)
  bool CheckEliminarParcelasCeroPM = false;  // zero filter
  std::array<bool, kNumCriterios> CheckCriterio{};
  bool OptionTodosCriterios = true;  // several criteria: true = all, false = any
};

// One application of criteria to a plot list: the working database, the report the criteria
// append to and the zero-tree counter.
class AplicacionCriterios {
 public:
  AplicacionCriterios(store::Database& trabajo, const CriteriosCorte& criterios,
                      inventory::ListaDeParcelas& lista, std::string& informe,
                      std::int32_t& parcelasCeroPies);

  // Applies criterion `indice` (any other index does nothing): add mode when `anadir`, else
  // mark mode (the marks are kept until ConservarMarcadas).
  void AplicarCriterio(int indice, bool anadir);
  // Keeps the entries marked by the last mark-mode criterion.
  void ConservarMarcadas();

  void AplicarCriteriosEspecie(bool anadir);
  void AplicarCriteriosMasa(bool anadir);
  void AplicarCriteriosCoordenadas(bool anadir);
  void AplicarCriteriosMunicipio(bool anadir);
  void AplicarCriteriosParcelas(bool anadir);

 private:
  // Walks the records of `sql`, skipping plots without large trees when the zero filter is on
  // (NUMPMA of the record itself for DATDEF00 queries, else that of the plot's DATDEF00 row),
  // and hands every other (Provincia, Estadillo) to `entregar`.
  template <typename Destino>
  void Recorrer(const std::string& sql, bool deDatDef, Destino entregar);
  void Entregar(std::int16_t provincia, std::int16_t estadillo, bool anadir);
  // The title and header lines of a criterion, then its rows that take part.
  std::vector<FilaCriterio> Cabecera(int criterio);
  // True when the plot has a DATDEF00 row whose NUMPMA is 0.
  bool SinPiesMayores(std::int16_t provincia, std::int16_t estadillo);

  store::Database& trabajo_;
  const CriteriosCorte& criterios_;
  inventory::ListaDeParcelas& lista_;
  std::string& informe_;
  std::int32_t& ceroPies_;
  std::optional<MarcasParcelas> marcas_;
  std::optional<store::Cursor> datDef_;  // DATDEF00, for the zero filter of ESPECI00 queries
};

}  // namespace arbelio::cut
