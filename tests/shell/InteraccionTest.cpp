#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "shell/Ayuda.h"
#include "shell/InteraccionGuionada.h"
#include "shell/InteraccionLote.h"
#include "shell/Progreso.h"
#include "state/EstadoAplicacion.h"

namespace arbelio::shell {
namespace {

TEST(ProgresoTest, ProtocoloCompletoSinCancelar) {
  EstadoAplicacion estado;
  InteraccionGuionada ui(estado);
  {
    Progreso p(ui, "Generando", "Creando tablas...", true, PosicionProgreso::Centrado);
    EXPECT_TRUE(ui.progresoVisible);
    EXPECT_TRUE(ui.reloj);
    EXPECT_EQ(ui.cesiones, 1);  // yields once after showing
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(p.avanzar(i, 3, "Parcela " + std::to_string(i)));
    EXPECT_FALSE(p.terminar());
  }
  EXPECT_FALSE(ui.progresoVisible);
  EXPECT_FALSE(ui.reloj);
  std::vector<std::string> esperado = {"mostrar:Generando|Creando tablas...|cancelar=1|centrado",
                                       "barra:33",
                                       "z:Parcela 1",
                                       "barra:67",
                                       "z:Parcela 2",
                                       "barra:100",
                                       "z:Parcela 3",
                                       "ocultar"};
  EXPECT_EQ(ui.progreso, esperado);
}

TEST(ProgresoTest, CancelarDetieneEnLaSiguienteCesionYLimpiaLaBandera) {
  EstadoAplicacion estado;
  InteraccionGuionada ui(estado);
  ui.cancelarEnCeder = 3;  // during the third unit of work (cesión 0 is the initial one)
  Progreso p(ui, "Calculando", "", true);
  int hechas = 0;
  for (int i = 1; i <= 10; ++i) {
    if (!p.avanzar(i, 10, "")) break;
    ++hechas;
  }
  EXPECT_EQ(hechas, 2);
  EXPECT_TRUE(estado.CalculoCancelado);
  EXPECT_EQ(ui.ultimaBarra, 20);
  EXPECT_TRUE(p.terminar());
  EXPECT_FALSE(estado.CalculoCancelado);
  EXPECT_FALSE(ui.progresoVisible);
  EXPECT_TRUE(p.terminar());  // idempotent, still reports the cancellation
  EXPECT_EQ(ui.progreso.back(), "ocultar");
  EXPECT_EQ(std::count(ui.progreso.begin(), ui.progreso.end(), "ocultar"), 1);
}

TEST(ProgresoTest, UnFalloQueSaleDeLaOperacionOcultaElDialogoYDevuelveElPuntero) {
  EstadoComun estado;
  InteraccionGuionada ui(estado);
  ui.cancelarEnCeder = 2;  // Cancelar pressed, then the work fails before it looks
  bool terminado = false;
  try {
    Progreso p(ui, "Creando tabla 'Datdef47'.", "", true, PosicionProgreso::Centrado);
    ASSERT_TRUE(p.avanzar(1, 4, "Parcela 1/4"));
    ui.ceder();
    throw std::runtime_error("tabla dañada");
  } catch (const std::runtime_error&) {
    terminado = true;
    EXPECT_FALSE(ui.progresoVisible);
    EXPECT_FALSE(ui.reloj);
  }
  EXPECT_TRUE(terminado);
  EXPECT_FALSE(estado.CalculoCancelado);
  EXPECT_EQ(ui.progreso.back(), "ocultar");
}

// A step (a pass, a table builder) runs inside its operation's dialog: Cancelar seen by the step
// hides the dialog at once and stops the step; the flag stays for the operation, which clears
// it at its end; the pointer stays an hourglass until the operation ends.
TEST(ProgresoTest, UnPasoCanceladoOcultaElDialogoYDejaLaBanderaASuOperacion) {
  EstadoComun estado;
  InteraccionGuionada ui(estado);
  Progreso operacion(ui, "Creando tabla 'Especi47'.", "Por favor, espere...", true);
  ui.cancelarEnCeder = ui.cesiones + 1;  // at the step's second yield
  int hechas = 0;
  {
    Progreso paso(ui);
    while (paso.continuar()) {
      paso.barra(++hechas * 10);
      paso.posicion(std::to_string(hechas));
    }
    EXPECT_FALSE(ui.progresoVisible);
    EXPECT_TRUE(paso.terminar());
  }
  EXPECT_EQ(hechas, 1);
  EXPECT_TRUE(ui.reloj);
  EXPECT_TRUE(estado.CalculoCancelado);
  EXPECT_TRUE(operacion.cancelado());
  EXPECT_TRUE(operacion.terminar());
  EXPECT_FALSE(estado.CalculoCancelado);
  EXPECT_FALSE(ui.reloj);
  EXPECT_EQ(ui.cambiosReloj, 2);  // on once, off once
}

// A calculation run: the operation shows nothing itself; its first pass shows the dialog, later
// passes write in it, and the run hides it.
TEST(ProgresoTest, UnaOperacionSinDialogoPropioLoRecibeDeSuPrimerPaso) {
  EstadoComun estado;
  InteraccionGuionada ui(estado);
  Progreso corrida(ui, Progreso::Papel::Operacion);
  EXPECT_TRUE(ui.progreso.empty());
  EXPECT_TRUE(ui.reloj);
  {
    Progreso arboles(ui);
    arboles.mostrar("Progreso de cálculos", "Calculando...", true);
    arboles.calculos("cálculos de árbol individual");
  }
  {
    Progreso parcelas(ui);
    parcelas.calculos("cálculos de parcela");
  }
  EXPECT_TRUE(ui.progresoVisible);
  EXPECT_FALSE(corrida.terminar());
  EXPECT_EQ(ui.progreso,
            (std::vector<std::string>{"mostrar:Progreso de cálculos|Calculando...|cancelar=1|"
                                      "arriba-derecha",
                                      "calculos:cálculos de árbol individual",
                                      "calculos:cálculos de parcela", "ocultar"}));
  EXPECT_FALSE(ui.reloj);
}

TEST(RelojArenaTest, AnidadosElPunteroVuelveConElUltimoAunqueFalle) {
  EstadoComun estado;
  InteraccionGuionada ui(estado);
  try {
    RelojArena fuera(ui);
    {
      RelojArena dentro(ui);
      EXPECT_TRUE(ui.reloj);
    }
    EXPECT_TRUE(ui.reloj);  // the outer operation still runs
    RelojArena otra(ui);
    throw 3;
  } catch (int) {
  }
  EXPECT_FALSE(ui.reloj);
  EXPECT_EQ(ui.cambiosReloj, 2);
}

TEST(ProgresoTest, PorcentajeRedondeadoYAcotado) {
  EXPECT_EQ(Progreso::Porcentaje(0, 0), 0);
  // Halves go to the even percentage.
  EXPECT_EQ(Progreso::Porcentaje(1, 200), 0);  // 0.5 -> 0
  EXPECT_EQ(Progreso::Porcentaje(3, 200), 2);  // 1.5 -> 2
  EXPECT_EQ(Progreso::Porcentaje(1, 250), 0);  // 0.4
  EXPECT_EQ(Progreso::Porcentaje(1, 201), 0);  // 0.497
  EXPECT_EQ(Progreso::Porcentaje(2, 3), 67);
  EXPECT_EQ(Progreso::Porcentaje(199, 200), 100);  // 99.5 -> 100
  EXPECT_EQ(Progreso::Porcentaje(5, 8), 62);       // 62.5 -> 62
  EXPECT_EQ(Progreso::Porcentaje(5, 3), 100);
  // Counts beyond 16 and 32 bits.
  EXPECT_EQ(Progreso::Porcentaje(40000, 80000), 50);
  EXPECT_EQ(Progreso::Porcentaje(3'000'000'000LL, 6'000'000'000LL), 50);
}

TEST(InteraccionGuionadaTest, RegistraTitulosYBotonesYContestaDelGuion) {
  EstadoAplicacion estado;
  InteraccionGuionada ui(estado);
  ui.respuestas = {Respuesta::Si};
  ui.archivos = {std::string("/datos/Piesma47.dbf"), std::nullopt};
  EXPECT_TRUE(ui.preguntaSiNo("¿Guardar?"));
  EXPECT_FALSE(ui.preguntaSiNo("¿Otra vez?"));  // queue empty: No, counted
  EXPECT_EQ(ui.preguntasSinGuion, 1);
  ui.aviso("Hecho");
  EXPECT_EQ(ui.abrirArchivo({"Abrir", "*.dbf", "", ""}), "/datos/Piesma47.dbf");
  EXPECT_EQ(ui.guardarArchivo({"Guardar", "*.dbf", "", ""}), std::nullopt);
  EXPECT_EQ(ui.entrada("Código", "VERDANIA", "AB"), "AB");
  ASSERT_EQ(ui.mensajes.size(), 3u);
  EXPECT_EQ(ui.mensajes[0].botones, BotonesMensaje::SiNo);
  EXPECT_EQ(ui.mensajes[0].titulo, "VERDANIA");
  EXPECT_EQ(ui.mensajes[2].texto, "Hecho");
  EXPECT_EQ(ui.mensajes[2].botones, BotonesMensaje::Aceptar);
  EXPECT_EQ(ui.dialogos.size(), 2u);
  EXPECT_EQ(ui.dialogos[1].titulo, "Guardar");
}

TEST(InteraccionLoteTest, ContestaConLasBanderasYEscribeLosMensajes) {
  EstadoAplicacion estado;
  std::ostringstream salida;
  InteraccionLote ui(estado.CalculoCancelado, &salida);
  EXPECT_FALSE(ui.preguntaSiNo("¿Guardar las tablas?"));
  ui.respuestaSi = true;
  EXPECT_TRUE(ui.preguntaSiNo("¿Guardar las tablas?"));
  ui.aviso("Hay volúmenes incompletos");
  EXPECT_EQ(ui.abrirArchivo({}), std::nullopt);
  ui.archivos = {"/tmp/x.dbf"};
  EXPECT_EQ(ui.guardarArchivo({}), "/tmp/x.dbf");
  EXPECT_EQ(salida.str(),
            "VERDANIA: ¿Guardar las tablas? [No]\n"
            "VERDANIA: ¿Guardar las tablas? [Sí]\n"
            "VERDANIA: Hay volúmenes incompletos\n");
  EXPECT_EQ(ui.numeroMensajes, 3);
}

TEST(InteraccionTest, CancelarSoloPoneLaBanderaDelEstado) {
  EstadoAplicacion estado;
  InteraccionGuionada ui(estado);
  EXPECT_FALSE(ui.cancelado());
  ui.pulsarCancelar();
  EXPECT_TRUE(estado.CalculoCancelado);
  EXPECT_TRUE(ui.cancelado());
  EXPECT_TRUE(ui.mensajes.empty());
  EXPECT_TRUE(ui.progreso.empty());
}

TEST(AyudaTest, PaginasPorContexto) {
  EXPECT_EQ(PaginaAyuda(kAyudaPrincipal), "contenido.html");
  EXPECT_EQ(PaginaAyuda(kAyudaOpcionesCalculo), "opciones-calculo.html");
  EXPECT_EQ(PaginaAyuda(kAyudaEcuaciones), "ecuaciones.html");
  EXPECT_EQ(PaginaAyuda(4242), "contenido.html");
  RutasPrograma r;
  r.Ayuda = "/opt/arbelio/help";
  EXPECT_EQ(RutaPaginaAyuda(r, 1050), "/opt/arbelio/help/ecuaciones.html");
}

TEST(AyudaTest, SplashSeCierraConClicSoloAntesDeCerrarse) {
  EstadoAplicacion estado;
  EXPECT_TRUE(SplashSeCierraConClic(estado));
  estado.SplashCerrado = true;
  EXPECT_FALSE(SplashSeCierraConClic(estado));
}

TEST(ListaParcelasTest, VaciaEsUnaEntradaCeroConCuentaUno) {
  EstadoAplicacion estado;
  EXPECT_TRUE(estado.ListaParcelas.vacia());
  EXPECT_EQ(estado.ListaParcelas.numero, 1);
  estado.ListaParcelas.entradas[1] = {47, 12};
  EXPECT_FALSE(estado.ListaParcelas.vacia());
  estado.ListaParcelas.vaciar();
  EXPECT_TRUE(estado.ListaParcelas.vacia());
  EXPECT_EQ(estado.ListaParcelas.entradas.size(), 2u);
}

}  // namespace
}  // namespace arbelio::shell
