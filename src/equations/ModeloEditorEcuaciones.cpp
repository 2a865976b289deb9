#include "equations/ModeloEditorEcuaciones.h"

#include <chrono>
#include <set>

#include "calc/CalculosArbol.h"
#include "equations/EcuacionesKAV.h"
#include "shell/Progreso.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"
#include "store/Value.h"

namespace arbelio::equations {

namespace {

bool esDigito(char c) {
  return c >= '0' && c <= '9';
}

std::array<std::string, 2> FilaParametro(const std::string& nombre, double valor) {
  return {nombre, TextoValorParametro(valor)};
}

// The numeric value of a grid cell written by the editor or read from the store ("Todas" and
// "" give 0).
int ValorCelda(std::string_view texto) {
  return ValorFormaCalidad(texto);
}

std::uint32_t SemillaDelReloj() {
  return static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() &
                                    0xFFFFFFFFu);
}

}  // namespace

std::string FormatoRejillaEcuaciones() {
  return "<Especie|<Forma|<Calidad|<Variable|<Ecuación" + std::string(94, ' ');
}

std::string FormatoRejillaParametros() {
  return "<Parámetro|<Valor" + std::string(17, ' ');
}

std::vector<ColumnaFormato> ColumnasDeFormato(std::string_view formato) {
  std::vector<ColumnaFormato> r;
  std::size_t inicio = 0;
  while (inicio <= formato.size()) {
    const std::size_t fin = std::min(formato.find('|', inicio), formato.size());
    std::string_view c = formato.substr(inicio, fin - inicio);
    ColumnaFormato col;
    if (!c.empty() && (c[0] == '<' || c[0] == '>' || c[0] == '^')) {
      col.alineacion = c[0] == '<'   ? shell::Alineacion::Izquierda
                       : c[0] == '>' ? shell::Alineacion::Derecha
                                     : shell::Alineacion::Centro;
      c.remove_prefix(1);
    }
    for (char ch : c) {
      if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++col.caracteres;
    }
    col.cabecera = store::trimSpaces(c);
    r.push_back(std::move(col));
    inicio = fin + 1;
  }
  return r;
}

std::vector<shell::ColumnaVista> ColumnasRejilla(std::string_view formato) {
  std::vector<shell::ColumnaVista> r;
  for (const auto& c : ColumnasDeFormato(formato)) {
    shell::ColumnaVista v;
    v.cabecera = c.cabecera;
    v.alineacion = c.alineacion;
    r.push_back(std::move(v));
  }
  return r;
}

std::string MensajeDefiniendoParametros(std::size_t k, std::size_t n) {
  return "Definiendo Parámetros. Parámetros definidos: " + std::to_string(k) + " de " +
         std::to_string(n);
}

std::vector<std::string> ItemsFormaCalidad() {
  return {"Todas", "1", "2", "3", "4", "5", "6"};
}

std::string ItemVariable(std::string_view codigo, std::string_view unidad) {
  return store::trimSpaces(codigo) + " (" + store::trimSpaces(unidad) + ")";
}

std::vector<std::int16_t> EspeciesParaEditor(const std::vector<std::int16_t>& especiesCorte,
                                             const std::string& BDTemp) {
  std::vector<std::int16_t> r;
  for (std::int16_t e : especiesCorte) {
    if (e != 0) r.push_back(e);
  }
  if (!r.empty()) return r;
  if (store::findFileNoCase(BDTemp, "ESPECI00.dbf").empty()) return r;
  store::Database trabajo = store::Database::open(BDTemp, {false, true, "DBASE IV"});
  store::Cursor c = trabajo.openCursor("ESPECI00", store::CursorKind::Snapshot);
  const int campo = c.fieldIndex("ESPECIE");
  std::set<std::int16_t> vistas;
  for (; !c.eof(); c.moveNext()) {
    // The code is stored as text; rows without a whole code that fits are left out.
    const store::Value v = c.value(campo);
    double codigo = 0;
    if (v.isNull() || !store::parseNumber(v.toString(), codigo)) continue;
    if (codigo < 1 || codigo > 32767 || codigo != static_cast<std::int16_t>(codigo)) continue;
    vistas.insert(static_cast<std::int16_t>(codigo));
  }
  return std::vector<std::int16_t>(vistas.begin(), vistas.end());
}

