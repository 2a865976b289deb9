#include "shell/EspacioTrabajo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

#include "../comun/CarpetaTemporal.h"
#include "shell/InteraccionGuionada.h"
#include "state/EstadoAplicacion.h"
#include "store/Database.h"
#include "store/StoreError.h"

namespace arbelio::shell {
namespace {

namespace fs = std::filesystem;
using pruebas::CarpetaTemporal;
using pruebas::EscribirArchivo;

// The real file system, except that deleting a file with a given name fails as a file held open
// by another program does.
class ArchivosConBloqueo : public OperacionesArchivos {
 public:
  std::set<std::string> bloqueados;
  int borrados = 0;
  bool existeCarpeta(const std::string& r) override {
    return ArchivosDelSistema().existeCarpeta(r);
  }
  void crearCarpeta(const std::string& r) override { ArchivosDelSistema().crearCarpeta(r); }
  bool existeArchivo(const std::string& r) override {
    return ArchivosDelSistema().existeArchivo(r);
  }
  std::vector<std::string> archivosDe(const std::string& c) override {
    return ArchivosDelSistema().archivosDe(c);
  }
  void borrarArchivo(const std::string& r) override {
    if (bloqueados.count(fs::path(r).filename().string()))
      throw store::StoreError(store::err::kPermisoDenegado, "Permiso denegado");
    ArchivosDelSistema().borrarArchivo(r);
    ++borrados;
  }
};

std::set<std::string> Archivos(const std::string& carpeta) {
  std::set<std::string> s;
  for (const auto& e : fs::directory_iterator(carpeta))
    if (e.is_regular_file()) s.insert(e.path().filename().string());
  return s;
}

class EspacioTrabajoTest : public ::testing::Test {
 protected:
  CarpetaTemporal carpeta;
  EstadoAplicacion estado;
  InteraccionGuionada ui{estado};

