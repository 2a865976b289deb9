// arbelio-batch on real failing disks, in a private mount namespace where the machine allows it
// (skipped elsewhere): results saved over earlier ones on a disk that fills up, and derived
// tables saved into a read-only folder. The run fails with a Spanish message saying what and
// where, and every earlier file stays as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "../comun/CarpetaTemporal.h"

namespace fs = std::filesystem;

namespace {

std::string Leer(const std::string& ruta) {
  std::ifstream in(ruta, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs a shell script in a private mount namespace; false when namespaces or mounts are not
// permitted here (the script's first line mounts and exits 77 on failure).
bool EnEspacioDeMontaje(const std::string& guion) {
  const int r = std::system(("unshare -m sh -c '" + guion + "' > /dev/null 2>&1").c_str());
  return WIFEXITED(r) && WEXITSTATUS(r) == 0;
}

std::string Batch() {
  return std::string(ARBELIO_BATCH);
}

const std::string kMuestra = std::string(ARBELIO_PROGRAM_DIR) + "/samples/47";

TEST(FallosDisco, ResultadosSobreOtrosEnUnDiscoLlenoLosDejanIntactos) {
  arbelio::pruebas::CarpetaTemporal dir;
  // Earlier results of the sample, saved under the same code.
  const std::string previa = "'" + Batch() + "' run --db " + kMuestra + "/Piesma47.dbf --out " +
                             dir.archivo("previa") + " --code MU --vars none --csv";
  ASSERT_EQ(std::system((previa + " > /dev/null 2>&1").c_str()), 0);
  std::uintmax_t ocupado = 0;
  // The small disk allocates whole pages: each file counts what it takes there.
  for (const auto& e : fs::directory_iterator(dir.archivo("previa")))
    ocupado += (e.file_size() + 4095) / 4096 * 4096;
  const std::string disco = dir.archivo("disco");
  fs::create_directories(disco);
  // Room for the earlier files and a little more: not for whole new copies beside them.
  const std::string guion =
      "mount -t tmpfs -o size=" + std::to_string(ocupado / 1024 + 64) + "k tmpfs " + disco +
      " || exit 77; cp " + dir.archivo("previa") + "/* " + disco + "/ && md5sum " + disco +
      "/* > " + dir.archivo("antes.txt") + "; " + previa.substr(0, previa.find(" --out ")) +
      " --out " + disco + " --code MU --vars VCC --csv > " + dir.archivo("salida.txt") +
      " 2>&1; echo $? > " + dir.archivo("rc.txt") + "; md5sum " + disco + "/* > " +
      dir.archivo("despues.txt") + "; ls -a " + disco + " > " + dir.archivo("ls.txt");
  if (!EnEspacioDeMontaje(guion)) GTEST_SKIP() << "no se pueden montar discos pequeños aquí";
  const std::string salida = Leer(dir.archivo("salida.txt"));
  EXPECT_NE(Leer(dir.archivo("rc.txt")), "0\n") << salida;
  EXPECT_NE(salida.find("No se ha podido guardar"), std::string::npos) << salida;
  EXPECT_NE(salida.find("en la carpeta " + disco + ": no queda espacio en el disco."),
            std::string::npos)
      << salida;
  // Every earlier file has its earlier bytes; no partial copy is left.
  EXPECT_EQ(Leer(dir.archivo("despues.txt")), Leer(dir.archivo("antes.txt")));
  EXPECT_EQ(Leer(dir.archivo("ls.txt")).find(".tmp"), std::string::npos)
      << Leer(dir.archivo("ls.txt"));
}

TEST(FallosDisco, TablasDerivadasEnUnaCarpetaDeSoloLectura) {
  arbelio::pruebas::CarpetaTemporal dir;
  const std::string prov = dir.archivo("prov");
  fs::create_directories(prov);
  const std::string guion =
      "mount -t tmpfs -o size=4m tmpfs " + prov + " || exit 77; cp " + kMuestra + "/*47.dbf " +
      prov + "/ && mount -o remount,ro " + prov + " || exit 78; '" + Batch() + "' run --db " +
      prov + "/Piesma47.dbf --save-derived --vars none --out " + dir.archivo("salida") + " > " +
      dir.archivo("salida.txt") + " 2>&1; echo $? > " + dir.archivo("rc.txt") + "; ls " + prov +
      " > " + dir.archivo("ls.txt");
  if (!EnEspacioDeMontaje(guion)) GTEST_SKIP() << "no se pueden montar discos pequeños aquí";
  const std::string salida = Leer(dir.archivo("salida.txt"));
  EXPECT_EQ(Leer(dir.archivo("rc.txt")), "1\n") << salida;
  for (const char* t : {"Datdef47", "Especi47"}) {
    EXPECT_NE(salida.find(std::string("no se ha podido guardar la tabla ") + t + " en la carpeta " +
                          prov + "."),
              std::string::npos)
        << salida;
  }
  EXPECT_NE(salida.find("la carpeta está en un disco de sólo lectura"), std::string::npos)
      << salida;
  EXPECT_EQ(salida.find("Saving Error"), std::string::npos);
  // The calculation itself went on and was saved; only the derived copies are missing.
  EXPECT_TRUE(fs::exists(dir.archivo("salida/TotalsAA.dbf")) ||
              !fs::is_empty(dir.archivo("salida")));
  EXPECT_EQ(Leer(dir.archivo("ls.txt")),
            "Datest47.dbf\nMatorr47.dbf\nPiesma47.dbf\nPiesme47.dbf\nTiposx47.dbf\n");
}

}  // namespace
