#include "equations/MotorScript.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "store/Text.h"

namespace arbelio::equations {

namespace {

// Errors travel as exceptions inside the engine and end up in error().
struct Fallo {
  int numero;
  std::string descripcion;
  int columna;
  bool enFuncion = false;  // raised inside the function body (columna refers to its line)
};

const char* descripcionDe(int numero) {
  switch (numero) {
    case 5:
      return "Llamada a procedimiento o argumento no válido";
    case 6:
      return "Desbordamiento";
    case 11:
      return "División por cero";
    case 13:
      return "No coinciden los tipos";
    case 450:
      return "Número de argumentos incorrecto o asignación de propiedad no válida";
    case 500:
      return "Variable no definida";
    case 28:
      return "Espacio de pila insuficiente: la expresión anida demasiados niveles";
    case 1002:
      return "Error de sintaxis";
    case 1006:
      return "Se esperaba ')'";
    case 1010:
      return "Se esperaba un identificador";
    case 1025:
      return "Se esperaba el final de la instrucción";
    case 1041:
      return "Nombre redefinido";
    default:
      return "Error";
  }
}

[[noreturn]] void fallar(int numero, int columna, const std::string& nombre = "") {
  std::string d = descripcionDe(numero);
  if (!nombre.empty()) d += ": '" + nombre + "'";
  throw Fallo{numero, d, columna};
}

bool esPalabraReservada(const std::string& lower) {
  static const char* kPalabras[] = {
      "and",      "or",        "not",    "xor",      "eqv",    "imp",      "mod",     "is",
      "if",       "then",      "else",   "elseif",   "end",    "dim",      "for",     "to",
      "next",     "each",      "in",     "do",       "loop",   "while",    "wend",    "sub",
      "function", "call",      "set",    "let",      "get",    "new",      "nothing", "empty",
      "null",     "true",      "false",  "me",       "select", "case",     "with",    "exit",
      "error",    "on",        "resume", "const",    "option", "explicit", "private", "public",
      "redim",    "preserve",  "class",  "property", "stop",   "step",     "until",   "default",
      "erase",    "randomize", "rem",    "byval",    "byref"};
  for (const char* p : kPalabras) {
    if (lower == p) return true;
  }
  return false;
}

enum class Funcion { Log, Exp, Sin, Cos, Tan, Atn, Sqr, Abs, Sec, Cosec, Ninguna };

Funcion funcionDe(const std::string& lower) {
  static const std::pair<const char*, Funcion> kFunciones[] = {
      {"log", Funcion::Log}, {"exp", Funcion::Exp},    {"sin", Funcion::Sin}, {"cos", Funcion::Cos},
      {"tan", Funcion::Tan}, {"atn", Funcion::Atn},    {"sqr", Funcion::Sqr}, {"abs", Funcion::Abs},
      {"sec", Funcion::Sec}, {"cosec", Funcion::Cosec}};
  for (const auto& [n, f] : kFunciones) {
    if (lower == n) return f;
  }
  return Funcion::Ninguna;
}

struct Nodo {
  enum class Tipo {
    Numero,
    Argumento,
    Indefinido,  // a name that is not declared: error 500 when evaluated
    Negativo,
    Binario,
    Funcion,
    LlamadaNoValida,  // a name used as a function that is not one: error 13
    LlamadaEGS,
    AridadIncorrecta,  // a call with the wrong number of arguments: error 450
  } tipo = Tipo::Numero;
  double valor = 0;
  int indice = 0;  // argument slot
  char op = 0;     // '^', '*', '/', '\\', '+', '-', '<', '>', 'n' (<>)
  Funcion funcion = Funcion::Ninguna;
  std::vector<int> hijos;
  int columna = 0;
  std::string nombre;
  int altura = 1;  // levels of the subtree this node heads (the evaluation's recursion depth)
};

// Limits that keep parsing and evaluation off the end of the stack: nested parentheses, signs
// and calls, and the height of the expression tree (a long chain of operators is a tall tree).
constexpr int kAnidamientoMaximo = 200;
constexpr int kAlturaMaxima = 2000;

struct Arbol {
  std::vector<Nodo> nodos;
  int raiz = -1;
};

class Analizador {
 public:
  // argumentos: lower-case names of the function's arguments (empty outside a function);
  // funcion: lower-case name of the callable function ("" inside the function itself).
  Analizador(std::string_view texto, int desplazamiento, const std::vector<std::string>& argumentos,
             std::string funcion, std::size_t aridad)
      : t_(texto),
        base_(desplazamiento),
        args_(argumentos),
        funcion_(std::move(funcion)),
        aridad_(aridad) {}

