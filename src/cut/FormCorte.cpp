#include "cut/FormCorte.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "cut/GuardarCorte.h"
#include "cut/MapaCorteQt.h"
#include "cut/VisorDatosCorte.h"
#include "shell/MDIPrincipal.h"
#include "shell/OrdenQt.h"
#include "shell/TablaModeloQt.h"

namespace arbelio::cut {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QLabel* Etiqueta(const char* texto, QWidget* padre) {
  return new QLabel(QString::fromUtf8(texto), padre);
}

// The red of an invalid typed value (colour value 255).
constexpr const char* kEstiloRojo = "color: rgb(255, 0, 0);";

}  // namespace

void ComboCorteQt::showPopup() {
  if (alDesplegar) alDesplegar();
  QComboBox::showPopup();
}

FormCorte::FormCorte(EstadoAplicacion& estado, shell::MDIPrincipal& principal, QWidget* padre)
    : QWidget(padre), estado_(estado), principal_(principal), herramienta_(estado) {
  setObjectName("FormCorte");
  setWindowTitle(QString::fromUtf8(kCaptionFormCorte));

  // The criterion tabs are built first: the frame "Aplicar Criterios:" names their grids.
  auto* frameCriterios = new QGroupBox(QString::fromUtf8(textos::FrameCriterios), this);
  frameCriterios->setObjectName("FrameCriterios");
  SSTabCriterios = new QTabWidget(frameCriterios);
  SSTabCriterios->setObjectName("SSTabCriterios");
  SSTabCriterios->addTab(solapaEspecies(), QString::fromUtf8(kSolapas[0]));
  SSTabCriterios->addTab(solapaMasa(), QString::fromUtf8(kSolapas[1]));
  SSTabCriterios->addTab(solapaUtm(), QString::fromUtf8(kSolapas[2]));
  ComboMunProvincias =
      nuevoCombo("ComboMunProvincias", herramienta_.ComboMunProvincias,
                 [this](std::size_t i) { herramienta_.ComboMunProvincias_Click(i); });
  ComboMunicipios = nuevoCombo("ComboMunicipios", herramienta_.ComboMunicipios);
  CommandOKMunicipios =
      botonOK("CommandOKMunicipios", [this] { return herramienta_.CommandOKMunicipios_Click(); });
  SSTabCriterios->addTab(
      solapaCodigos(kCriterioMunicipios, ComboMunProvincias, ComboMunicipios, textos::Municipio,
                    CommandOKMunicipios, textos::MunicipiosSeleccionados),
      QString::fromUtf8(kSolapas[3]));
  ComboParcProvincia =
      nuevoCombo("ComboParcProvincia", herramienta_.ComboParcProvincia,
                 [this](std::size_t i) { herramienta_.ComboParcProvincia_Click(i); });
  ComboParcelas = nuevoCombo("ComboParcelas", herramienta_.ComboParcelas);
  CommandOKParcelas =
      botonOK("CommandOKParcelas", [this] { return herramienta_.CommandOKParcelas_Click(); });
  SSTabCriterios->addTab(
      solapaCodigos(kCriterioParcelas, ComboParcProvincia, ComboParcelas, textos::Parcela,
                    CommandOKParcelas, textos::ParcelasSeleccionadas),
      QString::fromUtf8(kSolapas[4]));
  TextInforme = new QPlainTextEdit(this);
  TextInforme->setObjectName("TextInforme");
  TextInforme->setReadOnly(true);  // every key is discarded
  SSTabCriterios->addTab(TextInforme, QString::fromUtf8(kSolapas[5]));
  auto* disposicionCriterios = new QVBoxLayout(frameCriterios);
  disposicionCriterios->addWidget(SSTabCriterios);
  connect(SSTabCriterios, &QTabWidget::currentChanged, this, [this](int i) {
    if (pintando_) return;
    herramienta_.SSTabCriterios_Click(i);
    pintar();
  });

  auto* izquierda = new QVBoxLayout;
  izquierda->addWidget(marcoAplicar());
  izquierda->addWidget(frameCriterios, 1);
  auto* disposicion = new QHBoxLayout(this);
  disposicion->addLayout(izquierda, 5);
  disposicion->addWidget(marcoResumen(), 2);
  mapaCorte = new PanelMapaCorteQt(principal_.interaccion(), this);
  disposicion->addWidget(mapaCorte, 3);
  resize(1280, 640);
}

