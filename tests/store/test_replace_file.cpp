// Saving for the user: a failed write (a full disk after N bytes, a real small file system, the
// process killed halfway) leaves the earlier file whole and no partial file in its place; the
// temporaries a killed save left go with the next save of the file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "DbfBuilder.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio::store;
using arbelio::pruebas::CarpetaTemporal;
using arbelio::testing::readFile;
namespace fs = std::filesystem;

namespace {

void Escribe(const std::string& ruta, const std::string& bytes) {
  std::ofstream(ruta, std::ios::binary) << bytes;
}

// Files of a folder whose name starts with '.' (temporary copies), the lock file apart.
int Temporales(const std::string& carpeta) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(carpeta)) {
    const std::string nombre = e.path().filename().string();
    if (nombre[0] == '.' && nombre != kLockFileName) ++n;
  }
  return n;
}

struct SinFallos {
  ~SinFallos() { failWritesAfterForTesting(-1); }
};

TEST(ReplaceFile, AFullDiskLeavesTheEarlierFileWholeAndNoTemporary) {
  CarpetaTemporal dir;
  const std::string origen = dir.archivo("nuevo.dbf"), destino = dir.archivo("AindivMU.dbf");
  const std::string viejo(5000, 'v'), nuevo(300000, 'n');
  Escribe(origen, nuevo);
  SinFallos restaura;
  for (const long long tras : {0LL, 1LL, 4096LL, 65536LL, 299999LL}) {
    Escribe(destino, viejo);
    failWritesAfterForTesting(tras);
    try {
      replaceFile(origen, destino);
      ADD_FAILURE() << "sin error tras " << tras << " bytes";
    } catch (const StoreError& e) {
      // What, where and why, in Spanish.
      EXPECT_NE(e.description().find("No se ha podido guardar 'AindivMU.dbf' en la carpeta " +
                                     dir.ruta() + ": no queda espacio en el disco."),
                std::string::npos)
          << e.description();
    }
    EXPECT_EQ(readFile(destino), viejo) << tras;
    EXPECT_EQ(Temporales(dir.ruta()), 0) << tras;
  }
  failWritesAfterForTesting(-1);
  replaceFile(origen, destino);
  EXPECT_EQ(readFile(destino), nuevo);

  // The same for bytes the program makes (a CSV file).
  failWritesAfterForTesting(10);
  EXPECT_THROW(replaceFileContents(destino, std::string(100, 'c')), StoreError);
  EXPECT_EQ(readFile(destino), nuevo);
  EXPECT_EQ(Temporales(dir.ruta()), 0);
}

TEST(ReplaceFile, AnEarlierFileInAnotherLetterCaseGoesOnlyOnceTheCopyIsWhole) {
  CarpetaTemporal dir;
  Escribe(dir.archivo("origen.txt"), "nuevo");
  Escribe(dir.archivo("COMENTAB.TXT"), "viejo");
  SinFallos restaura;
  failWritesAfterForTesting(2);
  EXPECT_THROW(replaceFile(dir.archivo("origen.txt"), dir.archivo("ComentAb.txt")), StoreError);
  EXPECT_EQ(readFile(dir.archivo("COMENTAB.TXT")), "viejo");
  EXPECT_FALSE(fileExists(dir.archivo("ComentAb.txt")));
  failWritesAfterForTesting(-1);
  replaceFile(dir.archivo("origen.txt"), dir.archivo("ComentAb.txt"));
  EXPECT_EQ(readFile(dir.archivo("ComentAb.txt")), "nuevo");
  EXPECT_FALSE(fileExists(dir.archivo("COMENTAB.TXT")));
}

