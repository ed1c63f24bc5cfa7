// Option > Port > "Assign devices...": which device each of COM 1 to COM 4
// stands for. Lists the serial devices the system reports (refreshed while
// open, so a cable plugged in appears) and lets the technician pick one for
// each port, or keep the default. OK writes the choice into the [PORTS]
// section of the settings file at once; every other line stays. A device
// given on the command line still wins for this run; the dialog says so.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <vector>

#include "qt/SerialDevices.h"

class QComboBox;
class QLabel;
class QTableWidget;

namespace pw {

class PortMap;

class AssignDevicesDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kPorts = 4;
  static constexpr int kRefreshMs = 1000;

  AssignDevicesDialog(PortMap& map, SerialDeviceLister lister, QWidget* parent = nullptr);

  // Reads the system's list again and updates the table and the choices.
  void Refresh();
  // The device chosen for COM n; empty for the default.
  QString Choice(int portNo) const;

  QTableWidget* deviceTable() const { return table_; }
  QComboBox* choiceBox(int portNo) const { return boxes_.at(static_cast<size_t>(portNo - 1)); }
  QLabel* noteLabel(int portNo) const { return notes_.at(static_cast<size_t>(portNo - 1)); }
  QLabel* errorLabel() const { return error_; }

 public slots:
  void accept() override;

 private:
  void FillChoices(int portNo, const QString& keep);

  PortMap& map_;
  SerialDeviceLister lister_;
  std::vector<SerialDevice> devices_;
  bool listed_ = false;
  QTableWidget* table_ = nullptr;
  std::array<QComboBox*, kPorts> boxes_{};
  std::array<QLabel*, kPorts> notes_{};
  QLabel* error_ = nullptr;
  QTimer refresh_;
};

}  // namespace pw
