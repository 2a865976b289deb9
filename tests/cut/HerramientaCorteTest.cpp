// The cut tool without a display: opening it ("&Corte...", generating the working database
// when there is none), its lists, the typing check, the OK buttons, the pop-up "Eliminar fila",
// the apply modes and the reset when it is opened again.
#include <gtest/gtest.h>

#include "EntornoCorte.h"
#include "cut/HerramientaCorte.h"
#include "shell/InteraccionGuionada.h"
#include "store/FileOps.h"

#include <fstream>

namespace arbelio::cut {
namespace {

using pruebas_corte::Esp;
using pruebas_corte::Plot;
using pruebas_import::Registro;
using Lista = std::vector<std::string>;

TEST(ValidarNumero, CodigosDeCadaEntrada) {
  EXPECT_EQ(ValidarNumero(""), 0);
  EXPECT_EQ(ValidarNumero("12"), 0);
  EXPECT_EQ(ValidarNumero("123456"), 0);
  EXPECT_EQ(ValidarNumero("1234567"), 6);
  EXPECT_EQ(ValidarNumero("12.5"), 1);
  EXPECT_EQ(ValidarNumero("12,5"), 2);
  EXPECT_EQ(ValidarNumero("-3"), 3);
  EXPECT_EQ(ValidarNumero("-3.5"), 1);
  EXPECT_EQ(ValidarNumero("+3"), 5);
  EXPECT_EQ(ValidarNumero("abc"), 9);
  EXPECT_EQ(ValidarNumero("12a"), 9);
  EXPECT_EQ(ValidarNumero("1e3"), 9);
}

TEST(ComboCorte, RojoAlEscribirNegroAlElegirOAlDesplegar) {
  ComboCorte c;
  c.Cargar({"310", "4600"}, false);
  EXPECT_EQ(c.texto, "");
  c.Escribir("12.5");
  EXPECT_TRUE(c.rojo);
  c.Elegir(1);
  EXPECT_FALSE(c.rojo);
  EXPECT_EQ(c.texto, "4600");
  c.Escribir("-3");
  EXPECT_TRUE(c.rojo);
  c.Desplegar();
  EXPECT_FALSE(c.rojo);
  EXPECT_EQ(c.texto, "");
  c.Escribir("329");
  EXPECT_FALSE(c.rojo);
}

class Herramienta : public ::testing::Test {
 protected:
  Herramienta() { entorno.Mundo(); }

  HerramientaCorte& Abrir() {
    EXPECT_TRUE(mnuCNuevoCorte_Click(entorno.estado, ui, vista));
    vista.herramienta().aleatorio = [] { return 0.0; };
    return vista.herramienta();
  }

