// The expression language of equations: precedence, functions, names and error numbers.
#include <gtest/gtest.h>

#include <cmath>

#include "equations/MotorScript.h"

using arbelio::equations::MotorScript;

namespace {

MotorScript motorCon(const std::string& args, const std::string& formula) {
  MotorScript m;
  EXPECT_TRUE(m.AddCode("Option Explicit\r\nPublic Function EGS(" + args + ")\r\nEGS=" + formula +
                        "\r\nEnd Function"))
      << m.error().descripcion;
  return m;
}

double valor(const std::string& formula, const std::string& llamada = "EGS()") {
  MotorScript m = motorCon("", formula);
  double v = 0;
  EXPECT_TRUE(m.Eval(llamada, v)) << formula << ": " << m.error().descripcion;
  return v;
}

TEST(MotorScript, PrecedenceAndAssociativity) {
  EXPECT_EQ(valor("2^3^2"), 64);  // ^ left to right
  EXPECT_EQ(valor("-2^2"), -4);   // unary minus below ^
  EXPECT_EQ(valor("2^-1"), 0.5);  // a signed exponent
  EXPECT_EQ(valor("2+3*4"), 14);
  EXPECT_EQ(valor("(2+3)*4"), 20);
  EXPECT_EQ(valor("7-2-1"), 4);
  EXPECT_EQ(valor("8/4/2"), 1);
  EXPECT_EQ(valor("7\\2"), 3);  // integer division truncates
  EXPECT_EQ(valor("-7\\2"), -3);
  EXPECT_EQ(valor("7.5\\2"), 4);  // operands rounded half to even first: 8 \ 2
  EXPECT_EQ(valor("6.5\\2"), 3);  // 6 \ 2
  EXPECT_EQ(valor("2*7\\2"), 7);  // \ below *: (2*7)\2
  EXPECT_EQ(valor("1+7\\2"), 4);  // \ above +: 1+(7\2)
  EXPECT_EQ(valor("1<2"), -1);    // comparisons give -1 / 0
  EXPECT_EQ(valor("1>2"), 0);
  EXPECT_EQ(valor("1<>2"), -1);
  EXPECT_EQ(valor("1+1<3"), -1);  // comparisons lowest
  EXPECT_EQ(valor("1.5E2+.5"), 150.5);
}

TEST(MotorScript, FunctionsAndNamesIgnoreCase) {
  EXPECT_DOUBLE_EQ(valor("LOG(EXP(2))"), 2);
  EXPECT_DOUBLE_EQ(valor("sqr(16)+Abs(-3)"), 7);
  EXPECT_DOUBLE_EQ(valor("Atn(1)*4"), M_PI);
  EXPECT_DOUBLE_EQ(valor("Sec(0)+Cosec(Atn(1)*2)"), 2);
  EXPECT_DOUBLE_EQ(valor("Sin(0)+Cos(0)+Tan(0)"), 1);
  MotorScript m = motorCon("a,b,DN,HT", "a+b*DN^2*HT");
  double v = 0;
  ASSERT_TRUE(m.Eval("egs(1.5,2,10,3)", v));
  EXPECT_DOUBLE_EQ(v, 601.5);
  ASSERT_TRUE(m.Llamar({0, 1, 2, 3}, v));
  EXPECT_DOUBLE_EQ(v, 12);
  MotorScript n = motorCon("a,DN", "A*dn");  // names are case-insensitive
  ASSERT_TRUE(n.Eval("EGS(-0.75,4)", v));
  EXPECT_DOUBLE_EQ(v, -3);
}

struct CasoError {
  const char* args;
  const char* formula;
  const char* llamada;
  int numero;
};

TEST(MotorScript, EvaluationErrorsCarryTheirNumbers) {
  const CasoError casos[] = {
      {"DN", "(DN-DN)/(DN-DN)", "EGS(3)", 6},  // 0/0
      {"DN", "DN/0", "EGS(3)", 11},            // division by zero
      {"DN", "DN\\0.4", "EGS(3)", 11},         // 0.4 rounds to 0
      {"DN", "Log(DN)", "EGS(0)", 5},          // invalid argument
      {"DN", "Sqr(DN)", "EGS(-1)", 5},
      {"DN", "(-DN)^0.5", "EGS(2)", 5},
      {"DN", "Exp(DN)", "EGS(1000)", 6},  // overflow
      {"DN", "DN*1E308*10", "EGS(1)", 6},
      {"DN", "DN2*3", "EGS(1)", 500},         // undefined name
      {"log,DN", "log(DN)", "EGS(1,2)", 13},  // a parameter called as a function
      {"DN", "Foo(DN)", "EGS(1)", 13},
      {"DN", "Sqr(DN,2)", "EGS(1)", 450},
      {"DN", "DN", "EGS(1,2)", 450},  // call with too many arguments
      {"DN", "DN", "EGS(1", 1006},
      {"DN", "DN", "EGS(1)+", 1002},
      {"DN", "DN", "EGS(1) 2", 1025},
  };
  for (const auto& c : casos) {
    MotorScript m = motorCon(c.args, c.formula);
    double v = 0;
    EXPECT_FALSE(m.Eval(c.llamada, v)) << c.formula << " " << c.llamada;
    EXPECT_EQ(m.error().numero, c.numero) << c.formula << " " << c.llamada;
    EXPECT_FALSE(m.error().descripcion.empty());
  }
}

TEST(MotorScript, ErrorsReportSourceTextAndColumn) {
  MotorScript m = motorCon("a,DN", "a*Log(DN)");
  double v = 0;
  ASSERT_FALSE(m.Eval("EGS(2,0)", v));
  EXPECT_EQ(m.error().texto, "EGS=a*Log(DN)");
  EXPECT_EQ(m.error().texto.substr(static_cast<std::size_t>(m.error().columna), 3), "Log");
  ASSERT_FALSE(m.Eval("EGS(2,", v));
  EXPECT_EQ(m.error().texto, "EGS(2,");
}

TEST(MotorScript, ScriptsThatAreRefused) {
  MotorScript m;
  EXPECT_FALSE(
      m.AddCode("Option Explicit\r\nPublic Function EGS(dn,DN)\r\nEGS=dn*DN\r\nEnd Function"));
  EXPECT_EQ(m.error().numero, 1041);  // names are case-insensitive: dn and DN clash
  EXPECT_FALSE(m.AddCode("Option Explicit\r\nPublic Function EGS(a)\r\nEGS=a*(2\r\nEnd Function"));
  EXPECT_EQ(m.error().numero, 1006);
  EXPECT_FALSE(m.AddCode("Option Explicit\r\nPublic Function EGS(a)\r\nEGS=a & 2\r\nEnd Function"));
  EXPECT_EQ(m.error().numero, 1025);
  EXPECT_FALSE(m.AddCode("Option Explicit\r\nPublic Function EGS(to)\r\nEGS=to\r\nEnd Function"));
  EXPECT_EQ(m.error().numero, 1010);
  EXPECT_FALSE(m.tieneFuncion());
  // A constant: a function without arguments.
  ASSERT_TRUE(m.AddCode("Option Explicit\r\nPublic Function EGS()\r\nEGS=2.5\r\nEnd Function"));
  double v = 0;
  ASSERT_TRUE(m.Eval("EGS()", v));
  EXPECT_EQ(v, 2.5);
  m.Reset();
  EXPECT_FALSE(m.Eval("EGS()", v));
}

// Nesting and operator chains far beyond any equation are refused with the engine's "out of
// stack space" error instead of exhausting the stack, in a formula and in a call.
TEST(MotorScript, DeepExpressionsAreRefusedNotCrashed) {
  const auto funcion = [](const std::string& cuerpo) {
    return "Option Explicit\r\nPublic Function EGS(a,DN)\r\nEGS=" + cuerpo + "\r\nEnd Function";
  };
  const auto repite = [](const std::string& t, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += t;
    return r;
  };
  for (const std::string& cuerpo :
       {repite("(", 5000) + "a" + repite(")", 5000), repite("-", 100000) + "a",
        repite("Abs(", 3000) + "a" + repite(")", 3000), "a" + repite("+a", 100000),
        "a" + repite("^a", 50000)}) {
    MotorScript m;
    EXPECT_FALSE(m.AddCode(funcion(cuerpo)));
    EXPECT_EQ(m.error().numero, 28);
    EXPECT_NE(m.error().descripcion.find("Espacio de pila insuficiente"), std::string::npos);
  }
  MotorScript m;
  ASSERT_TRUE(m.AddCode(funcion(repite("(", 100) + "a*DN" + repite(")", 100))));
  double v = 0;
  ASSERT_TRUE(m.Eval("EGS(" + repite("(", 150) + "2" + repite(")", 150) + ",3)", v));
  EXPECT_EQ(v, 6);
  EXPECT_FALSE(m.Eval("EGS(" + repite("(", 9000) + "2" + repite(")", 9000) + ",3)", v));
  EXPECT_EQ(m.error().numero, 28);
  ASSERT_TRUE(m.AddCode(funcion("a" + repite("+a", 1500))));
  ASSERT_TRUE(m.Eval("EGS(1,0)", v));
  EXPECT_EQ(v, 1501);
}

}  // namespace