FormCorte::~FormCorte() {
  herramienta_.Descargar();
}

void FormCorte::orden(std::function<void()> hacer) {
  shell::EjecutarOrden(principal_.interaccion(), shell::FalloOrden::Prefijo("Error "), hacer);
  pintar();
}

ComboCorteQt* FormCorte::nuevoCombo(const char* nombre, ComboCorte& modelo,
                                    std::function<void(std::size_t)> alElegir) {
  auto* c = new ComboCorteQt(this);
  c->setObjectName(nombre);
  c->setEditable(modelo.editable);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setMinimumContentsLength(6);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combos_.push_back({c, &modelo});
  const ComboEnlazado enlace = combos_.back();
  connect(c, &QComboBox::activated, this, [this, enlace, alElegir](int i) {
    if (pintando_ || i < 0) return;
    orden([&] {
      if (alElegir) {
        alElegir(static_cast<std::size_t>(i));
      } else {
        enlace.modelo->Elegir(static_cast<std::size_t>(i));
      }
    });
  });
  if (modelo.editable) {
    connect(c, &QComboBox::editTextChanged, this, [this, enlace](const QString& t) {
      if (pintando_) return;
      enlace.modelo->Escribir(t.toStdString());
      pintarCombo(enlace);
    });
    c->alDesplegar = [this, enlace] {
      enlace.modelo->Desplegar();
      pintarCombo(enlace);
    };
  }
  return c;
}

QPushButton* FormCorte::botonOK(const char* nombre, std::function<bool()> ok) {
  auto* b = new QPushButton(this);
  b->setObjectName(nombre);
  b->setIcon(QIcon(Q(estado_.rutas.Images + "/" + textos::FlechaDerecha)));
  b->setIconSize(QSize(24, 24));
  b->setFixedSize(40, 34);
  shell::ConectarOrden(b, &QPushButton::clicked, principal_.interaccion(), [this, ok] {
    ok();
    pintar();
  });
  return b;
}

QWidget* FormCorte::rejilla(int criterio, const char* titulo) {
  auto* caja = new QWidget(this);
  auto* v = new QVBoxLayout(caja);
  v->setContentsMargins(0, 0, 0, 0);
  v->addWidget(Etiqueta(titulo, caja));
  auto* vista = new QTableView(caja);
  vista->setObjectName(TiposCriterio()[static_cast<std::size_t>(criterio)].rejilla);
  auto* modelo = new shell::TablaModeloQt(
      herramienta_.criterios.rejillas[static_cast<std::size_t>(criterio)], vista);
  vista->setModel(modelo);
  vista->verticalHeader()->hide();
  vista->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  vista->setMinimumWidth(240);
  vista->verticalHeader()->setDefaultSectionSize(22);
  vista->setEditTriggers(QAbstractItemView::NoEditTriggers);
  vista->setSelectionBehavior(QAbstractItemView::SelectRows);
  vista->setSelectionMode(QAbstractItemView::SingleSelection);
  vista->setStyleSheet("QTableView { background: white; }");
  vista->viewport()->installEventFilter(this);
  modelos_[static_cast<std::size_t>(criterio)] = modelo;
  rejillas[static_cast<std::size_t>(criterio)] = vista;
  v->addWidget(vista, 1);
  return caja;
}

