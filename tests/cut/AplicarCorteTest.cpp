// The criteria and their application: the SQL and report lines of each kind, the species
// combination, one / all / any, the zero filter, the ordering, the summary and its dominance
// table, the messages and the menu events.
#include <gtest/gtest.h>

#include "EntornoCorte.h"
#include "cut/AplicarCorte.h"
#include "shell/InteraccionGuionada.h"
#include "store/StoreError.h"

namespace arbelio::cut {
namespace {

using pruebas_corte::Esp;
using pruebas_corte::Plot;
using Lista = std::vector<std::string>;

TEST(SqlCriterios, CadaTipoConSusCeldas) {
  EXPECT_EQ(SqlEspecie({"21", ">= 25%", ""}),
            "SELECT * FROM ESPECI00 WHERE ESPECIE='21' AND PORCENAB >= 25");
  EXPECT_EQ(SqlEspecie({"21", "> 10", "< 5%"}),
            "SELECT * FROM ESPECI00 WHERE ESPECIE='21' AND PORCENPM < 5 AND AREABASI > 10");
  EXPECT_EQ(SqlEspecie({"45", "", "= 500"}),
            "SELECT * FROM ESPECI00 WHERE ESPECIE='45' AND NUMPM = 500");
  EXPECT_EQ(SqlMasa({"", "> 1000"}),
            "SELECT ESTADILLO, PROVINCIA, SUM(NUMPM), SUM(AREABASI) FROM ESPECI00 GROUP BY "
            "PROVINCIA, ESTADILLO HAVING SUM(NUMPM)> 1000");
  EXPECT_EQ(SqlMasa({">= 20", "> 1000"}),
            "SELECT ESTADILLO, PROVINCIA, SUM(NUMPM), SUM(AREABASI) FROM ESPECI00 GROUP BY "
            "PROVINCIA, ESTADILLO HAVING  SUM(AREABASI)>= 20 AND SUM(NUMPM)> 1000");
  EXPECT_EQ(SqlCoordenadas({"30", "(329, 4600)", "(400, 4700)"}),
            "SELECT * FROM DATDEF00 WHERE HUSO=30 AND COORDEX >='329' AND COORDEX <='400' AND "
            "COORDEY >='4600' AND COORDEY <='4700'");
  EXPECT_EQ(SqlMunicipio({"47", "007"}),
            "SELECT * FROM DATDEF00 WHERE PROVINCIA=47 AND MUNICI='007'");
  EXPECT_EQ(SqlParcelas({"09", "12"}), "SELECT * FROM DATDEF00 WHERE PROVINCIA=9 AND ESTADILLO=12");
  EXPECT_THROW(SqlParcelas({"x", "12"}), store::StoreError);
}

TEST(SqlCriterios, FilasQueParticipanYLineasDeInforme) {
  EXPECT_TRUE(FilaParticipa(kCriterioMasa, {"", "> 50"}));
  EXPECT_FALSE(FilaParticipa(kCriterioEspecies, {"", "> 50", ""}));
  EXPECT_FALSE(FilaParticipa(kCriterioMasa, {"", ""}));
  EXPECT_EQ(InformeTitulo(kCriterioUtm), "\r\n\t * Geográficos: \r\n");
  EXPECT_EQ(InformeCombinacionEspecies(false),
            "\t (Parcelas que cumplen ALGUNO de los criterios de especie que siguen.)\r\n");
  EXPECT_EQ(InformeFila({"21", "", "> 500"}), "\t\t21\t\t> 500\r\n");
}

class AplicarCorte : public ::testing::Test {
 protected:
  AplicarCorte() {
    entorno.Mundo();
    trabajo = store::Database::open(entorno.ruta("BDTemp"));
  }

