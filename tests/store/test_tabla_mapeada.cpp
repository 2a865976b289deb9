// Tables of the workspace read in place: a large file of a scratch folder is loaded by mapping
// its records. Reads, edits, appends, deletions and a save over the mapped file give what a
// table read into memory gives, the file stays as it was until saved, and files that something
// else may change in place (a second name of a user's file, a file outside the workspace) are
// read into memory, so changing them afterwards cannot reach the loaded table.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio::store;

namespace {

// A row's record text for the builder: N (10 digits, right aligned) then T (30 characters).
std::string Registro(int n) {
  const std::string s = std::to_string(n);
  return std::string(10 - s.size(), ' ') + s + "fila " + s + std::string(25 - s.size(), ' ');
}

// A table of `filas` rows (every 1000th deleted) at `ruta`.
void EscribeTabla(const std::string& ruta, int filas) {
  arbelio::testing::DbfBuilder b;
  b.fields = {{"N", 'N', 10}, {"T", 'C', 30}};
  for (int i = 0; i < filas; ++i) b.add(Registro(i), i % 1000 == 7);
  b.write(ruta);
}

// True when this process maps the file at `ruta` (a line of /proc/self/maps names it).
bool Mapeado(const std::string& ruta) {
  std::ifstream maps("/proc/self/maps");
  const std::string canonica = std::filesystem::canonical(ruta).string();
  for (std::string l; std::getline(maps, l);) {
    if (l.size() >= canonica.size() &&
        l.compare(l.size() - canonica.size(), std::string::npos, canonica) == 0)
      return true;
  }
  return false;
}

// Reads every live row and checks it against what EscribeTabla wrote; the rows read.
int CompruebaFilas(Cursor& t, int filas) {
  int leidas = 0;
  int esperada = 0;
  for (t.moveFirst(); !t.eof(); t.moveNext(), ++leidas, ++esperada) {
    if (esperada % 1000 == 7) ++esperada;
    const int n = t.value("N").toInt32();
    EXPECT_EQ(n, esperada);
    EXPECT_EQ(t.value("T").text(), "fila " + std::to_string(esperada));
    if (n != esperada) break;
  }
  EXPECT_LE(esperada, filas);
  return leidas;
}

}  // namespace

// 100,000 rows: 24 whole blocks of 4,096 mapped and 1,696 rows in a block of their own; and
// 24 blocks exactly, where appended rows start a new block.
TEST(TablaMapeada, ReadsEditsAppendsAndSavesLikeALoadedTable) {
  for (const int filas : {100000, 24 * 4096}) {
    SCOPED_TRACE(filas);
    arbelio::pruebas::CarpetaTemporal dir;
    markScratchFolder(dir.ruta());
    const std::string ruta = dir.archivo("GRANDE.dbf");
    EscribeTabla(ruta, filas);
    const std::string antes = arbelio::testing::readFile(ruta);
    const int vivas = filas - (filas - 8) / 1000 - 1;
    {
      Database db = Database::open(dir.ruta());
      Cursor t = db.openCursor("GRANDE");
      EXPECT_TRUE(Mapeado(ruta));
      ASSERT_EQ(t.recordCount(), vivas);
      EXPECT_EQ(CompruebaFilas(t, filas), vivas);

      // An edit of the first row (a mapped page), a deletion in the middle, two appended rows.
      t.moveFirst();
      t.edit();
      t.setValue("T", Value("primera"));
      t.update();
      t.setAbsolutePosition(50000);
      const int borrada = t.value("N").toInt32();
      t.remove();
      for (const int n : {-1, -2}) {
        t.addNew();
        t.setValue("N", Value(n));
        t.setValue("T", Value("nueva " + std::to_string(n)));
        t.update();
      }
      // The file is not touched before the table is saved.
      EXPECT_EQ(arbelio::testing::readFile(ruta), antes);
      db.close();

      // Saved over the mapped file: the new file holds the live rows, the changes included.
      Database otra = Database::open(dir.ruta());
      Cursor r = otra.openCursor("SELECT N, T FROM GRANDE WHERE N = 0 OR N < 0 OR N = " +
                                 std::to_string(borrada));
      std::string leido;
      for (; !r.eof(); r.moveNext())
        leido += r.value("N").toString() + ":" + r.value("T").text() + ";";
      EXPECT_EQ(leido, "0:primera;-1:nueva -1;-2:nueva -2;");
      EXPECT_EQ(otra.openCursor("GRANDE").recordCount(), vivas + 1);
    }
    EXPECT_FALSE(Mapeado(ruta));  // the mapping goes with the table
  }
}

