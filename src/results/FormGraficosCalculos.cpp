#include "results/FormGraficosCalculos.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPieSeries>
#include <QPixmap>
#include <QPushButton>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QValueAxis>

#include "shell/OrdenQt.h"

namespace arbelio::results {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// The number of a class mark as the axis shows it: decimal comma, no trailing zeros.
QString Clase(double cd) {
  return QString::number(cd, 'g', 6).replace('.', ',');
}

QChartView* Vista(QChart* grafico, QWidget* padre) {
  auto* v = new QChartView(grafico, padre);
  v->setRenderHint(QPainter::Antialiasing);
  v->setMinimumSize(360, 280);
  return v;
}

// Title, the series, the horizontal axis given and a value axis, both with their titles.
void ConEjes(QChart* grafico, const std::string& titulo, QAbstractSeries* serie,
             QAbstractAxis* ejeX, const std::string& tituloX, const std::string& tituloY) {
  grafico->setTitle(Q(titulo));
  grafico->addSeries(serie);
  ejeX->setTitleText(Q(tituloX));
  auto* ejeY = new QValueAxis;
  ejeY->setTitleText(Q(tituloY));
  grafico->addAxis(ejeX, Qt::AlignBottom);
  grafico->addAxis(ejeY, Qt::AlignLeft);
  serie->attachAxis(ejeX);
  serie->attachAxis(ejeY);
}

}  // namespace

FormGraficosCalculos::FormGraficosCalculos(const EstadoAplicacion& estado, shell::Interaccion& ui,
                                           QWidget* padre)
    : QWidget(padre), ui_(ui) {
  setObjectName("FormGraficosCalculos");
  setWindowTitle(QString::fromUtf8(kCaptionGraficos));
  Pestanas = new QTabWidget(this);
  Pestanas->setObjectName("Pestanas");
  Pestanas->addTab(distribucion(LeeDistribucionDiametrica(estado)),
                   QString::fromUtf8("Distribución diamétrica"));
  Pestanas->addTab(reparto(LeeRepartoEspecies(estado)), QString::fromUtf8("Reparto por especies"));
  Pestanas->addTab(dispersion(LeeDispersionAlturas(estado)), QString::fromUtf8("Altura-diámetro"));
  CommandGuardarGrafico = new QPushButton(QString::fromUtf8(kCaptionGuardarGrafico), this);
  CommandGuardarGrafico->setObjectName("CommandGuardarGrafico");
  static const char* kNombres[] = {"DistribucionDiametrica.png", "RepartoEspecies.png",
                                   "AlturaDiametro.png"};
  shell::ConectarOrden(CommandGuardarGrafico, &QPushButton::clicked, ui_, [this] {
    const int i = Pestanas->currentIndex();
    const auto destino = ElegirArchivoGrafico(ui_, kNombres[i]);
    if (!destino) return;
    const QByteArray bytes = destino->formato == FormatoGrafico::Svg ? Svg(i) : Png(i);
    GuardarGrafico(*destino, {bytes.constData(), static_cast<std::size_t>(bytes.size())});
  });
  auto* l = new QVBoxLayout(this);
  l->addWidget(Pestanas, 1);
  l->addWidget(CommandGuardarGrafico, 0, Qt::AlignRight);
  resize(900, 600);
}

QWidget* FormGraficosCalculos::nota(const std::string& texto) {
  auto* l = new QLabel(Q(texto));
  l->setObjectName("NotaGrafico");
  l->setWordWrap(true);
  l->setAlignment(Qt::AlignCenter);
  return l;
}

QWidget* FormGraficosCalculos::distribucion(const DistribucionDiametrica& d) {
  if (!d.nota.empty()) return nota(d.nota);
  auto* serie = new QStackedBarSeries;
  for (const SerieGrafico& s : d.series) {
    auto* barras = new QBarSet(Q(s.nombre));
    for (double v : s.valores) barras->append(v);
    serie->append(barras);
  }
  auto* grafico = new QChart;
  auto* ejeX = new QBarCategoryAxis;
  for (double cd : d.clases) ejeX->append(Clase(cd));
  ConEjes(grafico, d.titulo, serie, ejeX, d.ejeX, d.ejeY);
  grafico->legend()->setAlignment(Qt::AlignRight);
  return Vista(grafico, nullptr);
}

QWidget* FormGraficosCalculos::reparto(const RepartoEspecies& r) {
  if (!r.nota.empty()) return nota(r.nota);
  auto* pagina = new QWidget;
  auto* l = new QHBoxLayout(pagina);
  for (const auto& [titulo, valores] :
       {std::pair{&r.tituloN, &r.n}, std::pair{&r.tituloAB, &r.ab}}) {
    auto* serie = new QPieSeries;
    for (const auto& [nombre, v] : *valores) serie->append(Q(nombre), v);
    // The share of each slice in its label, for the larger ones.
    for (QPieSlice* s : serie->slices()) {
      s->setLabel(QString("%1 (%2 %)").arg(s->label()).arg(s->percentage() * 100, 0, 'f', 1));
      s->setLabelVisible(s->percentage() >= 0.05);
    }
    auto* grafico = new QChart;
    grafico->setTitle(Q(*titulo));
    grafico->addSeries(serie);
    grafico->legend()->setAlignment(Qt::AlignBottom);
    l->addWidget(Vista(grafico, pagina));
  }
  return pagina;
}

QWidget* FormGraficosCalculos::dispersion(const DispersionAlturas& d) {
  if (!d.nota.empty()) return nota(d.nota);
  auto* serie = new QScatterSeries;
  serie->setName(QString::fromUtf8("Pies mayores"));
  serie->setMarkerSize(4);
  serie->setBorderColor(Qt::transparent);
  QList<QPointF> puntos;
  puntos.reserve(static_cast<qsizetype>(d.puntos.size()));
  for (const auto& [dn, h] : d.puntos) puntos.append(QPointF(dn, h));
  serie->replace(puntos);
  auto* grafico = new QChart;
  ConEjes(grafico, d.titulo, serie, new QValueAxis, d.ejeX, d.ejeY);
  grafico->legend()->hide();
  return Vista(grafico, nullptr);
}

QByteArray FormGraficosCalculos::Png(int i) const {
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  Pestanas->widget(i)->grab().save(&b, "PNG");
  return bytes;
}

QByteArray FormGraficosCalculos::Svg(int i) const {
  QWidget* w = Pestanas->widget(i);
  QByteArray bytes;
  QBuffer b(&bytes);
  b.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&b);
  svg.setSize(w->size());
  svg.setViewBox(QRect(QPoint(0, 0), w->size()));
  svg.setTitle(Pestanas->tabText(i));
  QPainter p(&svg);
  w->render(&p);
  p.end();
  return bytes;
}

}  // namespace arbelio::results
