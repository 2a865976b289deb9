#include "equations/Ecuaciones.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace arbelio::equations {

namespace {

// Letters are the characters whose upper and lower case differ: ASCII and Latin-1 letters.
bool esMayuscula(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
}
bool esMinuscula(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 0xDF && c <= 0xFF && c != 0xF7 && c != 0xDF);
}
bool esLetra(char32_t c) {
  return esMayuscula(c) || esMinuscula(c);
}

char32_t leerUtf8(const std::string& s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  if ((b0 & 0xE0) == 0xC0 && i + 1 < s.size()) {
    const char32_t c = ((b0 & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F);
    i += 2;
    return c;
  }
  if ((b0 & 0xF0) == 0xE0 && i + 2 < s.size()) {
    i += 3;
    return 0xFFFD;
  }
  ++i;
  return 0xFFFD;
}

void anadirUnico(std::vector<std::string>& lista, const std::string& nombre) {
  if (esListaVacia(lista)) lista.clear();
  for (const auto& n : lista) {
    if (n == nombre) return;
  }
  lista.push_back(nombre);
}

}  // namespace

void CargarVariablesValidas(EstadoEcuaciones& e, const VariablesMarcadas& m) {
  e.variablesValidas = {"HT", "DN"};
  if (m.vcc) e.variablesValidas.push_back("VCC");
  if (m.vsc) e.variablesValidas.push_back("VSC");
  if (m.iavc) e.variablesValidas.push_back("IAVC");
  if (m.vle) e.variablesValidas.push_back("VLE");
  e.variablesValidasCargadas = true;
}

bool EsVariableValida(const EstadoEcuaciones& e, std::string_view nombre) {
  for (const auto& v : e.variablesValidas) {
    if (v == nombre) return true;
  }
  return false;
}

ResultadoComprobacion ComprobarEcuacion(EstadoEcuaciones& e, const std::string& texto,
                                        const VariablesMarcadas& marcadas) {
  ResultadoComprobacion r;
  if (!e.variablesValidasCargadas) CargarVariablesValidas(e, marcadas);
  if (texto.empty()) {
    r.mensaje = "Error: No hay ecuación.";
    return r;
  }
  e.parametros = {"X1"};
  e.variables = {"X1"};
  if (texto.find('=') != std::string::npos) {
    r.mensaje = "Error: No debe existir signo '=' ";
    return r;
  }
  static const char* kFunciones[] = {"Log", "Exp", "Sin",   "Cos", "Atn",
                                     "Tan", "Sec", "Cosec", "Sqr", "Abs"};
  std::size_t i = 0;
  while (i < texto.size()) {
    std::size_t j = i;
    char32_t c = leerUtf8(texto, j);
    if (!esLetra(c)) {
      i = j;
      continue;
    }
    // The token: a maximal run of letters.
    std::size_t fin = i;
    bool hayMayuscula = false, hayMinuscula = false;
    int letras = 0;
    while (fin < texto.size()) {
      std::size_t k = fin;
      c = leerUtf8(texto, k);
      if (!esLetra(c)) break;
      hayMayuscula = hayMayuscula || esMayuscula(c);
      hayMinuscula = hayMinuscula || esMinuscula(c);
      ++letras;
      fin = k;
    }
    const std::string token = texto.substr(i, fin - i);
    i = fin;
    if (!hayMinuscula) {
      if (!EsVariableValida(e, token)) {
        r.mensaje = "Error:  La variable " + token + " no es válida.";
        return r;
      }
      anadirUnico(e.variables, token);
    } else if (!hayMayuscula) {
      if (letras > 4) {
        r.mensaje = "Error: Algún parámetro tiene más de 4 letras";
        return r;
      }
      anadirUnico(e.parametros, token);
    } else {
      bool funcion = false;
      for (const char* f : kFunciones) funcion = funcion || token == f;
      if (!funcion) {
        r.mensaje = "Error: Alguna variable mezcla mayúsculas y minúsculas";
        r.pitido = true;
        return r;
      }
    }
  }
  r.valida = true;
  return r;
}

