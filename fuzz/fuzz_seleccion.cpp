// libFuzzer target: a whole selection of a damaged province. The first byte picks which table
// of a small sound province the rest of the input replaces (plots, large trees, small trees,
// sample trees, shrubs); then the province is selected as the window does (check, copies, the
// plot summary and species builds), merged into the working tables and, when accepted,
// calculated with every result table. Every fault must end as a message, never a crash.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "calc/HazCalculos.h"
#include "calc/Pasadas.h"
#include "import/BaseDatosTrabajo.h"
#include "import/ListaProvincias.h"
#include "import/SeleccionBaseDatos.h"
#include "inventory/BasesAuxiliares.h"
#include "inventory/GeneradorMuestra.h"
#include "inventory/TablasInventario.h"
#include "shell/EspacioTrabajo.h"
#include "shell/InteraccionGuionada.h"

namespace fs = std::filesystem;
using namespace arbelio;

namespace {

struct Entorno {
  fs::path raiz;
  shell::RutasPrograma rutas;
  Entorno() {
    raiz = fs::temp_directory_path() / ("arbelio-fuzz-sel-" + std::to_string(::getpid()));
    fs::remove_all(raiz);
    fs::create_directories(raiz / "datos");
    inventory::EscribePlantillas((raiz / "datos/BDEstruct").string());
    inventory::CreaHusoHojaSqlite({{372, 1, 30, 0}, {400, 2, 30, 29}},
                                  (raiz / "datos/BDEstruct/HusoHoja.sqlite").string());
    inventory::OpcionesMuestra o;
    o.provincia = 47;
    o.parcelas = 4;
    inventory::EscribeProvincia(inventory::GeneraProvincia(o), (raiz / "sana").string());
    shell::OrigenRutas origen;
    origen.carpetaEjecutable = (raiz / "datos").string();
    origen.home = (raiz / "casa").string();
    origen.datos = (raiz / "datos").string();
    rutas = shell::ConstruirRutas(origen);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Entorno e;
  if (size < 1) return 0;
  static const char* const kTablas[] = {"Datest47", "Piesma47", "Piesme47", "Tiposx47", "Matorr47"};
  const fs::path prov = e.raiz / "prov";
  fs::remove_all(prov);
  fs::create_directories(prov);
  for (const char* t : kTablas) {
    fs::copy_file(e.raiz / "sana" / (std::string(t) + ".dbf"), prov / (std::string(t) + ".dbf"));
  }
  const std::string danada = (prov / (std::string(kTablas[data[0] % 5]) + ".dbf")).string();
  if (std::FILE* f = std::fopen(danada.c_str(), "wb")) {
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
  }

  shell::EstadoAplicacion estado;
  shell::InteraccionGuionada ui(estado);
  if (!shell::CargarPrincipal(estado, ui, e.rutas)) return 0;
  import::ListaProvinciasEnMemoria lista;
  ui.archivos.push_back((prov / "Piesma47.dbf").string());
  if (import::mnuAAgregarBD_Click(estado, ui, lista) != import::ResultadoSeleccion::Anadida)
    return 0;
  if (!import::mnuAGenerarBDT_Click(estado, ui)) return 0;
  estado.opciones.TablasCalcular.fill(true);
  estado.opciones.MetodoCalculo = 3;  // no inventory equation database in this folder
  (void)calc::HazCalculos(estado, ui, calc::EntornoInstalado());
  return 0;
}
