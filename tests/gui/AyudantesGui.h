// Helpers of the window tests: a workspace in a temporary folder over the installed data of the
// build tree, and a catcher that answers the modal message boxes the windows show.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
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

// Answers the modal dialogs of a command as a user would: the open dialog with `archivo`, the
// save dialog with `guardarComo` (or Cancelar when it is empty), the input box with `entrada`,
// every question with `siAPreguntas` (No by default) and every other message with its first
// button; it keeps the texts of the message boxes and the titles of the file dialogs.
class GuionDialogos : public QObject {
 public:
  QString archivo;
  QString guardarComo;
  QString entrada;
  bool siAPreguntas = false;
  QStringList mensajes;
  QStringList titulosArchivo;
  int dialogosArchivo = 0;

  void armar() {
    activo_ = true;
    QTimer::singleShot(0, this, [this] { mirar(); });
  }
  void desarmar() { activo_ = false; }

 private:
  void mirar() {
    if (!activo_) return;
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* d = qobject_cast<QFileDialog*>(modal)) {
      ++dialogosArchivo;
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
    } else if (auto* caja = qobject_cast<QMessageBox*>(modal)) {
      mensajes << caja->text();
      QAbstractButton* elegido = caja->buttons().first();
      const auto rol = siAPreguntas ? QMessageBox::YesRole : QMessageBox::NoRole;
      for (QAbstractButton* b : caja->buttons())
        if (caja->buttonRole(b) == rol) elegido = b;
      elegido->click();
    }
    QTimer::singleShot(5, this, [this] { mirar(); });
  }
  bool activo_ = false;
};

}  // namespace arbelio::pruebas