  RutasPrograma Rutas() { return ConstruirRutas({carpeta.ruta(), std::nullopt, std::nullopt}); }
};

TEST(RutasTest, TodoJuntoAlEjecutablePorDefecto) {
  RutasPrograma r = ConstruirRutas({"/opt/arbelio/", std::nullopt, std::nullopt});
  EXPECT_EQ(r.carpetaEjecutable, "/opt/arbelio");
  EXPECT_EQ(r.BDTemp, "/opt/arbelio/BDTemp");
  EXPECT_EQ(r.BDOut, "/opt/arbelio/BDOut");
  EXPECT_EQ(r.BDCorte, "/opt/arbelio/BDCorte");
  EXPECT_EQ(r.BDEstruct, "/opt/arbelio/BDEstruct");
  EXPECT_EQ(r.Images, "/opt/arbelio/Images");
  EXPECT_EQ(r.Ayuda, "/opt/arbelio/help");
}

TEST(RutasTest, HomeMueveSoloElEspacioDeTrabajoYDatosSoloLosInstalados) {
  RutasPrograma r = ConstruirRutas({"/opt/arbelio", "/home/u/trabajo/", "/usr/share/arbelio"});
  EXPECT_EQ(r.BDTemp, "/home/u/trabajo/BDTemp");
  EXPECT_EQ(r.BDCorte, "/home/u/trabajo/BDCorte");
  EXPECT_EQ(r.BDEstruct, "/usr/share/arbelio/BDEstruct");
  EXPECT_EQ(r.Images, "/usr/share/arbelio/Images");
}

TEST(RutasTest, RutaRelativaSeHaceAbsoluta) {
  RutasPrograma r = ConstruirRutas({"/opt/arbelio", "trabajo/./x/..", std::nullopt});
  EXPECT_TRUE(fs::path(r.carpetaTrabajo).is_absolute());
  EXPECT_EQ(fs::path(r.carpetaTrabajo).filename(), "trabajo");
}

TEST(RutasTest, OpcionHomeGanaALaVariableDeEntorno) {
  ::setenv("ARBELIO_HOME", "/desde/entorno", 1);
  ::unsetenv("ARBELIO_DATA");
  const char* conOpcion[] = {"arbelio", "--home", "/desde/opcion"};
  EXPECT_EQ(LeerOrigenRutas(3, conOpcion, "/opt").home, "/desde/opcion");
  const char* conIgual[] = {"arbelio", "--home=/igual"};
  EXPECT_EQ(LeerOrigenRutas(2, conIgual, "/opt").home, "/igual");
  const char* sinOpcion[] = {"arbelio"};
  OrigenRutas o = LeerOrigenRutas(1, sinOpcion, "/opt");
  EXPECT_EQ(o.home, "/desde/entorno");
  EXPECT_FALSE(o.datos.has_value());
  ::setenv("ARBELIO_HOME", "", 1);
  EXPECT_FALSE(LeerOrigenRutas(1, sinOpcion, "/opt").home.has_value());
  ::unsetenv("ARBELIO_HOME");
}

TEST(RutasTest, CarpetaDelEjecutableEsLaDelProgramaEnMarcha) {
  std::string c = CarpetaDelEjecutable("ignorado");
  EXPECT_TRUE(fs::exists(fs::path(c) / "arbelio_tests")) << c;
}

TEST_F(EspacioTrabajoTest, ArranqueCreaLasTresCarpetasPeroNoBDEstruct) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  EXPECT_TRUE(fs::is_directory(carpeta.archivo("BDTemp")));
  EXPECT_TRUE(fs::is_directory(carpeta.archivo("BDOut")));
  EXPECT_TRUE(fs::is_directory(carpeta.archivo("BDCorte")));
  EXPECT_FALSE(fs::exists(carpeta.archivo("BDEstruct")));
  EXPECT_FALSE(fs::exists(carpeta.archivo("Images")));
  EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(EspacioTrabajoTest, ArranqueFijaNombresYFactores) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  EXPECT_EQ(estado.NombresTablas[0], "DatDef");
  EXPECT_EQ(estado.NombresTablas[6], "InfCor");
  EXPECT_EQ(estado.NombresTablas[9], "Params");
  // Single precision values of 10000 / (pi r^2).
  const float radios[] = {0, 5, 10, 15, 25};
  for (int i = 1; i <= 4; ++i) {
    float esperado = static_cast<float>(10000.0 / (M_PI * radios[i] * radios[i]));
    EXPECT_EQ(estado.FactoresExpansion[i], esperado) << i;
  }
}

TEST_F(EspacioTrabajoTest, ArranqueVaciaLosRestosDeLaSesionAnteriorSinTocarSubcarpetas) {
  RutasPrograma r = Rutas();
  for (const auto& c : {r.BDTemp, r.BDOut, r.BDCorte}) {
    fs::create_directories(c + "/sub");
    EscribirArchivo(c + "/Piesma47.dbf");
    EscribirArchivo(c + "/sub/queda.txt");
  }
  EscribirArchivo(r.BDOut + "/EcuasAB.dbf");  // no cut code yet: not kept
  ASSERT_TRUE(CargarPrincipal(estado, ui, r));
  for (const auto& c : {r.BDTemp, r.BDOut, r.BDCorte}) {
    EXPECT_TRUE(Archivos(c).empty()) << c;
    EXPECT_TRUE(fs::exists(c + "/sub/queda.txt")) << c;
  }
}

TEST_F(EspacioTrabajoTest, CarpetaQueNoSePuedeCrearDaMensajeConLaSalida) {
  // A regular file where the workspace folder should be: creation fails even for root.
  EscribirArchivo(carpeta.archivo("ocupado"));
  RutasPrograma r = ConstruirRutas({carpeta.archivo("ocupado"), std::nullopt, std::nullopt});
  EXPECT_FALSE(CargarPrincipal(estado, ui, r));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  const auto& m = ui.mensajes[0];
  EXPECT_EQ(m.titulo, "VERDANIA");
  EXPECT_NE(m.texto.find(r.BDTemp), std::string::npos) << m.texto;
  EXPECT_NE(m.texto.find("--home"), std::string::npos);
  EXPECT_EQ(m.icono, IconoMensaje::Critico);
}

TEST_F(EspacioTrabajoTest, ArchivoBloqueadoEnBDTempDaElMensajeUnaVezYElArranqueSigue) {
  RutasPrograma r = Rutas();
  fs::create_directories(r.BDTemp);
  fs::create_directories(r.BDCorte);
  EscribirArchivo(r.BDTemp + "/A.dbf");
  EscribirArchivo(r.BDTemp + "/B.dbf");
  EscribirArchivo(r.BDTemp + "/C.dbf");
  EscribirArchivo(r.BDCorte + "/X.dbf");
  ArchivosConBloqueo archivos;
  archivos.bloqueados = {"B.dbf"};
  ASSERT_TRUE(CargarPrincipal(estado, ui, r, archivos));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto, "Error limpiando carpeta BDTemp");
  EXPECT_EQ(ui.mensajes[0].titulo, "VERDANIA");
  EXPECT_EQ(ui.mensajes[0].botones, BotonesMensaje::Aceptar);
  // The cleaning of BDTemp stopped at B; the other folders were still cleaned.
  EXPECT_EQ(Archivos(r.BDTemp), (std::set<std::string>{"B.dbf", "C.dbf"}));
  EXPECT_TRUE(Archivos(r.BDCorte).empty());
  EXPECT_FALSE(estado.menus.habilitada(EntradaMenu::Herramientas));
}

