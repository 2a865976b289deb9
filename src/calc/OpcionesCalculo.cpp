#include "calc/OpcionesCalculo.h"

#include "calc/Dasometria.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

#include "calc/Dasometria.h"

namespace arbelio::calc {

namespace {

bool esDigito(char c) {
  return c >= '0' && c <= '9';
}

std::string_view recortar(std::string_view s) {
  std::size_t b = 0, f = s.size();
  while (b < f && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (f > b && (s[f - 1] == ' ' || s[f - 1] == '\t')) --f;
  return s.substr(b, f - b);
}

}  // namespace

double LeerNumeroComoVal(std::string_view texto) {
  // The characters of the number, blanks removed, as they are read.
  std::string s;
  for (char c : texto) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
    s.push_back(c);
  }
  std::string numero;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) numero.push_back(s[i++]);
  bool hayDigitos = false;
  while (i < s.size() && esDigito(s[i])) {
    numero.push_back(s[i++]);
    hayDigitos = true;
  }
  if (i < s.size() && s[i] == '.') {
    numero.push_back(s[i++]);
    while (i < s.size() && esDigito(s[i])) {
      numero.push_back(s[i++]);
      hayDigitos = true;
    }
  }
  if (!hayDigitos) return 0.0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    std::string exponente = "e";
    if (j < s.size() && (s[j] == '-' || s[j] == '+')) exponente.push_back(s[j++]);
    bool digitosExponente = false;
    while (j < s.size() && esDigito(s[j])) {
      exponente.push_back(s[j++]);
      digitosExponente = true;
    }
    if (digitosExponente) numero += exponente;
  }
  return std::strtod(numero.c_str(), nullptr);
}

double ConvertirNumeroOpcion(std::string_view texto) {
  std::string s(recortar(texto));
  const std::size_t coma = s.find(',');
  if (coma != std::string::npos) s[coma] = '.';
  return LeerNumeroComoVal(s);
}

bool EsNumeroLocal(std::string_view texto) {
  const std::string_view s = recortar(texto);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  bool hayDigitos = false;
  // Integer part: digits, with points as thousands separators between them.
  while (i < s.size() && (esDigito(s[i]) || (s[i] == '.' && hayDigitos))) {
    hayDigitos = hayDigitos || esDigito(s[i]);
    ++i;
  }
  if (i < s.size() && s[i] == ',') {
    ++i;
    while (i < s.size() && esDigito(s[i])) {
      hayDigitos = true;
      ++i;
    }
  }
  if (!hayDigitos) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    bool digitosExponente = false;
    while (i < s.size() && esDigito(s[i])) {
      digitosExponente = true;
      ++i;
    }
    if (!digitosExponente) return false;
  }
  return i == s.size();
}

float AnchoClaseDeTexto(std::string_view texto) {
  return static_cast<float>(RedondeoPar(ConvertirNumeroOpcion(texto), 1));
}

bool AnchoClaseValido(std::string_view texto) {
  if (!EsNumeroLocal(texto)) return false;
  if (!(ConvertirNumeroOpcion(texto) > 0)) return false;
  return AnchoClaseDeTexto(texto) > 0.0f;
}

bool BetaReinekeValido(std::string_view texto) {
  return texto == "-" || EsNumeroLocal(texto);
}

std::string TextoNumeroLocal(float valor) {
  std::string s = equations::TextoNumero(valor, true);
  const std::size_t punto = s.find('.');
  if (punto != std::string::npos) s[punto] = ',';
  return s;
}

void TablasCalculoRapido(calc::OpcionesCalculo& opciones) {
  opciones.TablasCalcular.fill(false);
  opciones.TablasCalcular[kAIndiv] = true;
  opciones.TablasCalcular[kParcel] = true;
  opciones.TablasCalcular[kSpPar] = true;
}

// ---- ModeloOpcionesCalculo ----

ModeloOpcionesCalculo::ModeloOpcionesCalculo(EstadoAplicacion& estado) : estado_(estado) {
  EstadoDeDiseno();
}

void ModeloOpcionesCalculo::EstadoDeDiseno() {
  checkTabla_.fill(false);
  checkTodas_ = false;
  opcionHart_ = 1;
  opcionReineke_ = 3;
  metodo_ = 1;
  check1_.fill(false);
  for (std::size_t i = 0; i < 4; ++i) check1_[i] = true;
  textAnchoClase_.clear();
  textBetaReineke_.clear();
  colorAnchoClase_ = kColorNegro;
  colorBetaReineke_ = kColorNegro;
}

void ModeloOpcionesCalculo::Mostrar() {
  if (!cargado_) {
    EstadoDeDiseno();
    cargado_ = true;
    // Load step: all boxes cleared, then the default selection ticked, each change a click.
    for (int k = 0; k < 9; ++k) FijarCheckTabla(k, false);
    FijarCheckTabla(kAIndiv, true);
    FijarCheckTabla(kParcel, true);
    FijarCheckTabla(kTotals, true);
    textAnchoClase_ = TextoNumeroLocal(estado_.opciones.AnchoClase);
  }
  visible_ = true;
}

void ModeloOpcionesCalculo::Descargar() {
  cargado_ = false;
  visible_ = false;
  EstadoDeDiseno();
}

void ModeloOpcionesCalculo::PulsarCheckTabla(int k) {
  const auto i = static_cast<std::size_t>(k);
  checkTabla_.at(i) = !checkTabla_.at(i);
  AlPulsarTabla(k);
}