// Several files replaced together: a failure of any copy (the last one here, or a full disk
// at any point) leaves every earlier file as it was; when all succeed, all are in place, and
// a stale index sidecar and an old name in another letter case go with them.
TEST(ReplaceFile, SeveralFilesAreReplacedOnlyWhenAllCopiesAreWhole) {
  CarpetaTemporal dir;
  fs::create_directories(dir.archivo("sal"));
  std::vector<std::pair<std::string, std::string>> copias;
  for (int i = 0; i < 5; ++i) {
    const std::string n = std::to_string(i);
    Escribe(dir.archivo("o" + n + ".dbf"),
            std::string(70000 * (i + 1), 'a' + static_cast<char>(i)));
    Escribe(dir.archivo("sal/T" + n + ".dbf"), "viejo" + n);
    copias.emplace_back(dir.archivo("o" + n + ".dbf"), dir.archivo("sal/T" + n + ".dbf"));
  }
  const auto viejos = [&] {
    for (int i = 0; i < 5; ++i) {
      const std::string n = std::to_string(i);
      EXPECT_EQ(readFile(dir.archivo("sal/T" + n + ".dbf")), "viejo" + n) << i;
    }
    EXPECT_EQ(Temporales(dir.archivo("sal")), 0);
  };
  auto conFallo = copias;
  conFallo.emplace_back(dir.archivo("o0.dbf"), dir.archivo("no-existe/T9.dbf"));
  EXPECT_THROW(replaceFiles(conFallo), StoreError);
  viejos();
  {
    SinFallos restaura;
    for (const long long tras : {0LL, 100000LL, 500000LL, 1049999LL}) {
      failWritesAfterForTesting(tras);
      EXPECT_THROW(replaceFiles(copias), StoreError) << tras;
      viejos();
    }
  }
  Escribe(dir.archivo("sal/T2.aix"), "indices viejos");
  Escribe(dir.archivo("sal/t3.DBF"), "otro nombre");
  replaceFiles(copias);
  for (int i = 0; i < 5; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(readFile(dir.archivo("sal/T" + n + ".dbf")),
              std::string(70000 * (i + 1), 'a' + static_cast<char>(i)));
  }
  EXPECT_FALSE(fileExists(dir.archivo("sal/T2.aix")));
  EXPECT_FALSE(fileExists(dir.archivo("sal/t3.DBF")));
  EXPECT_EQ(Temporales(dir.archivo("sal")), 0);
}

// A process killed while it replaces a file: the file is the old one or the new one, whole.
TEST(ReplaceFile, KilledHalfwayTheTargetIsTheOldOrTheNewFileWhole) {
  CarpetaTemporal dir;
  const std::string origen = dir.archivo("grande.dbf"), destino = dir.archivo("ParcelMU.dbf");
  const std::string viejo(1000, 'v'), nuevo(40 << 20, 'n');
  Escribe(origen, nuevo);
  int muertoAMitad = 0;
  for (int intento = 0; intento < 8; ++intento) {
    Escribe(destino, viejo);
    const pid_t hijo = fork();
    ASSERT_GE(hijo, 0);
    if (hijo == 0) {
      try {
        for (;;) replaceFile(origen, destino);  // until killed
      } catch (...) {
      }
      _exit(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2 + 7 * intento));
    kill(hijo, SIGKILL);
    int estado = 0;
    waitpid(hijo, &estado, 0);
    const auto tamano = fs::file_size(destino);
    ASSERT_TRUE(tamano == viejo.size() || tamano == nuevo.size()) << tamano;
    const std::string leido = readFile(destino);
    EXPECT_TRUE(leido == viejo || leido == nuevo);
    if (leido == viejo) ++muertoAMitad;
  }
  EXPECT_GT(muertoAMitad, 0) << "ninguna copia se interrumpió a medias";
  // The killed copies left their hidden temporaries; the next save of the file removes them.
  replaceFile(origen, destino);
  EXPECT_EQ(Temporales(dir.ruta()), 0);
  EXPECT_EQ(readFile(destino), nuevo);
}

