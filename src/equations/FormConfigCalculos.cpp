#include "equations/FormConfigCalculos.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include "calc/HazCalculos.h"
#include "calc/Pasadas.h"
#include "import/BaseDatosTrabajo.h"
#include "results/CalculosVentanaQt.h"
#include "shell/FormAyuda.h"
#include "shell/FuenteTexto.h"
#include "shell/MDIPrincipal.h"
#include "shell/OrdenQt.h"
#include "shell/Progreso.h"
#include "shell/TablaModeloQt.h"
#include "shell/TwipsQt.h"

namespace arbelio::equations {

namespace {

QString U(const std::string& s) {
  return QString::fromStdString(s);
}

QStringList Lista(const std::vector<std::string>& items) {
  QStringList r;
  for (const auto& i : items) r << U(i);
  return r;
}

QComboBox* Combo(const char* nombre, bool editable) {
  auto* c = new QComboBox;
  c->setObjectName(nombre);
  c->setEditable(editable);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setStyleSheet("QComboBox { background: white; }");
  return c;
}

// The combo shows the model's items, choice, text and enabled state; without signals.
void PintarCombo(QComboBox* c, const ComboEditor& m) {
  const QSignalBlocker bloqueo(c);
  const QStringList items = Lista(m.items);
  QStringList actuales;
  for (int i = 0; i < c->count(); ++i) actuales << c->itemText(i);
  if (actuales != items) {
    c->clear();
    c->addItems(items);
  }
  if (c->isEditable()) {
    c->setCurrentIndex(m.indice);
    if (c->lineEdit()->text() != U(m.texto)) c->lineEdit()->setText(U(m.texto));
  } else {
    c->setCurrentIndex(m.indice);
  }
  c->setEnabled(m.habilitado);
}

QTableView* Rejilla(const char* nombre, shell::TablaModeloQt* modelo) {
  auto* v = new QTableView;
  v->setObjectName(nombre);
  v->setModel(modelo);
  v->verticalHeader()->hide();
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  v->setStyleSheet("QTableView { background: white; selection-color: white; }");
  return v;
}

// Column widths from the format text: its characters, blanks included, in the grid's font.
void AnchosDeFormato(QTableView* v, const std::string& formato) {
  const QFontMetrics fm(v->font());
  const auto columnas = ColumnasDeFormato(formato);
  for (std::size_t i = 0; i < columnas.size(); ++i) {
    const int texto = fm.horizontalAdvance(U(columnas[i].cabecera));
    const int ancho = static_cast<int>(columnas[i].caracteres) * fm.averageCharWidth();
    v->setColumnWidth(static_cast<int>(i), std::max(texto, ancho) + 12);
  }
}

}  // namespace

FormConfigCalculos::FormConfigCalculos(EstadoAplicacion& estado, shell::Interaccion& ui,
                                       QWidget* padre)
    : QDialog(padre), estado_(estado), ui_(ui), modelo_(estado) {
  setObjectName("FormConfigCalculos");
  setWindowTitle(U(kCaptionConfigCalculos));
  resize(shell::Twips(kAnchoConfigCalculos), shell::Twips(kAltoConfigCalculos));

  LabelConjunto = new QLabel(U(kTextoConjunto));
  LabelConjunto->setObjectName("LabelConjunto");
  LabelConjunto->setWordWrap(true);
  FrameArboles = new QGroupBox(U(kFrameArboles));
  FrameArboles->setObjectName("FrameArboles");
  ComboEspecie = Combo("ComboEspecie", false);
  ComboForma = Combo("ComboForma", false);
  ComboCalidad = Combo("ComboCalidad", false);
  auto* arboles = new QHBoxLayout(FrameArboles);
  QComboBox* const conjunto[] = {ComboEspecie, ComboForma, ComboCalidad};
  for (std::size_t i = 0; i < 3; ++i) {
    arboles->addWidget(new QLabel(U(kEtiquetasEditor[i])));
    arboles->addWidget(conjunto[i], 1);
  }

  LabelEcuacion = new QLabel(U(kTextoEcuacion));
  LabelEcuacion->setObjectName("LabelEcuacion");
  LabelEcuacion->setWordWrap(true);
  FrameEcuaciones = new QGroupBox(U(kFrameEcuaciones));
  FrameEcuaciones->setObjectName("FrameEcuaciones");
  ComboVariable = Combo("ComboVariable", false);
  ComboBoxEq = Combo("ComboBoxEq", true);
  // The formula field holds what the store's formula column holds.
  ComboBoxEq->lineEdit()->setMaxLength(254);
  ComboParamName = Combo("ComboParamName", false);
  ComboParamValor = Combo("ComboParamValor", true);
  LabelEstadoEq = new QLabel;
  LabelEstadoEq->setObjectName("LabelEstadoEq");
  LabelEstadoEq->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* ecuaciones = new QGridLayout(FrameEcuaciones);
  ecuaciones->addWidget(new QLabel(U(kEtiquetasEditor[3])), 0, 0);
  ecuaciones->addWidget(ComboVariable, 0, 1);
  ecuaciones->addWidget(new QLabel(U(kEtiquetasEditor[4])), 1, 0);
  ecuaciones->addWidget(ComboBoxEq, 1, 1, 1, 2);
  ecuaciones->addWidget(new QLabel(U(kEtiquetasEditor[5])), 2, 0);
  ecuaciones->addWidget(ComboParamName, 2, 1);
  ecuaciones->addWidget(ComboParamValor, 2, 2);
  ecuaciones->addWidget(new QLabel(U(kEtiquetasEditor[6])), 3, 0);
  ecuaciones->addWidget(LabelEstadoEq, 3, 1, 1, 2);
  ecuaciones->setColumnStretch(1, 1);
  ecuaciones->setColumnStretch(2, 1);

  filasEcuaciones_ =
      std::make_shared<shell::FuenteTexto>(ColumnasRejilla(FormatoRejillaEcuaciones()));
  rejillaEcuaciones_ = new shell::TablaModeloQt(filasEcuaciones_, this);
  MSFlexGridEcuacionesUsuario = Rejilla("MSFlexGridEcuacionesUsuario", rejillaEcuaciones_);
  MSFlexGridEcuacionesUsuario->setSelectionMode(QAbstractItemView::SingleSelection);
  AnchosDeFormato(MSFlexGridEcuacionesUsuario, FormatoRejillaEcuaciones());
  filasParametros_ =
      std::make_shared<shell::FuenteTexto>(ColumnasRejilla(FormatoRejillaParametros()));
  rejillaParametros_ = new shell::TablaModeloQt(filasParametros_, this);
  MSFlexGridParametrosUsuario = Rejilla("MSFlexGridParametrosUsuario", rejillaParametros_);
  // Its rows are highlighted by the dialog, never chosen by the user.
  MSFlexGridParametrosUsuario->setSelectionMode(QAbstractItemView::MultiSelection);
  MSFlexGridParametrosUsuario->setAttribute(Qt::WA_TransparentForMouseEvents);
  MSFlexGridParametrosUsuario->setFocusPolicy(Qt::NoFocus);
  AnchosDeFormato(MSFlexGridParametrosUsuario, FormatoRejillaParametros());

  LabelContadorCalculos = new QLabel;
  LabelContadorCalculos->setObjectName("LabelContadorCalculos");
  CommandAceptar = new QPushButton(U(kCaptionAceptar));
  CommandAceptar->setObjectName("CommandAceptar");
  CommandBorrar = new QPushButton(U(kCaptionBorrar));
  CommandBorrar->setObjectName("CommandBorrar");
  CommandAyuda = new QPushButton(U(kCaptionAyuda));
  CommandAyuda->setObjectName("CommandAyuda");
  CommandTerminar = new QPushButton(U(kCaptionTerminar));
  CommandTerminar->setObjectName("CommandTerminar");
  for (QPushButton* b : {CommandAceptar, CommandBorrar, CommandAyuda, CommandTerminar})
    b->setAutoDefault(false);

  auto* rejillas = new QHBoxLayout;
  rejillas->addWidget(MSFlexGridEcuacionesUsuario, 5);
  rejillas->addWidget(MSFlexGridParametrosUsuario, 2);
  auto* botones = new QHBoxLayout;
  botones->addWidget(LabelContadorCalculos);
  botones->addStretch(1);
  for (QPushButton* b : {CommandAceptar, CommandBorrar, CommandAyuda, CommandTerminar})
    botones->addWidget(b);
  auto* columna = new QVBoxLayout(this);
  columna->addWidget(LabelConjunto);
  columna->addWidget(FrameArboles);
  columna->addWidget(LabelEcuacion);
  columna->addWidget(FrameEcuaciones);
  columna->addLayout(rejillas, 1);
  columna->addLayout(botones);

  using Combo = QComboBox;
  connect(ComboEspecie, &Combo::activated, this,
          [this](int i) { orden([this, i] { modelo_.SeleccionarEspecie(i); }); });
  connect(ComboForma, &Combo::activated, this,
          [this](int i) { orden([this, i] { modelo_.SeleccionarForma(i); }); });
  connect(ComboCalidad, &Combo::activated, this,
          [this](int i) { orden([this, i] { modelo_.SeleccionarCalidad(i); }); });
  connect(ComboVariable, &Combo::activated, this,
          [this](int i) { orden([this, i] { modelo_.SeleccionarVariable(i); }); });
  connect(ComboBoxEq->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) {
    orden([this, t] { modelo_.EscribirFormula(t.toStdString()); });
  });
  connect(ComboBoxEq, &Combo::activated, this,
          [this](int i) { orden([this, i] { modelo_.ElegirModelo(i); }); });
  connect(ComboParamName, &Combo::activated, this,
          [this](int i) { orden([this, i] { modelo_.SeleccionarParametro(i); }); });
  connect(ComboParamValor->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) {
    orden([this, t] { modelo_.EscribirValor(t.toStdString()); });
  });
  // An editable combo is the focus widget and passes keys and focus changes on to its field
  // directly: they are watched on the combo.
  ComboBoxEq->installEventFilter(this);
  ComboParamValor->installEventFilter(this);
  connect(MSFlexGridEcuacionesUsuario, &QTableView::clicked, this, [this](const QModelIndex& i) {
    orden([this, fila = i.row()] { modelo_.SeleccionarFila(fila); });
  });
  connect(CommandAceptar, &QPushButton::clicked, this,
          [this] { orden([this] { modelo_.Aceptar(ui_); }); });
  connect(CommandBorrar, &QPushButton::clicked, this,
          [this] { orden([this] { modelo_.Borrar(ui_); }); });
  const auto ayuda = [this] { shell::MostrarAyuda(kAyudaConfigCalculos, estado_.rutas, ui_); };
  shell::ConectarOrden(CommandAyuda, &QPushButton::clicked, ui_, ayuda);
  auto* f1 = new QAction(this);
  f1->setShortcut(QKeySequence::HelpContents);
  f1->setShortcutContext(Qt::WindowShortcut);
  shell::ConectarOrden(f1, &QAction::triggered, ui_, ayuda);
  addAction(f1);
  connect(CommandTerminar, &QPushButton::clicked, this, [this] { terminar(); });
  pintar();
}

