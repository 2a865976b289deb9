#include "inventory/BasesAuxiliares.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "inventory/GeneradorMuestra.h"

using namespace arbelio::inventory;
using arbelio::pruebas::CarpetaTemporal;

namespace {

// Read-only access to a SQLite file for checking what was written.
class Consulta {
 public:
  explicit Consulta(const std::string& archivo) {
    if (sqlite3_open_v2(archivo.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << "no se abre " << archivo;
    }
  }
  ~Consulta() { sqlite3_close(db_); }
  // Rows of a query as texts ("" for null); parameters bound as texts or integers.
  std::vector<std::vector<std::string>> filas(const std::string& sql,
                                              const std::vector<std::string>& params = {}) {
    std::vector<std::vector<std::string>> r;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sqlite3_errmsg(db_) << " en " << sql;
      return r;
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
      sqlite3_bind_text(st, static_cast<int>(i) + 1, params[i].c_str(), -1, SQLITE_TRANSIENT);
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> f;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        f.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
      }
      r.push_back(std::move(f));
    }
    sqlite3_finalize(st);
    return r;
  }
  std::vector<std::string> columnasIndice(const std::string& indice) {
    std::vector<std::string> r;
    for (auto& f : filas("PRAGMA index_info(\"" + indice + "\")")) r.push_back(f[2]);
    return r;
  }

 private:
  sqlite3* db_ = nullptr;
};

// Sets an environment variable for the life of the object.
class Entorno {
 public:
  Entorno(const char* nombre, const std::string& valor) : nombre_(nombre) {
    if (const char* v = std::getenv(nombre)) anterior_ = v, habia_ = true;
    setenv(nombre, valor.c_str(), 1);
  }
  ~Entorno() {
    if (habia_) {
      setenv(nombre_, anterior_.c_str(), 1);
    } else {
      unsetenv(nombre_);
    }
  }

 private:
  const char* nombre_;
  std::string anterior_;
  bool habia_ = false;
};

void Escribe(const std::string& archivo, const std::string& texto, bool ejecutable = false) {
  std::ofstream(archivo) << texto;
  if (ejecutable) chmod(archivo.c_str(), 0755);
}

std::string MensajeDe(const std::function<void()>& f) {
  try {
    f();
  } catch (const ErrorDatos& e) {
    return e.what();
  }
  return "(sin error)";
}

}  // namespace

TEST(HusoHojaCsv, LeeFilasConCabeceraYHusoSegundoVacio) {
  std::istringstream in("Hoja,nHusos,Huso1,Huso2\n1,1,29,\n\n12, 2, 29, 30\n13,1,30\n");
  const auto filas = LeeCsvHusoHoja(in);
  ASSERT_EQ(filas.size(), 3u);
  EXPECT_EQ(filas[1].hoja, 12);
  EXPECT_EQ(filas[1].nHusos, 2);
  EXPECT_EQ(filas[1].huso1, 29);
  EXPECT_EQ(filas[1].huso2, 30);
  EXPECT_EQ(filas[0].huso2, 0);
  EXPECT_EQ(filas[2].huso2, 0);
}

TEST(HusoHojaCsv, ErroresConSuLinea) {
  auto lee = [](const std::string& texto) {
    return MensajeDe([&] {
      std::istringstream in(texto);
      LeeCsvHusoHoja(in);
    });
  };
  EXPECT_EQ(lee("1,1,29,\n1,1,30,\n"), "Línea 2: hoja repetida 1");
  EXPECT_EQ(lee("Hoja,nHusos,Huso1,Huso2\n5,2,29,\n"), "Línea 2: falta Huso2 con nHusos 2");
  EXPECT_EQ(lee("5,x,29,\n"), "Línea 1: nHusos no válido");
  EXPECT_EQ(lee("5,1,29,30,31\n"), "Línea 1: se esperan Hoja,nHusos,Huso1,Huso2");
  EXPECT_EQ(lee("5,1,0,\n"), "Línea 1: Huso1 no válido");
  EXPECT_EQ(lee("Hoja,nHusos,Huso1,Huso2\n"), "El archivo no contiene ninguna hoja.");
}

