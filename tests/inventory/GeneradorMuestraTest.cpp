#include "inventory/GeneradorMuestra.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "inventory/BasesAuxiliares.h"
#include "inventory/MallaMTN50.h"

using namespace arbelio::inventory;

namespace {

ProvinciaSintetica Genera(int provincia, int parcelas, std::uint64_t semilla = 1) {
  OpcionesMuestra o;
  o.provincia = provincia;
  o.parcelas = parcelas;
  o.semilla = semilla;
  return GeneraProvincia(o);
}

int Entero(const TablaSintetica& t, std::size_t fila, const char* campo) {
  const auto& v = t.valor(fila, campo);
  EXPECT_TRUE(v.isNumber()) << t.layout.nombre << "." << campo << " fila " << fila;
  return static_cast<int>(v.number());
}

bool MismasFilas(const TablaSintetica& a, const TablaSintetica& b) {
  if (a.filas.size() != b.filas.size()) return false;
  for (std::size_t i = 0; i < a.filas.size(); ++i) {
    for (std::size_t j = 0; j < a.filas[i].size(); ++j) {
      const auto &x = a.filas[i][j], &y = b.filas[i][j];
      if (x.kind() != y.kind() || (x.isNumber() && x.number() != y.number()) ||
          (x.isText() && x.text() != y.text()))
        return false;
    }
  }
  return true;
}

}  // namespace

TEST(Aleatorio, SecuenciaFijaParaUnaSemilla) {
  // splitmix64 reference values for seed 0.
  Aleatorio r(0);
  EXPECT_EQ(r.siguiente(), 0xE220A8397B1DCDAFULL);
  EXPECT_EQ(r.siguiente(), 0x6E789E6AA1B965F4ULL);
  Aleatorio a(7), b(7);
  for (int i = 0; i < 100; ++i) {
    const double u = a.uniforme();
    EXPECT_EQ(u, b.uniforme());
    EXPECT_GE(u, 0.0);
    EXPECT_LT(u, 1.0);
  }
  Aleatorio c(3);
  std::map<int, int> cuenta;
  for (int i = 0; i < 6000; ++i) ++cuenta[c.entero(1, 6)];
  EXPECT_EQ(cuenta.size(), 6u);
  for (auto& [k, n] : cuenta) EXPECT_NEAR(n, 1000, 150) << k;
  double suma = 0;
  for (int i = 0; i < 4000; ++i) suma += c.poisson(3.0);
  EXPECT_NEAR(suma / 4000, 3.0, 0.15);
}

TEST(GeneraProvincia, DeterministaParaUnaSemilla) {
  const auto a = Genera(47, 60, 9), b = Genera(47, 60, 9), c = Genera(47, 60, 10);
  EXPECT_TRUE(MismasFilas(a.datest, b.datest));
  EXPECT_TRUE(MismasFilas(a.piesma, b.piesma));
  EXPECT_TRUE(MismasFilas(a.piesme, b.piesme));
  EXPECT_TRUE(MismasFilas(a.tiposx, b.tiposx));
  EXPECT_TRUE(MismasFilas(a.matorr, b.matorr));
  EXPECT_FALSE(MismasFilas(a.piesma, c.piesma));
}

TEST(GeneraProvincia, ClavesUnicasYArbolesDeParcelasExistentes) {
  const auto p = Genera(47, 300);
  ASSERT_EQ(p.datest.filas.size(), 300u);
  std::set<int> parcelas;
  int anterior = 0;
  for (std::size_t i = 0; i < p.datest.filas.size(); ++i) {
    EXPECT_EQ(Entero(p.datest, i, "PROVINCIA"), 47);
    const int e = Entero(p.datest, i, "ESTADILLO");
    EXPECT_GT(e, anterior);  // ascending, so unique
    EXPECT_LE(e, 32767);
    anterior = e;
    parcelas.insert(e);
  }
  for (const TablaSintetica* t : {&p.piesma, &p.piesme, &p.tiposx, &p.matorr}) {
    std::set<std::tuple<int, int, int>> claves;
    for (std::size_t i = 0; i < t->filas.size(); ++i) {
      const int e = Entero(*t, i, "ESTADILLO");
      EXPECT_TRUE(parcelas.count(e)) << t->layout.nombre << " parcela " << e;
      EXPECT_TRUE(claves.insert({Entero(*t, i, "PROVINCIA"), e, Entero(*t, i, "NUMORDEN")}).second)
          << t->layout.nombre << " fila " << i;
    }
  }
}

