// The help viewer: a window of its own (no owner) showing the installed HTML help pages.
#pragma once

#include <QWidget>
#include <cstdint>

#include "shell/EstadoComun.h"
#include "shell/Interaccion.h"

class QTextBrowser;

namespace arbelio::shell {

class FormAyuda : public QWidget {
  Q_OBJECT

 public:
  explicit FormAyuda(const RutasPrograma& rutas);
  // Shows the page of a context id. False when the page is not installed.
  bool mostrarPagina(std::int32_t contexto);

  QTextBrowser* TextoAyuda;

 private:
  RutasPrograma rutas_;
};

// Opens the help viewer at the page of a context id (1000, 1040, 1050), reusing the open
// viewer. When the page is missing the user is told where it was looked for. Returns the
// viewer, or nullptr when nothing was shown.
FormAyuda* MostrarAyuda(std::int32_t contexto, const RutasPrograma& rutas, Interaccion& ui);

}  // namespace arbelio::shell
