// The grid of the 1:50,000 national map sheets as this program approximates it: sheets of 20'
// of longitude by 10' of latitude, columns aligned on the old Madrid meridian (a sheet edge 10'
// on each side of it), rows counted from 43°50' N southwards, numbered row by row from north to
// south and west to east over the sheets that hold Spanish land. The rows and their numbered
// columns were fitted to the known numbers of the sheets of the provincial capitals; the
// official table replaces this one through import-husohoja or import-mdb.
#pragma once

#include <ostream>
#include <vector>

namespace arbelio::inventory {

struct HusosHoja {
  int hoja = 0;
  int nHusos = 0;
  int huso1 = 0;  // western zone
  int huso2 = 0;  // eastern zone, 0 when the sheet lies in one zone
};

struct LimitesHoja {
  double latSur = 0, latNorte = 0, lonOeste = 0, lonEste = 0;  // degrees, east positive
};

// Number of sheets of the grid (they are numbered 1 to this).
int NumeroHojas();
// Sheet holding a point (degrees, east positive), 0 when the point is on no numbered sheet.
int HojaDeCoordenadas(double latitud, double longitud);
// Bounds of a numbered sheet. Throws std::out_of_range for a number outside the grid.
LimitesHoja LimitesDeHoja(int hoja);
// UTM zone of a longitude (6° zones, zone 30 between 6° W and 0°).
int HusoDeLongitud(double longitud);
// Zones of a sheet: one, or two when a zone boundary crosses it.
HusosHoja HusosDeHoja(int hoja);
// The whole table, sheet 1 first.
std::vector<HusosHoja> TablaHusoHoja();
// The table as CSV with the header "Hoja,nHusos,Huso1,Huso2" (Huso2 empty for one zone).
void EscribeCsvHusoHoja(std::ostream& out);

// UTM coordinates in metres (ellipsoid of the inventory's maps, International 1924), in the
// given zone or, when huso is 0, in the zone of the longitude.
struct CoordenadasUtm {
  int huso = 0;
  double x = 0, y = 0;
};
CoordenadasUtm GeograficasAUtm(double latitud, double longitud, int huso = 0);

}  // namespace arbelio::inventory
