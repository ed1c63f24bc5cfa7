#include "qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include "base/Common.h"
#include "base/ProgramTitle.h"
#include "qt/AppIcon.h"
#include "qt/Guard.h"
#include "qt/KeyMap.h"
#include "shell/frmMain.h"

namespace pw {

namespace {

// The design position of the "Waiting ATIS..." notice, which the layout
// never moves; it is centred whenever it is shown.
constexpr TwipRect kAtisWaitingDesign{2400, 2280, 3135, 390};

// The core's texts are UTF-8 (a folder's name in a message, a device's name).
QString FromCore(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The core breaks lines with CR LF; Qt's text widgets want LF alone.
QString FromCoreLines(const std::string& text) {
  QString s = FromCore(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return s;
}

QFont MakeFont(const char* family, double points, bool bold = false) {
  QFont f(QString::fromLatin1(family));
  f.setPointSizeF(points);
  f.setBold(bold);
  if (QLatin1String(family) == QLatin1String("Courier New")) f.setStyleHint(QFont::TypeWriter);
  return f;
}

// The console's columns only line up in a monospace font. Where the usual
// one is missing, a metric-compatible one takes its place.
void InstallFontSubstitutes() {
  static const bool done = [] {
    if (!QFontDatabase::hasFamily(QStringLiteral("Courier New"))) {
      QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    }
    return true;
  }();
  (void)done;
}

template <typename T>
void NameArrayControl(T* widget, const char* name, int index) {
  widget->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index));
  widget->setProperty("index", index);
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  InstallFontSubstitutes();
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setWindowIcon(AppIcon());
  setFont(MakeFont("Courier New", 9));
  BuildMenus();
  BuildControls();
  // Key preview: the window sees every key before the control that has the
  // focus, as well as focus changes and the client area's resizes.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  logic_ = nullptr;
}

void MainWindow::BuildMenus() {
  // Menus speak in the desktop's font, not in the window's console font.
  menuBar()->setFont(QApplication::font());

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("mnuFileTop"));
  // Its own access key: Alt+F then X still exits.
  mnuFileSaveRecord_ = file->addAction(QStringLiteral("&Save service record..."));
  mnuFileSaveRecord_->setObjectName(QStringLiteral("mnuFileSaveRecord"));
  mnuFileSaveRecord_->setEnabled(false);
  connect(mnuFileSaveRecord_, &QAction::triggered, this, [this] {
    Guarded("save record", [&] {
      if (logic_) logic_->mnuFileSaveRecord_Click();
    });
  });
  mnuFilePrintRecord_ = file->addAction(QStringLiteral("&Print service record..."));
  mnuFilePrintRecord_->setObjectName(QStringLiteral("mnuFilePrintRecord"));
  mnuFilePrintRecord_->setEnabled(false);
  connect(mnuFilePrintRecord_, &QAction::triggered, this, &MainWindow::printRecordRequested);
  mnuFileSaveRecordPdf_ = file->addAction(QStringLiteral("Save service record as P&DF..."));
  mnuFileSaveRecordPdf_->setObjectName(QStringLiteral("mnuFileSaveRecordPdf"));
  mnuFileSaveRecordPdf_->setEnabled(false);
  connect(mnuFileSaveRecordPdf_, &QAction::triggered, this, &MainWindow::saveRecordPdfRequested);
  file->addSeparator();
  mnuFileExit_ = file->addAction(QStringLiteral("E&xit"));
  mnuFileExit_->setObjectName(QStringLiteral("mnuFileExit"));
  connect(mnuFileExit_, &QAction::triggered, this, [this] { close(); });

