// arbelio-batch run with calculation options: plot list, user equations, saved tables and CSV.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "batch/OrdenesBatch.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;

namespace {

std::string Leer(const std::string& ruta) {
  std::ifstream in(ruta);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CalculoBatch, PlotListUserEquationsCodeAndCsv) {
  arbelio::pruebas::CarpetaTemporal dir;
  std::ofstream(dir.archivo("plots.txt")) << "47,3\n47,1\n47,3\n";  // plot 3 listed twice
  std::ofstream(dir.archivo("ecuaciones.txt")) << "# especie;forma;calidad;variable;fórmula;...\n"
                                                  "21;0;0;VCC;a*DN^2;a=0.5\n";
  std::ostringstream out, err;
  const int rc =
      batch::EjecutaOrdenBatch({"run",
                                "--db",
                                std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf",
                                "--plots",
                                dir.archivo("plots.txt"),
                                "--tables",
                                "Parcel,Specie",
                                "--vars",
                                "none",
                                "--method",
                                "2",
                                "--user-equations",
                                dir.archivo("ecuaciones.txt"),
                                "--code",
                                "Zz",
                                "--comment",
                                "prueba",
                                "--csv",
                                "--out",
                                dir.archivo("salida")},
                               {ARBELIO_PROGRAM_DIR}, out, err);
  ASSERT_EQ(rc, 0) << err.str() << out.str();
  // Specie needs Sp_par, Parcel and Totals: all are computed and saved.
  for (const char* t :
       {"AindivZz", "ParcelZz", "Sp_parZz", "TotalsZz", "SpecieZz", "EstadiZz", "EcuasZz"}) {
    EXPECT_TRUE(store::fileExists(dir.archivo("salida/") + t + ".dbf")) << t;
    EXPECT_TRUE(store::fileExists(dir.archivo("salida/") + t + ".csv")) << t;
  }
  EXPECT_FALSE(store::fileExists(dir.archivo("salida/Cd_parZz.dbf")));
  // The run's own workspace is gone: each saved table has one name, its own.
  for (const char* t : {"AindivZz", "ParcelZz", "SpecieZz"}) {
    struct stat st {};
    ASSERT_EQ(stat((dir.archivo("salida/") + t + ".dbf").c_str(), &st), 0) << t;
    EXPECT_EQ(st.st_nlink, 1u) << t;
  }
  EXPECT_TRUE(store::fileExists(dir.archivo("salida/ComentZz.txt")));
  store::Database db = store::Database::open(dir.archivo("salida"), {false, true, "DBASE IV"});
  store::Cursor p = db.openCursor("ParcelZz");
  ASSERT_EQ(p.recordCount(), 2);                // a plot is computed once
  EXPECT_EQ(p.value("PARCELA").toDouble(), 3);  // the list's order
  // The user's VCC equation gives the column; species 21 trees get 0.5 DN^2.
  store::Cursor a = db.openCursor("AindivZz");
  a.findFirst("ESPECIE=21");
  if (!a.noMatch()) {
    const double dn = a.value("DN").toDouble();
    EXPECT_NEAR(a.value("VCC").toDouble(), 0.5 * dn * dn, 1e-3 * dn * dn);
  }
  const std::string csv = Leer(dir.archivo("salida/ParcelZz.csv"));
  EXPECT_EQ(csv.substr(0, csv.find('\n')).substr(0, 22), "PROVINCIA,PARCELA,N,Dg");
  EXPECT_NE(out.str().find("== Totales del corte"), std::string::npos);
}

// The sampling statistics of the whole sample, recomputed independently from the saved Parcel
// and Sp_par tables (python3-dbfread; Student's t from the regularized incomplete beta).
TEST(CalculoBatch, SamplingStatisticsAgreeWithAnIndependentComputation) {
  arbelio::pruebas::CarpetaTemporal dir;
  std::ostringstream out, err;
  const int rc = batch::EjecutaOrdenBatch(
      {"run", "--db", std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf", "--tables",
       "Parcel,Sp_par,Totals", "--code", "Ee", "--map", dir.archivo("mapa.png"), "--out",
       dir.archivo("salida")},
      {ARBELIO_PROGRAM_DIR}, out, err);
  ASSERT_EQ(rc, 0) << err.str() << out.str();
  // Printed after the Totals row, before the species.
  const std::string texto = out.str();
  const auto estadisticos = texto.find("== Estadísticos del muestreo");
  ASSERT_NE(estadisticos, std::string::npos) << texto;
  EXPECT_LT(texto.find("== Totales del corte"), estadisticos);
  // --map: every plot of the sample is in the cut, in one zone.
  EXPECT_NE(texto.find("Mapa del corte: 150 de 150 parcelas: 1 huso, guardado en " +
                       dir.archivo("mapa.png")),
            std::string::npos)
      << texto;
  EXPECT_EQ(Leer(dir.archivo("mapa.png")).substr(1, 3), "PNG");
  const std::string script = dir.archivo("oraculo.py");
  std::ofstream(script) << R"PY(
import math, sys, dbfread
carpeta = sys.argv[1]
def tabla(n):
    return list(dbfread.DBF(carpeta + '/' + n + 'Ee.dbf', char_decode_errors='strict'))
def betacf(a, b, x):
    qab, qap, qam = a + b, a + 1, a - 1
    c, d = 1.0, 1 / (1 - qab * x / qap)
    h = d
    for m in range(1, 100000):
        m2 = 2 * m
        for aa in (m * (b - m) * x / ((qam + m2) * (a + m2)),
                   -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2))):
            d = 1 / (1 + aa * d)
            c = 1 + aa / c
            h *= d * c
        if abs(d * c - 1) < 1e-16:
            break
    return h
