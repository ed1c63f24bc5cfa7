#include "qt/Tour.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <cstdio>

#include "qt/Guard.h"
#include "qt/MainWindow.h"
#include "qt/RecordPrintout.h"
#include "qt/SweepCurvesWindow.h"

namespace pw {

namespace {

void PrintList(const QListWidget* list) {
  for (int i = 0; i < list->count(); ++i) std::printf("%s\n", list->item(i)->text().toLocal8Bit().constData());
}

}  // namespace

Tour::Tour(PwApp& app, MainWindow& window, QString folder, std::function<void(int)> finish, QObject* parent)
    : QObject(parent), app_(app), window_(window), folder_(std::move(folder)), finish_(std::move(finish)) {
  timer_.setInterval(kPollMs);
  connect(&timer_, &QTimer::timeout, this, [this] { Guarded("tour", [this] { Poll(); }); });
}

void Tour::Start() {
  if (!QDir().mkpath(folder_)) {
    Finish(1, QStringLiteral("cannot create %1").arg(folder_));
    return;
  }
  total_.start();
  stepClock_.start();
  timer_.start();
}

void Tour::Poll() {
  if (step_ == Step::Done) return;
  if (QMessageBox* box = window_.messageBox(); box && box->isVisible()) {
    Finish(1, QStringLiteral("the program reported: %1").arg(box->text()));
    return;
  }
  if (total_.elapsed() > kTotalLimitMs) {
    Finish(1, QStringLiteral("the tour did not finish within %1 s").arg(kTotalLimitMs / 1000));
    return;
  }
  switch (step_) {
    case Step::Connect:
      window_.button(0)->click();
      step_ = Step::WaitConsole;
      stepClock_.restart();
      break;
    case Step::WaitConsole:
      // The connect page is worth a picture once the clone read shows progress.
      if (!connectGrabbed_ && (window_.progressLabel()->text().contains(QLatin1Char('o')) || window_.FrameVisible(1))) {
        if (!Grab(QStringLiteral("1-connect.png"))) return;
        connectGrabbed_ = true;
      }
      if (window_.FrameVisible(1)) {
        StepMod();
        step_ = Step::WaitSettled;
        stepClock_.restart();
      } else if (stepClock_.elapsed() > kConsoleLimitMs) {
        Finish(1, QStringLiteral("the console did not come up within %1 s").arg(kConsoleLimitMs / 1000));
      }
      break;
    case Step::WaitSettled:
      if (Settled()) {
        if (!Grab(QStringLiteral("2-console.png"))) return;
        StartSweep();
        step_ = Step::WaitSweep;
        stepClock_.restart();
      }
      break;
    case Step::WaitSweep:
      if (curves_) curves_->Follow(app_.records.record());
      if (SweepDone() && Settled()) {
        if (!curves_ || !Grab(curves_, QStringLiteral("4-sweep-curves.png"))) return;
        curves_->close();
        window_.button(2)->click();
        step_ = Step::WaitDump;
      } else if (stepClock_.elapsed() > kSweepLimitMs) {
        Finish(1, QStringLiteral("the BPF T3 sweep did not end within %1 s").arg(kSweepLimitMs / 1000));
      }
      break;
    case Step::WaitDump:
      if (window_.FrameVisible(3) && !window_.dispParaText()->toPlainText().isEmpty()) {
        if (!Grab(QStringLiteral("3-dump.png"))) return;
        PrintLists();
        if (!SaveRecord()) return;
        Finish(0);
      }
      break;
    case Step::Done:
      break;
  }
}

void Tour::PressOnLine(const QString& title, int key) {
  QListWidget* console = window_.consoleList();
  const QList<QListWidgetItem*> found = console->findItems(title, Qt::MatchStartsWith | Qt::MatchCaseSensitive);
  if (!found.isEmpty()) console->setCurrentItem(found.front());
  console->setFocus(Qt::OtherFocusReason);
  PressKey(console, key);
}

void Tour::StepMod() {
  PressOnLine(QStringLiteral("       MOD:"), Qt::Key_Right);
  // F5 goes wherever the focus is, as the technician's would.
  PressKey(window_.focusWidget() ? window_.focusWidget() : &window_, Qt::Key_F5);
}

void Tour::StartSweep() {
  // The curves in a window of the tour's own: the setting stays as it was.
  curves_ = new SweepCurvesWindow(&window_);
  curves_->setAttribute(Qt::WA_DeleteOnClose);
  curves_->resize(curves_->sizeHint());
  curves_->PlaceBeside(window_);
  curves_->show();
  PressOnLine(QStringLiteral("    BPF T3:"), Qt::Key_Return);
}

bool Tour::SweepDone() const {
  const ServiceRecord* record = app_.records.record();
  const SweepCurve* t3 = record ? record->sweeps().Latest(2) : nullptr;
  return t3 && t3->finished && app_.gIndOp->procStep() == proc::None;
}

void Tour::PressKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &release);
}