  Arbol analizar() {
    Arbol a;
    arbol_ = &a;
    a.raiz = comparacion();
    saltarBlancos();
    if (p_ < t_.size()) fallar(1025, col());
    return a;
  }

 private:
  int col() const { return base_ + static_cast<int>(p_); }
  void saltarBlancos() {
    while (p_ < t_.size() && (t_[p_] == ' ' || t_[p_] == '\t')) ++p_;
  }
  bool ver(char c) {
    saltarBlancos();
    return p_ < t_.size() && t_[p_] == c;
  }
  int nuevo(Nodo n) {
    for (int h : n.hijos)
      n.altura = std::max(n.altura, arbol_->nodos[static_cast<std::size_t>(h)].altura + 1);
    if (n.altura > kAlturaMaxima) fallar(28, n.columna);
    arbol_->nodos.push_back(std::move(n));
    return static_cast<int>(arbol_->nodos.size() - 1);
  }
  int binario(char op, int a, int b, int columna) {
    Nodo n;
    n.tipo = Nodo::Tipo::Binario;
    n.op = op;
    n.hijos = {a, b};
    n.columna = columna;
    return nuevo(std::move(n));
  }

  int comparacion() {
    int a = suma();
    while (true) {
      saltarBlancos();
      if (p_ >= t_.size()) return a;
      const int c = col();
      if (t_.compare(p_, 2, "<>") == 0) {
        p_ += 2;
        a = binario('n', a, suma(), c);
      } else if (t_[p_] == '<' || t_[p_] == '>') {
        const char op = t_[p_++];
        a = binario(op, a, suma(), c);
      } else {
        return a;
      }
    }
  }

  int suma() {
    int a = divisionEntera();
    while (ver('+') || ver('-')) {
      const int c = col();
      const char op = t_[p_++];
      a = binario(op, a, divisionEntera(), c);
    }
    return a;
  }

  int divisionEntera() {
    int a = producto();
    while (ver('\\')) {
      const int c = col();
      ++p_;
      a = binario('\\', a, producto(), c);
    }
    return a;
  }

  int producto() {
    int a = unario();
    while (ver('*') || ver('/')) {
      const int c = col();
      const char op = t_[p_++];
      a = binario(op, a, unario(), c);
    }
    return a;
  }

  // Signs before an operand: "-" negates, "+" does nothing; `operando` reads what follows.
  // One more level of nesting (a parenthesis, a sign, a call) while it lives.
  struct Nivel {
    explicit Nivel(Analizador& a) : a_(a) {
      if (++a_.anidamiento_ > kAnidamientoMaximo) fallar(28, a_.col());
    }
    ~Nivel() { --a_.anidamiento_; }
    Nivel(const Nivel&) = delete;
    Nivel& operator=(const Nivel&) = delete;
    Analizador& a_;
  };

  int conSigno(int (Analizador::*operando)()) {
    if (ver('-') || ver('+')) {
      Nivel nivel(*this);
      const int c = col();
      const char op = t_[p_++];
      const int x = conSigno(operando);
      if (op == '+') return x;
      Nodo n;
      n.tipo = Nodo::Tipo::Negativo;
      n.hijos = {x};
      n.columna = c;
      return nuevo(std::move(n));
    }
    return (this->*operando)();
  }

