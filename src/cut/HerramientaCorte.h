// The cut tool ("Herramienta de Corte") as a model without a display: its combo boxes and their
// lists, the five criterion grids, the options of the frame "Aplicar Criterios:", the summary
// and the report. FormCorte paints this model and forwards its controls' events to it; the
// batch front end and the tests drive it directly. "&Corte..." (mnuCNuevoCorte_Click) opens it,
// first generating the working database when there is none.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cut/AplicarCorte.h"
#include "cut/CriteriosCorte.h"
#include "shell/Interaccion.h"
#include "shell/Progreso.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"

namespace arbelio::cut {

inline constexpr const char* kCaptionFormCorte = "Herramienta de Corte";
inline constexpr const char* kTituloCargaCorte = "Cargando Herramienta de corte...";
// Tooltip of "Mostrar corte" while the cut data viewer is not part of the program.
inline constexpr const char* kVisorCorteNoDisponible =
    "El visor de datos del corte no está disponible todavía en esta versión del programa.";
inline constexpr std::array<const char*, 5> kOperadores = {">", "<", ">=", "<=", "="};

// Captions of the window's frames, labels, options and buttons.
namespace textos {
inline constexpr const char* Frame2 = "Aplicar Criterios:";
inline constexpr const char* CheckEliminarParcelasCeroPM =
    "Eliminar parcelas con cero pies mayores";
inline constexpr const char* OptionAplicarUno = "Uno:";
inline constexpr const char* OptionAplicarVarios = "Varios:";
inline constexpr const char* Label26 = "Cada parcela del resultado debe cumplir:";
inline constexpr const char* OptionTodosCriterios = "todos los criterios";
inline constexpr const char* OptionAlgunCriterio = "algún criterio";
inline constexpr const char* CommandAplicar = "Aplicar";
inline constexpr const char* FrameCriterios = "Definir Criterios";
inline constexpr const char* FrameResumen = "Resumen del corte";
inline constexpr const char* CommandVerDatosCorte = "Mostrar corte";
// Tab "Especies".
inline constexpr const char* Especie = "Especie:";
inline constexpr const char* AreaBasimetrica = "Área Basimétrica";
inline constexpr const char* UnidadesAB = "(en m2/ha  o  %) :";
inline constexpr const char* PiesMayores = "Nº Pies Mayores";
inline constexpr const char* UnidadesPM = "(en pies/ha  o  %) :";
inline constexpr const char* Frame1 = "El resultado será combinación:";
inline constexpr const char* OptionO = " O (alguno)";
inline constexpr const char* OptionY = " Y (todos)";
inline constexpr const char* EspeciesSeleccionadas = "Especies seleccionadas:";
// Tab "Var. Masa".
inline constexpr const char* VariablesDeMasa = "Variables de masa:";
inline constexpr const char* MasaAB = "Área Basimétrica (m2/ha):";
inline constexpr const char* MasaPM = "Pies Mayores (pies/ha) :";
inline constexpr const char* CriteriosDeMasa = "Criterios de masa seleccionados:";
// Tab "UTM".
inline constexpr const char* LabelHusoActual = "Huso Actual:";
inline constexpr const char* CoordenadasUtm = "Coordenadas UTM:";
inline constexpr std::array<const char*, 4> EsquinasUtm = {"X1", "Y1", "X2", "Y2"};
inline constexpr const char* Recintos = "Recintos seleccionados:";
// Tabs "Municipios" and "Parcelas".
inline constexpr const char* Provincia = "Provincia:";
inline constexpr const char* Municipio = "Municipio:";
inline constexpr const char* MunicipiosSeleccionados = "Municipios seleccionados:";
inline constexpr const char* Parcela = "Parcela:";
inline constexpr const char* ParcelasSeleccionadas = "Parcelas seleccionadas:";
// Pictures of the OK buttons and of CommandAplicarUno, in the Images folder.
inline constexpr const char* FlechaDerecha = "FlechaADcha.GIF";
inline constexpr const char* FlechaAbajo = "FlechaAbajo.GIF";
}  // namespace textos

// Input check of a typed combo text: 0 for a valid entry (empty, or an unsigned whole number of
// at most 6 characters); 9 not a number; a number containing "." 1, "," 2, "-" 3, "+" 5; a
// number of 7 or more characters 6; any other number that is not plain digits 9.
int ValidarNumero(const std::string& texto);

// A combo box: its list, its text, whether the text is red (an invalid typed value) and
// whether the user may type into it.
struct ComboCorte {
  std::vector<std::string> elementos;
  std::string texto;
  bool rojo = false;
  bool editable = false;
  std::string ayuda;  // tooltip

  // Fills the list; the text becomes the first item, or empty.
  void Cargar(std::vector<std::string> lista, bool primero);
  // _Click: an item chosen from the list (its text, black).
  void Elegir(std::size_t i);
  // _Change: the user typed; red when ValidarNumero says no.
  void Escribir(const std::string& t);
  // _DropDown: the text is cleared and black.
  void Desplegar();
  void Vaciar() {
    texto.clear();
    rojo = false;
  }
};

class HerramientaCorte {
 public:
  explicit HerramientaCorte(EstadoAplicacion& estado);
  HerramientaCorte(const HerramientaCorte&) = delete;
  HerramientaCorte& operator=(const HerramientaCorte&) = delete;