QWidget* FormCorte::solapaEspecies() {
  auto* w = new QWidget(this);
  ComboEspeciesPresentes =
      nuevoCombo("ComboEspeciesPresentes", herramienta_.ComboEspeciesPresentes);
  ComboEspeciesPresentes->setMinimumContentsLength(22);
  ComboMayorMenor = nuevoCombo("ComboMayorMenor", herramienta_.ComboMayorMenor);
  ComboUmbralAB = nuevoCombo("ComboUmbralAB", herramienta_.ComboUmbralAB);
  ComboMasMenos = nuevoCombo("ComboMasMenos", herramienta_.ComboMasMenos);
  ComboUmbralPM = nuevoCombo("ComboUmbralPM", herramienta_.ComboUmbralPM);
  CommandOKEspecies =
      botonOK("CommandOKEspecies", [this] { return herramienta_.CommandOKEspecies_Click(); });

  auto* frame1 = new QGroupBox(QString::fromUtf8(textos::Frame1), w);
  frame1->setObjectName("Frame1");
  OptionO = new QRadioButton(QString::fromUtf8(textos::OptionO), frame1);
  OptionO->setObjectName("OptionO");
  OptionY = new QRadioButton(QString::fromUtf8(textos::OptionY), frame1);
  OptionY->setObjectName("OptionY");
  auto* f1 = new QHBoxLayout(frame1);
  f1->addWidget(OptionO);
  f1->addWidget(OptionY);
  connect(OptionY, &QRadioButton::toggled, this, [this](bool y) {
    if (pintando_) return;
    herramienta_.criterios.OptionY = y;
  });

  auto* g = new QGridLayout;
  g->addWidget(Etiqueta(textos::Especie, w), 0, 0);
  g->addWidget(ComboEspeciesPresentes, 0, 1, 1, 2);
  g->addWidget(Etiqueta(textos::AreaBasimetrica, w), 1, 0);
  g->addWidget(Etiqueta(textos::UnidadesAB, w), 2, 0);
  g->addWidget(ComboMayorMenor, 2, 1);
  g->addWidget(ComboUmbralAB, 2, 2);
  g->addWidget(Etiqueta(textos::PiesMayores, w), 3, 0);
  g->addWidget(Etiqueta(textos::UnidadesPM, w), 4, 0);
  g->addWidget(ComboMasMenos, 4, 1);
  g->addWidget(ComboUmbralPM, 4, 2);
  g->addWidget(frame1, 5, 0, 1, 3);
  g->setRowStretch(6, 1);
  auto* h = new QHBoxLayout(w);
  h->addLayout(g);
  h->addWidget(CommandOKEspecies);
  h->addWidget(rejilla(kCriterioEspecies, textos::EspeciesSeleccionadas), 1);
  return w;
}

QWidget* FormCorte::solapaMasa() {
  auto* w = new QWidget(this);
  ComboMasaABMayMen = nuevoCombo("ComboMasaABMayMen", herramienta_.ComboMasaABMayMen);
  ComboVarMasaAB = nuevoCombo("ComboVarMasaAB", herramienta_.ComboVarMasaAB);
  ComboMasaPMMayMen = nuevoCombo("ComboMasaPMMayMen", herramienta_.ComboMasaPMMayMen);
  ComboVarMasaPM = nuevoCombo("ComboVarMasaPM", herramienta_.ComboVarMasaPM);
  CommandOKMasa = botonOK("CommandOKMasa", [this] { return herramienta_.CommandOKMasa_Click(); });
  auto* g = new QGridLayout;
  g->addWidget(Etiqueta(textos::VariablesDeMasa, w), 0, 0, 1, 3);
  g->addWidget(Etiqueta(textos::MasaAB, w), 1, 0, 1, 3);
  g->addWidget(ComboMasaABMayMen, 2, 1);
  g->addWidget(ComboVarMasaAB, 2, 2);
  g->addWidget(Etiqueta(textos::MasaPM, w), 3, 0, 1, 3);
  g->addWidget(ComboMasaPMMayMen, 4, 1);
  g->addWidget(ComboVarMasaPM, 4, 2);
  g->setRowStretch(5, 1);
  auto* h = new QHBoxLayout(w);
  h->addLayout(g);
  h->addWidget(CommandOKMasa);
  h->addWidget(rejilla(kCriterioMasa, textos::CriteriosDeMasa), 1);
  return w;
}