bool EsNumeroParametro(std::string_view texto) {
  const std::string t = store::trimSpaces(texto);
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digitos = 0;
  while (i < t.size() && (esDigito(t[i]) || t[i] == '.')) digitos += esDigito(t[i++]) ? 1 : 0;
  if (i < t.size() && t[i] == ',') {
    ++i;
    while (i < t.size() && esDigito(t[i])) ++i, ++digitos;
  }
  if (digitos == 0) return false;
  if (i < t.size() && (t[i] == 'E' || t[i] == 'e')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    std::size_t exp = 0;
    while (i < t.size() && esDigito(t[i])) ++i, ++exp;
    if (exp == 0) return false;
  }
  return i == t.size();
}

std::string TextoValorParametro(double valor) {
  std::string s = TextoNumero(valor);
  const std::size_t punto = s.find('.');
  if (punto != std::string::npos) s[punto] = ',';
  return s;
}

// ---- ModeloEditorEcuaciones ----

ModeloEditorEcuaciones::ModeloEditorEcuaciones(EstadoAplicacion& estado)
    : estado_(estado), semilla_(SemillaDelReloj) {
  paramName_.habilitado = false;
  paramValor_.habilitado = false;
}

UbicacionEcuacionesUsuario ModeloEditorEcuaciones::ubicacion() const {
  return {estado_.rutas.BDOut, estado_.rutas.BDEstruct, estado_.SufijoTablas};
}

void ModeloEditorEcuaciones::Mensaje(const char* texto, int color) {
  mensaje_ = texto;
  colorMensaje_ = color;
}

std::string ModeloEditorEcuaciones::contador() const {
  return std::to_string(contadorActual_) + " / " + std::to_string(contadorGuardadas_);
}

void ModeloEditorEcuaciones::Abrir(shell::Interaccion& ui,
                                   const std::vector<std::int16_t>& especiesCorte) {
  shell::RelojArena reloj(ui);
  borrarHabilitado_ = false;
  aceptarHabilitado_ = false;
  parametrosDefinidos_ = false;
  formulaComprobada_.clear();
  especiesBase_.clear();
  for (std::int16_t e : EspeciesParaEditor(especiesCorte, estado_.rutas.BDTemp)) {
    especiesBase_.push_back(std::to_string(e));
  }
  RellenarCombos();
  ecuacion_ = ComboEditor{};
  ecuacion_.items = CargarComboModelos(estado_.rutas.carpetaDatos);
  VaciarParametros();
  parametros_.clear();
  parametrosResaltados_ = false;
  Mensaje(kMensajePaso1);
  foco_ = ControlEditor::Ninguno;
  abierto_ = true;
  RecargarRejilla();
}

VariablesMarcadas ModeloEditorEcuaciones::Marcadas() const {
  return marcadas_ ? *marcadas_ : calc::VariablesDeOpciones(estado_);
}

void ModeloEditorEcuaciones::PrepararListas(const VariablesMarcadas& marcadas) {
  marcadas_ = marcadas;
  CargarVariablesValidas(estado_.ecuaciones, marcadas);
  if (abierto_) RecargarRejilla();
}

void ModeloEditorEcuaciones::RecargarRejilla() {
  filas_.clear();
  filaSeleccionada_ = -1;
  borrarHabilitado_ = false;
  const auto guardadas = CargarEcuacionesUsuario(ubicacion());
  for (const auto& q : guardadas) {
    filas_.push_back({std::to_string(q.conjunto.especie), std::to_string(q.conjunto.forma),
                      std::to_string(q.conjunto.calidad), q.conjunto.variable, q.formula});
  }
  contadorGuardadas_ = static_cast<std::int64_t>(guardadas.size());
  contadorActual_ = contadorGuardadas_ + 1;
}