// Sources about to be deleted may be given as second names: the targets are the sources' files
// (no bytes copied), an earlier target is replaced, a sidecar follows its table; with the failure
// seam set the bytes are copied and a failure leaves everything as it was.
TEST(ReplaceFile, SecondNamesOfSourcesAboutToGo) {
  CarpetaTemporal dir;
  fs::create_directory(dir.archivo("out"));
  const std::string a = dir.archivo("AindivXY.dbf"), b = dir.archivo("ParcelXY.dbf");
  Escribe(a, std::string(70000, 'a'));
  Escribe(b, std::string(3000, 'b'));
  Escribe(dir.archivo("ParcelXY.aix"), "indice");
  const std::string ta = dir.archivo("out/AindivGD.dbf"), tb = dir.archivo("out/ParcelGD.dbf");
  Escribe(ta, "viejo");
  const auto inodo = [](const std::string& r) {
    struct stat st {};
    EXPECT_EQ(stat(r.c_str(), &st), 0) << r;
    return std::pair(st.st_ino, st.st_nlink);
  };
  replaceFiles({{a, ta}, {b, tb}}, ModoCopia::SegundoNombre);
  EXPECT_EQ(inodo(ta), inodo(a));
  EXPECT_EQ(inodo(ta).second, 2u);
  EXPECT_EQ(inodo(tb), inodo(b));
  EXPECT_EQ(readFile(dir.archivo("out/ParcelGD.aix")), "indice");
  EXPECT_EQ(Temporales(dir.archivo("out")), 0);
  // The sources go: the targets stay whole.
  fs::remove(a);
  fs::remove(b);
  EXPECT_EQ(readFile(ta), std::string(70000, 'a'));
  EXPECT_EQ(inodo(ta).second, 1u);

  // With the seam set, bytes are copied, and a failure halfway leaves the old targets.
  Escribe(a, std::string(70000, 'n'));
  Escribe(b, std::string(3000, 'm'));
  SinFallos restaura;
  failWritesAfterForTesting(72000);
  EXPECT_THROW(replaceFiles({{a, ta}, {b, tb}}, ModoCopia::SegundoNombre), StoreError);
  failWritesAfterForTesting(-1);
  EXPECT_EQ(readFile(ta), std::string(70000, 'a'));
  EXPECT_EQ(readFile(tb), std::string(3000, 'b'));
  EXPECT_EQ(Temporales(dir.archivo("out")), 0);
  EXPECT_EQ(readFile(a), std::string(70000, 'n'));  // the sources are untouched
}

// A file that replaces another takes its name (the old one goes, and no temporary stays), a
// second name of the old file keeps it, and a folder of that name is refused and left as it is.
TEST(ReplaceFile, TheNewFileTakesTheNameAndAFolderOfThatNameStays) {
  CarpetaTemporal dir;
  const std::string destino = dir.archivo("TotalsMU.dbf"), segundo = dir.archivo("viejo.dbf");
  Escribe(destino, "viejo");
  fs::create_hard_link(destino, segundo);
  replaceFileContents(destino, "nuevo");
  EXPECT_EQ(readFile(destino), "nuevo");
  EXPECT_EQ(readFile(segundo), "viejo");
  EXPECT_EQ(fs::hard_link_count(segundo), 1u);
  EXPECT_EQ(Temporales(dir.ruta()), 0);

  const std::string carpeta = dir.archivo("SpecieMU.dbf");
  fs::create_directory(carpeta);
  Escribe(carpeta + "/dentro.txt", "x");
  try {
    replaceFileContents(carpeta, "nuevo");
    ADD_FAILURE() << "sin error";
  } catch (const StoreError& e) {
    EXPECT_NE(e.description().find("hay una carpeta con ese nombre"), std::string::npos)
        << e.description();
  }
  EXPECT_TRUE(fs::is_directory(carpeta));
  EXPECT_EQ(readFile(carpeta + "/dentro.txt"), "x");
  EXPECT_EQ(Temporales(dir.ruta()), 0);
}

