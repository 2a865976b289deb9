#include "shell/EspacioTrabajo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "shell/EjecutarOrden.h"
#include "store/FileOps.h"

namespace arbelio::shell {
namespace {

namespace fs = std::filesystem;

std::string Normalizar(const std::string& ruta) {
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(ruta), ec);
  if (ec) p = fs::path(ruta);
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

std::optional<std::string> Entorno(const char* nombre) {
  const char* v = std::getenv(nombre);
  if (v == nullptr || *v == '\0') return std::nullopt;
  return std::string(v);
}

// Deletes the files of one folder, except those `conservar` accepts. On the first failure
// shows `mensaje` (with the error's description after a line break when `conDescripcion`).
template <typename Conservar>
bool LimpiarCarpeta(const std::string& carpeta, Interaccion& ui, OperacionesArchivos& archivos,
                    const std::string& mensaje, bool conDescripcion, Conservar conservar) {
  FalloOrden fallo;
  fallo.texto = [&](const Fallo& f) {
    return conDescripcion ? mensaje + "\n" + f.descripcion : mensaje;
  };
  return EjecutarOrden(ui, fallo, [&] {
    for (const std::string& nombre : archivos.archivosDe(carpeta)) {
      if (conservar(nombre)) continue;
      const std::string ruta = carpeta + "/" + nombre;
      // Deleting a table also deletes its index sidecar, which may come later in the list.
      if (!archivos.existeArchivo(ruta)) continue;
      archivos.borrarArchivo(ruta);
    }
  });
}

}  // namespace

std::string CarpetaDelEjecutable(const char* argv0) {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) exe = fs::absolute(fs::path(argv0 ? argv0 : "."), ec);
  return Normalizar(exe.parent_path().string());
}

OrigenRutas LeerOrigenRutas(int argc, const char* const* argv,
                            const std::string& carpetaEjecutable) {
  OrigenRutas o;
  o.carpetaEjecutable = carpetaEjecutable;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--home") == 0 && i + 1 < argc) {
      if (*argv[i + 1] != '\0') o.home = argv[i + 1];
      ++i;
    } else if (std::strncmp(a, "--home=", 7) == 0 && a[7] != '\0') {
      o.home = a + 7;
    }
  }
  if (!o.home) o.home = Entorno("ARBELIO_HOME");
  o.datos = Entorno("ARBELIO_DATA");
  return o;
}

RutasPrograma ConstruirRutas(const OrigenRutas& origen) {
  RutasPrograma r;
  r.carpetaEjecutable = Normalizar(origen.carpetaEjecutable);
  r.carpetaTrabajo = origen.home ? Normalizar(*origen.home) : r.carpetaEjecutable;
  r.carpetaDatos = origen.datos ? Normalizar(*origen.datos) : r.carpetaEjecutable;
  auto unir = [](const std::string& a, const char* b) { return a == "/" ? a + b : a + "/" + b; };
  r.BDTemp = unir(r.carpetaTrabajo, "BDTemp");
  r.BDOut = unir(r.carpetaTrabajo, "BDOut");
  r.BDCorte = unir(r.carpetaTrabajo, "BDCorte");
  r.BDEstruct = unir(r.carpetaDatos, "BDEstruct");
  r.Images = unir(r.carpetaDatos, "Images");
  r.Ayuda = unir(r.carpetaDatos, "help");
  return r;
}

std::array<std::string, 10> NombresTablasIniciales() {
  return {"DatDef", "Piesma", "Piesme", "Tiposx", "Matorr",
          "Especi", "InfCor", "Ecuas",  "Models", "Params"};
}

std::array<float, 5> FactoresExpansionIniciales() {
  // 10000 / (pi r^2) for the circle radii 5, 10, 15 and 25 m, as the inventory states them.
  return {0.0f, 127.32395f, 31.830988f, 14.147106f, 5.0929580f};
}