TEST_F(EspacioTrabajoTest, MensajesDeBDCorteYBDOutLlevanLaDescripcion) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  EscribirArchivo(estado.rutas.BDCorte + "/X.dbf");
  EscribirArchivo(estado.rutas.BDOut + "/Y.dbf");
  ArchivosConBloqueo archivos;
  archivos.bloqueados = {"X.dbf", "Y.dbf"};
  EXPECT_FALSE(LimpiarBDCorte(estado, ui, archivos));
  EXPECT_FALSE(LimpiarBDOUT(estado, ui, archivos));
  ASSERT_EQ(ui.mensajes.size(), 2u);
  EXPECT_EQ(ui.mensajes[0].texto, "Error limpiando carpeta BDCorte.\nPermiso denegado");
  EXPECT_EQ(ui.mensajes[1].texto, "Error limpiando carpeta BDOut.\nPermiso denegado");
}

TEST_F(EspacioTrabajoTest, CarpetaDesaparecidaDaElMensajeDeLimpieza) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  fs::remove_all(estado.rutas.BDCorte);
  EXPECT_FALSE(LimpiarBDCorte(estado, ui));
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error limpiando carpeta BDCorte.\n", 0), 0u);
}

TEST_F(EspacioTrabajoTest, LimpiarBDOUTConservaLasEcuacionesDelCodigoActualConMayusculasExactas) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  estado.SufijoTablas = "Qx";
  const std::string out = estado.rutas.BDOut;
  for (const char* n :
       {"EcuasQx.dbf", "ParamsQx.dbf", "ModelsQx.dbf", "ECUASQX.DBF", "ecuasQx.dbf", "EcuasQx.dbt",
        "EcuasAB.dbf", "AIndivQx.dbf", "TotalsQx.dbf", "AIndivQx.aix", "EcuasAB.aix"})
    EscribirArchivo(out + "/" + n);
  EXPECT_TRUE(LimpiarBDOUT(estado, ui));
  EXPECT_EQ(Archivos(out), (std::set<std::string>{"EcuasQx.dbf", "ModelsQx.dbf", "ParamsQx.dbf"}));
  EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(EspacioTrabajoTest, LimpiarBDOUTConservaLosIndicesDeLasEcuacionesQueQuedan) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  estado.SufijoTablas = "Qx";
  const std::string out = estado.rutas.BDOut;
  for (const char* n : {"EcuasQx.dbf", "EcuasQx.aix", "ParamsQx.dbf", "ParamsQx.aix",
                        "AIndivQx.dbf", "AIndivQx.aix"})
    EscribirArchivo(out + "/" + n);
  EXPECT_TRUE(LimpiarBDOUT(estado, ui));
  EXPECT_EQ(Archivos(out),
            (std::set<std::string>{"EcuasQx.aix", "EcuasQx.dbf", "ParamsQx.aix", "ParamsQx.dbf"}));
  EXPECT_TRUE(ui.mensajes.empty());
}

