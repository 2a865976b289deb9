// Golden cases of the cut: one folder per case under tests/cut/casos, each with
//   muestra.txt            a synthetic province to select ("provincia: N", "parcelas: N",
//                          "semilla: N"), or datdef.csv and especi.csv: the working tables row by
//                          row (";"-separated, a header of field names, an empty cell is null)
//   criterios.txt          the criteria, as arbelio-batch reads them
//   opciones.txt           "modo: uno|todos|alguno" and "filtro-cero: si|no"
//   esperado/              parcelas.txt (the plot list, "province-plot" a line), resumen.txt (the
//                          summary frame), especies-corte.txt (EspeciesCorte), informe.txt (the
//                          report), mensajes.txt (what the user was told)
// Each case is applied through the cut tool and compared with its expected files; the same
// files are computed again from the working tables by an independent program
// (casos/oraculo.py, reading them with python3-dbfread). ARBELIO_REGENERAR_CASOS=1 writes the
// expected files from the tool instead (then check them with the oracle and by hand).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "EntornoCorte.h"
#include "cut/ArchivoCriterios.h"
#include "cut/HerramientaCorte.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/GeneradorMuestra.h"
#include "shell/InteraccionGuionada.h"
#include "store/Text.h"

namespace arbelio::cut {
namespace {

namespace fs = std::filesystem;
const fs::path kCasos = fs::path(ARBELIO_SOURCE_DIR) / "tests" / "cut" / "casos";

std::string Leer(const fs::path& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// "clave: valor" lines.
std::map<std::string, std::string> Opciones(const fs::path& ruta) {
  std::map<std::string, std::string> r;
  std::istringstream in(Leer(ruta));
  std::string linea;
  while (std::getline(in, linea)) {
    const auto dos = linea.find(':');
    if (dos == std::string::npos) continue;
    r[store::trimWhitespace(linea.substr(0, dos))] = store::trimWhitespace(linea.substr(dos + 1));
  }
  return r;
}

// Rows of a ";"-separated file with a header of field names; numbers for the numeric fields.
std::vector<pruebas_import::Fila> FilasCsv(const fs::path& ruta) {
  static const char* const kTexto[] = {"COORDEX", "COORDEY", "MUNICI", "ESPECIE"};
  std::istringstream in(Leer(ruta));
  std::string linea;
  std::vector<std::string> campos;
  std::vector<pruebas_import::Fila> filas;
  auto celdas = [](const std::string& l) {
    std::vector<std::string> c;
    std::stringstream s(l);
    std::string x;
    while (std::getline(s, x, ';')) c.push_back(store::trimWhitespace(x));
    if (!l.empty() && l.back() == ';') c.push_back("");
    return c;
  };
  while (std::getline(in, linea)) {
    if (store::trimWhitespace(linea).empty()) continue;
    if (campos.empty()) {
      campos = celdas(linea);
      continue;
    }
    const auto c = celdas(linea);
    pruebas_import::Fila f;
    for (std::size_t i = 0; i < campos.size() && i < c.size(); ++i) {
      if (c[i].empty()) continue;
      const bool texto = std::any_of(std::begin(kTexto), std::end(kTexto),
                                     [&](const char* t) { return campos[i] == t; });
      f[campos[i]] = texto ? store::Value(c[i]) : store::Value(std::stod(c[i]));
    }
    filas.push_back(std::move(f));
  }
  return filas;
}

void BaseDeTrabajo(pruebas_corte::EntornoCorte& e, const fs::path& caso) {
  if (fs::exists(caso / "muestra.txt")) {
    const auto o = Opciones(caso / "muestra.txt");
    inventory::OpcionesMuestra m;
    m.provincia = std::stoi(o.at("provincia"));
    m.parcelas = std::stoi(o.at("parcelas"));
    m.semilla = std::stoull(o.at("semilla"));
    // The installed sheet/zone table, whose sheets the synthetic plots lie on.
    fs::copy_file(fs::path(ARBELIO_PROGRAM_DIR) / "BDEstruct" / "HusoHoja.sqlite",
                  e.ruta("BDEstruct/HusoHoja.sqlite"), fs::copy_options::overwrite_existing);
    const std::string carpeta = e.ruta("provincia");
    inventory::EscribeProvincia(inventory::GeneraProvincia(m), carpeta);
    shell::InteraccionGuionada ui(e.estado);
    ui.archivos = {carpeta + "/" + inventory::NombreArchivoProvincial("Piesma", m.provincia)};
    import::ListaProvinciasEnMemoria lista;
    ASSERT_EQ(import::mnuAAgregarBD_Click(e.estado, ui, lista),
              import::ResultadoSeleccion::Anadida);
    ASSERT_TRUE(import::mnuAGenerarBDT_Click(e.estado, ui));
  } else {
    e.Trabajo(FilasCsv(caso / "datdef.csv"), FilasCsv(caso / "especi.csv"));
  }
}

struct Resultado {
  std::string parcelas, resumen, especiesCorte, informe, mensajes;
};

Resultado Aplicar(pruebas_corte::EntornoCorte& e, const fs::path& caso) {
  const auto o = Opciones(caso / "opciones.txt");
  std::ifstream in(caso / "criterios.txt");
  const ArchivoCriterios archivo = LeerArchivoCriterios(in, "criterios.txt");
  shell::InteraccionGuionada ui(e.estado);
  VistaCorteEnMemoria vista(e.estado);
  EXPECT_TRUE(mnuCNuevoCorte_Click(e.estado, ui, vista));
  HerramientaCorte& h = vista.herramienta();
  AplicarArchivoCriterios(h, ui, archivo, LeerModoCorte(o.at("modo")), o.at("filtro-cero") == "si");
  Resultado r;
  for (const std::string& p : e.Lista()) r.parcelas += p + "\n";
  r.resumen = TextoResumen(h.resumen);
  for (std::int16_t s : e.estado.EspeciesCorte) r.especiesCorte += std::to_string(s) + "\n";
  r.informe = TextoInforme(h.resumen.TextInforme);
  for (const std::string& m : ui.textos()) r.mensajes += m + "\n";
  return r;
}

std::vector<std::string> Casos() {
  std::vector<std::string> r;
  for (const auto& d : fs::directory_iterator(kCasos))
    if (d.is_directory()) r.push_back(d.path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

class CasosCorte : public ::testing::TestWithParam<std::string> {};

TEST_P(CasosCorte, ComoLoEsperado) {
  const fs::path caso = kCasos / GetParam();
  pruebas_corte::EntornoCorte e;
  BaseDeTrabajo(e, caso);
  const Resultado r = Aplicar(e, caso);
  const fs::path esperado = caso / "esperado";
  const std::vector<std::pair<const char*, const std::string*>> archivos = {
      {"parcelas.txt", &r.parcelas},
      {"resumen.txt", &r.resumen},
      {"especies-corte.txt", &r.especiesCorte},
      {"informe.txt", &r.informe},
      {"mensajes.txt", &r.mensajes}};
  const char* regenerar = std::getenv("ARBELIO_REGENERAR_CASOS");
  if (regenerar != nullptr && std::string(regenerar) == "1") {
    fs::create_directories(esperado);
    for (const auto& [nombre, texto] : archivos)
      std::ofstream(esperado / nombre, std::ios::binary) << *texto;
  }
  for (const auto& [nombre, texto] : archivos) EXPECT_EQ(*texto, Leer(esperado / nombre)) << nombre;

  // The independent computation over the same working tables.
  const std::string salida = e.ruta("oraculo");
  const std::string orden = "/usr/bin/python3 '" + (kCasos / "oraculo.py").string() + "' '" +
                            e.ruta("BDTemp") + "' '" + caso.string() + "' '" + salida + "' 2>&1";
  std::string texto;
  if (FILE* p = popen(orden.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) texto.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << texto;
  }
  for (const auto& [nombre, t] : archivos) {
    if (std::string(nombre) == "mensajes.txt") continue;  // the oracle says nothing
    EXPECT_EQ(Leer(fs::path(salida) / nombre), Leer(esperado / nombre)) << "oráculo: " << nombre;
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, CasosCorte, ::testing::ValuesIn(Casos()),
                         [](const auto& parametro) {
                           std::string n = parametro.param;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

}  // namespace
}  // namespace arbelio::cut
