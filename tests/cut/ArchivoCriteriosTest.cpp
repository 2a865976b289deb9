// Criteria files: each kind of line written as the tool writes its cells, the species
// combination, comments, and a message naming the line of each mistake.
#include <gtest/gtest.h>

#include <sstream>

#include "cut/ArchivoCriterios.h"
#include "inventory/ErrorDatos.h"

namespace arbelio::cut {
namespace {

using Fila = std::vector<std::string>;

ArchivoCriterios Leer(const std::string& texto) {
  std::istringstream in(texto);
  return LeerArchivoCriterios(in, "c.txt");
}

std::string Error(const std::string& texto) {
  try {
    Leer(texto);
  } catch (const inventory::ErrorDatos& e) {
    return e.what();
  }
  return "";
}

TEST(ArchivoCriterios, CeldasComoLasEscribeLaHerramienta) {
  const ArchivoCriterios a = Leer(
      "# pinares\n"
      "\n"
      "especie: 21;>=25%;\n"
      "Especie: 45; ; =  500\n"
      "especies: o\n"
      "masa: ; > 1000\n"
      "utm: 30; (0329,4600); ( 400 , 4700 )\n"
      "municipio: 47; 7\n"
      "municipio: 47; 1234\n"
      "parcela: 9; 12\n");
  EXPECT_EQ(a.filas[kCriterioEspecies],
            (std::vector<Fila>{{"21", ">= 25%", ""}, {"45", "", "= 500"}}));
  EXPECT_FALSE(a.especiesY);
  EXPECT_EQ(a.filas[kCriterioMasa], (std::vector<Fila>{{"", "> 1000"}}));
  // The corners keep the width they were written with: they compare as texts.
  EXPECT_EQ(a.filas[kCriterioUtm], (std::vector<Fila>{{"30", "(0329, 4600)", "(400, 4700)"}}));
  EXPECT_EQ(a.filas[kCriterioMunicipios], (std::vector<Fila>{{"47", "007"}, {"47", "1234"}}));
  EXPECT_EQ(a.filas[kCriterioParcelas], (std::vector<Fila>{{"9", "12"}}));
  EXPECT_TRUE(Leer("especie: 21;;\n").especiesY);
}

TEST(ArchivoCriterios, CadaErrorDiceSuLinea) {
  EXPECT_EQ(Error("parcela: 47; 1\nespecie 21\n"),
            "c.txt, línea 2: se esperaba 'tipo: celdas' (especie, especies, masa, utm, municipio "
            "o parcela)");
  EXPECT_EQ(Error("\n\nrodal: 3\n"),
            "c.txt, línea 3: tipo de criterio desconocido 'rodal' (especie, especies, masa, utm, "
            "municipio o parcela)");
  EXPECT_EQ(Error("especie: 21; >= 25%\n"),
            "c.txt, línea 1: se esperaban 3 celdas separadas por ';': especie; AB; Nº PM");
  EXPECT_EQ(Error("especie: 21; >= 2.5; \n"),
            "c.txt, línea 1: AB: se esperaba un operador (>, <, >=, <=, =), un espacio y un "
            "número entero (o un porcentaje)");
  EXPECT_EQ(Error("especie: 21; ; 25%\n"),
            "c.txt, línea 1: Nº PM: se esperaba un operador (>, <, >=, <=, =), un espacio y un "
            "número entero (o un porcentaje)");
  EXPECT_EQ(Error("especie: Pinus; ; \n"),
            "c.txt, línea 1: el código de especie debe ser un número");
  EXPECT_EQ(Error("masa: > 20%; \n"),
            "c.txt, línea 1: AB: se esperaba un operador (>, <, >=, <=, =), un espacio y un "
            "número entero");
  EXPECT_EQ(Error("masa: ; \n"),
            "c.txt, línea 1: falta un valor de área basimétrica o de pies mayores");
  EXPECT_EQ(Error("utm: 30; (329 4600); (400, 4700)\n"),
            "c.txt, línea 1: las esquinas se escriben (X, Y) con números enteros");
  EXPECT_EQ(Error("utm: 30; (400, 4600); (400, 4700)\n"),
            "c.txt, línea 1: X2 debe ser mayor que X1 e Y2 mayor que Y1");
  EXPECT_EQ(Error("municipio: 47; 1a\n"), "c.txt, línea 1: el municipio debe ser un número");
  EXPECT_EQ(Error("parcela: -47; 1\n"), "c.txt, línea 1: la provincia debe ser un número");
  EXPECT_EQ(Error("especies: todos\n"), "c.txt, línea 1: la combinación de especies es Y u O");
  EXPECT_EQ(Error("parcela: 47; 1; 2\n"),
            "c.txt, línea 1: se esperaban 2 celdas separadas por ';': provincia; parcela");
}

TEST(ArchivoCriterios, ModosYTextos) {
  EXPECT_EQ(LeerModoCorte("uno"), ModoCorte::Uno);
  EXPECT_EQ(LeerModoCorte("alguno"), ModoCorte::Alguno);
  EXPECT_THROW(LeerModoCorte("Todos"), inventory::ErrorDatos);
  EXPECT_EQ(TextoInforme("a\r\n\tb\r\n"), "a\n\tb\n");
  ResumenCorte r{.LabelRNParc = "3",
                 .LabelRNPM = "20",
                 .LabelRNpme = "1",
                 .LabelRNEsp = "2",
                 .ListEspeciesdistintas = {"21 (2)", "45 (1)"}};
  EXPECT_EQ(TextoResumen(r),
            "Nº Parcelas: 3\nNº PiesMayores: 20\nNº Pies menores: 1\nNº Especies: 2\n"
            "Lista de especies:\nEspecie (nº de parcelas en las que la especie domina, en % Área "
            "Basimétrica)\n21 (2)\n45 (1)\n");
  r.Label29Habilitada = true;
  r.LabelRNPcero = "4";
  EXPECT_NE(TextoResumen(r).find("Nº Especies: 2\nNº parcelas con 0 pies mayores: 4\n"),
            std::string::npos);
}

}  // namespace
}  // namespace arbelio::cut