  // Unary minus binds less tightly than ^: -2^2 is -4.
  int unario() { return conSigno(&Analizador::potencia); }

  // ^ is evaluated left to right: 2^3^2 is 64. Its right operand may carry a sign: 2^-1.
  int potencia() {
    int a = primario();
    while (ver('^')) {
      const int c = col();
      ++p_;
      a = binario('^', a, conSigno(&Analizador::primario), c);
    }
    return a;
  }

  std::vector<int> argumentosLlamada() {
    Nivel nivel(*this);
    std::vector<int> args;
    ++p_;  // (
    if (ver(')')) {
      ++p_;
      return args;
    }
    while (true) {
      args.push_back(comparacion());
      if (ver(',')) {
        ++p_;
        continue;
      }
      if (!ver(')')) fallar(1006, col());
      ++p_;
      return args;
    }
  }

  int primario() {
    saltarBlancos();
    if (p_ >= t_.size()) fallar(1002, col());
    const int c = col();
    const char ch = t_[p_];
    if (ch == '(') {
      Nivel nivel(*this);
      ++p_;
      const int x = comparacion();
      if (!ver(')')) fallar(1006, col());
      ++p_;
      return x;
    }
    if (std::isdigit(static_cast<unsigned char>(ch)) || ch == '.') {
      std::size_t q = p_;
      while (q < t_.size() && std::isdigit(static_cast<unsigned char>(t_[q]))) ++q;
      if (q < t_.size() && t_[q] == '.') {
        ++q;
        while (q < t_.size() && std::isdigit(static_cast<unsigned char>(t_[q]))) ++q;
      }
      if (q < t_.size() && (t_[q] == 'e' || t_[q] == 'E')) {
        std::size_t r = q + 1;
        if (r < t_.size() && (t_[r] == '+' || t_[r] == '-')) ++r;
        if (r < t_.size() && std::isdigit(static_cast<unsigned char>(t_[r]))) {
          while (r < t_.size() && std::isdigit(static_cast<unsigned char>(t_[r]))) ++r;
          q = r;
        }
      }
      const std::string num(t_.substr(p_, q - p_));
      if (num == ".") fallar(1002, c);
      double v = 0;
      auto [ptr, ec] = std::from_chars(num.data(), num.data() + num.size(), v);
      if (ec == std::errc::result_out_of_range || !std::isfinite(v)) fallar(6, c);
      if (ec != std::errc() || ptr != num.data() + num.size()) fallar(1002, c);
      p_ = q;
      // A name straight after a number ("2DN") is not a statement end VBScript accepts.
      if (p_ < t_.size() && (std::isalpha(static_cast<unsigned char>(t_[p_])) || t_[p_] == '_')) {
        fallar(1025, col());
      }
      Nodo n;
      n.valor = v;
      n.columna = c;
      return nuevo(std::move(n));
    }
    if (!std::isalpha(static_cast<unsigned char>(ch))) fallar(1002, c);
    std::size_t q = p_;
    while (q < t_.size() && (std::isalnum(static_cast<unsigned char>(t_[q])) || t_[q] == '_')) {
      ++q;
    }
    const std::string nombre(t_.substr(p_, q - p_));
    const std::string lower = store::toLowerAscii(nombre);
    p_ = q;
    if (esPalabraReservada(lower)) fallar(1002, c);
    int slot = -1;
    for (std::size_t i = 0; i < args_.size(); ++i) {
      if (args_[i] == lower) slot = static_cast<int>(i);
    }
    Nodo n;
    n.columna = c;
    n.nombre = nombre;
    if (ver('(')) {
      n.hijos = argumentosLlamada();
      if (slot >= 0) {
        n.tipo = Nodo::Tipo::LlamadaNoValida;  // an argument used as a function
      } else if (!funcion_.empty() && lower == funcion_) {
        n.tipo = n.hijos.size() == aridad_ ? Nodo::Tipo::LlamadaEGS : Nodo::Tipo::AridadIncorrecta;
      } else if (funcionDe(lower) != Funcion::Ninguna) {
        n.tipo = n.hijos.size() == 1 ? Nodo::Tipo::Funcion : Nodo::Tipo::AridadIncorrecta;
        n.funcion = funcionDe(lower);
      } else {
        n.tipo = Nodo::Tipo::LlamadaNoValida;
      }
      return nuevo(std::move(n));
    }
    if (slot >= 0) {
      n.tipo = Nodo::Tipo::Argumento;
      n.indice = slot;
    } else if (funcionDe(lower) != Funcion::Ninguna || (!funcion_.empty() && lower == funcion_)) {
      // A function named without its argument.
      n.tipo = Nodo::Tipo::LlamadaNoValida;
    } else {
      n.tipo = Nodo::Tipo::Indefinido;
    }
    return nuevo(std::move(n));
  }

