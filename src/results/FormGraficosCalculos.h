// FormGraficosCalculos: the charts of the last run ("Gráficos" of the results viewer), drawn
// with Qt Charts from the core's data (GraficosCalculos): one tab per chart, a note where the
// needed table was not computed, "Guardar gráfico..." for the chart shown (PNG or SVG).
#pragma once

#include <QWidget>

#include "results/GraficosCalculos.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace arbelio::results {

class FormGraficosCalculos : public QWidget {
  Q_OBJECT

 public:
  FormGraficosCalculos(const EstadoAplicacion& estado, shell::Interaccion& ui,
                       QWidget* padre = nullptr);

  QTabWidget* Pestanas;
  QPushButton* CommandGuardarGrafico;

  // The image of the chart of tab `i`, as "Guardar gráfico..." writes it.
  QByteArray Png(int i) const;
  QByteArray Svg(int i) const;

 private:
  QWidget* nota(const std::string& texto);
  QWidget* distribucion(const DistribucionDiametrica& d);
  QWidget* reparto(const RepartoEspecies& r);
  QWidget* dispersion(const DispersionAlturas& d);

  shell::Interaccion& ui_;
};

}  // namespace arbelio::results
