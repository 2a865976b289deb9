// The windows New project unloads, and how. Each window registers its own unload hook while it
// is loaded (the shell's progress dialog and splash, the selected-databases list, the cut tool,
// the viewers and dialogs of later subsystems); New project runs the hooks in the fixed order of
// VentanaProyecto, then InicializacionesPrincipales. No window is looked up by name.
#pragma once

#include <array>
#include <cstddef>
#include <functional>

namespace arbelio::shell {

// In the order New project unloads them.
enum class VentanaProyecto : std::size_t {
  FormInfoProgreso,
  FormCorte,
  FormListaProvincias,
  FormVisorDatosCalculos,
  FormVisorDatosCorte,
  FormConfigCalculos,
  FormOpcionesCalculos,
  FormSplash,
};
inline constexpr std::size_t kNumVentanasProyecto = 8;

class RegistroVentanas {
 public:
  // Registers the hook that unloads a window, replacing the window's earlier one. An unload
  // hook must do nothing when its window is already gone.
  void registrar(VentanaProyecto ventana, std::function<void()> descargar);
  // Drops a window's hook (the window unloaded itself).
  void quitar(VentanaProyecto ventana);
  bool registrada(VentanaProyecto ventana) const;

  // Unloads every registered window in the fixed order and drops the hooks. A hook may
  // register or drop hooks of its own; those of windows still to come are honoured.
  void descargarTodas();

 private:
  std::array<std::function<void()>, kNumVentanasProyecto> descargas_{};
};

}  // namespace arbelio::shell
