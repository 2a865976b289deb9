#include "inventory/MallaMTN50.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace arbelio::inventory;

TEST(MallaMTN50, HojasConocidasDeLasCapitales) {
  struct Caso {
    const char* ciudad;
    double lat, lon;
    int hoja;
  };
  const Caso casos[] = {
      {"Oviedo", 43.36, -5.85, 29},      {"Bilbao", 43.26, -2.93, 61},
      {"Santiago", 42.88, -8.54, 94},    {"Burgos", 42.34, -3.70, 200},
      {"Valladolid", 41.65, -4.72, 372}, {"Zaragoza", 41.65, -0.88, 383},
      {"Barcelona", 41.39, 2.17, 421},   {"Madrid", 40.42, -3.70, 559},
      {"Toledo", 39.86, -4.02, 629},     {"Palma", 39.57, 2.65, 698},
      {"Valencia", 39.47, -0.38, 722},   {"Badajoz", 38.88, -6.97, 775},
      {"Córdoba", 37.88, -4.78, 923},    {"Murcia", 37.99, -1.13, 934},
      {"Sevilla", 37.39, -5.98, 984},    {"Granada", 37.18, -3.60, 1009},
      {"Málaga", 36.72, -4.42, 1053},    {"Cádiz", 36.53, -6.29, 1061},
  };
  for (const Caso& c : casos) EXPECT_EQ(HojaDeCoordenadas(c.lat, c.lon), c.hoja) << c.ciudad;
}

TEST(MallaMTN50, NumeracionContinuaQueCubreLas1111Hojas) {
  const int n = NumeroHojas();
  EXPECT_GE(n, 1111);
  for (int hoja = 1; hoja <= n; ++hoja) {
    const LimitesHoja l = LimitesDeHoja(hoja);
    EXPECT_NEAR(l.latNorte - l.latSur, 10.0 / 60, 1e-9);
    EXPECT_NEAR(l.lonEste - l.lonOeste, 20.0 / 60, 1e-9);
    // The centre of a sheet lies on that sheet.
    EXPECT_EQ(HojaDeCoordenadas((l.latNorte + l.latSur) / 2, (l.lonEste + l.lonOeste) / 2), hoja);
  }
  EXPECT_THROW(LimitesDeHoja(0), std::out_of_range);
  EXPECT_THROW(LimitesDeHoja(n + 1), std::out_of_range);
  EXPECT_EQ(HojaDeCoordenadas(45.0, -3.0), 0);  // Bay of Biscay
  EXPECT_EQ(HojaDeCoordenadas(39.0, 5.5), 0);   // open sea east of Menorca
}

TEST(MallaMTN50, HusosDeLasHojasQueCruzanUnLimite) {
  int dobles = 0;
  for (const HusosHoja& h : TablaHusoHoja()) {
    const LimitesHoja l = LimitesDeHoja(h.hoja);
    bool cruza = false;
    for (double limite : {-18.0, -12.0, -6.0, 0.0, 6.0}) {
      if (l.lonOeste < limite && l.lonEste > limite) {
        cruza = true;
        EXPECT_EQ(h.nHusos, 2) << h.hoja;
        EXPECT_EQ(h.huso1, HusoDeLongitud(limite - 0.01)) << h.hoja;  // western zone first
        EXPECT_EQ(h.huso2, HusoDeLongitud(limite + 0.01)) << h.hoja;
      }
    }
    if (!cruza) {
      EXPECT_EQ(h.nHusos, 1) << h.hoja;
      EXPECT_EQ(h.huso2, 0) << h.hoja;
    }
    if (h.nHusos == 2) ++dobles;
  }
  EXPECT_GT(dobles, 50);
  // A sheet of León on 6° W, one of Lérida on the Greenwich meridian, El Hierro on 18° W.
  const HusosHoja leon = HusosDeHoja(HojaDeCoordenadas(42.55, -6.0));
  EXPECT_EQ(leon.nHusos, 2);
  EXPECT_EQ(leon.huso1, 29);
  EXPECT_EQ(leon.huso2, 30);
  const HusosHoja lerida = HusosDeHoja(HojaDeCoordenadas(41.6, 0.0));
  EXPECT_EQ(lerida.huso1, 30);
  EXPECT_EQ(lerida.huso2, 31);
  const HusosHoja hierro = HusosDeHoja(HojaDeCoordenadas(27.75, -18.0));
  EXPECT_EQ(hierro.huso1, 27);
  EXPECT_EQ(hierro.huso2, 28);
  EXPECT_EQ(HusosDeHoja(HojaDeCoordenadas(28.1, -15.45)).huso1, 28);  // Gran Canaria
  EXPECT_EQ(HusosDeHoja(HojaDeCoordenadas(39.9, 4.1)).huso1, 31);     // Menorca
}

TEST(MallaMTN50, ElCsvInstaladoEsElDeLaMalla) {
  std::ifstream in(std::string(ARBELIO_SOURCE_DIR) + "/data/HusoHoja.csv");
  ASSERT_TRUE(in) << "data/HusoHoja.csv";
  std::stringstream instalado, generado;
  instalado << in.rdbuf();
  EscribeCsvHusoHoja(generado);
  EXPECT_EQ(instalado.str(), generado.str());
}

TEST(MallaMTN50, CoordenadasUtm) {
  // On the central meridian the easting is 500 km, symmetric on both sides of it.
  const CoordenadasUtm c = GeograficasAUtm(40.0, -3.0);
  EXPECT_EQ(c.huso, 30);
  EXPECT_NEAR(c.x, 500000.0, 1e-6);
  const CoordenadasUtm o = GeograficasAUtm(40.0, -4.0), e = GeograficasAUtm(40.0, -2.0);
  EXPECT_NEAR(500000.0 - o.x, e.x - 500000.0, 1e-6);
  EXPECT_NEAR(o.y, e.y, 1e-6);
  // Puerta del Sol, Madrid: about 440.3 km E, 4474.3 km N in zone 30.
  const CoordenadasUtm sol = GeograficasAUtm(40.4169, -3.7035);
  EXPECT_NEAR(sol.x, 440300, 1000);
  EXPECT_NEAR(sol.y, 4474300, 1000);
  // Zones by longitude.
  EXPECT_EQ(HusoDeLongitud(-6.01), 29);
  EXPECT_EQ(HusoDeLongitud(-5.99), 30);
  EXPECT_EQ(HusoDeLongitud(0.01), 31);
  EXPECT_EQ(HusoDeLongitud(-17.0), 28);
  EXPECT_EQ(HusoDeLongitud(-18.1), 27);
}

TEST(MallaMTN50, CoordenadasEnUnHusoDado) {
  // West of 6° W in zone 30 the easting falls far below 500 km; in its own zone 29, above it.
  const CoordenadasUtm propio = GeograficasAUtm(42.5, -6.2);
  const CoordenadasUtm vecino = GeograficasAUtm(42.5, -6.2, 30);
  EXPECT_EQ(propio.huso, 29);
  EXPECT_EQ(vecino.huso, 30);
  EXPECT_GT(propio.x, 700000);
  EXPECT_LT(vecino.x, 270000);
}