TEST_F(EspacioTrabajoTest, NuevoProyectoDespuesDeUnCalculoConEcuacionesDeUsuario) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  // A run of work: databases selected, cut open, options changed, results written.
  estado.SufijoTablas = "Kb";
  estado.CodigosSeleccionados = {"47", "05"};
  estado.HayBasesSeleccionadas = true;
  estado.CorteAbierto = true;
  estado.ListaParcelas.entradas = {{}, {47, 3}, {5, 12}};
  estado.ListaParcelas.numero = 2;
  estado.PiesExcluidos = {{47, 3, 1}};
  estado.NumeroParcelas = 2;
  estado.NumeroPies = 40;
  estado.CalculoCancelado = true;
  estado.opciones.AnchoClase = 10;
  estado.opciones.TipoHart = 2;
  estado.opciones.TablasCalcular[4] = true;
  estado.VariablesUnidades[0].calcular = "SI";
  estado.menus.alElegirArchivoValido();
  estado.menus.alTerminarCalculo();
  EscribirArchivo(estado.rutas.BDTemp + "/DATDEF00.dbf");
  EscribirArchivo(estado.rutas.BDCorte + "/PiesmaKb.dbf");
  for (const char* n : {"EcuasKb.dbf", "ParamsKb.dbf", "ModelsKb.dbf", "AIndivKb.dbf"})
    EscribirArchivo(estado.rutas.BDOut + "/" + n);
  // Loaded windows, registered in another order than New project unloads them; each notes
  // whether the folders were still untouched when it went.
  RegistroVentanas ventanas;
  std::vector<std::string> descargadas;
  auto ventana = [&](VentanaProyecto v, const char* nombre) {
    ventanas.registrar(v, [&, nombre] {
      const bool antes = fs::exists(estado.rutas.BDTemp + "/DATDEF00.dbf");
      descargadas.push_back(std::string(nombre) + (antes ? "" : " (tarde)"));
    });
  };
  ventana(VentanaProyecto::FormSplash, "FormSplash");
  ventana(VentanaProyecto::FormOpcionesCalculos, "FormOpcionesCalculos");
  ventana(VentanaProyecto::FormListaProvincias, "FormListaProvincias");
  ventana(VentanaProyecto::FormVisorDatosCorte, "FormVisorDatosCorte");
  ventana(VentanaProyecto::FormInfoProgreso, "FormInfoProgreso");
  ventana(VentanaProyecto::FormCorte, "FormCorte");
  ventanas.quitar(VentanaProyecto::FormVisorDatosCorte);  // closed by the user earlier

  NuevoProyecto(estado, ui, ventanas);

  EXPECT_EQ(descargadas,
            (std::vector<std::string>{"FormInfoProgreso", "FormCorte", "FormListaProvincias",
                                      "FormOpcionesCalculos", "FormSplash"}));
  EXPECT_FALSE(ventanas.registrada(VentanaProyecto::FormCorte));

  EXPECT_TRUE(Archivos(estado.rutas.BDTemp).empty());
  EXPECT_TRUE(Archivos(estado.rutas.BDCorte).empty());
  EXPECT_EQ(Archivos(estado.rutas.BDOut),
            (std::set<std::string>{"EcuasKb.dbf", "ModelsKb.dbf", "ParamsKb.dbf"}));
  EXPECT_FALSE(estado.HayBasesSeleccionadas);
  EXPECT_FALSE(estado.CorteAbierto);
  // The cut went with the working database it was made of: the next run builds its plot list
  // from the new working database.
  EXPECT_TRUE(estado.ListaParcelas.vacia());
  EXPECT_EQ(estado.ListaParcelas.numero, 1);
  EXPECT_TRUE(estado.PiesExcluidos.empty());
  EXPECT_EQ(estado.NumeroParcelas, 0);
  EXPECT_EQ(estado.NumeroPies, 0);
  EXPECT_FALSE(estado.CalculoCancelado);
  EXPECT_EQ(estado.CodigosSeleccionados, (std::vector<std::string>{"47", "05"}));
  EXPECT_EQ(estado.SufijoTablas, "Kb");
  EXPECT_EQ(estado.opciones.AnchoClase, 5.0f);
  EXPECT_EQ(estado.opciones.TipoHart, 1);
  EXPECT_EQ(estado.opciones.BetaReineke, -1.605);
  EXPECT_EQ(estado.opciones.MetodoCalculo, 1);
  EXPECT_FALSE(estado.opciones.TablasCalcular[4]);
  EXPECT_EQ(estado.VariablesUnidades[0].calcular, "NO");
  EXPECT_FALSE(estado.menus.habilitada(EntradaMenu::AGuardarCalculos));
  EXPECT_FALSE(estado.menus.habilitada(EntradaMenu::Herramientas));
  EXPECT_TRUE(estado.menus.habilitada(EntradaMenu::AAgregarBD));
  EXPECT_TRUE(ui.mensajes.empty());
}