  void Filas(int criterio, std::vector<FilaCriterio> filas) {
    criterios.rejillas[static_cast<std::size_t>(criterio)]->fijarFilas(std::move(filas));
    criterios.CheckCriterio[static_cast<std::size_t>(criterio)] = true;
  }
  bool Uno(int solapa) {
    return CommandAplicarUno_Click(entorno.estado, ui, {trabajo, [] { return 0.0; }}, criterios,
                                   solapa, resumen);
  }
  bool Varios(bool todos) {
    criterios.OptionTodosCriterios = todos;
    return CommandAplicarVarios_Click(entorno.estado, ui, {trabajo, [] { return 0.0; }}, criterios,
                                      resumen);
  }

  pruebas_corte::EntornoCorte entorno;
  store::Database trabajo;
  CriteriosCorte criterios;
  ResumenCorte resumen;
  shell::InteraccionGuionada ui{entorno.estado};
};

TEST_F(AplicarCorte, EspecieConUmbralesPorcentualesYAbsolutos) {
  Filas(kCriterioEspecies, {{"21", ">= 50%", ""}});
  EXPECT_TRUE(Uno(kCriterioEspecies));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-0", "47-1", "47-4", "47-5"}));
  Filas(kCriterioEspecies, {{"21", "", "> 600"}});
  EXPECT_TRUE(Uno(kCriterioEspecies));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-1", "47-5"}));
  EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(AplicarCorte, EspeciesYEsInterseccionYOEsUnion) {
  Filas(kCriterioEspecies, {{"21", "", ""}, {"45", "", ""}});
  criterios.OptionY = true;
  EXPECT_TRUE(Uno(kCriterioEspecies));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-1"}));
  EXPECT_EQ(resumen.TextInforme,
            "Criterios de corte: \r\n\r\n(Las parcelas resultantes cumplen el siguiente "
            "criterio:)\r\n\r\n\t * Especie: \r\n\t (Parcelas que cumplen TODOS los criterios de "
            "especie que siguen.)\r\n\t\tEspecie\tAB\tNº PM\r\n\t\t21\t\t\r\n\t\t45\t\t\r\n");
  criterios.OptionY = false;
  EXPECT_TRUE(Uno(kCriterioEspecies));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-0", "47-1", "47-2", "47-4", "47-5"}));
  // Two rows whose plots do not overlap: nothing under Y.
  Filas(kCriterioEspecies, {{"71", "", ""}, {"45", "", ""}});
  criterios.OptionY = true;
  EXPECT_FALSE(Uno(kCriterioEspecies));
  EXPECT_EQ(ui.textos(), (Lista{kSinParcelasUno}));
}

TEST_F(AplicarCorte, VariablesDeMasaSumanLasEspeciesDeCadaParcela) {
  Filas(kCriterioMasa, {{">= 20", "> 900"}});
  EXPECT_TRUE(Uno(kCriterioMasa));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-1", "47-4", "47-5"}));
  Filas(kCriterioMasa, {{"", "> 1000"}});
  EXPECT_TRUE(Uno(kCriterioMasa));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-5"}));
}

TEST_F(AplicarCorte, CoordenadasComparadasComoTexto) {
  // Numerically 30..310 would also hold 95 (47-3) and 200 (47-4).
  Filas(kCriterioUtm, {{"30", "(30, 4600)", "(310, 4640)"}});
  EXPECT_TRUE(Uno(kCriterioUtm));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-0", "47-1", "47-2", "47-5"}));
  // Bounds are inclusive; zone 31 holds only 9-7.
  Filas(kCriterioUtm, {{"31", "(310, 4650)", "(310, 4650)"}});
  EXPECT_TRUE(Uno(kCriterioUtm));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-7"}));
}

TEST_F(AplicarCorte, MunicipiosYParcelasConFiltroDeCeroPies) {
  Filas(kCriterioMunicipios, {{"47", "007"}});
  EXPECT_TRUE(Uno(kCriterioMunicipios));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-2", "47-3"}));
  criterios.CheckEliminarParcelasCeroPM = true;
  EXPECT_TRUE(Uno(kCriterioMunicipios));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-2"}));
  EXPECT_EQ(resumen.parcelasCeroPies, 1);
  EXPECT_EQ(resumen.LabelRNPcero, "1");
  EXPECT_TRUE(resumen.Label29Habilitada);
  Filas(kCriterioParcelas, {{"47", "0"}, {"9", "7"}, {"47", "0"}});
  EXPECT_TRUE(Uno(kCriterioParcelas));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-7", "47-0"}));  // the repeated row counts once
  EXPECT_EQ(resumen.LabelRNPcero, "0");
}

TEST_F(AplicarCorte, ElFiltroDeCeroCuentaCadaRegistroQueLoToca) {
  criterios.CheckEliminarParcelasCeroPM = true;
  Filas(kCriterioMunicipios, {{"47", "007"}});
  Filas(kCriterioParcelas, {{"47", "3"}});
  EXPECT_TRUE(Varios(false));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-2"}));
  EXPECT_EQ(resumen.parcelasCeroPies, 2);
  EXPECT_EQ(resumen.LabelRNPcero, "2");
  // All mode: the plot numbered 3 is left out by both criteria, and nothing remains.
  EXPECT_FALSE(Varios(true));
  EXPECT_EQ(resumen.parcelasCeroPies, 2);
  EXPECT_EQ(ui.textos(), (Lista{kSinParcelasVarios}));
}

TEST_F(AplicarCorte, FiltroDeCeroSobreEspeciDeUnaParcelaQueDatDefNoTiene) {
  trabajo = store::Database();
  entorno.Trabajo({Plot(47, 1, 30, "30", "4600", "001", 0)},
                  {Esp(47, 1, "21", 100, 1, 100, 100), Esp(47, 99, "21", 100, 1, 100, 100)});
  trabajo = store::Database::open(entorno.ruta("BDTemp"));
  criterios.CheckEliminarParcelasCeroPM = true;
  Filas(kCriterioEspecies, {{"21", "", ""}});
  EXPECT_TRUE(Uno(kCriterioEspecies));
  EXPECT_EQ(entorno.Lista(), (Lista{"47-99"}));
  EXPECT_EQ(resumen.parcelasCeroPies, 1);
  // The summary leaves out the plot DATDEF00 lacks instead of failing.
  EXPECT_EQ(resumen.LabelRNParc, "0");
  EXPECT_EQ(resumen.LabelRNEsp, "0");
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{0}));
}

TEST_F(AplicarCorte, TodosEsInterseccionYAlgunoUnionSinRepetidas) {
  Filas(kCriterioEspecies, {{"21", "", ""}});                  // 47-0 47-1 47-4 47-5 9-1
  Filas(kCriterioUtm, {{"30", "(30, 4600)", "(310, 4640)"}});  // 47-0 47-1 47-2 47-5 9-1
  EXPECT_TRUE(Varios(true));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-0", "47-1", "47-5"}));
  // "TODOS" is followed by the first criterion's title at once, "ALGUNO" by a line break more.
  EXPECT_EQ(resumen.TextInforme.rfind("Criterios de corte: \r\n\r\n(Las parcelas resultantes "
                                      "cumplen TODOS los criterios siguientes:)\r\n\t * Especie",
                                      0),
            0u);
  EXPECT_TRUE(Varios(false));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-0", "47-1", "47-2", "47-4", "47-5"}));
  EXPECT_EQ(resumen.TextInforme.rfind("Criterios de corte: \r\n\r\n(Las parcelas resultantes "
                                      "cumplen ALGUNO de los criterios siguientes:)\r\n\r\n\t * "
                                      "Especie",
                                      0),
            0u);
  // An unticked criterion takes no part, whatever its grid holds.
  criterios.CheckCriterio[kCriterioUtm] = false;
  EXPECT_TRUE(Varios(true));
  EXPECT_EQ(entorno.Lista(), (Lista{"9-1", "47-0", "47-1", "47-4", "47-5"}));
}

TEST_F(AplicarCorte, TodosConElPrimerCriterioVacioNoDaNada) {
  Filas(kCriterioMasa, {{"> 1000", ""}});
  Filas(kCriterioParcelas, {{"47", "1"}});
  entorno.estado.EspeciesCorte = {21, 45};
  EXPECT_FALSE(Varios(true));
  EXPECT_TRUE(entorno.estado.ListaParcelas.vacia());
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{0}));
  EXPECT_FALSE(entorno.estado.menus.habilitada(shell::EntradaMenu::AGuardarCorte));
  EXPECT_TRUE(resumen.TextInforme.empty());
  // With no box ticked the list stays empty too.
  criterios.CheckCriterio = {};
  EXPECT_FALSE(Varios(false));
  EXPECT_EQ(ui.textos(), (Lista{kSinParcelasVarios, kSinParcelasVarios}));
}

