#include "cut/HerramientaCorte.h"

#include <algorithm>
#include <cctype>

#include "import/BaseDatosTrabajo.h"
#include "inventory/ModuleCodeInf.h"
#include "shell/EjecutarOrden.h"
#include "shell/EspacioTrabajo.h"
#include "store/Text.h"

namespace arbelio::cut {

namespace {

bool SoloDigitos(const std::string& s) {
  return !s.empty() &&
         std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The number a combo text starts with ("21 (Pinus sylvestris)" -> "21").
std::string NumeroInicial(const std::string& texto) {
  const std::string t = store::trimSpaces(texto);
  std::size_t n = 0;
  while (n < t.size() && std::isdigit(static_cast<unsigned char>(t[n]))) ++n;
  return t.substr(0, n);
}

bool Numero(const std::string& texto, double& v) {
  return store::parseNumber(texto, v);
}

constexpr const char* kAyudaProvincia = "Código KAV de provincia (igual al código postal)";

}  // namespace

int ValidarNumero(const std::string& texto) {
  if (texto.empty()) return 0;
  double v = 0;
  if (!store::parseNumber(texto, v)) return 9;
  if (texto.find('.') != std::string::npos) return 1;
  if (texto.find(',') != std::string::npos) return 2;
  if (texto.find('-') != std::string::npos) return 3;
  if (texto.find('+') != std::string::npos) return 5;
  if (texto.size() >= 7) return 6;
  return SoloDigitos(texto) ? 0 : 9;
}

// ---- ComboCorte ----

void ComboCorte::Cargar(std::vector<std::string> lista, bool primero) {
  elementos = std::move(lista);
  texto = primero && !elementos.empty() ? elementos.front() : std::string();
  rojo = false;
}

void ComboCorte::Elegir(std::size_t i) {
  if (i >= elementos.size()) return;
  texto = elementos[i];
  rojo = false;
}

void ComboCorte::Escribir(const std::string& t) {
  texto = t;
  rojo = ValidarNumero(t) != 0;
}

void ComboCorte::Desplegar() {
  texto.clear();
  rojo = false;
}

// ---- HerramientaCorte ----

HerramientaCorte::HerramientaCorte(EstadoAplicacion& estado) : estado_(estado) {
  for (ComboCorte* c : {&ComboVarMasaAB, &ComboVarMasaPM, &ComboX1, &ComboY1, &ComboX2, &ComboY2,
                        &ComboMunicipios, &ComboParcelas})
    c->editable = true;
  ComboMunProvincias.ayuda = kAyudaProvincia;
  ComboParcProvincia.ayuda = kAyudaProvincia;
  ComboMunicipios.ayuda = "Código KAV de municipio (igual al código postal)";
  ComboParcelas.ayuda = "Código KAV de parcela";
  ComboEspeciesPresentes.ayuda = "Código de especie";
}

std::vector<std::string> HerramientaCorte::Distintos(const std::string& sql) {
  store::Cursor c = trabajo_.openCursor(sql, store::CursorKind::Snapshot);
  std::vector<std::string> r;
  for (; !c.eof(); c.moveNext()) {
    const store::Value v = c.value(0);
    if (!v.isNull()) r.push_back(store::trimSpaces(v.toString()));
  }
  return r;
}

void HerramientaCorte::Cargar(shell::Progreso& progreso) {
  trabajo_ = store::Database::open(estado_.rutas.BDTemp);
  estado_.ListaParcelas.vaciar();
  estado_.PiesExcluidos.clear();
  estado_.InformeCriterios.clear();
  int barra = 0;
  auto paso = [&](const char* mensaje, auto&& hacer) {
    progreso.explicacion(mensaje);
    hacer();
    barra = std::min(100, barra + 15);
    progreso.barra(barra);
  };
  paso("Inicializando Lista de Criterios", [&] { InicializarListCriterios(); });
  paso("Inicializando Lista de Coordenadas", [&] { InicializarSolapaCoordenadas(); });
  paso("Inicializando Lista de Especies", [&] { InicializarSolapaEspecies(); });
  paso("Inicializando Lista de Municipios", [&] { InicializarSolapaMunicipios(); });
  paso("Inicializando Lista de Parcelas", [&] { InicializarSolapaParcelas(); });
  paso("Inicializando Lista de Variables de Masa", [&] { InicializarSolapaMasa(); });
  paso("Inicializando Controles Grid", [&] { InicializarGrids(); });
  SSTabCriterios_Click(kCriterioEspecies);
  resumen.LimpiarCaptions(true);
  estado_.CorteAbierto = true;
}

std::array<ComboCorte*, 10> HerramientaCorte::CombosCriterio() {
  return {&ComboUmbralAB, &ComboUmbralPM, &ComboVarMasaAB, &ComboVarMasaPM,  &ComboX1,
          &ComboY1,       &ComboX2,       &ComboY2,        &ComboMunicipios, &ComboParcelas};
}

void HerramientaCorte::Reiniciar() {
  InicializarGrids();
  InicializarListCriterios();
  for (ComboCorte* c : CombosCriterio()) c->Vaciar();
  resumen.TextInforme.clear();
  resumen.LimpiarCaptions(false);
  resumen.CommandVerDatosCorte = false;
  SSTabCriterios_Click(kCriterioEspecies);
  estado_.ListaParcelas.vaciar();
  estado_.PiesExcluidos.clear();
  estado_.InformeCriterios.clear();
  // The tool shows no cut any more: there is nothing to save.
  estado_.menus.alAplicarCriteriosSinParcelas();
}

void HerramientaCorte::Descargar() {
  if (trabajo_.isOpen()) trabajo_ = store::Database();
  estado_.CorteAbierto = false;
}

void HerramientaCorte::InicializarListCriterios() {
  for (int i = 0; i < kNumCriterios; ++i) {
    LabelCriterio[static_cast<std::size_t>(i)] =
        TiposCriterio()[static_cast<std::size_t>(i)].etiqueta;
    criterios.CheckCriterio[static_cast<std::size_t>(i)] = false;
  }
}

void HerramientaCorte::InicializarSolapaCoordenadas() {
  ComboHusos.Cargar(Distintos("SELECT DISTINCT HUSO FROM DATDEF00 ORDER BY HUSO"), true);
  LabelHuso = "Nº de Husos: " + std::to_string(ComboHusos.elementos.size());
  CargarListasXY();
}

void HerramientaCorte::CargarListasXY() {
  std::vector<std::string> xs, ys;
  if (!ComboHusos.texto.empty()) {
    xs = Distintos("SELECT DISTINCT COORDEX FROM DATDEF00 WHERE HUSO=" + ComboHusos.texto +
                   " ORDER BY COORDEX");
    ys = Distintos("SELECT DISTINCT COORDEY FROM DATDEF00 WHERE HUSO=" + ComboHusos.texto +
                   " ORDER BY COORDEY");
  }
  ComboX1.Cargar(xs, false);
  ComboX2.Cargar(xs, false);
  ComboY1.Cargar(ys, false);
  ComboY2.Cargar(ys, false);
}

void HerramientaCorte::InicializarSolapaEspecies() {
  std::vector<std::string> especies;
  for (const std::string& codigo :
       Distintos("SELECT DISTINCT ESPECIE FROM ESPECI00  ORDER BY ESPECIE")) {
    double v = 0;
    const std::string nombre = Numero(codigo, v) && v >= -32768 && v <= 32767
                                   ? ModuleCodeInf::NombreEspecie(static_cast<std::int16_t>(v))
                                   : codigo;
    especies.push_back(codigo + " (" + nombre + ")");
  }
  ComboEspeciesPresentes.Cargar(std::move(especies), true);
  const std::vector<std::string> operadores(kOperadores.begin(), kOperadores.end());
  ComboMayorMenor.Cargar(operadores, true);
  ComboMasMenos.Cargar(operadores, true);
  ComboUmbralAB.Cargar(
      {"10", "20", "30", "40", "50", "60", "5%", "10%", "25%", "50%", "75%", "90%"}, false);
  ComboUmbralPM.Cargar(
      {"100", "500", "1000", "1500", "2000", "3000", "5%", "10%", "25%", "50%", "75%", "90%"},
      false);
}

void HerramientaCorte::InicializarSolapaMunicipios() {
  ComboMunProvincias.Cargar(Distintos("SELECT DISTINCT PROVINCIA FROM DATDEF00 ORDER BY PROVINCIA"),
                            false);
  ComboMunicipios.Cargar({}, false);
}

void HerramientaCorte::InicializarSolapaParcelas() {
  ComboParcProvincia.Cargar(Distintos("SELECT DISTINCT PROVINCIA FROM DATDEF00 ORDER BY PROVINCIA"),
                            false);
  ComboParcelas.Cargar({}, false);
}

void HerramientaCorte::InicializarSolapaMasa() {
  const std::vector<std::string> operadores(kOperadores.begin(), kOperadores.end());
  ComboMasaABMayMen.Cargar(operadores, true);
  ComboMasaPMMayMen.Cargar(operadores, true);
  ComboVarMasaAB.Cargar({"5", "10", "20", "30", "40", "50", "60"}, false);
  ComboVarMasaPM.Cargar({"50", "100", "200", "500", "1000", "1500", "2000", "2500", "3000"}, false);
}

void HerramientaCorte::InicializarGrids() {
  for (int i = 0; i < kNumCriterios; ++i) {
    auto& rejilla = *criterios.rejillas[static_cast<std::size_t>(i)];
    rejilla.fijarFilas({});
  }
}

void HerramientaCorte::SSTabCriterios_Click(int s) {
  solapa = s;
  LabelSolapaActiva = s >= 0 && s < kNumCriterios
                          ? std::string("(") + kSolapas[static_cast<std::size_t>(s)] + ")"
                          : std::string();
}

void HerramientaCorte::ComboHusos_Click(std::size_t i) {
  ComboHusos.Elegir(i);
  CargarListasXY();
}

void HerramientaCorte::ComboMunProvincias_Click(std::size_t i) {
  ComboMunProvincias.Elegir(i);
  ComboMunicipios.Cargar(Distintos("SELECT DISTINCT MUNICI FROM DATDEF00 WHERE PROVINCIA=" +
                                   ComboMunProvincias.texto + " ORDER BY MUNICI"),
                         false);
}

void HerramientaCorte::ComboParcProvincia_Click(std::size_t i) {
  ComboParcProvincia.Elegir(i);
  ComboParcelas.Cargar(Distintos("SELECT DISTINCT ESTADILLO FROM DATDEF00 WHERE PROVINCIA=" +
                                 ComboParcProvincia.texto + " ORDER BY ESTADILLO"),
                       false);
}

void HerramientaCorte::EscribirFila(int criterio, const FilaCriterio& fila) {
  auto& rejilla = *criterios.rejillas[static_cast<std::size_t>(criterio)];
  std::vector<shell::FuenteTexto::Fila> filas = rejilla.todas();
  // The first row not in use: for the stand-variable grid, whose first cell may be empty in a
  // row in use, a row with both cells empty.
  auto libre = std::find_if(filas.begin(), filas.end(), [&](const shell::FuenteTexto::Fila& f) {
    return criterio == kCriterioMasa ? !FilaParticipa(criterio, f) : f.empty() || f[0].empty();
  });
  if (libre == filas.end()) libre = filas.insert(filas.end(), shell::FuenteTexto::Fila{});
  *libre = fila;
  rejilla.fijarFilas(std::move(filas));
  criterios.CheckCriterio[static_cast<std::size_t>(criterio)] = true;
  resumen.DeshabilitarLabelsResumen();
}

bool HerramientaCorte::CommandOKEspecies_Click() {
  const std::string especie = NumeroInicial(ComboEspeciesPresentes.texto);
  if (especie.empty()) return false;
  const std::string ab =
      ComboUmbralAB.texto.empty() ? "" : ComboMayorMenor.texto + " " + ComboUmbralAB.texto;
  const std::string pm =
      ComboUmbralPM.texto.empty() ? "" : ComboMasMenos.texto + " " + ComboUmbralPM.texto;
  EscribirFila(kCriterioEspecies, {especie, ab, pm});
  ComboUmbralAB.Vaciar();
  ComboUmbralPM.Vaciar();
  ComboMayorMenor.Elegir(0);
  ComboMasMenos.Elegir(0);
  return true;
}

bool HerramientaCorte::CommandOKMasa_Click() {
  if (ComboVarMasaAB.texto.empty() && ComboVarMasaPM.texto.empty()) return false;
  if (ComboVarMasaAB.rojo || ComboVarMasaPM.rojo) return false;
  const std::string ab =
      ComboVarMasaAB.texto.empty() ? "" : ComboMasaABMayMen.texto + " " + ComboVarMasaAB.texto;
  const std::string pm =
      ComboVarMasaPM.texto.empty() ? "" : ComboMasaPMMayMen.texto + " " + ComboVarMasaPM.texto;
  EscribirFila(kCriterioMasa, {ab, pm});
  return true;
}

bool HerramientaCorte::CommandOKCoord_Click() {
  const ComboCorte* combos[] = {&ComboX1, &ComboY1, &ComboX2, &ComboY2};
  double v[4] = {};
  for (int i = 0; i < 4; ++i) {
    if (combos[i]->texto.empty() || combos[i]->rojo || !Numero(combos[i]->texto, v[i]))
      return false;
  }
  if (ComboHusos.texto.empty() || !(v[2] > v[0]) || !(v[3] > v[1])) return false;
  EscribirFila(kCriterioUtm, {ComboHusos.texto, "(" + ComboX1.texto + ", " + ComboY1.texto + ")",
                              "(" + ComboX2.texto + ", " + ComboY2.texto + ")"});
  ComboX1.Vaciar();
  ComboY1.Vaciar();
  ComboX2.Vaciar();
  ComboY2.Vaciar();
  return true;
}

bool HerramientaCorte::CommandOKMunicipios_Click() {
  const std::string& municipio = ComboMunicipios.texto;
  if (municipio.empty() || ComboMunicipios.rojo || ComboMunProvincias.texto.empty()) return false;
  const std::string relleno =
      std::string(municipio.size() < 3 ? 3 - municipio.size() : 0, '0') + municipio;
  EscribirFila(kCriterioMunicipios, {ComboMunProvincias.texto, relleno});
  return true;
}

bool HerramientaCorte::CommandOKParcelas_Click() {
  if (ComboParcelas.texto.empty() || ComboParcelas.rojo || ComboParcProvincia.texto.empty())
    return false;
  EscribirFila(kCriterioParcelas, {ComboParcProvincia.texto, ComboParcelas.texto});
  return true;
}

bool HerramientaCorte::CommandAplicarUno_Click(shell::Interaccion& ui) {
  return cut::CommandAplicarUno_Click(estado_, ui, {trabajo_, aleatorio}, criterios, solapa,
                                      resumen);
}

bool HerramientaCorte::CommandAplicarVarios_Click(shell::Interaccion& ui) {
  return cut::CommandAplicarVarios_Click(estado_, ui, {trabajo_, aleatorio}, criterios, resumen);
}

void HerramientaCorte::mnuPU2EliminarFila_Click(int criterio, std::int64_t fila) {
  if (criterio < 0 || criterio >= kNumCriterios) return;
  auto& rejilla = *criterios.rejillas[static_cast<std::size_t>(criterio)];
  const std::int64_t filas = rejilla.filas();
  if (!rejilla.eliminarFilas(fila)) return;
  rejilla.insertarFilas(rejilla.filas(), filas - rejilla.filas());
  if (FilasQueParticipan(criterio, rejilla).empty())
    criterios.CheckCriterio[static_cast<std::size_t>(criterio)] = false;
}

// ---- Opening the tool ----

HerramientaCorte& VistaCorteEnMemoria::cargar(shell::Progreso& progreso) {
  herramienta_ = std::make_unique<HerramientaCorte>(estado_);
  herramienta_->Cargar(progreso);
  ++mostrada;
  return *herramienta_;
}

bool mnuCNuevoCorte_Click(EstadoAplicacion& estado, shell::Interaccion& ui, VistaCorte& vista) {
  const bool hecho = shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    if (estado.CorteAbierto) {
      vista.herramienta().Reiniciar();
      vista.mostrar();
      return;
    }
    shell::RelojArena reloj(ui);
    if (import::ExisteBaseTrabajo(estado)) {
      estado.menus.alAbrirCorteSobreBaseExistente();
    } else if (!import::mnuAGenerarBDT_Click(estado, ui)) {
      return;  // the generation told why
    }
    shell::LimpiarBDCorte(estado, ui);
    shell::Progreso progreso(ui, kTituloCargaCorte, "", false, shell::PosicionProgreso::Centrado);
    progreso.etiquetas(false, false, false);
    vista.cargar(progreso);
    progreso.terminar();
  });
  return hecho && estado.CorteAbierto;
}

}  // namespace arbelio::cut