  pruebas_corte::EntornoCorte entorno;
  shell::InteraccionGuionada ui{entorno.estado};
  VistaCorteEnMemoria vista{entorno.estado};
};

TEST_F(Herramienta, AbrirSobreUnaBaseDeTrabajoExistente) {
  entorno.estado.menus.alElegirArchivoValido();
  std::ofstream(entorno.ruta("BDCorte") + "/DatDefXy.dbf") << "de un corte anterior";
  HerramientaCorte& h = Abrir();
  EXPECT_TRUE(entorno.estado.CorteAbierto);
  EXPECT_FALSE(entorno.estado.menus.habilitada(shell::EntradaMenu::AAgregarBD));
  EXPECT_TRUE(store::listFiles(entorno.ruta("BDCorte")).empty());
  EXPECT_EQ(ui.progreso,
            (Lista{"mostrar:Cargando Herramienta de corte...||cancelar=0|centrado", "etiquetas:000",
                   "explicacion:Inicializando Lista de Criterios", "barra:15",
                   "explicacion:Inicializando Lista de Coordenadas", "barra:30",
                   "explicacion:Inicializando Lista de Especies", "barra:45",
                   "explicacion:Inicializando Lista de Municipios", "barra:60",
                   "explicacion:Inicializando Lista de Parcelas", "barra:75",
                   "explicacion:Inicializando Lista de Variables de Masa", "barra:90",
                   "explicacion:Inicializando Controles Grid", "barra:100", "ocultar"}));
  EXPECT_FALSE(ui.reloj);

  EXPECT_EQ(h.LabelSolapaActiva, "(Especies)");
  EXPECT_EQ(h.LabelCriterio,
            (std::array<std::string, 5>{"Especies", "Masa", "UTM", "Municipios", "Parcelas"}));
  EXPECT_EQ(h.ComboEspeciesPresentes.elementos,
            (Lista{"21 (Pinus sylvestris)", "45 (Quercus ilex)", "71 (Fagus sylvatica)"}));
  EXPECT_EQ(h.ComboEspeciesPresentes.texto, "21 (Pinus sylvestris)");
  EXPECT_EQ(h.ComboHusos.elementos, (Lista{"30", "31"}));
  EXPECT_EQ(h.LabelHuso, "Nº de Husos: 2");
  // Distinct stored coordinates of zone 30, in text order.
  EXPECT_EQ(h.ComboX1.elementos, (Lista{"200", "30", "300", "31", "310", "95"}));
  EXPECT_EQ(h.ComboY2.elementos, (Lista{"4600", "4605", "4610", "4620", "4630", "4640"}));
  EXPECT_EQ(h.ComboX1.texto, "");
  EXPECT_EQ(h.ComboMunProvincias.elementos, (Lista{"9", "47"}));
  EXPECT_EQ(h.ComboMunProvincias.texto, "");
  EXPECT_EQ(h.ComboMayorMenor.texto, ">");
  EXPECT_EQ(h.ComboUmbralPM.elementos.size(), 12u);
  EXPECT_EQ(h.ComboUmbralAB.texto, "");
  EXPECT_EQ(h.ComboVarMasaPM.elementos.back(), "3000");
  EXPECT_EQ(h.ComboParcelas.ayuda, "Código KAV de parcela");
  EXPECT_TRUE(h.ComboX1.editable);
  EXPECT_FALSE(h.ComboUmbralAB.editable);
  for (const auto& r : h.criterios.rejillas) EXPECT_EQ(r->filas(), 19);
  EXPECT_EQ(h.criterios.rejillas[kCriterioUtm]->columna(2).cabecera, "(X2,Y2)");

  h.ComboHusos_Click(1);
  EXPECT_EQ(h.ComboX2.elementos, (Lista{"310"}));
  h.ComboMunProvincias_Click(1);
  EXPECT_EQ(h.ComboMunicipios.elementos, (Lista{"001", "007", "220"}));
  h.ComboParcProvincia_Click(0);
  EXPECT_EQ(h.ComboParcelas.elementos, (Lista{"1", "7"}));
  h.SSTabCriterios_Click(kCriterioMasa);
  EXPECT_EQ(h.LabelSolapaActiva, "(Var. Masa)");
  h.SSTabCriterios_Click(kSolapaInforme);
  EXPECT_EQ(h.LabelSolapaActiva, "");
}

TEST_F(Herramienta, AbrirGenerandoLaBaseDeTrabajo) {
  // One selected province whose tables are in BDTemp under its code.
  const std::string temp = entorno.ruta("BDTemp");
  for (const auto& f : store::listFiles(temp)) store::deleteFile(f.path);
  entorno.EscribeTabla(temp, "DatDef", "DatDef47", {Plot(47, 1, 30, "30", "4600", "001", 1)});
  entorno.EscribeTabla(temp, "Especi", "Especi47", {Esp(47, 1, "21", 1, 1, 100, 100)});
  entorno.EscribeTabla(temp, "Piesma", "Piesma47", {Registro(47, 1, 1)});
  for (const char* t : {"Piesme", "Tiposx", "Matorr"})
    entorno.EscribeTabla(temp, t, std::string(t) + "47", {});
  entorno.estado.CodigosSeleccionados = {"47"};
  entorno.estado.HayBasesSeleccionadas = true;
  HerramientaCorte& h = Abrir();
  EXPECT_TRUE(import::ExisteBaseTrabajo(entorno.estado));
  EXPECT_EQ(ui.progreso.front(),
            "mostrar:Generando base de datos de trabajo...||cancelar=0|centrado");
  EXPECT_NE(std::find(ui.progreso.begin(), ui.progreso.end(),
                      "mostrar:Cargando Herramienta de corte...||cancelar=0|centrado"),
            ui.progreso.end());
  EXPECT_EQ(h.ComboEspeciesPresentes.elementos, (Lista{"21 (Pinus sylvestris)"}));
  EXPECT_TRUE(ui.textos().empty());
}

TEST_F(Herramienta, SinBaseDeTrabajoNiBasesSeleccionadasLoDice) {
  const std::string temp = entorno.ruta("BDTemp");
  for (const auto& f : store::listFiles(temp)) store::deleteFile(f.path);
  entorno.estado.CodigosSeleccionados = {"47"};
  EXPECT_FALSE(mnuCNuevoCorte_Click(entorno.estado, ui, vista));
  EXPECT_FALSE(entorno.estado.CorteAbierto);
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0].rfind("Error", 0), 0u);
  EXPECT_FALSE(ui.progresoVisible);
  EXPECT_FALSE(ui.reloj);
}

