#include "qt/BenchDialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "instruments/BenchInstruments.h"
#include "qt/Guard.h"
#include "serial/frmCom.h"

namespace pw {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QString AddressHint(Role role) {
  return role == Role::Ptt ? QStringLiteral("serial:DEVICE (Line=RTS or DTR), a SCPI switch, or empty: keyed by hand")
                           : QStringLiteral("tcp:HOST[:PORT], usbtmc:/dev/usbtmcN or serial:DEVICE[,BAUD]");
}

}  // namespace

BenchDialog::BenchDialog(BenchInstruments& bench, std::string benchFile, QWidget* parent)
    : QDialog(parent), bench_(bench), file_(std::move(benchFile)), benchBefore_(bench.Config()) {
  setWindowTitle(QStringLiteral("Bench instruments"));
  setObjectName(QStringLiteral("BenchDialog"));

  std::string why;
  const bool exists = QFileInfo::exists(Q(file_));
  if (exists && !ReadBenchFile(file_, read_, why)) read_ = BenchConfig{};

  auto* grid = new QGridLayout;
  for (Role role : kRoles) {
    const int row = static_cast<int>(role);
    Line& line = lines_[Index(role)];
    auto* name = new QLabel(QStringLiteral("%1:").arg(Q(RoleName(role))), this);
    line.address = new QLineEdit(Q(read_[role].Address), this);
    line.address->setObjectName(QStringLiteral("address%1").arg(row));
    line.address->setPlaceholderText(AddressHint(role));
    line.address->setMinimumWidth(line.address->fontMetrics().averageCharWidth() * 48);
    name->setBuddy(line.address);
    line.test = new QPushButton(QStringLiteral("&Test"), this);
    line.test->setObjectName(QStringLiteral("test%1").arg(row));
    line.test->setAutoDefault(false);
    line.result = new QLabel(this);
    line.result->setObjectName(QStringLiteral("result%1").arg(row));
    line.result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    line.result->setWordWrap(true);
    grid->addWidget(name, row * 2, 0);
    grid->addWidget(line.address, row * 2, 1);
    grid->addWidget(line.test, row * 2, 2);
    grid->addWidget(line.result, row * 2 + 1, 1, 1, 2);
    connect(line.test, &QPushButton::clicked, this, [this, role] { Guarded("bench test", [&] { StartTest(role); }); });
  }

  auto* where =
      new QLabel(QStringLiteral("Saved in %1%2").arg(Q(file_), exists ? QString() : QStringLiteral(" (new)")), this);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  error_ = new QLabel(Q(why), this);
  error_->setObjectName(QStringLiteral("error"));
  error_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &BenchDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &BenchDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(where);
  layout->addWidget(error_);
  layout->addWidget(buttons);

  poll_.setInterval(frmCom::kTimerIntervalMs);
  connect(&poll_, &QTimer::timeout, this, [this] { Guarded("bench test", [&] { Poll(); }); });
}

BenchConfig BenchDialog::Edited() const {
  BenchConfig config = read_;
  for (Role role : kRoles) config[role].Address = lines_[Index(role)].address->text().trimmed().toStdString();
  return config;
}

void BenchDialog::StartTest(Role role) {
  const BenchConfig edited = Edited();
  // Configuring drops every connection, tests under way included: only when
  // an address differs from what the bench has.
  bool differs = false;
  for (Role r : kRoles) differs = differs || edited[r].Address != bench_.Config()[r].Address;
  if (differs) {
    bench_.Configure(edited);
    benchChanged_ = true;
    for (Line& line : lines_) {
      if (line.testing) line.result->setText(QStringLiteral("Stopped: an address changed."));
      line.testing = false;
    }
  }
  Line& line = lines_[Index(role)];
  line.testing = true;
  line.result->setText(QStringLiteral("Testing..."));
  bench_.StartIdentify(role);
  Poll();
  if (!poll_.isActive()) poll_.start();
}

void BenchDialog::Poll() {
  bool any = false;
  for (Role role : kRoles) {
    Line& line = lines_[Index(role)];
    if (!line.testing) continue;
    if (bench_.IdentifyDone(role)) {
      line.testing = false;
      line.result->setText(Q(bench_.IdentifyResult(role)));
    } else {
      any = true;
    }
  }
  if (!any) poll_.stop();
}

void BenchDialog::accept() {
  const BenchConfig edited = Edited();
  std::string why;
  if (!WriteBenchChanges(file_, read_, edited, why)) {
    error_->setText(Q(why));
    return;  // stays open: the technician may correct it or cancel
  }
  poll_.stop();
  // A bench that already has these roles keeps its connections.
  bool differs = benchChanged_;
  for (Role role : kRoles) differs = differs || edited[role].Address != benchBefore_[role].Address;
  if (differs) bench_.Configure(edited);
  QDialog::accept();
}

void BenchDialog::reject() {
  poll_.stop();
  if (benchChanged_) bench_.Configure(benchBefore_);
  QDialog::reject();
}

}  // namespace pw
