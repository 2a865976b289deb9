#include "shell/FormAyuda.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/Ayuda.h"

namespace arbelio::shell {

FormAyuda::FormAyuda(const RutasPrograma& rutas) : QWidget(nullptr), rutas_(rutas) {
  setObjectName("FormAyuda");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Ayuda de ARBELIO"));
  resize(760, 620);

  TextoAyuda = new QTextBrowser(this);
  TextoAyuda->setObjectName("TextoAyuda");
  TextoAyuda->setOpenExternalLinks(false);
  TextoAyuda->setSearchPaths(
      {QString::fromStdString(rutas_.Ayuda), QString::fromStdString(rutas_.Images)});

  auto* barra = new QToolBar(this);
  barra->addAction(QStringLiteral("Contenido"), this, [this] { mostrarPagina(kAyudaPrincipal); });
  QAction* atras = barra->addAction(QStringLiteral("Atrás"), TextoAyuda, &QTextBrowser::backward);
  QAction* adelante =
      barra->addAction(QStringLiteral("Adelante"), TextoAyuda, &QTextBrowser::forward);
  atras->setEnabled(false);
  adelante->setEnabled(false);
  connect(TextoAyuda, &QTextBrowser::backwardAvailable, atras, &QAction::setEnabled);
  connect(TextoAyuda, &QTextBrowser::forwardAvailable, adelante, &QAction::setEnabled);

  auto* columna = new QVBoxLayout(this);
  columna->setContentsMargins(0, 0, 0, 0);
  columna->addWidget(barra);
  columna->addWidget(TextoAyuda);
}

bool FormAyuda::mostrarPagina(std::int32_t contexto) {
  QString ruta = QString::fromStdString(RutaPaginaAyuda(rutas_, contexto));
  if (!QFileInfo::exists(ruta)) return false;
  TextoAyuda->setSource(QUrl::fromLocalFile(ruta));
  return true;
}

FormAyuda* MostrarAyuda(std::int32_t contexto, const RutasPrograma& rutas, Interaccion& ui) {
  static QPointer<FormAyuda> abierta;
  const std::string ruta = RutaPaginaAyuda(rutas, contexto);
  if (!QFileInfo::exists(QString::fromStdString(ruta))) {
    ui.aviso(MensajeSinAyuda(ruta));
    return nullptr;
  }
  if (!abierta) abierta = new FormAyuda(rutas);
  abierta->mostrarPagina(contexto);
  abierta->show();
  abierta->raise();
  abierta->activateWindow();
  return abierta;
}

}  // namespace arbelio::shell
