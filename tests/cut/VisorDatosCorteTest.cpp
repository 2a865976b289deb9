// The cut data viewer without windows: removing plots and large trees from the cut
// (QuitarParcela, ExcluirPie), the rows of the eight views in plot-list order after removals, the
// delete command's questions and refusal, the numeric sort, "Guardar esta Tabla" read back with
// python3-dbfread, a cut emptied by hand, and the removals reaching a saved cut and the next
// calculation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EntornoCorte.h"
#include "calc/HazCalculos.h"
#include "cut/AplicarCorte.h"
#include "cut/GuardarCorte.h"
#include "cut/ListaParcelasCorte.h"
#include "cut/VisorDatosCorte.h"
#include "shell/InteraccionGuionada.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

namespace arbelio::cut {
namespace {

namespace fs = std::filesystem;
using pruebas_corte::Esp;
using pruebas_corte::Plot;
using pruebas_import::Arbol;
using pruebas_import::Registro;
using Lista = std::vector<std::string>;
using shell::Respuesta;

std::string Leer(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// The rows of a grid source as "v|v|..." of the given columns (by header).
Lista Filas(const shell::FuenteTabla& f, const std::vector<int>& columnas) {
  Lista r;
  for (std::int64_t i = 0; i < f.filas(); ++i) {
    std::string s;
    for (std::size_t k = 0; k < columnas.size(); ++k) s += (k ? "-" : "") + f.texto(i, columnas[k]);
    r.push_back(s);
  }
  return r;
}

int Columna(const shell::FuenteTabla& f, const std::string& cabecera) {
  for (int c = 0; c < f.columnas(); ++c)
    if (f.columna(c).cabecera == cabecera) return c;
  ADD_FAILURE() << "sin columna " << cabecera;
  return 0;
}

// Keys of the shown rows: plot, or plot and tree number, or plot and species.
Lista Claves(const ModeloVisorCorte& m, const char* tercera = nullptr) {
  const shell::FuenteTabla& f = *m.fuente();
  std::vector<int> cols = {Columna(f, "PROVINCIA"), Columna(f, "ESTADILLO")};
  if (tercera) cols.push_back(Columna(f, tercera));
  return Filas(f, cols);
}

class VisorDatosCorte : public ::testing::Test {
 protected:
  VisorDatosCorte() {
    // The table order differs from the plot list's; plot 47-1 has trees numbered 1, 10 and 2
    // (a text sort would put 10 before 2); 9-7 is not in the cut.
    entorno.Trabajo(
        {Plot(47, 1, 30, "30", "4600", "001", 3, 1), Plot(47, 2, 30, "300", "4610", "007", 1),
         Plot(9, 1, 30, "310", "4605", "007", 2, 1), Plot(47, 5, 30, "31", "4640", "001", 1),
         Plot(9, 7, 31, "310", "4650", "001", 1)},
        {Esp(47, 1, "21", 800, 20, 80, 60), Esp(47, 1, "45", 200, 15, 20, 40),
         Esp(9, 1, "45", 700, 20, 70, 70), Esp(47, 2, "45", 300, 25, 100, 100)},
        {Arbol(47, 1, 1, 21, 200, 210), Arbol(47, 2, 1, 45, 150, 150),
         Arbol(47, 1, 10, 45, 300, 310), Arbol(9, 1, 1, 45, 100, 100),
         Arbol(47, 1, 2, 21, 190, 195), Arbol(9, 1, 2, 45, 120, 120), Arbol(47, 5, 1, 21, 400, 410),
         Arbol(9, 7, 1, 21, 400, 410)},
        {Registro(47, 1, 1), Registro(9, 1, 1), Registro(47, 2, 1)}, {Registro(47, 1, 1)},
        {Registro(47, 5, 1), Registro(47, 2, 1)});
    FijarParcelas(estado().ListaParcelas, {{9, 1}, {47, 1}, {47, 5}});
    estado().NumeroParcelas = 3;
    estado().NumeroPies = 6;
    estado().SufijoTablas = "Ab";
    estado().menus.alMostrarCorteNoVacio();
  }

  EstadoAplicacion& estado() { return entorno.estado; }

  pruebas_corte::EntornoCorte entorno;
  shell::InteraccionGuionada ui{entorno.estado};
};

TEST(ListaParcelasCorteMano, QuitarParcelaYExcluirPie) {
  EstadoCorte c;
  FijarParcelas(c.ListaParcelas, {{9, 1}, {47, 1}, {9, 1}, {47, 5}});
  c.NumeroParcelas = 4;
  c.NumeroPies = 1;
  // Only the first entry of a plot goes; later entries move forward.
  EXPECT_TRUE(QuitarParcela(c, 9, 1));
  EXPECT_EQ(ParcelasDeLista(c.ListaParcelas),
            (std::vector<inventory::Parcela>{{47, 1}, {9, 1}, {47, 5}}));
  EXPECT_EQ(c.ListaParcelas.numero, 3);
  EXPECT_EQ(c.NumeroParcelas, 3);
  EXPECT_TRUE(c.CorteRetocado);
  // A plot not in the list (the province and plot swapped) changes nothing.
  EXPECT_FALSE(QuitarParcela(c, 1, 47));
  EXPECT_EQ(c.ListaParcelas.numero, 3);
  EXPECT_EQ(c.NumeroParcelas, 3);

  EXPECT_TRUE(c.PiesExcluidos.empty());
  ExcluirPie(c, 47, 1, 10);
  ExcluirPie(c, 47, 1, 2);
  EXPECT_EQ(c.PiesExcluidos, (std::vector<inventory::Pie>{{47, 1, 10}, {47, 1, 2}}));
  EXPECT_EQ(c.NumeroPies, 0);  // 1, then never below 0
  // Removing plots leaves the excluded trees and the tree total alone.
  EXPECT_TRUE(QuitarParcela(c, 47, 1));
  EXPECT_TRUE(QuitarParcela(c, 47, 5));
  EXPECT_FALSE(c.CorteVaciado());
  EXPECT_EQ(c.PiesExcluidos.size(), 2u);
  // The last plot: the empty list (one (0, 0) entry), no plots counted, a cut emptied by hand.
  EXPECT_TRUE(QuitarParcela(c, 9, 1));
  EXPECT_TRUE(c.ListaParcelas.vacia());
  EXPECT_EQ(c.ListaParcelas.numero, 1);
  EXPECT_EQ(c.ListaParcelas.entradas.size(), 2u);
  EXPECT_EQ(c.NumeroParcelas, 0);
  EXPECT_TRUE(c.CorteVaciado());
  EXPECT_FALSE(QuitarParcela(c, 0, 0));
  // An apply (or a new cut) forgets it.
  c.OlvidarCorte();
  EXPECT_FALSE(c.CorteVaciado());
  EXPECT_TRUE(c.PiesExcluidos.empty());
}

TEST_F(VisorDatosCorte, VistasEnOrdenDeLaListaConCabecerasYAyudas) {
  ModeloVisorCorte m(estado());
  EXPECT_EQ(m.vista(), 0);
  const shell::FuenteTabla& f = *m.fuente();
  Lista cabeceras, ayudas;
  for (int c = 0; c < f.columnas(); ++c) {
    cabeceras.push_back(f.columna(c).cabecera);
    ayudas.push_back(f.columna(c).ayuda);
  }
  EXPECT_EQ(cabeceras, (Lista{"PROVINCIA", "ESTADILLO", "NUMPMA", "NUMTIP", "NUMPME", "HUSO",
                              "COORDEX", "COORDEY", "MUNICI"}));
  EXPECT_EQ(ayudas[0], "código IGN de provincia");
  EXPECT_EQ(ayudas[2], "número de pies mayores en la parcela");
  EXPECT_EQ(ayudas[8], "código IGN de municipio");
  EXPECT_EQ(Claves(m), (Lista{"9-1", "47-1", "47-5"}));
  EXPECT_EQ(m.textoRegistros(), "3");
  EXPECT_FALSE(m.guardarHabilitado());
  EXPECT_EQ(m.nombreGuardar(), "");

  const Lista esperadas[] = {
      {"9-1", "47-1", "47-5"},
      {"9-1", "47-1", "47-5"},
      {"9-1-1", "9-1-2", "47-1-1", "47-1-10", "47-1-2", "47-5-1"},
      {"9-1-1", "9-1-2", "47-1-1", "47-1-10", "47-1-2", "47-5-1"},
      {"9-1-1", "47-1-1"},
      {"47-1-1"},
      {"47-5-1"},
      {"9-1-45", "47-1-21", "47-1-45"},
  };
  const char* terceras[] = {nullptr,    nullptr,    "NUMORDEN", "NUMORDEN",
                            "NUMORDEN", "NUMORDEN", "NUMORDEN", "ESPECIE"};
  for (int v = 0; v < 8; ++v) {
    m.MuestraCorte(v);
    EXPECT_EQ(Claves(m, terceras[v]), esperadas[v]) << v;
    EXPECT_EQ(m.textoRegistros(), std::to_string(esperadas[v].size())) << v;
    EXPECT_EQ(m.guardarHabilitado(), v != 0 && v != 2) << v;
  }
  // The full views show every field; the quick tree view four.
  m.MuestraCorte(2);
  EXPECT_EQ(m.fuente()->columnas(), 4);
  m.MuestraCorte(3);
  EXPECT_GT(m.fuente()->columnas(), 4);
  EXPECT_EQ(m.nombreGuardar(), "PiesmaAb.dbf");
  // Decimal comma in the cells.
  m.MuestraCorte(7);
  EXPECT_EQ(m.fuente()->texto(0, Columna(*m.fuente(), "PORCENAB")), "70");
  EXPECT_EQ(TextoCeldaCorte(store::Value(12.5)), "12,5");
  EXPECT_EQ(TextoCeldaCorte(store::Value()), "");
}

TEST_F(VisorDatosCorte, SeleccionBotonesYOrdenNumerico) {
  ModeloVisorCorte m(estado());
  m.MuestraCorte(2);
  EXPECT_FALSE(m.eliminarHabilitado());
  EXPECT_FALSE(m.ordenarHabilitado());
  EXPECT_FALSE(m.CommandOrdenarColumna_Click());
  m.PulsarFila(1);
  EXPECT_EQ(m.seleccion().etiqueta(), "row1");
  EXPECT_TRUE(m.eliminarHabilitado());
  EXPECT_FALSE(m.ordenarHabilitado());
  const int numorden = Columna(*m.fuente(), "NUMORDEN");
  m.PulsarCabecera(numorden);
  EXPECT_EQ(m.seleccion().etiqueta(), "col2");
  EXPECT_FALSE(m.eliminarHabilitado());
  EXPECT_TRUE(m.CommandOrdenarColumna_Click());
  // Numbers ascending, ties in their earlier order.
  EXPECT_EQ(Claves(m, "NUMORDEN"),
            (Lista{"9-1-1", "47-1-1", "47-5-1", "9-1-2", "47-1-2", "47-1-10"}));
  EXPECT_TRUE(m.ordenarHabilitado());
  // After the sort a deletion takes the selected row's own tree.
  m.PulsarFila(4);
  ui.respuestas = {Respuesta::Si};
  EXPECT_TRUE(m.CommandEliminarFila_Click(ui));
  EXPECT_EQ(estado().PiesExcluidos, (std::vector<inventory::Pie>{{47, 1, 2}}));
  EXPECT_EQ(Claves(m, "NUMORDEN"), (Lista{"9-1-1", "47-1-1", "47-5-1", "9-1-2", "47-1-10"}));
  EXPECT_EQ(m.textoRegistros(), "5");
  EXPECT_FALSE(m.eliminarHabilitado());  // the selection went with the row

  // Rows of the other views can be selected but not deleted.
  for (int v = 4; v < 8; ++v) {
    m.MuestraCorte(v);
    m.PulsarFila(0);
    EXPECT_FALSE(m.eliminarHabilitado()) << v;
    EXPECT_FALSE(m.CommandEliminarFila_Click(ui)) << v;
  }
  EXPECT_EQ(ui.mensajes.size(), 1u);
}

TEST_F(VisorDatosCorte, EliminarParcelaYPieConSusPreguntas) {
  ModeloVisorCorte m(estado());
  m.MuestraCorte(3);
  // A tree: the question, then it leaves the cut and the grid; No changes nothing.
  m.PulsarFila(1);  // 9-1-2
  ui.respuestas = {Respuesta::No};
  EXPECT_FALSE(m.CommandEliminarFila_Click(ui));
  EXPECT_TRUE(estado().PiesExcluidos.empty());
  EXPECT_EQ(m.textoRegistros(), "6");
  ui.respuestas = {Respuesta::Si};
  EXPECT_TRUE(m.CommandEliminarFila_Click(ui));
  ASSERT_EQ(ui.mensajes.size(), 2u);
  EXPECT_EQ(ui.mensajes[1].texto,
            "¿Desea eliminar esta fila?. \r\nSi pulsa SÍ, el PIE MAYOR se eliminará de ESTE "
            "corte.\r\n(Si vuelve a aplicar el mismo criterio volverá a aparecer).");
  EXPECT_EQ(ui.mensajes[1].botones, shell::BotonesMensaje::SiNo);
  EXPECT_EQ(estado().PiesExcluidos, (std::vector<inventory::Pie>{{9, 1, 2}}));
  EXPECT_EQ(estado().NumeroPies, 5);
  EXPECT_EQ(m.textoRegistros(), "5");
  // The quick view no longer shows it; the plot's small trees are still there.
  m.MuestraCorte(2);
  EXPECT_EQ(Claves(m, "NUMORDEN"), (Lista{"9-1-1", "47-1-1", "47-1-10", "47-1-2", "47-5-1"}));
  m.MuestraCorte(4);
  EXPECT_EQ(Claves(m, "NUMORDEN"), (Lista{"9-1-1", "47-1-1"}));

  // A plot: its own question; the plot leaves the list and every view.
  int cambios = 0;
  m.alCambiarCorte = [&] { ++cambios; };
  m.MuestraCorte(1);
  m.PulsarFila(0);  // 9-1
  ui.respuestas = {Respuesta::Si};
  EXPECT_TRUE(m.CommandEliminarFila_Click(ui));
  EXPECT_EQ(ui.mensajes.back().texto,
            "¿Desea eliminar esta fila?. \r\nSi pulsa SÍ, la PARCELA se eliminará de ESTE "
            "corte.\r\n(Si vuelve a aplicar el mismo criterio volverá a aparecer).");
  EXPECT_EQ(cambios, 1);
  EXPECT_EQ(entorno.Lista(), (Lista{"47-1", "47-5"}));
  EXPECT_EQ(estado().NumeroParcelas, 2);
  // The plot's trees still in the cut (two of its NUMPMA 2, one excluded before) leave the
  // total with it; the excluded tree stays listed.
  EXPECT_EQ(estado().NumeroPies, 4);
  EXPECT_EQ(estado().PiesExcluidos.size(), 1u);
  EXPECT_EQ(Claves(m), (Lista{"47-1", "47-5"}));
  m.MuestraCorte(3);
  EXPECT_EQ(Claves(m, "NUMORDEN"), (Lista{"47-1-1", "47-1-10", "47-1-2", "47-5-1"}));
  m.MuestraCorte(7);
  EXPECT_EQ(Claves(m, "ESPECIE"), (Lista{"47-1-21", "47-1-45"}));
  EXPECT_EQ(NotaResumenCorte(estado()).empty(), false);
  EXPECT_TRUE(estado().menus.habilitada(shell::EntradaMenu::AGuardarCorte));

  // Two rows: one goes, the last is refused without a question.
  m.MuestraCorte(0);
  m.PulsarFila(1);
  ui.respuestas = {Respuesta::Si};
  EXPECT_TRUE(m.CommandEliminarFila_Click(ui));
  m.PulsarFila(0);
  const std::size_t antes = ui.mensajes.size();
  EXPECT_FALSE(m.CommandEliminarFila_Click(ui));
  ASSERT_EQ(ui.mensajes.size(), antes + 1);
  EXPECT_EQ(ui.mensajes.back().texto, "Ya no se pueden eliminar más filas en la tabla actual");
  EXPECT_EQ(ui.mensajes.back().botones, shell::BotonesMensaje::Aceptar);
  EXPECT_EQ(entorno.Lista(), (Lista{"47-1"}));

  // An apply brings the cut back whole: no excluded trees, no note. A tree of a plot the new
  // cut does not hold, deleted from the view opened before, is not counted out of it.
  {
    store::Database trabajo = store::Database::open(entorno.ruta("BDTemp"));
    CriteriosCorte criterios;
    criterios.rejillas[kCriterioParcelas]->fijarFilas({{"9", "1"}});
    ResumenCorte resumen;
    ASSERT_TRUE(CommandAplicarUno_Click(estado(), ui, {trabajo, [] { return 0.0; }}, criterios,
                                        kCriterioParcelas, resumen));
  }
  EXPECT_TRUE(estado().PiesExcluidos.empty());
  EXPECT_EQ(NotaResumenCorte(estado()), "");
  EXPECT_EQ(estado().NumeroPies, 2);
  m.MuestraCorte(3);  // 47-1's trees are gone from the view
  EXPECT_EQ(Claves(m, "NUMORDEN"), (Lista{"9-1-1", "9-1-2"}));
  // The view stays as it was while the cut changes under it (another apply).
  FijarParcelas(estado().ListaParcelas, {{47, 5}});
  m.PulsarFila(0);
  ui.respuestas = {Respuesta::Si};
  EXPECT_TRUE(m.CommandEliminarFila_Click(ui));
  EXPECT_EQ(Claves(m, "NUMORDEN"), (Lista{"9-1-2"}));
  EXPECT_TRUE(estado().PiesExcluidos.empty());
  EXPECT_EQ(estado().NumeroPies, 2);
}

TEST_F(VisorDatosCorte, UnCorteVaciadoAManoNoSeGuardaNiSeCalcula) {
  // Two rows of one plot in the plot table: deleting one row removes the last plot of the cut
  // while a row is still shown.
  entorno.Trabajo(
      {Plot(47, 1, 30, "30", "4600", "001", 3), Plot(47, 1, 30, "30", "4600", "001", 3)},
      {Esp(47, 1, "21", 800, 20, 80, 60)}, {Arbol(47, 1, 1, 21, 200, 210)});
  FijarParcelas(estado().ListaParcelas, {{47, 1}});
  estado().NumeroParcelas = 1;
  ModeloVisorCorte m(estado());
  EXPECT_EQ(m.textoRegistros(), "2");
  m.PulsarFila(0);
  ui.respuestas = {Respuesta::Si};
  EXPECT_TRUE(m.CommandEliminarFila_Click(ui));
  EXPECT_TRUE(estado().ListaParcelas.vacia());
  EXPECT_TRUE(estado().CorteVaciado());
  EXPECT_FALSE(estado().menus.habilitada(shell::EntradaMenu::AGuardarCorte));
  // Every view of the empty cut is empty, and still usable.
  for (int v = 0; v < 8; ++v) {
    m.MuestraCorte(v);
    EXPECT_EQ(m.textoRegistros(), "0") << v;
  }
  m.PulsarFila(0);
  EXPECT_FALSE(m.eliminarHabilitado());

  // Saving and calculating say why they do nothing, and leave BDCorte and BDOut alone.
  std::ofstream(entorno.ruta("BDOut") + "/AIndivXY.dbf") << "resultado anterior";
  ui.mensajes.clear();
  EXPECT_FALSE(mnuAGuardarCorte_Click(estado(), ui));
  EXPECT_EQ(ui.textos(), (Lista{kCorteVaciado}));
  EXPECT_TRUE(ui.dialogos.empty());
  ui.mensajes.clear();
  EXPECT_TRUE(calc::mnuCalCalcular_Click(estado(), ui, {}).cancelado);
  EXPECT_FALSE(calc::mnuCalOpciones_Click(estado(), ui, {}));
  EXPECT_EQ(ui.textos(), (Lista{kCorteVaciado, kCorteVaciado}));
  EXPECT_TRUE(estado().ListaParcelas.vacia());
  EXPECT_EQ(Leer(entorno.ruta("BDOut") + "/AIndivXY.dbf"), "resultado anterior");
  EXPECT_TRUE(store::listFiles(entorno.ruta("BDCorte")).empty());
}

// A saved table as dbfread reads it: the key fields of each row.
std::string LeerTabla(const std::string& archivo, const std::string& claves) {
  pruebas::CarpetaTemporal tmp;
  const std::string script = tmp.archivo("leer.py");
  std::ofstream(script) << R"PY(
import sys, dbfread
t = dbfread.DBF(sys.argv[1], char_decode_errors='strict')
print(len(t.fields), ' '.join('-'.join(str(r[k]) for k in sys.argv[2].split(',')) for r in t))
)PY";
  const std::string salida = tmp.archivo("salida.txt");
  const std::string orden =
      "/usr/bin/python3 " + script + " '" + archivo + "' " + claves + " > " + salida + " 2>&1";
  EXPECT_EQ(std::system(orden.c_str()), 0) << Leer(salida);
  return Leer(salida);
}

TEST_F(VisorDatosCorte, GuardarEstaTablaEscribeLaTablaEnteraYSoloEntera) {
  pruebas::CarpetaTemporal destino;
  ModeloVisorCorte m(estado());
  // The quick views cannot be saved.
  ui.archivos = {destino.archivo("x.dbf")};
  EXPECT_FALSE(m.CommandGuardarEstaTabla_Click(ui));
  EXPECT_TRUE(ui.dialogos.empty());

  // A tree removed by hand is still in the saved large-tree table, in plot-list order.
  ExcluirPie(estado(), 47, 1, 10);
  m.MuestraCorte(3);
  const std::string archivo = destino.archivo("PiesmaAb.dbf");
  std::ofstream(archivo) << "tabla anterior";
  ui.archivos = {archivo};
  EXPECT_TRUE(m.CommandGuardarEstaTabla_Click(ui));
  EXPECT_TRUE(ui.textos().empty());
  ASSERT_EQ(ui.dialogos.size(), 1u);
  EXPECT_EQ(ui.dialogos[0].titulo, "Guardar tabla PiesmaAb.dbf");
  EXPECT_EQ(ui.dialogos[0].nombreInicial, "PiesmaAb.dbf");
  EXPECT_EQ(ui.dialogos[0].filtro, "Bases de datos de DBase|*.dbf");
  const std::string leido = LeerTabla(archivo, "PROVINCIA,ESTADILLO,NUMORDEN");
  EXPECT_EQ(leido.substr(leido.find(' ')), " 9-1-1 9-1-2 47-1-1 47-1-10 47-1-2 47-5-1\n");
  EXPECT_EQ(std::stoi(leido), m.fuente()->columnas());
  // Nothing is left behind in the working folder.
  EXPECT_FALSE(fs::exists(entorno.ruta("BDTemp") + "/VisorCorte.tmp"));

  m.MuestraCorte(1);
  const std::string datdef = destino.archivo("DatdefAb.dbf");
  ui.archivos = {datdef};
  EXPECT_TRUE(m.CommandGuardarEstaTabla_Click(ui));
  EXPECT_NE(LeerTabla(datdef, "PROVINCIA,ESTADILLO,NUMPMA").find(" 9-1-2 47-1-3 47-5-1\n"),
            std::string::npos);

  // A failed write says so and leaves the earlier file as it was.
  const std::string antes = Leer(datdef);
  m.MuestraCorte(7);
  ui.archivos = {datdef};
  store::failWritesAfterForTesting(100);
  EXPECT_FALSE(m.CommandGuardarEstaTabla_Click(ui));
  store::failWritesAfterForTesting(-1);
  ASSERT_EQ(ui.textos().size(), 1u);
  EXPECT_EQ(ui.textos()[0].rfind("Error ", 0), 0u) << ui.textos()[0];
  EXPECT_EQ(Leer(datdef), antes);
  EXPECT_FALSE(fs::exists(entorno.ruta("BDTemp") + "/VisorCorte.tmp"));

  // The working folder is refused: its tables are the program's own.
  ui.mensajes.clear();
  ui.archivos = {entorno.ruta("BDTemp") + "/ESPECI00.dbf"};
  EXPECT_FALSE(m.CommandGuardarEstaTabla_Click(ui));
  EXPECT_EQ(ui.textos(), (Lista{kNoGuardarEnBDTemp}));
  m.MuestraCorte(7);
  EXPECT_EQ(m.textoRegistros(), "3");
  // Cancelar ends silently.
  ui.mensajes.clear();
  EXPECT_FALSE(m.CommandGuardarEstaTabla_Click(ui));
  EXPECT_TRUE(ui.textos().empty());
}

TEST_F(VisorDatosCorte, LoQuitadoFaltaEnElCorteGuardadoYEnElCalculo) {
  ModeloVisorCorte m(estado());
  m.MuestraCorte(3);
  m.PulsarFila(3);  // 47-1-10
  ui.respuestas = {Respuesta::Si};
  ASSERT_TRUE(m.CommandEliminarFila_Click(ui));
  m.MuestraCorte(1);
  m.PulsarFila(2);  // 47-5
  ui.respuestas = {Respuesta::Si};
  ASSERT_TRUE(m.CommandEliminarFila_Click(ui));

  // The saved cut.
  ui.archivos = {entorno.ruta("BDCorte") + "/DatdefAb.dbf"};
  ASSERT_TRUE(mnuAGuardarCorte_Click(estado(), ui, [] { return MomentoCorte{}; }));
  const std::string corte = entorno.ruta("BDCorte");
  std::string piesma = LeerTabla(corte + "/PiesmaAb.dbf", "PROVINCIA,ESTADILLO,NUMORDEN");
  EXPECT_EQ(piesma.substr(piesma.find(' ')), " 9-1-1 9-1-2 47-1-1 47-1-2\n");
  std::string datdef = LeerTabla(corte + "/DatDefAb.dbf", "PROVINCIA,ESTADILLO");
  EXPECT_EQ(datdef.substr(datdef.find(' ')), " 9-1 47-1\n");
  std::string info = LeerTabla(corte + "/InfCorAb.dbf", "NUMESTADIS,NUMPIESMAS");
  EXPECT_EQ(info.substr(info.find(' ')), " 2-4\n");

  // The next calculation.
  estado().rutas.carpetaDatos = ARBELIO_PROGRAM_DIR;
  estado().opciones.TablasCalcular = {true, true, false, false, false, false, false, false, false};
  ui.mensajes.clear();
  const calc::ResultadoCalculo r = calc::HazCalculos(estado(), ui, {});
  ASSERT_FALSE(r.cancelado) << (ui.textos().empty() ? "" : ui.textos()[0]);
  const std::string out = entorno.ruta("BDOut");
  const std::string codigo = estado().SufijoCalculos;
  std::string aindiv = LeerTabla(store::findFileNoCase(out, "AIndiv" + codigo + ".dbf"),
                                 "PROVINCIA,PARCELA,NUMORDEN");
  EXPECT_EQ(aindiv.substr(aindiv.find(' ')), " 9-1-1 9-1-2 47-1-1 47-1-2\n");
  std::string parcel =
      LeerTabla(store::findFileNoCase(out, "Parcel" + codigo + ".dbf"), "PROVINCIA,PARCELA");
  EXPECT_EQ(parcel.substr(parcel.find(' ')), " 9-1 47-1\n");
}

}  // namespace
}  // namespace arbelio::cut
