// Enabled state of the main window's menu entries along the work flow. The window only mirrors
// this model: each event of the work flow is one call here, made by the command that causes it,
// and the window repaints its menus from the model through the change callback.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>

namespace arbelio::shell {

// Menu entries whose enabled state changes during a run. The others (Salir, Ventana, Ayuda...)
// are always usable.
enum class EntradaMenu : std::size_t {
  ANuevoProyecto,    // "&Nuevo Proyecto..."
  AAgregarBD,        // "&Seleccionar base de datos..."
  AGenerarBDT,       // "&Generar Base de datos de Trabajo" (never shown)
  AGuardarCorte,     // "Guardar &Corte..."
  AGuardarCalculos,  // "Guardar Cá&lculos..."
  Herramientas,      // "&Herramientas"
  CNuevoCorte,       // "&Corte..."
  HerrCalculos,      // "Cá&lculos" (submenu of Herramientas)
  CalOpciones,       // "&Opciones..."
  CalCalcular,       // "&Calcular"
};
inline constexpr std::size_t kNumEntradasMenu = 10;

// Control name of an entry ("mnuAAgregarBD", "mnuCálCalcular"...), used as the object name of
// the window's action so tests and later windows can find it.
std::string NombreControl(EntradaMenu entrada);

class EstadoMenus {
 public:
  EstadoMenus();

  bool habilitada(EntradaMenu entrada) const {
    return habilitadas_[static_cast<std::size_t>(entrada)];
  }

  // Start-up and New project: only "Seleccionar base de datos..." of the work-flow entries.
  void alIniciar();
  // A valid database file was chosen (also when refused as a duplicate).
  void alElegirArchivoValido();
  // The working database (tables "00") was generated.
  void alGenerarBaseTrabajo();
  // The cut tool was opened over an existing working database.
  void alAbrirCorteSobreBaseExistente();
  // The input of a calculation (plot list and output folder) was prepared.
  void alPrepararCalculo();
  // The cut tool shows a cut with at least one plot.
  void alMostrarCorteNoVacio();
  // Applying the criteria left no plot.
  void alAplicarCriteriosSinParcelas();
  // A calculation run finished.
  void alTerminarCalculo();

  // Called after every change; the main window sets it to repaint its menus.
  std::function<void()> alCambiar;

 private:
  void poner(std::initializer_list<EntradaMenu> entradas, bool valor);
  void avisar();
  std::array<bool, kNumEntradasMenu> habilitadas_{};
};

}  // namespace arbelio::shell