  std::string_view t_;
  int base_;
  const std::vector<std::string>& args_;
  std::string funcion_;
  std::size_t aridad_;
  std::size_t p_ = 0;
  int anidamiento_ = 0;
  Arbol* arbol_ = nullptr;
};

double comprobar(double v, int columna) {
  if (!std::isfinite(v)) fallar(6, columna);
  return v;
}

double redondearEntero(double v, int columna) {
  const double r = std::nearbyint(v);  // half to even, as the language's integer conversion
  if (r < -2147483648.0 || r > 2147483647.0) fallar(6, columna);
  return r;
}

}  // namespace

struct MotorScript::Compilado {
  std::string nombre;             // as written
  std::vector<std::string> args;  // lower case
  std::string linea;              // "EGS=<formula>", source text of errors
  Arbol cuerpo;

  double evaluar(const Arbol& a, int i, const std::vector<double>& vals) const {
    const Nodo& n = a.nodos[static_cast<std::size_t>(i)];
    switch (n.tipo) {
      case Nodo::Tipo::Numero:
        return n.valor;
      case Nodo::Tipo::Argumento:
        return vals[static_cast<std::size_t>(n.indice)];
      case Nodo::Tipo::Indefinido:
        fallar(500, n.columna, n.nombre);
      case Nodo::Tipo::LlamadaNoValida:
        fallar(13, n.columna, n.nombre);
      case Nodo::Tipo::AridadIncorrecta:
        fallar(450, n.columna, n.nombre);
      case Nodo::Tipo::Negativo:
        return -evaluar(a, n.hijos[0], vals);
      case Nodo::Tipo::LlamadaEGS: {
        std::vector<double> valores;
        for (int h : n.hijos) valores.push_back(evaluar(a, h, vals));
        return llamar(valores);
      }
      case Nodo::Tipo::Funcion: {
        const double x = evaluar(a, n.hijos[0], vals);
        switch (n.funcion) {
          case Funcion::Log:
            if (x <= 0) fallar(5, n.columna);
            return std::log(x);
          case Funcion::Exp:
            return comprobar(std::exp(x), n.columna);
          case Funcion::Sin:
            return std::sin(x);
          case Funcion::Cos:
            return std::cos(x);
          case Funcion::Tan:
            return comprobar(std::tan(x), n.columna);
          case Funcion::Atn:
            return std::atan(x);
          case Funcion::Sqr:
            if (x < 0) fallar(5, n.columna);
            return std::sqrt(x);
          case Funcion::Abs:
            return std::fabs(x);
          case Funcion::Sec: {
            const double c = std::cos(x);
            if (c == 0) fallar(11, n.columna);
            return comprobar(1.0 / c, n.columna);
          }
          case Funcion::Cosec: {
            const double s = std::sin(x);
            if (s == 0) fallar(11, n.columna);
            return comprobar(1.0 / s, n.columna);
          }
          default:
            fallar(13, n.columna, n.nombre);
        }
      }
      case Nodo::Tipo::Binario:
      default: {
        const double x = evaluar(a, n.hijos[0], vals);
        const double y = evaluar(a, n.hijos[1], vals);
        switch (n.op) {
          case '+':
            return comprobar(x + y, n.columna);
          case '-':
            return comprobar(x - y, n.columna);
          case '*':
            return comprobar(x * y, n.columna);
          case '/':
            if (y == 0) fallar(x == 0 ? 6 : 11, n.columna);
            return comprobar(x / y, n.columna);
          case '\\': {
            const double xi = redondearEntero(x, n.columna);
            const double yi = redondearEntero(y, n.columna);
            if (yi == 0) fallar(11, n.columna);
            return std::trunc(xi / yi);
          }
          case '^': {
            if (x < 0 && y != std::floor(y)) fallar(5, n.columna);
            if (x == 0 && y < 0) fallar(5, n.columna);
            return comprobar(std::pow(x, y), n.columna);
          }
          case '<':
            return x < y ? -1 : 0;
          case '>':
            return x > y ? -1 : 0;
          case 'n':
            return x != y ? -1 : 0;
          default:
            fallar(1002, n.columna);
        }
      }
    }
  }

