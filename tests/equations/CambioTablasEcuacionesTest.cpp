// The three user tables change as a unit: a full disk at any byte of a change, a rename refused
// at any step of its commit, a table held open elsewhere in the program, or a change
// interrupted by the program's end leave them as they were (or recover them); what is written
// is read back by another dBASE reader (python3-dbfread).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "../comun/CarpetaTemporal.h"
#include "../store/DbfBuilder.h"
#include "equations/EcuacionesUsuario.h"
#include "store/Database.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio;
using namespace arbelio::equations;
namespace fs = std::filesystem;
using arbelio::testing::readFile;

namespace {

// Every equation as one line: set, keys, formula and parameters.
std::vector<std::string> Lineas(const UbicacionEcuacionesUsuario& u) {
  std::vector<std::string> r;
  for (const auto& q : CargarEcuacionesUsuario(u)) {
    std::string s = std::to_string(q.conjunto.especie) + ";" + std::to_string(q.conjunto.forma) +
                    ";" + std::to_string(q.conjunto.calidad) + ";" + q.conjunto.variable + ";" +
                    std::to_string(q.idmodelo) + ";" + std::to_string(q.idecuacion) + ";" +
                    q.formula;
    for (std::size_t i = 0; i < q.parametros.size(); ++i) {
      s += ";" + q.parametros[i] + "=" + TextoNumero(q.valores[i]);
    }
    r.push_back(s);
  }
  return r;
}

struct SinFallos {
  ~SinFallos() {
    store::failWritesAfterForTesting(-1);
    FallarRenombradoEcuacionesParaPruebas(-1);
  }
};

class CambioTablasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AnadeCalculoaBDQ(u, {21, 0, 0, "VCC"}, "a+b*DN^2*HT", {"a", "b"}, {-2.5, 0.000369});
    AnadeCalculoaBDQ(u, {45, 3, 0, "VSC"}, "k*VCC", {"k"}, {0.8});
  }

  // The bytes of the three table files ("" for a missing one).
  std::map<std::string, std::string> Archivos() const {
    std::map<std::string, std::string> r;
    for (const char* t : {"EcuasAB.dbf", "ModelsAB.dbf", "ParamsAB.dbf"}) {
      const std::string ruta = u.BDOut + "/" + t;
      r[t] = store::fileExists(ruta) ? readFile(ruta) : std::string();
    }
    return r;
  }
  // Only the three tables are left in BDOut: no folder of a change.
  int Entradas() const {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(u.BDOut)) ++n;
    return n;
  }

  pruebas::CarpetaTemporal carpeta;
  UbicacionEcuacionesUsuario u{carpeta.ruta(), std::string(ARBELIO_PROGRAM_DIR) + "/BDEstruct",
                               "AB"};
  SinFallos restaura;
};

// A change run with a disk that fills after `bytes`: true when it went through.
template <class Cambio>
bool ConDiscoLleno(long long bytes, Cambio&& cambio, std::string& mensaje) {
  store::failWritesAfterForTesting(bytes);
  try {
    cambio();
    store::failWritesAfterForTesting(-1);
    return true;
  } catch (const store::StoreError& e) {
    store::failWritesAfterForTesting(-1);
    mensaje = e.description();
    return false;
  }
}

}  // namespace

TEST_F(CambioTablasTest, UnDiscoLlenoEnCualquierPuntoDejaLasTresTablasComoEstaban) {
  const std::map<std::string, std::function<void()>> cambios = {
      {"añadir",
       [&] {
         AnadeCalculoaBDQ(u, {23, 2, 1, "IAVC"}, "p*DN^q", {"p", "q"}, {0.01, 2.2});
       }},
      {"modificar",
       [&] {
         ModificaCalculodeBDQ(u, {21, 0, 0, "VCC"}, "c*DN^d*HT", {"c", "d"}, {3, 1.5});
       }},
      {"borrar",
       [&] {
         QuitaCalculodeBDQ(u, {21, 0, 0, "VCC"});
       }},
  };
  const auto antes = Archivos();
  const auto lineasAntes = Lineas(u);
  for (const auto& [nombre, cambio] : cambios) {
    int fallos = 0;
    bool hecho = false;
    for (long long bytes = 0; !hecho && bytes < 100000; bytes += 131) {
      std::string mensaje;
      hecho = ConDiscoLleno(bytes, cambio, mensaje);
      if (hecho) break;
      ++fallos;
      ASSERT_EQ(Archivos(), antes) << nombre << " tras " << bytes << " bytes";
      ASSERT_EQ(Entradas(), 3) << nombre << " tras " << bytes << " bytes";
      EXPECT_NE(mensaje.find("no queda espacio en el disco"), std::string::npos) << mensaje;
      EXPECT_NE(mensaje.find("Las tablas EcuasAB, ModelsAB y ParamsAB quedan como estaban."),
                std::string::npos)
          << mensaje;
    }
    ASSERT_TRUE(hecho) << nombre;
    // The change failed at many points (the copies, then each table written) before it went
    // through whole.
    EXPECT_GT(fallos, 10) << nombre;
    EXPECT_NE(Lineas(u), lineasAntes) << nombre;
    EXPECT_EQ(Entradas(), 3) << nombre;
    // Back to the first state for the next change.
    for (const auto& [tabla, bytes] : antes)
      store::replaceFileContents(u.BDOut + "/" + tabla, bytes);
  }
}