TEST_F(Herramienta, BotonesOKEscribenFilas) {
  HerramientaCorte& h = Abrir();
  h.resumen.HabilitarLabelsResumen();
  // Species: the leading number of the item, the thresholds, then the inputs reset.
  h.ComboEspeciesPresentes.Elegir(1);
  h.ComboMayorMenor.Elegir(2);
  h.ComboUmbralAB.Elegir(8);
  EXPECT_TRUE(h.CommandOKEspecies_Click());
  EXPECT_EQ(h.criterios.rejillas[kCriterioEspecies]->todas()[0], (Lista{"45", ">= 25%", ""}));
  EXPECT_EQ(h.ComboUmbralAB.texto, "");
  EXPECT_EQ(h.ComboMayorMenor.texto, ">");
  EXPECT_TRUE(h.criterios.CheckCriterio[kCriterioEspecies]);
  EXPECT_FALSE(h.resumen.labelsHabilitadas);
  h.ComboMasMenos.Elegir(4);
  h.ComboUmbralPM.Elegir(1);
  EXPECT_TRUE(h.CommandOKEspecies_Click());
  EXPECT_EQ(h.criterios.rejillas[kCriterioEspecies]->todas()[1],
            (Lista{"45", "", "= 500"}));  // the species stays chosen

  // Stand variables: a value needed; a red (typed, invalid) one is refused.
  EXPECT_FALSE(h.CommandOKMasa_Click());
  h.ComboVarMasaAB.Escribir("12.5");
  EXPECT_FALSE(h.CommandOKMasa_Click());
  h.ComboVarMasaAB.Desplegar();
  h.ComboVarMasaPM.Escribir("1500");
  EXPECT_TRUE(h.CommandOKMasa_Click());  // row 1: only the trees
  h.ComboVarMasaPM.Vaciar();
  h.ComboMasaABMayMen.Elegir(2);
  h.ComboVarMasaAB.Elegir(2);
  EXPECT_TRUE(h.CommandOKMasa_Click());  // goes below, not over the row whose AB is empty
  const auto& masa = h.criterios.rejillas[kCriterioMasa]->todas();
  EXPECT_EQ(masa[0], (Lista{"", "> 1500"}));
  EXPECT_EQ(masa[1], (Lista{">= 20", ""}));

  // Coordinates: X2 must exceed X1 and Y2 exceed Y1.
  h.ComboX1.Elegir(1);  // 30
  h.ComboY1.Elegir(0);  // 4600
  h.ComboX2.Elegir(1);  // 30
  h.ComboY2.Elegir(5);  // 4640
  EXPECT_FALSE(h.CommandOKCoord_Click());
  h.ComboX2.Elegir(4);  // 310: a larger number though a smaller text than "95"
  EXPECT_TRUE(h.CommandOKCoord_Click());
  EXPECT_EQ(h.criterios.rejillas[kCriterioUtm]->todas()[0],
            (Lista{"30", "(30, 4600)", "(310, 4640)"}));
  EXPECT_EQ(h.ComboX1.texto, "");
  EXPECT_EQ(h.ComboY2.texto, "");

  // Municipalities padded to three digits; a province needed.
  h.ComboMunicipios.Escribir("7");
  EXPECT_FALSE(h.CommandOKMunicipios_Click());
  h.ComboMunProvincias_Click(1);
  h.ComboMunicipios.Escribir("7");
  EXPECT_TRUE(h.CommandOKMunicipios_Click());
  EXPECT_EQ(h.criterios.rejillas[kCriterioMunicipios]->todas()[0], (Lista{"47", "007"}));

  // Plots; a full grid grows by one row.
  h.ComboParcProvincia_Click(1);
  for (int i = 0; i < 20; ++i) {
    h.ComboParcelas.Escribir(std::to_string(i));
    EXPECT_TRUE(h.CommandOKParcelas_Click());
  }
  EXPECT_EQ(h.criterios.rejillas[kCriterioParcelas]->filas(), 20);
  EXPECT_EQ(h.criterios.rejillas[kCriterioParcelas]->todas()[19], (Lista{"47", "19"}));
}