  QMenu* option = menuBar()->addMenu(QStringLiteral("&Option"));
  option->setObjectName(QStringLiteral("mnuOptionTop"));
  QMenu* port = option->addMenu(QStringLiteral("&Port"));
  port->setObjectName(QStringLiteral("mnuOptionComPort"));
  for (int i = 1; i <= kPorts; ++i) {
    QAction* a = port->addAction(QStringLiteral("COM &%1").arg(i));
    a->setObjectName(QStringLiteral("mnuOptSelCom%1").arg(i));
    a->setProperty("index", i);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, i] {
      // The check marks follow the setting at the next heartbeat, not the click.
      RestoreMenuChecks();
      Guarded("port menu", [&] {
        if (logic_) logic_->mnuOptSelCom_Click(static_cast<int16_t>(i));
      });
    });
    mnuOptSelCom_[static_cast<size_t>(i - 1)] = a;
  }
  port->addSeparator();
  mnuOptAssignDevices_ = port->addAction(QStringLiteral("Assign devices..."));
  mnuOptAssignDevices_->setObjectName(QStringLiteral("mnuOptAssignDevices"));
  connect(mnuOptAssignDevices_, &QAction::triggered, this, &MainWindow::assignDevicesRequested);
  connect(port, &QMenu::aboutToShow, this, &MainWindow::RefreshPortCaptions);
  mnuOptionComPort_ = port;
  QMenu* release = option->addMenu(QStringLiteral("&Auto port release"));
  release->setObjectName(QStringLiteral("mnuOptionAutoRelease"));
  for (int i = 0; i < kReleaseChoices; ++i) {
    QAction* a = release->addAction(i == 0 ? QStringLiteral("&OFF") : QStringLiteral("&%1 sec").arg(i));
    a->setObjectName(QStringLiteral("mnuOptionSelAutoRelease%1").arg(i));
    a->setProperty("index", i);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, i] {
      RestoreMenuChecks();
      Guarded("release menu", [&] {
        if (logic_) logic_->mnuOptionSelAutoRelease_Click(static_cast<int16_t>(i));
      });
    });
    mnuOptionSelAutoRelease_[static_cast<size_t>(i)] = a;
  }
  mnuOptionBench_ = option->addAction(QStringLiteral("&Bench instruments..."));
  mnuOptionBench_->setObjectName(QStringLiteral("mnuOptionBench"));
  connect(mnuOptionBench_, &QAction::triggered, this, &MainWindow::benchInstrumentsRequested);
  option->addSeparator();
  mnuOptionKeepRecords_ = option->addAction(QStringLiteral("&Keep service records"));
  mnuOptionKeepRecords_->setObjectName(QStringLiteral("mnuOptionKeepRecords"));
  mnuOptionKeepRecords_->setCheckable(true);
  connect(mnuOptionKeepRecords_, &QAction::triggered, this, [this] {
    // The check follows the setting, which may wait for a folder to be chosen.
    mnuOptionKeepRecords_->setChecked(keepChecked_);
    Guarded("keep records", [&] {
      if (logic_) logic_->mnuOptionKeepRecords_Click();
    });
  });
  // Shown and remembered by SweepCurvesOption; off until it says otherwise.
  mnuOptionSweepCurves_ = option->addAction(QStringLiteral("&Sweep curves"));
  mnuOptionSweepCurves_->setObjectName(QStringLiteral("mnuOptionSweepCurves"));
  mnuOptionSweepCurves_->setCheckable(true);
}

