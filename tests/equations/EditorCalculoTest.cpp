// Equations defined through the editor change the next calculation exactly as the same
// equations given to "arbelio-batch run --user-equations" do: the saved tree, plot and total
// tables and the saved user tables are equal, field by field, and the user's formulas did
// replace the inventory's volumes where they apply.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "../comun/CarpetaTemporal.h"
#include "batch/OrdenesBatch.h"
#include "calc/HazCalculos.h"
#include "calc/OpcionesCalculo.h"
#include "calc/Pasadas.h"
#include "equations/ModeloEditorEcuaciones.h"
#include "import/BaseDatosTrabajo.h"
#include "import/ListaProvincias.h"
#include "import/SeleccionBaseDatos.h"
#include "results/GuardarCalculos.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionGuionada.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;

namespace {

const std::string kMuestra = std::string(ARBELIO_PROGRAM_DIR) + "/samples/47/Piesma47.dbf";

// Every row of a saved table, each value as its text, fields in order.
std::vector<std::string> Filas(const std::string& carpeta, const std::string& tabla,
                               std::vector<std::string>* campos = nullptr) {
  store::Database db = store::Database::open(carpeta, {false, true, "DBASE IV"});
  store::Cursor c = db.openCursor(tabla, store::CursorKind::Snapshot);
  if (campos) {
    campos->clear();
    for (int i = 0; i < c.fieldCount(); ++i) campos->push_back(c.fieldName(i));
  }
  std::vector<std::string> r;
  for (; !c.eof(); c.moveNext()) {
    std::string s;
    for (int i = 0; i < c.fieldCount(); ++i) {
      const store::Value v = c.value(i);
      s += (i ? "|" : "") + (v.isNull() ? std::string("<nulo>") : v.toString());
    }
    r.push_back(s);
  }
  return r;
}

// One equation as the user enters it in the editor's fields.
struct Entrada {
  std::string especie, forma, calidad;
  int variable;  // row of VariablesUnidades
  std::string formula;
  std::vector<std::string> valores;  // as typed, decimal comma or point
};

}  // namespace