TEST(HusoHojaSqlite, TablaHojasConSuClavePrimaria) {
  CarpetaTemporal dir;
  const std::string f = dir.archivo("sub/HusoHoja.sqlite");
  CreaHusoHojaSqlite({{1, 1, 29, 0}, {12, 2, 29, 30}, {559, 1, 30, 0}}, f);
  Consulta q(f);
  EXPECT_EQ(q.columnasIndice("PrimaryKey"), std::vector<std::string>{"Hoja"});
  EXPECT_EQ(q.filas("SELECT \"unique\" FROM pragma_index_list('Hojas') WHERE name='PrimaryKey'"),
            (std::vector<std::vector<std::string>>{{"1"}}));
  auto r = q.filas("SELECT nHusos, Huso1, Huso2 FROM Hojas INDEXED BY PrimaryKey WHERE Hoja=12");
  EXPECT_EQ(r, (std::vector<std::vector<std::string>>{{"2", "29", "30"}}));
  r = q.filas("SELECT nHusos, Huso1, Huso2 IS NULL FROM Hojas WHERE Hoja=559");
  EXPECT_EQ(r, (std::vector<std::vector<std::string>>{{"1", "30", "1"}}));
  EXPECT_FALSE(std::filesystem::exists(f + ".part"));
}

TEST(HusoHojaSqlite, LaBaseInstaladaResuelveLasHojasDobles) {
  const std::string f = std::string(ARBELIO_PROGRAM_DIR) + "/BDEstruct/HusoHoja.sqlite";
  ASSERT_TRUE(std::filesystem::exists(f)) << f;
  Consulta q(f);
  EXPECT_EQ(q.filas("SELECT count(*), min(Hoja), max(Hoja) FROM Hojas")[0][1], "1");
  EXPECT_GE(std::stoi(q.filas("SELECT count(*) FROM Hojas")[0][0]), 1111);
  // Madrid, one zone; a sheet of León crossed by 6° W, western zone first.
  EXPECT_EQ(q.filas("SELECT nHusos, Huso1 FROM Hojas WHERE Hoja=559"),
            (std::vector<std::vector<std::string>>{{"1", "30"}}));
  const int leon = HojaDeCoordenadas(42.55, -6.0);
  EXPECT_EQ(q.filas("SELECT nHusos, Huso1, Huso2 FROM Hojas WHERE Hoja=?", {std::to_string(leon)}),
            (std::vector<std::vector<std::string>>{{"2", "29", "30"}}));
}

TEST(CubicacionCsv, ExpandeProvinciasYFormas) {
  std::istringstream in(
      "# comentario\nclase,provincias,especie,formas,variable,modelo,a,b,c\n"
      "P.M.,*,26R,135,VCC,1,-2,0.0003,0\nP.M.,47 49,46d,6,VSC,7,-0.5,0.8,-2e-6\n");
  const auto e = LeeCsvCubicacion(in);
  ASSERT_EQ(e.size(), 52u + 2u);
  EXPECT_EQ(e[0].provincia, 1);
  EXPECT_EQ(e[49].provincia, 50);
  EXPECT_EQ(e[50].provincia, 55);
  EXPECT_EQ(e[51].provincia, 56);
  EXPECT_EQ(e[0].especie, "26R");
  EXPECT_EQ(e[0].formas, (std::array<bool, 6>{true, false, true, false, true, false}));
  EXPECT_EQ(e[52].provincia, 47);
  EXPECT_EQ(e[53].provincia, 49);
  EXPECT_EQ(e[53].modelo, 7);
  EXPECT_DOUBLE_EQ(e[53].c, -2e-6);
  std::istringstream mala("P.M.,*,26,7,VCC,1,0,0,0\n");
  EXPECT_EQ(MensajeDe([&] { LeeCsvCubicacion(mala); }), "Línea 1: forma no válida");
  std::istringstream modelo("P.M.,*,26,1,VCC,13,0,0,0\n");
  EXPECT_EQ(MensajeDe([&] { LeeCsvCubicacion(modelo); }), "Línea 1: modelo no válido");
}

