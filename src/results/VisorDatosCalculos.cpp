#include "results/VisorDatosCalculos.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "calc/OpcionesCalculo.h"
#include "shell/EjecutarOrden.h"
#include "shell/FuenteCursor.h"
#include "shell/FuenteTexto.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::results {

namespace {

bool Es(std::string_view campo, std::initializer_list<std::string_view> nombres) {
  for (std::string_view n : nombres)
    if (campo == n) return true;
  return false;
}

bool MismaClave(std::string_view a, std::string_view b) {
  return store::toUpperAscii(a) == store::toUpperAscii(b);
}

// The fields shown with two decimals.
bool ConDosDecimales(std::string_view c) {
  return Es(c, {"DN",  "DG",  "DM",  "DO",  "HM",   "HO",  "HART", "REINEKE", "SN",
                "CN",  "N",   "NTP", "AB",  "ABTP", "VCC", "VSC",  "IAVC",    "VLE",
                "COR", "CRE", "DCH", "HPV", "DCO",  "DS",  "DFF",  "ALTE",    "HF"});
}

// Rounds the decimal digits of a number (its shortest text that reads back as the same single)
// to `decimales`, halves away from zero, and writes it with the decimal comma. "" when the
// result is zero, so the caller can show "0".
std::string DecimalesFijos(float v, int decimales) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  std::string texto(buf, r.ptr);
  bool negativo = false;
  if (!texto.empty() && texto[0] == '-') {
    negativo = true;
    texto.erase(0, 1);
  }
  const std::size_t punto = texto.find('.');
  std::string entero = texto.substr(0, punto);
  std::string fraccion = punto == std::string::npos ? "" : texto.substr(punto + 1);
  const auto d = static_cast<std::size_t>(decimales);
  bool subir = fraccion.size() > d && fraccion[d] >= '5';
  fraccion.resize(d, '0');
  std::string digitos = entero + fraccion;
  for (std::size_t i = digitos.size(); subir && i > 0; --i) {
    if (digitos[i - 1] == '9') {
      digitos[i - 1] = '0';
    } else {
      ++digitos[i - 1];
      subir = false;
    }
  }
  if (subir) digitos.insert(digitos.begin(), '1');
  if (digitos.find_first_not_of('0') == std::string::npos) return "";
  std::string resultado = digitos.substr(0, digitos.size() - d);
  if (d > 0) resultado += "," + digitos.substr(digitos.size() - d);
  return negativo ? "-" + resultado : resultado;
}

std::string SinBlancosFinales(const std::string& s) {
  std::size_t f = s.size();
  while (f > 0 && (s[f - 1] == ' ' || s[f - 1] == '\0')) --f;
  return s.substr(0, f);
}

}  // namespace

std::vector<PestanaVisor> PestanasVisor(const std::array<bool, 9>& tablasCalcular) {
  std::vector<PestanaVisor> r;
  for (const PestanaVisor& p : kPestanasVisor)
    if (p.indice == 0 || tablasCalcular[static_cast<std::size_t>(p.indice)]) r.push_back(p);
  return r;
}

std::string Unidades(std::string_view campo, std::string_view clave) {
  const std::string c = store::toUpperAscii(campo);
  const bool arbol = MismaClave(clave, "AIndiv");
  if (c == "N") return " (pies/ha)";
  if (Es(c, {"NTP", "ABTP", "HART"})) return " (%)";
  if (c == "AB") return " (m2/ha)";
  if (c == "CD") return std::string(9, ' ');
  if (Es(c, {"DN", "DO", "DG", "DM"})) return " (cm)    ";
  if (c == "LDCH") return " (dm)    ";
  if (c == "SDCH") return " (dm2)   ";
  if (c == "SN") return " (cm2)    ";
  if (c == "CN") return " (cm)     ";
  if (Es(c, {"ALTURA", "HM", "HO", "HPV", "DCO", "ALTE", "HF"})) return " (m)";
  if (c == "VCC") return arbol ? " (dm3)  " : " (m3/ha) ";
  if (c == "VSC") return arbol ? " (dm3)     " : " (m3/ha) ";
  if (Es(c, {"IAVC", "VLE"})) return arbol ? " (dm3)      " : " (m3/ha) ";
  if (Es(c, {"COR", "CRE", "DS"})) return " (mm)";
  if (Es(c, {"DCH", "DFF"})) return " (cm)";
  return "";
}

