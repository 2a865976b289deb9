// Selecting provincial databases: the file check, the code rule, duplicates, the plot summary
// and species builds on small hand-made provinces, the save loop, cancel and failure paths.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>

#include "../store/DbfBuilder.h"
#include "EntornoImport.h"
#include "import/ComprobacionBase.h"
#include "import/ConstructorDatDef.h"
#include "import/MEspeci.h"
#include "import/SeleccionAnticipada.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/Constantes.h"
#include "inventory/GeneradorMuestra.h"
#include "shell/InteraccionGuionada.h"
#include "store/FileOps.h"
#include "store/StoreError.h"

using namespace arbelio;
using namespace arbelio::import;
using namespace arbelio::pruebas_import;
using shell::InteraccionGuionada;
using shell::Respuesta;

namespace {

const char* kTitulo = "Error abriendo base de datos";

// Province 47: plots 1, 2, 5, 7 (no sheet), 8 (sheet not in Hojas); large trees in plots 2, 3
// (not a plot of the table) and 5, and one tree without plot number; small trees in plot 1,
// a sample tree in plot 5, no shrubs.
void EscribeProvincia47(const std::string& carpeta, bool conMatorral = true) {
  EntornoImport::EscribeTabla(
      carpeta, "Datest", "Datest47",
      {Parcela(47, 1, 100, "300"), Parcela(47, 2, 200, "499"), Parcela(47, 5, 200, "500"),
       Parcela(47, 7, store::Value(), "100"), Parcela(47, 8, 999, "100")});
  EntornoImport::EscribeTabla(carpeta, "Piesma", "Piesma47",
                              {Arbol(47, 2, 1, 21, 300, 300),
                               Arbol(47, 2, 2, 45, 120, 130),
                               Arbol(47, 2, 3, 21, 425, 425),
                               Arbol(47, 3, 1, 21, 300, 300),
                               Arbol(47, 3, 2, 21, 300, 300),
                               Arbol(47, 5, 1, 21, 60, 70),
                               Arbol(47, 5, 2, 21, 300, 300),
                               {{"PROVINCIA", 47}, {"NUMORDEN", 9}, {"ESPECIE", 21}}});
  EntornoImport::EscribeTabla(carpeta, "Piesme", "Piesme47",
                              {Registro(47, 1, 1), Registro(47, 1, 2)});
  EntornoImport::EscribeTabla(carpeta, "Tiposx", "Tiposx47", {Registro(47, 5, 1)});
  if (conMatorral) EntornoImport::EscribeTabla(carpeta, "Matorr", "Matorr47", {});
}

class Seleccion : public ::testing::Test {
 protected:
  EntornoImport e;
  InteraccionGuionada ui{e.estado};
  ListaProvinciasEnMemoria vista;
  std::string prov = e.ruta("prov47");

  ResultadoSeleccion Elige(const std::string& ruta) {
    ui.archivos.push_back(ruta);
    return mnuAAgregarBD_Click(e.estado, ui, vista);
  }
};

}  // namespace

TEST(CodigoDeNombreBase, DesdeElPrimerDigitoOLosDosUltimos) {
  EXPECT_EQ(CodigoDeNombreBase("Piesma47"), "47");
  EXPECT_EQ(CodigoDeNombreBase("PiesmaAb"), "Ab");
  EXPECT_EQ(CodigoDeNombreBase("Pies4"), "4");
  EXPECT_EQ(CodigoDeNombreBase("Datest0912"), "09");
}

TEST_F(Seleccion, ExtensionYNombresRefusadosConSuTexto) {
  EscribeProvincia47(prov);
  EXPECT_FALSE(EsFicherodeEntradaValido(prov, "Piesma47.dbx", ui));
  EXPECT_FALSE(EsFicherodeEntradaValido(prov, "Piesmx47.dbf", ui));
  EXPECT_FALSE(EsFicherodeEntradaValido(prov, "Pieza47.dbf", ui));  // 11 characters
  EXPECT_TRUE(EsFicherodeEntradaValido(prov, "piesma47.DBF", ui));
  EXPECT_TRUE(EsFicherodeEntradaValido(prov, "Pies47.dbf", ui));  // no name check
  ASSERT_EQ(ui.mensajes.size(), 3u);
  EXPECT_EQ(ui.mensajes[0].texto,
            "Esta base de datos no es correcta.\nEl fichero de datos seleccionado no tiene "
            "extensión '.dbf' .");
  EXPECT_EQ(ui.mensajes[1].texto,
            "Esta base de datos no es correcta.\nEl nombre del fichero seleccionado: 'Piesmx47'\n"
            "es incorrecto o no pertenece a una base de datos\ndel KAV.");
  EXPECT_EQ(ui.mensajes[2].texto,
            "Esta base de datos no es correcta.\nEl nombre del fichero seleccionado: 'Pieza47'\n"
            "es incorrecto o no pertenece a una base de datos\ndel KAV.");
  for (const auto& m : ui.mensajes) EXPECT_EQ(m.titulo, kTitulo);
}

