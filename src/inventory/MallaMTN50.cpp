#include "inventory/MallaMTN50.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace arbelio::inventory {

namespace {

// Longitude of the old Madrid meridian, degrees east of Greenwich.
constexpr double kMeridianoMadrid = -(3.0 + 41.0 / 60.0 + 14.55 / 3600.0);
constexpr double kAnchoHoja = 20.0 / 60.0;
constexpr double kAltoHoja = 10.0 / 60.0;
constexpr double kLatitudNorte = 43.0 + 50.0 / 60.0;

// A run of numbered sheets in one row: row (1 = northernmost), first and last column (column 0
// is centred on the Madrid meridian). Numbers follow the order of the runs.
struct Tramo {
  int fila, primera, ultima;
};

// Peninsula and Balearic Islands (rows 1-48), Ceuta and Melilla, then the Canary Islands.
constexpr Tramo kTramos[] = {
    {1, -13, -10},  {2, -14, 1},    {3, -14, 7},    {4, -16, 7},    {5, -17, 7},    {6, -17, 9},
    {7, -16, 15},   {8, -16, 16},   {9, -16, 21},   {10, -16, 21},  {11, -16, 20},  {12, -16, 20},
    {13, -13, 19},  {14, -8, 19},   {15, -8, 18},   {16, -9, 17},   {17, -10, 14},  {18, -10, 15},
    {19, -9, 15},   {20, -9, 15},   {21, -9, 13},   {22, -10, 11},  {23, -10, 12},  {23, 22, 23},
    {24, -10, 11},  {24, 20, 21},   {24, 22, 23},   {25, -11, 10},  {25, 18, 23},   {26, -12, 10},
    {26, 18, 21},   {27, -11, 10},  {27, 18, 20},   {28, -11, 10},  {28, 19, 20},   {29, -11, 11},
    {29, 15, 16},   {30, -10, 11},  {30, 15, 16},   {31, -11, 12},  {31, 15, 17},   {32, -11, 11},
    {32, 15, 16},   {33, -11, 10},  {34, -10, 11},  {35, -10, 10},  {36, -10, 9},   {37, -11, 10},
    {38, -11, 10},  {39, -11, 6},   {40, -11, 6},   {41, -10, 5},   {42, -9, 5},    {43, -8, 5},
    {44, -8, -2},   {45, -8, -3},   {46, -7, -5},   {47, -6, -5},   {48, -6, -5},   {52, 2, 2},
    {88, -30, -29}, {89, -31, -29}, {90, -43, -42}, {90, -31, -29}, {91, -43, -42}, {91, -31, -30},
    {92, -43, -42}, {92, -38, -37}, {92, -31, -30}, {93, -43, -42}, {93, -40, -37}, {93, -32, -30},
    {94, -41, -38}, {94, -36, -35}, {94, -32, -30}, {95, -41, -38}, {95, -36, -35}, {95, -32, -32},
    {96, -43, -43}, {96, -40, -38}, {96, -36, -35}, {97, -43, -43}, {97, -36, -35}, {98, -43, -43},
};

int FilaDeLatitud(double lat) {
  return static_cast<int>(std::floor((kLatitudNorte - lat) / kAltoHoja)) + 1;
}

int ColumnaDeLongitud(double lon) {
  return static_cast<int>(std::floor((lon - (kMeridianoMadrid - kAnchoHoja / 2)) / kAnchoHoja));
}

}  // namespace

int NumeroHojas() {
  int n = 0;
  for (const Tramo& t : kTramos) n += t.ultima - t.primera + 1;
  return n;
}

int HojaDeCoordenadas(double latitud, double longitud) {
  const int fila = FilaDeLatitud(latitud);
  const int columna = ColumnaDeLongitud(longitud);
  int numero = 1;
  for (const Tramo& t : kTramos) {
    if (t.fila == fila && columna >= t.primera && columna <= t.ultima) {
      return numero + (columna - t.primera);
    }
    numero += t.ultima - t.primera + 1;
  }
  return 0;
}