void ModeloEditorEcuaciones::RellenarCombos() {
  especie_ = ComboEditor{especiesBase_};
  forma_ = ComboEditor{ItemsFormaCalidad()};
  calidad_ = ComboEditor{ItemsFormaCalidad()};
  variable_ = ComboEditor{};
  for (const auto& fila : estado_.VariablesUnidades) {
    variable_.items.push_back(ItemVariable(fila.codigo, fila.unidad));
  }
}

void ModeloEditorEcuaciones::VaciarParametros() {
  paramName_ = ComboEditor{};
  paramName_.habilitado = false;
  paramValor_ = ComboEditor{};
  paramValor_.habilitado = false;
}

namespace {
void Elegir(ComboEditor& combo, int indice) {
  if (indice < -1 || indice >= static_cast<int>(combo.items.size())) return;
  combo.indice = indice;
  combo.texto = indice < 0 ? std::string() : combo.items[static_cast<std::size_t>(indice)];
}
}  // namespace

void ModeloEditorEcuaciones::SeleccionarEspecie(int indice) {
  Elegir(especie_, indice);
  Mensaje(kMensajePaso1);
}

void ModeloEditorEcuaciones::SeleccionarForma(int indice) {
  Elegir(forma_, indice);
}

void ModeloEditorEcuaciones::SeleccionarCalidad(int indice) {
  Elegir(calidad_, indice);
}

void ModeloEditorEcuaciones::SeleccionarVariable(int indice) {
  Elegir(variable_, indice);
  Mensaje(kMensajePaso6);
}

void ModeloEditorEcuaciones::EscribirFormula(std::string texto) {
  ecuacion_.texto = std::move(texto);
  ecuacion_.indice = -1;
  for (std::size_t i = 0; i < ecuacion_.items.size(); ++i) {
    if (ecuacion_.items[i] == ecuacion_.texto) ecuacion_.indice = static_cast<int>(i);
  }
}

void ModeloEditorEcuaciones::ElegirModelo(int indice) {
  Elegir(ecuacion_, indice);
}

void ModeloEditorEcuaciones::ConfirmarFormula(shell::Interaccion& ui) {
  if (!ecuacion_.texto.empty()) ValidarFormula(ui);
}

void ModeloEditorEcuaciones::FormulaRechazada() {
  Pitar();
  Mensaje(kMensajeError1, kColorError);
  // Nothing of a refused formula may be stored: its parameters go and Aceptar is disabled.
  formulaComprobada_.clear();
  VaciarParametros();
  parametrosDefinidos_ = false;
  aceptarHabilitado_ = false;
}

void ModeloEditorEcuaciones::ValidarFormula(shell::Interaccion& ui) {
  auto& eq = estado_.ecuaciones;
  const std::string texto = ecuacion_.texto;
  const ResultadoComprobacion r = ComprobarEcuacion(eq, texto, Marcadas());
  if (!r.valida) {
    ui.aviso(r.mensaje.empty() ? "Error" : r.mensaje);
    if (r.pitido) Pitar();
    FormulaRechazada();
    return;
  }
  double prueba = -5;
  if (GenerarFuncionEGS(eq, texto)) {
    prueba = EvaluarEcuacionPrueba(eq, semilla_());
  }
  if (prueba == -5) {
    const std::string informe = TextoErrorScript(eq.motor.error());
    if (!informe.empty()) {
      ui.mensaje(informe, kTituloErrorScript, shell::IconoMensaje::Critico,
                 shell::BotonesMensaje::Aceptar);
    }
    FormulaRechazada();
    return;
  }
  formulaComprobada_ = texto;
  const std::vector<std::string> nombres =
      esListaVacia(eq.parametros) ? std::vector<std::string>{} : eq.parametros;
  paramName_ = ComboEditor{nombres};
  eq.valores.assign(nombres.size(), 0.0);
  paramValor_ = ComboEditor{};
  foco_ = ControlEditor::ComboParamValor;
  if (!nombres.empty()) {
    Mensaje(kMensajePaso3);
    paramName_.habilitado = true;
    paramValor_.habilitado = true;
    parametrosDefinidos_ = false;
    aceptarHabilitado_ = false;
    Elegir(paramName_, 0);
  } else {
    Mensaje(kMensajePaso7);
    paramName_.habilitado = false;
    paramValor_.habilitado = false;
    parametrosDefinidos_ = true;
    aceptarHabilitado_ = true;
    foco_ = ControlEditor::CommandAceptar;
  }
}

