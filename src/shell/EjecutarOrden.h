// The command barrier. Every menu command and window command runs through EjecutarOrden: any
// failure that escapes the command (a store error, a file system error, a standard exception or
// anything else thrown) ends the command with that command's own message, so nothing crosses
// the window system's event loop. The command's scopes are left before the message shows: its
// progress dialog is hidden and the pointer restored (Progreso, RelojArena).
//
//   const bool hecho = EjecutarOrden(ui, FalloOrden::Prefijo("Error "), [&] { ... });
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "shell/Interaccion.h"

namespace arbelio::shell {

// A failure as messages show it: its error number (0 when it has none) and Spanish description.
struct Fallo {
  int numero = 0;
  std::string descripcion;
};

// Error number of a file or folder that cannot be reached (file system errors).
inline constexpr int kErrorAccesoRuta = 75;
// Error number and description of a failure to get memory.
inline constexpr int kErrorMemoria = 7;
inline constexpr const char* kDescripcionMemoria = "Memoria insuficiente";
// Description of a failure that says nothing about itself.
inline constexpr const char* kDescripcionDesconocida = "Error desconocido";

// Number and description of a thrown failure: a store error's own, kErrorAccesoRuta and the
// system's text for a file system error, kErrorMemoria for memory, 0 and what() for another
// standard exception, 0 and kDescripcionDesconocida for anything else.
Fallo DescribirFallo(std::exception_ptr error);

// How a command words its failure.
struct FalloOrden {
  std::function<std::string(const Fallo&)> texto;  // the message from the failure
  IconoMensaje icono = IconoMensaje::Critico;
  std::string titulo = kTituloAplicacion;

  // The usual wording: prefijo + description ("Error " + ...).
  static FalloOrden Prefijo(std::string prefijo, IconoMensaje icono = IconoMensaje::Critico);
};

// Runs the command. Returns true when it ran to its end; false after a failure, once its
// message was shown.
bool EjecutarOrden(Interaccion& ui, const FalloOrden& fallo, const std::function<void()>& orden);

// True while a command runs (EjecutarOrden has not returned), in any thread.
bool OrdenEnCurso();

}  // namespace arbelio::shell
