#include "shell/EstadoMenus.h"

#include <gtest/gtest.h>

#include <string>

namespace arbelio::shell {
namespace {

// The enabled entries as one string in enum order, e.g. "AAgregarBD Herramientas".
std::string Habilitadas(const EstadoMenus& m) {
  static const char* nombres[] = {
      "ANuevoProyecto", "AAgregarBD",  "AGenerarBDT",  "AGuardarCorte", "AGuardarCalculos",
      "Herramientas",   "CNuevoCorte", "HerrCalculos", "CalOpciones",   "CalCalcular"};
  std::string s;
  for (std::size_t i = 0; i < kNumEntradasMenu; ++i) {
    if (m.habilitada(static_cast<EntradaMenu>(i)))
      s += std::string(s.empty() ? "" : " ") + nombres[i];
  }
  return s;
}

TEST(EstadoMenusTest, AlIniciarSoloSeleccionarBaseDeDatos) {
  EstadoMenus m;
  m.alIniciar();
  // The hidden generation entry is not named by the start-up step: it keeps its design state.
  EXPECT_EQ(Habilitadas(m), "AAgregarBD AGenerarBDT");
}

TEST(EstadoMenusTest, RecorridoCompletoDelTrabajo) {
  EstadoMenus m;
  m.alIniciar();
  m.alElegirArchivoValido();
  EXPECT_EQ(Habilitadas(m),
            "ANuevoProyecto AAgregarBD AGenerarBDT Herramientas CNuevoCorte HerrCalculos "
            "CalOpciones CalCalcular");
  m.alGenerarBaseTrabajo();
  EXPECT_FALSE(m.habilitada(EntradaMenu::AAgregarBD));
  EXPECT_TRUE(m.habilitada(EntradaMenu::AGenerarBDT));
  m.alMostrarCorteNoVacio();
  EXPECT_TRUE(m.habilitada(EntradaMenu::AGuardarCorte));
  m.alAplicarCriteriosSinParcelas();
  EXPECT_FALSE(m.habilitada(EntradaMenu::AGuardarCorte));
  EXPECT_FALSE(m.habilitada(EntradaMenu::AGuardarCalculos));
  m.alTerminarCalculo();
  EXPECT_EQ(Habilitadas(m),
            "ANuevoProyecto AGenerarBDT AGuardarCalculos Herramientas CNuevoCorte HerrCalculos "
            "CalOpciones CalCalcular");
  // New project.
  m.alIniciar();
  EXPECT_EQ(Habilitadas(m), "AAgregarBD AGenerarBDT");
}

TEST(EstadoMenusTest, AbrirCorteOPrepararCalculoCierranLaSeleccion) {
  for (int caso = 0; caso < 2; ++caso) {
    EstadoMenus m;
    m.alIniciar();
    m.alElegirArchivoValido();
    if (caso == 0)
      m.alAbrirCorteSobreBaseExistente();
    else
      m.alPrepararCalculo();
    EXPECT_FALSE(m.habilitada(EntradaMenu::AAgregarBD)) << caso;
    EXPECT_FALSE(m.habilitada(EntradaMenu::AGenerarBDT)) << caso;
    EXPECT_TRUE(m.habilitada(EntradaMenu::Herramientas)) << caso;
  }
}

TEST(EstadoMenusTest, ArchivoRechazadoComoDuplicadoHabilitaIgual) {
  EstadoMenus m;
  m.alIniciar();
  m.alElegirArchivoValido();
  m.alElegirArchivoValido();
  EXPECT_TRUE(m.habilitada(EntradaMenu::CalCalcular));
  EXPECT_FALSE(m.habilitada(EntradaMenu::AGuardarCorte));
}

TEST(EstadoMenusTest, CadaEventoAvisaALaVentana) {
  EstadoMenus m;
  int avisos = 0;
  m.alCambiar = [&] { ++avisos; };
  m.alIniciar();
  m.alElegirArchivoValido();
  m.alGenerarBaseTrabajo();
  m.alAbrirCorteSobreBaseExistente();
  m.alPrepararCalculo();
  m.alMostrarCorteNoVacio();
  m.alAplicarCriteriosSinParcelas();
  m.alTerminarCalculo();
  EXPECT_EQ(avisos, 8);
}

TEST(EstadoMenusTest, NombresDeControl) {
  EXPECT_EQ(NombreControl(EntradaMenu::AGuardarCalculos), "mnuAGuardarCálculos");
  EXPECT_EQ(NombreControl(EntradaMenu::CalCalcular), "mnuCálCalcular");
  EXPECT_EQ(NombreControl(EntradaMenu::HerrCalculos), "mnuHerrCálculos");
  EXPECT_EQ(NombreControl(EntradaMenu::AAgregarBD), "mnuAAgregarBD");
}

}  // namespace
}  // namespace arbelio::shell
