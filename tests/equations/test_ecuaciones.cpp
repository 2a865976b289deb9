// Checking equation texts, the function EGS and the numbers written into calls.
#include <gtest/gtest.h>

#include "equations/Ecuaciones.h"

using namespace arbelio::equations;

namespace {

const VariablesMarcadas kSinVolumenes{};

TEST(ComprobarEcuacion, ListsParametersAndVariablesInOrderOfFirstUse) {
  EstadoEcuaciones e;
  const auto r = ComprobarEcuacion(e, "a*DN^b+a*HT*DN", kSinVolumenes);
  ASSERT_TRUE(r.valida) << r.mensaje;
  EXPECT_EQ(e.parametros, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(e.variables, (std::vector<std::string>{"DN", "HT"}));
  EXPECT_EQ(TextoFuncionEGS(e, "a*DN^b+a*HT*DN"),
            "Option Explicit\r\nPublic Function EGS(a,b,DN,HT)\r\nEGS=a*DN^b+a*HT*DN\r\nEnd "
            "Function");
  ASSERT_TRUE(GenerarFuncionEGS(e, "a*DN^b+a*HT*DN"));
  double v = 0;
  ASSERT_TRUE(EvaluarEGS(e, "EGS(2,2,3,10)", v));
  EXPECT_DOUBLE_EQ(v, 78);
  // Three random arguments in [0, 50): a finite value, not the failure mark.
  EXPECT_TRUE(ComprobarEcuacion(e, "a*DN^b", kSinVolumenes).valida);
  ASSERT_TRUE(GenerarFuncionEGS(e, "a*DN^b"));
  EXPECT_NE(EvaluarEcuacionPrueba(e, 12345), -5);
}

TEST(ComprobarEcuacion, RefusalsWithTheirMessages) {
  struct Caso {
    const char* texto;
    const char* mensaje;
    bool pitido;
  };
  const Caso casos[] = {
      {"", "Error: No hay ecuación.", false},
      {"a*DN<=b", "Error: No debe existir signo '=' ", false},
      {"abcde*DN", "Error: Algún parámetro tiene más de 4 letras", false},
      {"Dn*2", "Error: Alguna variable mezcla mayúsculas y minúsculas", true},
      {"LOG(DN)", "Error:  La variable LOG no es válida.", false},
      {"VCC*0.9", "Error:  La variable VCC no es válida.", false},
      {"a*DN*Ñu", "Error: Alguna variable mezcla mayúsculas y minúsculas", true},
  };
  for (const auto& c : casos) {
    EstadoEcuaciones e;
    const auto r = ComprobarEcuacion(e, c.texto, kSinVolumenes);
    EXPECT_FALSE(r.valida) << c.texto;
    EXPECT_EQ(r.mensaje, c.mensaje) << c.texto;
    EXPECT_EQ(r.pitido, c.pitido) << c.texto;
  }
}

TEST(ComprobarEcuacion, EdgeCasesOfTokens) {
  EstadoEcuaciones e;
  // Accented lower-case letters belong to parameters.
  EXPECT_TRUE(ComprobarEcuacion(e, "ñá*DN", kSinVolumenes).valida);
  EXPECT_EQ(e.parametros, std::vector<std::string>{"ñá"});
  // log is a parameter for the check, and the engine then refuses the call (type mismatch).
  ASSERT_TRUE(ComprobarEcuacion(e, "log(DN)", kSinVolumenes).valida);
  ASSERT_TRUE(GenerarFuncionEGS(e, "log(DN)"));
  EXPECT_EQ(EvaluarEcuacionPrueba(e, 1), -5);
  EXPECT_EQ(e.motor.error().numero, 13);
  EXPECT_EQ(TextoErrorScript(e.motor.error()), "");  // 13 shows no message
  // A digit ends a name: DN2 passes the check and is undefined for the engine.
  ASSERT_TRUE(ComprobarEcuacion(e, "DN2*a", kSinVolumenes).valida);
  EXPECT_EQ(e.variables, std::vector<std::string>{"DN"});
  ASSERT_TRUE(GenerarFuncionEGS(e, "DN2*a"));
  EXPECT_EQ(EvaluarEcuacionPrueba(e, 1), -5);
  EXPECT_EQ(e.motor.error().numero, 500);
  const std::string informe = TextoErrorScript(e.motor.error());
  EXPECT_EQ(informe.substr(0, 16), "Descripción:   ");
  EXPECT_NE(informe.find("\r\nTexto:   EGS=DN2*a\r\nNúmero de error:  500\r\nCausa: D"),
            std::string::npos)
      << informe;
  // No parameters: the arguments are the variables alone.
  ASSERT_TRUE(ComprobarEcuacion(e, "2.5*Sqr(HT)", kSinVolumenes).valida);
  EXPECT_TRUE(esListaVacia(e.parametros));
  EXPECT_NE(TextoFuncionEGS(e, "2.5*Sqr(HT)").find("EGS(HT)"), std::string::npos);
  // <> passes the "=" rule.
  EXPECT_TRUE(ComprobarEcuacion(e, "(DN<>a)*b", kSinVolumenes).valida);
}

TEST(ComprobarEcuacion, VolumeVariablesAreValidOnlyWhenTicked) {
  EstadoEcuaciones e;
  EXPECT_TRUE(ComprobarEcuacion(e, "VCC*0.9", VariablesMarcadas{true, false, false, false}).valida);
  EXPECT_FALSE(
      ComprobarEcuacion(e, "VSC*0.9", VariablesMarcadas{true, false, false, false}).valida);
  // The list is built once; the editor extends or rebuilds it explicitly.
  CargarVariablesValidas(e, VariablesMarcadas{false, true, true, true});
  EXPECT_FALSE(EsVariableValida(e, "VCC"));
  EXPECT_TRUE(EsVariableValida(e, "VLE"));
  EXPECT_FALSE(EsVariableValida(e, "vle"));
}

TEST(NumerosEnLlamadas, DecimalTextWithAPoint) {
  EXPECT_EQ(NumeroConPunto(" -0,75 "), "-0.75");
  EXPECT_EQ(NumeroConPunto("1,5"), "1.5");
  EXPECT_EQ(NumeroConPunto("12"), "12");
  EXPECT_EQ(TextoNumero(0.00001), "1E-05");
  EXPECT_EQ(TextoNumero(0.0001), "0.0001");
  EXPECT_EQ(TextoNumero(-0.75), "-0.75");
  EXPECT_EQ(TextoNumero(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(TextoNumero(1e15), "1E+15");
  EXPECT_EQ(TextoNumero(123456789012345.0), "123456789012345");
  EXPECT_EQ(TextoNumero(12.345678f, true), "12.34568");
  EXPECT_EQ(TextoNumero(12345678.0f, true), "1.234568E+07");
  EXPECT_EQ(TextoNumero(9.9999999, true), "10");
  EXPECT_EQ(CampoDeVariable("HT"), "ALTURA");
  EXPECT_EQ(CampoDeVariable("IAVC"), "IAVC");
  EXPECT_EQ(CampoDeVariable("XYZ"), "");
}

}  // namespace