// Only temporaries of the saved file, of processes that no longer run, are removed.
TEST(ReplaceFile, ASaveRemovesOnlyTheOrphanedTemporariesOfItsFile) {
  CarpetaTemporal dir;
  const std::string destino = dir.archivo("SpecieMU.dbf");
  const std::string muerto = ".SpecieMU.dbf.tmp2147483646_0";  // no process has that number
  const std::vector<std::string> quedan = {
      ".SpecieMU.dbf.tmp" + std::to_string(getpid()) + "_7",  // this process: not orphaned
      ".SpecieMU.dbf.tmp1_0",                                 // a process that runs
      ".SpecieMU.dbf.tmpcopia",                               // not a name the store gives
      ".CldiamMU.dbf.tmp2147483646_0",                        // another file's
  };
  Escribe(dir.archivo(muerto), "x");
  for (const auto& q : quedan) Escribe(dir.archivo(q), "x");
  replaceFileContents(destino, "nuevo");
  EXPECT_FALSE(fs::exists(dir.archivo(muerto)));
  for (const auto& q : quedan) EXPECT_TRUE(fs::exists(dir.archivo(q))) << q;
  EXPECT_EQ(readFile(destino), "nuevo");
}

// A real small file system (a tmpfs mounted in a private mount namespace), where available:
// a save that does not fit fails with the disk's own error and the earlier file stays whole.
TEST(ReplaceFile, OnARealFullFileSystemTheEarlierFileStays) {
  CarpetaTemporal dir;
  const std::string montaje = dir.archivo("disco");
  fs::create_directories(montaje);
  Escribe(dir.archivo("nuevo.bin"), std::string(400 << 10, 'n'));
  // The earlier file (200 KiB) fits in the 256 KiB disk; a whole new copy beside it does not.
  // The saving itself runs in a helper test of this program inside the namespace.
  const std::string yo = fs::read_symlink("/proc/self/exe").string();
  const std::string guion =
      "mount -t tmpfs -o size=256k tmpfs " + montaje + " || exit 77; " +
      "head -c 204800 /dev/zero > " + montaje + "/TotalsMU.dbf || exit 78; '" + yo +
      "' --gtest_filter=ReplaceFileHelper.* " + "--gtest_also_run_disabled_tests > " +
      dir.archivo("ayudante.txt") + " 2>&1; echo $? > " + dir.archivo("rc.txt") + "; ls -a " +
      montaje + " > " + dir.archivo("ls.txt");
  ::setenv("ARBELIO_PRUEBA_DISCO", montaje.c_str(), 1);
  ::setenv("ARBELIO_PRUEBA_NUEVO", dir.archivo("nuevo.bin").c_str(), 1);
  const int r = std::system(("unshare -m sh -c \"" + guion + "\" > /dev/null 2>&1").c_str());
  ::unsetenv("ARBELIO_PRUEBA_DISCO");
  ::unsetenv("ARBELIO_PRUEBA_NUEVO");
  if (!WIFEXITED(r) || WEXITSTATUS(r) != 0 || !fs::exists(dir.archivo("rc.txt"))) {
    GTEST_SKIP() << "no se puede montar un sistema de archivos pequeño aquí";
  }
  EXPECT_EQ(readFile(dir.archivo("rc.txt")), "0\n") << readFile(dir.archivo("ayudante.txt"));
  const std::string ls = readFile(dir.archivo("ls.txt"));
  EXPECT_EQ(ls.find(".TotalsMU.dbf.tmp"), std::string::npos) << ls;
}

// Run inside the mount namespace by the test above (disabled on its own).
TEST(ReplaceFileHelper, DISABLED_SaveOnTheSmallDisk) {
  const char* disco = std::getenv("ARBELIO_PRUEBA_DISCO");
  const char* nuevo = std::getenv("ARBELIO_PRUEBA_NUEVO");
  ASSERT_NE(disco, nullptr);
  const std::string destino = std::string(disco) + "/TotalsMU.dbf";
  const std::string antes = readFile(destino);
  try {
    replaceFile(nuevo, destino);
    FAIL() << "sin error en un disco lleno";
  } catch (const StoreError& e) {
    EXPECT_NE(e.description().find("no queda espacio en el disco"), std::string::npos)
        << e.description();
  }
  EXPECT_EQ(readFile(destino), antes);
  EXPECT_EQ(Temporales(disco), 0);
}

}  // namespace
