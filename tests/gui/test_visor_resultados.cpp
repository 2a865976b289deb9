#include <QtTest>
class PruebaVisorResultados : public QObject {
  Q_OBJECT
 private slots:
  void nada() {}
};
QTEST_MAIN(PruebaVisorResultados)
#include "test_visor_resultados.moc"
