// The service record's menu items in the real window: where they are, when
// they can be used, and what they write. The dialogs answer from a script,
// so no test opens one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QSet>

#include "gui/GuiBench.h"
#include "sim/Fault.h"
#include "support/RecordDesk.h"

namespace pw::test {
namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;

class RecordMenu : public ::testing::Test {
 protected:
  RecordMenu() {
    b.app->records.SetCalendar(&calendar);
    b.app->records.SetDialogs(&dialogs);
  }
  void TearDown() override { DurableFile::SetStepObserver({}); }

  QAction* Save() { return b.window.saveRecordAction(); }
  QAction* Keep() { return b.window.keepRecordsAction(); }
  void StepMod() {
    b.window.consoleList()->setCurrentRow(b.Line("       MOD"));
    b.window.consoleList()->setFocus();
    QTest::keyClick(b.window.consoleList(), Qt::Key_Right);
  }

  GuiBench b;
  BenchCalendar calendar{b.clock};
  ScriptedDialogs dialogs;
};

TEST_F(RecordMenu, SaveComesBeforeExitWithItsOwnAccessKeyAndKeepIsAnUncheckedOption) {
  const QMenu* file = b.window.findChild<QMenu*>(QStringLiteral("mnuFileTop"));
  ASSERT_NE(file, nullptr);
  const QList<QAction*> items = file->actions();
  ASSERT_EQ(items.size(), 5);
  EXPECT_EQ(items[0], Save());
  EXPECT_EQ(items[1], b.window.printRecordAction());
  EXPECT_EQ(items[2], b.window.saveRecordPdfAction());
  EXPECT_TRUE(items[3]->isSeparator());
  EXPECT_EQ(items[4], b.window.exitAction());
  EXPECT_EQ(Save()->text(), QStringLiteral("&Save service record..."));
  EXPECT_EQ(items[1]->text(), QStringLiteral("&Print service record..."));
  EXPECT_EQ(items[2]->text(), QStringLiteral("Save service record as P&DF..."));
  // Alt+F then X still exits: no other item of the menu claims X, nor any
  // item another's key.
  EXPECT_EQ(QKeySequence::mnemonic(Save()->text()), QKeySequence(Qt::ALT | Qt::Key_S));
  EXPECT_EQ(QKeySequence::mnemonic(b.window.exitAction()->text()), QKeySequence(Qt::ALT | Qt::Key_X));
  QSet<QKeySequence> keys;
  for (const QAction* a : items) {
    if (!a->isSeparator()) keys.insert(QKeySequence::mnemonic(a->text()));
  }
  EXPECT_EQ(keys.size(), 4);

  const QMenu* option = b.window.findChild<QMenu*>(QStringLiteral("mnuOptionTop"));
  ASSERT_NE(option, nullptr);
  // Keep, then the sweep curves, at the end of the menu.
  EXPECT_EQ(option->actions().at(option->actions().size() - 2), Keep());
  EXPECT_EQ(Keep()->text(), QStringLiteral("&Keep service records"));
  EXPECT_TRUE(Keep()->isCheckable());
  for (const QAction* a : option->actions()) {
    if (a != Keep() && !a->isSeparator() && a->menu()) {
      EXPECT_NE(QKeySequence::mnemonic(a->text()), QKeySequence::mnemonic(Keep()->text())) << a->text().toStdString();
    }
  }
}

TEST_F(RecordMenu, SaveIsEnabledOnceAConnectReadARadioAndStaysAfterALinkError) {
  ASSERT_TRUE(b.Start());
  EXPECT_FALSE(Save()->isEnabled());
  EXPECT_FALSE(Keep()->isChecked());
  EXPECT_FALSE(b.window.printRecordAction()->isEnabled());
  EXPECT_FALSE(b.window.saveRecordPdfAction()->isEnabled());
  ASSERT_TRUE(b.ConnectAndSettle());
  EXPECT_TRUE(Save()->isEnabled());
  EXPECT_TRUE(b.window.printRecordAction()->isEnabled());
  EXPECT_TRUE(b.window.saveRecordPdfAction()->isEnabled());

  StepMod();
  b.Run(200);
  b.radio.addFault({sim::FaultKind::NoAnswer, sim::FaultTrigger::always(), false, 0});
  QTest::keyClick(b.window.consoleList(), Qt::Key_F5);
  ASSERT_TRUE(b.RunUntil([&] { return b.window.messageBox() != nullptr; }, 20000));
  b.window.messageBox()->accept();
  b.Run(200);
  EXPECT_TRUE(Save()->isEnabled()) << "the record of a failed session can still be kept";

  const fs::path txt = b.dir.path() / "failed session.txt";
  dialogs.paths.push_back(PathToUtf8(txt));
  Save()->trigger();
  EXPECT_EQ(dialogs.asked.back(), "save in '' as 'KQ-R4T 2026-12-10 1432.txt'");
  const std::string report = FileBytes(txt);
  EXPECT_THAT(report, HasSubstr("*               MOD Level:  128   129\r\n"));
  EXPECT_THAT(report, HasSubstr("Link error: No answer from KQ-R4T.\r\n"));
  EXPECT_EQ(FileBytes(b.dir.path() / "failed session.bin").size(), 4096u);
}

TEST_F(RecordMenu, KeepAsksForAFolderChecksAndWritesAfterAChange) {
  ASSERT_TRUE(b.Start());
  const fs::path folder = b.dir.path() / "kept";
  fs::create_directories(folder);

  dialogs.paths.push_back("");  // cancelled: stays off
  Keep()->trigger();
  b.Run(100);
  EXPECT_FALSE(Keep()->isChecked());

  dialogs.paths.push_back(PathToUtf8(folder));
  Keep()->trigger();
  b.Run(100);
  EXPECT_TRUE(Keep()->isChecked());

  ASSERT_TRUE(b.ConnectAndSettle());
  const fs::path txt = folder / "KQ-R4T 2026-12-10 1432.txt";
  EXPECT_THAT(FileBytes(txt), HasSubstr("0 parameters of 128 changed."));
  StepMod();
  b.Run(ServiceRecords::kKeepGapMs + 100);
  EXPECT_THAT(FileBytes(txt), HasSubstr("*               MOD Level:  128   129\r\n"));

  Keep()->trigger();  // off, without a question
  b.Run(100);
  EXPECT_FALSE(Keep()->isChecked());
  EXPECT_EQ(dialogs.asked.size(), 2u);
}

TEST_F(RecordMenu, AReadOnlyFolderGivesTheMessageAndLeavesNoPartialFile) {
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  // A technician's folder that is not plain ASCII: the box shows it as named.
  ReadOnlyFolder locked(b.dir.path() / PathFromUtf8("J\xC3\xB6rg"));
  dialogs.paths.push_back(PathToUtf8(locked.path() / "record.txt"));
  Save()->trigger();
  b.Run(100);
  ASSERT_NE(b.window.messageBox(), nullptr);
  EXPECT_EQ(b.window.messageBox()->text().toStdString(),
            "Cannot write the service record to " + PathToUtf8(locked.path() / "record.bin") + ".");
  EXPECT_TRUE(fs::is_empty(locked.path()));
  EXPECT_TRUE(Save()->isEnabled()) << "the record stays, to be saved elsewhere";
}

}  // namespace
}  // namespace pw::test