void MainWindow::BuildControls() {
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  setCentralWidget(client_);

  // An etched line under the menu bar: a shadow line with a highlight line
  // one pixel below it. The button-shadow colour is the palette's Dark role
  // (Shadow is the darker outer edge of a 3-D frame).
  const QPalette::ColorRole lineRoles[2] = {QPalette::Dark, QPalette::Light};
  for (int i = 0; i < 2; ++i) {
    auto* line = new QFrame(client_);
    NameArrayControl(line, "linSepa", i);
    line->setFrameShape(QFrame::NoFrame);
    line->setAutoFillBackground(true);
    line->setBackgroundRole(lineRoles[i]);
    linSepa_[static_cast<size_t>(i)] = line;
  }

  lblComBusy_ = new QLabel(client_);
  lblComBusy_->setObjectName(QStringLiteral("lblComBusy"));
  lblComBusy_->setFont(MakeFont("System", 9.75, true));

  for (int i = 0; i < 3; ++i) {
    auto* b = new QPushButton(client_);
    NameArrayControl(b, "cmd00", i);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, [this, i] {
      Guarded("button", [&] {
        if (logic_) logic_->cmd00_Click(static_cast<int16_t>(i));
      });
    });
    cmd00_[static_cast<size_t>(i)] = b;
  }

  for (int i = 0; i < 4; ++i) {
    auto* f = new QFrame(i == 2 ? fra01_[1] : client_);
    NameArrayControl(f, "fra01", i);
    // The pages are etched boxes; the monitor frame inside the console page
    // has no border of its own.
    f->setFrameStyle(i == 2 ? QFrame::NoFrame : (QFrame::Box | QFrame::Sunken));
    fra01_[static_cast<size_t>(i)] = f;
  }

  lblTitle_ = new QLabel(fra01_[0]);
  lblTitle_->setObjectName(QStringLiteral("lblTitle"));
  lblTitle_->setFont(MakeFont("Courier New", 9.75));
  lblTitle_->setAlignment(Qt::AlignCenter);
  lblProgress_ = new QLabel(fra01_[0]);
  lblProgress_->setObjectName(QStringLiteral("lblProgress"));
  lblProgress_->setFont(MakeFont("Courier New", 9, true));

  for (int i = 0; i < 2; ++i) {
    auto* list = new QListWidget(fra01_[2]);
    NameArrayControl(list, "lbo01", i);
    list->setFont(MakeFont("Courier New", 8.25));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    monitorLists_[static_cast<size_t>(i)] = list;
    monitorBoxes_[static_cast<size_t>(i)] = QtListBox(list);
  }

  consoleList_ = new QListWidget(fra01_[1]);
  consoleList_->setObjectName(QStringLiteral("lboConsole"));
  consoleList_->setSelectionMode(QAbstractItemView::SingleSelection);
  consoleList_->setUniformItemSizes(true);
  consoleBox_ = QtListBox(consoleList_);

  txtDispPara_ = new QPlainTextEdit(fra01_[3]);
  txtDispPara_->setObjectName(QStringLiteral("txtDispPara"));
  txtDispPara_->setReadOnly(true);
  txtDispPara_->setLineWrapMode(QPlainTextEdit::NoWrap);

  txtAtisWaiting_ = new QLineEdit(client_);
  txtAtisWaiting_->setObjectName(QStringLiteral("txtRigR4T_AtisWaiting"));
  txtAtisWaiting_->setFont(MakeFont("Courier New", 14.25, true));
  txtAtisWaiting_->setReadOnly(true);
  txtAtisWaiting_->setFocusPolicy(Qt::NoFocus);
  txtAtisWaiting_->setAlignment(Qt::AlignCenter);
  txtAtisWaiting_->setText(QStringLiteral("Waiting ATIS..."));
  {
    QPalette p = txtAtisWaiting_->palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, p.color(QPalette::ToolTipText));
    txtAtisWaiting_->setPalette(p);
  }
  txtAtisWaiting_->setGeometry(ToPixels(kAtisWaitingDesign));
  txtAtisWaiting_->hide();

  fra01_[1]->hide();
  fra01_[3]->hide();

  // After the lists, the buttons in their order, then the parameter text.
  setTabOrder(monitorLists_[0], monitorLists_[1]);
  setTabOrder(monitorLists_[1], consoleList_);
  setTabOrder(consoleList_, cmd00_[0]);
  setTabOrder(cmd00_[0], cmd00_[1]);
  setTabOrder(cmd00_[1], cmd00_[2]);
  setTabOrder(cmd00_[2], txtDispPara_);
}

std::vector<std::string> MainWindow::TakeStartupMessages() {
  std::vector<std::string> out;
  out.swap(startupMessages_);
  return out;
}

void MainWindow::ShowSimulatedNotice(const QString& sampleConstants) {
  const QString text = sampleConstants.isEmpty()
                           ? QStringLiteral("Simulated radio")
                           : QStringLiteral("Simulated radio, sample constants from %1").arg(sampleConstants);
  auto* note = new QLabel(text, statusBar());
  note->setObjectName(QStringLiteral("lblSimulated"));
  note->setFont(QApplication::font());
  note->setContentsMargins(0, 0, 8, 0);
  statusBar()->setFont(QApplication::font());
  statusBar()->setSizeGripEnabled(false);
  statusBar()->addPermanentWidget(note);
}

