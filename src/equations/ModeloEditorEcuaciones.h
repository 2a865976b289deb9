// The user equation editor ("Configuración de Ecuaciones") as a model without windows: the
// content and enabled state of every control, the step message and its colour, the rules of
// each step, the equation counter and the store operations. FormConfigCalculos shows this
// state and forwards every choice, key and focus change to it; a test drives it the same way
// with a scripted Interaccion.
//
// The steps (the status label follows the user):
//  1. species, form, quality and variable are chosen (a new species: message 1; a variable:
//     message 6);
//  2. the formula is typed or picked from the inventory's models; Enter, or leaving the field,
//     with a text checks it (ComprobarEcuacion), builds EGS and tries it at random arguments.
//     A refused formula beeps and shows error 1 in red; a good one lists its parameters (message
//     3) or, without parameters, enables Aceptar at once (message 7);
//  3. each parameter gets a value: a decimal point or comma, not two points, never 0 (error 3);
//     the label counts them, and when none is missing Aceptar is enabled (message 7);
//  4. Aceptar asks before replacing the equation of a set already defined, otherwise adds it
//     (message 9, the counter's second number grows, the grid gains the row, the variable
//     becomes valid and is marked "SI" for the next calculation);
//  5. a row of the grid loads its equation into the fields and enables Borrar, which deletes it.
//
// Rules kept here beyond the bare steps:
//  - Aceptar refuses a set without species, form, quality or variable ("Defina conjunto"): an
//    equation without a variable would be stored for no tree field.
//  - Aceptar is enabled only while the formula in the field is the one last checked and every
//    parameter has a value: a refused formula, or one checked again (its values go back to 0),
//    disables it, so neither an unchecked formula nor a parameter of value 0 is ever stored.
//  - A store operation that fails changes neither the three user tables (they change as a unit)
//    nor the dialog; the user is told why.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "equations/EcuacionesUsuario.h"
#include "shell/FuenteTabla.h"
#include "shell/Interaccion.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::equations {

inline constexpr const char* kCaptionConfigCalculos = "Configuración de Ecuaciones";
inline constexpr int kAyudaConfigCalculos = 1050;
// Size of the dialog in twips (width, height); it opens at the top of the main window,
// centred horizontally.
inline constexpr int kAnchoConfigCalculos = 8808;
inline constexpr int kAltoConfigCalculos = 7408;

// Static texts.
inline constexpr const char* kTextoConjunto =
    "Seleccionar para cada ecuación el conjunto de especie, forma de cubicación y calidad :";
inline constexpr const char* kTextoEcuacion =
    "Seleccionar la variable a calcular e introducir el texto de la ecuación (variables en "
    "mayúsculas, parámetros en minúsculas; y unidades: diámetros en cm, alturas en m) :";
inline constexpr const char* kFrameArboles = "Árboles";
inline constexpr const char* kFrameEcuaciones = "Ecuaciones";
inline constexpr std::array<const char*, 7> kEtiquetasEditor = {
    "Especie:", "Forma:", "Calidad:", "Variable:", "Ecuación:", "Parámetros:", "Estado:"};
inline constexpr const char* kCaptionAceptar = "Aceptar";
inline constexpr const char* kCaptionBorrar = "Borrar";
inline constexpr const char* kCaptionAyuda = "Ayuda";
inline constexpr const char* kCaptionTerminar = "Terminar";

// Format texts of the two grids: "<" aligns a column left (">" right, "^" centre); the blanks
// after the last header widen that column.
std::string FormatoRejillaEcuaciones();  // "<Especie|<Forma|<Calidad|<Variable|<Ecuación" + 94
std::string FormatoRejillaParametros();  // "<Parámetro|<Valor" + 17
// The columns of a format text: the header without its alignment mark and without the blanks
// that only widen, the alignment, and the width in characters (blanks included).
struct ColumnaFormato {
  std::string cabecera;
  shell::Alineacion alineacion = shell::Alineacion::Izquierda;
  std::size_t caracteres = 0;
};
std::vector<ColumnaFormato> ColumnasDeFormato(std::string_view formato);
// The grid columns of a format text (header and alignment).
std::vector<shell::ColumnaVista> ColumnasRejilla(std::string_view formato);

// Step messages (LabelEstadoEq).
inline constexpr const char* kMensajePaso1 =
    "Primer paso: definir Especie, Forma, Calidad y Variable.";