TEST_F(Herramienta, EliminarFilaDelMenuEmergente) {
  HerramientaCorte& h = Abrir();
  auto& rejilla = *h.criterios.rejillas[kCriterioEspecies];
  for (const char* e : {"21", "45", "71", "23", "24"}) {
    h.ComboEspeciesPresentes.elementos = {std::string(e) + " (x)"};
    h.ComboEspeciesPresentes.Elegir(0);
    h.CommandOKEspecies_Click();
  }
  h.mnuPU2EliminarFila_Click(kCriterioEspecies, 2);
  EXPECT_EQ(rejilla.filas(), 19);
  Lista especies;
  for (const auto& f : FilasQueParticipan(kCriterioEspecies, rejilla)) especies.push_back(f[0]);
  EXPECT_EQ(especies, (Lista{"21", "45", "23", "24"}));
  EXPECT_TRUE(h.criterios.CheckCriterio[kCriterioEspecies]);
  for (int i = 0; i < 4; ++i) h.mnuPU2EliminarFila_Click(kCriterioEspecies, 0);
  EXPECT_TRUE(FilasQueParticipan(kCriterioEspecies, rejilla).empty());
  EXPECT_FALSE(h.criterios.CheckCriterio[kCriterioEspecies]);
  EXPECT_EQ(rejilla.filas(), 19);
}

TEST_F(Herramienta, ModosDeAplicarYReinicio) {
  HerramientaCorte& h = Abrir();
  EXPECT_TRUE(h.CommandAplicarUnoHabilitado());
  EXPECT_FALSE(h.AplicarVariosHabilitado());
  h.OptionAplicarVarios_Click();
  EXPECT_FALSE(h.CommandAplicarUnoHabilitado());
  EXPECT_TRUE(h.AplicarVariosHabilitado());
  h.OptionAplicarUno_Click();

  h.ComboParcProvincia_Click(1);
  h.ComboParcelas.Elegir(0);
  h.CommandOKParcelas_Click();
  h.SSTabCriterios_Click(kCriterioParcelas);
  ASSERT_TRUE(h.CommandAplicarUno_Click(ui));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-0"}));
  EXPECT_EQ(h.resumen.LabelRNParc, "1");
  EXPECT_TRUE(h.resumen.CommandVerDatosCorte);
  EXPECT_TRUE(entorno.estado.menus.habilitada(shell::EntradaMenu::AGuardarCorte));
  h.ComboUmbralPM.Elegir(0);
  h.ComboX1.Escribir("31");

  // "&Corte..." again: a new, empty cut.
  EXPECT_TRUE(mnuCNuevoCorte_Click(entorno.estado, ui, vista));
  EXPECT_EQ(&vista.herramienta(), &h);
  EXPECT_EQ(vista.mostrada, 2);
  EXPECT_TRUE(
      FilasQueParticipan(kCriterioParcelas, *h.criterios.rejillas[kCriterioParcelas]).empty());
  EXPECT_FALSE(h.criterios.CheckCriterio[kCriterioParcelas]);
  EXPECT_EQ(h.ComboUmbralPM.texto, "");
  EXPECT_EQ(h.ComboX1.texto, "");
  EXPECT_EQ(h.ComboParcProvincia.texto, "47");  // not one of the criterion combos
  EXPECT_EQ(h.resumen.TextInforme, "");
  EXPECT_EQ(h.resumen.LabelRNParc, "");
  EXPECT_TRUE(h.resumen.ListEspeciesdistintas.empty());
  EXPECT_FALSE(h.resumen.CommandVerDatosCorte);
  EXPECT_EQ(h.LabelSolapaActiva, "(Especies)");
  EXPECT_EQ(h.solapa, kCriterioEspecies);
  EXPECT_TRUE(entorno.estado.ListaParcelas.vacia());
  EXPECT_FALSE(entorno.estado.menus.habilitada(shell::EntradaMenu::AGuardarCorte));

  h.Descargar();
  EXPECT_FALSE(entorno.estado.CorteAbierto);
  EXPECT_FALSE(h.cargada());
}

}  // namespace
}  // namespace arbelio::cut