TEST_F(Seleccion, FaltanLaTablaDeParcelasOLaDePiesMayores) {
  EntornoImport::EscribeTabla(prov, "Piesma", "Piesma47", {});
  EXPECT_FALSE(EsFicherodeEntradaValido(prov, "Piesma47.dbf", ui));
  EntornoImport::EscribeTabla(prov, "Datest", "Datest09", {});
  EXPECT_FALSE(EsFicherodeEntradaValido(prov, "Datest09.dbf", ui));
  EXPECT_EQ(ui.textos(),
            (std::vector<std::string>{
                "Esta base de datos no es correcta.\nNo se encuentra fichero 'Datdef47.dbf'.",
                "Esta base de datos no es correcta.\nNo se encuentra fichero 'Piesma09.dbf'."}));
  // A refused file leaves the selection as it was.
  ui.archivos.push_back(prov + "/Piesma47.dbf");
  EXPECT_EQ(mnuAAgregarBD_Click(e.estado, ui, vista), ResultadoSeleccion::NoValida);
  EXPECT_TRUE(e.estado.CodigosSeleccionados.empty());
  EXPECT_FALSE(vista.mostrada);
}

TEST_F(Seleccion, ProvinciaConstruidaContadaYListada) {
  EscribeProvincia47(prov);
  EXPECT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);
  EXPECT_EQ(ui.dialogos[0].titulo,
            "Abrir base de datos de provincia o corte. Seleccione una tabla únicamente.");
  EXPECT_EQ(ui.dialogos[0].filtro,
            "Base de datos de Pies mayores|Piesma*.dbf|Base de datos de Dbase|*.dbf");

  // Counts by merge join, zones by sheet: a two-zone sheet splits at X 500.
  EXPECT_EQ(EntornoImport::Filas(e.estado.rutas.BDTemp,
                                 "SELECT ESTADILLO, NUMPMA, NumPme, NumTip, NumMat, Huso FROM "
                                 "DatDef47 ORDER BY ESTADILLO"),
            (std::vector<std::string>{"1|0|2|0|0|30", "2|3|0|0|0|31", "5|2|0|1|0|30", "7|0|0|0|0|0",
                                      "8|0|0|0|0|0"}));
  EXPECT_FALSE(store::fileExists(e.estado.rutas.BDTemp + "/Datest47.dbf"));

  // The position counts the plots done of the plots to do (5, numbered up to 8), then the two
  // questions answered No: nothing is written beside the inventory files.
  const auto& p = ui.progreso;
  EXPECT_NE(std::find(p.begin(), p.end(), "z:Parcela 1/5.   (20%)"), p.end());
  EXPECT_NE(std::find(p.begin(), p.end(), "z:Parcela 5/5.   (100%)"), p.end());
  for (const std::string& paso : p) EXPECT_EQ(paso.find("/8."), std::string::npos) << paso;
  EXPECT_EQ(p.front().rfind("mostrar:Creando tabla 'Datdef47'.|Por favor, espere unos minutos.", 0),
            0u);
  EXPECT_NE(p.front().find("|cancelar=1|centrado"), std::string::npos);
  // The explanation is two whole paragraphs for the dialog to wrap, and speaks of the UTM zone.
  EXPECT_EQ(p.front(),
            "mostrar:Creando tabla 'Datdef47'.|Por favor, espere unos minutos. Se está generando "
            "una tabla de base de datos a partir de la original 'Datest', añadiendo datos de huso "
            "UTM, número de pies mayores, pies menores,...  de cada parcela.\nEste proceso solo "
            "se necesita una vez para cada provincia si al finalizar guarda esta tabla con las "
            "originales.|cancelar=1|centrado");
  const auto textos = ui.textos();
  ASSERT_EQ(textos.size(), 4u);
  // The check of the tables: the trees of plot 3 and the tree without plot belong to none.
  EXPECT_EQ(textos[0],
            "Avisos sobre los datos de la base de datos 47:\n\nPies que no pertenecen a ninguna "
            "parcela de la tabla Datest47 (no se tienen en cuenta):\n  3 filas de la tabla "
            "Piesma47");
  EXPECT_EQ(textos[1], "¿Desea guardar fichero Datdef47?. (Recomendado)");
  EXPECT_NE(textos[2].find("Hay 1 pie mayor con diámetro normal menor de 7,5 cm"),
            std::string::npos);
  EXPECT_NE(textos[2].find("Provincia 47, parcela 5, pie 1"), std::string::npos);
  EXPECT_EQ(textos[3], "¿Desea guardar fichero Especi47?. (Recomendado)");
  EXPECT_EQ(store::listFiles(prov).size(), 5u);

  ASSERT_TRUE(vista.mostrada);
  ASSERT_EQ(vista.modelo.filas.size(), 1u);
  EXPECT_EQ(vista.modelo.filas[0], (std::array<std::string, 4>{"47", "Valladolid", "5", "5"}));
  EXPECT_EQ(vista.modelo.paneles(),
            (std::array<std::string, 3>{"Total parcelas y pies mayores seleccionados", "5", "5"}));
  EXPECT_EQ(e.estado.SufijoTablas, "47");
  EXPECT_EQ(e.estado.CodigosSeleccionados, std::vector<std::string>{"47"});
  EXPECT_TRUE(e.estado.menus.habilitada(shell::EntradaMenu::CNuevoCorte));
  EXPECT_FALSE(ui.reloj);
  EXPECT_FALSE(ui.progresoVisible);
}