inline constexpr const char* kMensajePaso3 =
    "Ecuación correcta.  Defina parámetros o modifique la ecuación si desea.";
inline constexpr const char* kMensajePaso6 =
    "Siguiente paso: definir ecuación. Edite o selecciónela de la lista.";
inline constexpr const char* kMensajePaso7 =
    "Ecuación y parámetros correctos. Para validar la configuración presione Aceptar.";
inline constexpr const char* kMensajePaso9 =
    "Configuración aceptada. Definir otra ecuación o Terminar.";
inline constexpr const char* kMensajeError1 =
    "Ecuación no correcta. Presione Editar para modificar ecuación";
inline constexpr const char* kMensajeError3 = "Nigún parámetro puede tener valor 0";
inline constexpr const char* kMensajeInicial = "No  hay definida ecuación.";
// "Definiendo Parámetros. Parámetros definidos: " + k + " de " + n.
std::string MensajeDefiniendoParametros(std::size_t k, std::size_t n);

inline constexpr const char* kDefinaConjunto = "Defina conjunto";
inline constexpr const char* kPreguntaModificar =
    "Se ha modificado una ecuación ya definida. ¿Desea realmente modificar?.";

// Colours of the status label.
inline constexpr int kColorNormal = 0;
inline constexpr int kColorError = 255;

// Items of the form and quality combos: "Todas", then 1 to 6.
std::vector<std::string> ItemsFormaCalidad();
// Item of the variable combo for a row of VariablesUnidades: code + " (" + unit + ")", both
// trimmed ("VCC (dm3)").
std::string ItemVariable(std::string_view codigo, std::string_view unidad);

// Species the editor offers. With a cut, its species (EspeciesCorte) in their order. Without
// one (the list is the single entry 0) the calculation runs over every plot of the working
// database, so its species are offered: the codes of the species table ESPECI00 in BDTemp in
// ascending order (none when there is no working database yet).
std::vector<std::int16_t> EspeciesParaEditor(const std::vector<std::int16_t>& especiesCorte,
                                             const std::string& BDTemp);

// A parameter value as typed in ComboParamValor: a number by the rules of the user's locale
// (decimal comma; points group thousands and are let through anywhere in the whole part), an
// optional sign and exponent.
bool EsNumeroParametro(std::string_view texto);
// A value as the value field shows it: its decimal text with the decimal comma ("0,002412").
std::string TextoValorParametro(double valor);

// Controls of the dialog, for the focus.
enum class ControlEditor {
  Ninguno,
  ComboEspecie,
  ComboForma,
  ComboCalidad,
  ComboVariable,
  ComboBoxEq,
  ComboParamName,
  ComboParamValor,
  CommandAceptar,
};

// A combo: its list, the chosen item (-1 none), the text shown (editable combos may show a
// text that is not an item) and whether it is enabled.
struct ComboEditor {
  std::vector<std::string> items;
  int indice = -1;
  std::string texto;
  bool habilitado = true;
};

class ModeloEditorEcuaciones {
 public:
  explicit ModeloEditorEcuaciones(EstadoAplicacion& estado);

  // Source of the seed of the trial evaluation (the clock by default; tests fix it).
  void fijarSemilla(std::function<std::uint32_t()> semilla) { semilla_ = std::move(semilla); }

  // Opening: controls in their first state (message 1, Aceptar and Borrar disabled), the
  // combos filled (species from `especiesCorte`, see EspeciesParaEditor; the inventory's model
  // texts), the stored equations in the grid and the counter. Under the hourglass. Throws
  // StoreError when the user tables cannot be read.
  void Abrir(shell::Interaccion& ui, const std::vector<std::int16_t>& especiesCorte);
  bool abierto() const { return abierto_; }
  // "Definir Ecuaciones" of the options: rebuilds the valid variable list from the options'
  // boxes (ticked and enabled) and, when the editor is open, reloads its grid. These boxes are
  // then the volume variables a formula may use besides HT and DN, also when a deletion
  // rebuilds the list; until this is called, the rows 1-4 of VariablesUnidades marked "SI".
  void PrepararListas(const VariablesMarcadas& marcadas);
  // Reloads the grid and the counter from the store.
  void RecargarRejilla();

  // Tree set and variable.
  void SeleccionarEspecie(int indice);
  void SeleccionarForma(int indice);
  void SeleccionarCalidad(int indice);
  void SeleccionarVariable(int indice);

