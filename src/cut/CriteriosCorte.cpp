#include "cut/CriteriosCorte.h"

#include <cmath>

#include "store/StoreError.h"
#include "store/Text.h"

namespace arbelio::cut {

namespace {

constexpr const char* kCrLf = "\r\n";

const std::string& Celda(const FilaCriterio& fila, std::size_t i) {
  static const std::string vacia;
  return i < fila.size() ? fila[i] : vacia;
}

bool Vacia(const std::string& s) {
  return store::trimSpaces(s).empty();
}

bool TerminaEnPorcentaje(const std::string& s) {
  return !s.empty() && s.back() == '%';
}

// A cell that the SQL takes as a whole number: its value rounded to an integer, written as
// plain decimal digits. A cell that is not a number fails as a type mismatch.
std::string EnteroSql(const std::string& celda) {
  double v = 0;
  if (!store::parseNumber(celda, v))
    throw store::StoreError(store::err::kTipoNoCoincide, "No coinciden los tipos");
  const double r = std::nearbyint(v);
  if (r < -32768.0 || r > 32767.0) throw store::StoreError(6, "Desbordamiento");
  return std::to_string(static_cast<int>(r));
}

// "(X, Y)" -> X and Y: the parentheses stripped, X before the comma, Y after ", ".
std::pair<std::string, std::string> Esquina(const std::string& celda) {
  const std::string s = celda.size() >= 2 ? celda.substr(1, celda.size() - 2) : std::string();
  const std::size_t coma = s.find(',');
  const std::string x = coma == std::string::npos ? s : s.substr(0, coma);
  const std::size_t sep = s.find(", ");
  std::string y;
  if (sep != std::string::npos) {
    y = s.substr(sep + 2);
  } else if (coma != std::string::npos) {
    y = s.substr(coma + 1);
  }
  return {x, y};
}

}  // namespace

const std::array<TipoCriterio, kNumCriterios>& TiposCriterio() {
  static const std::array<TipoCriterio, kNumCriterios> tipos = {{
      {"Especies", "Especies", " * Especie: ", "MSFlexGridEspecies", {"Especie", "AB", "Nº PM"}},
      {"Var. Masa", "Masa", " * Variables de Masa: ", "MSFlexGridMasa", {"AB", "Nº PM"}},
      {"UTM", "UTM", " * Geográficos: ", "MSFlexGridRecintos", {"Huso", "(X1,Y1)", "(X2,Y2)"}},
      {"Municipios",
       "Municipios",
       " * Municipios: ",
       "MSFlexGridMunicipios",
       {"Provincia", "Municipio"}},
      {"Parcelas",
       "Parcelas",
       " * Número de Parcela: ",
       "MSFlexGridParcelas",
       {"Provincia", "Parcela"}},
  }};
  return tipos;
}

std::shared_ptr<shell::FuenteTexto> NuevaRejillaCriterio(int criterio) {
  std::vector<shell::ColumnaVista> columnas;
  for (const char* c : TiposCriterio().at(static_cast<std::size_t>(criterio)).cabeceras) {
    shell::ColumnaVista v;
    v.cabecera = c;
    v.alineacion = shell::Alineacion::Derecha;
    columnas.push_back(std::move(v));
  }
  return std::make_shared<shell::FuenteTexto>(std::move(columnas), kFilasRejillaCriterio);
}

bool FilaParticipa(int criterio, const FilaCriterio& fila) {
  if (criterio == kCriterioMasa) return !Vacia(Celda(fila, 0)) || !Vacia(Celda(fila, 1));
  return !Vacia(Celda(fila, 0));
}

std::vector<FilaCriterio> FilasQueParticipan(int criterio, const shell::FuenteTexto& rejilla) {
  std::vector<FilaCriterio> filas;
  for (const auto& f : rejilla.todas())
    if (FilaParticipa(criterio, f)) filas.push_back(f);
  return filas;
}

std::string SqlEspecie(const FilaCriterio& fila) {
  const std::string& especie = Celda(fila, 0);
  const std::string& ab = Celda(fila, 1);
  const std::string& pm = Celda(fila, 2);
  std::string clausulaPm;
  if (!pm.empty()) {
    clausulaPm = TerminaEnPorcentaje(pm) ? " AND PORCENPM " + pm.substr(0, pm.size() - 1)
                                         : " AND NUMPM " + pm;
  }
  std::string clausulaAb;
  if (!ab.empty()) {
    clausulaAb = TerminaEnPorcentaje(ab) ? " AND PORCENAB " + ab.substr(0, ab.size() - 1)
                                         : " AND AREABASI " + ab;
  }
  return "SELECT * FROM ESPECI00 WHERE ESPECIE='" + especie + "'" + clausulaPm + clausulaAb;
}

std::string SqlMasa(const FilaCriterio& fila) {
  const std::string& ab = Celda(fila, 0);
  const std::string& pm = Celda(fila, 1);
  const std::string parteAb = ab.empty() ? std::string() : " SUM(AREABASI)" + ab;
  std::string partePm;
  if (!pm.empty()) partePm = (parteAb.empty() ? "SUM(NUMPM)" : " AND SUM(NUMPM)") + pm;
  return std::string("SELECT ESTADILLO, PROVINCIA, SUM(NUMPM), SUM(AREABASI) FROM ESPECI00") +
         " GROUP BY PROVINCIA, ESTADILLO HAVING " + parteAb + partePm;
}

std::string SqlCoordenadas(const FilaCriterio& fila) {
  const auto [x1, y1] = Esquina(Celda(fila, 1));
  const auto [x2, y2] = Esquina(Celda(fila, 2));
  return "SELECT * FROM DATDEF00 WHERE HUSO=" + EnteroSql(Celda(fila, 0)) + " AND COORDEX >='" +
         x1 + "' AND COORDEX <='" + x2 + "' AND COORDEY >='" + y1 + "' AND COORDEY <='" + y2 + "'";
}

std::string SqlMunicipio(const FilaCriterio& fila) {
  return "SELECT * FROM DATDEF00 WHERE PROVINCIA=" + EnteroSql(Celda(fila, 0)) + " AND MUNICI='" +
         Celda(fila, 1) + "'";
}

std::string SqlParcelas(const FilaCriterio& fila) {
  return "SELECT * FROM DATDEF00 WHERE PROVINCIA=" + EnteroSql(Celda(fila, 0)) +
         " AND ESTADILLO=" + EnteroSql(Celda(fila, 1));
}

std::string InformeTitulo(int criterio) {
  return std::string(kCrLf) + "\t" + TiposCriterio().at(static_cast<std::size_t>(criterio)).titulo +
         kCrLf;
}

std::string InformeCombinacionEspecies(bool todos) {
  return std::string("\t (Parcelas que cumplen") + (todos ? " TODOS los " : " ALGUNO de los ") +
         "criterios de especie que siguen.)" + kCrLf;
}

std::string InformeFila(const std::vector<std::string>& celdas) {
  std::string s = "\t\t";
  for (std::size_t i = 0; i < celdas.size(); ++i) s += (i ? "\t" : "") + celdas[i];
  return s + kCrLf;
}

CriteriosCorte::CriteriosCorte() {
  for (int i = 0; i < kNumCriterios; ++i)
    rejillas[static_cast<std::size_t>(i)] = NuevaRejillaCriterio(i);
}

AplicacionCriterios::AplicacionCriterios(store::Database& trabajo, const CriteriosCorte& criterios,
                                         inventory::ListaDeParcelas& lista, std::string& informe,
                                         std::int32_t& parcelasCeroPies)
    : trabajo_(trabajo),
      criterios_(criterios),
      lista_(lista),
      informe_(informe),
      ceroPies_(parcelasCeroPies) {}

void AplicacionCriterios::AplicarCriterio(int indice, bool anadir) {
  if (!anadir) marcas_.emplace(lista_);
  switch (indice) {
    case kCriterioEspecies:
      AplicarCriteriosEspecie(anadir);
      break;
    case kCriterioMasa:
      AplicarCriteriosMasa(anadir);
      break;
    case kCriterioUtm:
      AplicarCriteriosCoordenadas(anadir);
      break;
    case kCriterioMunicipios:
      AplicarCriteriosMunicipio(anadir);
      break;
    case kCriterioParcelas:
      AplicarCriteriosParcelas(anadir);
      break;
    default:
      break;
  }
}

void AplicacionCriterios::ConservarMarcadas() {
  if (!marcas_) marcas_.emplace(lista_);
  cut::ConservarMarcadas(lista_, *marcas_);
  marcas_.reset();
}

void AplicacionCriterios::Entregar(std::int16_t provincia, std::int16_t estadillo, bool anadir) {
  if (anadir) {
    AnadirParcela(lista_, provincia, estadillo);
  } else {
    if (!marcas_) marcas_.emplace(lista_);
    marcas_->MarcarParcela(provincia, estadillo);
  }
}

bool AplicacionCriterios::SinPiesMayores(std::int16_t provincia, std::int16_t estadillo) {
  if (!datDef_) datDef_ = trabajo_.openCursor("DATDEF00", store::CursorKind::Snapshot);
  datDef_->findFirst("PROVINCIA=" + std::to_string(provincia) +
                     " AND ESTADILLO=" + std::to_string(estadillo));
  if (datDef_->noMatch()) return false;
  const store::Value v = datDef_->value("NUMPMA");
  return !v.isNull() && v.toDouble() == 0;
}

template <typename Destino>
void AplicacionCriterios::Recorrer(const std::string& sql, bool deDatDef, Destino entregar) {
  store::Cursor c = trabajo_.openCursor(sql, store::CursorKind::Snapshot);
  const int cProvincia = c.fieldIndex("PROVINCIA");
  const int cEstadillo = c.fieldIndex("ESTADILLO");
  const int cNumPma = deDatDef ? c.fieldIndex("NUMPMA") : -1;
  if (cProvincia < 0 || cEstadillo < 0) {
    throw store::StoreError(store::err::kElementoNoEncontrado,
                            "No se encontró el elemento en esta colección.");
  }
  const bool filtro = criterios_.CheckEliminarParcelasCeroPM;
  for (; !c.eof(); c.moveNext()) {
    const auto provincia = static_cast<std::int16_t>(c.value(cProvincia).toInt16());
    const auto estadillo = static_cast<std::int16_t>(c.value(cEstadillo).toInt16());
    if (filtro) {
      bool cero = false;
      if (deDatDef) {
        const store::Value v = cNumPma >= 0 ? c.value(cNumPma) : store::Value();
        cero = !v.isNull() && v.toDouble() == 0;
      } else {
        cero = SinPiesMayores(provincia, estadillo);
      }
      if (cero) {
        ++ceroPies_;
        continue;
      }
    }
    entregar(provincia, estadillo);
  }
}

std::vector<FilaCriterio> AplicacionCriterios::Cabecera(int criterio) {
  const TipoCriterio& tipo = TiposCriterio().at(static_cast<std::size_t>(criterio));
  informe_ += InformeTitulo(criterio);
  if (criterio == kCriterioEspecies) informe_ += InformeCombinacionEspecies(criterios_.OptionY);
  informe_ += InformeFila({tipo.cabeceras.begin(), tipo.cabeceras.end()});
  return FilasQueParticipan(criterio, *criterios_.rejillas[static_cast<std::size_t>(criterio)]);
}

void AplicacionCriterios::AplicarCriteriosEspecie(bool anadir) {
  const std::vector<FilaCriterio> filas = Cabecera(kCriterioEspecies);
  inventory::ListaDeParcelas especie;  // ListaParcelasEspecie
  const bool todos = criterios_.OptionY;
  bool primera = true;
  for (const FilaCriterio& fila : filas) {
    informe_ += InformeFila(fila);
    std::optional<MarcasParcelas> marcas;
    if (todos && !primera) marcas.emplace(especie);
    Recorrer(SqlEspecie(fila), false, [&](std::int16_t p, std::int16_t e) {
      if (marcas) {
        marcas->MarcarParcela(p, e);
      } else {
        AnadirParcela(especie, p, e);
      }
    });
    if (marcas) cut::ConservarMarcadas(especie, *marcas);
    primera = false;
  }
  for (const inventory::Parcela& p : ParcelasDeLista(especie))
    Entregar(p.provincia, p.estadillo, anadir);
}

void AplicacionCriterios::AplicarCriteriosMasa(bool anadir) {
  for (const FilaCriterio& fila : Cabecera(kCriterioMasa)) {
    informe_ += InformeFila(fila);
    Recorrer(SqlMasa(fila), false, [&](std::int16_t p, std::int16_t e) { Entregar(p, e, anadir); });
  }
}

void AplicacionCriterios::AplicarCriteriosCoordenadas(bool anadir) {
  for (const FilaCriterio& fila : Cabecera(kCriterioUtm)) {
    informe_ += InformeFila(fila);
    Recorrer(SqlCoordenadas(fila), true,
             [&](std::int16_t p, std::int16_t e) { Entregar(p, e, anadir); });
  }
}

void AplicacionCriterios::AplicarCriteriosMunicipio(bool anadir) {
  for (const FilaCriterio& fila : Cabecera(kCriterioMunicipios)) {
    informe_ += InformeFila(fila);
    Recorrer(SqlMunicipio(fila), true,
             [&](std::int16_t p, std::int16_t e) { Entregar(p, e, anadir); });
  }
}

void AplicacionCriterios::AplicarCriteriosParcelas(bool anadir) {
  for (const FilaCriterio& fila : Cabecera(kCriterioParcelas)) {
    informe_ += InformeFila(fila);
    Recorrer(SqlParcelas(fila), true,
             [&](std::int16_t p, std::int16_t e) { Entregar(p, e, anadir); });
  }
}

}  // namespace arbelio::cut
