// Helpers of the window tests: a workspace in a temporary folder over the installed data of the
// build tree, and a catcher that answers the modal message boxes the windows show.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include "../comun/CarpetaTemporal.h"
#include "shell/EspacioTrabajo.h"

namespace arbelio::pruebas {

inline shell::RutasPrograma RutasDePrueba(const CarpetaTemporal& home) {
  return shell::ConstruirRutas(
      {ARBELIO_PROGRAM_DIR, home.ruta(), std::string(ARBELIO_PROGRAM_DIR)});
}

// Presses the first button of every modal message box that shows up while it is armed, and
// keeps the box's title and text.
class CapturaMensajes : public QObject {
 public:
  QStringList textos;
  QStringList titulos;

  void armar() {
    activo_ = true;
    QTimer::singleShot(0, this, [this] { mirar(); });
  }
  void desarmar() { activo_ = false; }

 private:
  void mirar() {
    if (!activo_) return;
    if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      textos << caja->text();
      titulos << caja->windowTitle();
      caja->buttons().first()->click();
    }
    QTimer::singleShot(5, this, [this] { mirar(); });
  }
  bool activo_ = false;
};

}  // namespace arbelio::pruebas