TEST(EcuacionesSqlite, IndicesPorFormaSobreLaClaveDeCincoPartes) {
  CarpetaTemporal dir;
  const std::string f = dir.archivo("EcuacionesKAV.sqlite");
  EcuacionKAV e;
  e.provincia = 47;
  e.especie = "46D";
  e.formas = {false, true, true, false, false, false};
  e.variable = "VCC";
  e.modelo = 11;
  e.a = 0.5;
  e.b = 1.9;
  e.c = 0.9;
  CreaEcuacionesSqlite({{1, "a+b*DN^2*HT"}}, {e}, f);
  Consulta q(f);
  for (int n = 1; n <= 6; ++n) {
    EXPECT_EQ(q.columnasIndice("BuscaF" + std::to_string(n) + "Index"),
              (std::vector<std::string>{"ClasePie", "Provincia", "Especie",
                                        "Forma" + std::to_string(n), "Variable"}));
  }
  const std::string busca =
      "SELECT modelo, \"a, p, k\", \"b, q\", \"c, r\" FROM Cubicacion INDEXED BY BuscaF3Index "
      "WHERE ClasePie='P.M.' AND Provincia=47 AND Especie='46D' AND Forma3=1 AND Variable='VCC'";
  EXPECT_EQ(q.filas(busca), (std::vector<std::vector<std::string>>{{"11", "0.5", "1.9", "0.9"}}));
  EXPECT_TRUE(q.filas("SELECT * FROM Cubicacion WHERE Forma1=1").empty());
  EXPECT_EQ(q.filas("SELECT IdModelo, Modelo FROM Modelos"),
            (std::vector<std::vector<std::string>>{{"1", "a+b*DN^2*HT"}}));
}

TEST(EcuacionesSqlite, LaBaseInstaladaCubreLasEspeciesDeLaMuestra) {
  const std::string f = std::string(ARBELIO_PROGRAM_DIR) + "/EcuacionesKAV.sqlite";
  ASSERT_TRUE(std::filesystem::exists(f)) << f;
  Consulta q(f);
  // The twelve models, and the models used by the equations.
  EXPECT_EQ(q.filas("SELECT count(*), min(IdModelo), max(IdModelo) FROM Modelos"),
            (std::vector<std::vector<std::string>>{{"12", "1", "12"}}));
  std::set<std::string> usados;
  for (auto& r : q.filas("SELECT DISTINCT modelo FROM Cubicacion")) usados.insert(r[0]);
  EXPECT_EQ(usados, (std::set<std::string>{"1", "7", "8", "10", "11", "12"}));

  // Every species text a tree of the sample provinces can ask for, every form, every variable.
  std::set<std::string> especies = {"26R", "46d", "46D"};
  for (int provincia : {47, 6, 15, 46}) {
    OpcionesMuestra o;
    o.provincia = provincia;
    o.parcelas = 150;
    const auto p = GeneraProvincia(o);
    for (std::size_t i = 0; i < p.piesma.filas.size(); ++i) {
      especies.insert(p.piesma.valor(i, "ESPECIE").toString());
    }
  }
  for (const std::string& especie : especies) {
    for (int forma = 1; forma <= 6; ++forma) {
      for (const char* variable : {"VCC", "VSC", "IAVC", "VLE"}) {
        const std::string fs = std::to_string(forma);
        const auto r = q.filas("SELECT modelo FROM Cubicacion INDEXED BY BuscaF" + fs +
                                   "Index WHERE ClasePie='P.M.' AND Provincia=47 AND Especie=? "
                                   "AND Forma" +
                                   fs + "=1 AND Variable=?",
                               {especie, variable});
        EXPECT_EQ(r.size(), 1u) << especie << " forma " << forma << " " << variable;
      }
    }
  }
}

TEST(EcuacionesSqlite, VolumenesPlausiblesEnDecimetrosCubicos) {
  const std::string f = std::string(ARBELIO_PROGRAM_DIR) + "/EcuacionesKAV.sqlite";
  Consulta q(f);
  // A tree of d = 300 mm, h = 15 m: a cylinder of 1060 dm3; volume over bark with a form factor
  // between 0.3 and 0.55, under bark smaller, increment and firewood a small share.
  const double d = 300, h = 15;
  for (auto& r : q.filas("SELECT Especie, modelo, \"a, p, k\", \"b, q\", \"c, r\" FROM Cubicacion "
                         "WHERE Provincia=47 AND Forma2=1 AND Variable='VCC'")) {
    const double a = std::stod(r[2]), b = std::stod(r[3]), c = std::stod(r[4]);
    const double v = r[1] == "1" ? a + b * d * d * h : a * std::pow(d, b) * std::pow(h, c);
    EXPECT_GT(v, 0.3 * 1060) << r[0];
    EXPECT_LT(v, 0.55 * 1060) << r[0];
    for (auto& s : q.filas("SELECT Variable, modelo, \"a, p, k\", \"b, q\", \"c, r\" FROM "
                           "Cubicacion WHERE Provincia=47 AND Forma2=1 AND Especie=? AND "
                           "Variable<>'VCC'",
                           {r[0]})) {
      const double sa = std::stod(s[2]), sb = std::stod(s[3]), sc = std::stod(s[4]);
      const double w = s[1] == "12" ? sa * std::pow(d, sb) : sa + sb * v + sc * v * v;
      EXPECT_GT(w, 0) << r[0] << " " << s[0];
      EXPECT_LT(w, s[0] == "VSC" ? v : 0.5 * v) << r[0] << " " << s[0];
    }
  }
}