TEST_F(Seleccion, EspeciesPorParcelaEnPrecisionSimple) {
  EscribeProvincia47(prov);
  ASSERT_EQ(Elige(prov + "/Datest47.dbf"), ResultadoSeleccion::Anadida);
  store::OpenOptions o;
  o.readOnly = true;
  store::Database db = store::Database::open(e.estado.rutas.BDTemp, o);
  store::Cursor c = db.openCursor("Especi47", store::CursorKind::Snapshot);
  ASSERT_EQ(c.recordCount(), 3);
  // Plot 2: species 21 (30 cm and 42.5 cm), 45 (12.5 cm: class 2), in order of appearance.
  EXPECT_EQ(c.value("ESPECIE").toString(), "21");
  EXPECT_FLOAT_EQ(c.value("NUMPM").toFloat(), 19.24f);
  EXPECT_NEAR(c.value("AREABASI").toDouble(), 1.7225, 1e-5);
  EXPECT_FLOAT_EQ(c.value("PORCENPM").toFloat(), 37.67f);
  EXPECT_FLOAT_EQ(c.value("PORCENAB").toFloat(), 81.51f);
  c.moveNext();
  EXPECT_EQ(c.value("ESPECIE").toString(), "45");
  EXPECT_FLOAT_EQ(c.value("NUMPM").toFloat(), 31.83f);
  EXPECT_NEAR(c.value("AREABASI").toDouble(), 0.390625, 1e-6);
  EXPECT_FLOAT_EQ(c.value("PORCENPM").toFloat(), 62.33f);
  EXPECT_FLOAT_EQ(c.value("PORCENAB").toFloat(), 18.49f);
  // Plot 5: one tree of 30 cm counts; the 6.5 cm tree adds nothing.
  c.moveNext();
  EXPECT_EQ(c.value("ESTADILLO").toInt16(), 5);
  EXPECT_FLOAT_EQ(c.value("NUMPM").toFloat(), 14.15f);
  EXPECT_NEAR(c.value("AREABASI").toDouble(), 1.0, 1e-5);
  EXPECT_FLOAT_EQ(c.value("PORCENPM").toFloat(), 100.0f);
  EXPECT_FLOAT_EQ(c.value("PORCENAB").toFloat(), 100.0f);
}

