// Helpers of the window tests: a workspace in a temporary folder over the installed data of the
// build tree, a catcher that answers the modal dialogs the windows show, and a copy of the
// sample province.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <string>

#include "../comun/CarpetaTemporal.h"
#include "../comun/Muestra.h"
#include "shell/EspacioTrabajo.h"

namespace arbelio::pruebas {

inline shell::RutasPrograma RutasDePrueba(const CarpetaTemporal& home) {
  return shell::ConstruirRutas(
      {ARBELIO_PROGRAM_DIR, home.ruta(), std::string(ARBELIO_PROGRAM_DIR)});
}

// Answers the modal dialogs of a command while it is armed, as a user would: a message box with
// its first button (Yes/No questions with `siAPreguntas`: Sí by default), the open dialog with
// `archivo`, the save dialog with `guardarComo` (Cancelar when empty), the input box with
// `entrada`. It keeps the texts and titles of the message boxes and the titles of the file
// dialogs.
class CapturaMensajes : public QObject {
 public:
  QStringList textos;
  QStringList titulos;
  bool siAPreguntas = true;
  QString archivo;
  QString guardarComo;
  QString entrada;
  QStringList titulosArchivo;

  void armar() {
    activo_ = true;
    QTimer::singleShot(0, this, [this] { mirar(); });
  }
  void desarmar() { activo_ = false; }

 private:
  void mirar() {
    if (!activo_) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* caja = qobject_cast<QMessageBox*>(modal)) {
      textos << caja->text();
      titulos << caja->windowTitle();
      QAbstractButton* elegido = caja->buttons().first();
      if (!siAPreguntas)
        for (QAbstractButton* b : caja->buttons())
          if (caja->buttonRole(b) == QMessageBox::NoRole) elegido = b;
      elegido->click();
    } else if (auto* d = qobject_cast<QFileDialog*>(modal)) {
      titulosArchivo << d->windowTitle();
      const QString elegido = d->acceptMode() == QFileDialog::AcceptOpen ? archivo : guardarComo;
      if (elegido.isEmpty()) {
        d->reject();
      } else {
        d->selectFile(elegido);
        static_cast<QDialog*>(d)->accept();
      }
    } else if (auto* e = qobject_cast<QInputDialog*>(modal)) {
      e->setTextValue(entrada);
      e->accept();
    }
    QTimer::singleShot(5, this, [this] { mirar(); });
  }
  bool activo_ = false;
};

// A copy of the bundled sample province 47 in `home`/prov47, so nothing is ever written beside
// the build's sample. Returns the folder.
inline std::string CopiaMuestra(const CarpetaTemporal& home) {
  return CopiaMuestra47(ARBELIO_PROGRAM_DIR, home.archivo("prov47"));
}

}  // namespace arbelio::pruebas