TEST(ImportaMdb, ArchivoInexistente) {
  CarpetaTemporal dir;
  EXPECT_EQ(MensajeDe([&] { ImportaMdb(dir.archivo("no.mdb"), dir.archivo("x.sqlite")); }),
            "No se encuentra el archivo " + dir.archivo("no.mdb"));
  EXPECT_FALSE(std::filesystem::exists(dir.archivo("x.sqlite")));
}

TEST(ImportaMdb, SinMdbtools) {
  CarpetaTemporal dir;
  Escribe(dir.archivo("a.mdb"), "x");
  std::filesystem::create_directory(dir.archivo("vacia"));
  Entorno e("ARBELIO_MDBTOOLS", dir.archivo("vacia"));
  EXPECT_EQ(MensajeDe([&] { ImportaMdb(dir.archivo("a.mdb"), dir.archivo("x.sqlite")); }),
            "No se encuentran las herramientas mdbtools (mdb-tables, mdb-schema, mdb-export). "
            "Instale el paquete mdbtools.");
}

TEST(ImportaMdb, UnArchivoQueNoEsDeAccess) {
  if (!std::filesystem::exists("/usr/bin/mdb-tables")) GTEST_SKIP() << "sin mdbtools";
  CarpetaTemporal dir;
  Escribe(dir.archivo("texto.mdb"), "esto no es una base de datos\n");
  Entorno e("ARBELIO_MDBTOOLS", "/usr/bin");
  EXPECT_EQ(MensajeDe([&] { ImportaMdb(dir.archivo("texto.mdb"), dir.archivo("x.sqlite")); }),
            "El archivo " + dir.archivo("texto.mdb") + " no es una base de datos de Access.");
  EXPECT_FALSE(std::filesystem::exists(dir.archivo("x.sqlite")));
}