// A province of some 55,000 trees: built in stretches, each in two halves. Every row must be the
// one a plot-by-plot walk gives, in plot order, and the message must list the first small trees
// in table order although they lie in different stretches and halves.
TEST_F(Seleccion, EspeciesDeMuchasParcelasComoParcelaAParcela) {
  inventory::OpcionesMuestra o;
  o.provincia = 47;
  o.parcelas = 2500;
  inventory::ProvinciaSintetica p = inventory::GeneraProvincia(o);
  auto& pies = p.piesma;
  const int iD1 = pies.layout.posicion("DIAMETRO1"), iD2 = pies.layout.posicion("DIAMETRO2");
  ASSERT_GT(pies.filas.size(), 40000u);
  // Twelve trees under 7.5 cm, spread over the whole table.
  std::vector<std::size_t> pequenos;
  for (std::size_t k = 0; k < 12; ++k) pequenos.push_back(97 + k * (pies.filas.size() / 12));
  for (std::size_t f : pequenos) {
    pies.filas[f][static_cast<std::size_t>(iD1)] = store::Value(60);
    pies.filas[f][static_cast<std::size_t>(iD2)] = store::Value(70);
  }
  inventory::EscribeProvincia(p, prov);
  ASSERT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);

  // The plot-by-plot walk over the generated trees (they come plot after plot).
  struct Fila {
    int parcela;
    std::string especie;
    float numpm, areabasi, porcenpm, porcenab;
  };
  std::vector<Fila> esperadas;
  const auto& factores = e.estado.FactoresExpansion;
  for (std::size_t i = 0; i < pies.filas.size();) {
    const int parcela = static_cast<int>(pies.valor(i, "ESTADILLO").toDouble());
    std::vector<int> especies;
    std::vector<float> n, g;
    for (; i < pies.filas.size() && pies.valor(i, "ESTADILLO").toDouble() == parcela; ++i) {
      const float d = static_cast<float>(
          (pies.valor(i, "DIAMETRO2").toDouble() + pies.valor(i, "DIAMETRO1").toDouble()) / 20.0);
      const int clase = ClaseDiametrica(d);
      if (clase == 0) continue;
      const int sp = static_cast<int>(pies.valor(i, "ESPECIE").toDouble());
      auto it = std::find(especies.begin(), especies.end(), sp);
      if (it == especies.end()) {
        especies.push_back(sp);
        n.push_back(0);
        g.push_back(0);
        it = especies.end() - 1;
      }
      const auto k = static_cast<std::size_t>(it - especies.begin());
      const float f = factores[static_cast<std::size_t>(clase)];
      g[k] += static_cast<float>(static_cast<double>(d) * d / 4 * inventory::kPi) * f;
      n[k] += f;
    }
    float tn = 0, tg = 0;
    for (std::size_t k = 0; k < especies.size(); ++k) {
      tn += n[k];
      tg += g[k];
    }
    for (std::size_t k = 0; k < especies.size(); ++k) {
      const bool una = especies.size() == 1;
      esperadas.push_back({parcela, std::to_string(especies[k]), Redondea2(n[k]), g[k] / 10000.0f,
                           una ? 100.0f : Redondea2(n[k] / tn * 100.0f),
                           una ? 100.0f : Redondea2(g[k] / tg * 100.0f)});
    }
  }

  store::OpenOptions lectura;
  lectura.readOnly = true;
  store::Database db = store::Database::open(e.estado.rutas.BDTemp, lectura);
  store::Cursor c = db.openCursor("Especi47", store::CursorKind::Snapshot);
  ASSERT_EQ(c.recordCount(), static_cast<std::int64_t>(esperadas.size()));
  std::size_t distintas = 0;
  for (const Fila& f : esperadas) {
    const bool igual =
        c.value("ESTADILLO").toDouble() == f.parcela &&
        c.value("ESPECIE").toString() == f.especie && c.value("NUMPM").toFloat() == f.numpm &&
        c.value("AREABASI").toFloat() == f.areabasi &&
        c.value("PORCENPM").toFloat() == f.porcenpm && c.value("PORCENAB").toFloat() == f.porcenab;
    if (!igual && ++distintas <= 3) ADD_FAILURE() << "parcela " << f.parcela << " " << f.especie;
    c.moveNext();
  }
  EXPECT_EQ(distintas, 0u);

  std::string aviso;
  for (const std::string& t : ui.textos())
    if (t.find("diámetro normal menor") != std::string::npos) aviso = t;
  EXPECT_NE(aviso.find("Hay 12 pies mayores"), std::string::npos) << aviso;
  std::string lista = "\nLos primeros:";
  for (std::size_t k = 0; k < kPiesPequenosListados; ++k) {
    lista += "\nProvincia 47, parcela " + pies.valor(pequenos[k], "ESTADILLO").toString() +
             ", pie " + pies.valor(pequenos[k], "NUMORDEN").toString();
  }
  EXPECT_TRUE(aviso.ends_with(lista)) << aviso;
}

