#include "inventory/ModuleCodeInf.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "store/Text.h"

namespace arbelio::ModuleCodeInf {

namespace {

constexpr std::array<const char*, 50> kProvincias = {"Álava",       "Albacete",
                                                     "Alicante",    "Almería",
                                                     "Ávila",       "Badajoz",
                                                     "Baleares",    "Barcelona",
                                                     "Burgos",      "Cáceres",
                                                     "Cádiz",       "Castellón",
                                                     "Ciudad Real", "Córdoba",
                                                     "La Coruña",   "Cuenca",
                                                     "Gerona",      "Granada",
                                                     "Guadalajara", "Guipúzcoa",
                                                     "Huelva",      "Huesca",
                                                     "Jaén",        "León",
                                                     "Lérida",      "La Rioja",
                                                     "Lugo",        "Madrid",
                                                     "Málaga",      "Murcia",
                                                     "Navarra",     "Orense",
                                                     "Asturias",    "Palencia",
                                                     "Las Palmas",  "Pontevedra",
                                                     "Salamanca",   "Santa Cruz de Tenerife",
                                                     "Cantabria",   "Segovia",
                                                     "Sevilla",     "Soria",
                                                     "Tarragona",   "Teruel",
                                                     "Toledo",      "Valencia",
                                                     "Valladolid",  "Vizcaya",
                                                     "Zamora",      "Zaragoza"};

constexpr std::array<const char*, 13> kAgrupaciones = {"Varias provincias de Andalucía",
                                                       "Varias provincias de Aragón",
                                                       "Varias provincias de Canarias",
                                                       "Varias provincias de Castilla y León",
                                                       "Varias provincias de Castilla-La Mancha",
                                                       "Varias provincias de Cataluña",
                                                       "Varias provincias de Valencia",
                                                       "Varias provincias de Extremadura",
                                                       "Varias provincias de Galicia",
                                                       "Varias provincias del País Vasco",
                                                       "Varias provincias de varias comunidades",
                                                       "Varias provincias no regionalizables",
                                                       "Extranjero"};

struct Especie {
  int codigo;
  const char* nombre;
};

constexpr Especie kEspecies[] = {
    {3, "Frangula alnus"},
    {4, "Rhamnus alaternus"},
    {5, "Euonymus europaeus"},
    {6, "Myrtus communis"},
    {7, "Acacia sp."},
    {8, "Phillyrea latifolia"},
    {9, "Cornus sanguinea"},
    {11, "Ailanthus altissima"},
    {12, "Malus sylvestris"},
    {13, "Celtis australis"},
    {14, "Taxus baccata"},
    {15, "Crataegus sp."},
    {16, "Pyrus sp."},
    {17, "Cedrus sp."},
    {18, "Chamaecyparis lawsoniana"},
    {21, "Pinus sylvestris"},
    {22, "Pinus uncinata"},
    {23, "Pinus pinea"},
    {24, "Pinus halepensis"},
    {25, "Pinus nigra"},
    {26, "Pinus pinaster"},
    {27, "Pinus canariensis"},
    {28, "Pinus radiata"},
    {31, "Abies alba"},
    {32, "Abies pinsapo"},
    {33, "Picea abies"},
    {34, "Pseudotsuga menziesii"},
    {35, "Larix sp."},
    {36, "Cupressus sp."},
    {37, "Juniperus sp."},
    {38, "Juniperus thurifera"},
    {39, "Juniperus phoenicea"},
    {41, "Quercus robur"},
    {42, "Quercus petraea"},
    {43, "Quercus pyrenaica"},
    {44, "Quercus faginea"},
    {45, "Quercus ilex"},
    {46, "Quercus suber"},
    {47, "Quercus canariensis"},
    {48, "Quercus borealis"},
    {51, "Populus alba"},
    {52, "Populus tremula"},
    {53, "Tamarix sp."},
    {54, "Alnus glutinosa"},
    {55, "Fraxinus sp."},
    {56, "Ulmus sp."},
    {57, "Salix sp."},
    {58, "Populus nigra"},
    {61, "Eucalyptus globulus"},
    {62, "Eucalyptus camaldulensis"},
    {65, "Ilex aquifolium"},
    {66, "Olea europaea"},
    {67, "Ceratonia siliqua"},
    {68, "Arbutus unedo"},
    {69, "Phoenix sp."},
    {71, "Fagus sylvatica"},
    {72, "Castanea sativa"},
    {73, "Betula sp."},
    {74, "Corylus avellana"},
    {75, "Juglans regia"},
    {76, "Acer sp."},
    {77, "Tilia sp."},
    {78, "Sorbus sp."},
    {79, "Platanus sp."},
    {81, "Myrica faya"},
    {82, "Ilex canariensis"},
    {83, "Erica arborea"},
    {84, "Persea indica"},
    {85, "Myrsine sp."},
    {86, "Notelaea excelsa"},
    {87, "Ocotea phoetens"},
    {88, "Apollonias canariensis"},
    {91, "Buxus sempervirens"},
    {92, "Robinia pseudacacia"},
    {93, "Pistacia therebinthus"},
    {94, "Laurus nobilis"},
    {95, "Prunus sp."},
    {96, "Rhus coriaria"},
    {97, "Sambucus nigra"},
    {98, "Carpinus betulus"},
    {101, "Cistus spp."},
    {102, "Erica spp."},
    {103, "Ulex..."},
    {104, "Erinacea..."},
    {105, "Quercus coccifera"},
    {106, "Calluna vulgaris"},
    {107, "Arctostaphylos uva-ursi"},
    {108, "Rhododendron spp."},
    {109, "Crataegus spp."},
    {110, "Myrtus comunis"},
    {111, "Pistacia lentiscus"},
    {112, "Ligustrum vulgare"},
    {113, "Phyllirea spp."},
    {114, "Rosmarinus officinalis"},
    {115, "Viburnum spp."},
    {116, "Berberis vulgaris"},
    {117, "Halimium spp."},
    {118, "Cotoneaster spp."},
    {119, "Rosa spp."},
    {120, "Cornus sanguinea"},
    {121, "Euonymus europaeus"},
    {122, "Rhamnus spp."},
    {123, "Zizyphus lotus"},
    {124, "Bupleurum spp."},
    {125, "Anthyllis cytisoides"},
    {126, "Artemisa herba-alta"},
    {127, "Santolina rosmarinifolia"},
    {128, "Helichrysum spp."},
    {129, "Thymus spp."},
};

struct Descripcion {
  const char* campo;
  const char* texto;
};

constexpr Descripcion kDescripciones[] = {
    {"PROVINCIA", "código IGN de provincia"},
    {"ESTADILLO", "número de parcela"},
    {"NUMPMA", "número de pies mayores en la parcela"},
    {"NUMTIP", "número de árboles tipo en la parcela"},
    {"NUMPME", "número de pies menores en la parcela"},
    {"NUMMAT", "matorral"},
    {"HUSO", "huso UTM"},
    {"COORDEX", "coordenada UTM X"},
    {"COORDEY", "coordenada UTM Y"},
    {"MUNICI", "código IGN de municipio"},
    {"ESTRATO", "número de estrato del KAV"},
    {"FECHGR", "fechgr"},
    {"CODGR", "codgr"},
    {"VERIFICA", "verificado"},
    {"FECHAVE", "fecha de verificación"},
    {"CODVE", "código de verificación"},
    {"HOJA", "hoja del IGN"},
    {"VUELO", "vuelo"},
    {"FOTO", "foto"},
    {"ANO", "año"},
    {"CLASUELO", "clase de suelo"},
    {"ESPESOR", ""},
    {"CLACOBER", "clase de cobertura"},
    {"TIPO", "número de árbol tipo correspondiente"},
    {"ARBOL", "número de árbol"},
    {"RUMBO", "rumbo del árbol respecto al centro en grados centesimales"},
    {"DISTANCI", "distancia del árbol respecto al centro en metros"},
    {"DIAMETRO1", "un diámetro normal en milímetros"},
    {"DIAMETRO2", "otro diámetro, perpendicular al anterior"},
    {"ALTURA", "altura total en metros"},
    {"PARAMESP", "parámetros especiales según código"},
    {"NUMERO", "cantidad de especies en la parcela"},
    {"ALTUMED", "altura total media en decímetross"},
    {"REGENA", "regeneración"},
    {"DIAMCOPA1", "un diámetro de la copa en metros"},
    {"DIAMCOPA2", "otro diámetro de copa, perpendicular al anterior"},
    {"CORTEZA1", "espesor diametral 1 de la corteza en milímetros"},
    {"CORTEZA2", "espesor diametral 2 de la corteza en milímetros"},
    {"CRECIM1", "crecimiento en cm, en una dirección"},
    {"CRECIM2", "crecimiento en cm, en dirección perpendicular a al anterior"},
    {"DIAMETR4", "diámetro a 4 metros de altura, en cm"},
    {"DIAMFF", "diámetro a fin de fuste, en cm"},
    {"ALTURFF", "altura a fin de fuste en metros"},
    {"ALTUPV", "altura del primer verticilo vivo en metros"},
    {"FRACCAB", "fracción de cabida cubierta"},
    {"NUMPM", "pies mayores opr hectárea"},
    {"PORCENPM", "porcentaje de pies mayores"},
    {"AREABASI", "área basimétrica en m^2/hectárea"},
    {"PORCENAB", "porcentaje de área basimétrica"},
    {"NUMORDEN", "número de árbol"},
    {"ESPECIE", "código KAV de especie"},
    {"FORMA", "forma de cubicación. [0-6]"},
    {"CALIDAD", "calidad. [0-6]"},
};

// Plot fields of the inventory described only as free text.
constexpr const char* kCamposTexto[] = {
    "PROPIED1",  "PROPIED2",  "AREAPRO1",  "AREAPRO2",  "ALTITUD1",  "ALTITUD2",  "PENDIEN1",
    "PENDIEN2",  "USO1",      "USO2",      "FRACCION1", "FRACCION2", "ESPECIA11", "ESPECIA12",
    "OCUPA11",   "OCUPA12",   "ESTADA11",  "ESTADA12",  "ESPECIA21", "ESPECIA22", "OCUPA21",
    "OCUPA22",   "ESTADA21",  "ESTADA22",  "ESPECIA31", "ESPECIA32", "OCUPA31",   "OCUPA32",
    "ESTADA31",  "ESTADA32",  "ESPECIB1",  "MASAB1",    "ORIGEB1",   "EDADB1",    "ESPECIB2",
    "MASAB2",    "ORIGEB2",   "EDADB2",    "ESPECIB3",  "MASAB3",    "ORIGEB3",   "EDADB3",
    "ESPECIE1",  "ESPECIE2",  "ESPECIE3",  "ESPECIE4",  "ESPECIE5",  "ESPECIE6",  "ESPECIE7",
    "CUBIERTA",  "MEROSIVA1", "MEROSIVA2", "MEROSIVA3", "MEROSIVA4", "DISESPAC",  "COMPESPE",
    "PREPSUEL1", "PREPSUEL2", "TRAVUELO1", "TRAVUELO2", "CORTAS",    "DANOS1",    "DANOS2",
    "DANOS3",    "ORIENTA1",  "ORIENTA2",  "MAXPEND1",  "MAXPEND2"};

}  // namespace

std::string NombreProvincia(std::int16_t codigo) {
  if (codigo >= 1 && codigo <= 50) return kProvincias[codigo - 1];
  if (codigo == 55) return "Ceuta";
  if (codigo == 56) return "Melilla";
  if (codigo >= 80 && codigo <= 92) return kAgrupaciones[codigo - 80];
  return "Desconocida";
}

std::string NombreEspecie(std::int16_t codigo) {
  for (const Especie& e : kEspecies) {
    if (e.codigo == codigo) return e.nombre;
  }
  return std::to_string(codigo);
}

std::string DescripcionCampo(std::string_view columna) {
  std::string nombre;
  if (auto p = columna.find('('); p != std::string_view::npos) {
    // Field names are ASCII, so a byte-wise upper case is enough.
    nombre = store::toUpperAscii(store::trimView(columna.substr(0, p)));
  } else {
    nombre = std::string(columna);
  }
  for (const Descripcion& d : kDescripciones) {
    if (nombre == d.campo) return d.texto;
  }
  for (const char* campo : kCamposTexto) {
    if (nombre == campo) return "texto";
  }
  return "desconocido";
}

}  // namespace arbelio::ModuleCodeInf