namespace {

// Stand-ins for mdbtools that answer as they do for an Access file with the given tables.
void HerramientasFalsas(const CarpetaTemporal& dir, const std::string& tablas) {
  const std::string bin = dir.archivo("bin");
  std::filesystem::create_directory(bin);
  Escribe(bin + "/mdb-tables", "#!/bin/sh\nprintf '" + tablas + "'\n", true);
  Escribe(bin + "/mdb-schema",
          "#!/bin/sh\n"
          "for a; do t=\"$b\"; b=\"$a\"; done\n"  // t: the table (-T value), b: the back end
          "for a; do if [ \"$prev\" = -T ]; then tabla=\"$a\"; fi; prev=\"$a\"; done\n"
          "echo '-- ----------------------------------------------------------'\n"
          "echo '-- MDB Tools'\n"
          "if [ \"$tabla\" = hojas ]; then\n"
          "  echo 'DROP TABLE IF EXISTS `hojas`;'\n"
          "  echo 'CREATE TABLE `hojas` (`Hoja` INTEGER, `nHusos` INTEGER, `Huso1` INTEGER, "
          "`Huso2` INTEGER);'\n"
          "  [ \"$b\" = postgres ] && echo 'ALTER TABLE \"hojas\" ADD CONSTRAINT \"hojas_pkey\" "
          "PRIMARY KEY (\"Hoja\");'\n"
          "elif [ \"$tabla\" = Modelos ]; then\n"
          "  echo 'CREATE TABLE `Modelos` (`IdModelo` INTEGER, `Modelo` TEXT);'\n"
          "  [ \"$b\" = postgres ] && echo 'ALTER TABLE \"Modelos\" ADD CONSTRAINT "
          "\"Modelos_pkey\" PRIMARY KEY (\"IdModelo\");'\n"
          "else\n"
          "  echo 'CREATE TABLE `Cubicacion` (`Tipo` TEXT, `Prov` INTEGER, `Esp` TEXT, `F1` "
          "INTEGER, `F2` INTEGER, `Var` TEXT, `modelo` INTEGER, `a, p, k` REAL, `b, q` REAL, "
          "`c, r` REAL);'\n"
          "  if [ \"$b\" = postgres ]; then\n"
          "    echo 'CREATE INDEX \"cubicacion_buscaf1index_idx\" ON \"cubicacion\" (\"tipo\", "
          "\"prov\", \"esp\", \"f1\", \"var\");'\n"
          "    echo 'CREATE INDEX \"Cubicacion_BuscaF2Index\" ON \"Cubicacion\" (\"Tipo\", "
          "\"Prov\", \"Esp\", \"F2\", \"Var\");'\n"
          "  fi\n"
          "fi\n"
          "exit 0\n",
          true);
  Escribe(bin + "/mdb-export",
          "#!/bin/sh\n"
          "for a; do tabla=\"$a\"; done\n"
          "echo 'BEGIN TRANSACTION;'\n"
          "case \"$tabla\" in\n"
          "  hojas) echo 'INSERT INTO `hojas` (`Hoja`, `nHusos`, `Huso1`, `Huso2`) VALUES "
          "(1,1,29,NULL);'\n"
          "         echo 'INSERT INTO `hojas` (`Hoja`, `nHusos`, `Huso1`, `Huso2`) VALUES "
          "(12,2,29,30);' ;;\n"
          "  Modelos) echo 'INSERT INTO `Modelos` (`IdModelo`, `Modelo`) VALUES "
          "(1,'\"'\"'a+b*DN^2*HT; x'\"'\"');' ;;\n"
          "  *) echo 'INSERT INTO `Cubicacion` VALUES ('\"'\"'P.M.'\"'\"',47,'\"'\"'26R'\"'\"',1,0,"
          "'\"'\"'VCC'\"'\"',1,-2,0.0004,0);' ;;\n"
          "esac\n"
          "echo 'COMMIT;'\n",
          true);
}

}  // namespace

TEST(ImportaMdb, FaltaUnaTablaDeEcuaciones) {
  CarpetaTemporal dir;
  Escribe(dir.archivo("e.mdb"), "x");
  HerramientasFalsas(dir, "Modelos\\nOtra\\n");
  Entorno e("ARBELIO_MDBTOOLS", dir.archivo("bin"));
  EXPECT_EQ(MensajeDe([&] { ImportaMdb(dir.archivo("e.mdb"), dir.archivo("x.sqlite")); }),
            "Falta la tabla Cubicacion en el archivo " + dir.archivo("e.mdb") + ".");
  HerramientasFalsas(dir, "Otra\\n");
  EXPECT_EQ(MensajeDe([&] { ImportaMdb(dir.archivo("e.mdb"), dir.archivo("x.sqlite")); }),
            "El archivo " + dir.archivo("e.mdb") +
                " no contiene la tabla Hojas ni las tablas Modelos y Cubicacion.");
  EXPECT_FALSE(std::filesystem::exists(dir.archivo("x.sqlite")));
}

TEST(ImportaMdb, ConvierteTablasEIndices) {
  CarpetaTemporal dir;
  Escribe(dir.archivo("e.mdb"), "x");
  HerramientasFalsas(dir, "MSysObjects\\nhojas\\nModelos\\nCubicacion\\n");
  Entorno e("ARBELIO_MDBTOOLS", dir.archivo("bin"));
  ResultadoImportacion r = ImportaMdb(dir.archivo("e.mdb"), dir.archivo("x.sqlite"));
  EXPECT_EQ(r.tablas, (std::vector<std::string>{"Hojas", "Modelos", "Cubicacion"}));
  EXPECT_EQ(r.filas, (std::vector<long long>{2, 1, 1}));
  // Forms 3 to 6 have no index in this file.
  EXPECT_EQ(r.avisos.size(), 4u);
  Consulta q(dir.archivo("x.sqlite"));
  EXPECT_EQ(q.columnasIndice("PrimaryKey"), std::vector<std::string>{"Hoja"});
  EXPECT_EQ(q.columnasIndice("BuscaF1Index"),
            (std::vector<std::string>{"Tipo", "Prov", "Esp", "F1", "Var"}));
  EXPECT_EQ(q.columnasIndice("BuscaF2Index"),
            (std::vector<std::string>{"Tipo", "Prov", "Esp", "F2", "Var"}));
  EXPECT_EQ(q.filas("SELECT nHusos, Huso1, Huso2 FROM Hojas INDEXED BY PrimaryKey WHERE Hoja=12"),
            (std::vector<std::vector<std::string>>{{"2", "29", "30"}}));
  EXPECT_EQ(q.filas("SELECT Modelo FROM Modelos"),
            (std::vector<std::vector<std::string>>{{"a+b*DN^2*HT; x"}}));
  EXPECT_EQ(q.filas("SELECT \"a, p, k\", \"b, q\" FROM Cubicacion INDEXED BY BuscaF1Index WHERE "
                    "Tipo='P.M.' AND Prov=47 AND Esp='26R' AND F1=1 AND Var='VCC'"),
            (std::vector<std::vector<std::string>>{{"-2.0", "0.0004"}}));
}

