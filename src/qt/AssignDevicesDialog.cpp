#include "qt/AssignDevicesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "qt/PortMap.h"

namespace pw {

namespace {

QString DefaultText(int portNo) { return QStringLiteral("Default (%1)").arg(PortMap::DefaultDevice(portNo)); }

bool SameDevices(const std::vector<SerialDevice>& a, const std::vector<SerialDevice>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const SerialDevice& x, const SerialDevice& y) {
    return x.systemLocation == y.systemLocation && x.stableName == y.stableName && x.description == y.description &&
           x.manufacturer == y.manufacturer && x.serialNumber == y.serialNumber && x.usbId == y.usbId;
  });
}

}  // namespace

AssignDevicesDialog::AssignDevicesDialog(PortMap& map, SerialDeviceLister lister, QWidget* parent)
    : QDialog(parent), map_(map), lister_(std::move(lister)) {
  setObjectName(QStringLiteral("dlgAssignDevices"));
  setWindowTitle(QStringLiteral("Assign devices"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Serial devices on this computer:"), this));
  table_ = new QTableWidget(0, 6, this);
  table_->setObjectName(QStringLiteral("devices"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Device"), QStringLiteral("Stable name"),
                                     QStringLiteral("Description"), QStringLiteral("Manufacturer"),
                                     QStringLiteral("Serial number"), QStringLiteral("USB ID")});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(table_);

  auto* grid = new QGridLayout;
  for (int n = 1; n <= kPorts; ++n) {
    auto* box = new QComboBox(this);
    box->setObjectName(QStringLiteral("cboCom%1").arg(n));
    // Any device name may be typed, e.g. one that is unplugged just now.
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(40);
    auto* label = new QLabel(QStringLiteral("COM &%1").arg(n), this);
    label->setBuddy(box);
    auto* note = new QLabel(this);
    note->setObjectName(QStringLiteral("lblCom%1Note").arg(n));
    const QString override = map_.OverrideFor(n);
    if (!override.isEmpty()) {
      note->setText(QStringLiteral("This run: %1 (%2)").arg(override, map_.OverrideOrigin(n)));
    }
    boxes_[static_cast<size_t>(n - 1)] = box;
    notes_[static_cast<size_t>(n - 1)] = note;
    grid->addWidget(label, n - 1, 0);
    grid->addWidget(box, n - 1, 1);
    grid->addWidget(note, n - 1, 2);
  }
  layout->addLayout(grid);
  layout->addWidget(new QLabel(QStringLiteral("Names under /dev/serial/by-id/ stay the same when the cable is "
                                              "plugged in again; /dev/ttyUSB0 may come back as /dev/ttyUSB1."),
                               this));
  error_ = new QLabel(this);
  error_->setObjectName(QStringLiteral("lblError"));
  layout->addWidget(error_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &AssignDevicesDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &AssignDevicesDialog::reject);
  layout->addWidget(buttons);

  for (int n = 1; n <= kPorts; ++n) FillChoices(n, map_.FromSettings(n));
  Refresh();
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &AssignDevicesDialog::Refresh);
  refresh_.start();
}

void AssignDevicesDialog::Refresh() {
  std::vector<SerialDevice> now = lister_ ? lister_() : std::vector<SerialDevice>{};
  // Rebuilding the choices while nothing changed would disturb a name
  // being typed or a list being looked at.
  if (listed_ && SameDevices(now, devices_)) return;
  listed_ = true;
  devices_ = std::move(now);
  table_->setRowCount(static_cast<int>(devices_.size()));
  for (int row = 0; row < static_cast<int>(devices_.size()); ++row) {
    const SerialDevice& d = devices_[static_cast<size_t>(row)];
    const QString cells[] = {d.systemLocation, d.stableName, d.description, d.manufacturer, d.serialNumber, d.usbId};
    for (int col = 0; col < 6; ++col) table_->setItem(row, col, new QTableWidgetItem(cells[col]));
  }
  for (int n = 1; n <= kPorts; ++n) FillChoices(n, Choice(n));
}

void AssignDevicesDialog::FillChoices(int portNo, const QString& keep) {
  QComboBox* box = choiceBox(portNo);
  QStringList names;
  for (const SerialDevice& d : devices_) {
    if (!d.stableName.isEmpty()) names << d.stableName;
    names << d.systemLocation;
  }
  if (!keep.isEmpty() && !names.contains(keep)) names << keep;  // unplugged now, or typed
  const QSignalBlocker quiet(box);
  box->clear();
  box->addItem(DefaultText(portNo));
  for (const QString& name : names) {
    box->addItem(name);
    for (const SerialDevice& d : devices_) {
      if (d.stableName == name || d.systemLocation == name) {
        box->setItemData(box->count() - 1, d.description, Qt::ToolTipRole);
      }
    }
  }
  box->setCurrentIndex(keep.isEmpty() ? 0 : box->findText(keep));
}

QString AssignDevicesDialog::Choice(int portNo) const {
  const QString text = choiceBox(portNo)->currentText().trimmed();
  return text == DefaultText(portNo) ? QString() : text;
}

void AssignDevicesDialog::accept() {
  QStringList failed;
  for (int n = 1; n <= kPorts; ++n) {
    const QString choice = Choice(n);
    // Only what changed is written: an untouched default adds no key.
    if (choice == map_.FromSettings(n)) continue;
    if (!map_.SaveToSettings(n, choice)) failed << QStringLiteral("COM %1").arg(n);
  }
  if (!failed.isEmpty()) {
    // Said in the dialog itself, which stays open: no second modal loop.
    error_->setText(QStringLiteral("The settings file could not be written; not saved: %1.")
                        .arg(failed.join(QStringLiteral(", "))));
    return;
  }
  QDialog::accept();
}

}  // namespace pw