QWidget* FormCorte::solapaUtm() {
  auto* w = new QWidget(this);
  ComboHusos = nuevoCombo("ComboHusos", herramienta_.ComboHusos,
                          [this](std::size_t i) { herramienta_.ComboHusos_Click(i); });
  ComboX1 = nuevoCombo("ComboX1", herramienta_.ComboX1);
  ComboY1 = nuevoCombo("ComboY1", herramienta_.ComboY1);
  ComboX2 = nuevoCombo("ComboX2", herramienta_.ComboX2);
  ComboY2 = nuevoCombo("ComboY2", herramienta_.ComboY2);
  std::array<ComboCorteQt*, 4> esquinas = {ComboX1, ComboY1, ComboX2, ComboY2};
  for (std::size_t i = 0; i < esquinas.size(); ++i)
    esquinas[i]->lineEdit()->setPlaceholderText(QString::fromUtf8(textos::EsquinasUtm[i]));
  LabelHuso = new QLabel(w);
  LabelHuso->setObjectName("LabelHuso");
  CommandOKCoord =
      botonOK("CommandOKCoord", [this] { return herramienta_.CommandOKCoord_Click(); });
  auto* g = new QGridLayout;
  g->addWidget(LabelHuso, 0, 0, 1, 2);
  g->addWidget(Etiqueta(textos::LabelHusoActual, w), 1, 0);
  g->addWidget(ComboHusos, 1, 1);
  g->addWidget(Etiqueta(textos::CoordenadasUtm, w), 2, 0, 1, 2);
  g->addWidget(ComboX1, 3, 0);
  g->addWidget(ComboY1, 3, 1);
  g->addWidget(ComboX2, 4, 0);
  g->addWidget(ComboY2, 4, 1);
  g->setRowStretch(5, 1);
  auto* h = new QHBoxLayout(w);
  h->addLayout(g);
  h->addWidget(CommandOKCoord);
  h->addWidget(rejilla(kCriterioUtm, textos::Recintos), 1);
  return w;
}

QWidget* FormCorte::solapaCodigos(int criterio, ComboCorteQt* provincia, ComboCorteQt* codigo,
                                  const char* etiquetaCodigo, QPushButton* ok, const char* titulo) {
  auto* w = new QWidget(this);
  auto* g = new QGridLayout;
  g->addWidget(Etiqueta(textos::Provincia, w), 0, 0);
  g->addWidget(provincia, 0, 1);
  g->addWidget(Etiqueta(etiquetaCodigo, w), 1, 0);
  g->addWidget(codigo, 1, 1);
  g->setRowStretch(2, 1);
  auto* h = new QHBoxLayout(w);
  h->addLayout(g);
  h->addWidget(ok);
  h->addWidget(rejilla(criterio, titulo), 1);
  return w;
}