TEST(GeneraProvincia, PiesMayoresConsistentes) {
  const auto p = Genera(47, 300);
  std::map<int, int> porParcela;
  std::map<int, std::set<int>> especiesPorParcela;
  int sinAltura = 0;
  for (std::size_t i = 0; i < p.piesma.filas.size(); ++i) {
    const int d1 = Entero(p.piesma, i, "DIAMETRO1"), d2 = Entero(p.piesma, i, "DIAMETRO2");
    EXPECT_GE(d1, 75);
    EXPECT_GE(d2, 75);
    EXPECT_LT(std::abs(d1 - d2), 0.15 * std::max(d1, d2) + 2);  // two crossed readings
    const double dcm = (d1 + d2) / 20.0;
    const double radio = dcm >= 42.5 ? 25 : dcm >= 22.5 ? 15 : dcm >= 12.5 ? 10 : 5;
    EXPECT_LE(p.piesma.valor(i, "DISTANCI").number(), radio);
    const int rumbo = Entero(p.piesma, i, "RUMBO");
    EXPECT_GE(rumbo, 0);
    EXPECT_LE(rumbo, 399);
    for (const char* c : {"FORMA", "CALIDAD"}) {
      EXPECT_GE(Entero(p.piesma, i, c), 1);
      EXPECT_LE(Entero(p.piesma, i, c), 6);
    }
    const auto& h = p.piesma.valor(i, "ALTURA");
    if (h.isNull()) {
      ++sinAltura;
    } else {
      EXPECT_GT(h.number(), 1.3);
      EXPECT_LT(h.number(), 40);
    }
    const int especie = Entero(p.piesma, i, "ESPECIE");
    const auto& param = p.piesma.valor(i, "PARAMESP");
    if (!param.isNull()) {
      ASSERT_TRUE(especie == 26 || especie == 46) << especie;
      if (especie == 46) {
        ASSERT_EQ(param.text().size(), 3u);
        EXPECT_TRUE(param.text()[0] == '1' || param.text()[0] == '2');
      }
    }
    const int e = Entero(p.piesma, i, "ESTADILLO");
    ++porParcela[e];
    especiesPorParcela[e].insert(especie);
    EXPECT_EQ(Entero(p.piesma, i, "NUMORDEN"), porParcela[e]);  // 1, 2, 3... within the plot
  }
  EXPECT_GT(sinAltura, 0);
  EXPECT_LT(sinAltura, static_cast<int>(p.piesma.filas.size()) / 4);
  const int sinPies = 300 - static_cast<int>(porParcela.size());
  EXPECT_GT(sinPies, 3);
  EXPECT_LT(sinPies, 60);
  const double media = static_cast<double>(p.piesma.filas.size()) / porParcela.size();
  EXPECT_GT(media, 4);
  EXPECT_LT(media, 30);
  int puras = 0, mezcladas = 0;
  for (auto& [parcela, especies] : especiesPorParcela) (especies.size() == 1 ? puras : mezcladas)++;
  EXPECT_GT(puras, 50);
  EXPECT_GT(mezcladas, 50);
}

TEST(GeneraProvincia, ArbolesTipoYPiesMenoresYMatorral) {
  const auto p = Genera(6, 200);
  std::map<std::pair<int, int>, int> tipoDeArbol;  // (plot, tree) -> TIPO in Piesma
  for (std::size_t i = 0; i < p.piesma.filas.size(); ++i) {
    const auto& t = p.piesma.valor(i, "TIPO");
    if (!t.isNull())
      tipoDeArbol[{Entero(p.piesma, i, "ESTADILLO"), Entero(p.piesma, i, "NUMORDEN")}] =
          static_cast<int>(t.number());
  }
  ASSERT_FALSE(p.tiposx.filas.empty());
  EXPECT_EQ(tipoDeArbol.size(), p.tiposx.filas.size());
  for (std::size_t i = 0; i < p.tiposx.filas.size(); ++i) {
    const auto clave =
        std::make_pair(Entero(p.tiposx, i, "ESTADILLO"), Entero(p.tiposx, i, "ARBOL"));
    ASSERT_TRUE(tipoDeArbol.count(clave));
    EXPECT_EQ(tipoDeArbol[clave], Entero(p.tiposx, i, "TIPO"));
  }
  EXPECT_FALSE(p.piesme.filas.empty());
  EXPECT_FALSE(p.matorr.filas.empty());
  for (std::size_t i = 0; i < p.matorr.filas.size(); ++i) {
    EXPECT_GT(Entero(p.matorr, i, "FRACCAB"), 0);
    EXPECT_LE(Entero(p.matorr, i, "FRACCAB"), 100);
  }
  // South-west: cork oak with both stripping codes.
  std::set<char> codigos;
  for (std::size_t i = 0; i < p.piesma.filas.size(); ++i) {
    const auto& v = p.piesma.valor(i, "PARAMESP");
    if (Entero(p.piesma, i, "ESPECIE") == 46 && !v.isNull()) codigos.insert(v.text()[0]);
  }
  EXPECT_EQ(codigos, (std::set<char>{'1', '2'}));
}