std::string DescripcionCampo(std::string_view campo) {
  static const std::array<std::pair<const char*, const char*>, 34> kDescripciones = {{
      {"NUMORDEN", "Número de orden asignado a cada pie mayor en el muestreo"},
      {"ESPECIE", "Código KAV de especie"},
      {"FORMA", "Forma de cubicación. [0-6]"},
      {"CALIDAD", "Calidad. [0-6]"},
      {"PARAMESP", "Parámetros especiales"},
      {"CD", "Clase diamétrica"},
      {"DN", "Diámetro normal medio"},
      {"ALTURA", "Altura total"},
      {"SN", "Sección normal"},
      {"CN", "Circunferencia normal"},
      {"VCC", "Volumen maderable con corteza"},
      {"VSC", "Volumen maderable sin corteza"},
      {"IAVC", "Incremento anual de volumen con corteza"},
      {"VLE", "Volumen de leñas gruesas"},
      {"N", "Número de pies por hectárea"},
      {"NTP", "Tanto por ciento de número de pies por hectárea"},
      {"AB", "Área Basimétrica en metros cuadrados por hectárea"},
      {"ABTP", "Tanto por ciento de area basimétrica"},
      {"DG", "Diámetro cuadrático medio"},
      {"DM", "Diámetro medio"},
      {"DO", "Diámetro dominante"},
      {"HM", "Altura media"},
      {"HO", "Altura dominante"},
      {"HART", "Índice de Hart"},
      {"REINEKE", "Índice de densidad del rodal (Índice de Reineke)"},
      {"COR", "Espesor de corteza"},
      {"DS", "Diámetro sin corteza"},
      {"DFF", "Diámetro fin de fuste"},
      {"DCH", "Diámetro a 4 m"},
      {"DCO", "Diámetro de copa"},
      {"HPV", "Altura del primer verticilo"},
      {"ALTE", "Altura estimada"},
      {"CRE", "Crecimiento diametral de cinco años"},
      {"HF", "Altura de fuste"},
  }};
  const std::string c = store::toUpperAscii(campo);
  for (const auto& [nombre, descripcion] : kDescripciones)
    if (c == nombre) return descripcion;
  return "";
}

std::string DescripcionDeCabecera(std::string_view cabecera) {
  return DescripcionCampo(store::trimView(cabecera.substr(0, cabecera.find('('))));
}

std::string DarFormato(std::string_view campo, const store::Value& valor, float anchoClase) {
  if (valor.isNull()) return "";
  if (valor.isText()) return SinBlancosFinales(valor.text());
  const float v = static_cast<float>(valor.number());
  const std::string c = store::toUpperAscii(campo);
  int decimales = -1;
  if (c == "CD") {
    if (anchoClase != std::floor(anchoClase)) decimales = 1;
  } else if (ConDosDecimales(c)) {
    decimales = 2;
  }
  if (decimales < 0) return calc::TextoNumeroLocal(v);
  const std::string texto = DecimalesFijos(v, decimales);
  return texto.empty() ? "0" : texto;
}

std::vector<shell::ColumnaVista> ColumnasVisor(const std::vector<std::string>& campos,
                                               std::string_view clave, float anchoClase) {
  std::vector<shell::ColumnaVista> r;
  for (const std::string& campo : campos) {
    shell::ColumnaVista col;
    col.cabecera = campo + Unidades(campo, clave);
    col.ayuda = DescripcionDeCabecera(col.cabecera);
    col.alineacion = shell::Alineacion::Derecha;
    col.formato = [campo, anchoClase](const store::Value& v) {
      return DarFormato(campo, v, anchoClase);
    };
    r.push_back(std::move(col));
  }
  return r;
}

Caja CajaInicialVisor(int anchoCliente, int altoCliente) {
  return {0, 0, std::max(0, anchoCliente - 500), std::max(0, altoCliente - 900)};
}

DisposicionVisor DisponerVisor(int anchoInterior, int altoInterior, int altoPestanas,
                               int altoRejillaActual, const std::array<int, 4>& anchosLinea) {
  DisposicionVisor d;
  const int ancho = std::max(0, anchoInterior - 200);
  d.pestanas = {48, 20, ancho, altoPestanas};
  d.rejilla = {48, d.pestanas.y + altoPestanas - 20, ancho, altoRejillaActual};
  if (altoInterior > 500) d.rejilla.alto = std::max(0, altoInterior - d.rejilla.y - 1000);
  d.yLineaInferior = d.rejilla.y + d.rejilla.alto + 100;
  int x = 48;
  for (std::size_t i = 0; i < anchosLinea.size(); ++i) {
    d.xLineaInferior[i] = x;
    x += anchosLinea[i] + 50;
  }
  return d;
}

// ---- ModeloVisorCalculos ----