  // Formula: typing, picking a model; Enter in the field, or leaving it, with a text checks it.
  void EscribirFormula(std::string texto);
  void ElegirModelo(int indice);
  void ConfirmarFormula(shell::Interaccion& ui);

  // Parameters: choosing a name, typing a value, Enter and leaving the value field.
  void SeleccionarParametro(int indice);
  void EscribirValor(std::string texto);
  void IntroValor();
  void SalirValor();

  // Buttons.
  void Aceptar(shell::Interaccion& ui);
  void Borrar(shell::Interaccion& ui);
  // Resets the parameter list to the placeholder; the window closes.
  void Terminar();

  // A click on a data row of the equation grid (0-based, the header apart).
  void SeleccionarFila(int fila);

  // What the window shows.
  const ComboEditor& comboEspecie() const { return especie_; }
  const ComboEditor& comboForma() const { return forma_; }
  const ComboEditor& comboCalidad() const { return calidad_; }
  const ComboEditor& comboVariable() const { return variable_; }
  const ComboEditor& comboEcuacion() const { return ecuacion_; }
  const ComboEditor& comboParamName() const { return paramName_; }
  const ComboEditor& comboParamValor() const { return paramValor_; }
  bool aceptarHabilitado() const { return aceptarHabilitado_; }
  bool borrarHabilitado() const { return borrarHabilitado_; }
  const std::string& mensaje() const { return mensaje_; }
  int colorMensaje() const { return colorMensaje_; }
  std::string contador() const;
  // Rows of the grids (data rows only; the headers come from the format texts).
  const std::vector<std::array<std::string, 5>>& filasEcuaciones() const { return filas_; }
  const std::vector<std::array<std::string, 2>>& filasParametros() const { return parametros_; }
  // The highlighted equation row (-1 none) and whether the parameter rows are highlighted.
  int filaSeleccionada() const { return filaSeleccionada_; }
  bool parametrosResaltados() const { return parametrosResaltados_; }
  // The control that should take the focus after the last action (Ninguno: leave it).
  ControlEditor foco() const { return foco_; }
  void focoAplicado() { foco_ = ControlEditor::Ninguno; }
  // Beeps asked for since the dialog was built (the window beeps for each new one).
  int pitidos() const { return pitidos_; }
  // All parameter values entered.
  bool parametrosDefinidos() const { return parametrosDefinidos_; }

 private:
  UbicacionEcuacionesUsuario ubicacion() const;
  VariablesMarcadas Marcadas() const;
  void Mensaje(const char* texto, int color = kColorNormal);
  void Pitar() { ++pitidos_; }
  void ValidarFormula(shell::Interaccion& ui);
  void FormulaRechazada();
  void EntrarValorTecleado();
  void RellenarCombos();
  void VaciarParametros();
  void LlenarRejillaParametros(const std::vector<std::string>& nombres,
                               const std::vector<double>& valores);
  void AnadeFilaEnGridEcuasUsuario(const std::array<std::string, 5>& fila);
  void AnadirVarsinoEstaenValidas(const std::string& variable);
  bool ConjuntoCompleto() const;
  ConjuntoEcuacion ConjuntoDeCampos() const;
  void Deseleccionar();

  EstadoAplicacion& estado_;
  std::function<std::uint32_t()> semilla_;
  std::optional<VariablesMarcadas> marcadas_;
  bool abierto_ = false;

  std::vector<std::string> especiesBase_;  // the species items as opened
  ComboEditor especie_, forma_, calidad_, variable_, ecuacion_, paramName_, paramValor_;
  bool aceptarHabilitado_ = false;
  bool borrarHabilitado_ = false;
  std::string mensaje_ = kMensajeInicial;
  int colorMensaje_ = kColorNormal;
  std::int64_t contadorActual_ = 1;     // the equation being defined
  std::int64_t contadorGuardadas_ = 0;  // equations stored (not lowered by a deletion)
  std::vector<std::array<std::string, 5>> filas_;
  std::vector<std::array<std::string, 2>> parametros_;
  int filaSeleccionada_ = -1;
  bool parametrosResaltados_ = false;
  ControlEditor foco_ = ControlEditor::Ninguno;
  int pitidos_ = 0;
  bool parametrosDefinidos_ = false;
  std::string formulaComprobada_;  // the formula text that last passed the check and trial
};

}  // namespace arbelio::equations