TEST_F(CambioTablasTest, UnRenombradoRechazadoEnCualquierPasoDeshaceLosAnteriores) {
  const auto antes = Archivos();
  // Three tables moved aside, then three copies renamed in: six renames.
  for (int paso = 0; paso < 6; ++paso) {
    FallarRenombradoEcuacionesParaPruebas(paso);
    try {
      AnadeCalculoaBDQ(u, {23, 2, 1, "IAVC"}, "p*DN^q", {"p", "q"}, {0.01, 2.2});
      ADD_FAILURE() << "sin error en el paso " << paso;
    } catch (const store::StoreError& e) {
      EXPECT_NE(e.description().find("quedan como estaban"), std::string::npos) << e.description();
    }
    ASSERT_EQ(Archivos(), antes) << "paso " << paso;
    ASSERT_EQ(Entradas(), 3) << "paso " << paso;
  }
  FallarRenombradoEcuacionesParaPruebas(6);  // past the last rename: the change goes through
  EXPECT_EQ(AnadeCalculoaBDQ(u, {23, 2, 1, "IAVC"}, "p*DN^q", {"p", "q"}, {0.01, 2.2}), 3);
  EXPECT_EQ(Lineas(u).size(), 3u);
}

TEST_F(CambioTablasTest, SinTablasUnFalloNoDejaNinguna) {
  pruebas::CarpetaTemporal otra;
  UbicacionEcuacionesUsuario v = u;
  v.BDOut = otra.ruta();
  // Nothing to move aside: the three copies renamed in are the only steps.
  for (int paso = 0; paso < 3; ++paso) {
    FallarRenombradoEcuacionesParaPruebas(paso);
    EXPECT_THROW(AnadeCalculoaBDQ(v, {23, 0, 0, "VCC"}, "a*DN", {"a"}, {1}), store::StoreError);
    EXPECT_TRUE(fs::is_empty(otra.path())) << "paso " << paso;
  }
}

TEST_F(CambioTablasTest, UnaTablaAbiertaEnElProgramaNoSeSustituye) {
  const auto antes = Archivos();
  {
    store::Database db = store::Database::open(u.BDOut);
    store::Cursor c = db.openCursor("EcuasAB");
    EXPECT_EQ(c.recordCount(), 2);
    try {
      QuitaCalculodeBDQ(u, {45, 3, 0, "VSC"});
      ADD_FAILURE() << "sin error";
    } catch (const store::StoreError& e) {
      EXPECT_NE(e.description().find("quedan como estaban"), std::string::npos) << e.description();
    }
    EXPECT_EQ(c.recordCount(), 2);
  }
  EXPECT_EQ(Archivos(), antes);
  EXPECT_EQ(Entradas(), 3);
  EXPECT_TRUE(QuitaCalculodeBDQ(u, {45, 3, 0, "VSC"}));
  EXPECT_EQ(Lineas(u).size(), 1u);
}

TEST_F(CambioTablasTest, UnCambioInterrumpidoSeRecuperaAlSiguiente) {
  // The program ended after moving EcuasAB aside and before renaming its copy in.
  const std::string carpetaCambio = u.BDOut + "/.ecuacionesAB.tmp";
  fs::create_directories(carpetaCambio + "/anteriores");
  fs::rename(u.BDOut + "/EcuasAB.dbf", carpetaCambio + "/anteriores/EcuasAB.dbf");
  std::ofstream(carpetaCambio + "/ModelsAB.dbf") << "a half-written copy";
  AnadeCalculoaBDQ(u, {23, 2, 1, "IAVC"}, "p*DN^q", {"p", "q"}, {0.01, 2.2});
  const auto lineas = Lineas(u);
  ASSERT_EQ(lineas.size(), 3u);
  EXPECT_EQ(lineas[0], "21;0;0;VCC;1;1;a+b*DN^2*HT;a=-2.5;b=0.000369");
  EXPECT_EQ(lineas[1], "45;3;0;VSC;2;2;k*VCC;k=0.8");
  EXPECT_EQ(lineas[2], "23;2;1;IAVC;3;3;p*DN^q;p=0.01;q=2.2");
  EXPECT_EQ(Entradas(), 3);
}

TEST_F(CambioTablasTest, OtroLectorDbaseLeeLasTresTablas) {
  ModificaCalculodeBDQ(u, {21, 0, 0, "VCC"}, "c*DN^d", {"c", "d"}, {0.0024120, 2.25});
  AnadeCalculoaBDQ(u, {23, 2, 1, "IAVC"}, "p*DN^q", {"p", "q"}, {0.01, 2.2});
  QuitaCalculodeBDQ(u, {45, 3, 0, "VSC"});
  const std::string script = carpeta.archivo("leer.py");
  std::ofstream(script) << "import sys\n"
                           "from dbfread import DBF\n"
                           "d = sys.argv[1]\n"
                           "for t in ('EcuasAB', 'ModelsAB', 'ParamsAB'):\n"
                           "    for r in DBF(d + '/' + t + '.dbf', lowernames=True):\n"
                           "        print(t, '|'.join(str(v).strip() for v in r.values()))\n";
  const std::string salida = carpeta.archivo("salida.txt");
  ASSERT_EQ(std::system(
                ("/usr/bin/python3 " + script + " " + u.BDOut + " > " + salida + " 2>&1").c_str()),
            0)
      << readFile(salida);
  // Deleted rows are invisible; the replaced formula is a new "Models" row, the old one stays;
  // the parameters of the replaced equation are its new ones.
  EXPECT_EQ(readFile(salida),
            "EcuasAB 21|0|0|VCC|3|1\n"
            "EcuasAB 23|2|1|IAVC|4|3\n"
            "ModelsAB 1|a+b*DN^2*HT\n"
            "ModelsAB 2|k*VCC\n"
            "ModelsAB 3|c*DN^d\n"
            "ModelsAB 4|p*DN^q\n"
            "ParamsAB 1|c|0.002412\n"
            "ParamsAB 1|d|2.25\n"
            "ParamsAB 3|p|0.01\n"
            "ParamsAB 3|q|2.2\n");
}