TwipScale MainWindow::Scale() const {
  const QScreen* s = screen();
  return TwipScale(s ? s->logicalDotsPerInchY() : 96.0);
}

QRect MainWindow::ToPixels(const TwipRect& r) const {
  const TwipScale scale = Scale();
  return QRect(scale.ToPixels(r.left), scale.ToPixels(r.top), scale.ToPixels(r.width), scale.ToPixels(r.height));
}

// --- IWindow ---------------------------------------------------------------

void MainWindow::SetCaption(const std::string& text) { setWindowTitle(FromCore(text)); }

void MainWindow::SetTitleText(const std::string& text) {
  lblTitle_->setText(FromCoreLines(text));
  PlaceProgressLabels();
}

void MainWindow::SetProgressText(const std::string& text) {
  lblProgress_->setText(FromCore(text));
  PlaceProgressLabels();
}

void MainWindow::SetComBusy(const std::string& text, ColorRole color) {
  lblComBusy_->setText(FromCore(text));
  QPalette p = lblComBusy_->palette();
  const QPalette& base = palette();
  p.setColor(QPalette::WindowText, color == ColorRole::ButtonText
                                       ? base.color(QPalette::ButtonText)
                                       : base.color(QPalette::Disabled, QPalette::WindowText));
  lblComBusy_->setPalette(p);
  lblComBusy_->adjustSize();
}

void MainWindow::SetPortDevices(std::function<PortDevice(int)> lookup) {
  portDevices_ = std::move(lookup);
  RefreshPortCaptions();
}

void MainWindow::RefreshPortCaptions() {
  for (int i = 1; i <= kPorts; ++i) {
    // The tab puts the device in the menu's second column, aligned for all four.
    QString caption = QStringLiteral("COM &%1").arg(i);
    if (portDevices_) {
      const PortDevice d = portDevices_(i);
      if (!d.device.isEmpty()) {
        caption += QLatin1Char('\t') + QString(d.device).replace(QLatin1Char('&'), QLatin1String("&&"));
        if (!d.present) caption += QStringLiteral(" (not present)");
      }
    }
    portAction(i)->setText(caption);
  }
}

void MainWindow::ShowReason(const QString& text) {
  // The status bar speaks in the desktop's font, like the menus.
  statusBar()->setFont(QApplication::font());
  statusBar()->setSizeGripEnabled(false);
  statusBar()->showMessage(text);
}

void MainWindow::SetMenuChecks(int comPortNo, int autoRelease) {
  checkedPort_ = comPortNo;
  checkedRelease_ = autoRelease;
  RestoreMenuChecks();
}

void MainWindow::SetRecordMenu(bool saveEnabled, bool keepChecked) {
  mnuFileSaveRecord_->setEnabled(saveEnabled);
  mnuFilePrintRecord_->setEnabled(saveEnabled);
  mnuFileSaveRecordPdf_->setEnabled(saveEnabled);
  keepChecked_ = keepChecked;
  mnuOptionKeepRecords_->setChecked(keepChecked);
}

void MainWindow::RestoreMenuChecks() {
  for (int i = 1; i <= kPorts; ++i) portAction(i)->setChecked(i == checkedPort_);
  for (int i = 0; i < kReleaseChoices; ++i) releaseAction(i)->setChecked(i == checkedRelease_);
}

void MainWindow::SetFrameVisible(int index, bool visible) {
  if (index >= 0 && index < static_cast<int>(fra01_.size())) frame(index)->setVisible(visible);
}

bool MainWindow::FrameVisible(int index) const {
  // The frame's own setting, also while the window itself is not shown.
  return index >= 0 && index < static_cast<int>(fra01_.size()) && !frame(index)->isHidden();
}

void MainWindow::SetButtonCaption(int index, const std::string& text) {
  if (index >= 0 && index < 3) button(index)->setText(FromCore(text));
}

