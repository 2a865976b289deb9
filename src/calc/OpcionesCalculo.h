// The calculation options dialog ("Opciones de cálculo") as a model without windows: the state
// of its controls, the rules that tie them together and the storing of the dialog into the
// options of EstadoAplicacion. The window shows this state and forwards every click and key
// release to it; a test drives it the same way.
//
// Rules kept here:
//  - Table boxes: a click first sets TablasCalcular(k) to the box's new state, then the
//    dependency rules change other boxes; every change the model makes to a box counts as a
//    click on that box, so the rules cascade (clearing "Parcela" clears "Totales", which clears
//    "Especie" and "Clase Diamétrica"). "Árbol individual" cannot be cleared.
//  - "Todo" ticks all nine boxes; cleared, it clears them and ticks 0, 1 and 8 again.
//  - Method 1 disables "Definir Ecuaciones"; method 3 disables the variable and cork boxes.
//  - Reineke option 3 disables the exponent text; option 4 enables it.
//  - The class-width and Reineke texts are checked after each key release: an invalid text is
//    shown red (colour 255). "Aceptar" and "Calcular" are enabled only while the class width is
//    valid and, with option 4, the Reineke exponent is valid too, so an invalid text never
//    reaches the options.
//  - "Aceptar" stores the dialog into the options in the fixed order and hides the dialog.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "equations/Ecuaciones.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::calc {

inline constexpr const char* kCaptionOpcionesCalculo = "Opciones de cálculo";
inline constexpr int kAyudaOpcionesCalculo = 1040;
// Size of the dialog in twips (width, height).
inline constexpr int kAnchoOpcionesCalculo = 7520;
inline constexpr int kAltoOpcionesCalculo = 7380;
// Formula pictures, in the Images folder of the program: Hart-Becking and Hart (Hart frame),
// Reineke's index and the exponent beta (Reineke frame, beta shown twice).
inline constexpr std::array<const char*, 4> kImagenesOpcionesCalculo = {"hart1.GIF", "hart2.GIF",
                                                                        "REIN1.GIF", "beta.GIF"};

// Base names of the result tables by TablasCalcular index.
inline constexpr std::array<const char*, 9> kTablasPorIndice = {
    "AIndiv", "Parcel", "Specie", "Cldiam", "Sp_par", "Cd_par", "Cd_esp", "Cdsp_p", "Totals"};
// Captions of the CheckTabla boxes by index.
inline constexpr std::array<const char*, 9> kCaptionsCheckTabla = {
    "Árbol individual",
    "Parcela",
    "Especie",
    "Clase Diamétrica",
    "Especies por parcela",
    "Clases diam. por parcela",
    "Clases diam. por especie",
    "Clases diam. por especie, por parcela",
    "Totales"};
inline constexpr const char* kCaptionCheckTodasTablas = "Todo";

// Indexes of TablasCalcular.
enum IndiceTabla : int {
  kAIndiv = 0,
  kParcel = 1,
  kSpecie = 2,
  kCldiam = 3,
  kSpPar = 4,
  kCdPar = 5,
  kCdEsp = 6,
  kCdspP = 7,
  kTotals = 8
};

// Tooltip of "Definir Ecuaciones" while the program has no equation editor.
inline constexpr const char* kAyudaSinEditorEcuaciones =
    "El editor de ecuaciones de usuario todavía no está disponible en esta versión.";

// Text colours of the two number boxes.
inline constexpr int kColorNegro = 0;
inline constexpr int kColorRojo = 255;

// Reads the longest leading decimal number of a text with a point as decimal separator, as the
// runtime's Val does: blanks and tabs are skipped wherever they are, an optional sign, digits,
// one point, digits, an optional exponent (E or D, optional sign, digits). A text without a
// leading number gives 0.
double LeerNumeroComoVal(std::string_view texto);
// The options' conversion of a typed number: trimmed, the first comma replaced by a point, then
// LeerNumeroComoVal ("2,5" gives 2.5, "-1,7" gives -1.7, "-" gives 0).
double ConvertirNumeroOpcion(std::string_view texto);
// True when the text is a number by the rules of the user's locale (Spanish: decimal comma,
// point as thousands separator): optional blanks around, an optional sign, digits possibly
// grouped with points, an optional decimal comma with digits, an optional exponent.
bool EsNumeroLocal(std::string_view texto);
// The class width that the text gives, rounded to one decimal as single: "2,5" -> 2.5.
float AnchoClaseDeTexto(std::string_view texto);
// The typing check of the class width: a number by the locale's rules whose converted value is
// above 0 and does not round to 0 at one decimal (a width of 0.04 cannot make classes).
bool AnchoClaseValido(std::string_view texto);
// The typing check of the Reineke exponent: a number, or exactly "-".
bool BetaReinekeValido(std::string_view texto);
// A number as the dialog's text box shows it: ordinary decimal text of a single with the
// decimal comma of the user's locale (5 -> "5", 2.5 -> "2,5").
std::string TextoNumeroLocal(float valor);