TEST(EditorYCalculo, LaEcuacionDelEditorCambiaElCalculoComoLaDelLote) {
  pruebas::CarpetaTemporal dir;
  // The batch run: the equations from a file.
  std::ofstream(dir.archivo("ecuaciones.txt")) << "21;0;0;VCC;a*DN^b;a=0.05;b=2.1\n"
                                                  "45;3;0;VCC;c+d*DN^2*HT;c=-1.5;d=0.0004\n"
                                                  "23;0;0;COR;k*DN;k=2.5\n";
  std::ostringstream out, err;
  ASSERT_EQ(batch::EjecutaOrdenBatch(
                {"run", "--db", kMuestra, "--tables", "Parcel,Totals", "--vars", "VCC", "--method",
                 "2", "--user-equations", dir.archivo("ecuaciones.txt"), "--code", "Ed", "--out",
                 dir.archivo("lote")},
                {ARBELIO_PROGRAM_DIR}, out, err),
            0)
      << err.str();

  // The window's way: select the province, generate the working database, open the options
  // ("&Opciones..." prepares the run first), method 2 with VCC only, "Definir Ecuaciones", the
  // same equations through the editor's fields, Aceptar of the options, the run, "Guardar
  // Cálculos" under the same code.
  pruebas::CarpetaTemporal casa;
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  ASSERT_TRUE(shell::CargarPrincipal(
      estado, ui, shell::ConstruirRutas({ARBELIO_PROGRAM_DIR, casa.ruta(), ARBELIO_PROGRAM_DIR})));
  import::ListaProvinciasEnMemoria lista;
  ui.archivos.push_back(kMuestra);
  ASSERT_EQ(import::mnuAAgregarBD_Click(estado, ui, lista), import::ResultadoSeleccion::Anadida);
  ASSERT_TRUE(import::mnuAGenerarBDT_Click(estado, ui));
  const calc::EntornoCalculo entorno = calc::EntornoInstalado();
  calc::PrepararCalculo(estado, ui, entorno);
  calc::ModeloOpcionesCalculo opciones(estado);
  opciones.Mostrar();
  for (int i : {1, 2, 3}) opciones.FijarCheck1(i, false);
  opciones.SeleccionarMetodo(2);
  ASSERT_TRUE(opciones.definirEcuacionesHabilitado());

  equations::ModeloEditorEcuaciones editor(estado);
  editor.PrepararListas(opciones.VariablesMarcadas());
  editor.Abrir(ui, {0});  // no cut: the species of the working database
  const std::vector<Entrada> entradas = {{"21", "Todas", "Todas", 0, "a*DN^b", {"0,05", "2.1"}},
                                         {"45", "3", "Todas", 0, "c+d*DN^2*HT", {"-1,5", "0,0004"}},
                                         {"23", "Todas", "Todas", 4, "k*DN", {"2,5"}}};
  for (const auto& e : entradas) {
    const auto indice = [](const equations::ComboEditor& c, const std::string& t) {
      for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (c.items[i] == t) return static_cast<int>(i);
      }
      return -1;
    };
    editor.SeleccionarEspecie(indice(editor.comboEspecie(), e.especie));
    editor.SeleccionarForma(indice(editor.comboForma(), e.forma));
    editor.SeleccionarCalidad(indice(editor.comboCalidad(), e.calidad));
    editor.SeleccionarVariable(e.variable);
    editor.EscribirFormula(e.formula);
    editor.ConfirmarFormula(ui);
    for (const auto& v : e.valores) {
      editor.EscribirValor(v);
      editor.IntroValor();
    }
    ASSERT_TRUE(editor.aceptarHabilitado()) << e.formula << ": " << editor.mensaje();
    editor.Aceptar(ui);
    ASSERT_EQ(editor.mensaje(), equations::kMensajePaso9) << e.formula;
  }
  EXPECT_EQ(editor.contador(), "1 / 3");
  editor.Terminar();
  ASSERT_TRUE(opciones.Aceptar());
  const calc::ResultadoCalculo r = calc::HazCalculos(estado, ui, entorno);
  ASSERT_FALSE(r.cancelado) << testing::PrintToString(ui.textos());
  store::createFolder(dir.archivo("ventana"));
  ASSERT_TRUE(results::GuardarCalculos(estado.rutas.BDOut, estado.SufijoCalculos,
                                       dir.archivo("ventana"), "Ed", "", ui))
      << testing::PrintToString(ui.textos());

  for (const char* tabla :
       {"AIndivEd", "ParcelEd", "TotalsEd", "EcuasEd", "ModelsEd", "ParamsEd"}) {
    std::vector<std::string> camposLote, camposVentana;
    const auto lote = Filas(dir.archivo("lote"), tabla, &camposLote);
    const auto ventana = Filas(dir.archivo("ventana"), tabla, &camposVentana);
    EXPECT_EQ(camposVentana, camposLote) << tabla;
    ASSERT_EQ(ventana.size(), lote.size()) << tabla;
    for (std::size_t i = 0; i < lote.size(); ++i) ASSERT_EQ(ventana[i], lote[i]) << tabla << i;
  }

  // The user's formulas are what the trees got: species 21 everywhere, species 45 of form 3
  // only (the inventory for its other forms), and the column COR for species 23.
  store::Database db = store::Database::open(dir.archivo("ventana"), {false, true, "DBASE IV"});
  store::Cursor a = db.openCursor("AIndivEd", store::CursorKind::Snapshot);
  ASSERT_GE(a.fieldIndex("COR"), 0);
  int usuario21 = 0, usuario45 = 0, inventario45 = 0, cor = 0;
  for (; !a.eof(); a.moveNext()) {
    const int especie = a.value("ESPECIE").toInt32();
    const double dn = a.value("DN").toDouble();
    const store::Value vcc = a.value("VCC");
    if (especie == 21) {
      ASSERT_TRUE(vcc.isNumber());
      EXPECT_FLOAT_EQ(static_cast<float>(vcc.number()),
                      static_cast<float>(0.05 * std::pow(dn, 2.1)));
      ++usuario21;
    } else if (especie == 45 && a.value("FORMA").toInt32() == 3) {
      const double ht = a.value("ALTURA").toDouble();
      ASSERT_TRUE(vcc.isNumber());
      // Single precision on terms that may nearly cancel: within a few units of their size.
      EXPECT_NEAR(vcc.number(), -1.5 + 0.0004 * dn * dn * ht, 1e-6 * (1.5 + 0.0004 * dn * dn * ht));
      ++usuario45;
    } else if (especie == 45 && vcc.isNumber()) {
      const double ht = a.value("ALTURA").toDouble();
      EXPECT_NE(static_cast<float>(vcc.number()), static_cast<float>(-1.5 + 0.0004 * dn * dn * ht));
      ++inventario45;
    }
    if (especie == 23) {
      EXPECT_FLOAT_EQ(static_cast<float>(a.value("COR").toDouble()), static_cast<float>(2.5 * dn));
      ++cor;
    } else {
      EXPECT_TRUE(a.value("COR").isNull());
    }
  }
  EXPECT_GT(usuario21, 10);
  EXPECT_GT(usuario45, 10);
  EXPECT_GT(inventario45, 10);
  EXPECT_GT(cor, 10);
}
