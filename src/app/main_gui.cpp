// arbelio: the window program. The splash comes up over the main window; the main window's
// load sets up the workspace (beside the executable, or --home DIR / ARBELIO_HOME).
#include <QApplication>

#include "calc/HazCalculos.h"
#include "calc/Pasadas.h"
#include "equations/FormConfigCalculos.h"
#include "import/BaseDatosTrabajo.h"
#include "import/FormListaProvincias.h"
#include "results/GuardarCalculos.h"
#include "shell/EspacioTrabajo.h"
#include "shell/MDIPrincipal.h"
#include "state/EstadoAplicacion.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("ARBELIO"));
  app.setQuitOnLastWindowClosed(false);

  using namespace arbelio::shell;
  arbelio::EstadoAplicacion estado;
  const RutasPrograma rutas =
      ConstruirRutas(LeerOrigenRutas(argc, argv, CarpetaDelEjecutable(argv[0])));

  MDIPrincipal principal(estado);
  QObject::connect(&principal, &MDIPrincipal::cerrada, &app, &QApplication::quit);
  if (!principal.cargar(rutas)) return 1;
  arbelio::import::VistaListaProvinciasQt listaProvincias(principal);
  arbelio::import::ConectaImportacion(principal, estado, listaProvincias);
  arbelio::equations::EditorEcuacionesQt editorEcuaciones(principal, estado);
  // "&Calcular": the run over the cut (or every plot) with the fixed table selection.
  principal.asignarOrden("mnuCálCalcular", [&principal, &estado] {
    auto entorno = arbelio::calc::EntornoInstalado();
    entorno.generarBaseTrabajo = [&principal, &estado] {
      arbelio::import::mnuAGenerarBDT_Click(estado, principal.interaccion());
    };
    arbelio::calc::mnuCalCalcular_Click(estado, principal.interaccion(), entorno);
  });
  principal.asignarOrden("mnuAGuardarCálculos", [&principal, &estado] {
    arbelio::results::mnuAGuardarCalculos_Click(estado, principal.interaccion());
  });
  principal.show();
  principal.mostrarSplash();
  return app.exec();
}