// The species build over a province of 40,000 trees (two stretches, each in two halves) with
// trees whose diameter cannot be read: the build stops naming the first of them in table order,
// whichever half of its stretch it lies in.
TEST(EspeciesDeUnaProvincia, UnPieIlegibleSeNombraElPrimeroEnElOrdenDeLaTabla) {
  const auto construir = [](const std::vector<int>& parcelasMalas) {
    EntornoImport e;
    const std::string temp = e.estado.rutas.BDTemp;
    std::vector<Fila> parcelas, arboles;
    for (int q = 1; q <= 2000; ++q) {
      parcelas.push_back({{"PROVINCIA", 47}, {"ESTADILLO", q}, {"NUMPMA", 20}});
      for (int n = 1; n <= 20; ++n) {
        Fila a = Arbol(47, q, n, n % 3 == 0 ? 45 : 21, 100 + 7 * n, 110 + 5 * n);
        const bool mala = n == 3 && std::find(parcelasMalas.begin(), parcelasMalas.end(), q) !=
                                        parcelasMalas.end();
        if (mala)
          a.erase(std::find_if(a.begin(), a.end(),
                               [](const auto& campo) { return campo.first == "DIAMETRO1"; }));
        arboles.push_back(a);
      }
    }
    EntornoImport::EscribeTabla(temp, "DatDef", "Datdef47", parcelas);
    EntornoImport::EscribeTabla(temp, "Piesma", "Piesma47", arboles);
    InteraccionGuionada ui{e.estado};
    try {
      ConstruyeEspeci(e.estado, ui, "47");
    } catch (const store::StoreError& error) {
      return std::string(error.what());
    }
    return std::string("sin error");
  };
  // Plot 1500 lies in the second half of the first stretch, plot 300 in its first half, plot
  // 1900 in the second stretch.
  const std::string enLaSegundaMitad = construir({1500, 1900});
  EXPECT_NE(enLaSegundaMitad.find("el pie 3 de la parcela 1500 de la tabla Piesma47 no tiene un "
                                  "valor válido en el campo DIAMETRO1"),
            std::string::npos)
      << enLaSegundaMitad;
  const std::string enAmbas = construir({300, 1500});
  EXPECT_NE(enAmbas.find("el pie 3 de la parcela 300 de la tabla Piesma47"), std::string::npos)
      << enAmbas;
  EXPECT_EQ(construir({}), "sin error");
}

TEST(ClaseDiametrica, LosLimitesPertenecenALaClaseSuperior) {
  EXPECT_EQ(ClaseDiametrica(7.49f), 0);
  EXPECT_EQ(ClaseDiametrica(7.5f), 1);
  EXPECT_EQ(ClaseDiametrica(12.5f), 2);
  EXPECT_EQ(ClaseDiametrica(22.5f), 3);
  EXPECT_EQ(ClaseDiametrica(42.4f), 3);
  EXPECT_EQ(ClaseDiametrica(42.5f), 4);
  EXPECT_EQ(ClaseDiametrica((120 + 130) / 20.0f), 2);
}

TEST(Redondea2, MitadesAlPar) {
  EXPECT_FLOAT_EQ(Redondea2(0.125f), 0.12f);
  EXPECT_FLOAT_EQ(Redondea2(0.375f), 0.38f);
  EXPECT_FLOAT_EQ(Redondea2(14.147106f), 14.15f);
  EXPECT_FLOAT_EQ(Redondea2(2.5f), 2.5f);
}

TEST_F(Seleccion, DuplicadaNoCambiaNada) {
  EscribeProvincia47(prov);
  ASSERT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);
  const auto progresoAntes = ui.progreso.size();
  const auto mensajesAntes = ui.mensajes.size();
  EXPECT_EQ(Elige(prov + "/Piesme47.dbf"), ResultadoSeleccion::Duplicada);
  EXPECT_EQ(ui.mensajes.size(), mensajesAntes + 1);
  EXPECT_EQ(ui.mensajes.back().texto,
            "La base de datos con código 47 ya está seleccionada.\nPuede seleccionar otra base "
            "de datos distinta.");
  EXPECT_EQ(ui.mensajes.back().titulo, "VERDANIA");
  EXPECT_EQ(ui.progreso.size(), progresoAntes);
  EXPECT_EQ(e.estado.CodigosSeleccionados.size(), 1u);
  EXPECT_EQ(vista.modelo.filas.size(), 1u);
  EXPECT_EQ(vista.modelo.totalParcelas, 5);
}

TEST_F(Seleccion, TablaQueFaltaDeshaceLaSeleccionYSePuedeVolverAElegir) {
  EscribeProvincia47(prov, false);
  EXPECT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Fallo);
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error ", 0), 0u);
  EXPECT_TRUE(e.estado.CodigosSeleccionados.empty());
  EXPECT_FALSE(e.estado.HayBasesSeleccionadas);
  EXPECT_FALSE(vista.mostrada);

  EntornoImport::EscribeTabla(prov, "Matorr", "Matorr47", {});
  EXPECT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);
  EXPECT_EQ(e.estado.CodigosSeleccionados, std::vector<std::string>{"47"});
}

TEST_F(Seleccion, CancelarDuranteLaConstruccionRestauraLaSeleccion) {
  EscribeProvincia47(prov);
  ui.cancelarEnCeder = 6;
  EXPECT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Cancelada);
  EXPECT_TRUE(e.estado.CodigosSeleccionados.empty());
  EXPECT_FALSE(e.estado.HayBasesSeleccionadas);
  EXPECT_FALSE(e.estado.CalculoCancelado);
  EXPECT_FALSE(ui.progresoVisible);
  ASSERT_EQ(ui.mensajes.size(), 1u);  // only the note on the trees of no plot
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Avisos sobre los datos", 0), 0u);
  EXPECT_FALSE(vista.mostrada);
  // The same database can be chosen again.
  ui.cancelarEnCeder = -1;
  EXPECT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);
}