  // Form_Load: opens the working database (kept open until Descargar), resets the cut, fills
  // the lists (each step's message in the progress dialog, the bar advancing by 15), selects
  // the "Especies" tab and sets CorteAbierto.
  void Cargar(shell::Progreso& progreso);
  // "&Corte..." while the tool is loaded: a new, empty cut (criteria, report, summary).
  void Reiniciar();
  // Form_Unload: closes the working database and clears CorteAbierto.
  void Descargar();
  bool cargada() const { return trabajo_.isOpen(); }

  // ---- Events ----
  void OptionAplicarUno_Click() { OptionAplicarUno = true; }
  void OptionAplicarVarios_Click() { OptionAplicarUno = false; }
  void SSTabCriterios_Click(int solapa);
  void ComboHusos_Click(std::size_t i);
  void ComboMunProvincias_Click(std::size_t i);
  void ComboParcProvincia_Click(std::size_t i);
  // The OK buttons of the tabs: false (and nothing changes) when the inputs do not pass.
  bool CommandOKEspecies_Click();
  bool CommandOKMasa_Click();
  bool CommandOKCoord_Click();
  bool CommandOKMunicipios_Click();
  bool CommandOKParcelas_Click();
  // The two apply buttons (each only usable in its mode).
  bool CommandAplicarUno_Click(shell::Interaccion& ui);
  bool CommandAplicarVarios_Click(shell::Interaccion& ui);
  // "Eliminar fila" of the pop-up menu over a criterion grid: removes the row (later rows move
  // up, the last row is left empty); a grid left without rows unticks its criterion.
  void mnuPU2EliminarFila_Click(int criterio, std::int64_t fila);

  // ---- Enabled states (OptionAplicarUno / OptionAplicarVarios) ----
  bool CommandAplicarUnoHabilitado() const { return OptionAplicarUno; }
  // CommandAplicarVarios, Frame3, Label26, the two combination options and every
  // CheckCriterio / LabelCriterio.
  bool AplicarVariosHabilitado() const { return !OptionAplicarUno; }

  // ---- Controls ----
  CriteriosCorte criterios;  // the grids and the options the apply reads
  ResumenCorte resumen;      // summary frame and "Informe" tab
  bool OptionAplicarUno = true;
  int solapa = 0;  // visible tab of SSTabCriterios
  std::string LabelSolapaActiva = "(nada)";
  std::string LabelHuso;
  std::array<std::string, kNumCriterios> LabelCriterio{};

  ComboCorte ComboEspeciesPresentes, ComboMayorMenor, ComboUmbralAB, ComboMasMenos, ComboUmbralPM;
  ComboCorte ComboMasaABMayMen, ComboVarMasaAB, ComboMasaPMMayMen, ComboVarMasaPM;
  ComboCorte ComboHusos, ComboX1, ComboY1, ComboX2, ComboY2;
  ComboCorte ComboMunProvincias, ComboMunicipios, ComboParcProvincia, ComboParcelas;

  // Random source of the cut codes (tests); empty: the clock.
  std::function<double()> aleatorio;

  EstadoAplicacion& estado() { return estado_; }

 private:
  std::vector<std::string> Distintos(const std::string& sql);
  void InicializarListCriterios();
  void InicializarSolapaCoordenadas();
  void InicializarSolapaEspecies();
  void InicializarSolapaMunicipios();
  void InicializarSolapaParcelas();
  void InicializarSolapaMasa();
  void InicializarGrids();
  void CargarListasXY();
  // The ten combos whose text the user sets for a criterion.
  std::array<ComboCorte*, 10> CombosCriterio();
  // Writes a row into the first free row of a grid (adding one when it is full), ticks the
  // criterion and greys out the summary.
  void EscribirFila(int criterio, const FilaCriterio& fila);

  EstadoAplicacion& estado_;
  store::Database trabajo_;
};

// What "&Corte..." needs of the window: load it (its load runs HerramientaCorte::Cargar inside
// the operation's progress dialog) and show it again.
class VistaCorte {
 public:
  virtual ~VistaCorte() = default;
  virtual HerramientaCorte& cargar(shell::Progreso& progreso) = 0;
  // The loaded tool (only called while CorteAbierto).
  virtual HerramientaCorte& herramienta() = 0;
  // Shows the window and repaints it from the tool.
  virtual void mostrar() = 0;
};

// A tool without a window: arbelio-batch and the tests.
class VistaCorteEnMemoria : public VistaCorte {
 public:
  explicit VistaCorteEnMemoria(EstadoAplicacion& estado) : estado_(estado) {}
  HerramientaCorte& cargar(shell::Progreso& progreso) override;
  HerramientaCorte& herramienta() override { return *herramienta_; }
  void mostrar() override { ++mostrada; }
  int mostrada = 0;

 private:
  EstadoAplicacion& estado_;
  std::unique_ptr<HerramientaCorte> herramienta_;
};

// "&Corte...": resets the tool when it is loaded; otherwise generates the working database if
// BDTemp has none (else "Seleccionar base de datos..." is disabled), empties BDCorte and loads
// the tool inside the progress dialog "Cargando Herramienta de corte...". Returns whether the
// tool is loaded afterwards; a failure shows "Error " + its description.
bool mnuCNuevoCorte_Click(EstadoAplicacion& estado, shell::Interaccion& ui, VistaCorte& vista);

}  // namespace arbelio::cut