void FormConfigCalculos::abrir(const std::vector<std::int16_t>& especiesCorte) {
  orden([this, &especiesCorte] { modelo_.Abrir(ui_, especiesCorte); });
  if (QWidget* sobre = parentWidget() ? parentWidget()->window() : nullptr) {
    const QRect g = sobre->geometry();
    move(g.x() + (g.width() - width()) / 2, g.y());
  }
}

void FormConfigCalculos::orden(const std::function<void()>& accion) {
  const bool antes = ocupado_;
  ocupado_ = true;
  shell::EjecutarOrden(ui_, shell::FalloOrden::Prefijo("Error "), accion);
  pintar();
  ocupado_ = antes;
}

QWidget* FormConfigCalculos::control(ControlEditor c) const {
  switch (c) {
    case ControlEditor::ComboEspecie:
      return ComboEspecie;
    case ControlEditor::ComboForma:
      return ComboForma;
    case ControlEditor::ComboCalidad:
      return ComboCalidad;
    case ControlEditor::ComboVariable:
      return ComboVariable;
    case ControlEditor::ComboBoxEq:
      return ComboBoxEq;
    case ControlEditor::ComboParamName:
      return ComboParamName;
    case ControlEditor::ComboParamValor:
      return ComboParamValor;
    case ControlEditor::CommandAceptar:
      return CommandAceptar;
    case ControlEditor::Ninguno:
      break;
  }
  return nullptr;
}