// A save writes a block whose rows are all live and flagged so as it stands, and gathers the
// records of the others: a block with a deleted row, a block with a live row whose flag is not a
// blank (written with a blank), the last part block. The file holds the live rows in order.
TEST(TablaMapeada, SavedBlocksHoldTheLiveRowsInOrder) {
  arbelio::pruebas::CarpetaTemporal dir;
  const std::string ruta = dir.archivo("BLOQUES.dbf");
  const int filas = 3 * 4096 + 100;
  const auto borrada = [](int i) { return i == 4096 + 5 || i == 4096 + 4095; };
  {
    arbelio::testing::DbfBuilder b;
    b.fields = {{"N", 'N', 10}, {"T", 'C', 30}};
    for (int i = 0; i < filas; ++i) b.add(Registro(i), borrada(i));
    b.write(ruta);
  }
  // Row 2 * 4096 + 7 flagged 'X': live, as every flag but '*'.
  const std::size_t cabecera = 32 + 32 * 2 + 1, largo = 1 + 40;
  {
    std::fstream f(ruta, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(cabecera + (2 * 4096 + 7) * largo));
    f.put('X');
  }
  {
    Database db = Database::open(dir.ruta());
    Cursor t = db.openCursor("BLOQUES");
    t.setAbsolutePosition(t.recordCount() - 1);
    t.edit();
    t.setValue("T", Value("ultima"));
    t.update();
    db.close();
  }
  std::string esperado;
  for (int i = 0; i < filas; ++i) {
    if (borrada(i)) continue;
    std::string r = " " + Registro(i);
    if (i == filas - 1) r = r.substr(0, 11) + "ultima" + std::string(24, ' ');
    esperado += r;
  }
  esperado += '\x1A';
  const std::string escrito = arbelio::testing::readFile(ruta);
  ASSERT_GT(escrito.size(), cabecera);
  EXPECT_TRUE(escrito.substr(cabecera) == esperado);
  EXPECT_EQ(static_cast<unsigned char>(escrito[4]) | static_cast<unsigned char>(escrito[5]) << 8,
            filas - 2);
}

// A second name of a user's file and a file outside the workspace may be changed in place by
// another program: they are read into memory, and truncating the file afterwards leaves the
// loaded rows readable.
TEST(TablaMapeada, FilesOthersMayChangeAreReadIntoMemory) {
  arbelio::pruebas::CarpetaTemporal usuario;
  arbelio::pruebas::CarpetaTemporal trabajo;
  markScratchFolder(trabajo.ruta());
  const std::string original = usuario.archivo("PROV.dbf");
  EscribeTabla(original, 100000);
  const std::string enlace = trabajo.archivo("PROV.dbf");
  ASSERT_EQ(::link(original.c_str(), enlace.c_str()), 0);
  for (const std::string& carpeta : {trabajo.ruta(), usuario.ruta()}) {
    SCOPED_TRACE(carpeta);
    Database db = Database::open(carpeta);
    Cursor t = db.openCursor("PROV");
    EXPECT_FALSE(Mapeado(original));
    ASSERT_EQ(::truncate(original.c_str(), 100), 0);
    EXPECT_EQ(CompruebaFilas(t, 100000), 100000 - 100);
    db.close();
    EscribeTabla(original, 100000);  // restored (in place: the link still names it)
  }
}