QGroupBox* FormCorte::marcoAplicar() {
  auto* frame2 = new QGroupBox(QString::fromUtf8(textos::Frame2), this);
  frame2->setObjectName("Frame2");
  CheckEliminarParcelasCeroPM =
      new QCheckBox(QString::fromUtf8(textos::CheckEliminarParcelasCeroPM), frame2);
  CheckEliminarParcelasCeroPM->setObjectName("CheckEliminarParcelasCeroPM");
  connect(CheckEliminarParcelasCeroPM, &QCheckBox::toggled, this, [this](bool v) {
    if (!pintando_) herramienta_.criterios.CheckEliminarParcelasCeroPM = v;
  });

  OptionAplicarUno = new QRadioButton(QString::fromUtf8(textos::OptionAplicarUno), frame2);
  OptionAplicarUno->setObjectName("OptionAplicarUno");
  CommandAplicarUno = new QPushButton(QString::fromUtf8(textos::CommandAplicar), frame2);
  CommandAplicarUno->setObjectName("CommandAplicarUno");
  CommandAplicarUno->setIcon(QIcon(Q(estado_.rutas.Images + "/" + textos::FlechaAbajo)));
  LabelSolapaActiva = new QLabel(frame2);
  LabelSolapaActiva->setObjectName("LabelSolapaActiva");
  OptionAplicarVarios = new QRadioButton(QString::fromUtf8(textos::OptionAplicarVarios), frame2);
  OptionAplicarVarios->setObjectName("OptionAplicarVarios");
  connect(OptionAplicarUno, &QRadioButton::toggled, this, [this](bool uno) {
    if (pintando_) return;
    if (uno) {
      herramienta_.OptionAplicarUno_Click();
    } else {
      herramienta_.OptionAplicarVarios_Click();
    }
    pintar();
  });

  Frame3 = new QGroupBox(frame2);
  Frame3->setObjectName("Frame3");
  auto* f3 = new QGridLayout(Frame3);
  for (int i = 0; i < kNumCriterios; ++i) {
    auto* check = new QCheckBox(Frame3);
    check->setObjectName(QStringLiteral("CheckCriterio%1").arg(i));
    auto* etiqueta = new QLabel(Frame3);
    etiqueta->setObjectName(QStringLiteral("LabelCriterio%1").arg(i));
    auto* h = new QHBoxLayout;
    h->setSpacing(2);
    h->addWidget(check);
    h->addWidget(etiqueta);
    h->addStretch();
    f3->addLayout(h, 0, i);
    CheckCriterio[static_cast<std::size_t>(i)] = check;
    LabelCriterio[static_cast<std::size_t>(i)] = etiqueta;
    connect(check, &QCheckBox::toggled, this, [this, i](bool v) {
      if (!pintando_) herramienta_.criterios.CheckCriterio[static_cast<std::size_t>(i)] = v;
    });
  }
  Label26 = Etiqueta(textos::Label26, Frame3);
  Label26->setObjectName("Label26");
  OptionTodosCriterios = new QRadioButton(QString::fromUtf8(textos::OptionTodosCriterios), Frame3);
  OptionTodosCriterios->setObjectName("OptionTodosCriterios");
  OptionAlgunCriterio = new QRadioButton(QString::fromUtf8(textos::OptionAlgunCriterio), Frame3);
  OptionAlgunCriterio->setObjectName("OptionAlgunCriterio");
  connect(OptionTodosCriterios, &QRadioButton::toggled, this, [this](bool v) {
    if (!pintando_) herramienta_.criterios.OptionTodosCriterios = v;
  });
  CommandAplicarVarios = new QPushButton(QString::fromUtf8(textos::CommandAplicar), Frame3);
  CommandAplicarVarios->setObjectName("CommandAplicarVarios");
  f3->addWidget(Label26, 1, 0, 1, kNumCriterios);
  auto* opciones = new QHBoxLayout;
  opciones->addWidget(OptionTodosCriterios);
  opciones->addWidget(OptionAlgunCriterio);
  opciones->addStretch();
  opciones->addWidget(CommandAplicarVarios);
  f3->addLayout(opciones, 2, 0, 1, kNumCriterios);

  auto& ui = principal_.interaccion();
  shell::ConectarOrden(CommandAplicarUno, &QPushButton::clicked, ui, [this] {
    herramienta_.CommandAplicarUno_Click(principal_.interaccion());
    pintar();
    if (alAplicar) alAplicar();
  });
  shell::ConectarOrden(CommandAplicarVarios, &QPushButton::clicked, ui, [this] {
    herramienta_.CommandAplicarVarios_Click(principal_.interaccion());
    pintar();
    if (alAplicar) alAplicar();
  });

  auto* g = new QGridLayout(frame2);
  g->addWidget(CheckEliminarParcelasCeroPM, 0, 0, 1, 3);
  g->addWidget(OptionAplicarUno, 1, 0);
  g->addWidget(CommandAplicarUno, 1, 1);
  g->addWidget(LabelSolapaActiva, 1, 2);
  g->addWidget(OptionAplicarVarios, 2, 0);
  g->addWidget(Frame3, 2, 1, 1, 2);
  g->setColumnStretch(2, 1);
  return frame2;
}

QGroupBox* FormCorte::marcoResumen() {
  auto* marco = new QGroupBox(QString::fromUtf8(textos::FrameResumen), this);
  marco->setObjectName("FrameResumen");
  CommandVerDatosCorte = new QPushButton(QString::fromUtf8(textos::CommandVerDatosCorte), marco);
  CommandVerDatosCorte->setObjectName("CommandVerDatosCorte");
  shell::ConectarOrden(CommandVerDatosCorte, &QPushButton::clicked, principal_.interaccion(),
                       [this] {
                         if (abrirVisor) abrirVisor();
                       });
  auto valor = [marco](const char* nombre) {
    auto* l = new QLabel(marco);
    l->setObjectName(nombre);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(80);
    return l;
  };
  LabelRNParc = valor("LabelRNParc");
  LabelRNPM = valor("LabelRNPM");
  LabelRNpme = valor("LabelRNpme");
  LabelRNEsp = valor("LabelRNEsp");
  LabelRNPcero = valor("LabelRNPcero");
  Label29 = Etiqueta(kCaptionRNPcero, marco);
  Label29->setObjectName("Label29");
  ListEspeciesdistintas = new QListWidget(marco);
  ListEspeciesdistintas->setObjectName("ListEspeciesdistintas");
  LabelNotaResumen = new QLabel(marco);
  LabelNotaResumen->setObjectName("LabelNotaResumen");
  LabelNotaResumen->setWordWrap(true);
  LabelNotaResumen->setStyleSheet("font-style: italic;");
  LabelNotaResumen->hide();

  auto* g = new QGridLayout(marco);
  g->addWidget(CommandVerDatosCorte, 0, 0, 1, 2);
  g->addWidget(Etiqueta(kCaptionRNParc, marco), 1, 0);
  g->addWidget(LabelRNParc, 1, 1);
  g->addWidget(Etiqueta(kCaptionRNPM, marco), 2, 0);
  g->addWidget(LabelRNPM, 2, 1);
  g->addWidget(Etiqueta(kCaptionRNpme, marco), 3, 0);
  g->addWidget(LabelRNpme, 3, 1);
  g->addWidget(Etiqueta(kCaptionRNEsp, marco), 4, 0);
  g->addWidget(LabelRNEsp, 4, 1);
  g->addWidget(LabelNotaResumen, 1, 2, 4, 1);
  g->addWidget(Label29, 5, 0);
  g->addWidget(LabelRNPcero, 5, 1);
  g->addWidget(Etiqueta(kCaptionListaEspecies, marco), 6, 0, 1, 2);
  auto* encabezado = Etiqueta(kEncabezadoListaEspecies, marco);
  encabezado->setWordWrap(true);
  g->addWidget(encabezado, 7, 0, 1, 2);
  g->addWidget(ListEspeciesdistintas, 8, 0, 1, 2);
  g->setRowStretch(8, 1);
  return marco;
}

