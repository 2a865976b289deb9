// FormInfoProgreso: the progress dialog shared by every long operation. It is driven through
// InteraccionQt (the core never sees it); its Cancelar button sets CalculoCancelado and nothing
// else, and the running operation notices the flag at its next yield.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace arbelio::shell {

class FormInfoProgreso : public QDialog {
  Q_OBJECT

 public:
  // `calculoCancelado` is the application's flag; `principal` the main window it sits on.
  FormInfoProgreso(bool& calculoCancelado, QWidget* principal);

  // Top right of the main window (top 0; left = main width - dialog width).
  void colocarArribaDerecha();
  // Centred on the main window, 1000 twips above its centre.
  void colocarCentrado();
  // As tall as the explanation needs at the dialog's width (at least the design's height).
  void ajustarAltura();

  static constexpr int kAnchoTwips = 6300;
  static constexpr int kAltoTwips = 2730;

  QLabel* LabelInfoProgreso;
  QLabel* LabelProgresoFixed;
  QLabel* LabelZ;
  QLabel* LabelqueCalculos;
  QProgressBar* ProgressBar1;
  QPushButton* CommandCancelar;

 protected:
  // Closing the window from its title bar does not stop the operation; only Cancelar does.
  void closeEvent(QCloseEvent* evento) override;
  void reject() override {}

 private:
  void CommandCancelar_Click();

  bool& calculoCancelado_;
  QWidget* principal_;
};

}  // namespace arbelio::shell