// The quick "&Calcular" of the menu: AIndiv, Parcel and Sp_par, nothing else.
void TablasCalculoRapido(calc::OpcionesCalculo& opciones);

class ModeloOpcionesCalculo {
 public:
  // The model edits the options and the variable/unit table of this state.
  explicit ModeloOpcionesCalculo(EstadoAplicacion& estado);

  // First use: design states, then the load step (all table boxes cleared and 0, 1, 8 ticked,
  // each change counting as a click; the class-width text from AnchoClase). Later calls only
  // show the dialog again with its controls as they were left.
  void Mostrar();
  // New project unloads the dialog: the next Mostrar loads it afresh.
  void Descargar();
  bool cargado() const { return cargado_; }
  bool visible() const { return visible_; }

  // Table boxes.
  bool checkTabla(int k) const { return checkTabla_.at(static_cast<std::size_t>(k)); }
  // The user clicks box k: it toggles and the rules run.
  void PulsarCheckTabla(int k);
  // The box takes this state; a change counts as a click.
  void FijarCheckTabla(int k, bool ticked);
  bool checkTodasTablas() const { return checkTodas_; }
  void PulsarCheckTodasTablas();

  // Hart frame: 1 = Option1 (Hart-Becking), 2 = Option2 (Hart).
  int opcionHart() const { return opcionHart_; }
  void SeleccionarHart(int tipo);
  // Reineke frame: 3 = Option3 (-1,605), 4 = Option4 (typed exponent).
  int opcionReineke() const { return opcionReineke_; }
  void SeleccionarReineke(int opcion);
  bool textBetaReinekeHabilitado() const { return opcionReineke_ == 4; }
  // Method frame: 1, 2 or 3 for Option5, Option6, Option7.
  int metodo() const { return metodo_; }
  void SeleccionarMetodo(int metodo);
  // "Definir Ecuaciones": enabled with methods 2 and 3 while the program has an equation
  // editor; without one it stays disabled and its tooltip says why.
  bool definirEcuacionesHabilitado() const { return hayEditorEcuaciones_ && metodo_ != 1; }
  void fijarEditorEcuaciones(bool hay) { hayEditorEcuaciones_ = hay; }
  std::string ayudaDefinirEcuaciones() const {
    return hayEditorEcuaciones_ ? "" : kAyudaSinEditorEcuaciones;
  }
  // Check1(0)-(3) and (6), (7).
  bool variablesHabilitadas() const { return metodo_ != 3; }

  // Check1 boxes: 0 VCC, 1 VSC, 2 IAVC, 3 VLE, 6 SDCH, 7 IDCH.
  bool check1(int i) const;
  void FijarCheck1(int i, bool ticked);
  // The volume variables whose box is enabled and ticked (the valid variables of equations).
  // Before the first load the boxes are in their design state: all four ticked and enabled.
  equations::VariablesMarcadas VariablesMarcadas() const;

  // Text boxes: the text after a key release; the check runs at once.
  const std::string& textAnchoClase() const { return textAnchoClase_; }
  void EscribirAnchoClase(std::string texto);
  int colorAnchoClase() const { return colorAnchoClase_; }
  const std::string& textBetaReineke() const { return textBetaReineke_; }
  void EscribirBetaReineke(std::string texto);
  int colorBetaReineke() const { return colorBetaReineke_; }

  bool aceptarHabilitado() const;
  bool calcularHabilitado() const { return aceptarHabilitado(); }

  // "Aceptar": stores the dialog into the options and hides it. Refused (false, nothing
  // stored, the dialog stays) while "Aceptar" is disabled.
  bool Aceptar();
  // "Calcular": what "Aceptar" does; when it returns true the caller starts the run.
  bool Calcular() { return Aceptar(); }
  // "Cancelar": hides the dialog; the options are not changed.
  void Cancelar() { visible_ = false; }

 private:
  void EstadoDeDiseno();
  void AlPulsarTabla(int k);

  EstadoAplicacion& estado_;
  bool cargado_ = false;
  bool visible_ = false;
  std::array<bool, 9> checkTabla_{};
  bool checkTodas_ = false;
  int opcionHart_ = 1;
  int opcionReineke_ = 3;
  int metodo_ = 1;
  std::array<bool, 8> check1_{};
  std::string textAnchoClase_;
  std::string textBetaReineke_;
  int colorAnchoClase_ = kColorNegro;
  int colorBetaReineke_ = kColorNegro;
  bool hayEditorEcuaciones_ = true;
};

}  // namespace arbelio::calc