LimitesHoja LimitesDeHoja(int hoja) {
  int numero = 1;
  for (const Tramo& t : kTramos) {
    const int n = t.ultima - t.primera + 1;
    if (hoja >= numero && hoja < numero + n) {
      const int columna = t.primera + (hoja - numero);
      LimitesHoja l;
      l.latNorte = kLatitudNorte - (t.fila - 1) * kAltoHoja;
      l.latSur = l.latNorte - kAltoHoja;
      l.lonOeste = kMeridianoMadrid - kAnchoHoja / 2 + columna * kAnchoHoja;
      l.lonEste = l.lonOeste + kAnchoHoja;
      return l;
    }
    numero += n;
  }
  throw std::out_of_range("Hoja fuera de la malla: " + std::to_string(hoja));
}

int HusoDeLongitud(double longitud) {
  return static_cast<int>(std::floor((longitud + 180.0) / 6.0)) + 1;
}

HusosHoja HusosDeHoja(int hoja) {
  const LimitesHoja l = LimitesDeHoja(hoja);
  HusosHoja h;
  h.hoja = hoja;
  h.huso1 = HusoDeLongitud(l.lonOeste);
  const int este = HusoDeLongitud(l.lonEste);
  if (este == h.huso1) {
    h.nHusos = 1;
  } else {
    h.nHusos = 2;
    h.huso2 = este;
  }
  return h;
}

std::vector<HusosHoja> TablaHusoHoja() {
  std::vector<HusosHoja> tabla;
  const int n = NumeroHojas();
  tabla.reserve(n);
  for (int hoja = 1; hoja <= n; ++hoja) tabla.push_back(HusosDeHoja(hoja));
  return tabla;
}

void EscribeCsvHusoHoja(std::ostream& out) {
  out << "Hoja,nHusos,Huso1,Huso2\n";
  for (const HusosHoja& h : TablaHusoHoja()) {
    out << h.hoja << ',' << h.nHusos << ',' << h.huso1 << ',';
    if (h.nHusos > 1) out << h.huso2;
    out << '\n';
  }
}

CoordenadasUtm GeograficasAUtm(double latitud, double longitud, int huso) {
  // Transverse Mercator series (Snyder), International 1924 ellipsoid.
  constexpr double a = 6378388.0;
  constexpr double f = 1.0 / 297.0;
  constexpr double k0 = 0.9996;
  constexpr double pi = std::numbers::pi;
  const double e2 = f * (2 - f);
  const double ep2 = e2 / (1 - e2);
  CoordenadasUtm r;
  r.huso = huso != 0 ? huso : HusoDeLongitud(longitud);
  const double lon0 = (r.huso - 1) * 6.0 - 180.0 + 3.0;
  const double phi = latitud * pi / 180.0;
  const double dl = (longitud - lon0) * pi / 180.0;
  const double s = std::sin(phi), c = std::cos(phi), t = std::tan(phi);
  const double N = a / std::sqrt(1 - e2 * s * s);
  const double T = t * t;
  const double C = ep2 * c * c;
  const double A = c * dl;
  const double e4 = e2 * e2, e6 = e4 * e2;
  const double M = a * ((1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256) * phi -
                        (3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024) * std::sin(2 * phi) +
                        (15 * e4 / 256 + 45 * e6 / 1024) * std::sin(4 * phi) -
                        (35 * e6 / 3072) * std::sin(6 * phi));
  r.x = 500000.0 + k0 * N *
                       (A + (1 - T + C) * A * A * A / 6 +
                        (5 - 18 * T + T * T + 72 * C - 58 * ep2) * A * A * A * A * A / 120);
  r.y = k0 * (M + N * t *
                      (A * A / 2 + (5 - T + 9 * C + 4 * C * C) * A * A * A * A / 24 +
                       (61 - 58 * T + T * T + 600 * C - 330 * ep2) * A * A * A * A * A * A / 720));
  return r;
}

}  // namespace arbelio::inventory