bool Tour::Settled() const {
  const clsIndOp_RigR4T& model = *app_.gIndOp;
  if (!model.RigR4TProp_EditEnabled() || model.flgReloadRequest() || model.flgReloadCycle() || model.flgAtisWait()) {
    return false;
  }
  for (int16_t i = 0; i < app_.gConsole.ListCount(); ++i) {
    if (app_.gConsole.flgChanged(i)) return false;
  }
  return !app_.myObjNbx3Seq.OpRunning();
}

bool Tour::Grab(const QString& name) { return Grab(&window_, name); }

bool Tour::Grab(QWidget* widget, const QString& name) {
  const QString path = QDir(folder_).filePath(name);
  if (!widget->grab().save(path, "PNG")) {
    Finish(1, QStringLiteral("cannot write %1").arg(path));
    return false;
  }
  std::printf("picture: %s\n", path.toLocal8Bit().constData());
  return true;
}

bool Tour::SaveRecord() {
  const ServiceRecord* record = app_.records.record();
  if (!record) {
    Finish(1, QStringLiteral("no service record after Connect"));
    return false;
  }
  const QString path = QDir(folder_).filePath(QString::fromStdString(record->BaseName()) + QStringLiteral(".txt"));
  // Its printout beside it, as File > Save service record as PDF... makes it,
  // replaced together with the report and the image.
  const QByteArray pdf = RecordPrintout::Pdf(*record, RecordPrintout::ThisRun());
  const ServiceRecords::Companion printout{".pdf", std::string(pdf.constData(), static_cast<size_t>(pdf.size()))};
  if (pdf.isEmpty() || !app_.records.SaveTo(QDir::toNativeSeparators(path).toStdString(), {printout})) {
    Finish(1, QStringLiteral("cannot write the service record %1").arg(path));
    return false;
  }
  std::printf("service record: %s\n", path.toLocal8Bit().constData());
  const QString pdfPath = QDir(folder_).filePath(QString::fromStdString(record->BaseName()) + QStringLiteral(".pdf"));
  std::printf("service record: %s\n", pdfPath.toLocal8Bit().constData());
  return true;
}

void Tour::PrintLists() const {
  PrintList(window_.consoleList());
  std::printf("\n");
  PrintList(window_.monitorList(0));
  std::printf("\n");
  PrintList(window_.monitorList(1));
  std::fflush(stdout);
}

void Tour::Finish(int code, const QString& why) {
  timer_.stop();
  step_ = Step::Done;
  if (!why.isEmpty()) std::fprintf(stderr, "tour: %s\n", why.toLocal8Bit().constData());
  // The reason the status bar gives for a failure, for whoever reads the log.
  if (const auto* bar = window_.findChild<QStatusBar*>(); code != 0 && bar && !bar->currentMessage().isEmpty()) {
    std::fprintf(stderr, "tour: status bar: %s\n", bar->currentMessage().toLocal8Bit().constData());
  }
  std::fflush(stdout);
  std::fflush(stderr);
  if (finish_) finish_(code);
}

}  // namespace pw