TEST_F(Seleccion, GuardarVuelveAPreguntarHastaElNombreExacto) {
  EscribeProvincia47(prov);
  ui.respuestas = {Respuesta::Si, Respuesta::Si};
  ui.archivos = {prov + "/Piesma47.dbf", prov + "/otro.dbf", prov + "/Datdef47.dbf", std::nullopt};
  EXPECT_EQ(mnuAAgregarBD_Click(e.estado, ui, vista), ResultadoSeleccion::Anadida);
  ASSERT_EQ(ui.dialogos.size(), 4u);
  EXPECT_EQ(ui.dialogos[1].titulo, "Guardar el fichero Datdef47");
  EXPECT_EQ(ui.dialogos[1].nombreInicial, "Datdef47.dbf");
  EXPECT_EQ(ui.dialogos[1].carpetaInicial, prov);
  EXPECT_EQ(ui.dialogos[3].titulo, "Guardar el fichero Especi47");
  EXPECT_TRUE(store::fileExists(prov + "/Datdef47.dbf"));
  EXPECT_FALSE(store::fileExists(prov + "/otro.dbf"));
  EXPECT_EQ(store::listFiles(prov).size(), 6u);  // Especi cancelled: not saved

  // With its plot summary beside it the province needs no build and no question.
  EstadoAplicacion& est = e.estado;
  est.HayBasesSeleccionadas = false;
  InteraccionGuionada otra(est);
  otra.archivos.push_back(prov + "/Piesma47.dbf");
  ListaProvinciasEnMemoria v2;
  EXPECT_EQ(mnuAAgregarBD_Click(est, otra, v2), ResultadoSeleccion::Anadida);
  for (const std::string& p : otra.progreso) EXPECT_EQ(p.find("Datdef47"), std::string::npos) << p;
  EXPECT_EQ(otra.textos().size(), 3u);  // the data note, the small-tree note, the question
  EXPECT_EQ(v2.modelo.filas[0][2], "5");
}

TEST_F(Seleccion, CorteGuardadoDescritoPorSuDescripcion) {
  const std::string corte = e.ruta("corte");
  EscribeProvincia47(prov);
  ASSERT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);
  // A saved cut holds the working-table layouts under its code and its InfCor.
  std::filesystem::create_directories(corte);
  for (const char* t : {"Piesma", "Piesme", "Tiposx", "Matorr"})
    store::copyFile(prov + "/" + t + "47.dbf", corte + "/" + t + "Ab.dbf");
  store::copyFile(e.estado.rutas.BDTemp + "/DatDef47.dbf", corte + "/DatDefAb.dbf");
  EntornoImport::EscribeTabla(corte, "InfCor", "InfCorAb",
                              {{{"DESCRIPCIO", "Pinares del sur  "}, {"NUMESTADIS", 5}}});
  EXPECT_EQ(Elige(corte + "/PiesmaAb.dbf"), ResultadoSeleccion::Anadida);
  ASSERT_EQ(vista.modelo.filas.size(), 2u);
  EXPECT_EQ(vista.modelo.filas[1], (std::array<std::string, 4>{"Ab", "Pinares del sur", "5", "5"}));
  EXPECT_EQ(vista.modelo.totalParcelas, 10);
  EXPECT_EQ(vista.modelo.totalPies, 10);
  EXPECT_EQ(e.estado.SufijoTablas, "Ab");
}

TEST(CuentaPorParcela, SaltaFilasSinParcelaYNoRetrocede) {
  EntornoImport e;
  EntornoImport::EscribeTabla(
      e.estado.rutas.BDTemp, "Piesma", "Piesma47",
      {{{"NUMORDEN", 1}}, Registro(47, 2, 1), Registro(47, 2, 2), Registro(47, 4, 1)});
  store::Database db = store::Database::open(e.estado.rutas.BDTemp);
  store::Cursor c = db.openCursor(
      "SELECT Estadillo, Count(NumOrden) AS Num From PIESMA47 GROUP BY Estadillo ORDER BY "
      "Estadillo;");
  EXPECT_EQ(CuentaPorParcela(c, 1), 0);
  EXPECT_EQ(CuentaPorParcela(c, 2), 2);
  EXPECT_EQ(CuentaPorParcela(c, 3), 0);
  EXPECT_EQ(CuentaPorParcela(c, 4), 1);
  EXPECT_EQ(CuentaPorParcela(c, 5), 0);
}