void FormCorte::pintarCombo(const ComboEnlazado& c) {
  const bool antes = pintando_;
  pintando_ = true;
  QSignalBlocker bloqueo(c.control);
  QStringList elementos;
  for (const std::string& e : c.modelo->elementos) elementos << Q(e);
  QStringList actuales;
  for (int i = 0; i < c.control->count(); ++i) actuales << c.control->itemText(i);
  if (actuales != elementos) {
    c.control->clear();
    c.control->addItems(elementos);
  }
  if (c.control->isEditable()) {
    if (c.control->currentText() != Q(c.modelo->texto)) c.control->setEditText(Q(c.modelo->texto));
    c.control->lineEdit()->setStyleSheet(c.modelo->rojo ? kEstiloRojo : "");
  } else {
    c.control->setCurrentIndex(static_cast<int>(elementos.indexOf(Q(c.modelo->texto))));
  }
  c.control->setToolTip(Q(c.modelo->ayuda));
  pintando_ = antes;
}

void FormCorte::pintar() {
  pintando_ = true;
  HerramientaCorte& h = herramienta_;
  const CriteriosCorte& c = h.criterios;
  for (const ComboEnlazado& e : combos_) pintarCombo(e);
  for (auto* m : modelos_) m->recargar();

  CheckEliminarParcelasCeroPM->setChecked(c.CheckEliminarParcelasCeroPM);
  OptionAplicarUno->setChecked(h.OptionAplicarUno);
  OptionAplicarVarios->setChecked(!h.OptionAplicarUno);
  CommandAplicarUno->setEnabled(h.CommandAplicarUnoHabilitado());
  const bool varios = h.AplicarVariosHabilitado();
  for (QWidget* w : std::initializer_list<QWidget*>{CommandAplicarVarios, Frame3, Label26,
                                                    OptionTodosCriterios, OptionAlgunCriterio})
    w->setEnabled(varios);
  for (int i = 0; i < kNumCriterios; ++i) {
    CheckCriterio[static_cast<std::size_t>(i)]->setChecked(
        c.CheckCriterio[static_cast<std::size_t>(i)]);
    CheckCriterio[static_cast<std::size_t>(i)]->setEnabled(varios);
    LabelCriterio[static_cast<std::size_t>(i)]->setText(
        Q(h.LabelCriterio[static_cast<std::size_t>(i)]));
    LabelCriterio[static_cast<std::size_t>(i)]->setEnabled(varios);
  }
  OptionTodosCriterios->setChecked(c.OptionTodosCriterios);
  OptionAlgunCriterio->setChecked(!c.OptionTodosCriterios);
  OptionY->setChecked(c.OptionY);
  OptionO->setChecked(!c.OptionY);
  LabelSolapaActiva->setText(Q(h.LabelSolapaActiva));
  LabelHuso->setText(Q(h.LabelHuso));
  SSTabCriterios->setCurrentIndex(h.solapa);

  const ResumenCorte& r = h.resumen;
  if (TextInforme->toPlainText() != Q(r.TextInforme)) TextInforme->setPlainText(Q(r.TextInforme));
  LabelRNParc->setText(Q(r.LabelRNParc));
  LabelRNPM->setText(Q(r.LabelRNPM));
  LabelRNpme->setText(Q(r.LabelRNpme));
  LabelRNEsp->setText(Q(r.LabelRNEsp));
  LabelRNPcero->setText(Q(r.LabelRNPcero));
  for (QLabel* l : {LabelRNParc, LabelRNPM, LabelRNpme, LabelRNEsp, LabelRNPcero})
    l->setEnabled(r.labelsHabilitadas);
  Label29->setEnabled(r.Label29Habilitada);
  const std::string nota = NotaResumenCorte(estado_);
  LabelNotaResumen->setText(Q(nota));
  LabelNotaResumen->setVisible(!nota.empty());
  ListEspeciesdistintas->clear();
  for (const std::string& e : r.ListEspeciesdistintas) ListEspeciesdistintas->addItem(Q(e));
  mapaCorte->actualizar(estado_.rutas.BDTemp, estado_.ListaParcelas);
  const bool visor = r.CommandVerDatosCorte && abrirVisor != nullptr;
  CommandVerDatosCorte->setEnabled(visor);
  CommandVerDatosCorte->setToolTip(abrirVisor ? QString()
                                              : QString::fromUtf8(kVisorCorteNoDisponible));
  if (visor && r.CommandVerDatosCorte) CommandVerDatosCorte->setFocus();
  pintando_ = false;
}