// With the real table store: a table open in this program cannot be deleted, as a file held
// open by another program.
TEST_F(EspacioTrabajoTest, TablaAbiertaEnBDTempDaElMensajeUnaVezYElArranqueSigue) {
  RutasPrograma r = Rutas();
  fs::create_directories(r.BDTemp);
  store::Database db = store::Database::open(r.BDTemp);
  store::TableDef def("Piesma47");
  def.appendField("PROVINCIA", store::FieldType::Integer);
  db.appendTableDef(def);
  store::Cursor abierto = db.openCursor("Piesma47");
  EscribirArchivo(r.BDTemp + "/Aaa.txt");

  ASSERT_TRUE(CargarPrincipal(estado, ui, r));
  EXPECT_EQ(ui.textos(), (std::vector<std::string>{"Error limpiando carpeta BDTemp"}));
  EXPECT_FALSE(fs::exists(r.BDTemp + "/Aaa.txt"));  // deleted before the open table
  EXPECT_TRUE(fs::exists(r.BDTemp + "/Piesma47.dbf"));
  EXPECT_TRUE(estado.menus.habilitada(EntradaMenu::AAgregarBD));
}

TEST_F(EspacioTrabajoTest, TablaConIndiceSeBorraConSuFicheroDeIndiceSinError) {
  ASSERT_TRUE(CargarPrincipal(estado, ui, Rutas()));
  {
    store::Database db = store::Database::open(estado.rutas.BDCorte);
    store::TableDef def("DatDefKb");
    def.appendField("PROVINCIA", store::FieldType::Integer);
    def.appendField("ESTADILLO", store::FieldType::Integer);
    db.appendTableDef(def);
    db.appendIndex("DatDefKb", store::IndexDef{"ParcelaIndex", {"PROVINCIA", "ESTADILLO"}});
    db.close();
  }
  ASSERT_GE(Archivos(estado.rutas.BDCorte).size(), 2u);  // the table and its sidecar
  EXPECT_TRUE(LimpiarBDCorte(estado, ui));
  EXPECT_TRUE(Archivos(estado.rutas.BDCorte).empty());
  EXPECT_TRUE(ui.mensajes.empty());
}

TEST(VariablesUnidadesTest, TreceFilasEnSuOrdenConSusUnidades) {
  auto v = calc::VariablesUnidadesIniciales();
  std::string codigos, unidades;
  for (const auto& f : v) {
    codigos += f.codigo + " ";
    unidades += f.unidad + " ";
    EXPECT_EQ(f.calcular, "NO");
  }
  EXPECT_EQ(codigos, "VCC VSC IAVC VLE COR DS DCH DFF DCO CRE HF HPV ALTE ");
  EXPECT_EQ(unidades, "dm3 dm3 dm3 dm3 mm mm cm cm m mm m m m ");
}

}  // namespace
}  // namespace arbelio::shell