void ModeloEditorEcuaciones::SeleccionarParametro(int indice) {
  Elegir(paramName_, indice);
  const auto& valores = estado_.ecuaciones.valores;
  if (indice >= 0 && static_cast<std::size_t>(indice) < valores.size() &&
      valores[static_cast<std::size_t>(indice)] != 0) {
    paramValor_.texto = TextoValorParametro(valores[static_cast<std::size_t>(indice)]);
  } else {
    paramValor_.texto.clear();
  }
}

void ModeloEditorEcuaciones::EscribirValor(std::string texto) {
  paramValor_.texto = std::move(texto);
}

void ModeloEditorEcuaciones::IntroValor() {
  if (paramValor_.texto.empty()) {
    foco_ = ControlEditor::ComboParamValor;
    return;
  }
  EntrarValorTecleado();
}

void ModeloEditorEcuaciones::SalirValor() {
  if (paramValor_.texto.empty()) return;
  // Leaving the field enters the value only when it is the last one missing (the one of the
  // selected name): a value typed halfway while the user goes to pick another name is not
  // taken.
  const auto& valores = estado_.ecuaciones.valores;
  const int i = paramName_.indice;
  if (i < 0 || static_cast<std::size_t>(i) >= valores.size()) return;
  for (std::size_t k = 0; k < valores.size(); ++k) {
    if (valores[k] == 0 && k != static_cast<std::size_t>(i)) return;
  }
  EntrarValorTecleado();
}

void ModeloEditorEcuaciones::EntrarValorTecleado() {
  auto& valores = estado_.ecuaciones.valores;
  const int i = paramName_.indice;
  if (i < 0 || static_cast<std::size_t>(i) >= valores.size()) return;
  std::string t = paramValor_.texto;
  double valor = 0;
  if (!EsNumeroParametro(t)) {
    paramValor_.texto.clear();
    foco_ = ControlEditor::ComboParamValor;
    Pitar();
    return;
  }
  // A period is taken as the decimal separator; a second one makes the text unreadable.
  if (const std::size_t punto = t.find('.'); punto != std::string::npos) t[punto] = ',';
  if (t.find('.') != std::string::npos) {
    paramValor_.texto.clear();
    foco_ = ControlEditor::ComboParamValor;
    return;
  }
  paramValor_.texto = t;
  if (!store::parseNumber(t, valor)) {
    paramValor_.texto.clear();
    foco_ = ControlEditor::ComboParamValor;
    Pitar();
    return;
  }
  if (valor == 0) {
    Mensaje(kMensajeError3, kColorError);
    return;
  }
  valores[static_cast<std::size_t>(i)] = valor;
  mensaje_ = MensajeDefiniendoParametros(static_cast<std::size_t>(i) + 1, valores.size());
  colorMensaje_ = kColorNormal;
  for (std::size_t k = 0; k < valores.size(); ++k) {
    if (valores[k] == 0) {
      SeleccionarParametro(static_cast<int>(k));
      foco_ = ControlEditor::ComboParamValor;
      return;
    }
  }
  parametrosDefinidos_ = true;
  aceptarHabilitado_ = !formulaComprobada_.empty();
  foco_ = ControlEditor::CommandAceptar;
  Mensaje(kMensajePaso7);
}

bool ModeloEditorEcuaciones::ConjuntoCompleto() const {
  return especie_.indice >= 0 && forma_.indice >= 0 && calidad_.indice >= 0 &&
         variable_.indice >= 0;
}

ConjuntoEcuacion ModeloEditorEcuaciones::ConjuntoDeCampos() const {
  return ConjuntoEcuacion{ValorCelda(especie_.texto), ValorFormaCalidad(forma_.texto),
                          ValorFormaCalidad(calidad_.texto), VariableDeItem(variable_.texto)};
}