TEST_F(AplicarCorte, LaSolapaInformeNoAplicaNada) {
  Filas(kCriterioEspecies, {{"21", "", ""}});
  EXPECT_FALSE(Uno(kSolapaInforme));
  EXPECT_EQ(ui.textos(), (Lista{kSinParcelasUno}));
  EXPECT_EQ(ui.mensajes[0].titulo, shell::kTituloAplicacion);
}

TEST_F(AplicarCorte, ResumenDominanciaYEstadoPublicado) {
  entorno.estado.PiesExcluidos = {{47, 1, 3}};
  Filas(kCriterioEspecies, {{"21", "", ""}});
  Filas(kCriterioUtm, {{"30", "(30, 4600)", "(310, 4640)"}});
  EXPECT_TRUE(Varios(true));  // 9-1, 47-0, 47-1, 47-5
  EXPECT_EQ(resumen.LabelRNParc, "4");
  EXPECT_EQ(resumen.LabelRNPM, "35");
  EXPECT_EQ(resumen.LabelRNpme, "2");
  EXPECT_EQ(resumen.LabelRNEsp, "2");
  EXPECT_EQ(resumen.ListEspeciesdistintas, (Lista{"21 (3)", "45 (1)"}));
  // In the order the summary met them: 45 dominates 9-1, the first plot.
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{45, 21}));
  EXPECT_EQ(entorno.estado.NumeroParcelas, 4);
  EXPECT_EQ(entorno.estado.NumeroPies, 35);
  EXPECT_TRUE(entorno.estado.PiesExcluidos.empty());
  EXPECT_EQ(entorno.estado.SufijoTablas, "AA");
  EXPECT_TRUE(entorno.estado.menus.habilitada(shell::EntradaMenu::AGuardarCorte));
  EXPECT_TRUE(resumen.CommandVerDatosCorte);
  EXPECT_TRUE(resumen.labelsHabilitadas);
  EXPECT_FALSE(resumen.Label29Habilitada);
  EXPECT_EQ(entorno.estado.InformeCriterios, resumen.TextInforme);
}