TEST_F(Seleccion, TablaDanadaODiametroNuloTerminanConErrorSinTocarLosOriginales) {
  EscribeProvincia47(prov);
  // A large-tree table cut short.
  const std::string piesma = prov + "/Piesma47.dbf";
  std::filesystem::resize_file(piesma, 40);
  const auto antes = store::listFiles(prov).size();
  EXPECT_EQ(Elige(piesma), ResultadoSeleccion::Fallo);
  ASSERT_EQ(ui.mensajes.size(), 1u);
  EXPECT_EQ(ui.mensajes[0].texto.rfind("Error ", 0), 0u) << ui.mensajes[0].texto;
  EXPECT_TRUE(e.estado.CodigosSeleccionados.empty());
  EXPECT_EQ(std::filesystem::file_size(piesma), 40u);
  EXPECT_EQ(store::listFiles(prov).size(), antes);

  // A tree without its first diameter cannot enter the species build: the selection is
  // refused, naming the tree, before anything is copied.
  EntornoImport::EscribeTabla(e.ruta("p2"), "Datest", "Datest47", {Parcela(47, 1, 100, "300")});
  EntornoImport::EscribeTabla(e.ruta("p2"), "Piesma", "Piesma47",
                              {{{"PROVINCIA", 47},
                                {"ESTADILLO", 1},
                                {"NUMORDEN", 1},
                                {"ESPECIE", 21},
                                {"DIAMETRO2", 300}}});
  for (const char* t : {"Piesme", "Tiposx", "Matorr"})
    EntornoImport::EscribeTabla(e.ruta("p2"), t, std::string(t) + "47", {});
  EXPECT_EQ(Elige(e.ruta("p2/Piesma47.dbf")), ResultadoSeleccion::NoValida);
  EXPECT_EQ(ui.mensajes.back().texto,
            "Esta base de datos no es correcta.\nPies mayores de la tabla Piesma47 sin diámetros o "
            "especie válidos, que la tabla Especi47 necesita (corríjalos o seleccione la base de "
            "datos con su tabla Especi47):\n  parcela 1, pie 1, campo DIAMETRO1: vacío");
  EXPECT_EQ(ui.mensajes.back().titulo, kTitulo);
  EXPECT_TRUE(e.estado.CodigosSeleccionados.empty());
  EXPECT_FALSE(ui.progresoVisible);
  EXPECT_TRUE(store::listFiles(e.estado.rutas.BDTemp).empty());
}

// Checks run ahead on other threads give each selection the report its own check gives, the
// failure of a damaged table included, and each report once.
TEST_F(Seleccion, AnticipadaDaElInformeDeCadaBase) {
  EscribeProvincia47(prov);  // warnings: trees of a plot not in the plot table
  const std::string rota = e.ruta("rota");
  EscribeProvincia47(rota);
  std::filesystem::resize_file(rota + "/Piesma47.dbf", 40);
  // Refused: a tree without its first diameter.
  const std::string sinCampo = e.ruta("sinCampo");
  EntornoImport::EscribeTabla(sinCampo, "Datest", "Datest47", {Parcela(47, 1, 100, "300")});
  for (const char* t : {"Piesme", "Tiposx", "Matorr"})
    EntornoImport::EscribeTabla(sinCampo, t, std::string(t) + "47", {});
  EntornoImport::EscribeTabla(
      sinCampo, "Piesma", "Piesma47",
      {{{"PROVINCIA", 47}, {"ESTADILLO", 1}, {"NUMORDEN", 1}, {"ESPECIE", 21}, {"DIAMETRO2", 3}}});

  const InformeComprobacion directo = ComprobarBaseDatos(prov, "47");
  ASSERT_FALSE(directo.avisos.empty());
  const InformeComprobacion rechazo = ComprobarBaseDatos(sinCampo, "47");
  ASSERT_TRUE(rechazo.rechazada());
  const std::string anticipadas = e.estado.rutas.BDTemp + "/Anticipadas";
  {
    SeleccionAnticipada sel(
        e.estado,
        {{rota, "47"}, {sinCampo, "47"}, {prov, "47"}, {prov, "47"}, {e.ruta("nada"), "47"}});
    EXPECT_FALSE(sel.Tomar(prov, "48"));
    const auto a = sel.Tomar(prov, "47");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->informe.avisos, directo.avisos);
    EXPECT_TRUE(a->informe.errores.empty());
    ASSERT_TRUE(a->tablas);  // the folder has neither table: both built
    EXPECT_TRUE(a->tablas->datdef && a->tablas->especi);
    const auto b = sel.Tomar(sinCampo, "47");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->informe.errores, rechazo.errores);
    // A refused database's builds, made while it was checked, are thrown away with their folder.
    EXPECT_FALSE(b->tablas);
    EXPECT_FALSE(std::filesystem::exists(anticipadas + "/1"));
    EXPECT_THROW(sel.Tomar(rota, "47"), store::StoreError);
    EXPECT_FALSE(std::filesystem::exists(anticipadas + "/0"));
    EXPECT_TRUE(std::filesystem::exists(a->tablas->carpeta));
    // The second of the same database, then none.
    EXPECT_TRUE(sel.Tomar(prov, "47"));
    EXPECT_FALSE(sel.Tomar(prov, "47"));
  }  // the last one, never taken, does not hold up the end
  EXPECT_FALSE(std::filesystem::exists(anticipadas));
}