void ModeloEditorEcuaciones::Aceptar(shell::Interaccion& ui) {
  // The formula changed since it was checked (Aceptar pressed straight from the field): it is
  // checked first, as leaving the field does.
  if (!ecuacion_.texto.empty() && ecuacion_.texto != formulaComprobada_) ValidarFormula(ui);
  if (!aceptarHabilitado_) return;
  if (!ConjuntoCompleto()) {
    ui.aviso(kDefinaConjunto);
    return;
  }
  auto& eq = estado_.ecuaciones;
  const ConjuntoEcuacion c = ConjuntoDeCampos();
  const std::string formula = formulaComprobada_;
  const std::vector<std::string> nombres =
      esListaVacia(eq.parametros) ? std::vector<std::string>{} : eq.parametros;
  const std::vector<double> valores = eq.valores;
  const auto u = ubicacion();
  try {
    if (ExisteCalculoenBDQ(u, c)) {
      if (!ui.preguntaSiNo(kPreguntaModificar)) return;
      ModificaCalculodeBDQ(u, c, formula, nombres, valores);
      // The grid shows the stored equation: its row takes the new formula.
      for (auto& fila : filas_) {
        if (ValorCelda(fila[0]) == c.especie && ValorCelda(fila[1]) == c.forma &&
            ValorCelda(fila[2]) == c.calidad && VariableDeItem(fila[3]) == c.variable) {
          fila[4] = formula;
          break;
        }
      }
      LlenarRejillaParametros(nombres, valores);
    } else {
      AnadeCalculoaBDQ(u, c, formula, nombres, valores);
      ++contadorGuardadas_;
      AnadeFilaEnGridEcuasUsuario(
          {especie_.texto, forma_.texto, calidad_.texto, c.variable, formula});
      LlenarRejillaParametros(nombres, valores);
      AnadirVarsinoEstaenValidas(c.variable);
    }
  } catch (const store::StoreError& e) {
    ui.aviso("No se ha podido guardar la ecuación: " + e.description(),
             shell::IconoMensaje::Critico);
    return;
  }
  Mensaje(kMensajePaso9);
  Deseleccionar();
  borrarHabilitado_ = false;
  VaciarParametros();
  ecuacion_.texto.clear();
  ecuacion_.indice = -1;
  formulaComprobada_.clear();
  parametrosDefinidos_ = false;
  aceptarHabilitado_ = false;
  foco_ = ControlEditor::ComboVariable;
}

void ModeloEditorEcuaciones::AnadeFilaEnGridEcuasUsuario(const std::array<std::string, 5>& fila) {
  for (auto& f : filas_) {
    if (f[0].empty()) {
      f = fila;
      return;
    }
  }
  filas_.push_back(fila);
}

void ModeloEditorEcuaciones::LlenarRejillaParametros(const std::vector<std::string>& nombres,
                                                     const std::vector<double>& valores) {
  parametros_.clear();
  for (std::size_t i = 0; i < nombres.size() && i < valores.size(); ++i) {
    parametros_.push_back(FilaParametro(nombres[i], valores[i]));
  }
}

void ModeloEditorEcuaciones::AnadirVarsinoEstaenValidas(const std::string& variable) {
  auto& eq = estado_.ecuaciones;
  if (!eq.variablesValidasCargadas) CargarVariablesValidas(eq, Marcadas());
  if (!EsVariableValida(eq, variable)) eq.variablesValidas.push_back(variable);
  for (auto& fila : estado_.VariablesUnidades) {
    if (fila.codigo == variable) fila.calcular = "SI";
  }
}

void ModeloEditorEcuaciones::Deseleccionar() {
  filaSeleccionada_ = -1;
  parametrosResaltados_ = false;
}

