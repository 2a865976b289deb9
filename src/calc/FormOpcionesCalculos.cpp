#include "calc/FormOpcionesCalculos.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "shell/Ayuda.h"
#include "shell/EjecutarOrden.h"
#include "shell/FormAyuda.h"
#include "shell/OrdenQt.h"
#include "shell/TwipsQt.h"

namespace arbelio::calc {

namespace {

QString U(const char* s) {
  return QString::fromUtf8(s);
}

// Colour 255 of the number boxes is red; 0 black.
void ColorTexto(QLineEdit* caja, int color) {
  caja->setStyleSheet(color == kColorRojo ? "QLineEdit { color: red; background: white; }"
                                          : "QLineEdit { color: black; background: white; }");
}

void Marcar(QAbstractButton* b, bool marcado) {
  const QSignalBlocker bloqueo(b);
  b->setChecked(marcado);
}

}  // namespace

FormOpcionesCalculos::FormOpcionesCalculos(EstadoAplicacion& estado, shell::Interaccion& ui,
                                           QWidget* padre)
    : QDialog(padre), estado_(estado), ui_(ui), modelo_(estado) {
  setObjectName("FormOpcionesCalculos");
  setWindowTitle(U(kCaptionOpcionesCalculo));
  setWindowModality(Qt::WindowModal);
  resize(shell::Twips(kAnchoOpcionesCalculo), shell::Twips(kAltoOpcionesCalculo));

  SSTab1 = new QTabWidget(this);
  SSTab1->setObjectName("SSTab1");
  SSTab1->addTab(crearGeneral(), U("General"));
  SSTab1->addTab(crearEcuaciones(), U("Ecuaciones de cubicación"));

  CommandOpcionesCalculosAceptar = new QPushButton(U("Aceptar"), this);
  CommandOpcionesCalculosAceptar->setObjectName("CommandOpcionesCalculosAceptar");
  CommandOpcionesCalculosCancelar = new QPushButton(U("Cancelar"), this);
  CommandOpcionesCalculosCancelar->setObjectName("CommandOpcionesCalculosCancelar");
  CommandCalcular = new QPushButton(U("Calcular"), this);
  CommandCalcular->setObjectName("CommandCalcular");
  CommandAyuda = new QPushButton(U("Ayuda"), this);
  CommandAyuda->setObjectName("CommandAyuda");
  for (QPushButton* b : {CommandOpcionesCalculosAceptar, CommandOpcionesCalculosCancelar,
                         CommandCalcular, CommandAyuda})
    b->setAutoDefault(false);

  auto* botones = new QHBoxLayout;
  botones->addWidget(CommandOpcionesCalculosAceptar);
  botones->addWidget(CommandOpcionesCalculosCancelar);
  botones->addWidget(CommandCalcular);
  botones->addStretch(1);
  botones->addWidget(CommandAyuda);
  auto* columna = new QVBoxLayout(this);
  columna->addWidget(SSTab1, 1);
  columna->addLayout(botones);

  shell::ConectarOrden(CommandOpcionesCalculosAceptar, &QPushButton::clicked, ui_, [this] {
    if (modelo_.Aceptar()) hide();
    pintar();
  });
  shell::ConectarOrden(CommandOpcionesCalculosCancelar, &QPushButton::clicked, ui_, [this] {
    modelo_.Cancelar();
    hide();
  });
  shell::ConectarOrden(CommandCalcular, &QPushButton::clicked, ui_, [this] {
    if (!modelo_.Calcular()) return pintar();
    hide();
    if (calcular_) calcular_();
  });
  const auto ayuda = [this] {
    shell::MostrarAyuda(shell::kAyudaOpcionesCalculo, estado_.rutas, ui_);
  };
  shell::ConectarOrden(CommandAyuda, &QPushButton::clicked, ui_, ayuda);
  auto* f1 = new QAction(this);
  f1->setShortcut(QKeySequence::HelpContents);
  f1->setShortcutContext(Qt::WindowShortcut);
  shell::ConectarOrden(f1, &QAction::triggered, ui_, ayuda);
  addAction(f1);
  shell::ConectarOrden(CommandDefinirEcuaciones, &QPushButton::clicked, ui_, [this] {
    if (abrirEditor_ && modelo_.definirEcuacionesHabilitado()) abrirEditor_();
  });

  fijarEditorEcuaciones(nullptr);
}

QLabel* FormOpcionesCalculos::imagen(const char* archivo) {
  auto* l = new QLabel;
  l->setObjectName(QStringLiteral("Imagen_") + U(archivo));
  QPixmap p(QString::fromStdString(estado_.rutas.Images + "/" + archivo));
  if (!p.isNull()) l->setPixmap(p);
  return l;
}

QWidget* FormOpcionesCalculos::crearGeneral() {
  auto* pagina = new QWidget;

  auto* tablas = new QGroupBox(U("Tablas"));
  auto* rejillaTablas = new QGridLayout(tablas);
  for (int k = 0; k < 9; ++k) {
    auto* c = new QCheckBox(U(kCaptionsCheckTabla[static_cast<std::size_t>(k)]));
    c->setObjectName(QStringLiteral("CheckTabla_%1").arg(k));
    const char* descripcion = k == kSpecie   ? "datos medios por especie del corte"
                              : k == kCldiam ? "datos medios por clase diamétrica del corte"
                              : k == kCdspP  ? "datos por clase diamétrica de cada especie, en "
                                               "cada parcela"
                              : k == kTotals ? "datos medios del corte"
                                             : nullptr;
    if (descripcion) c->setToolTip(U(descripcion));
    CheckTabla[static_cast<std::size_t>(k)] = c;
    rejillaTablas->addWidget(c, k % 5, k / 5);
    connect(c, &QCheckBox::clicked, this,
            [this, k] { orden([this, k] { modelo_.PulsarCheckTabla(k); }); });
  }
  CheckTodasTablas = new QCheckBox(U(kCaptionCheckTodasTablas));
  CheckTodasTablas->setObjectName("CheckTodasTablas");
  rejillaTablas->addWidget(CheckTodasTablas, 4, 1);
  connect(CheckTodasTablas, &QCheckBox::clicked, this,
          [this] { orden([this] { modelo_.PulsarCheckTodasTablas(); }); });

  auto* clase = new QGroupBox(U("Clase Diamétrica"));
  auto* filaClase = new QHBoxLayout(clase);
  TextAnchoClaseDiametrica = new QLineEdit;
  TextAnchoClaseDiametrica->setObjectName("TextAnchoClaseDiametrica");
  TextAnchoClaseDiametrica->setMaximumWidth(shell::Twips(900));
  filaClase->addWidget(new QLabel(U("Ancho de Clase Diamétrica =")));
  filaClase->addWidget(TextAnchoClaseDiametrica);
  filaClase->addWidget(new QLabel(U("cm")));
  filaClase->addStretch(1);
  connect(TextAnchoClaseDiametrica, &QLineEdit::textEdited, this, [this](const QString& t) {
    orden([this, t] { modelo_.EscribirAnchoClase(t.toStdString()); });
  });

  auto* hart = new QGroupBox(U("Índice de Hart"));
  auto* rejillaHart = new QGridLayout(hart);
  Option1 = new QRadioButton(U("Usar Índice de Hart-Becking"));
  Option1->setObjectName("Option1");
  Option2 = new QRadioButton(U("Usar Índice de Hart"));
  Option2->setObjectName("Option2");
  auto* grupoHart = new QButtonGroup(this);
  grupoHart->addButton(Option1, 1);
  grupoHart->addButton(Option2, 2);
  rejillaHart->addWidget(Option1, 0, 0);
  rejillaHart->addWidget(imagen(kImagenesOpcionesCalculo[0]), 0, 1);
  rejillaHart->addWidget(Option2, 1, 0);
  rejillaHart->addWidget(imagen(kImagenesOpcionesCalculo[1]), 1, 1);
  rejillaHart->setColumnStretch(2, 1);
  connect(grupoHart, &QButtonGroup::idClicked, this,
          [this](int id) { orden([this, id] { modelo_.SeleccionarHart(id); }); });

  auto* reineke = new QGroupBox(U("Índice de Reineke"));
  auto* rejillaReineke = new QGridLayout(reineke);
  Option3 = new QRadioButton;
  Option3->setObjectName("Option3");
  Option4 = new QRadioButton;
  Option4->setObjectName("Option4");
  TextBetaReineke = new QLineEdit;
  TextBetaReineke->setObjectName("TextBetaReineke");
  TextBetaReineke->setMaximumWidth(shell::Twips(900));
  auto* grupoReineke = new QButtonGroup(this);
  grupoReineke->addButton(Option3, 3);
  grupoReineke->addButton(Option4, 4);
  rejillaReineke->addWidget(imagen(kImagenesOpcionesCalculo[2]), 0, 0, 1, 4);
  rejillaReineke->addWidget(Option3, 1, 0);
  rejillaReineke->addWidget(imagen(kImagenesOpcionesCalculo[3]), 1, 1);
  rejillaReineke->addWidget(new QLabel(U("=  -1,605")), 1, 2);
  rejillaReineke->addWidget(Option4, 2, 0);
  rejillaReineke->addWidget(imagen(kImagenesOpcionesCalculo[3]), 2, 1);
  rejillaReineke->addWidget(TextBetaReineke, 2, 2);
  rejillaReineke->setColumnStretch(3, 1);
  connect(grupoReineke, &QButtonGroup::idClicked, this,
          [this](int id) { orden([this, id] { modelo_.SeleccionarReineke(id); }); });
  connect(TextBetaReineke, &QLineEdit::textEdited, this, [this](const QString& t) {
    orden([this, t] { modelo_.EscribirBetaReineke(t.toStdString()); });
  });

  auto* columna = new QVBoxLayout(pagina);
  columna->addWidget(tablas);
  columna->addWidget(clase);
  columna->addWidget(hart);
  columna->addWidget(reineke);
  columna->addStretch(1);
  return pagina;
}

QWidget* FormOpcionesCalculos::crearEcuaciones() {
  auto* pagina = new QWidget;

  const auto casilla = [this](int i, const char* caption) {
    auto* c = new QCheckBox(U(caption));
    c->setObjectName(QStringLiteral("Check1_%1").arg(i));
    Check1[static_cast<std::size_t>(i)] = c;
    connect(c, &QCheckBox::clicked, this,
            [this, i, c] { orden([this, i, c] { modelo_.FijarCheck1(i, c->isChecked()); }); });
    return c;
  };

  auto* variables = new QGroupBox(U("Variables"));
  auto* columnaVariables = new QVBoxLayout(variables);
  auto* texto =
      new QLabel(U("Seleccionar las variables que se desean calcular, según ecuaciones de KAV :"));
  texto->setWordWrap(true);
  columnaVariables->addWidget(texto);
  columnaVariables->addWidget(casilla(0, "VCC    (Volumen Maderable con Corteza)"));
  columnaVariables->addWidget(casilla(1, "VSC   (Volumen Maderable Sin Corteza)"));
  columnaVariables->addWidget(casilla(2, "IAVC      (Incremento Anual del Volumen con Corteza)"));
  columnaVariables->addWidget(casilla(3, "VLE       (Volumen de Leñas Gruesas)"));

  auto* alcornoques = new QGroupBox(U("Especial Alcornoques"));
  auto* columnaAlcornoques = new QVBoxLayout(alcornoques);
  columnaAlcornoques->addWidget(casilla(6, "SDCH        (Superficie de descorche)"));
  columnaAlcornoques->addWidget(casilla(7, "IDCH         (Intensidad de descorche)"));

  auto* metodo = new QGroupBox(U("Método de cálculo"));
  auto* columnaMetodo = new QVBoxLayout(metodo);
  Option5 = new QRadioButton(U("Usar las ecuaciones del KAV"));
  Option5->setObjectName("Option5");
  Option6 =
      new QRadioButton(U("Usar las ecuaciones del KAV, salvo en los casos definidos por el "
                         "usuario"));
  Option6->setObjectName("Option6");
  Option7 = new QRadioButton(U("Usar solo ecuaciones definidas por el usuario"));
  Option7->setObjectName("Option7");
  auto* grupoMetodo = new QButtonGroup(this);
  grupoMetodo->addButton(Option5, 1);
  grupoMetodo->addButton(Option6, 2);
  grupoMetodo->addButton(Option7, 3);
  CommandDefinirEcuaciones = new QPushButton(U("Definir Ecuaciones"));
  CommandDefinirEcuaciones->setObjectName("CommandDefinirEcuaciones");
  CommandDefinirEcuaciones->setAutoDefault(false);
  columnaMetodo->addWidget(Option5);
  columnaMetodo->addWidget(Option6);
  columnaMetodo->addWidget(Option7);
  auto* filaDefinir = new QHBoxLayout;
  filaDefinir->addStretch(1);
  filaDefinir->addWidget(CommandDefinirEcuaciones);
  columnaMetodo->addLayout(filaDefinir);
  connect(grupoMetodo, &QButtonGroup::idClicked, this,
          [this](int id) { orden([this, id] { modelo_.SeleccionarMetodo(id); }); });

  auto* columna = new QVBoxLayout(pagina);
  columna->addWidget(variables);
  columna->addWidget(alcornoques);
  columna->addWidget(metodo);
  columna->addStretch(1);
  return pagina;
}

void FormOpcionesCalculos::fijarEditorEcuaciones(std::function<void()> abrir) {
  abrirEditor_ = std::move(abrir);
  modelo_.fijarEditorEcuaciones(static_cast<bool>(abrirEditor_));
  pintar();
}

void FormOpcionesCalculos::orden(const std::function<void()>& accion) {
  shell::EjecutarOrden(ui_, shell::FalloOrden::Prefijo("Error "), [&] {
    accion();
    pintar();
  });
}

void FormOpcionesCalculos::mostrar() {
  modelo_.Mostrar();
  pintar();
  show();
  raise();
  activateWindow();
}

void FormOpcionesCalculos::reject() {
  modelo_.Cancelar();
  hide();
}

void FormOpcionesCalculos::pintar() {
  for (int k = 0; k < 9; ++k)
    Marcar(CheckTabla[static_cast<std::size_t>(k)], modelo_.checkTabla(k));
  Marcar(CheckTodasTablas, modelo_.checkTodasTablas());
  Marcar(modelo_.opcionHart() == 1 ? Option1 : Option2, true);
  Marcar(modelo_.opcionReineke() == 3 ? Option3 : Option4, true);
  Marcar(modelo_.metodo() == 1 ? Option5 : modelo_.metodo() == 2 ? Option6 : Option7, true);
  for (int i : {0, 1, 2, 3, 6, 7}) {
    QCheckBox* c = Check1[static_cast<std::size_t>(i)];
    Marcar(c, modelo_.check1(i));
    c->setEnabled(modelo_.variablesHabilitadas());
  }
  for (auto [caja, texto, color] :
       {std::tuple{TextAnchoClaseDiametrica, &modelo_.textAnchoClase(), modelo_.colorAnchoClase()},
        std::tuple{TextBetaReineke, &modelo_.textBetaReineke(), modelo_.colorBetaReineke()}}) {
    const QString t = QString::fromStdString(*texto);
    if (caja->text() != t) {
      const QSignalBlocker bloqueo(caja);
      caja->setText(t);
    }
    ColorTexto(caja, color);
  }
  TextBetaReineke->setEnabled(modelo_.textBetaReinekeHabilitado());
  CommandDefinirEcuaciones->setEnabled(modelo_.definirEcuacionesHabilitado());
  CommandDefinirEcuaciones->setToolTip(QString::fromStdString(modelo_.ayudaDefinirEcuaciones()));
  CommandOpcionesCalculosAceptar->setEnabled(modelo_.aceptarHabilitado());
  CommandCalcular->setEnabled(modelo_.calcularHabilitado());
}

}  // namespace arbelio::calc
