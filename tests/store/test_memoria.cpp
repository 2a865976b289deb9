// Large areas freed and kept for later requests: the smallest that fits is cut to size, kept
// neighbours join, a request nothing fits gives kept memory back first, the memory handed out
// is whole and writable, and a table's blocks may come from several kept areas.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"
#include "store/Memoria.h"

using namespace arbelio::store;

namespace {

constexpr std::size_t kMB = std::size_t{1} << 20;

char* Reserva(std::size_t mb) {
  return static_cast<char*>(ReservaArea(mb * kMB));
}

void Libera(char* p, std::size_t mb) {
  LiberaArea(p, mb * kMB);
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kGuarda = false;  // freed areas go back at once: a use after free still faults
#else
constexpr bool kGuarda = true;
#endif

}  // namespace

TEST(AreasLibres, KeptAreasAreCutJoinedAndChosenByBestFit) {
  if (!kGuarda) GTEST_SKIP() << "areas are not kept under AddressSanitizer";
  DevuelveAreasLibres();
  char* p = Reserva(16);
  std::memset(p, 'x', 16 * kMB);
  Libera(p, 16);
  EXPECT_EQ(BytesAreasLibres(), 16 * kMB);

  // Cut from the front, a piece at a time: each request takes the rest of the same area.
  char* a = Reserva(4);
  char* b = Reserva(4);
  char* c = Reserva(4);
  EXPECT_EQ(a, p);
  EXPECT_EQ(b, p + 4 * kMB);
  EXPECT_EQ(c, p + 8 * kMB);
  EXPECT_EQ(BytesAreasLibres(), 4 * kMB);

  // a and b freed join into one 8 MB area; c still separates it from the 4 MB left at the end.
  Libera(b, 4);
  Libera(a, 4);
  EXPECT_EQ(BytesAreasLibres(), 12 * kMB);
  // The smallest area that fits serves a request: the 4 MB one, not the front of the 8 MB one.
  char* d = Reserva(3);  // rounded to whole 2 MB pages
  EXPECT_EQ(d, p + 12 * kMB);
  EXPECT_EQ(BytesAreasLibres(), 8 * kMB);
  // The joined area serves a request larger than either of its parts.
  char* e = Reserva(8);
  EXPECT_EQ(e, p);
  EXPECT_EQ(BytesAreasLibres(), 0u);
  // The memory is whole and writable end to end.
  std::memset(e, 'y', 8 * kMB);
  EXPECT_EQ(e[8 * kMB - 1], 'y');

  Libera(e, 8);
  Libera(c, 4);
  Libera(d, 3);
  EXPECT_EQ(BytesAreasLibres(), 16 * kMB);
  DevuelveAreasLibres();
  EXPECT_EQ(BytesAreasLibres(), 0u);
}

TEST(AreasLibres, ARequestNothingFitsGivesKeptMemoryBackFirst) {
  DevuelveAreasLibres();
  char* a = Reserva(4);
  char* b = Reserva(6);
  Libera(a, 4);
  Libera(b, 6);
  EXPECT_EQ(BytesAreasLibres(), kGuarda ? 10 * kMB : 0u);
  // 12 MB fits in no kept area: at least 12 MB go back before new memory is mapped, so keeping
  // areas never adds to what the process holds at its peak. (If the two happened to be
  // neighbours they join into 10 MB, which still does not fit.)
  char* c = Reserva(12);
  EXPECT_EQ(BytesAreasLibres(), 0u);
  std::memset(c, 'z', 12 * kMB);
  Libera(c, 12);
  // Small requests are malloc's and are never kept.
  char* pequena = static_cast<char*>(ReservaArea(1000));
  std::memset(pequena, 1, 1000);
  LiberaArea(pequena, 1000);
  EXPECT_EQ(BytesAreasLibres(), kGuarda ? 12 * kMB : 0u);
  DevuelveAreasLibres();
}

// A table loaded while kept areas are too small for all its rows takes its blocks from several
// of them and new memory for the rest: every row reads back as written.
TEST(AreasLibres, ATableLoadsIntoSeveralKeptAreas) {
  arbelio::pruebas::CarpetaTemporal dir;
  constexpr int kFilas = 100000;  // about 4 MB of records
  {
    arbelio::testing::DbfBuilder b;
    b.fields = {{"N", 'N', 10}, {"T", 'C', 30}};
    for (int i = 0; i < kFilas; ++i) {
      const std::string n = std::to_string(i);
      b.add(std::string(10 - n.size(), ' ') + n + "fila " + n);
    }
    b.write(dir.archivo("GRANDE.dbf"));
  }
  DevuelveAreasLibres();
  // Two kept 2 MB areas that cannot join: the one between them is still in use.
  char* a = Reserva(2);
  char* b = Reserva(2);
  char* c = Reserva(2);
  Libera(a, 2);
  Libera(c, 2);
  EXPECT_EQ(BytesAreasLibres(), kGuarda ? 4 * kMB : 0u);
  {
    Database db = Database::open(dir.ruta());
    Cursor t = db.openCursor("GRANDE");
    EXPECT_EQ(BytesAreasLibres(), 0u);  // both taken by the load
    ASSERT_EQ(t.recordCount(), kFilas);
    long long suma = 0;
    int fila = 0;
    for (; !t.eof(); t.moveNext(), ++fila) {
      const int n = t.value("N").toInt32();
      ASSERT_EQ(n, fila);
      ASSERT_EQ(t.value("T").text(), "fila " + std::to_string(n));
      suma += n;
    }
    EXPECT_EQ(suma, static_cast<long long>(kFilas) * (kFilas - 1) / 2);
  }
  Libera(b, 2);
  DevuelveAreasLibres();
}

// Rows kept in pieces of kept memory: each value stays where it was put across pieces (a piece
// boundary is where an off-by-one in the piece arithmetic shows), clearing gives every piece back
// for the next request, and a sequence filled again after clearing reads its new values.
TEST(TrozosGrandes, ValuesSurvivePiecesAndClearGivesThePiecesBack) {
  struct Fila {
    std::int32_t a;
    double b;
    char relleno[20];
  };
  DevuelveAreasLibres();
  TrozosGrandes<Fila> filas;
  const std::size_t n = 3 * TrozosGrandes<Fila>::kPorTrozo + 7;
  for (std::size_t i = 0; i < n; ++i) {
    Fila f{};
    f.a = static_cast<std::int32_t>(i);
    f.b = static_cast<double>(i) / 3;
    filas.push_back(f);
  }
  ASSERT_EQ(filas.size(), n);
  for (const std::size_t i :
       {std::size_t{0}, TrozosGrandes<Fila>::kPorTrozo - 1, TrozosGrandes<Fila>::kPorTrozo,
        2 * TrozosGrandes<Fila>::kPorTrozo, n - 1}) {
    EXPECT_EQ(filas[i].a, static_cast<std::int32_t>(i));
    EXPECT_EQ(filas[i].b, static_cast<double>(i) / 3);
  }
  filas[5].a = -1;
  EXPECT_EQ(filas[5].a, -1);
  filas.clear();
  EXPECT_EQ(filas.size(), 0u);
  EXPECT_EQ(BytesAreasLibres(), kGuarda ? 4 * TrozosGrandes<Fila>::kBytesTrozo : 0u);
  filas.push_back(Fila{42, 0.5, {}});
  EXPECT_EQ(filas.size(), 1u);
  EXPECT_EQ(filas[0].a, 42);
  EXPECT_EQ(BytesAreasLibres(), kGuarda ? 3 * TrozosGrandes<Fila>::kBytesTrozo : 0u);
  filas.clear();
  DevuelveAreasLibres();
}
