// The calculation options dialog as a model: the table cascade, "Todo", the enabling rules,
// the typing checks and what "Aceptar" stores.
#include <gtest/gtest.h>

#include "calc/Dasometria.h"
#include "calc/OpcionesCalculo.h"
#include "state/EstadoAplicacion.h"

using namespace arbelio;
using namespace arbelio::calc;

namespace {

std::string Marcadas(const ModeloOpcionesCalculo& m) {
  std::string s;
  for (int k = 0; k < 9; ++k) {
    if (m.checkTabla(k)) s += std::to_string(k);
  }
  return s;
}

std::string Globales(const calc::OpcionesCalculo& o) {
  std::string s;
  for (int k = 0; k < 9; ++k) {
    if (o.TablasCalcular[static_cast<std::size_t>(k)]) s += std::to_string(k);
  }
  return s;
}

class OpcionesCalculoTest : public ::testing::Test {
 protected:
  EstadoAplicacion estado;
  ModeloOpcionesCalculo modelo{estado};
};

}  // namespace

TEST_F(OpcionesCalculoTest, PrimeraCargaMarcaArbolParcelaYTotales) {
  EXPECT_EQ(Globales(estado.opciones), "");
  modelo.Mostrar();
  EXPECT_TRUE(modelo.visible());
  EXPECT_EQ(Marcadas(modelo), "018");
  // The load's changes are clicks: they set the options at once.
  EXPECT_EQ(Globales(estado.opciones), "018");
  EXPECT_EQ(modelo.textAnchoClase(), "5");
  EXPECT_EQ(modelo.textBetaReineke(), "");
  EXPECT_EQ(modelo.opcionHart(), 1);
  EXPECT_EQ(modelo.opcionReineke(), 3);
  EXPECT_EQ(modelo.metodo(), 1);
  for (int i : {0, 1, 2, 3}) EXPECT_TRUE(modelo.check1(i));
  EXPECT_FALSE(modelo.check1(6));
  EXPECT_FALSE(modelo.check1(7));
  EXPECT_FALSE(modelo.definirEcuacionesHabilitado());
  EXPECT_FALSE(modelo.textBetaReinekeHabilitado());
  EXPECT_TRUE(modelo.aceptarHabilitado());
}

TEST_F(OpcionesCalculoTest, VariablesValidasAntesDeLaPrimeraCarga) {
  // The equation editor may be opened before the options: the boxes are as designed.
  const auto m = modelo.VariablesMarcadas();
  EXPECT_TRUE(m.vcc && m.vsc && m.iavc && m.vle);
  EXPECT_FALSE(modelo.cargado());
}

TEST_F(OpcionesCalculoTest, QuitarParcelaQuitaTotalesEspecieYClase) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kSpecie);
  modelo.PulsarCheckTabla(kCldiam);
  modelo.PulsarCheckTabla(kCdEsp);
  EXPECT_EQ(Marcadas(modelo), "01234568");
  modelo.PulsarCheckTabla(kParcel);
  // Only 0 and 4-7 stay as they were.
  EXPECT_EQ(Marcadas(modelo), "0456");
  EXPECT_EQ(Globales(estado.opciones), "0456");
}

TEST_F(OpcionesCalculoTest, MarcarEspecieArrastraTotalesParcelaYEspeciesPorParcela) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kTotals);  // clear Totals: back to 0, 1
  EXPECT_EQ(Marcadas(modelo), "01");
  modelo.PulsarCheckTabla(kParcel);
  EXPECT_EQ(Marcadas(modelo), "0");
  modelo.PulsarCheckTabla(kSpecie);
  EXPECT_EQ(Marcadas(modelo), "01248");
}

TEST_F(OpcionesCalculoTest, MarcarClaseArrastraClasesPorParcela) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kCldiam);
  EXPECT_EQ(Marcadas(modelo), "01358");
  // Clearing Cd_par clears Cldiam but keeps Parcel and Totals.
  modelo.PulsarCheckTabla(kCdPar);
  EXPECT_EQ(Marcadas(modelo), "018");
}

TEST_F(OpcionesCalculoTest, QuitarEspeciesPorParcelaQuitaEspecie) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kSpecie);
  modelo.PulsarCheckTabla(kSpPar);
  EXPECT_EQ(Marcadas(modelo), "018");
}

TEST_F(OpcionesCalculoTest, TotalesMarcadoMarcaParcela) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kParcel);  // clears Totals too
  EXPECT_EQ(Marcadas(modelo), "0");
  modelo.PulsarCheckTabla(kTotals);
  EXPECT_EQ(Marcadas(modelo), "018");
}

TEST_F(OpcionesCalculoTest, ArbolIndividualNoSePuedeQuitar) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kAIndiv);
  EXPECT_TRUE(modelo.checkTabla(kAIndiv));
  EXPECT_TRUE(estado.opciones.TablasCalcular[kAIndiv]);
}

TEST_F(OpcionesCalculoTest, LasTablasSeisYSieteNoArrastranNada) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kCdEsp);
  modelo.PulsarCheckTabla(kCdspP);
  EXPECT_EQ(Marcadas(modelo), "01678");
  modelo.PulsarCheckTabla(kCdEsp);
  EXPECT_EQ(Marcadas(modelo), "0178");
}