std::string TextoFuncionEGS(const EstadoEcuaciones& e, const std::string& texto) {
  std::string args;
  for (const auto* lista : {&e.parametros, &e.variables}) {
    if (esListaVacia(*lista)) continue;
    for (const auto& n : *lista) {
      if (!args.empty()) args += ",";
      args += n;
    }
  }
  return "Option Explicit\r\nPublic Function EGS(" + args + ")\r\nEGS=" + texto +
         "\r\nEnd Function";
}

bool GenerarFuncionEGS(EstadoEcuaciones& e, const std::string& texto) {
  e.motorCreado = true;
  e.motor.Reset();
  return e.motor.AddCode(TextoFuncionEGS(e, texto));
}

std::string TextoErrorScript(const ErrorScript& error) {
  if (error.numero == 0 || error.numero == 13) return std::string();
  std::string causa;
  if (error.columna >= 0 && static_cast<std::size_t>(error.columna) < error.texto.size()) {
    causa = error.texto.substr(static_cast<std::size_t>(error.columna), 1);
  }
  return "Descripción:   " + error.descripcion + "\r\nTexto:   " + error.texto +
         "\r\nNúmero de error:  " + std::to_string(error.numero) + "\r\nCausa: " + causa;
}

double EvaluarEcuacionPrueba(EstadoEcuaciones& e, std::uint32_t semilla) {
  std::mt19937 rng(semilla);
  std::uniform_real_distribution<float> uniforme(0.0f, 1.0f);
  std::string llamada = "EGS(";
  for (const auto* lista : {&e.parametros, &e.variables}) {
    if (esListaVacia(*lista)) continue;
    for (std::size_t k = 0; k < lista->size(); ++k) {
      const float x = uniforme(rng) * 50.0f;
      llamada += NumeroConPunto(TextoNumero(x, true)) + ",";
    }
  }
  if (llamada.back() == ',') llamada.pop_back();
  llamada += ")";
  double v = 0;
  if (!EvaluarEGS(e, llamada, v)) return -5;
  return v;
}

bool EvaluarEGS(EstadoEcuaciones& e, std::string_view llamada, double& resultado) {
  return e.motor.Eval(llamada, resultado);
}

std::string NumeroConPunto(std::string_view texto) {
  std::size_t b = 0, f = texto.size();
  while (b < f && texto[b] == ' ') ++b;
  while (f > b && texto[f - 1] == ' ') --f;
  std::string r(texto.substr(b, f - b));
  const std::size_t coma = r.find(',');
  if (coma != std::string::npos) r[coma] = '.';
  return r;
}

std::string TextoNumero(double v, bool simple) {
  if (v == 0) return "0";
  const int digitos = simple ? 7 : 15;
  const double limiteAlto = simple ? 1e7 : 1e15;
  char buf[64];
  const double a = std::fabs(v);
  std::snprintf(buf, sizeof buf, "%.*e", digitos - 1, v);
  // Rounding to the significant digits may carry into the next power of ten.
  const double redondeado = std::strtod(buf, nullptr);
  const double ar = std::fabs(redondeado);
  std::string s;
  if (ar < 1e-4 || ar >= limiteAlto) {
    // Mantissa without trailing zeros, exponent with sign and at least two digits.
    std::string m(buf);
    const std::size_t e = m.find('e');
    std::string mant = m.substr(0, e);
    int exp = std::atoi(m.c_str() + e + 1);
    if (mant.find('.') != std::string::npos) {
      while (mant.back() == '0') mant.pop_back();
      if (mant.back() == '.') mant.pop_back();
    }
    char eb[16];
    std::snprintf(eb, sizeof eb, "E%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    s = mant + eb;
  } else {
    const int entero = static_cast<int>(std::floor(std::log10(ar)));
    const int decimales = std::max(0, digitos - 1 - entero);
    std::snprintf(buf, sizeof buf, "%.*f", decimales, v);
    s = buf;
    if (s.find('.') != std::string::npos) {
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
    (void)a;
  }
  return s;
}

std::string CampoDeVariable(std::string_view variable) {
  if (variable == "HT") return "ALTURA";
  static const char* kMismos[] = {"DN",  "VCC", "VSC", "IAVC", "VLE", "COR", "DS",
                                  "DCH", "DFF", "DCO", "CRE",  "HF",  "HPV", "ALTE"};
  for (const char* n : kMismos) {
    if (variable == n) return n;
  }
  return std::string();
}

}  // namespace arbelio::equations
