#include "inventory/GeneradorMuestra.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "inventory/BasesAuxiliares.h"
#include "inventory/Constantes.h"
#include "inventory/MallaMTN50.h"

namespace arbelio::inventory {

using store::Value;

// ---- random numbers ----

std::uint64_t Aleatorio::siguiente() {
  std::uint64_t z = (estado_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double Aleatorio::uniforme() {
  return static_cast<double>(siguiente() >> 11) * 0x1.0p-53;
}

double Aleatorio::uniforme(double a, double b) {
  return a + (b - a) * uniforme();
}

int Aleatorio::entero(int a, int b) {
  const auto n = static_cast<std::uint64_t>(b - a + 1);
  return a + static_cast<int>(siguiente() % n);
}

double Aleatorio::normal() {
  // Box-Muller; the results are rounded to field precision, far above any libm difference.
  const double u1 = 1.0 - uniforme();
  const double u2 = uniforme();
  return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

int Aleatorio::poisson(double media) {
  const double limite = std::exp(-media);
  int k = 0;
  double p = uniforme();
  while (p > limite) {
    ++k;
    p *= uniforme();
  }
  return k;
}

std::size_t Aleatorio::elige(const std::vector<double>& pesos) {
  double total = 0;
  for (double p : pesos) total += p;
  double x = uniforme() * total;
  for (std::size_t i = 0; i < pesos.size(); ++i) {
    if (x < pesos[i]) return i;
    x -= pesos[i];
  }
  return pesos.size() - 1;
}

// ---- tables ----

const Value& TablaSintetica::valor(std::size_t fila, std::string_view campo) const {
  const int pos = layout.posicion(campo);
  if (pos < 0) throw ErrorDatos("Campo desconocido: " + std::string(campo));
  return filas.at(fila).at(static_cast<std::size_t>(pos));
}

std::string NombreArchivoProvincial(const std::string& base, int provincia) {
  char codigo[8];
  std::snprintf(codigo, sizeof codigo, "%02d", provincia);
  return base + codigo + ".dbf";
}

namespace {

struct Zona {
  double lat, lon, dlat, dlon;
};

// Approximate centre and half extents (degrees) of each province, for placing plots.
constexpr Zona kZonas[50] = {
    {42.83, -2.72, .20, .35}, {38.80, -1.90, .60, .80},   {38.45, -0.55, .35, .40},
    {37.15, -2.30, .40, .55}, {40.55, -4.90, .35, .55},   {38.70, -6.20, .50, .90},
    {39.60, 2.95, .30, .50},  {41.70, 2.00, .35, .40},    {42.30, -3.60, .60, .55},
    {39.70, -6.10, .50, .80}, {36.60, -5.70, .40, .40},   {40.15, -0.20, .40, .40},
    {38.90, -3.80, .45, .85}, {37.90, -4.75, .55, .50},   {43.10, -8.40, .35, .45},
    {40.00, -2.10, .55, .65}, {42.10, 2.65, .30, .45},    {37.30, -3.30, .40, .75},
    {40.80, -2.60, .40, .60}, {43.15, -2.15, .12, .30},   {37.60, -6.80, .45, .40},
    {42.20, -0.10, .50, .60}, {37.95, -3.45, .40, .60},   {42.60, -5.80, .40, .80},
    {41.95, 1.10, .60, .45},  {42.30, -2.50, .20, .50},   {43.00, -7.50, .55, .30},
    {40.50, -3.70, .35, .45}, {36.80, -4.60, .30, .60},   {38.00, -1.50, .40, .60},
    {42.70, -1.65, .45, .45}, {42.20, -7.60, .30, .60},   {43.30, -5.90, .20, .90},
    {42.30, -4.55, .50, .30}, {28.40, -14.80, .50, 1.20}, {42.40, -8.50, .30, .30},
    {40.80, -6.00, .45, .60}, {28.30, -17.20, .40, .90},  {43.15, -4.00, .20, .60},
    {41.10, -4.10, .35, .45}, {37.40, -5.70, .45, .55},   {41.70, -2.60, .40, .60},
    {41.05, 0.85, .35, .40},  {40.60, -0.90, .55, .65},   {39.80, -4.20, .40, .95},
    {39.30, -0.70, .55, .55}, {41.65, -4.75, .35, .55},   {43.20, -2.85, .12, .35},
    {41.75, -6.00, .40, .60}, {41.60, -1.10, .60, .80}};

enum class Region { Atlantica, Pirenaica, Levantina, Suroeste, Interior, Canaria };

Region RegionDe(const Zona& z) {
  if (z.lat < 30) return Region::Canaria;
  if (z.lat > 42.6 || (z.lat > 41.8 && z.lon < -6.8)) return Region::Atlantica;
  if (z.lat > 41.8 && z.lon > -2.5) return Region::Pirenaica;
  if (z.lon > -1.8) return Region::Levantina;
  if (z.lat < 39.7 && z.lon < -4.0) return Region::Suroeste;
  return Region::Interior;
}

struct Peso {
  int especie;
  double peso;
};

std::vector<Peso> EspeciesArboreas(Region r) {
  switch (r) {
    case Region::Atlantica:
      return {{26, 25}, {61, 15}, {43, 12}, {41, 10}, {21, 8}, {72, 6},
              {71, 6},  {28, 5},  {45, 3},  {42, 3},  {54, 2}, {46, 2}};
    case Region::Pirenaica:
      return {{21, 20}, {22, 8}, {24, 12}, {45, 15}, {25, 10}, {71, 8},
              {44, 8},  {43, 4}, {23, 3},  {46, 2},  {26, 3}};
    case Region::Levantina:
      return {{24, 35}, {45, 20}, {25, 10}, {23, 8}, {26, 5},
              {21, 5},  {44, 5},  {39, 4},  {46, 3}, {66, 3}};
    case Region::Suroeste:
      return {{45, 25}, {46, 20}, {23, 12}, {26, 8}, {62, 10},
              {61, 6},  {44, 4},  {43, 4},  {24, 5}, {66, 4}};
    case Region::Interior:
      return {{23, 15}, {26, 15}, {45, 20}, {43, 12}, {21, 10}, {44, 8}, {25, 6},
              {38, 6},  {24, 4},  {46, 3},  {58, 2},  {71, 2},  {61, 2}};
    case Region::Canaria:
      return {{27, 60}, {81, 10}, {83, 15}, {28, 10}, {66, 5}};
  }
  return {};
}

std::vector<int> EspeciesMatorral(Region r) {
  switch (r) {
    case Region::Atlantica:
      return {102, 103, 106, 83, 101, 119};
    case Region::Pirenaica:
      return {91, 101, 105, 114, 119, 129, 107};
    case Region::Levantina:
      return {101, 105, 111, 114, 129, 4, 125};
    case Region::Suroeste:
      return {101, 105, 111, 117, 114, 6, 8};
    case Region::Interior:
      return {101, 129, 104, 105, 117, 119, 127};
    case Region::Canaria:
      return {83, 102, 81, 128};
  }
  return {};
}

bool EsPino(int e) {
  return e >= 21 && e <= 28;
}
bool EsConifera(int e) {
  return e >= 14 && e <= 39;
}

// Asymptotic height (m) of a species.
double AlturaMaxima(int e) {
  switch (e) {
    case 21:
      return 24;
    case 22:
      return 17;
    case 23:
      return 15;
    case 24:
      return 14;
    case 25:
      return 20;
    case 26:
      return 20;
    case 27:
      return 24;
    case 28:
      return 28;
    case 38:
    case 39:
      return 8;
    case 45:
      return 9;
    case 46:
      return 11;
    case 61:
      return 30;
    case 62:
      return 24;
    case 71:
      return 26;
    case 72:
      return 18;
    case 58:
      return 25;
    case 66:
      return 7;
    default:
      return EsConifera(e) ? 16 : 14;
  }
}

struct Clase {
  double dmin, dmax, radio;
};
constexpr Clase kClases[4] = {{75, 125, 5}, {125, 225, 10}, {225, 425, 15}, {425, 900, 25}};

int ClaseDeDiametro(double dmm) {
  if (dmm >= 425) return 3;
  if (dmm >= 225) return 2;
  if (dmm >= 125) return 1;
  return 0;
}

std::string Texto(int v) {
  return std::to_string(v);
}

std::string Ceros(int v, int ancho) {
  char b[16];
  std::snprintf(b, sizeof b, "%0*d", ancho, v);
  return b;
}

std::string Fecha(Aleatorio& rnd, int anyo) {
  char b[16];
  std::snprintf(b, sizeof b, "%02d/%02d/%02d", rnd.entero(1, 28), rnd.entero(4, 10), anyo % 100);
  return b;
}

double Redondea(double v, int decimales) {
  const double f = std::pow(10.0, decimales);
  return std::round(v * f) / f;
}

struct Ubicacion {
  int hoja, huso, x, y;  // x, y in km
  double lat, lon;
};

// One row of a table being built: values set by field name.
class Fila {
 public:
  explicit Fila(const inventory::LayoutTabla& l) : layout_(l), valores_(l.campos.size()) {}
  Fila& pon(std::string_view campo, Value v) {
    const int pos = layout_.posicion(campo);
    if (pos < 0) throw ErrorDatos("Campo desconocido: " + std::string(campo));
    valores_[static_cast<std::size_t>(pos)] = std::move(v);
    return *this;
  }
  const Value& valor(std::string_view campo) const {
    return valores_[static_cast<std::size_t>(layout_.posicion(campo))];
  }
  FilaTabla saca() { return std::move(valores_); }

 private:
  const inventory::LayoutTabla& layout_;
  FilaTabla valores_;
};

struct Arbol {
  int especie = 0;
  int d1 = 0, d2 = 0;
  double altura = -1;  // -1: not measured
  int rumbo = 0;
  double distancia = 0;
  int forma = 0, calidad = 0;
  std::string paramesp;
  int tipo = 0;
};

}  // namespace

ProvinciaSintetica GeneraProvincia(const OpcionesMuestra& o) {
  if (o.provincia < 1 || o.provincia > 50) {
    throw ErrorDatos("No hay datos de muestra para la provincia " + std::to_string(o.provincia) +
                     " (códigos 1 a 50).");
  }
  if (o.parcelas < 1 || o.parcelas > 32767) {
    throw ErrorDatos("El número de parcelas debe estar entre 1 y 32767.");
  }
  ProvinciaSintetica p;
  p.provincia = o.provincia;
  p.datest.layout = inventory::LayoutDatest();
  p.piesma.layout = inventory::LayoutPiesma();
  p.piesme.layout = inventory::LayoutPiesme();
  p.tiposx.layout = inventory::LayoutTiposx();
  p.matorr.layout = inventory::LayoutMatorr();

  Aleatorio rnd(o.semilla * 0x100000001B3ULL + static_cast<std::uint64_t>(o.provincia));
  Zona zona = kZonas[o.provincia - 1];
  const Region region = RegionDe(zona);
  // A large sample needs room: about one plot per 3 km² at least.
  const double kmLat = 111.0, kmLon = 111.0 * std::cos(zona.lat * kPi / 180);
  const double area = (2 * zona.dlat * kmLat) * (2 * zona.dlon * kmLon);
  if (area < 3.0 * o.parcelas) {
    const double f = std::sqrt(3.0 * o.parcelas / area);
    zona.dlat *= f;
    zona.dlon *= f;
  }

  // Plot positions on the 1 km UTM grid, on numbered sheets, without repeats.
  std::vector<Ubicacion> ubicaciones;
  std::set<std::tuple<int, int, int>> ocupadas;
  for (int i = 0; i < o.parcelas; ++i) {
    Ubicacion u{};
    for (int intento = 0; intento < 200; ++intento) {
      u.lat = zona.lat + rnd.uniforme(-zona.dlat, zona.dlat);
      u.lon = zona.lon + rnd.uniforme(-zona.dlon, zona.dlon);
      u.hoja = HojaDeCoordenadas(u.lat, u.lon);
      if (u.hoja == 0) continue;
      const CoordenadasUtm c = GeograficasAUtm(u.lat, u.lon);
      u.huso = c.huso;
      u.x = static_cast<int>(std::lround(c.x / 1000.0));
      u.y = static_cast<int>(std::lround(c.y / 1000.0));
      if (ocupadas.insert({u.huso, u.x, u.y}).second) break;
      u.hoja = 0;
    }
    if (u.hoja == 0) throw ErrorDatos("No hay sitio para tantas parcelas en la provincia.");
    ubicaciones.push_back(u);
  }
  // The inventory numbers plots sheet by sheet, north to south and west to east.
  std::sort(ubicaciones.begin(), ubicaciones.end(), [](const Ubicacion& a, const Ubicacion& b) {
    return std::tie(a.hoja, b.y, a.x) < std::tie(b.hoja, a.y, b.x);
  });

  // Municipalities: cells of about 12 km, numbered in order.
  std::map<std::tuple<int, int, int>, int> municipios;
  for (const Ubicacion& u : ubicaciones) municipios[{u.huso, u.y / 12, u.x / 12}] = 0;
  {
    int n = 0;
    const int paso = municipios.size() * 3 <= 999 ? 3 : 1;
    for (auto& [celda, codigo] : municipios) codigo = std::min(999, n += rnd.entero(1, paso));
  }

  const std::vector<Peso> arboreas = EspeciesArboreas(region);
  std::vector<double> pesosArboreas;
  for (const Peso& w : arboreas) pesosArboreas.push_back(w.peso);
  const std::vector<int> matorral = EspeciesMatorral(region);
  // Plot numbers skipped so far may not exceed what 16-bit numbers leave over.
  const int huecosPosibles = 32767 - o.parcelas;
  int huecos = 0;

  int estadillo = 0;
  for (const Ubicacion& u : ubicaciones) {
    // Plot numbers with occasional gaps (plots dropped in the field).
    ++estadillo;
    if (rnd.uniforme() < 0.12 && huecos + 3 <= huecosPosibles) {
      const int salto = rnd.entero(1, 3);
      estadillo += salto;
      huecos += salto;
    }

    // Stand: pure (one species) or mixed (two or three), and its development stage.
    std::vector<int> especies;
    std::vector<double> mezcla;
    const int nEspecies = rnd.uniforme() < 0.6 ? 1 : rnd.entero(2, 3);
    while (static_cast<int>(especies.size()) < nEspecies) {
      const int e = arboreas[rnd.elige(pesosArboreas)].especie;
      if (std::find(especies.begin(), especies.end(), e) != especies.end()) continue;
      especies.push_back(e);
      mezcla.push_back(especies.size() == 1 ? 3.0 : rnd.uniforme(0.5, 2.0));
    }
    const bool sinPiesMayores = rnd.uniforme() < 0.08;
    static constexpr double kMedias[3][4] = {
        {8, 11.5, 4, 0.6}, {4, 11.5, 8, 1.7}, {2.3, 7, 10.3, 4.6}};
    const int estado = rnd.entero(0, 2);
    const bool abierta = especies[0] == 45 || especies[0] == 46 || especies[0] == 38;
    const bool resinada = rnd.uniforme() < 0.3;

    std::vector<Arbol> arboles;
    if (!sinPiesMayores) {
      for (int k = 0; k < 4; ++k) {
        const int n = rnd.poisson(kMedias[estado][k] * (abierta ? 0.6 : 1.0));
        for (int i = 0; i < n; ++i) {
          Arbol a;
          a.especie = especies[rnd.elige(mezcla)];
          double d = k < 3
                         ? rnd.uniforme(kClases[k].dmin, kClases[k].dmax)
                         : kClases[3].dmin + std::min(450.0, -140.0 * std::log(1 - rnd.uniforme()));
          a.d1 = std::max(75, static_cast<int>(std::lround(d * (1 + rnd.uniforme(-0.06, 0.06)))));
          a.d2 = std::max(75, static_cast<int>(std::lround(d * (1 + rnd.uniforme(-0.06, 0.06)))));
          const double medio = (a.d1 + a.d2) / 2.0;
          const double radio = kClases[ClaseDeDiametro(medio)].radio;
          a.rumbo = rnd.entero(0, 399);
          a.distancia = std::max(0.1, Redondea(radio * std::sqrt(rnd.uniforme()), 1));
          if (rnd.uniforme() >= 0.01) {  // about one tree in a hundred without height
            const double hmax = AlturaMaxima(a.especie);
            const double h = 1.3 + (hmax - 1.3) * (1 - std::exp(-medio / 10.0 / (hmax * 1.1)));
            a.altura = std::max(2.0, Redondea(h * (1 + 0.08 * rnd.normal()) * 2, 0) / 2);
          }
          const std::vector<double> pesosForma = EsPino(a.especie)
                                                     ? std::vector<double>{4, 30, 30, 12, 14, 10}
                                                     : std::vector<double>{2, 8, 15, 25, 25, 25};
          a.forma = static_cast<int>(rnd.elige(pesosForma)) + 1;
          a.calidad = static_cast<int>(rnd.elige({10, 35, 35, 10, 6, 4})) + 1;
          if (a.especie == 26 && resinada) a.paramesp = "1";
          if (a.especie == 46 && rnd.uniforme() < 0.7) {
            // Cork stripping: state code, then the stripping height in dm (two digits).
            a.paramesp = Texto(rnd.entero(1, 2)) + Ceros(rnd.entero(8, 35), 2);
          }
          arboles.push_back(std::move(a));
        }
      }
      // Trees are numbered as the crew walks round the plot centre.
      std::stable_sort(arboles.begin(), arboles.end(),
                       [](const Arbol& a, const Arbol& b) { return a.rumbo < b.rumbo; });
    }

    // Sample trees: one or two measured trees with height.
    std::vector<std::size_t> tipos;
    for (std::size_t i = 0; i < arboles.size() && tipos.size() < 2; ++i) {
      if (arboles[i].altura > 0 && rnd.uniforme() < 0.35) tipos.push_back(i);
    }
    for (std::size_t t = 0; t < tipos.size(); ++t) arboles[tipos[t]].tipo = static_cast<int>(t) + 1;

    const int anyo = rnd.entero(1990, 1994);
    const bool verificada = rnd.uniforme() < 0.2;
    Fila parcela(p.datest.layout);
    parcela.pon("PROVINCIA", o.provincia)
        .pon("ESTADILLO", estadillo)
        .pon("ESTRATO", static_cast<int>(
                            std::find_if(arboreas.begin(), arboreas.end(),
                                         [&](const Peso& w) { return w.especie == especies[0]; }) -
                            arboreas.begin()) +
                            1)
        .pon("FECHGR", Fecha(rnd, anyo))
        .pon("CODGR", "E" + Ceros(rnd.entero(1, 12), 2))
        .pon("VERIFICA", verificada ? "S" : "N")
        .pon("HOJA", u.hoja)
        .pon("COORDEX", Ceros(u.x, 3))
        .pon("COORDEY", Ceros(u.y, 4))
        .pon("MUNICI", Ceros(municipios[{u.huso, u.y / 12, u.x / 12}], 3))
        .pon("VUELO", Texto(anyo - rnd.entero(2, 6)))
        .pon("FOTO", Ceros(rnd.entero(1, 40), 3) + "-" + Ceros(rnd.entero(1, 999), 4))
        .pon("ANO", anyo)
        .pon("CLASUELO", rnd.entero(1, 5))
        .pon("ESPESOR", rnd.entero(1, 4))
        .pon("CLACOBER", sinPiesMayores ? 1 : rnd.entero(2, 5))
        .pon("PROPIED1", Texto(rnd.entero(1, 3)))
        .pon("ALTITUD1", Texto(rnd.entero(region == Region::Canaria ? 300 : 200, 1400)))
        .pon("PENDIEN1", Texto(rnd.entero(1, 5)))
        .pon("USO1", Ceros(sinPiesMayores ? 2 : 1, 2))
        .pon("FRACCION1", Texto(sinPiesMayores ? rnd.entero(0, 15) : rnd.entero(20, 100)))
        .pon("ESPECIA11", Texto(especies[0]))
        .pon("OCUPA11", Texto(rnd.entero(5, 10)))
        .pon("ESTADA11", Texto(estado + 1))
        .pon("CUBIERTA", Texto(rnd.entero(1, 4)))
        .pon("ORIENTA1", Texto(rnd.entero(1, 8)))
        .pon("MAXPEND1", Texto(rnd.entero(1, 60)));
    if (verificada) {
      parcela.pon("FECHAVE", Fecha(rnd, anyo + 1)).pon("CODVE", "V" + Ceros(rnd.entero(1, 5), 2));
    }
    // The canopy cover fraction of the plot is that of its first land use.
    parcela.pon("FRACCAB", std::stoi(parcela.valor("FRACCION1").text()));
    for (std::size_t i = 0; i < especies.size(); ++i) {
      parcela.pon("ESPECIE" + std::to_string(i + 1), Texto(especies[i]));
    }
    p.datest.filas.push_back(parcela.saca());

    int orden = 0;
    for (const Arbol& a : arboles) {
      Fila f(p.piesma.layout);
      ++orden;
      f.pon("PROVINCIA", o.provincia)
          .pon("ESTADILLO", estadillo)
          .pon("NUMORDEN", orden)
          .pon("ARBOL", orden)
          .pon("ESPECIE", a.especie)
          .pon("RUMBO", a.rumbo)
          .pon("DISTANCI", a.distancia)
          .pon("DIAMETRO1", a.d1)
          .pon("DIAMETRO2", a.d2)
          .pon("CALIDAD", a.calidad)
          .pon("FORMA", a.forma);
      if (a.altura > 0) f.pon("ALTURA", a.altura);
      if (!a.paramesp.empty()) f.pon("PARAMESP", a.paramesp);
      if (a.tipo > 0) f.pon("TIPO", a.tipo);
      p.piesma.filas.push_back(f.saca());
    }

    for (std::size_t t = 0; t < tipos.size(); ++t) {
      const Arbol& a = arboles[tipos[t]];
      const double dcm = (a.d1 + a.d2) / 20.0;
      const double corteza = (a.especie == 46 ? 0.15 : EsPino(a.especie) ? 0.09 : 0.06) * dcm * 10;
      Fila f(p.tiposx.layout);
      f.pon("PROVINCIA", o.provincia)
          .pon("ESTADILLO", estadillo)
          .pon("NUMORDEN", static_cast<int>(t) + 1)
          .pon("TIPO", static_cast<int>(t) + 1)
          .pon("ARBOL", static_cast<int>(tipos[t]) + 1)
          .pon("ESPECIE", a.especie)
          .pon("DIAMETRO1", a.d1)
          .pon("DIAMETRO2", a.d2)
          .pon("DIAMCOPA1", Redondea((0.8 + dcm * 0.12) * (1 + 0.15 * rnd.normal()), 1))
          .pon("DIAMCOPA2", Redondea((0.8 + dcm * 0.12) * (1 + 0.15 * rnd.normal()), 1))
          .pon("CORTEZA1",
               std::max(2, static_cast<int>(std::lround(corteza * rnd.uniforme(0.8, 1.2)))))
          .pon("CORTEZA2",
               std::max(2, static_cast<int>(std::lround(corteza * rnd.uniforme(0.8, 1.2)))))
          .pon("CRECIM1", rnd.entero(1, 4))
          .pon("CRECIM2", rnd.entero(1, 4))
          .pon("DIAMFF", 7.5)
          .pon("ALTURFF", Redondea(a.altura * rnd.uniforme(0.6, 0.8), 1))
          .pon("ALTUPV", Redondea(a.altura * rnd.uniforme(0.3, 0.6), 1));
      if (a.altura > 0) f.pon("ALTURA", a.altura);
      if (a.altura > 6) f.pon("DIAMETR4", Redondea(dcm * rnd.uniforme(0.72, 0.85), 1));
      p.tiposx.filas.push_back(f.saca());
    }

    // Small trees (regeneration) and shrubs.
    const int nMenores = rnd.poisson(sinPiesMayores ? 2.5 : 1.2);
    for (int i = 0; i < nMenores; ++i) {
      Fila f(p.piesme.layout);
      f.pon("PROVINCIA", o.provincia)
          .pon("ESTADILLO", estadillo)
          .pon("NUMORDEN", i + 1)
          .pon("ESPECIE", rnd.uniforme() < 0.7 ? especies[rnd.elige(mezcla)]
                                               : arboreas[rnd.elige(pesosArboreas)].especie)
          .pon("NUMERO", rnd.entero(1, 15))
          .pon("ALTUMED", rnd.entero(15, 70))
          .pon("REGENA", rnd.entero(1, 4));
      p.piesme.filas.push_back(f.saca());
    }
    const int nMatorral =
        std::min<int>(static_cast<int>(matorral.size()), rnd.poisson(sinPiesMayores ? 3.0 : 1.5));
    std::vector<int> vistas;
    for (int i = 0; i < nMatorral; ++i) {
      int e;
      do {
        e = matorral[static_cast<std::size_t>(
            rnd.entero(0, static_cast<int>(matorral.size()) - 1))];
      } while (std::find(vistas.begin(), vistas.end(), e) != vistas.end());
      vistas.push_back(e);
      Fila f(p.matorr.layout);
      f.pon("PROVINCIA", o.provincia)
          .pon("ESTADILLO", estadillo)
          .pon("NUMORDEN", i + 1)
          .pon("ESPECIE", e)
          .pon("FRACCAB", rnd.entero(5, sinPiesMayores ? 90 : 60))
          .pon("ALTUMED", rnd.entero(3, 25));
      p.matorr.filas.push_back(f.saca());
    }
  }
  return p;
}

}  // namespace arbelio::inventory
