#include "inventory/TablasInventario.h"

#include <cctype>
#include <cmath>
#include <stdexcept>

#include "store/Text.h"

namespace arbelio::inventory {

namespace {

using T = store::FieldType;

// The plot fields of the inventory, in the order of the plot sheet.
std::vector<CampoTabla> CamposParcela() {
  std::vector<CampoTabla> c = {
      {"PROVINCIA", T::Integer}, {"ESTADILLO", T::Integer}, {"ESTRATO", T::Integer},
      {"FECHGR", T::Text, 8},    {"CODGR", T::Text, 4},     {"VERIFICA", T::Text, 1},
      {"FECHAVE", T::Text, 8},   {"CODVE", T::Text, 4},     {"HOJA", T::Integer},
      {"COORDEX", T::Text, 3},   {"COORDEY", T::Text, 4},   {"MUNICI", T::Text, 3},
      {"VUELO", T::Text, 6},     {"FOTO", T::Text, 8},      {"ANO", T::Integer},
      {"CLASUELO", T::Byte},     {"ESPESOR", T::Byte},      {"CLACOBER", T::Byte},
      {"FRACCAB", T::Integer},
  };
  // Free-text codes of the plot sheet: ownership, altitude, slope, land use, stand
  // composition, erosion, damage, aspect.
  const std::vector<std::pair<const char*, int>> texto = {
      {"PROPIED1", 2},  {"PROPIED2", 2},  {"AREAPRO1", 3},  {"AREAPRO2", 3},  {"ALTITUD1", 4},
      {"ALTITUD2", 4},  {"PENDIEN1", 2},  {"PENDIEN2", 2},  {"USO1", 2},      {"USO2", 2},
      {"FRACCION1", 3}, {"FRACCION2", 3}, {"ESPECIA11", 3}, {"ESPECIA12", 3}, {"OCUPA11", 2},
      {"OCUPA12", 2},   {"ESTADA11", 2},  {"ESTADA12", 2},  {"ESPECIA21", 3}, {"ESPECIA22", 3},
      {"OCUPA21", 2},   {"OCUPA22", 2},   {"ESTADA21", 2},  {"ESTADA22", 2},  {"ESPECIA31", 3},
      {"ESPECIA32", 3}, {"OCUPA31", 2},   {"OCUPA32", 2},   {"ESTADA31", 2},  {"ESTADA32", 2},
      {"ESPECIB1", 3},  {"MASAB1", 2},    {"ORIGEB1", 2},   {"EDADB1", 3},    {"ESPECIB2", 3},
      {"MASAB2", 2},    {"ORIGEB2", 2},   {"EDADB2", 3},    {"ESPECIB3", 3},  {"MASAB3", 2},
      {"ORIGEB3", 2},   {"EDADB3", 3},    {"ESPECIE1", 3},  {"ESPECIE2", 3},  {"ESPECIE3", 3},
      {"ESPECIE4", 3},  {"ESPECIE5", 3},  {"ESPECIE6", 3},  {"ESPECIE7", 3},  {"CUBIERTA", 2},
      {"MEROSIVA1", 2}, {"MEROSIVA2", 2}, {"MEROSIVA3", 2}, {"MEROSIVA4", 2}, {"DISESPAC", 2},
      {"COMPESPE", 2},  {"PREPSUEL1", 2}, {"PREPSUEL2", 2}, {"TRAVUELO1", 2}, {"TRAVUELO2", 2},
      {"CORTAS", 20},   {"DANOS1", 2},    {"DANOS2", 2},    {"DANOS3", 2},    {"ORIENTA1", 2},
      {"ORIENTA2", 2},  {"MAXPEND1", 2},  {"MAXPEND2", 2}};
  for (const auto& [nombre, tamano] : texto) c.push_back({nombre, T::Text, tamano});
  return c;
}

std::vector<CampoTabla> ClaveArbol() {
  return {{"PROVINCIA", T::Integer}, {"ESTADILLO", T::Integer}, {"NUMORDEN", T::Integer}};
}

}  // namespace

std::optional<std::int16_t> ClaveDeParcela(const store::Value& v) {
  if (!v.isNumber()) return std::nullopt;
  const double d = v.number();
  if (!(d >= 1 && d <= 32767) || d != std::floor(d)) return std::nullopt;
  return static_cast<std::int16_t>(d);
}

int LayoutTabla::posicion(std::string_view campo) const {
  for (std::size_t i = 0; i < campos.size(); ++i) {
    if (store::equalsNoCase(campos[i].nombre, campo)) return static_cast<int>(i);
  }
  return -1;
}

LayoutTabla LayoutDatest() {
  return {"Datest", CamposParcela()};
}

LayoutTabla LayoutDatDef() {
  LayoutTabla l{"DatDef", CamposParcela()};
  for (const char* c : kCamposResumenParcela) l.campos.push_back({c, T::Integer});
  return l;
}

LayoutTabla LayoutPiesma() {
  LayoutTabla l{"Piesma", ClaveArbol()};
  l.campos.insert(l.campos.end(), {{"ARBOL", T::Integer},
                                   {"ESPECIE", T::Integer},
                                   {"RUMBO", T::Integer},
                                   {"DISTANCI", T::Double},
                                   {"DIAMETRO1", T::Integer},
                                   {"DIAMETRO2", T::Integer},
                                   {"ALTURA", T::Double},
                                   {"CALIDAD", T::Byte},
                                   {"FORMA", T::Byte},
                                   {"PARAMESP", T::Text, 3},
                                   {"TIPO", T::Integer}});
  return l;
}

LayoutTabla LayoutPiesme() {
  LayoutTabla l{"Piesme", ClaveArbol()};
  l.campos.insert(l.campos.end(), {{"ESPECIE", T::Integer},
                                   {"NUMERO", T::Integer},
                                   {"ALTUMED", T::Integer},
                                   {"REGENA", T::Byte}});
  return l;
}

LayoutTabla LayoutTiposx() {
  LayoutTabla l{"Tiposx", ClaveArbol()};
  l.campos.insert(l.campos.end(), {{"TIPO", T::Integer},
                                   {"ARBOL", T::Integer},
                                   {"ESPECIE", T::Integer},
                                   {"DIAMETRO1", T::Integer},
                                   {"DIAMETRO2", T::Integer},
                                   {"ALTURA", T::Double},
                                   {"DIAMCOPA1", T::Double},
                                   {"DIAMCOPA2", T::Double},
                                   {"CORTEZA1", T::Integer},
                                   {"CORTEZA2", T::Integer},
                                   {"CRECIM1", T::Double},
                                   {"CRECIM2", T::Double},
                                   {"DIAMETR4", T::Double},
                                   {"DIAMFF", T::Double},
                                   {"ALTURFF", T::Double},
                                   {"ALTUPV", T::Double}});
  return l;
}

LayoutTabla LayoutMatorr() {
  LayoutTabla l{"Matorr", ClaveArbol()};
  l.campos.insert(l.campos.end(),
                  {{"ESPECIE", T::Integer}, {"FRACCAB", T::Integer}, {"ALTUMED", T::Integer}});
  return l;
}

LayoutTabla LayoutEspeci() {
  return {"Especi",
          {{"PROVINCIA", T::Integer},
           {"ESTADILLO", T::Integer},
           {"ESPECIE", T::Text, 3},
           {"NUMPM", T::Single},
           {"AREABASI", T::Single},
           {"PORCENPM", T::Single},
           {"PORCENAB", T::Single}}};
}

LayoutTabla LayoutInfCor() {
  return {"InfCor",
          {{"DESCRIPCIO", T::Text, 254},
           {"CRITERIOS", T::Memo},
           {"FECHACREAC", T::Date},
           {"HORACREAC", T::Text, 5},
           {"NUMESTADIS", T::Long},
           {"NUMPIESMAS", T::Long}}};
}

LayoutTabla LayoutEcuas() {
  return {"Ecuas",
          {{"Especie", T::Integer},
           {"forma", T::Byte},
           {"calidad", T::Byte},
           {"variable", T::Text, 4},
           {"idmodelo", T::Long},
           {"idecuacion", T::Long}}};
}

LayoutTabla LayoutModels() {
  return {"Models", {{"idmodelo", T::Long}, {"modelo", T::Text, 254}}};
}

LayoutTabla LayoutParams() {
  return {"Params",
          {{"idecuacion", T::Long}, {"parametro", T::Text, 4}, {"valorparam", T::Double}}};
}

LayoutTabla LayoutPorNombre(std::string_view nombreBase) {
  using Fabrica = LayoutTabla (*)();
  static const std::pair<const char*, Fabrica> kFabricas[] = {
      {"Datest", LayoutDatest}, {"DatDef", LayoutDatDef}, {"Piesma", LayoutPiesma},
      {"Piesme", LayoutPiesme}, {"Tiposx", LayoutTiposx}, {"Matorr", LayoutMatorr},
      {"Especi", LayoutEspeci}, {"InfCor", LayoutInfCor}, {"Ecuas", LayoutEcuas},
      {"Models", LayoutModels}, {"Params", LayoutParams}};
  for (const auto& [nombre, fabrica] : kFabricas) {
    if (store::equalsNoCase(nombre, nombreBase)) return fabrica();
  }
  throw std::invalid_argument("Tabla sin estructura conocida: " + std::string(nombreBase));
}

}  // namespace arbelio::inventory
