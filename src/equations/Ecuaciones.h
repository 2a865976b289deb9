// Checking equation texts, building the function EGS and evaluating it.
//
// An equation is one line such as "a*DN^b": upper-case tokens are tree variables (which must be
// in the valid variable list), lower-case tokens are parameters (at most 4 letters), and the
// mixed-case tokens Log, Exp, Sin, Cos, Atn, Tan, Sec, Cosec, Sqr, Abs are functions. The text
// becomes the script function EGS(parameters..., variables...) held by the script engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "equations/EstadoEcuaciones.h"

namespace arbelio::equations {

inline bool esListaVacia(const std::vector<std::string>& l) {
  return l.empty() || (l.size() == 1 && l[0] == "X1");
}

// Volume variables whose selection box in the calculation options is enabled and ticked.
struct VariablesMarcadas {
  bool vcc = false, vsc = false, iavc = false, vle = false;
};

// "HT", "DN", then each ticked volume variable.
void CargarVariablesValidas(EstadoEcuaciones& e, const VariablesMarcadas& marcadas);
bool EsVariableValida(const EstadoEcuaciones& e, std::string_view nombre);

struct ResultadoComprobacion {
  bool valida = false;
  std::string mensaje;  // the message to show when not valid
  bool pitido = false;  // a beep goes with the message
};
// Checks a formula text and fills the parameter and variable lists.
ResultadoComprobacion ComprobarEcuacion(EstadoEcuaciones& e, const std::string& texto,
                                        const VariablesMarcadas& marcadas);

// The script of the function EGS for a checked text (lines joined by CR LF).
std::string TextoFuncionEGS(const EstadoEcuaciones& e, const std::string& texto);
// Resets the engine and adds the function. False when the engine refuses it (see the error).
bool GenerarFuncionEGS(EstadoEcuaciones& e, const std::string& texto);

// The engine's error report: four lines, or "" for error numbers 0 and 13 (no message).
std::string TextoErrorScript(const ErrorScript& error);
inline constexpr const char* kTituloErrorScript = "Script Error";

// Value of EGS at random arguments in [0, 50), or -5 when the evaluation fails.
double EvaluarEcuacionPrueba(EstadoEcuaciones& e, std::uint32_t semilla);
// The engine's value of a call text such as "EGS(1.5,30)". False on failure (see the error).
bool EvaluarEGS(EstadoEcuaciones& e, std::string_view llamada, double& resultado);

// The text trimmed, with its first comma replaced by a period.
std::string NumeroConPunto(std::string_view texto);
// Ordinary decimal text of a number, as the program's runtime writes it: 15 significant digits
// for a double, 7 for a single; exponent form ("1E-05", "1.5E+16") outside 1E-4 .. 1E15
// (1E-4 .. 1E7 for a single).
std::string TextoNumero(double v, bool simple = false);
// Tree field that holds a variable: HT is ALTURA; DN, VCC, VSC, IAVC, VLE, COR, DS, DCH, DFF,
// DCO, CRE, HF, HPV, ALTE their own; any other name none ("").
std::string CampoDeVariable(std::string_view variable);

}  // namespace arbelio::equations
