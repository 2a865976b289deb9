// libFuzzer target: any equation text (a user's formula, or a call typed to the engine) is
// compiled and evaluated or refused with an engine error, never a crash.
#include <cstdint>
#include <string>
#include <vector>

#include "equations/Ecuaciones.h"
#include "equations/MotorScript.h"

using namespace arbelio::equations;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string texto(reinterpret_cast<const char*>(data), size);
  // The text as the formula of the function, then called with the fast path and with a text.
  MotorScript motor;
  if (motor.AddCode("Option Explicit\r\nPublic Function EGS(a,b,DN,HT)\r\nEGS=" + texto +
                    "\r\nEnd Function")) {
    double r = 0;
    (void)motor.Llamar({1.5, 2, 30.2, 12}, r);
    (void)motor.Eval("EGS(1.5,2,30.2,-12)", r);
    (void)motor.Eval("EGS(0,0,0,0)", r);
  }
  // The text as a call to the compiled function.
  MotorScript conFuncion;
  double r = 0;
  if (conFuncion.AddCode("Public Function EGS(a,DN)\nEGS=a*DN^2+Log(DN)\nEnd Function")) {
    (void)conFuncion.Eval(texto, r);
  }
  // The editor's check of the formula, then its script and a test evaluation.
  EstadoEcuaciones e;
  VariablesMarcadas marcadas;
  marcadas.vcc = true;
  if (ComprobarEcuacion(e, texto, marcadas).valida && GenerarFuncionEGS(e, texto)) {
    (void)EvaluarEcuacionPrueba(e, 7);
  }
  return 0;
}