void ModeloOpcionesCalculo::FijarCheckTabla(int k, bool ticked) {
  const auto i = static_cast<std::size_t>(k);
  if (checkTabla_.at(i) == ticked) return;
  checkTabla_[i] = ticked;
  AlPulsarTabla(k);
}

void ModeloOpcionesCalculo::AlPulsarTabla(int k) {
  const bool marcada = checkTabla_[static_cast<std::size_t>(k)];
  estado_.opciones.TablasCalcular[static_cast<std::size_t>(k)] = marcada;
  switch (k) {
    case kAIndiv:
      // The individual-tree table is always computed.
      FijarCheckTabla(kAIndiv, true);
      break;
    case kParcel:
      if (!marcada) {
        FijarCheckTabla(kTotals, false);
        FijarCheckTabla(kSpecie, false);
        FijarCheckTabla(kCldiam, false);
      }
      break;
    case kSpecie:
      if (marcada) {
        FijarCheckTabla(kParcel, true);
        FijarCheckTabla(kTotals, true);
        FijarCheckTabla(kSpPar, true);
      }
      break;
    case kCldiam:
      if (marcada) {
        FijarCheckTabla(kParcel, true);
        FijarCheckTabla(kTotals, true);
        FijarCheckTabla(kCdPar, true);
      }
      break;
    case kSpPar:
      if (!marcada) FijarCheckTabla(kSpecie, false);
      break;
    case kCdPar:
      if (!marcada) FijarCheckTabla(kCldiam, false);
      break;
    case kTotals:
      if (marcada) {
        FijarCheckTabla(kParcel, true);
      } else {
        FijarCheckTabla(kSpecie, false);
        FijarCheckTabla(kCldiam, false);
      }
      break;
    default:
      break;
  }
}

void ModeloOpcionesCalculo::PulsarCheckTodasTablas() {
  checkTodas_ = !checkTodas_;
  for (int k = 0; k < 9; ++k) FijarCheckTabla(k, checkTodas_);
  if (!checkTodas_) {
    FijarCheckTabla(kAIndiv, true);
    FijarCheckTabla(kParcel, true);
    FijarCheckTabla(kTotals, true);
  }
}

void ModeloOpcionesCalculo::SeleccionarHart(int tipo) {
  if (tipo != 1 && tipo != 2) throw std::invalid_argument("opción de Hart no válida");
  opcionHart_ = tipo;
}

void ModeloOpcionesCalculo::SeleccionarReineke(int opcion) {
  if (opcion != 3 && opcion != 4) throw std::invalid_argument("opción de Reineke no válida");
  opcionReineke_ = opcion;
}

void ModeloOpcionesCalculo::SeleccionarMetodo(int metodo) {
  if (metodo < 1 || metodo > 3) throw std::invalid_argument("método de cálculo no válido");
  metodo_ = metodo;
}

bool ModeloOpcionesCalculo::check1(int i) const {
  if (i < 0 || i > 7 || i == 4 || i == 5) throw std::out_of_range("Check1 sin ese índice");
  return check1_[static_cast<std::size_t>(i)];
}

void ModeloOpcionesCalculo::FijarCheck1(int i, bool ticked) {
  if (i < 0 || i > 7 || i == 4 || i == 5) throw std::out_of_range("Check1 sin ese índice");
  check1_[static_cast<std::size_t>(i)] = ticked;
}

equations::VariablesMarcadas ModeloOpcionesCalculo::VariablesMarcadas() const {
  equations::VariablesMarcadas m;
  if (!variablesHabilitadas()) return m;
  m.vcc = check1_[0];
  m.vsc = check1_[1];
  m.iavc = check1_[2];
  m.vle = check1_[3];
  return m;
}

void ModeloOpcionesCalculo::EscribirAnchoClase(std::string texto) {
  textAnchoClase_ = std::move(texto);
  colorAnchoClase_ = AnchoClaseValido(textAnchoClase_) ? kColorNegro : kColorRojo;
}

void ModeloOpcionesCalculo::EscribirBetaReineke(std::string texto) {
  textBetaReineke_ = std::move(texto);
  colorBetaReineke_ = BetaReinekeValido(textBetaReineke_) ? kColorNegro : kColorRojo;
}

bool ModeloOpcionesCalculo::aceptarHabilitado() const {
  if (!AnchoClaseValido(textAnchoClase_)) return false;
  return opcionReineke_ == 3 || BetaReinekeValido(textBetaReineke_);
}

bool ModeloOpcionesCalculo::Aceptar() {
  if (!aceptarHabilitado()) return false;
  auto& o = estado_.opciones;
  for (std::size_t k = 0; k < 9; ++k) o.TablasCalcular[k] = checkTabla_[k];
  o.AnchoClase = AnchoClaseDeTexto(textAnchoClase_);
  o.TipoHart = static_cast<std::int16_t>(opcionHart_);
  o.MetodoCalculo = static_cast<std::int16_t>(metodo_);
  for (std::size_t i = 0; i < 4; ++i) {
    estado_.VariablesUnidades[i].calcular = check1_[i] ? "SI" : "NO";
  }
  o.CalcularSDCH = check1_[6];
  o.CalcularIDCH = check1_[7];
  o.BetaReineke = opcionReineke_ == 3 ? -1.605 : ConvertirNumeroOpcion(textBetaReineke_);
  visible_ = false;
  return true;
}

}  // namespace arbelio::calc
