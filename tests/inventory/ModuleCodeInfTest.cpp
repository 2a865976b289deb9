#include "inventory/ModuleCodeInf.h"

#include <gtest/gtest.h>

namespace mci = arbelio::ModuleCodeInf;

TEST(NombreProvincia, CodigosOficialesConSusFormasCastellanas) {
  EXPECT_EQ(mci::NombreProvincia(1), "Álava");
  EXPECT_EQ(mci::NombreProvincia(3), "Alicante");
  EXPECT_EQ(mci::NombreProvincia(7), "Baleares");
  EXPECT_EQ(mci::NombreProvincia(12), "Castellón");
  EXPECT_EQ(mci::NombreProvincia(15), "La Coruña");
  EXPECT_EQ(mci::NombreProvincia(17), "Gerona");
  EXPECT_EQ(mci::NombreProvincia(20), "Guipúzcoa");
  EXPECT_EQ(mci::NombreProvincia(25), "Lérida");
  EXPECT_EQ(mci::NombreProvincia(26), "La Rioja");
  EXPECT_EQ(mci::NombreProvincia(32), "Orense");
  EXPECT_EQ(mci::NombreProvincia(33), "Asturias");
  EXPECT_EQ(mci::NombreProvincia(35), "Las Palmas");
  EXPECT_EQ(mci::NombreProvincia(38), "Santa Cruz de Tenerife");
  EXPECT_EQ(mci::NombreProvincia(39), "Cantabria");
  EXPECT_EQ(mci::NombreProvincia(46), "Valencia");
  EXPECT_EQ(mci::NombreProvincia(47), "Valladolid");
  EXPECT_EQ(mci::NombreProvincia(48), "Vizcaya");
  EXPECT_EQ(mci::NombreProvincia(50), "Zaragoza");
}

TEST(NombreProvincia, CiudadesAutonomasYAgrupaciones) {
  EXPECT_EQ(mci::NombreProvincia(55), "Ceuta");
  EXPECT_EQ(mci::NombreProvincia(56), "Melilla");
  EXPECT_EQ(mci::NombreProvincia(80), "Varias provincias de Andalucía");
  EXPECT_EQ(mci::NombreProvincia(84), "Varias provincias de Castilla-La Mancha");
  EXPECT_EQ(mci::NombreProvincia(89), "Varias provincias del País Vasco");
  EXPECT_EQ(mci::NombreProvincia(91), "Varias provincias no regionalizables");
  EXPECT_EQ(mci::NombreProvincia(92), "Extranjero");
}

TEST(NombreProvincia, FueraDeLaNumeracionEsDesconocida) {
  for (int c : {0, -1, 51, 52, 54, 57, 79, 93, 32767, -32768}) {
    EXPECT_EQ(mci::NombreProvincia(static_cast<std::int16_t>(c)), "Desconocida") << c;
  }
}

TEST(NombreEspecie, NombresYCodigosSinNombre) {
  EXPECT_EQ(mci::NombreEspecie(3), "Frangula alnus");
  EXPECT_EQ(mci::NombreEspecie(26), "Pinus pinaster");
  EXPECT_EQ(mci::NombreEspecie(46), "Quercus suber");
  EXPECT_EQ(mci::NombreEspecie(129), "Thymus spp.");
  EXPECT_EQ(mci::NombreEspecie(5), "Euonymus europaeus");
  EXPECT_EQ(mci::NombreEspecie(121), "Euonymus europaeus");
  for (int c : {10, 19, 20, 29, 30, 40, 49, 50, 59, 60, 63, 64, 70, 80, 89, 90, 99, 100}) {
    EXPECT_EQ(mci::NombreEspecie(static_cast<std::int16_t>(c)), std::to_string(c));
  }
  EXPECT_EQ(mci::NombreEspecie(0), "0");
  EXPECT_EQ(mci::NombreEspecie(1), "1");
  EXPECT_EQ(mci::NombreEspecie(2), "2");
  EXPECT_EQ(mci::NombreEspecie(130), "130");
  EXPECT_EQ(mci::NombreEspecie(-4), "-4");
}

TEST(NombreEspecie, TodoElRangoConNombreMenosLosHuecos) {
  int conNombre = 0;
  for (int c = 3; c <= 129; ++c) {
    if (mci::NombreEspecie(static_cast<std::int16_t>(c)) != std::to_string(c)) ++conNombre;
  }
  EXPECT_EQ(conNombre, 127 - 18);
}

TEST(DescripcionCampo, NombresExactos) {
  EXPECT_EQ(mci::DescripcionCampo("PROVINCIA"), "código IGN de provincia");
  EXPECT_EQ(mci::DescripcionCampo("NUMPMA"), "número de pies mayores en la parcela");
  EXPECT_EQ(mci::DescripcionCampo("ALTUMED"), "altura total media en decímetross");
  EXPECT_EQ(mci::DescripcionCampo("NUMPM"), "pies mayores opr hectárea");
  EXPECT_EQ(mci::DescripcionCampo("CALIDAD"), "calidad. [0-6]");
  EXPECT_EQ(mci::DescripcionCampo("ESPESOR"), "");
}

TEST(DescripcionCampo, CamposDeTextoDeLaParcela) {
  for (const char* c : {"PROPIED1", "ESPECIA11", "EDADB3", "ESPECIE1", "ESPECIE7", "MEROSIVA4",
                        "CORTAS", "DANOS3", "MAXPEND1", "MAXPEND2"}) {
    EXPECT_EQ(mci::DescripcionCampo(c), "texto") << c;
  }
  EXPECT_EQ(mci::DescripcionCampo("ESPECIE8"), "desconocido");
}

TEST(DescripcionCampo, NormalizaLosTitulosConParentesis) {
  EXPECT_EQ(mci::DescripcionCampo("NUMPMA (pies)"), "número de pies mayores en la parcela");
  EXPECT_EQ(mci::DescripcionCampo("  numpma  (pies)"), "número de pies mayores en la parcela");
  EXPECT_EQ(mci::DescripcionCampo("Huso(UTM)"), "huso UTM");
  EXPECT_EQ(mci::DescripcionCampo("(nada)"), "desconocido");
}

TEST(DescripcionCampo, SinParentesisNoSeConvierteAMayusculas) {
  EXPECT_EQ(mci::DescripcionCampo("numpma"), "desconocido");
  EXPECT_EQ(mci::DescripcionCampo("Huso"), "desconocido");
  EXPECT_EQ(mci::DescripcionCampo(" NUMPMA"), "desconocido");
  EXPECT_EQ(mci::DescripcionCampo(""), "desconocido");
  EXPECT_EQ(mci::DescripcionCampo("DN"), "desconocido");
}
