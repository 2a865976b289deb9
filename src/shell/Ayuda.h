// Help pages and the texts of the splash/About window. The help is a set of Spanish HTML pages
// installed in the "help" folder of the installed data; a context id names the page a window
// opens (1000 main window, 1040 calculation options, 1050 equation configuration).
#pragma once

#include <cstdint>
#include <string>

#include "shell/EstadoComun.h"

namespace arbelio::shell {

inline constexpr std::int32_t kAyudaPrincipal = 1000;
inline constexpr std::int32_t kAyudaOpcionesCalculo = 1040;
inline constexpr std::int32_t kAyudaEcuaciones = 1050;

// File name of the page of a context id; an unknown id gives the contents page.
std::string PaginaAyuda(std::int32_t contexto);
// Full path of that page under the installed help folder.
std::string RutaPaginaAyuda(const RutasPrograma& rutas, std::int32_t contexto);
// Message shown when the page is missing from the installation.
std::string MensajeSinAyuda(const std::string& ruta);

// The splash/About window.
inline constexpr const char* kCaptionAcercaDe = "Acerca de...";
inline constexpr const char* kTextoProducto = "herramienta para manejo de bases de datos del KAV2.";
std::string TextoParticipantes();
std::string TextoRemitirErrores();
// Picture of the splash, relative to the Images folder.
inline constexpr const char* kImagenSplash = "bosque.jpg";
// The program's icon, shown by the main window and every window of the program.
inline constexpr const char* kImagenIcono = "arbelio.png";

// While the start-up splash is up, a click or a key closes it; in About mode only "Aceptar".
inline bool SplashSeCierraConClic(const EstadoComun& estado) {
  return !estado.SplashCerrado;
}

}  // namespace arbelio::shell
