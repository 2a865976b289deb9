#include "equations/EcuacionesKAV.h"

#include <array>
#include <cstdlib>

#include "equations/Ecuaciones.h"
#include "store/StoreError.h"

namespace arbelio::equations {

namespace {

// Models 1-12 by number; the ones without a formula compute nothing.
std::string FormulaDe(int modelo) {
  switch (modelo) {
    case 1:
      return "a+b*DN^2*HT";
    case 7:
    case 8:
    case 10:
      return "a+b*VCC+c*VCC^2";
    case 11:
      return "a*DN^b*HT^c";
    case 12:
      return "a*DN^b";
    default:
      return std::string();
  }
}

// A model formula compiled into its own engine, with the order of its arguments.
struct ModeloCompilado {
  MotorScript motor;
  std::vector<std::string> parametros;  // a, b, c as they occur
  std::vector<std::string> variables;   // DN, HT, VCC as they occur
  bool valido = false;
};

ModeloCompilado Compilar(int modelo) {
  ModeloCompilado m;
  const std::string formula = FormulaDe(modelo);
  if (formula.empty()) return m;
  EstadoEcuaciones e;
  VariablesMarcadas todas;
  todas.vcc = true;
  if (!ComprobarEcuacion(e, formula, todas).valida) return m;
  if (!e.motor.AddCode(TextoFuncionEGS(e, formula))) return m;
  m.motor = std::move(e.motor);
  if (!esListaVacia(e.parametros)) m.parametros = e.parametros;
  if (!esListaVacia(e.variables)) m.variables = e.variables;
  m.valido = true;
  return m;
}

double ComoTexto(double v, bool simple) {
  return std::strtod(NumeroConPunto(TextoNumero(v, simple)).c_str(), nullptr);
}

// Fills the arguments of a compiled model; false when the tree lacks a value it needs.
// The tree's values are taken by reference: copying an optional just built, a byte and a double
// stored apart then read as one, stalls the processor on every call.
bool Argumentos(const ModeloCompilado& m, const EcuacionInventario& e,
                const std::optional<double>& d, const std::optional<double>& h,
                const std::optional<double>& v, bool comoTexto, std::vector<double>& args) {
  args.clear();
  const std::array<double, 3> param = {e.a, e.b, e.c};
  for (std::size_t i = 0; i < m.parametros.size() && i < param.size(); ++i) {
    args.push_back(comoTexto ? ComoTexto(param[i], false) : param[i]);
  }
  for (const auto& nombre : m.variables) {
    const std::optional<double>* x = nullptr;
    if (nombre == "DN") {
      x = &d;
    } else if (nombre == "HT") {
      x = &h;
    } else if (nombre == "VCC") {
      x = &v;
    }
    if (x == nullptr || !x->has_value()) return false;
    args.push_back(comoTexto ? ComoTexto(**x, true) : **x);
  }
  return true;
}

std::optional<double> Evaluar(ModeloCompilado& m, const EcuacionInventario& e,
                              const std::optional<double>& d, const std::optional<double>& h,
                              const std::optional<double>& v, bool comoTexto,
                              std::vector<double>& args) {
  if (!m.valido) return std::nullopt;
  if (!Argumentos(m, e, d, h, v, comoTexto, args)) return std::nullopt;
  double r = 0;
  if (!m.motor.Llamar(args, r)) return std::nullopt;
  return r;
}

}  // namespace

namespace {
// The letter that refines a species code, or 0.
char Refinamiento(int especie, std::string_view paramesp) {
  if (especie == 26) {
    return paramesp.find_first_not_of(' ') != std::string_view::npos ? 'R' : 0;
  }
  if (especie == 46 && !paramesp.empty()) {
    if (paramesp[0] == '1') return 'd';
    if (paramesp[0] == '2') return 'D';
  }
  return 0;
}
}  // namespace

std::string EspecieParaEcuacion(int especie, std::string_view paramesp) {
  std::string s = std::to_string(especie);
  if (const char r = Refinamiento(especie, paramesp)) s += r;
  return s;
}

std::string FormulaModeloKAV(int modelo) {
  return FormulaDe(modelo);
}

struct EcuacionesKAV::Datos {
  store::Database base;
  // One table cursor per form, each with its index "BuscaF<n>Index" active.
  std::array<store::Cursor, 6> cubicacion;
  std::unordered_map<std::string, std::optional<EcuacionInventario>> cache;
  // The equation and its compiled model per tree key packed into a number (VolumenKAV).
  struct Entrada {
    std::optional<EcuacionInventario> ecuacion;
    ModeloCompilado* modelo = nullptr;
  };
  std::unordered_map<std::uint64_t, Entrada> cacheArboles;
  std::map<int, ModeloCompilado> modelos;
  std::vector<double> args;
  OpcionesEcuacionesKAV opciones;
};

EcuacionesKAV::EcuacionesKAV() = default;
EcuacionesKAV::~EcuacionesKAV() = default;
EcuacionesKAV::EcuacionesKAV(EcuacionesKAV&&) noexcept = default;
EcuacionesKAV& EcuacionesKAV::operator=(EcuacionesKAV&&) noexcept = default;

EcuacionesKAV EcuacionesKAV::Abrir(const std::string& archivo, OpcionesEcuacionesKAV opciones) {
  EcuacionesKAV r;
  auto d = std::make_unique<Datos>();
  d->opciones = opciones;
  d->base = store::Database::open(archivo, {false, true, ""});
  for (int f = 1; f <= 6; ++f) {
    auto& c = d->cubicacion[static_cast<std::size_t>(f - 1)];
    c = d->base.openCursor("Cubicacion", store::CursorKind::Table);
    c.setIndex("BuscaF" + std::to_string(f) + "Index");
  }
  r.datos_ = std::move(d);
  return r;
}

EcuacionesKAV EcuacionesKAV::Copia() const {
  EcuacionesKAV r;
  if (!datos_) return r;
  auto d = std::make_unique<Datos>();
  d->opciones = datos_->opciones;
  for (std::size_t f = 0; f < d->cubicacion.size(); ++f)
    d->cubicacion[f] = datos_->cubicacion[f].clone();
  r.datos_ = std::move(d);
  return r;
}

bool EcuacionesKAV::abierta() const {
  return datos_ != nullptr;
}

void EcuacionesKAV::Cerrar() {
  if (!datos_) return;
  for (auto& c : datos_->cubicacion) c.close();
  datos_->base.close();
  datos_.reset();
}

std::optional<EcuacionInventario> EcuacionesKAV::Buscar(int forma, int provincia,
                                                        std::string_view especie,
                                                        std::string_view variable) {
  if (!datos_ || forma < 1 || forma > 6) return std::nullopt;
  std::string clave = std::to_string(forma);
  clave += '|';
  clave += std::to_string(provincia);
  clave += '|';
  clave += especie;
  clave += '|';
  clave += variable;
  const auto it = datos_->cache.find(clave);
  if (it != datos_->cache.end()) return it->second;

  ++busquedas_;
  auto& c = datos_->cubicacion[static_cast<std::size_t>(forma - 1)];
  c.seek("=",
         {store::Value(kClasePieMayor), store::Value(provincia), store::Value(std::string(especie)),
          store::Value(1), store::Value(std::string(variable))});
  std::optional<EcuacionInventario> r;
  if (!c.noMatch()) {
    EcuacionInventario e;
    const store::Value modelo = c.value("modelo");
    if (!modelo.isNull()) e.modelo = modelo.toInt32();
    const store::Value a = c.value("a, p, k"), b = c.value("b, q"), cc = c.value("c, r");
    e.a = a.isNull() ? 0.0 : a.toDouble();
    e.b = b.isNull() ? 0.0 : b.toDouble();
    e.c = cc.isNull() ? 0.0 : cc.toDouble();
    r = e;
  }
  datos_->cache.emplace(std::move(clave), r);
  return r;
}

std::optional<double> EcuacionesKAV::VolumenKAV(const ArbolParaEcuacion& arbol,
                                                std::string_view variable) {
  if (!datos_ || !arbol.forma || *arbol.forma < 1 || *arbol.forma > 6) return std::nullopt;
  // Tree key: form, province, species, refinement and variable packed into 64 bits; names
  // outside the variable table and codes out of range go through the text key alone.
  static constexpr std::string_view kVariables[] = {
      "VCC", "VSC", "IAVC", "VLE", "COR", "DS", "DCH", "DFF", "DCO", "CRE", "HF", "HPV", "ALTE"};
  std::uint64_t iVariable = 15;
  for (std::uint64_t i = 0; i < std::size(kVariables); ++i) {
    if (kVariables[i] == variable) iVariable = i;
  }
  const bool empaquetable = iVariable < 15 && arbol.provincia >= 0 && arbol.provincia < 65536 &&
                            arbol.especie >= 0 && arbol.especie < (1 << 24);
  Datos::Entrada* entrada = nullptr;
  Datos::Entrada local;
  if (empaquetable) {
    const std::uint64_t refinamiento =
        static_cast<unsigned char>(Refinamiento(arbol.especie, arbol.paramesp));
    const std::uint64_t clave = (static_cast<std::uint64_t>(*arbol.forma) << 60) |
                                (static_cast<std::uint64_t>(arbol.provincia) << 44) |
                                (static_cast<std::uint64_t>(arbol.especie) << 20) |
                                (refinamiento << 4) | iVariable;
    const auto [it, nueva] = datos_->cacheArboles.try_emplace(clave);
    entrada = &it->second;
    if (nueva) {
      entrada->ecuacion = Buscar(*arbol.forma, arbol.provincia,
                                 EspecieParaEcuacion(arbol.especie, arbol.paramesp), variable);
    }
  } else {
    local.ecuacion = Buscar(*arbol.forma, arbol.provincia,
                            EspecieParaEcuacion(arbol.especie, arbol.paramesp), variable);
    entrada = &local;
  }
  if (!entrada->ecuacion) return std::nullopt;
  if (!entrada->modelo) {
    const int modelo = entrada->ecuacion->modelo;
    auto it = datos_->modelos.find(modelo);
    if (it == datos_->modelos.end()) it = datos_->modelos.emplace(modelo, Compilar(modelo)).first;
    entrada->modelo = &it->second;
  }
  std::optional<double> d;
  if (arbol.dn) d = 10.0 * *arbol.dn;
  return Evaluar(*entrada->modelo, *entrada->ecuacion, d, arbol.altura, arbol.vcc,
                 datos_->opciones.argumentosComoTexto, datos_->args);
}

EcuacionesKAV AbrirEcuacionesKAV(const std::string& carpetaPrograma,
                                 OpcionesEcuacionesKAV opciones) {
  return EcuacionesKAV::Abrir(carpetaPrograma + "/" + kArchivoEcuacionesKAV, opciones);
}

std::optional<double> EvaluarModeloKAV(const EcuacionInventario& ecuacion, std::optional<double> d,
                                       std::optional<double> h, std::optional<double> v) {
  ModeloCompilado m = Compilar(ecuacion.modelo);
  std::vector<double> args;
  return Evaluar(m, ecuacion, d, h, v, false, args);
}

std::vector<std::string> CargarComboModelos(const std::string& carpetaPrograma) {
  std::vector<std::string> r;
  try {
    store::Database base =
        store::Database::open(carpetaPrograma + "/" + kArchivoEcuacionesKAV, {false, true, ""});
    store::Cursor c =
        base.openCursor("SELECT Modelo FROM Modelos WHERE (IdModelo IN (1,2,3,4,5,6,8,9,10,11,12))",
                        store::CursorKind::ForwardOnly);
    while (!c.eof()) {
      r.push_back(c.value("Modelo").toString());
      c.moveNext();
    }
  } catch (const store::StoreError&) {
    // The formula list stays as read: the editor works with typed formulas.
  }
  return r;
}

}  // namespace arbelio::equations
