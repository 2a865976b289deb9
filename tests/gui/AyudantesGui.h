// Helpers of the window tests: a workspace in a temporary folder over the installed data of the
// build tree, a catcher that answers the modal dialogs the windows show, a copy of the sample
// province, and the user's gestures on combo boxes and grids.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <optional>
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
// its first button (Yes/No questions from `cola`, then `siAPreguntas`: Sí by default), the open
// dialog with `archivo`, the save dialog with `guardarComo` (Cancelar when empty), the input box
// with `entrada`. It keeps the texts and titles of the message boxes and the titles of the file
// dialogs.
class CapturaMensajes : public QObject {
 public:
  QStringList textos;
  QStringList titulos;
  bool siAPreguntas = true;
  // Answers for the next questions, in order (Yes or No); when empty, `siAPreguntas` answers.
  std::deque<QMessageBox::ButtonRole> cola;
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
      if (caja->buttons().size() > 1) {
        std::optional<QMessageBox::ButtonRole> rol;
        if (!cola.empty()) {
          rol = cola.front();
          cola.pop_front();
        } else if (!siAPreguntas) {
          rol = QMessageBox::NoRole;
        }
        if (rol)
          for (QAbstractButton* b : caja->buttons())
            if (caja->buttonRole(b) == *rol) elegido = b;
      }
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

// Chooses item `i` of a combo box as the user does.
inline void Elegir(QComboBox* c, int i) {
  c->setCurrentIndex(i);
  emit c->activated(i);
}

// The text of a grid's cell.
inline QString Celda(QTableView* g, int fila, int col) {
  return g->model()->data(g->model()->index(fila, col)).toString();
}

// A click on a grid's cell (scrolled into view first).
inline void PulsarCelda(QTableView* g, int fila, int col) {
  g->scrollTo(g->model()->index(fila, col));
  const QRect r = g->visualRect(g->model()->index(fila, col));
  QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
}

}  // namespace arbelio::pruebas