TEST_F(OpcionesCalculoTest, Todo) {
  modelo.Mostrar();
  modelo.PulsarCheckTodasTablas();
  EXPECT_TRUE(modelo.checkTodasTablas());
  EXPECT_EQ(Marcadas(modelo), "012345678");
  modelo.PulsarCheckTodasTablas();
  EXPECT_FALSE(modelo.checkTodasTablas());
  EXPECT_EQ(Marcadas(modelo), "018");
  EXPECT_EQ(Globales(estado.opciones), "018");
}

TEST_F(OpcionesCalculoTest, MetodoHabilitaDefinirYVariables) {
  modelo.Mostrar();
  modelo.SeleccionarMetodo(2);
  EXPECT_TRUE(modelo.definirEcuacionesHabilitado());
  EXPECT_TRUE(modelo.variablesHabilitadas());
  modelo.SeleccionarMetodo(3);
  EXPECT_TRUE(modelo.definirEcuacionesHabilitado());
  EXPECT_FALSE(modelo.variablesHabilitadas());
  // Ticked but disabled boxes are not valid equation variables.
  const auto m = modelo.VariablesMarcadas();
  EXPECT_FALSE(m.vcc || m.vsc || m.iavc || m.vle);
  modelo.SeleccionarMetodo(1);
  EXPECT_FALSE(modelo.definirEcuacionesHabilitado());
  EXPECT_TRUE(modelo.VariablesMarcadas().vcc);
  EXPECT_EQ(modelo.ayudaDefinirEcuaciones(), "");
  // Without an equation editor the button stays disabled whatever the method, and says why.
  modelo.fijarEditorEcuaciones(false);
  modelo.SeleccionarMetodo(2);
  EXPECT_FALSE(modelo.definirEcuacionesHabilitado());
  EXPECT_EQ(modelo.ayudaDefinirEcuaciones(), kAyudaSinEditorEcuaciones);
}

TEST_F(OpcionesCalculoTest, AceptarGuardaElDialogo) {
  modelo.Mostrar();
  modelo.PulsarCheckTabla(kCdspP);
  modelo.EscribirAnchoClase("2,5");
  modelo.SeleccionarHart(2);
  modelo.SeleccionarMetodo(2);
  modelo.FijarCheck1(1, false);
  modelo.FijarCheck1(3, false);
  modelo.FijarCheck1(6, true);
  modelo.SeleccionarReineke(4);
  modelo.EscribirBetaReineke("-1,7");
  ASSERT_TRUE(modelo.Aceptar());
  EXPECT_FALSE(modelo.visible());
  const auto& o = estado.opciones;
  EXPECT_EQ(Globales(o), "0178");
  EXPECT_EQ(o.AnchoClase, 2.5f);
  EXPECT_EQ(o.TipoHart, 2);
  EXPECT_EQ(o.MetodoCalculo, 2);
  EXPECT_DOUBLE_EQ(o.BetaReineke, -1.7);
  EXPECT_TRUE(o.CalcularSDCH);
  EXPECT_FALSE(o.CalcularIDCH);
  EXPECT_EQ(estado.VariablesUnidades[0].calcular, "SI");
  EXPECT_EQ(estado.VariablesUnidades[1].calcular, "NO");
  EXPECT_EQ(estado.VariablesUnidades[2].calcular, "SI");
  EXPECT_EQ(estado.VariablesUnidades[3].calcular, "NO");
  EXPECT_EQ(estado.VariablesUnidades[4].calcular, "NO");
}

TEST_F(OpcionesCalculoTest, ConReineke3ElTextoSeIgnora) {
  modelo.Mostrar();
  modelo.SeleccionarReineke(4);
  modelo.EscribirBetaReineke("-1,7");
  modelo.SeleccionarReineke(3);
  ASSERT_TRUE(modelo.Aceptar());
  EXPECT_DOUBLE_EQ(estado.opciones.BetaReineke, -1.605);
}

TEST_F(OpcionesCalculoTest, UnMenosSoloSeAceptaYValeCero) {
  modelo.Mostrar();
  modelo.SeleccionarReineke(4);
  modelo.EscribirBetaReineke("-");
  EXPECT_EQ(modelo.colorBetaReineke(), kColorNegro);
  EXPECT_TRUE(modelo.aceptarHabilitado());
  ASSERT_TRUE(modelo.Aceptar());
  EXPECT_EQ(estado.opciones.BetaReineke, 0.0);
}

TEST_F(OpcionesCalculoTest, ReinekeNoNumericoBloquea) {
  modelo.Mostrar();
  modelo.SeleccionarReineke(4);
  modelo.EscribirBetaReineke("-1,7x");
  EXPECT_EQ(modelo.colorBetaReineke(), kColorRojo);
  EXPECT_FALSE(modelo.aceptarHabilitado());
  EXPECT_FALSE(modelo.Calcular());
  EXPECT_TRUE(modelo.visible());
  EXPECT_DOUBLE_EQ(estado.opciones.BetaReineke, -1.605);
}

