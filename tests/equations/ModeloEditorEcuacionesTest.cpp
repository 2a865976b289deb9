// The user equation editor without a display: every step message and its colour, the rules of
// the formula and of the parameter values, Aceptar with its question, the grid, Borrar, the
// counter, and what reaches the user tables (read back from the store).
#include <gtest/gtest.h>

#include <filesystem>

#include "../comun/CarpetaTemporal.h"
#include "equations/EcuacionesKAV.h"
#include "equations/ModeloEditorEcuaciones.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionGuionada.h"
#include "store/Database.h"
#include "store/FileOps.h"

using namespace arbelio;
using namespace arbelio::equations;
using shell::Respuesta;

namespace {

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    estado.rutas =
        shell::ConstruirRutas({ARBELIO_PROGRAM_DIR, casa.ruta(), std::string(ARBELIO_PROGRAM_DIR)});
    std::filesystem::create_directories(estado.rutas.BDOut);
    std::filesystem::create_directories(estado.rutas.BDTemp);
    estado.SufijoTablas = "AB";
    estado.VariablesUnidades[0].calcular = "SI";  // VCC ticked in the options
    editor.fijarSemilla([] { return 20240u; });
  }
  ~EditorTest() override { store::failWritesAfterForTesting(-1); }

  UbicacionEcuacionesUsuario Ubicacion() const {
    return {estado.rutas.BDOut, estado.rutas.BDEstruct, estado.SufijoTablas};
  }
  void Abrir(const std::vector<std::int16_t>& especies = {45, 21, 230}) {
    editor.Abrir(ui, especies);
  }
  static int Indice(const ComboEditor& c, const std::string& texto) {
    for (std::size_t i = 0; i < c.items.size(); ++i) {
      if (c.items[i] == texto) return static_cast<int>(i);
    }
    ADD_FAILURE() << "sin el elemento " << texto;
    return -1;
  }
  // Species, form and quality by their texts, the variable by its row of VariablesUnidades.
  void Conjunto(const std::string& especie, const std::string& forma, const std::string& calidad,
                int variable) {
    editor.SeleccionarEspecie(Indice(editor.comboEspecie(), especie));
    editor.SeleccionarForma(Indice(editor.comboForma(), forma));
    editor.SeleccionarCalidad(Indice(editor.comboCalidad(), calidad));
    editor.SeleccionarVariable(variable);
  }
  void Formula(const std::string& texto) {
    editor.EscribirFormula(texto);
    editor.ConfirmarFormula(ui);
  }
  void Valor(const std::string& texto) {
    editor.EscribirValor(texto);
    editor.IntroValor();
  }
  // A whole equation through the fields, then Aceptar.
  void Definir(const std::string& especie, const std::string& forma, const std::string& calidad,
               int variable, const std::string& formula, const std::vector<std::string>& valores) {
    Conjunto(especie, forma, calidad, variable);
    Formula(formula);
    for (const auto& v : valores) Valor(v);
    editor.Aceptar(ui);
  }
  std::vector<EcuacionUsuario> Guardadas() const { return CargarEcuacionesUsuario(Ubicacion()); }
  std::vector<double> Valores() const { return estado.ecuaciones.valores; }

  pruebas::CarpetaTemporal casa;
  EstadoAplicacion estado;
  shell::InteraccionGuionada ui{estado};
  ModeloEditorEcuaciones editor{estado};
};

using Fila = std::array<std::string, 5>;

}  // namespace