void ModeloEditorEcuaciones::SeleccionarFila(int fila) {
  if (fila < 0 || fila >= static_cast<int>(filas_.size())) return;
  Deseleccionar();
  filaSeleccionada_ = fila;
  borrarHabilitado_ = true;
  aceptarHabilitado_ = false;
  const auto& celdas = filas_[static_cast<std::size_t>(fila)];
  if (celdas[0].empty()) {
    parametros_.clear();
    return;
  }
  const auto guardadas = CargarEcuacionesUsuario(ubicacion());
  // The parameter grid: the stored equation of the row's set.
  const ConjuntoEcuacion c{ValorCelda(celdas[0]), ValorCelda(celdas[1]), ValorCelda(celdas[2]),
                           VariableDeItem(celdas[3])};
  parametros_.clear();
  for (const auto& q : guardadas) {
    if (q.conjunto.especie == c.especie && q.conjunto.forma == c.forma &&
        q.conjunto.calidad == c.calidad && q.conjunto.variable == c.variable) {
      LlenarRejillaParametros(q.parametros, q.valores);
      parametrosResaltados_ = true;
      break;
    }
  }
  // The fields: the equation at the same position in the stored order.
  if (static_cast<std::size_t>(fila) >= guardadas.size()) return;
  const EcuacionUsuario& q = guardadas[static_cast<std::size_t>(fila)];
  const std::string especie = std::to_string(q.conjunto.especie);
  int indice = -1;
  for (std::size_t i = 0; i < especie_.items.size(); ++i) {
    if (especie_.items[i] == especie) indice = static_cast<int>(i);
  }
  if (indice < 0) {
    // An equation for a species the cut lacks: the species is offered too, so the equation
    // can be changed.
    especie_.items.push_back(especie);
    indice = static_cast<int>(especie_.items.size()) - 1;
  }
  Elegir(especie_, indice);
  Elegir(forma_, q.conjunto.forma >= 0 && q.conjunto.forma <= 6 ? q.conjunto.forma : -1);
  Elegir(calidad_, q.conjunto.calidad >= 0 && q.conjunto.calidad <= 6 ? q.conjunto.calidad : -1);
  int variable = -1;
  for (std::size_t i = 0; i < estado_.VariablesUnidades.size(); ++i) {
    if (estado_.VariablesUnidades[i].codigo == q.conjunto.variable) variable = static_cast<int>(i);
  }
  Elegir(variable_, variable);
  EscribirFormula(q.formula);
  formulaComprobada_ = q.formula;
  auto& eq = estado_.ecuaciones;
  eq.parametros = q.parametros.empty() ? std::vector<std::string>{"X1"} : q.parametros;
  eq.valores = q.valores;
  paramName_ = ComboEditor{q.parametros};
  paramValor_ = ComboEditor{};
  parametrosDefinidos_ = true;
  for (double v : q.valores) parametrosDefinidos_ = parametrosDefinidos_ && v != 0;
  if (!q.parametros.empty()) SeleccionarParametro(0);
}

void ModeloEditorEcuaciones::Borrar(shell::Interaccion& ui) {
  if (!borrarHabilitado_ || filaSeleccionada_ < 0 ||
      filaSeleccionada_ >= static_cast<int>(filas_.size())) {
    return;
  }
  const auto& celdas = filas_[static_cast<std::size_t>(filaSeleccionada_)];
  const ConjuntoEcuacion c{ValorCelda(celdas[0]), ValorCelda(celdas[1]), ValorCelda(celdas[2]),
                           VariableDeItem(celdas[3])};
  if (!celdas[0].empty()) {
    try {
      QuitaCalculodeBDQ(ubicacion(), c);
    } catch (const store::StoreError& e) {
      ui.aviso("No se ha podido borrar la ecuación: " + e.description(),
               shell::IconoMensaje::Critico);
      return;
    }
  }
  filas_.erase(filas_.begin() + filaSeleccionada_);
  Deseleccionar();
  parametros_.clear();
  ecuacion_.texto.clear();
  ecuacion_.indice = -1;
  formulaComprobada_.clear();
  VaciarParametros();
  RellenarCombos();
  CargarVariablesValidas(estado_.ecuaciones, Marcadas());
  parametrosDefinidos_ = false;
  aceptarHabilitado_ = false;
  borrarHabilitado_ = false;
  foco_ = ControlEditor::ComboEspecie;
}

void ModeloEditorEcuaciones::Terminar() {
  estado_.ecuaciones.parametros = {"X1"};
  abierto_ = false;
}

}  // namespace arbelio::equations