ModeloVisorCalculos::ModeloVisorCalculos(const EstadoAplicacion& estado)
    : BDOut_(estado.rutas.BDOut),
      codigo_(estado.SufijoCalculos),
      anchoClase_(estado.opciones.AnchoClase),
      pestanas_(PestanasVisor(estado.opciones.TablasCalcular)) {
  MuestraCalculos(pestanas_.front().clave);
}

std::string ModeloVisorCalculos::nombreTablaMostrada() const {
  return std::string(pestanas_.at(static_cast<std::size_t>(actual_)).clave) + codigo_ + ".dbf";
}

void ModeloVisorCalculos::PulsarPestana(int indice) {
  pestanas_.at(static_cast<std::size_t>(indice));  // checked
  actual_ = indice;
  MuestraCalculos(pestanas_[static_cast<std::size_t>(indice)].clave);
}

void ModeloVisorCalculos::MuestraCalculos(const std::string& clave) {
  for (std::size_t i = 0; i < pestanas_.size(); ++i)
    if (MismaClave(pestanas_[i].clave, clave)) actual_ = static_cast<int>(i);
  seleccion_ = Seleccion::Ninguna;
  indiceSeleccion_ = -1;
  // The grid lets go of the table it showed before reading the next one.
  fuente_.reset();
  const std::string tabla = clave + codigo_;
  if (store::findFileNoCase(BDOut_, tabla + ".dbf").empty()) {
    fuente_ = std::make_shared<shell::FuenteTexto>(std::vector<shell::ColumnaVista>{});
    return;
  }
  // Only the cursor keeps the table loaded: nothing else of BDOut stays open.
  store::OpenOptions soloLectura;
  soloLectura.readOnly = true;
  store::Database db = store::Database::open(BDOut_, soloLectura);
  store::Cursor cursor = db.openCursor(tabla, store::CursorKind::Snapshot);
  db.close();
  std::vector<std::string> campos;
  for (int i = 0; i < cursor.fieldCount(); ++i) campos.push_back(cursor.fieldName(i));
  auto fuente = std::make_shared<shell::FuenteCursor>(std::move(cursor));
  const std::vector<shell::ColumnaVista> columnas = ColumnasVisor(campos, clave, anchoClase_);
  for (int c = 0; c < fuente->columnas(); ++c)
    fuente->columna(c) = columnas[static_cast<std::size_t>(c)];
  fuente_ = std::move(fuente);
}

std::string ModeloVisorCalculos::textoRegistros() const {
  return std::to_string(fuente_ ? fuente_->filas() : 0);
}

void ModeloVisorCalculos::PulsarCabecera(int columna) {
  if (columna < 0 || columna >= fuente_->columnas()) return;
  seleccion_ = Seleccion::Columna;
  indiceSeleccion_ = columna;
}

void ModeloVisorCalculos::PulsarFila(std::int64_t fila) {
  if (fila < 0 || fila >= fuente_->filas()) return;
  seleccion_ = Seleccion::Fila;
  indiceSeleccion_ = fila;
}

std::string ModeloVisorCalculos::etiqueta() const {
  switch (seleccion_) {
    case Seleccion::Columna:
      return "col" + std::to_string(indiceSeleccion_);
    case Seleccion::Fila:
      return "row" + std::to_string(indiceSeleccion_);
    case Seleccion::Ninguna:
      break;
  }
  return "";
}

bool ModeloVisorCalculos::Ordenar() {
  if (!ordenarHabilitado()) return false;
  fuente_->ordenarPorColumna(static_cast<int>(indiceSeleccion_));
  return true;
}

bool ModeloVisorCalculos::GuardarTabla(shell::Interaccion& ui) {
  const std::string nombre = nombreTablaMostrada();
  shell::DialogoArchivo dialogo;
  dialogo.titulo = "Guardar tabla " + nombre;
  dialogo.filtro = kFiltroGuardarTabla;
  dialogo.nombreInicial = nombre;
  const std::optional<std::string> elegido = ui.guardarArchivo(dialogo);
  if (!elegido) return false;
  bool copiada = false;
  shell::EjecutarOrden(ui, shell::FalloOrden::Prefijo("Error "), [&] {
    const std::string origen = store::findFileNoCase(BDOut_, nombre);
    if (origen.empty()) {
      throw store::StoreError(store::err::kArchivoNoEncontrado,
                              "No se encuentra la tabla " + nombre + " en " + BDOut_ + ".");
    }
    std::error_code ec;
    if (std::filesystem::equivalent(origen, *elegido, ec)) return;  // already there
    store::replaceFile(origen, *elegido);
    copiada = true;
  });
  return copiada;
}

}  // namespace arbelio::results