TEST(EditorTextos, FormatosYElementosDeLasListas) {
  EXPECT_EQ(FormatoRejillaEcuaciones(),
            "<Especie|<Forma|<Calidad|<Variable|<Ecuación" + std::string(94, ' '));
  EXPECT_EQ(FormatoRejillaParametros(), "<Parámetro|<Valor" + std::string(17, ' '));
  const auto columnas = ColumnasDeFormato(FormatoRejillaEcuaciones());
  std::vector<std::string> cabeceras;
  for (const auto& c : columnas) {
    cabeceras.push_back(c.cabecera);
    EXPECT_EQ(c.alineacion, shell::Alineacion::Izquierda) << c.cabecera;
  }
  EXPECT_EQ(cabeceras,
            (std::vector<std::string>{"Especie", "Forma", "Calidad", "Variable", "Ecuación"}));
  // Widths in characters, accents counted once; the blanks widen the last column.
  EXPECT_EQ(columnas[0].caracteres, 7u);
  EXPECT_EQ(columnas[4].caracteres, 8u + 94u);
  const auto parametros = ColumnasRejilla(FormatoRejillaParametros());
  ASSERT_EQ(parametros.size(), 2u);
  EXPECT_EQ(parametros[0].cabecera, "Parámetro");
  EXPECT_EQ(parametros[1].cabecera, "Valor");
  EXPECT_EQ(parametros[1].alineacion, shell::Alineacion::Izquierda);
  EXPECT_EQ(ColumnasDeFormato(">N|^Centro")[0].alineacion, shell::Alineacion::Derecha);
  EXPECT_EQ(ColumnasDeFormato(">N|^Centro")[1].alineacion, shell::Alineacion::Centro);
  EXPECT_EQ(ItemsFormaCalidad(), (std::vector<std::string>{"Todas", "1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(ItemVariable(" VCC ", "dm3 "), "VCC (dm3)");
  EXPECT_EQ(MensajeDefiniendoParametros(12, 13),
            "Definiendo Parámetros. Parámetros definidos: 12 de 13");
}

TEST(EditorTextos, NumerosDeParametros) {
  // The user's locale: decimal comma; points group thousands anywhere in the whole part.
  for (const char* si : {"0,5", "0.5", "-0,75", "+3", "1.000", "1.000.5", " 2 ", ",5", "5,",
                         "1,5E-3", "0.0024120"}) {
    EXPECT_TRUE(EsNumeroParametro(si)) << si;
  }
  for (const char* no : {"", "abc", "1,5,2", "1,5.2", "-", "1e", "E5", "2a", "0x10", "1 000"}) {
    EXPECT_FALSE(EsNumeroParametro(no)) << no;
  }
  EXPECT_EQ(TextoValorParametro(0.002412), "0,002412");
  EXPECT_EQ(TextoValorParametro(-2.5), "-2,5");
  EXPECT_EQ(TextoValorParametro(1500), "1500");
}

TEST_F(EditorTest, EspeciesDelCorteODeLaBaseDeTrabajo) {
  // With a cut: its species in its order.
  EXPECT_EQ(EspeciesParaEditor({44, 21, 230}, estado.rutas.BDTemp),
            (std::vector<std::int16_t>{44, 21, 230}));
  // Without a cut and without a working database: none.
  EXPECT_TRUE(EspeciesParaEditor({0}, estado.rutas.BDTemp).empty());
  // Without a cut: the species of the working database, each once, in numeric order (230 after
  // 45, where text order would put it before).
  {
    store::Database db = store::Database::open(estado.rutas.BDTemp);
    db.appendTableDef(inventory::DefinicionTabla(inventory::LayoutPorNombre("Especi"), "ESPECI00"));
    store::Cursor c = db.openCursor("ESPECI00");
    // Stored as text; a blank or unreadable code is left out.
    for (const char* especie : {"45", "230", " 21", "45", "", "x"}) {
      c.addNew();
      c.setValue("PROVINCIA", 47);
      c.setValue("ESTADILLO", 1);
      if (*especie) c.setValue("ESPECIE", std::string(especie));
      c.update();
    }
  }
  EXPECT_EQ(EspeciesParaEditor({0}, estado.rutas.BDTemp), (std::vector<std::int16_t>{21, 45, 230}));
  Abrir({0});
  EXPECT_EQ(editor.comboEspecie().items, (std::vector<std::string>{"21", "45", "230"}));
}

TEST_F(EditorTest, AlAbrir) {
  EXPECT_EQ(editor.mensaje(), kMensajeInicial);
  Abrir();
  EXPECT_TRUE(editor.abierto());
  EXPECT_EQ(editor.mensaje(), kMensajePaso1);
  EXPECT_EQ(editor.colorMensaje(), kColorNormal);
  EXPECT_FALSE(editor.aceptarHabilitado());
  EXPECT_FALSE(editor.borrarHabilitado());
  EXPECT_EQ(editor.comboEspecie().items, (std::vector<std::string>{"45", "21", "230"}));
  EXPECT_EQ(editor.comboEspecie().indice, -1);
  EXPECT_EQ(editor.comboForma().items, ItemsFormaCalidad());
  EXPECT_EQ(editor.comboCalidad().items, ItemsFormaCalidad());
  const auto& variables = editor.comboVariable().items;
  ASSERT_EQ(variables.size(), 13u);
  EXPECT_EQ(variables.front(), "VCC (dm3)");
  EXPECT_EQ(variables[4], "COR (mm)");
  EXPECT_EQ(variables.back(), "ALTE (m)");
  // The inventory's model texts, model 7 apart.
  const auto& modelos = editor.comboEcuacion().items;
  EXPECT_EQ(modelos.size(), 11u);
  EXPECT_EQ(modelos, CargarComboModelos(estado.rutas.carpetaDatos));
  EXPECT_TRUE(editor.comboEcuacion().texto.empty());
  EXPECT_FALSE(editor.comboParamName().habilitado);
  EXPECT_FALSE(editor.comboParamValor().habilitado);
  EXPECT_EQ(editor.contador(), "1 / 0");
  EXPECT_TRUE(editor.filasEcuaciones().empty());
  // Under the hourglass, which is gone afterwards.
  EXPECT_GE(ui.cambiosReloj, 2);
  EXPECT_FALSE(ui.reloj);
}

TEST_F(EditorTest, AlAbrirCargaLasEcuacionesGuardadasYElContador) {
  const auto u = Ubicacion();
  for (int i = 0; i < 11; ++i) AnadeCalculoaBDQ(u, {21, i % 7, 0, "VCC"}, "a*DN", {"a"}, {i + 1.0});
  AnadeCalculoaBDQ(u, {45, 0, 3, "COR"}, "2.5*Sqr(HT)", {}, {});
  Abrir();
  ASSERT_EQ(editor.filasEcuaciones().size(), 12u);
  EXPECT_EQ(editor.filasEcuaciones()[0], (Fila{"21", "0", "0", "VCC", "a*DN"}));
  EXPECT_EQ(editor.filasEcuaciones()[11], (Fila{"45", "0", "3", "COR", "2.5*Sqr(HT)"}));
  // Several digits on both sides.
  EXPECT_EQ(editor.contador(), "13 / 12");
}

TEST_F(EditorTest, MensajesDeCadaPaso) {
  Abrir();
  editor.SeleccionarVariable(0);
  EXPECT_EQ(editor.mensaje(), kMensajePaso6);
  editor.SeleccionarEspecie(1);
  EXPECT_EQ(editor.mensaje(), kMensajePaso1);
  EXPECT_EQ(editor.comboEspecie().texto, "21");
  editor.SeleccionarVariable(1);
  EXPECT_EQ(editor.mensaje(), kMensajePaso6);
  EXPECT_EQ(editor.comboVariable().texto, "VSC (dm3)");

  // A formula with parameters: listed in order of first occurrence, the first chosen.
  Formula("b*DN^2*HT+a*b");
  EXPECT_EQ(editor.mensaje(), kMensajePaso3);
  EXPECT_EQ(editor.colorMensaje(), kColorNormal);
  EXPECT_EQ(editor.comboParamName().items, (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(editor.comboParamName().indice, 0);
  EXPECT_TRUE(editor.comboParamName().habilitado);
  EXPECT_TRUE(editor.comboParamValor().habilitado);
  EXPECT_TRUE(editor.comboParamValor().texto.empty());
  EXPECT_EQ(editor.foco(), ControlEditor::ComboParamValor);
  EXPECT_EQ(Valores(), (std::vector<double>{0, 0}));
  EXPECT_FALSE(editor.aceptarHabilitado());

  editor.focoAplicado();
  Valor("0,5");
  EXPECT_EQ(editor.mensaje(), "Definiendo Parámetros. Parámetros definidos: 1 de 2");
  EXPECT_EQ(editor.comboParamName().indice, 1);  // the next value still missing
  EXPECT_TRUE(editor.comboParamValor().texto.empty());
  EXPECT_EQ(editor.foco(), ControlEditor::ComboParamValor);
  EXPECT_FALSE(editor.aceptarHabilitado());

  Valor("0.0024120");
  EXPECT_EQ(Valores(), (std::vector<double>{0.5, 0.002412}));
  EXPECT_EQ(editor.mensaje(), kMensajePaso7);
  EXPECT_TRUE(editor.parametrosDefinidos());
  EXPECT_TRUE(editor.aceptarHabilitado());
  EXPECT_EQ(editor.foco(), ControlEditor::CommandAceptar);

  // Choosing a name shows its value with the decimal comma.
  editor.SeleccionarParametro(1);
  EXPECT_EQ(editor.comboParamValor().texto, "0,002412");
  editor.SeleccionarParametro(0);
  EXPECT_EQ(editor.comboParamValor().texto, "0,5");

  // A value entered again for a chosen name replaces it; the count is its position.
  Valor("-0,75");
  EXPECT_EQ(Valores(), (std::vector<double>{-0.75, 0.002412}));
  EXPECT_EQ(editor.mensaje(), kMensajePaso7);
}

TEST_F(EditorTest, FormulaSinParametrosHabilitaAceptarEnSeguida) {
  Abrir();
  Formula("2.5*Sqr(HT)");
  EXPECT_EQ(editor.mensaje(), kMensajePaso7);
  EXPECT_TRUE(editor.aceptarHabilitado());
  EXPECT_FALSE(editor.comboParamName().habilitado);
  EXPECT_FALSE(editor.comboParamValor().habilitado);
  EXPECT_TRUE(editor.comboParamName().items.empty());
  // A constant is a formula too: no arguments at all.
  Formula("12");
  EXPECT_EQ(editor.mensaje(), kMensajePaso7);
  EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(EditorTest, FormulasRechazadas) {
  Abrir();
  struct Caso {
    const char* formula;
    const char* aviso;        // the check's message box ("" when the check passes)
    const char* tituloAviso;  // its title
    int pitidos;              // the editor's beep, and the check's for mixed case
  };
  const std::string script = "Script Error";
  const Caso casos[] = {
      {"a*DN<=b", "Error: No debe existir signo '=' ", shell::kTituloAplicacion, 1},
      {"abcde*DN", "Error: Algún parámetro tiene más de 4 letras", shell::kTituloAplicacion, 1},
      {"Dn*2", "Error: Alguna variable mezcla mayúsculas y minúsculas", shell::kTituloAplicacion,
       2},
      {"LOG(DN)", "Error:  La variable LOG no es válida.", shell::kTituloAplicacion, 1},
      {"COR*2", "Error:  La variable COR no es válida.", shell::kTituloAplicacion, 1},
      // log is a parameter for the check; the engine's type mismatch shows no report.
      {"log(DN)", "", "", 1},
      // The engine refuses the script itself, or the call (DN2 is not declared).
      {"a*(DN", "Descripción:   ", "Script Error", 1},
      {"DN2*a", "Descripción:   ", "Script Error", 1},
  };
  for (const auto& c : casos) {
    // A good formula first: Aceptar enabled; the refused one disables it.
    Formula("2*HT");
    ASSERT_TRUE(editor.aceptarHabilitado());
    ui.mensajes.clear();
    const int pitidos = editor.pitidos();
    Formula(c.formula);
    EXPECT_EQ(editor.mensaje(), kMensajeError1) << c.formula;
    EXPECT_EQ(editor.colorMensaje(), kColorError) << c.formula;
    EXPECT_EQ(editor.pitidos() - pitidos, c.pitidos) << c.formula;
    EXPECT_FALSE(editor.aceptarHabilitado()) << c.formula;
    EXPECT_TRUE(editor.comboParamName().items.empty()) << c.formula;
    if (std::string(c.aviso).empty()) {
      EXPECT_TRUE(ui.mensajes.empty()) << c.formula;
    } else {
      ASSERT_EQ(ui.mensajes.size(), 1u) << c.formula;
      EXPECT_EQ(ui.mensajes[0].texto.substr(0, std::string(c.aviso).size()), c.aviso) << c.formula;
      EXPECT_EQ(ui.mensajes[0].titulo, c.tituloAviso) << c.formula;
      EXPECT_EQ(ui.mensajes[0].icono, c.tituloAviso == script ? shell::IconoMensaje::Critico
                                                              : shell::IconoMensaje::Exclamacion)
          << c.formula;
    }
  }
  // An empty field is not checked at all.
  ui.mensajes.clear();
  Formula("");
  EXPECT_TRUE(ui.mensajes.empty());
  EXPECT_EQ(editor.mensaje(), kMensajeError1);
  // VCC is a valid variable while its box is ticked.
  Formula("a*VCC");
  EXPECT_EQ(editor.mensaje(), kMensajePaso3);
}

TEST_F(EditorTest, ReglasDeLosValoresDeParametros) {
  Abrir();
  Formula("a*DN^b");
  const int pitidos = editor.pitidos();
  // Not a number: emptied, focused again, a beep.
  editor.focoAplicado();
  Valor("abc");
  EXPECT_TRUE(editor.comboParamValor().texto.empty());
  EXPECT_EQ(editor.foco(), ControlEditor::ComboParamValor);
  EXPECT_EQ(editor.pitidos(), pitidos + 1);
  // Two points: emptied and focused, no beep; nothing stored.
  editor.focoAplicado();
  Valor("1.000.5");
  EXPECT_TRUE(editor.comboParamValor().texto.empty());
  EXPECT_EQ(editor.foco(), ControlEditor::ComboParamValor);
  EXPECT_EQ(editor.pitidos(), pitidos + 1);
  EXPECT_EQ(Valores(), (std::vector<double>{0, 0}));
  // Zero in any writing: error 3 in red, not stored.
  for (const char* cero : {"0", "0,0", "0.000", "-0"}) {
    Valor(cero);
    EXPECT_EQ(editor.mensaje(), kMensajeError3) << cero;
    EXPECT_EQ(editor.colorMensaje(), kColorError) << cero;
    EXPECT_EQ(Valores(), (std::vector<double>{0, 0})) << cero;
  }
  // An empty text only puts the focus back.
  editor.focoAplicado();
  Valor("");
  EXPECT_EQ(editor.foco(), ControlEditor::ComboParamValor);
  EXPECT_EQ(editor.mensaje(), kMensajeError3);
  // A period is the decimal separator: the field shows the comma.
  editor.EscribirValor("1.5");
  editor.IntroValor();
  EXPECT_EQ(Valores(), (std::vector<double>{1.5, 0}));
  EXPECT_EQ(editor.mensaje(), "Definiendo Parámetros. Parámetros definidos: 1 de 2");
  EXPECT_EQ(editor.comboParamName().indice, 1);
}

TEST_F(EditorTest, SalirDelValorSoloEntraElUltimoQueFalta) {
  Abrir();
  Formula("a*DN^b*HT^c");
  // Two values still missing besides the chosen one: leaving does not take the text.
  editor.EscribirValor("2");
  editor.SalirValor();
  EXPECT_EQ(Valores(), (std::vector<double>{0, 0, 0}));
  editor.IntroValor();
  Valor("3");
  EXPECT_EQ(Valores(), (std::vector<double>{2, 3, 0}));
  // The chosen name is the last one missing: leaving enters it.
  editor.EscribirValor("4,5");
  editor.SalirValor();
  EXPECT_EQ(Valores(), (std::vector<double>{2, 3, 4.5}));
  EXPECT_TRUE(editor.aceptarHabilitado());
  EXPECT_EQ(editor.mensaje(), kMensajePaso7);
}

TEST_F(EditorTest, ComprobarOtraVezLaFormulaPideLosValoresDeNuevo) {
  Abrir();
  Conjunto("21", "Todas", "Todas", 0);
  Formula("a*DN");
  Valor("2");
  ASSERT_TRUE(editor.aceptarHabilitado());
  // Leaving the formula field checks it again: the values go back to 0 and Aceptar waits for
  // them, so no parameter of value 0 can be stored.
  editor.ConfirmarFormula(ui);
  EXPECT_EQ(Valores(), (std::vector<double>{0}));
  EXPECT_FALSE(editor.aceptarHabilitado());
  editor.Aceptar(ui);
  EXPECT_TRUE(Guardadas().empty());
  // A formula changed in the field and not yet checked is checked by Aceptar first.
  Valor("2");
  editor.EscribirFormula("a*HT+b");
  editor.Aceptar(ui);
  EXPECT_TRUE(Guardadas().empty());
  EXPECT_EQ(editor.mensaje(), kMensajePaso3);
  EXPECT_EQ(editor.comboParamName().items, (std::vector<std::string>{"a", "b"}));
}

TEST_F(EditorTest, AceptarSinConjuntoCompleto) {
  Abrir();
  // Species, form, quality or variable missing (the variable too: an equation for no field
  // would never be applied).
  for (int falta = 0; falta < 4; ++falta) {
    Abrir();
    if (falta != 0) editor.SeleccionarEspecie(1);
    if (falta != 1) editor.SeleccionarForma(0);
    if (falta != 2) editor.SeleccionarCalidad(3);
    if (falta != 3) editor.SeleccionarVariable(0);
    Formula("2*DN");
    ui.mensajes.clear();
    editor.Aceptar(ui);
    ASSERT_EQ(ui.textos(), std::vector<std::string>{kDefinaConjunto}) << falta;
    EXPECT_EQ(ui.mensajes[0].titulo, shell::kTituloAplicacion);
    EXPECT_EQ(ui.mensajes[0].botones, shell::BotonesMensaje::Aceptar);
    EXPECT_TRUE(Guardadas().empty()) << falta;
    EXPECT_TRUE(editor.aceptarHabilitado()) << falta;  // nothing else changed
    EXPECT_EQ(editor.comboEcuacion().texto, "2*DN") << falta;
  }
}

TEST_F(EditorTest, AceptarAnadeLaEcuacion) {
  Abrir();
  Definir("21", "Todas", "3", 0, "a+b*DN^2*HT", {"-2,5", "0.000369"});
  const auto g = Guardadas();
  ASSERT_EQ(g.size(), 1u);
  EXPECT_EQ(g[0].conjunto.especie, 21);
  EXPECT_EQ(g[0].conjunto.forma, 0);  // "Todas"
  EXPECT_EQ(g[0].conjunto.calidad, 3);
  EXPECT_EQ(g[0].conjunto.variable, "VCC");
  EXPECT_EQ(g[0].formula, "a+b*DN^2*HT");
  EXPECT_EQ(g[0].parametros, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(g[0].valores, (std::vector<double>{-2.5, 0.000369}));
  EXPECT_EQ(editor.mensaje(), kMensajePaso9);
  EXPECT_EQ(editor.contador(), "1 / 1");
  // The grid shows the texts of the fields ("Todas" until the dialog is opened again).
  ASSERT_EQ(editor.filasEcuaciones().size(), 1u);
  EXPECT_EQ(editor.filasEcuaciones()[0], (Fila{"21", "Todas", "3", "VCC", "a+b*DN^2*HT"}));
  EXPECT_EQ(editor.filasParametros(),
            (std::vector<std::array<std::string, 2>>{{"a", "-2,5"}, {"b", "0,000369"}}));
  // The fields are ready for another equation of the same set.
  EXPECT_TRUE(editor.comboEcuacion().texto.empty());
  EXPECT_TRUE(editor.comboParamName().items.empty());
  EXPECT_TRUE(editor.comboParamValor().texto.empty());
  EXPECT_FALSE(editor.aceptarHabilitado());
  EXPECT_FALSE(editor.borrarHabilitado());
  EXPECT_EQ(editor.foco(), ControlEditor::ComboVariable);
  EXPECT_EQ(editor.comboEspecie().texto, "21");

  Abrir();
  EXPECT_EQ(editor.filasEcuaciones()[0], (Fila{"21", "0", "3", "VCC", "a+b*DN^2*HT"}));
  EXPECT_EQ(editor.contador(), "2 / 1");
}

TEST_F(EditorTest, UnaVariableAceptadaPasaAValidaYSeCalcula) {
  Abrir();
  EXPECT_EQ(estado.VariablesUnidades[4].calcular, "NO");
  Definir("45", "2", "Todas", 4, "k*DN", {"3"});  // COR
  EXPECT_EQ(estado.VariablesUnidades[4].calcular, "SI");
  EXPECT_TRUE(EsVariableValida(estado.ecuaciones, "COR"));
  // COR may now be used in a formula.
  Conjunto("45", "2", "Todas", 5);  // DS
  Formula("COR*2");
  EXPECT_EQ(editor.mensaje(), kMensajePaso7);
  editor.Aceptar(ui);
  EXPECT_EQ(Guardadas().size(), 2u);
  EXPECT_EQ(editor.contador(), "1 / 2");
}

TEST_F(EditorTest, AceptarUnConjuntoYaDefinidoPregunta) {
  Abrir();
  Definir("21", "1", "2", 0, "a*DN", {"2"});
  const auto antes = Guardadas();
  // No: nothing changes.
  ui.respuestas = {Respuesta::No};
  Definir("21", "1", "2", 0, "c*DN^d", {"1", "3"});
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto, kPreguntaModificar);
  EXPECT_EQ(ui.mensajes[0].botones, shell::BotonesMensaje::SiNo);
  EXPECT_EQ(Guardadas()[0].formula, "a*DN");
  EXPECT_EQ(Guardadas()[0].valores, std::vector<double>{2});
  EXPECT_EQ(editor.filasEcuaciones()[0][4], "a*DN");
  EXPECT_EQ(editor.comboEcuacion().texto, "c*DN^d");
  EXPECT_TRUE(editor.aceptarHabilitado());
  // Yes: the stored equation of the set takes the formula and values; same key, same count.
  ui.respuestas = {Respuesta::Si};
  editor.Aceptar(ui);
  const auto g = Guardadas();
  ASSERT_EQ(g.size(), 1u);
  EXPECT_EQ(g[0].idecuacion, antes[0].idecuacion);
  EXPECT_EQ(g[0].formula, "c*DN^d");
  EXPECT_EQ(g[0].parametros, (std::vector<std::string>{"c", "d"}));
  EXPECT_EQ(g[0].valores, (std::vector<double>{1, 3}));
  EXPECT_EQ(editor.contador(), "1 / 1");
  ASSERT_EQ(editor.filasEcuaciones().size(), 1u);
  EXPECT_EQ(editor.filasEcuaciones()[0][4], "c*DN^d");  // the grid shows what is stored
  EXPECT_EQ(editor.mensaje(), kMensajePaso9);
  EXPECT_FALSE(editor.aceptarHabilitado());
  // Another variable of the same trees is another equation.
  Definir("21", "1", "2", 1, "c*DN^d", {"1", "2"});
  EXPECT_EQ(Guardadas().size(), 2u);
  EXPECT_EQ(ui.mensajes.size(), 2u);  // no question for it
}

TEST_F(EditorTest, ElegirUnaFilaCargaSuEcuacion) {
  const auto u = Ubicacion();
  AnadeCalculoaBDQ(u, {21, 0, 0, "VCC"}, "a*DN", {"a"}, {2});
  AnadeCalculoaBDQ(u, {45, 3, 6, "VSC"}, "b*VCC^c", {"b", "c"}, {0.8, 1.25});
  AnadeCalculoaBDQ(u, {99, 1, 1, "HF"}, "2*HT", {}, {});
  Abrir();
  editor.SeleccionarFila(1);
  EXPECT_EQ(editor.filaSeleccionada(), 1);
  EXPECT_TRUE(editor.borrarHabilitado());
  EXPECT_FALSE(editor.aceptarHabilitado());
  EXPECT_EQ(editor.filasParametros(),
            (std::vector<std::array<std::string, 2>>{{"b", "0,8"}, {"c", "1,25"}}));
  EXPECT_TRUE(editor.parametrosResaltados());
  EXPECT_EQ(editor.comboEspecie().texto, "45");
  EXPECT_EQ(editor.comboForma().texto, "3");
  EXPECT_EQ(editor.comboCalidad().texto, "6");
  EXPECT_EQ(editor.comboVariable().texto, "VSC (dm3)");
  EXPECT_EQ(editor.comboEcuacion().texto, "b*VCC^c");
  EXPECT_EQ(editor.comboParamName().items, (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(editor.comboParamName().indice, 0);
  EXPECT_TRUE(editor.comboParamName().habilitado);
  EXPECT_TRUE(editor.comboParamValor().habilitado);
  EXPECT_EQ(editor.comboParamValor().texto, "0,8");
  // A new value for the chosen name: every value is there, Aceptar replaces (after asking).
  Valor("0,9");
  EXPECT_TRUE(editor.aceptarHabilitado());
  ui.respuestas = {Respuesta::Si};
  editor.Aceptar(ui);
  EXPECT_EQ(Guardadas()[1].valores, (std::vector<double>{0.9, 1.25}));
  EXPECT_EQ(Guardadas()[1].formula, "b*VCC^c");
  // Form and quality 0 are "Todas"; a species the cut lacks is offered so the row can be
  // changed.
  editor.SeleccionarFila(0);
  EXPECT_EQ(editor.comboForma().texto, "Todas");
  EXPECT_EQ(editor.comboCalidad().texto, "Todas");
  editor.SeleccionarFila(2);
  EXPECT_EQ(editor.filaSeleccionada(), 2);
  EXPECT_EQ(editor.comboEspecie().texto, "99");
  EXPECT_EQ(editor.comboEspecie().items.back(), "99");
  EXPECT_EQ(editor.comboVariable().texto, "HF (m)");
  EXPECT_TRUE(editor.filasParametros().empty());
  EXPECT_TRUE(editor.comboParamName().items.empty());
  // Outside the rows: nothing.
  editor.SeleccionarFila(3);
  EXPECT_EQ(editor.filaSeleccionada(), 2);
}

TEST_F(EditorTest, BorrarLaFilaElegida) {
  Abrir();
  Definir("21", "Todas", "Todas", 4, "a*DN", {"2"});     // COR
  Definir("45", "1", "Todas", 0, "b*DN^c", {"1", "2"});  // VCC
  Definir("21", "2", "2", 1, "b*DN^c", {"3", "4"});      // VSC, same formula
  ASSERT_TRUE(EsVariableValida(estado.ecuaciones, "COR"));
  EXPECT_FALSE(editor.borrarHabilitado());
  editor.Borrar(ui);  // disabled: nothing
  EXPECT_EQ(Guardadas().size(), 3u);

  editor.SeleccionarFila(0);
  ASSERT_TRUE(editor.borrarHabilitado());
  editor.Borrar(ui);
  EXPECT_TRUE(ui.mensajes.empty());  // without asking
  const auto g = Guardadas();
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[0].conjunto.especie, 45);
  EXPECT_EQ(g[1].valores, (std::vector<double>{3, 4}));
  ASSERT_EQ(editor.filasEcuaciones().size(), 2u);
  EXPECT_EQ(editor.filasEcuaciones()[0][0], "45");
  EXPECT_TRUE(editor.filasParametros().empty());
  EXPECT_EQ(editor.filaSeleccionada(), -1);
  EXPECT_FALSE(editor.borrarHabilitado());
  EXPECT_FALSE(editor.aceptarHabilitado());
  EXPECT_TRUE(editor.comboEcuacion().texto.empty());
  EXPECT_TRUE(editor.comboParamName().items.empty());
  EXPECT_EQ(editor.comboEspecie().indice, -1);
  EXPECT_EQ(editor.comboForma().indice, -1);
  EXPECT_EQ(editor.comboCalidad().indice, -1);
  EXPECT_EQ(editor.comboVariable().indice, -1);
  EXPECT_EQ(editor.foco(), ControlEditor::ComboEspecie);
  EXPECT_EQ(editor.contador(), "1 / 3");  // a deletion does not change the counter
  // The valid variable list is rebuilt: COR is no longer valid.
  EXPECT_FALSE(EsVariableValida(estado.ecuaciones, "COR"));
  EXPECT_TRUE(EsVariableValida(estado.ecuaciones, "VCC"));

  // Deleting the last equations leaves an empty grid.
  editor.SeleccionarFila(1);
  editor.Borrar(ui);
  editor.SeleccionarFila(0);
  editor.Borrar(ui);
  EXPECT_TRUE(editor.filasEcuaciones().empty());
  EXPECT_TRUE(Guardadas().empty());
  // The formula rows stay in "Models".
  store::Database db = store::Database::open(estado.rutas.BDOut);
  EXPECT_EQ(db.openCursor("ModelsAB").recordCount(), 2);
  EXPECT_EQ(db.openCursor("ParamsAB").recordCount(), 0);
}

TEST_F(EditorTest, UnFalloDelAlmacenNoCambiaNadaYSeDice) {
  Abrir();
  Definir("21", "Todas", "Todas", 0, "a*DN", {"2"});
  Conjunto("45", "1", "1", 0);
  Formula("b*DN");
  Valor("3");
  store::failWritesAfterForTesting(0);
  ui.mensajes.clear();
  editor.Aceptar(ui);
  store::failWritesAfterForTesting(-1);
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("No se ha podido guardar la ecuación: ", 0), 0u);
  EXPECT_NE(ui.mensajes[0].texto.find("Las tablas EcuasAB, ModelsAB y ParamsAB quedan como "
                                      "estaban."),
            std::string::npos);
  EXPECT_EQ(ui.mensajes[0].icono, shell::IconoMensaje::Critico);
  EXPECT_EQ(Guardadas().size(), 1u);
  // The dialog is as it was: the user may try again.
  EXPECT_EQ(editor.filasEcuaciones().size(), 1u);
  EXPECT_EQ(editor.contador(), "1 / 1");
  EXPECT_EQ(editor.comboEcuacion().texto, "b*DN");
  EXPECT_TRUE(editor.aceptarHabilitado());
  editor.Aceptar(ui);
  EXPECT_EQ(Guardadas().size(), 2u);
  EXPECT_EQ(editor.contador(), "1 / 2");

  // The same for Borrar.
  editor.SeleccionarFila(0);
  FallarRenombradoEcuacionesParaPruebas(4);
  ui.mensajes.clear();
  editor.Borrar(ui);
  FallarRenombradoEcuacionesParaPruebas(-1);
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("No se ha podido borrar la ecuación: ", 0), 0u);
  EXPECT_EQ(Guardadas().size(), 2u);
  EXPECT_EQ(editor.filasEcuaciones().size(), 2u);
  EXPECT_TRUE(editor.borrarHabilitado());
  editor.Borrar(ui);
  EXPECT_EQ(Guardadas().size(), 1u);
}

TEST_F(EditorTest, DefinirEcuacionesYTerminar) {
  Abrir();
  // "Definir Ecuaciones": the valid list from the options' boxes, the grid from the store.
  AnadeCalculoaBDQ(Ubicacion(), {21, 0, 0, "VLE"}, "a*DN", {"a"}, {2});
  VariablesMarcadas marcadas;
  marcadas.vle = true;
  editor.PrepararListas(marcadas);
  EXPECT_EQ(estado.ecuaciones.variablesValidas, (std::vector<std::string>{"HT", "DN", "VLE"}));
  EXPECT_EQ(editor.filasEcuaciones().size(), 1u);
  EXPECT_EQ(editor.contador(), "2 / 1");
  Formula("a*VCC");
  EXPECT_EQ(editor.mensaje(), kMensajeError1);
  Formula("a*VLE");
  EXPECT_EQ(editor.mensaje(), kMensajePaso3);
  // Terminar: the parameter list goes back to the placeholder.
  editor.Terminar();
  EXPECT_EQ(estado.ecuaciones.parametros, std::vector<std::string>{"X1"});
  EXPECT_FALSE(editor.abierto());
}