bool Comprobardirectoriosexisten(EstadoComun& estado, Interaccion& ui,
                                 OperacionesArchivos& archivos) {
  for (const std::string* carpeta :
       {&estado.rutas.BDTemp, &estado.rutas.BDOut, &estado.rutas.BDCorte}) {
    FalloOrden fallo;
    fallo.texto = [&](const Fallo& f) {
      return "No se puede crear la carpeta de trabajo " + *carpeta + ".\n" + f.descripcion +
             "\n\nEl programa necesita una carpeta en la que pueda escribir. Ejecútelo con la "
             "opción --home CARPETA (o la variable de entorno ARBELIO_HOME) para trabajar en "
             "otra carpeta.";
    };
    if (!EjecutarOrden(ui, fallo, [&] {
          if (!archivos.existeCarpeta(*carpeta)) archivos.crearCarpeta(*carpeta);
        }))
      return false;
  }
  return true;
}

bool LimpiarBDTemp(EstadoComun& estado, Interaccion& ui, OperacionesArchivos& archivos) {
  return LimpiarCarpeta(estado.rutas.BDTemp, ui, archivos, "Error limpiando carpeta BDTemp", false,
                        [](const std::string&) { return false; });
}

bool LimpiarBDCorte(EstadoComun& estado, Interaccion& ui, OperacionesArchivos& archivos) {
  return LimpiarCarpeta(estado.rutas.BDCorte, ui, archivos, "Error limpiando carpeta BDCorte.",
                        true, [](const std::string&) { return false; });
}

bool LimpiarBDOUT(EstadoComun& estado, Interaccion& ui, OperacionesArchivos& archivos) {
  // The user equation tables of the current code survive, with the index sidecars (".aix")
  // the table store keeps beside them.
  std::vector<std::string> conservar;
  for (const char* base : {"Ecuas", "Params", "Models"}) {
    conservar.push_back(base + estado.SufijoTablas + ".dbf");
    conservar.push_back(base + estado.SufijoTablas + ".aix");
  }
  return LimpiarCarpeta(estado.rutas.BDOut, ui, archivos, "Error limpiando carpeta BDOut.", true,
                        [&](const std::string& nombre) {
                          return std::find(conservar.begin(), conservar.end(), nombre) !=
                                 conservar.end();
                        });
}

void InicializacionesPrincipales(EstadoComun& estado, Interaccion& ui,
                                 OperacionesArchivos& archivos) {
  LimpiarBDTemp(estado, ui, archivos);
  LimpiarBDCorte(estado, ui, archivos);
  LimpiarBDOUT(estado, ui, archivos);
  estado.menus.alIniciar();
  estado.ReiniciarSubsistemas();
  estado.CalculoCancelado = false;
}

bool CargarPrincipal(EstadoComun& estado, Interaccion& ui, const RutasPrograma& rutas,
                     OperacionesArchivos& archivos) {
  estado.rutas = rutas;
  estado.NombresTablas = NombresTablasIniciales();
  estado.FactoresExpansion = FactoresExpansionIniciales();
  if (!Comprobardirectoriosexisten(estado, ui, archivos)) return false;
  // One program at a time in a workspace: cleaning it would wipe another run's tables.
  if (!store::lockFolderForProcess(rutas.carpetaTrabajo)) {
    ui.aviso(MensajeEspacioEnUso(rutas.carpetaTrabajo), IconoMensaje::Critico);
    return false;
  }
  // The workspace is the program's scratch: every start empties it.
  for (const std::string* carpeta : {&rutas.BDTemp, &rutas.BDOut, &rutas.BDCorte})
    store::markScratchFolder(*carpeta);
  InicializacionesPrincipales(estado, ui, archivos);
  return true;
}

std::string MensajeEspacioEnUso(const std::string& carpeta) {
  return "La carpeta de trabajo " + carpeta +
         " está en uso por otra ejecución del programa (otra ventana o arbelio-batch). Cierre "
         "la otra ejecución o elija otra carpeta de trabajo con la opción --home CARPETA (o la "
         "variable de entorno ARBELIO_HOME).";
}

void NuevoProyecto(EstadoComun& estado, Interaccion& ui, RegistroVentanas& ventanas,
                   OperacionesArchivos& archivos) {
  ventanas.descargarTodas();
  InicializacionesPrincipales(estado, ui, archivos);
}

}  // namespace arbelio::shell
