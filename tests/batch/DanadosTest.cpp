// Damaged copies of the sample province, one folder per case under tests/batch/danados/:
//   dano.txt      how genera.py damages a copy of the sample (see the script)
//   orden.txt     the arbelio-batch command line ({muestra} the damaged province, {muestra09}
//                 a sound province 9, {caso} the case's working folder, {home}, {out}; an
//                 argument "@FILE" is FILE's text)
//   esperado.txt  "rc N", "contiene TEXT" / "no-contiene TEXT" (in the printed output), and
//                 "consulta FOLDER SQL" followed by "= LINE" lines: the query's CSV.
// Each command runs as its own process under a time limit, so a crash or a hang is a failure
// of its case and not of the test run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../comun/CarpetaTemporal.h"
#include "store/Database.h"

namespace fs = std::filesystem;

namespace {

const std::string kCasos = std::string(ARBELIO_SOURCE_DIR) + "/tests/batch/danados";
constexpr int kSegundosMaximos = 120;

std::string Leer(const std::string& ruta) {
  std::ifstream in(ruta, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Comillas(const std::string& s) {
  std::string r = "'";
  for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return r + "'";
}

struct Salida {
  int rc = -1;
  std::string texto;  // standard output and error together
};

// Runs a shell command line with a time limit; rc 124 means it did not end in time.
Salida Ejecuta(const std::string& linea, const std::string& carpeta) {
  const std::string registro = carpeta + "/salida.txt";
  const std::string orden = "timeout " + std::to_string(kSegundosMaximos) + " " + linea + " > " +
                            Comillas(registro) + " 2>&1";
  const int estado = std::system(orden.c_str());
  Salida s;
  s.rc = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
  s.texto = Leer(registro);
  return s;
}

std::string Batch(const std::vector<std::string>& args) {
  std::string l = Comillas(ARBELIO_BATCH);
  for (const auto& a : args) l += " " + Comillas(a);
  return l;
}

// Words of a command line; double quotes group words.
std::vector<std::string> Palabras(const std::string& linea) {
  std::vector<std::string> r;
  std::string actual;
  bool comillas = false, hay = false;
  for (char c : linea) {
    if (c == '"') {
      comillas = !comillas;
      hay = true;
    } else if (c == ' ' && !comillas) {
      if (hay) r.push_back(actual);
      actual.clear();
      hay = false;
    } else if (c != '\n') {
      actual += c;
      hay = true;
    }
  }
  if (hay) r.push_back(actual);
  return r;
}

std::string Sustituye(std::string s, const std::vector<std::pair<std::string, std::string>>& v) {
  for (const auto& [marca, valor] : v) {
    for (std::size_t p = s.find(marca); p != std::string::npos; p = s.find(marca, p + valor.size()))
      s.replace(p, marca.size(), valor);
  }
  return s;
}

std::vector<std::string> Lineas(const std::string& texto) {
  std::vector<std::string> r;
  std::istringstream in(texto);
  std::string l;
  while (std::getline(in, l)) r.push_back(l);
  return r;
}

std::vector<std::string> NombresDeCasos() {
  std::vector<std::string> r;
  for (const auto& e : fs::directory_iterator(kCasos)) {
    if (e.is_directory()) r.push_back(e.path().filename().string());
  }
  std::sort(r.begin(), r.end());
  return r;
}

class Danados : public ::testing::TestWithParam<std::string> {
 protected:
  // The sample province, and beside it the plot summary and species tables the program
  // builds from it (the cases that start from a province that brings them).
  static void SetUpTestSuite() {
    muestra_ = new arbelio::pruebas::CarpetaTemporal;
    for (const char* t : {"Datest47", "Piesma47", "Piesme47", "Tiposx47", "Matorr47"}) {
      fs::copy_file(std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/" + t + ".dbf",
                    muestra_->archivo(std::string(t) + ".dbf"));
    }
    const Salida s = Ejecuta(
        Batch({"run", "--db", muestra_->archivo("Piesma47.dbf"), "--save-derived", "--vars", "none",
               "--tables", "Parcel", "--out", muestra_->archivo("derivadas-salida")}),
        muestra_->ruta());
    ASSERT_EQ(s.rc, 0) << s.texto;
    // A second, sound province for the cases that merge two.
    const Salida p = Ejecuta(Batch({"sample", "--out", muestra_->archivo("09"), "--province", "9",
                                    "--plots", "30", "--seed", "9"}),
                             muestra_->ruta());
    ASSERT_EQ(p.rc, 0) << p.texto;
  }
  static void TearDownTestSuite() {
    delete muestra_;
    muestra_ = nullptr;
  }
  static arbelio::pruebas::CarpetaTemporal* muestra_;
};

arbelio::pruebas::CarpetaTemporal* Danados::muestra_ = nullptr;

TEST_P(Danados, MensajeYResultadoEsperados) {
  const std::string caso = kCasos + "/" + GetParam();
  arbelio::pruebas::CarpetaTemporal trabajo;
  const Salida g = Ejecuta("/usr/bin/python3 " + Comillas(kCasos + "/genera.py") + " " +
                               Comillas(muestra_->ruta()) + " " + Comillas(caso) + " " +
                               Comillas(trabajo.ruta()),
                           trabajo.ruta());
  ASSERT_EQ(g.rc, 0) << g.texto;
  const std::vector<std::pair<std::string, std::string>> marcas = {
      {"{muestra09}", muestra_->archivo("09")},
      {"{muestra}", trabajo.archivo("muestra")},
      {"{caso}", trabajo.ruta()},
      {"{home}", trabajo.archivo("home")},
      {"{out}", trabajo.archivo("out")}};
  std::vector<std::string> args;
  for (std::string a : Palabras(Sustituye(Leer(caso + "/orden.txt"), marcas))) {
    if (!a.empty() && a[0] == '@') {
      a = Leer(a.substr(1));
      while (!a.empty() && a.back() == '\n') a.pop_back();
    }
    args.push_back(a);
  }
  const Salida s = Ejecuta(Batch(args), trabajo.ruta());
  ASSERT_NE(s.rc, 124) << "no ha terminado en " << kSegundosMaximos << " s";
  ASSERT_LT(s.rc, 128) << "terminado por una señal:\n" << s.texto;

  const std::vector<std::string> esperado = Lineas(Leer(caso + "/esperado.txt"));
  for (std::size_t i = 0; i < esperado.size(); ++i) {
    const std::string& l = esperado[i];
    if (l.rfind("rc ", 0) == 0) {
      EXPECT_EQ(s.rc, std::stoi(l.substr(3))) << s.texto;
    } else if (l.rfind("contiene ", 0) == 0) {
      EXPECT_NE(s.texto.find(l.substr(9)), std::string::npos) << l << "\n" << s.texto;
    } else if (l.rfind("no-contiene ", 0) == 0) {
      EXPECT_EQ(s.texto.find(l.substr(12)), std::string::npos) << l << "\n" << s.texto;
    } else if (l.rfind("consulta ", 0) == 0) {
      const std::string resto = Sustituye(l.substr(9), marcas);
      const std::string carpeta = resto.substr(0, resto.find(' '));
      const std::string sql = resto.substr(resto.find(' ') + 1);
      std::string filas;
      for (; i + 1 < esperado.size() && esperado[i + 1].rfind("= ", 0) == 0; ++i)
        filas += esperado[i + 1].substr(2) + "\n";
      const Salida q = Ejecuta(Batch({"sql", carpeta, sql, "--csv"}), trabajo.ruta());
      EXPECT_EQ(q.rc, 0) << q.texto;
      EXPECT_EQ(q.texto, filas) << sql;
    } else if (!l.empty()) {
      ADD_FAILURE() << "línea no reconocida en esperado.txt: " << l;
    }
  }
}

// After a merge of two provinces whose tables are wider than the templates (longer texts, more
// decimals, a field the templates lack), every value of every field of every provincial table
// is in the working table, unchanged.
TEST_F(Danados, LaFusionConservaCadaValorDeCadaCampo) {
  arbelio::pruebas::CarpetaTemporal trabajo;
  const Salida g = Ejecuta(
      "/usr/bin/python3 " + Comillas(kCasos + "/genera.py") + " " + Comillas(muestra_->ruta()) +
          " " + Comillas(kCasos + "/plantillas-varias") + " " + Comillas(trabajo.ruta()),
      trabajo.ruta());
  ASSERT_EQ(g.rc, 0) << g.texto;
  const Salida s =
      Ejecuta(Batch({"run", "--db", trabajo.archivo("muestra/Piesma47.dbf"), "--db",
                     muestra_->archivo("09/Piesma09.dbf"), "--home", trabajo.archivo("home"),
                     "--out", trabajo.archivo("out"), "--vars", "none", "--tables", "Parcel"}),
              trabajo.ruta());
  ASSERT_EQ(s.rc, 0) << s.texto;
  arbelio::store::OpenOptions soloLectura;
  soloLectura.readOnly = true;
  arbelio::store::Database bdTrabajo =
      arbelio::store::Database::open(trabajo.archivo("home/BDTemp"), soloLectura);
  const std::pair<const char*, const char*> tablas[] = {{"Datest", "DATDEF00"},
                                                        {"Piesma", "PIESMA00"},
                                                        {"Piesme", "PIESME00"},
                                                        {"Tiposx", "TIPOSX00"},
                                                        {"Matorr", "MATORR00"}};
  std::int64_t comparados = 0;
  for (const auto& [carpeta, codigo] : {std::pair{trabajo.archivo("muestra"), std::string("47")},
                                        std::pair{muestra_->archivo("09"), std::string("09")}}) {
    arbelio::store::Database prov = arbelio::store::Database::open(carpeta, soloLectura);
    for (const auto& [base, fusionada] : tablas) {
      arbelio::store::Cursor origen = prov.openCursor(base + codigo);
      arbelio::store::Cursor destino = bdTrabajo.openCursor(fusionada);
      const bool arbol = origen.fieldIndex("NUMORDEN") >= 0;
      for (; !origen.eof(); origen.moveNext()) {
        std::string clave = "PROVINCIA=" + origen.value("PROVINCIA").toString() +
                            " AND ESTADILLO=" + origen.value("ESTADILLO").toString();
        if (arbol) clave += " AND NUMORDEN=" + origen.value("NUMORDEN").toString();
        destino.findFirst(clave);
        ASSERT_FALSE(destino.noMatch()) << fusionada << ": " << clave;
        for (int i = 0; i < origen.fieldCount(); ++i) {
          const int j = destino.fieldIndex(origen.fieldName(i));
          ASSERT_GE(j, 0) << fusionada << " sin el campo " << origen.fieldName(i);
          EXPECT_EQ(destino.value(j).toString(), origen.value(i).toString())
              << fusionada << ", " << clave << ", " << origen.fieldName(i);
          ++comparados;
        }
      }
    }
  }
  EXPECT_GT(comparados, 50000);
}

INSTANTIATE_TEST_SUITE_P(Casos, Danados, ::testing::ValuesIn(NombresDeCasos()),
                         [](const ::testing::TestParamInfo<std::string>& i) {
                           std::string n = i.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

}  // namespace
