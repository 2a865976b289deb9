// State of the equation texts: the lists of the text last checked and the script engine that
// holds the function built from it.
#pragma once

#include <string>
#include <vector>

#include "equations/MotorScript.h"

namespace arbelio::equations {

// The lists of the text last checked, shared by the editor and the tree calculations. A list
// holding only the placeholder "X1" is empty.
struct EstadoEcuaciones {
  std::vector<std::string> parametros{"X1"};
  std::vector<std::string> variables{"X1"};
  std::vector<double> valores;      // parameter values, in parameter order
  std::vector<std::string> campos;  // tree field of each variable
  std::vector<std::string> variablesValidas;
  bool variablesValidasCargadas = false;
  MotorScript motor;
  bool motorCreado = false;
};

}  // namespace arbelio::equations