  double llamar(const std::vector<double>& vals) const {
    if (vals.size() != args.size()) fallar(450, 0, nombre);
    try {
      return evaluar(cuerpo, cuerpo.raiz, vals);
    } catch (Fallo& f) {
      f.enFuncion = true;
      throw;
    }
  }
};

MotorScript::MotorScript() = default;
MotorScript::~MotorScript() = default;
MotorScript::MotorScript(MotorScript&&) noexcept = default;
MotorScript& MotorScript::operator=(MotorScript&&) noexcept = default;

void MotorScript::Reset() {
  funcion_.reset();
  error_ = ErrorScript{};
}

bool MotorScript::tieneFuncion() const {
  return funcion_ != nullptr;
}

const std::string& MotorScript::nombreFuncion() const {
  static const std::string vacio;
  return funcion_ ? funcion_->nombre : vacio;
}

std::size_t MotorScript::numeroArgumentos() const {
  return funcion_ ? funcion_->args.size() : 0;
}

namespace {

bool empiezaPor(const std::string& linea, const std::string& prefijo) {
  return store::toLowerAscii(linea.substr(0, prefijo.size())) == prefijo;
}

}  // namespace

bool MotorScript::AddCode(std::string_view script) {
  error_ = ErrorScript{};
  std::vector<std::string> lineas;
  std::size_t i = 0;
  while (i <= script.size()) {
    std::size_t j = script.find('\n', i);
    if (j == std::string_view::npos) j = script.size();
    std::string l(script.substr(i, j - i));
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (!store::trimWhitespace(l).empty()) lineas.push_back(l);
    i = j + 1;
  }
  std::size_t k = 0;
  auto error = [&](int numero, const std::string& texto, int columna) {
    error_ = ErrorScript{numero, descripcionDe(numero), texto, columna};
    return false;
  };
  if (k < lineas.size() &&
      store::toLowerAscii(store::trimWhitespace(lineas[k])) == "option explicit")
    ++k;
  if (k >= lineas.size()) return error(1002, "", 0);
  // Public Function NAME(args)
  std::string cabecera = store::trimWhitespace(lineas[k]);
  std::string resto = cabecera;
  if (empiezaPor(resto, "public ")) resto = store::trimWhitespace(resto.substr(7));
  if (!empiezaPor(resto, "function ")) return error(1002, lineas[k], 0);
  resto = store::trimWhitespace(resto.substr(9));
  const std::size_t par = resto.find('(');
  const std::size_t cierre = resto.rfind(')');
  if (par == std::string::npos || cierre == std::string::npos || cierre < par ||
      !store::trimWhitespace(resto.substr(cierre + 1)).empty()) {
    return error(1002, lineas[k], static_cast<int>(lineas[k].size()));
  }
  auto f = std::make_unique<Compilado>();
  f->nombre = store::trimWhitespace(resto.substr(0, par));
  if (f->nombre.empty() || esPalabraReservada(store::toLowerAscii(f->nombre))) {
    return error(1010, lineas[k], 0);
  }
  const std::string lista = resto.substr(par + 1, cierre - par - 1);
  if (!store::trimWhitespace(lista).empty()) {
    std::size_t a = 0;
    while (true) {
      const std::size_t b = lista.find(',', a);
      const std::string nombre = store::trimWhitespace(
          lista.substr(a, b == std::string::npos ? std::string::npos : b - a));
      bool valido = !nombre.empty() && std::isalpha(static_cast<unsigned char>(nombre[0]));
      for (char c : nombre)
        valido = valido && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
      const std::string lower = store::toLowerAscii(nombre);
      const int col = static_cast<int>(lineas[k].find(nombre));
      if (!valido || esPalabraReservada(lower)) return error(1010, lineas[k], std::max(col, 0));
      for (const auto& prev : f->args) {
        if (prev == lower) return error(1041, lineas[k], std::max(col, 0));
      }
      f->args.push_back(lower);
      if (b == std::string::npos) break;
      a = b + 1;
    }
  }
  ++k;
  // NAME=<expression>
  if (k >= lineas.size()) return error(1002, "", 0);
  const std::string& asignacion = lineas[k];
  const std::size_t igual = asignacion.find('=');
  if (igual == std::string::npos || store::toLowerAscii(store::trimWhitespace(asignacion.substr(
                                        0, igual))) != store::toLowerAscii(f->nombre)) {
    return error(1002, asignacion, 0);
  }
  f->linea = asignacion;
  try {
    Analizador an(std::string_view(asignacion).substr(igual + 1), static_cast<int>(igual + 1),
                  f->args, "", 0);
    f->cuerpo = an.analizar();
  } catch (const Fallo& fa) {
    error_ = ErrorScript{fa.numero, fa.descripcion, asignacion, fa.columna};
    return false;
  }
  ++k;
  if (k >= lineas.size() ||
      store::toLowerAscii(store::trimWhitespace(lineas[k])) != "end function") {
    return error(1002, k < lineas.size() ? lineas[k] : "", 0);
  }
  if (k + 1 != lineas.size()) return error(1002, lineas[k + 1], 0);
  funcion_ = std::move(f);
  return true;
}

bool MotorScript::Llamar(const std::vector<double>& args, double& result) {
  error_ = ErrorScript{};
  if (!funcion_) {
    error_ = ErrorScript{13, descripcionDe(13), "", 0};
    return false;
  }
  try {
    result = funcion_->llamar(args);
    return true;
  } catch (const Fallo& fa) {
    error_ = ErrorScript{fa.numero, fa.descripcion, funcion_->linea, fa.columna};
    return false;
  }
}

bool MotorScript::Eval(std::string_view expression, double& result) {
  error_ = ErrorScript{};
  const std::string texto(expression);
  Arbol llamada;
  try {
    static const std::vector<std::string> sinArgumentos;
    Analizador an(texto, 0, sinArgumentos, funcion_ ? store::toLowerAscii(funcion_->nombre) : "",
                  funcion_ ? funcion_->args.size() : 0);
    llamada = an.analizar();
  } catch (const Fallo& fa) {
    error_ = ErrorScript{fa.numero, fa.descripcion, texto, fa.columna};
    return false;
  }
  try {
    // The call's own arguments are evaluated in the global scope; the body in the function's.
    static const std::vector<double> ninguno;
    result = funcion_ ? funcion_->evaluar(llamada, llamada.raiz, ninguno)
                      : Compilado{}.evaluar(llamada, llamada.raiz, ninguno);
    return true;
  } catch (const Fallo& fa) {
    // Errors inside the function refer to its line; errors in the call to the call text.
    error_ =
        ErrorScript{fa.numero, fa.descripcion, fa.enFuncion ? funcion_->linea : texto, fa.columna};
    return false;
  }
}

}  // namespace arbelio::equations