TEST(GeneraProvincia, HojasYCoordenadasConcuerdanConHusoHoja) {
  // Zamora lies across 6° W: plots on sheets of one and of two zones.
  const auto p = Genera(49, 400);
  int dobles = 0;
  std::set<std::string> municipios;
  for (std::size_t i = 0; i < p.datest.filas.size(); ++i) {
    const int hoja = Entero(p.datest, i, "HOJA");
    ASSERT_GE(hoja, 1);
    ASSERT_LE(hoja, NumeroHojas());
    const std::string xs = p.datest.valor(i, "COORDEX").text();
    const std::string ys = p.datest.valor(i, "COORDEY").text();
    ASSERT_EQ(xs.size(), 3u);
    ASSERT_EQ(ys.size(), 4u);
    const int x = std::stoi(xs), y = std::stoi(ys);
    municipios.insert(p.datest.valor(i, "MUNICI").text());
    // The zone the program derives from the sheet (x in km against 500)...
    const HusosHoja h = HusosDeHoja(hoja);
    const int huso = h.nHusos == 1 ? h.huso1 : (x < 500 ? h.huso2 : h.huso1);
    if (h.nHusos == 2) ++dobles;
    // ...puts the plot on its sheet: the sheet's corners in that zone enclose it.
    const LimitesHoja l = LimitesDeHoja(hoja);
    double xmin = 1e9, xmax = -1e9, ymin = 1e9, ymax = -1e9;
    for (double la : {l.latSur, l.latNorte}) {
      for (double lo : {l.lonOeste, l.lonEste}) {
        const CoordenadasUtm en = GeograficasAUtm(la, lo, huso);
        xmin = std::min(xmin, en.x / 1000);
        xmax = std::max(xmax, en.x / 1000);
        ymin = std::min(ymin, en.y / 1000);
        ymax = std::max(ymax, en.y / 1000);
      }
    }
    EXPECT_GE(x, xmin - 1.5) << "hoja " << hoja;
    EXPECT_LE(x, xmax + 1.5) << "hoja " << hoja;
    EXPECT_GE(y, ymin - 1.5) << "hoja " << hoja;
    EXPECT_LE(y, ymax + 1.5) << "hoja " << hoja;
  }
  EXPECT_GT(dobles, 0);
  EXPECT_GT(municipios.size(), 5u);
}

TEST(GeneraProvincia, TamanosGrandesYErrores) {
  const auto grande = Genera(45, 10000, 3);
  ASSERT_EQ(grande.datest.filas.size(), 10000u);
  EXPECT_LE(grande.datest.valor(9999, "ESTADILLO").number(), 32767);
  EXPECT_GT(grande.piesma.filas.size(), 50000u);
  const auto lleno = Genera(28, 32767, 2);
  EXPECT_EQ(lleno.datest.valor(32766, "ESTADILLO").number(), 32767);

  auto mensaje = [](int provincia, int parcelas) {
    try {
      Genera(provincia, parcelas);
    } catch (const ErrorDatos& e) {
      return std::string(e.what());
    }
    return std::string("(sin error)");
  };
  EXPECT_EQ(mensaje(0, 10), "No hay datos de muestra para la provincia 0 (códigos 1 a 50).");
  EXPECT_EQ(mensaje(51, 10), "No hay datos de muestra para la provincia 51 (códigos 1 a 50).");
  EXPECT_EQ(mensaje(47, 0), "El número de parcelas debe estar entre 1 y 32767.");
  EXPECT_EQ(mensaje(47, 32768), "El número de parcelas debe estar entre 1 y 32767.");
  EXPECT_EQ(NombreArchivoProvincial("Datest", 7), "Datest07.dbf");
}

TEST(GeneraProvincia, TodasLasProvinciasSobreHojasNumeradas) {
  for (int provincia = 1; provincia <= 50; ++provincia) {
    const auto p = Genera(provincia, 40, 11);
    ASSERT_EQ(p.datest.filas.size(), 40u) << provincia;
    for (std::size_t i = 0; i < p.datest.filas.size(); ++i) {
      const int hoja = Entero(p.datest, i, "HOJA");
      EXPECT_GE(hoja, 1) << provincia;
      EXPECT_LE(hoja, NumeroHojas()) << provincia;
      EXPECT_EQ(p.datest.valor(i, "COORDEX").text().size(), 3u) << provincia;
    }
    // The Canary Islands on their own sheets and zones.
    if (provincia == 35 || provincia == 38) {
      const int huso = HusosDeHoja(Entero(p.datest, 0, "HOJA")).huso1;
      EXPECT_TRUE(huso == 27 || huso == 28) << provincia;
    }
  }
}