def ibeta(a, b, x):
    bt = math.exp(math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b) + a * math.log(x) +
                  b * math.log(1 - x))
    if x < (a + 1) / (a + b + 2):
        return bt * betacf(a, b, x) / a
    return 1 - bt * betacf(b, a, 1 - x) / b
def t975(nu):
    lo, hi = 0.0, 100.0
    for _ in range(200):
        mid = (lo + hi) / 2
        if ibeta(nu / 2, 0.5, nu / (nu + mid * mid)) / 2 > 0.025: lo = mid
        else: hi = mid
    return (lo + hi) / 2
def stats(v):
    n = len(v); m = sum(v) / n
    s = math.sqrt(sum((x - m) ** 2 for x in v) / (n - 1)); se = s / math.sqrt(n)
    t = t975(n - 1)
    return [n, m, s, se, 100 * se / m if m else None, m - t * se, m + t * se]
parcel = tabla('Parcel'); sppar = tabla('Sp_par')
esperado = {}
vars_ = [v for v in ('N', 'AB', 'VCC', 'VSC', 'IAVC', 'VLE') if v in parcel[0]]
for v in vars_:
    esperado[v] = stats([r[v] for r in parcel if r[v] is not None])
plots = [(r['PROVINCIA'], r['PARCELA']) for r in parcel]
for sp in sorted({r['ESPECIE'] for r in sppar}):
    filas = {(r['PROVINCIA'], r['PARCELA']): r for r in sppar if r['ESPECIE'] == sp}
    for v in vars_:
        valores = [filas[p][v] if p in filas else 0.0 for p in plots]
        esperado['%s %d' % (v, sp)] = stats([x for x in valores if x is not None])
obtenido = {r['VARIABLE'].strip(): [r['NPARCELAS'], r['MEDIA'], r['DESVIACIO'], r['ERRORTIP'],
            r['ERRORREL'], r['LIMINF'], r['LIMSUP']] for r in tabla('Estadi')}
fallos = 0
if sorted(obtenido) != sorted(esperado):
    print('variables', sorted(obtenido), sorted(esperado)); fallos += 1
for k, e in esperado.items():
    o = obtenido.get(k)
    for i, (a, b) in enumerate(zip(o or [], e)):
        if (a is None) != (b is None) or (a is not None and
                                          abs(a - b) > 2e-6 * max(1.0, abs(b), abs(e[1]))):
            print(k, i, a, b); fallos += 1
print('filas', len(esperado), 'fallos', fallos)
)PY";
  const std::string salida = dir.archivo("oraculo.txt");
  ASSERT_EQ(std::system(("/usr/bin/python3 " + script + " " + dir.archivo("salida") + " > " +
                         salida + " 2>&1")
                            .c_str()),
            0)
      << Leer(salida);
  const std::string informe = Leer(salida);
  EXPECT_NE(informe.find("fallos 0"), std::string::npos) << informe;
  // Whole-plot rows and at least one species.
  EXPECT_EQ(informe.find("filas 0"), std::string::npos) << informe;
  EXPECT_EQ(informe.find("filas 6 "), std::string::npos) << informe;
}

// The inventory equations are opened while the databases are selected: a program folder
// without them fails the run at its calculation with the store's message and saves nothing; a
// run on user equations alone does not need them.
TEST(CalculoBatch, MissingInventoryEquationsFailTheCalculation) {
  arbelio::pruebas::CarpetaTemporal programa, dir;
  std::filesystem::copy(std::string(ARBELIO_PROGRAM_DIR) + "/BDEstruct",
                        programa.archivo("BDEstruct"), std::filesystem::copy_options::recursive);
  const std::string db = std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf";
  std::ostringstream out, err;
  EXPECT_EQ(batch::EjecutaOrdenBatch({"run", "--db", db, "--out", dir.archivo("s")},
                                     {programa.ruta()}, out, err),
            1);
  EXPECT_NE(err.str().find("Error No se encuentra el archivo de base de datos '" + programa.ruta() +
                           "/EcuacionesKAV.sqlite'."),
            std::string::npos)
      << err.str();
  EXPECT_TRUE(!store::folderExists(dir.archivo("s")) ||
              std::filesystem::is_empty(dir.archivo("s")));

  std::ostringstream out3, err3;
  EXPECT_EQ(
      batch::EjecutaOrdenBatch({"run", "--db", db, "--out", dir.archivo("s3"), "--method", "3"},
                               {programa.ruta()}, out3, err3),
      0)
      << err3.str();
  EXPECT_FALSE(std::filesystem::is_empty(dir.archivo("s3")));
}

TEST(CalculoBatch, BadOptionsAreRefused) {
  arbelio::pruebas::CarpetaTemporal dir;
  const std::string db = std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf";
  for (const std::vector<std::string>& extra : {std::vector<std::string>{"--tables", "Nada"},
                                                {"--vars", "XYZ"},
                                                {"--method", "4"},
                                                {"--class-width", "abc"},
                                                {"--plots", dir.archivo("no-existe.txt")}}) {
    std::vector<std::string> args = {"run", "--db", db, "--out", dir.archivo("s")};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out, err;
    EXPECT_NE(batch::EjecutaOrdenBatch(args, {ARBELIO_PROGRAM_DIR}, out, err), 0) << extra[0];
    EXPECT_FALSE(err.str().empty()) << extra[0];
  }
}

}  // namespace