bool FormCorte::eventFilter(QObject* objeto, QEvent* evento) {
  if (evento->type() == QEvent::MouseButtonRelease) {
    for (int i = 0; i < kNumCriterios; ++i) {
      QTableView* vista = rejillas[static_cast<std::size_t>(i)];
      if (objeto != vista->viewport()) continue;
      const auto* raton = static_cast<QMouseEvent*>(evento);
      const QModelIndex indice = vista->indexAt(raton->position().toPoint());
      if (!indice.isValid()) break;
      // The row stays highlighted; the main window's pop-up acts on this grid and row.
      vista->selectRow(indice.row());
      QMenu* menu = principal_.menuEmergente();
      principal_.accion("mnuPU2EliminarFila")->setVisible(true);
      principal_.accion("mnuPU2OrdenarPorColumna")->setVisible(false);
      QPointer<FormCorte> ventana(this);
      const std::int64_t fila = indice.row();
      principal_.asignarOrden("mnuPU2EliminarFila", [ventana, i, fila] {
        if (!ventana) return;
        ventana->herramienta_.mnuPU2EliminarFila_Click(i, fila);
        ventana->rejillas[static_cast<std::size_t>(i)]->clearSelection();
        ventana->pintar();
      });
      menu->popup(raton->globalPosition().toPoint());
      break;
    }
  }
  return QWidget::eventFilter(objeto, evento);
}

// ---- The window in the main window ----

HerramientaCorte& VistaCorteQt::cargar(shell::Progreso& progreso) {
  auto* ventana = new FormCorte(estado_, principal_);
  ventana->abrirVisor = abrirVisor;
  ventana->alAplicar = alAplicar;
  QMdiArea* area = principal_.areaMdi();
  QMdiSubWindow* sub = area->addSubWindow(ventana);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowTitle(ventana->windowTitle());
  try {
    ventana->herramienta().Cargar(progreso);
  } catch (...) {
    delete sub;
    throw;
  }
  ventana_ = ventana;
  principal_.registrarVentana(shell::VentanaProyecto::FormCorte, ventana);
  sub->move(0, 0);
  mostrar();
  return ventana->herramienta();
}

void VistaCorteQt::mostrar() {
  if (!ventana_) return;
  ventana_->pintar();
  ventana_->parentWidget()->show();
  ventana_->show();
  principal_.areaMdi()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(ventana_->parentWidget()));
}

void ConectaCorte(shell::MDIPrincipal& principal, EstadoAplicacion& estado, VistaCorteQt& vista) {
  principal.asignarOrden("mnuCNuevoCorte", [&principal, &estado, &vista] {
    mnuCNuevoCorte_Click(estado, principal.interaccion(), vista);
  });
  principal.asignarOrden("mnuAGuardarCorte", [&principal, &estado] {
    mnuAGuardarCorte_Click(estado, principal.interaccion());
  });
}

}  // namespace arbelio::cut
