// The trees of a plot taken from one walk over a table must be the rows a find of
// "PROVINCIA=p AND ESTADILLO=e" visits, in the same order, whatever order the table's rows come
// in: provinces appended out of order, a plot split across provinces' parts, deleted rows, keys
// that no plot number equals, and keys held as text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "../comun/TablaDePrueba.h"
#include "import/PiesPorParcela.h"

namespace {

using arbelio::import::PiesPorParcela;
using arbelio::pruebas::CampoDePrueba;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::store::Cursor;
using arbelio::store::CursorKind;
using arbelio::store::Database;
using arbelio::store::FieldType;
using arbelio::store::Value;

// The positions a find loop visits, in its order.
std::vector<std::int64_t> PorBusqueda(Cursor& c, int p, int e) {
  std::vector<std::int64_t> r;
  const std::string criterio =
      "PROVINCIA=" + std::to_string(p) + " AND ESTADILLO=" + std::to_string(e);
  for (c.findFirst(criterio); !c.noMatch(); c.findNext(criterio)) r.push_back(c.absolutePosition());
  return r;
}

std::vector<std::int64_t> PorGrupos(PiesPorParcela& g, int p, int e) {
  std::vector<std::int64_t> r;
  const auto [desde, hasta] = g.De(static_cast<std::int16_t>(p), static_cast<std::int16_t>(e));
  for (auto i = desde; i != hasta; ++i) r.push_back(i->second);
  return r;
}

// Every plot number 0..4 of provinces 1, 2, 10 and 30: the walk agrees with the find.
void ComparaConBusqueda(Cursor& c) {
  PiesPorParcela grupos(c);
  for (int p : {1, 2, 10, 30}) {
    for (int e = 0; e <= 4; ++e) {
      if (p < 1 || e < 1) continue;
      EXPECT_EQ(PorGrupos(grupos, p, e), PorBusqueda(c, p, e)) << "provincia " << p << ", " << e;
    }
  }
}

TEST(PiesPorParcela, NumericKeysInRunsGiveTheFindsRowsInItsOrder) {
  CarpetaTemporal carpeta;
  // Province 10 before provinces 2 and 1; plot (2, 1) in two runs; a deleted row, an empty key,
  // a fractional and a zero plot number, and plot numbers of different widths (2 and 10).
  const std::vector<std::vector<Value>> filas = {
      {10, 1, 1}, {10, 1, 2}, {10, 3, 1}, {2, 1, 1}, {2, 2, 1},       {2, 2, 2},
      {1, 1, 1},  {1, 1, 2},  {1, 4, 1},  {2, 1, 9}, {Value(), 1, 1}, {2, 1.5, 1},
      {2, 0, 1},  {1, 1, 3},  {10, 1, 3}, {30, 2, 1}};
  arbelio::pruebas::EscribirTablaDePrueba(carpeta.ruta(), "Pies",
                                          {{"PROVINCIA", FieldType::Double},
                                           {"ESTADILLO", FieldType::Double},
                                           {"NUMORDEN", FieldType::Integer}},
                                          filas);
  Database db = Database::open(carpeta.ruta());
  {
    Cursor borrar = db.openCursor("Pies");
    borrar.setAbsolutePosition(4);  // (2, 2, 1)
    borrar.remove();
  }
  Cursor c = db.openCursor("Pies", CursorKind::Snapshot);
  ComparaConBusqueda(c);
  PiesPorParcela grupos(c);
  // (2, 1): its first run's row, then the row of the later run (positions after the deletion).
  EXPECT_EQ(PorGrupos(grupos, 2, 1), (std::vector<std::int64_t>{3, 8}));
  EXPECT_EQ(PorGrupos(grupos, 2, 2), (std::vector<std::int64_t>{4}));
}

TEST(PiesPorParcela, ManyRunsAndTextKeysAgreeWithTheFind) {
  CarpetaTemporal carpeta;
  // Over a hundred descending steps: more runs than are merged, so the entries are sorted.
  std::vector<std::vector<Value>> filas;
  for (int k = 0; k < 120; ++k) {
    filas.push_back({k % 2 == 0 ? 10 : 2, 4 - k % 4, k});
    filas.push_back({1, 1 + k % 3, k});
  }
  arbelio::pruebas::EscribirTablaDePrueba(carpeta.ruta(), "Pies",
                                          {{"PROVINCIA", FieldType::Integer},
                                           {"ESTADILLO", FieldType::Integer},
                                           {"NUMORDEN", FieldType::Integer}},
                                          filas);
  // Keys held as text, as some provinces' files hold them: " 2" and "02" read as 2.
  arbelio::pruebas::EscribirTablaDePrueba(carpeta.ruta(), "Texto",
                                          {{"PROVINCIA", FieldType::Text, 3},
                                           {"ESTADILLO", FieldType::Text, 3},
                                           {"NUMORDEN", FieldType::Integer}},
                                          {{"10", "1", 1},
                                           {" 2", "01", 2},
                                           {"02", "1", 3},
                                           {"x", "1", 4},
                                           {"1", "4", 5},
                                           {"2", "1.0", 6},
                                           {"1", "", 7}});
  Database db = Database::open(carpeta.ruta());
  Cursor pies = db.openCursor("Pies", CursorKind::Snapshot);
  ComparaConBusqueda(pies);
  Cursor texto = db.openCursor("Texto", CursorKind::Snapshot);
  ComparaConBusqueda(texto);
  PiesPorParcela grupos(texto);
  EXPECT_EQ(PorGrupos(grupos, 2, 1).size(), 3u);
}

}  // namespace
