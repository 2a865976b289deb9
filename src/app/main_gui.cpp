// arbelio: the window program. The splash comes up over the main window; the main window's
// load sets up the workspace (beside the executable, or --home DIR / ARBELIO_HOME).
#include <QApplication>

#include "cut/FormCorte.h"
#include "import/FormListaProvincias.h"
#include "results/CalculosVentanaQt.h"
#include "shell/EspacioTrabajo.h"
#include "shell/MDIPrincipal.h"
#include "shell/TraduccionesQt.h"
#include "state/EstadoAplicacion.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ARBELIO"));
  app.setQuitOnLastWindowClosed(false);
  arbelio::shell::CargarTraduccionesQt(app);

  using namespace arbelio::shell;
  arbelio::EstadoAplicacion estado;
  const RutasPrograma rutas =
      ConstruirRutas(LeerOrigenRutas(argc, argv, CarpetaDelEjecutable(argv[0])));

  MDIPrincipal principal(estado);
  QObject::connect(&principal, &MDIPrincipal::cerrada, &app, &QApplication::quit);
  if (!principal.cargar(rutas)) return 1;
  arbelio::import::VistaListaProvinciasQt listaProvincias(principal);
  arbelio::import::ConectaImportacion(principal, estado, listaProvincias);
  arbelio::results::CalculosVentanaQt calculos(principal, estado);
  arbelio::cut::VistaCorteQt corte(principal, estado);
  arbelio::cut::ConectaCorte(principal, estado, corte);
  principal.show();
  principal.mostrarSplash();
  return app.exec();
}