void MainWindow::SetButtonEnabled(int index, bool enabled) {
  if (index >= 0 && index < 3) button(index)->setEnabled(enabled);
}

void MainWindow::SetButtonDefaultCancel(int index, bool on) {
  if (index < 0 || index >= 3) return;
  if (on) {
    defaultCancelIndex_ = index;
  } else if (defaultCancelIndex_ == index) {
    defaultCancelIndex_ = -1;
  }
  button(index)->setDefault(on);
}

void MainWindow::FocusConsole() { consoleList_->setFocus(Qt::OtherFocusReason); }

void MainWindow::FocusButton(int index) {
  if (index >= 0 && index < 3) button(index)->setFocus(Qt::OtherFocusReason);
}

void MainWindow::SetDispParaText(const std::string& text) { txtDispPara_->setPlainText(FromCoreLines(text)); }

void MainWindow::SetAtisWaitingVisible(bool visible) {
  if (visible) {
    CentreAtisWaiting();
    txtAtisWaiting_->show();
    txtAtisWaiting_->raise();
  } else {
    txtAtisWaiting_->hide();
  }
}

void MainWindow::CentreAtisWaiting() {
  const QRect design = ToPixels(kAtisWaitingDesign);
  txtAtisWaiting_->setGeometry((client_->width() - design.width()) / 2, (client_->height() - design.height()) / 2,
                               design.width(), design.height());
}

void MainWindow::Beep() { QApplication::beep(); }

