// The script engine that holds the equation function EGS and evaluates calls to it.
//
// It accepts the subset of the VBScript language that equations use:
//   Option Explicit
//   Public Function EGS(a,b,DN,HT)
//   EGS=<expression>
//   End Function
// and evaluates expressions such as "EGS(1.5,2,30.2,12)". Expressions: decimal numbers (with
// exponent), names (case-insensitive), parentheses, ^ (left to right, above unary minus), unary
// - and +, * and /, \ (integer division), + and -, and the comparisons <, > and <> (true = -1,
// false = 0); functions Log, Exp, Sin, Cos, Tan, Atn, Sqr, Abs, Sec, Cosec (case-insensitive).
// A formula is compiled once (AddCode); each call evaluates the compiled tree.
//
// Failures set error(): number, Spanish description, source text and 0-based column, with the
// numbers of the original engine (5 invalid argument, 6 overflow, 11 division by zero,
// 13 type mismatch, 450 wrong number of arguments, 500 undefined variable, 1002 syntax...).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace arbelio::equations {

struct ErrorScript {
  int numero = 0;
  std::string descripcion;
  std::string texto;  // source text the error refers to
  int columna = 0;    // 0-based column in texto
};

class MotorScript {
 public:
  MotorScript();
  ~MotorScript();
  MotorScript(MotorScript&&) noexcept;
  MotorScript& operator=(MotorScript&&) noexcept;

  // Removes the function and clears the error.
  void Reset();
  // Adds a script holding one function. False (and error()) when the script is refused.
  bool AddCode(std::string_view script);
  // Evaluates an expression text (normally a call "EGS(...)"). False (and error()) on failure.
  bool Eval(std::string_view expression, double& result);
  // Fast path: calls the function with argument values, without any text. False on failure.
  bool Llamar(const std::vector<double>& args, double& result);

  bool tieneFuncion() const;
  const std::string& nombreFuncion() const;
  std::size_t numeroArgumentos() const;
  const ErrorScript& error() const { return error_; }

  struct Compilado;

 private:
  std::unique_ptr<Compilado> funcion_;
  ErrorScript error_;
};

}  // namespace arbelio::equations