void FormConfigCalculos::pintar() {
  const bool antes = ocupado_;
  ocupado_ = true;
  PintarCombo(ComboEspecie, modelo_.comboEspecie());
  PintarCombo(ComboForma, modelo_.comboForma());
  PintarCombo(ComboCalidad, modelo_.comboCalidad());
  PintarCombo(ComboVariable, modelo_.comboVariable());
  PintarCombo(ComboBoxEq, modelo_.comboEcuacion());
  PintarCombo(ComboParamName, modelo_.comboParamName());
  PintarCombo(ComboParamValor, modelo_.comboParamValor());
  LabelEstadoEq->setText(U(modelo_.mensaje()));
  LabelEstadoEq->setStyleSheet(modelo_.colorMensaje() == kColorError ? "QLabel { color: red; }"
                                                                     : "QLabel { color: black; }");
  LabelContadorCalculos->setText(U(modelo_.contador()));
  CommandAceptar->setEnabled(modelo_.aceptarHabilitado());
  CommandBorrar->setEnabled(modelo_.borrarHabilitado());

  // The grids are refilled only when their rows changed (a key typed elsewhere keeps their
  // scrolling).
  std::vector<shell::FuenteTexto::Fila> filas;
  for (const auto& f : modelo_.filasEcuaciones()) filas.emplace_back(f.begin(), f.end());
  if (filas != filasEcuaciones_->todas()) {
    filasEcuaciones_->fijarFilas(std::move(filas));
    rejillaEcuaciones_->recargar();
  }
  std::vector<shell::FuenteTexto::Fila> parametros;
  for (const auto& f : modelo_.filasParametros()) parametros.emplace_back(f.begin(), f.end());
  if (parametros != filasParametros_->todas()) {
    filasParametros_->fijarFilas(std::move(parametros));
    rejillaParametros_->recargar();
  }
  if (modelo_.filaSeleccionada() >= 0) {
    MSFlexGridEcuacionesUsuario->selectRow(modelo_.filaSeleccionada());
  } else {
    MSFlexGridEcuacionesUsuario->clearSelection();
  }
  if (modelo_.parametrosResaltados()) {
    MSFlexGridParametrosUsuario->selectAll();
  } else {
    MSFlexGridParametrosUsuario->clearSelection();
  }

  for (; pitidos_ < modelo_.pitidos(); ++pitidos_) QApplication::beep();
  if (QWidget* w = control(modelo_.foco())) w->setFocus(Qt::OtherFocusReason);
  modelo_.focoAplicado();
  ocupado_ = antes;
}