// A selection that takes the work done ahead shows and asks the same, in the same order, and
// leaves the same tables in BDTemp as one that does the work itself: here the check's warning,
// the species build's warning of a tree below 7.5 cm and both questions.
TEST_F(Seleccion, AnticipadaDejaLoMismoQueLaSeleccionSinElla) {
  EscribeProvincia47(prov);
  EXPECT_EQ(Elige(prov + "/Piesma47.dbf"), ResultadoSeleccion::Anadida);

  EntornoImport otro;
  InteraccionGuionada ui2{otro.estado};
  ListaProvinciasEnMemoria vista2;
  // The work given for afterwards runs once, on a thread the selection no longer needs.
  std::atomic<int> despues{0};
  std::promise<void> hecho;
  otro.estado.anticipada = std::make_shared<SeleccionAnticipada>(
      otro.estado, std::vector<std::pair<std::string, std::string>>{{prov, "47"}}, [&] {
        if (++despues == 1) hecho.set_value();
      });
  ASSERT_EQ(hecho.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
  ui2.archivos.push_back(prov + "/Piesma47.dbf");
  EXPECT_EQ(mnuAAgregarBD_Click(otro.estado, ui2, vista2), ResultadoSeleccion::Anadida);
  EXPECT_FALSE(otro.estado.anticipada->Tomar(prov, "47"));
  otro.estado.anticipada.reset();
  EXPECT_EQ(despues, 1);

  ASSERT_EQ(ui.textos().size(), 4u);
  EXPECT_EQ(ui2.textos(), ui.textos());
  for (std::size_t i = 0; i < ui.mensajes.size(); ++i) {
    EXPECT_EQ(ui2.mensajes[i].titulo, ui.mensajes[i].titulo);
    EXPECT_EQ(ui2.mensajes[i].icono, ui.mensajes[i].icono);
  }
  std::vector<std::string> nombres, nombres2;
  for (const auto& f : store::listFiles(e.estado.rutas.BDTemp)) nombres.push_back(f.name);
  for (const auto& f : store::listFiles(otro.estado.rutas.BDTemp)) nombres2.push_back(f.name);
  EXPECT_EQ(nombres2, nombres);
  for (const std::string& n : nombres)
    EXPECT_EQ(arbelio::testing::readFile(otro.estado.rutas.BDTemp + "/" + n),
              arbelio::testing::readFile(e.estado.rutas.BDTemp + "/" + n))
        << n;
  EXPECT_FALSE(std::filesystem::exists(otro.estado.rutas.BDTemp + "/Anticipadas"));
  EXPECT_EQ(vista2.modelo.filas, vista.modelo.filas);
}

// The window of the selected databases: the design's widths, widened where a header or the
// totals caption needs more, the description taking what is left.
TEST(GeometriaListaProvincias, AnchosQueCabenEnSuTexto) {
  const GeometriaListaProvincias d = GeometriaParaTamano(6000, 2500);
  EXPECT_EQ(d.anchosColumnas, (std::array<int, 4>{700, 3150, 800, 1100}));
  EXPECT_EQ(d.anchosPaneles, (std::array<int, 3>{3850, 800, 1100}));
  EXPECT_EQ(d.alturaGrid, 2080);
  EXPECT_EQ(AnchoInicialListaProvincias({}), 6000);

  // "Pies Mayores" needs 1300 twips and the caption 4500: the trees column widens, the
  // description gives way, the caption's panel is wider than the columns above it.
  TextosListaProvincias t;
  t.cabeceras = {500, 1000, 600, 1300};
  t.panelTotales = 4500;
  const GeometriaListaProvincias g = GeometriaParaTamano(6000, 2500, t);
  EXPECT_EQ(g.anchosColumnas, (std::array<int, 4>{740, 3150 - 40 - 40 - 440, 840, 1540}));
  EXPECT_EQ(g.anchosPaneles, (std::array<int, 3>{4740, 840, 1540}));
  // Opened wide enough for the caption beneath code and description.
  EXPECT_EQ(AnchoInicialListaProvincias(t), 740 + 4000 + 840 + 1540 + 250);
  // A narrow window never cuts a header: the description keeps its own header's width.
  EXPECT_EQ(GeometriaParaTamano(3000, 2500, t).anchosColumnas[1], 1240);
}