int MainWindow::MsgBox(const std::string& text, const std::string& title) {
  if (startupPhase_) {
    startupMessages_.push_back(text);
    return QMessageBox::Ok;
  }
  // Shown and left to itself: a nested event loop here would run heartbeat
  // ticks inside the tick that asked for the box. Window-modal, so the
  // technician cannot touch the window until it is acknowledged.
  auto* box = new QMessageBox(QMessageBox::Warning, FromCore(title), FromCoreLines(text), QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("msgBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::WindowModal);
  box->open();
  box_ = box;
  // Every caller ignores the answer; OK is the only button there is.
  return QMessageBox::Ok;
}

void MainWindow::GetScreenTwips(int& width, int& height) const {
  if (screenOverride_) {
    width = screenOverride_->width();
    height = screenOverride_->height();
    return;
  }
  const QScreen* s = screen();
  const QSize px = s ? s->geometry().size() : QSize(1024, 768);
  const TwipScale scale = Scale();
  width = scale.ToTwips(px.width());
  height = scale.ToTwips(px.height());
}

void MainWindow::GetInnerTwips(int& width, int& height) const {
  const TwipScale scale = Scale();
  width = scale.ToTwips(client_->width());
  height = scale.ToTwips(client_->height());
}

void MainWindow::ApplyLayout(const FormLayoutResult& layout) {
  if (!layout.window) {
    PlaceControls(layout);
    return;
  }
  const QRect r = ToPixels(*layout.window);
  move(r.topLeft());
  resize(r.size());
  // The controls' rectangles were worked out for the client area the window
  // had before this first sizing; settle the new client area at once and
  // place them for it, so the window is right even before it is shown.
  if (QLayout* l = this->layout()) l->activate();
  FormLayoutInput in;
  GetScreenTwips(in.screenWidth, in.screenHeight);
  GetInnerTwips(in.innerWidth, in.innerHeight);
  in.pixelTwips = Scale().PixelTwips();
  PlaceControls(ComputeFormLayout(in, false));
}

void MainWindow::PlaceControls(const FormLayoutResult& layout) {
  for (size_t i = 0; i < cmd00_.size(); ++i) {
    cmd00_[i]->setGeometry(ToPixels(layout.cmd00[i]));
    cmd00_[i]->setFocusPolicy(Qt::StrongFocus);
    cmd00_[i]->show();
  }
  for (size_t i = 0; i < fra01_.size(); ++i) fra01_[i]->setGeometry(ToPixels(layout.fra01[i]));
  for (size_t i = 0; i < monitorLists_.size(); ++i) monitorLists_[i]->setGeometry(ToPixels(layout.lbo01[i]));
  consoleList_->setGeometry(ToPixels(layout.lboConsole));
  txtDispPara_->setGeometry(ToPixels(layout.txtDispPara));
  txtDispPara_->show();
  titleTop_ = layout.titleTop;
  progressGap_ = layout.progressGap;
  PlaceProgressLabels();
  PlaceSeparators();
}

void MainWindow::PlaceSeparators() {
  const int width = client_->width();
  linSepa_[0]->setGeometry(0, 0, width, 1);
  linSepa_[1]->setGeometry(0, 1, width, 1);
}

void MainWindow::PlaceProgressLabels() {
  const TwipScale scale = Scale();
  const int pageWidth = fra01_[0]->width();
  lblTitle_->adjustSize();
  lblTitle_->move((pageWidth - lblTitle_->width()) / 2, scale.ToPixels(titleTop_));
  lblProgress_->adjustSize();
  lblProgress_->move((pageWidth - lblProgress_->width()) / 2,
                     lblTitle_->y() + lblTitle_->height() + scale.ToPixels(progressGap_));
}

// --- Events ----------------------------------------------------------------

void MainWindow::OnClientResized() {
  PlaceSeparators();
  const TwipScale scale = Scale();
  lblComBusy_->move(scale.ToPixels(120), scale.ToPixels(120));
  if (!txtAtisWaiting_->isHidden()) CentreAtisWaiting();
  Guarded("resize", [&] {
    if (logic_) logic_->Form_Resize();
  });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* target = qobject_cast<QWidget*>(watched);
      if (!target || target->window() != this) break;
      // A key nobody accepted travels on to the parents of its target and
      // passes this filter again; only its first delivery is ours.
      QWidget* focus = focusWidget();
      if (target != (focus ? focus : this)) break;
      bool consumed = false;
      Guarded("key", [&] { consumed = OnKeyPress(target, static_cast<QKeyEvent*>(event)); });
      return consumed;
    }
    case QEvent::FocusIn:
      if (watched == consoleList_) {
        Guarded("focus", [&] {
          if (logic_) logic_->lboConsole_GotFocus();
        });
      }
      break;
    case QEvent::Resize:
      if (watched == client_) OnClientResized();
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::OnKeyPress(QWidget* target, QKeyEvent* key) {
  if (!logic_) return false;
  const int code = WindowsKeyCode(key->key(), key->modifiers(), key->nativeVirtualKey());
  // Only Shift changes a step; Ctrl and Alt are ignored.
  const bool shift = key->modifiers().testFlag(Qt::ShiftModifier);

  if (code != 0 && logic_->Form_KeyDown(code, shift)) return true;
  if (target == consoleList_ && code != 0 && logic_->lboConsole_KeyDown(code, shift)) return true;

  int buttonIndex = -1;
  for (size_t i = 0; i < cmd00_.size(); ++i) {
    if (target == cmd00_[i]) buttonIndex = static_cast<int>(i);
  }
  if (buttonIndex >= 0) {
    for (const QChar c : key->text()) {
      if (c.unicode() > 0 && c.unicode() < 256) logic_->cmd00_KeyPress(static_cast<int16_t>(buttonIndex), c.unicode());
    }
    // Enter presses the button that has the focus, as on the desktop the
    // technicians know.
    if (code == keys::kReturn) {
      if (button(buttonIndex)->isEnabled()) button(buttonIndex)->click();
      return true;
    }
  }
  // While the dump is shown its button is both default and cancel button:
  // Enter and Esc close the dump.
  if (defaultCancelIndex_ >= 0 && (code == keys::kReturn || key->key() == Qt::Key_Escape)) {
    QPushButton* b = button(defaultCancelIndex_);
    if (b->isEnabled() && !b->isHidden()) {
      b->click();
      return true;
    }
  }
  return false;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!closing_) {
    closing_ = true;
    if (closeHandler_) Guarded("close", closeHandler_);
  }
  event->accept();
}

}  // namespace pw
