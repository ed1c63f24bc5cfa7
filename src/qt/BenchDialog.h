// Option > "Bench instruments...": one line per role with its address, a
// Test button that connects the role afresh and shows its *IDN? answer or
// why it failed, and OK, which saves only what changed into the bench file
// (every other line of it stays) and hands the bench its new roles.
//
// A Test is started and then polled on a timer at the heartbeat's pace;
// nothing in the dialog waits for an instrument. Testing an address typed
// but not yet saved gives the bench that address for the test; Cancel gives
// it back what it had.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <string>

#include "instruments/BenchFile.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace pw {

class BenchInstruments;

class BenchDialog : public QDialog {
  Q_OBJECT

 public:
  BenchDialog(BenchInstruments& bench, std::string benchFile, QWidget* parent = nullptr);

  // Shows the answers of the Tests that have finished.
  void Poll();

  QLineEdit* addressEdit(Role role) const { return lines_.at(Index(role)).address; }
  QPushButton* testButton(Role role) const { return lines_.at(Index(role)).test; }
  QLabel* resultLabel(Role role) const { return lines_.at(Index(role)).result; }
  QLabel* errorLabel() const { return error_; }

 public slots:
  void accept() override;
  void reject() override;

 private:
  struct Line {
    QLineEdit* address = nullptr;
    QPushButton* test = nullptr;
    QLabel* result = nullptr;
    bool testing = false;
  };
  static size_t Index(Role role) { return static_cast<size_t>(role); }

  void StartTest(Role role);
  // The bench file as read, with the addresses as the lines show them.
  BenchConfig Edited() const;

  BenchInstruments& bench_;
  const std::string file_;
  BenchConfig read_;         // the bench file when the dialog opened
  BenchConfig benchBefore_;  // what the bench had, for Cancel
  bool benchChanged_ = false;
  std::array<Line, kRoleCount> lines_{};
  QLabel* error_ = nullptr;
  QTimer poll_;
};

}  // namespace pw