TEST_F(AplicarCorte, EmpateDePorcentajeYOrdenPorSeleccion) {
  // 47-4 has 21 and 71 at 50 %: the one the query returns first (table order) dominates.
  Filas(kCriterioParcelas, {{"47", "4"}});
  EXPECT_TRUE(Uno(kCriterioParcelas));
  EXPECT_EQ(resumen.ListEspeciesdistintas, (Lista{"21 (1)", "71 (0)"}));

  // Counts 23:1, 24:1, 25:2 in order of appearance. The selection sort swaps 25 into the first
  // place and 23 to the last: 25, 24, 23 (a stable sort would give 25, 23, 24).
  trabajo = store::Database();
  entorno.Trabajo({Plot(1, 1, 30, "1", "1", "001", 1), Plot(1, 2, 30, "1", "1", "001", 1),
                   Plot(1, 3, 30, "1", "1", "001", 1), Plot(1, 4, 30, "1", "1", "001", 1)},
                  {Esp(1, 1, "23", 1, 1, 100, 100), Esp(1, 2, "24", 1, 1, 100, 100),
                   Esp(1, 3, "25", 1, 1, 100, 100), Esp(1, 4, "25", 1, 1, 100, 100)});
  trabajo = store::Database::open(entorno.ruta("BDTemp"));
  Filas(kCriterioMunicipios, {{"1", "001"}});
  EXPECT_TRUE(Uno(kCriterioMunicipios));
  EXPECT_EQ(resumen.ListEspeciesdistintas, (Lista{"25 (2)", "24 (1)", "23 (1)"}));
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{23, 24, 25}));
}