bool FormConfigCalculos::eventFilter(QObject* objeto, QEvent* evento) {
  if (evento->type() == QEvent::KeyPress) {
    // Enter in the formula or the value field is taken here, once, and goes no further (the
    // combo would pass it on to the field and the dialog).
    const int tecla = static_cast<QKeyEvent*>(evento)->key();
    if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
      if (objeto == ComboBoxEq) {
        orden([this] { modelo_.ConfirmarFormula(ui_); });
        return true;
      }
      if (objeto == ComboParamValor) {
        orden([this] { modelo_.IntroValor(); });
        return true;
      }
    }
  }
  if (evento->type() == QEvent::FocusOut && !ocupado_) {
    // Only the user leaving the field counts: not a message box or the list popping up.
    const Qt::FocusReason motivo = static_cast<QFocusEvent*>(evento)->reason();
    if (motivo != Qt::ActiveWindowFocusReason && motivo != Qt::PopupFocusReason) {
      if (objeto == ComboBoxEq) {
        orden([this] { modelo_.ConfirmarFormula(ui_); });
      } else if (objeto == ComboParamValor) {
        orden([this] { modelo_.SalirValor(); });
      }
    }
  }
  return QDialog::eventFilter(objeto, evento);
}

void FormConfigCalculos::terminar() {
  modelo_.Terminar();
  hide();
}

void FormConfigCalculos::reject() {
  terminar();
}

// ---- EditorEcuacionesQt ----

EditorEcuacionesQt::EditorEcuacionesQt(shell::MDIPrincipal& principal, EstadoAplicacion& estado)
    : principal_(principal), estado_(estado) {
  principal_.asignarOrden("mnuCálConfig", [this] { mnuCalConfig(); });
}

void EditorEcuacionesQt::mnuCalConfig() {
  {
    calc::EntornoCalculo entorno = calc::EntornoInstalado();
    entorno.generarBaseTrabajo = [this] {
      import::mnuAGenerarBDT_Click(estado_, principal_.interaccion());
    };
    shell::RelojArena reloj(principal_.interaccion());
    calc::PrepararCalculo(estado_, principal_.interaccion(), entorno);
  }
  mostrar(&principal_, false);
}

void EditorEcuacionesQt::definirEcuaciones(QWidget* opciones, const VariablesMarcadas& marcadas) {
  FormConfigCalculos* v = mostrar(opciones, true);
  v->modelo().PrepararListas(marcadas);
  v->pintar();
}

FormConfigCalculos* EditorEcuacionesQt::mostrar(QWidget* sobre, bool modal) {
  if (ventana_ && ventana_->parentWidget() != sobre) {
    ventana_->hide();
    ventana_->setParent(sobre, ventana_->windowFlags());
  }
  if (!ventana_) {
    ventana_ = new FormConfigCalculos(estado_, principal_.interaccion(), sobre);
    principal_.registrarVentana(shell::VentanaProyecto::FormConfigCalculos, ventana_);
  }
  ventana_->setWindowModality(modal ? Qt::WindowModal : Qt::NonModal);
  if (!ventana_->modelo().abierto()) {
    // The species of the cut, as its summary published them; without a cut the single entry
    // 0, and the editor then offers the species of the working database.
    ventana_->abrir(estado_.EspeciesCorte);
  }
  ventana_->show();
  ventana_->raise();
  ventana_->activateWindow();
  return ventana_;
}

void ConectaDefinirEcuaciones(results::CalculosVentanaQt& calculos, EditorEcuacionesQt& editor) {
  calculos.fijarEditorEcuaciones([&calculos, &editor] {
    if (calc::FormOpcionesCalculos* o = calculos.opciones())
      editor.definirEcuaciones(o, o->modelo().VariablesMarcadas());
  });
}

}  // namespace arbelio::equations