TEST(ImportaMdb, IndicesDeOtroDialectoDeMdbSchema) {
  // A back end without indexes first; the indexes come from the next one.
  CarpetaTemporal dir;
  Escribe(dir.archivo("h.mdb"), "x");
  const std::string bin = dir.archivo("bin");
  std::filesystem::create_directory(bin);
  Escribe(bin + "/mdb-tables", "#!/bin/sh\nprintf 'Hojas\\n'\n", true);
  Escribe(bin + "/mdb-schema",
          "#!/bin/sh\n"
          "for a; do b=\"$a\"; done\n"
          "echo 'CREATE TABLE `Hojas` (`Hoja` INTEGER, `nHusos` INTEGER, `Huso1` INTEGER, "
          "`Huso2` INTEGER);'\n"
          "case \"$b\" in\n"
          "  postgres) echo '-- Indexes are not implemented for postgres' ;;\n"
          "  mysql) echo 'ALTER TABLE `Hojas` ADD PRIMARY KEY (`Hoja`);'\n"
          "         echo 'ALTER TABLE `Hojas` ADD INDEX `Hojas_Huso_idx` (`Huso1` DESC);' ;;\n"
          "esac\n",
          true);
  Escribe(bin + "/mdb-export", "#!/bin/sh\necho 'INSERT INTO `Hojas` VALUES (7,1,29,NULL);'\n",
          true);
  Entorno e("ARBELIO_MDBTOOLS", bin);
  const ResultadoImportacion r = ImportaMdb(dir.archivo("h.mdb"), dir.archivo("h.sqlite"));
  EXPECT_TRUE(r.avisos.empty());
  Consulta q(dir.archivo("h.sqlite"));
  EXPECT_EQ(q.columnasIndice("PrimaryKey"), std::vector<std::string>{"Hoja"});
  EXPECT_EQ(q.columnasIndice("Huso"), std::vector<std::string>{"Huso1"});
  EXPECT_EQ(q.filas("SELECT Hoja, Huso1 FROM Hojas"),
            (std::vector<std::vector<std::string>>{{"7", "29"}}));
}

TEST(ImportaMdb, SinClavePrimariaLaCreaSobreLaPrimeraColumna) {
  CarpetaTemporal dir;
  Escribe(dir.archivo("h.mdb"), "x");
  const std::string bin = dir.archivo("bin");
  std::filesystem::create_directory(bin);
  Escribe(bin + "/mdb-tables", "#!/bin/sh\nprintf 'Hojas\\n'\n", true);
  Escribe(bin + "/mdb-schema",
          "#!/bin/sh\necho 'CREATE TABLE `Hojas` (`NumHoja` INTEGER, `nHusos` INTEGER, `Huso1` "
          "INTEGER, `Huso2` INTEGER);'\n",
          true);
  Escribe(bin + "/mdb-export", "#!/bin/sh\nexit 0\n", true);
  Entorno e("ARBELIO_MDBTOOLS", bin);
  const ResultadoImportacion r = ImportaMdb(dir.archivo("h.mdb"), dir.archivo("h.sqlite"));
  EXPECT_EQ(r.avisos, std::vector<std::string>{
                          "La tabla Hojas no trae índice PrimaryKey: se crea sobre la columna "
                          "NumHoja."});
  Consulta q(dir.archivo("h.sqlite"));
  EXPECT_EQ(q.columnasIndice("PrimaryKey"), std::vector<std::string>{"NumHoja"});
}