TEST_F(AplicarCorte, DominanteEnElOrdenDeLaConsultaConNulosYEmpatesSeparados) {
  // Plot 1-1's records in table order: 23 at 30 %, 24 with no share, 25 and 26 at 50 %, with the
  // records of plot 1-2 in between. By PORCENAB descending, ties in table order, nulls last:
  // 25, 26, 23, 24 — so 25 dominates and the species are met in that order.
  trabajo = store::Database();
  pruebas_import::Fila sinPorcentaje = Esp(1, 1, "24", 1, 1, 10, 0);
  sinPorcentaje.erase("PORCENAB");
  entorno.Trabajo(
      {Plot(1, 1, 30, "1", "1", "001", 4), Plot(1, 2, 30, "1", "1", "001", 1)},
      {Esp(1, 1, "23", 1, 1, 30, 30), Esp(1, 2, "26", 1, 1, 100, 100), sinPorcentaje,
       Esp(1, 1, "25", 1, 1, 20, 50), Esp(1, 2, "27", 1, 1, 0, 0), Esp(1, 1, "26", 1, 1, 40, 50)});
  trabajo = store::Database::open(entorno.ruta("BDTemp"));
  Filas(kCriterioParcelas, {{"1", "1"}});
  EXPECT_TRUE(Uno(kCriterioParcelas));
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{25, 26, 23, 24}));
  EXPECT_EQ(resumen.ListEspeciesdistintas, (Lista{"25 (1)", "26 (0)", "23 (0)", "24 (0)"}));
  Filas(kCriterioParcelas, {{"1", "2"}, {"1", "1"}});
  EXPECT_TRUE(Uno(kCriterioParcelas));
  // Plot 1-1 first (the list is sorted), then 1-2 where 26 dominates.
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{25, 26, 23, 24, 27}));
  EXPECT_EQ(resumen.ListEspeciesdistintas,
            (Lista{"25 (1)", "26 (1)", "23 (0)", "24 (0)", "27 (0)"}));
}

TEST_F(AplicarCorte, UnaParcelaSinEspeciesCuentaEnLosTotales) {
  Filas(kCriterioParcelas, {{"47", "3"}});
  EXPECT_TRUE(Uno(kCriterioParcelas));
  EXPECT_EQ(resumen.LabelRNParc, "1");
  EXPECT_EQ(resumen.LabelRNpme, "3");
  EXPECT_EQ(resumen.LabelRNEsp, "0");
  EXPECT_TRUE(resumen.ListEspeciesdistintas.empty());
  EXPECT_EQ(entorno.estado.EspeciesCorte, (std::vector<std::int16_t>{0}));
}

TEST_F(AplicarCorte, UnFalloDejaElCorteVacioYLoDice) {
  Filas(kCriterioParcelas, {{"47", "1"}});
  EXPECT_TRUE(Uno(kCriterioParcelas));
  Filas(kCriterioParcelas, {{"x", "1"}});
  EXPECT_FALSE(Uno(kCriterioParcelas));
  EXPECT_TRUE(entorno.estado.ListaParcelas.vacia());
  EXPECT_FALSE(entorno.estado.menus.habilitada(shell::EntradaMenu::AGuardarCorte));
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0].rfind("Error ", 0), 0u);
  EXPECT_FALSE(ui.reloj);
}

}  // namespace
}  // namespace arbelio::cut
