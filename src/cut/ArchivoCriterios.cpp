#include "cut/ArchivoCriterios.h"

#include <algorithm>

#include "cut/HerramientaCorte.h"
#include "inventory/ErrorDatos.h"
#include "store/Text.h"

namespace arbelio::cut {

namespace {

using inventory::ErrorDatos;

std::vector<std::string> Celdas(const std::string& texto) {
  std::vector<std::string> r;
  std::size_t inicio = 0;
  for (;;) {
    const std::size_t fin = texto.find(';', inicio);
    r.push_back(store::trimWhitespace(texto.substr(inicio, fin - inicio)));
    if (fin == std::string::npos) break;
    inicio = fin + 1;
  }
  return r;
}

// An unsigned whole number of 1 to 6 digits, as the tool accepts a typed value.
bool Entero(const std::string& s) {
  return !s.empty() && ValidarNumero(s) == 0;
}

// A threshold cell: empty, or an operator, a space and a whole number (with "%" when
// `conPorcentaje`). Returned as the tool writes it; nullopt when it is not one.
std::optional<std::string> Umbral(const std::string& celda, bool conPorcentaje) {
  if (celda.empty()) return std::string();
  static const char* const operadores[] = {">=", "<=", ">", "<", "="};
  for (const char* op : operadores) {
    const std::string o(op);
    if (celda.compare(0, o.size(), o) != 0) continue;
    std::string valor = store::trimWhitespace(celda.substr(o.size()));
    const bool porcentaje = conPorcentaje && !valor.empty() && valor.back() == '%';
    const std::string numero = porcentaje ? valor.substr(0, valor.size() - 1) : valor;
    if (!Entero(numero)) return std::nullopt;
    return o + " " + valor;
  }
  return std::nullopt;
}

// "(X, Y)" with whole numbers X and Y, kept as written (their width matters: the coordinates
// compare as texts).
std::optional<std::pair<std::string, std::string>> Esquina(const std::string& celda) {
  if (celda.size() < 2 || celda.front() != '(' || celda.back() != ')') return std::nullopt;
  const std::string dentro = celda.substr(1, celda.size() - 2);
  const std::size_t coma = dentro.find(',');
  if (coma == std::string::npos) return std::nullopt;
  const std::string x = store::trimWhitespace(dentro.substr(0, coma));
  const std::string y = store::trimWhitespace(dentro.substr(coma + 1));
  if (!Entero(x) || !Entero(y)) return std::nullopt;
  return std::make_pair(x, y);
}

const char* const kUmbralEsperado =
    "se esperaba un operador (>, <, >=, <=, =), un espacio y un número entero";

}  // namespace

ArchivoCriterios LeerArchivoCriterios(std::istream& in, const std::string& nombre) {
  ArchivoCriterios a;
  std::string linea;
  int n = 0;
  while (std::getline(in, linea)) {
    ++n;
    const std::string donde = nombre + ", línea " + std::to_string(n) + ": ";
    const std::string texto = store::trimWhitespace(linea);
    if (texto.empty() || texto[0] == '#') continue;
    const std::size_t dos = texto.find(':');
    if (dos == std::string::npos) {
      throw ErrorDatos(donde +
                       "se esperaba 'tipo: celdas' (especie, especies, masa, utm, municipio o "
                       "parcela)");
    }
    const std::string tipo = store::toLowerAscii(store::trimWhitespace(texto.substr(0, dos)));
    const std::vector<std::string> c = Celdas(texto.substr(dos + 1));
    auto celdas = [&](std::size_t cuantas, const char* forma) {
      if (c.size() != cuantas)
        throw ErrorDatos(donde + "se esperaban " + std::to_string(cuantas) +
                         " celdas separadas por ';': " + forma);
    };
    if (tipo == "especies") {
      celdas(1, "Y u O");
      const std::string v = store::toUpperAscii(c[0]);
      if (v != "Y" && v != "O") throw ErrorDatos(donde + "la combinación de especies es Y u O");
      a.especiesY = v == "Y";
    } else if (tipo == "especie") {
      celdas(3, "especie; AB; Nº PM");
      if (!Entero(c[0])) throw ErrorDatos(donde + "el código de especie debe ser un número");
      const auto ab = Umbral(c[1], true);
      const auto pm = Umbral(c[2], true);
      if (!ab) throw ErrorDatos(donde + "AB: " + kUmbralEsperado + " (o un porcentaje)");
      if (!pm) throw ErrorDatos(donde + "Nº PM: " + kUmbralEsperado + " (o un porcentaje)");
      a.filas[kCriterioEspecies].push_back({c[0], *ab, *pm});
    } else if (tipo == "masa") {
      celdas(2, "AB; Nº PM");
      const auto ab = Umbral(c[0], false);
      const auto pm = Umbral(c[1], false);
      if (!ab) throw ErrorDatos(donde + "AB: " + kUmbralEsperado);
      if (!pm) throw ErrorDatos(donde + "Nº PM: " + kUmbralEsperado);
      if (ab->empty() && pm->empty())
        throw ErrorDatos(donde + "falta un valor de área basimétrica o de pies mayores");
      a.filas[kCriterioMasa].push_back({*ab, *pm});
    } else if (tipo == "utm") {
      celdas(3, "huso; (X1, Y1); (X2, Y2)");
      if (!Entero(c[0])) throw ErrorDatos(donde + "el huso debe ser un número");
      const auto e1 = Esquina(c[1]);
      const auto e2 = Esquina(c[2]);
      if (!e1 || !e2)
        throw ErrorDatos(donde + "las esquinas se escriben (X, Y) con números enteros");
      if (!(std::stod(e2->first) > std::stod(e1->first)) ||
          !(std::stod(e2->second) > std::stod(e1->second)))
        throw ErrorDatos(donde + "X2 debe ser mayor que X1 e Y2 mayor que Y1");
      a.filas[kCriterioUtm].push_back({c[0], "(" + e1->first + ", " + e1->second + ")",
                                       "(" + e2->first + ", " + e2->second + ")"});
    } else if (tipo == "municipio") {
      celdas(2, "provincia; municipio");
      if (!Entero(c[0])) throw ErrorDatos(donde + "la provincia debe ser un número");
      if (!Entero(c[1])) throw ErrorDatos(donde + "el municipio debe ser un número");
      const std::string relleno = std::string(c[1].size() < 3 ? 3 - c[1].size() : 0, '0') + c[1];
      a.filas[kCriterioMunicipios].push_back({c[0], relleno});
    } else if (tipo == "parcela") {
      celdas(2, "provincia; parcela");
      if (!Entero(c[0])) throw ErrorDatos(donde + "la provincia debe ser un número");
      if (!Entero(c[1])) throw ErrorDatos(donde + "la parcela debe ser un número");
      a.filas[kCriterioParcelas].push_back({c[0], c[1]});
    } else {
      throw ErrorDatos(donde + "tipo de criterio desconocido '" + tipo +
                       "' (especie, especies, masa, utm, municipio o parcela)");
    }
  }
  return a;
}

ModoCorte LeerModoCorte(const std::string& texto) {
  if (texto == "uno") return ModoCorte::Uno;
  if (texto == "todos") return ModoCorte::Todos;
  if (texto == "alguno") return ModoCorte::Alguno;
  throw ErrorDatos("El modo de aplicar los criterios es uno, todos o alguno: " + texto);
}

bool AplicarArchivoCriterios(HerramientaCorte& herramienta, shell::Interaccion& ui,
                             const ArchivoCriterios& archivo, ModoCorte modo, bool filtroCero) {
  CriteriosCorte& c = herramienta.criterios;
  std::vector<int> conFilas;
  for (int i = 0; i < kNumCriterios; ++i) {
    const auto& filas = archivo.filas[static_cast<std::size_t>(i)];
    c.rejillas[static_cast<std::size_t>(i)]->fijarFilas(filas);
    c.CheckCriterio[static_cast<std::size_t>(i)] = !filas.empty();
    if (!filas.empty()) conFilas.push_back(i);
  }
  c.OptionY = archivo.especiesY;
  c.CheckEliminarParcelasCeroPM = filtroCero;
  if (conFilas.empty()) throw ErrorDatos("El archivo de criterios no tiene ninguna fila");
  if (modo == ModoCorte::Uno) {
    if (conFilas.size() != 1)
      throw ErrorDatos("Con --mode uno el archivo solo puede tener filas de un tipo de criterio");
    herramienta.OptionAplicarUno_Click();
    herramienta.SSTabCriterios_Click(conFilas.front());
    return herramienta.CommandAplicarUno_Click(ui);
  }
  herramienta.OptionAplicarVarios_Click();
  c.OptionTodosCriterios = modo == ModoCorte::Todos;
  return herramienta.CommandAplicarVarios_Click(ui);
}

std::string TextoResumen(const ResumenCorte& r) {
  std::string s;
  s += std::string(kCaptionRNParc) + " " + r.LabelRNParc + "\n";
  s += std::string(kCaptionRNPM) + " " + r.LabelRNPM + "\n";
  s += std::string(kCaptionRNpme) + " " + r.LabelRNpme + "\n";
  s += std::string(kCaptionRNEsp) + " " + r.LabelRNEsp + "\n";
  if (r.Label29Habilitada) s += std::string(kCaptionRNPcero) + " " + r.LabelRNPcero + "\n";
  s += std::string(kCaptionListaEspecies) + "\n";
  s += std::string(kEncabezadoListaEspecies) + "\n";
  for (const std::string& e : r.ListEspeciesdistintas) s += e + "\n";
  return s;
}

std::string TextoInforme(const std::string& informe) {
  std::string s;
  for (std::size_t i = 0; i < informe.size(); ++i) {
    if (informe[i] == '\r' && i + 1 < informe.size() && informe[i + 1] == '\n') continue;
    s.push_back(informe[i]);
  }
  return s;
}

}  // namespace arbelio::cut