TEST_F(OpcionesCalculoTest, AnchoNoValidoSePoneRojoYBloquea) {
  modelo.Mostrar();
  for (const char* t : {"0", "-2", "abc", "", "0,04", "0,05", "2,5cm"}) {
    modelo.EscribirAnchoClase(t);
    EXPECT_EQ(modelo.colorAnchoClase(), kColorRojo) << t;
    EXPECT_FALSE(modelo.aceptarHabilitado()) << t;
    EXPECT_FALSE(modelo.calcularHabilitado()) << t;
    EXPECT_FALSE(modelo.Aceptar()) << t;
  }
  EXPECT_EQ(estado.opciones.AnchoClase, 5.0f);
  modelo.EscribirAnchoClase("0,06");
  EXPECT_EQ(modelo.colorAnchoClase(), kColorNegro);
  ASSERT_TRUE(modelo.Aceptar());
  EXPECT_EQ(estado.opciones.AnchoClase, 0.1f);
}

TEST_F(OpcionesCalculoTest, CancelarNoGuarda) {
  modelo.Mostrar();
  modelo.EscribirAnchoClase("10");
  modelo.SeleccionarHart(2);
  modelo.Cancelar();
  EXPECT_FALSE(modelo.visible());
  EXPECT_EQ(estado.opciones.AnchoClase, 5.0f);
  EXPECT_EQ(estado.opciones.TipoHart, 1);
  // Shown again with the controls as they were left.
  modelo.Mostrar();
  EXPECT_EQ(modelo.textAnchoClase(), "10");
  EXPECT_EQ(modelo.opcionHart(), 2);
}

TEST_F(OpcionesCalculoTest, ElTextoDelAnchoSeRefrescaSoloAlCargar) {
  estado.opciones.AnchoClase = 2.5f;
  modelo.Mostrar();
  EXPECT_EQ(modelo.textAnchoClase(), "2,5");
  modelo.Cancelar();
  estado.opciones.AnchoClase = 10.0f;
  modelo.Mostrar();
  EXPECT_EQ(modelo.textAnchoClase(), "2,5");
  modelo.Descargar();
  modelo.Mostrar();
  EXPECT_EQ(modelo.textAnchoClase(), "10");
}

TEST(OpcionesCalculo, CalculoRapido) {
  calc::OpcionesCalculo o;
  o.TablasCalcular.fill(true);
  TablasCalculoRapido(o);
  EXPECT_EQ(Globales(o), "014");
}

TEST(OpcionesCalculo, ConversionDeNumeros) {
  EXPECT_DOUBLE_EQ(ConvertirNumeroOpcion(" 2,5 "), 2.5);
  EXPECT_DOUBLE_EQ(ConvertirNumeroOpcion("-1,7"), -1.7);
  EXPECT_DOUBLE_EQ(ConvertirNumeroOpcion("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(ConvertirNumeroOpcion("-"), 0.0);
  // Only the first comma becomes a point; reading stops at the second.
  EXPECT_DOUBLE_EQ(ConvertirNumeroOpcion("1,5,3"), 1.5);
  EXPECT_DOUBLE_EQ(LeerNumeroComoVal("1 2,5"), 12.0);
  EXPECT_DOUBLE_EQ(LeerNumeroComoVal("1.5E2x"), 150.0);
  EXPECT_DOUBLE_EQ(LeerNumeroComoVal("1.5E"), 1.5);
  EXPECT_DOUBLE_EQ(LeerNumeroComoVal("abc"), 0.0);
  EXPECT_DOUBLE_EQ(LeerNumeroComoVal(".5"), 0.5);
}

TEST(OpcionesCalculo, NumerosDelLocal) {
  for (const char* t : {"5", " 2,5 ", "-1,7", "+3", "1.000", "1.000,5", ",5", "1E3", "2,5e-1"}) {
    EXPECT_TRUE(EsNumeroLocal(t)) << t;
  }
  for (const char* t : {"", "-", ",", "abc", "2,5,1", "1E", "2 5", "5-x"}) {
    EXPECT_FALSE(EsNumeroLocal(t)) << t;
  }
}

TEST(OpcionesCalculo, AnchoRedondeadoAUnDecimalMitadAlPar) {
  EXPECT_EQ(AnchoClaseDeTexto("2,25"), 2.2f);
  EXPECT_EQ(AnchoClaseDeTexto("2,35"), 2.4f);
  EXPECT_EQ(AnchoClaseDeTexto("7,46"), 7.5f);
  EXPECT_EQ(AnchoClaseDeTexto("5"), 5.0f);
  EXPECT_EQ(RedondeoPar(0.125, 2), 0.12);
  EXPECT_EQ(RedondeoPar(2.5, 0), 2.0);
}

TEST(OpcionesCalculo, TextoLocalDeUnAncho) {
  EXPECT_EQ(TextoNumeroLocal(5.0f), "5");
  EXPECT_EQ(TextoNumeroLocal(2.5f), "2,5");
  EXPECT_EQ(TextoNumeroLocal(0.3f), "0,3");
}
