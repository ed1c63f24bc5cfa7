#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <vector>

#include "GuiBench.h"
#include "support/ModelAccess.h"
#include "sim/Fault.h"

namespace pw::test {
namespace {

std::vector<int16_t> Values(clsConsole& console) {
  std::vector<int16_t> v;
  for (int16_t i = 0; i < console.ListCount(); ++i) v.push_back(console.Value(i));
  return v;
}

// --- Keys ------------------------------------------------------------------

struct KeyCase {
  const char* name;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  int step;            // expected change of the selected value
  bool enter;          // the console's Enter is triggered
  int rowMove;         // expected move of the selection
  quint32 native = 0;  // the platform's own key code, where it matters
};

// The platform codes of the keypad's separator and decimal keys.
constexpr quint32 kVkSeparator = 0x6C, kVkDecimal = 0x6E;          // Windows virtual keys
constexpr quint32 kXkKpSeparator = 0xFFAC, kXkKpDecimal = 0xFFAE;  // X11 keysyms

const KeyCase kKeyCases[] = {
    {"Right", Qt::Key_Right, Qt::NoModifier, +1, false, 0},
    {"Shift+Right", Qt::Key_Right, Qt::ShiftModifier, +5, false, 0},
    {"Ctrl+Right", Qt::Key_Right, Qt::ControlModifier, +1, false, 0},
    {"Alt+Right", Qt::Key_Right, Qt::AltModifier, +1, false, 0},
    {"Left", Qt::Key_Left, Qt::NoModifier, -1, false, 0},
    {"Shift+Left", Qt::Key_Left, Qt::ShiftModifier, -5, false, 0},
    {"Return", Qt::Key_Return, Qt::NoModifier, 0, true, 0},
    {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, 0, true, 0},
    {"keypad separator (X11, comma)", Qt::Key_Comma, Qt::KeypadModifier, 0, true, 0, kXkKpSeparator},
    {"keypad separator (X11, period)", Qt::Key_Period, Qt::KeypadModifier, 0, true, 0, kXkKpSeparator},
    {"keypad separator (Windows)", Qt::Key_Comma, Qt::KeypadModifier, 0, true, 0, kVkSeparator},
    // The keypad's decimal key types "." or "," by layout: never an Enter,
    // which would start a procedure that writes to the radio.
    {"keypad decimal (X11, period)", Qt::Key_Period, Qt::KeypadModifier, 0, false, 0, kXkKpDecimal},
    {"keypad decimal (X11, comma)", Qt::Key_Comma, Qt::KeypadModifier, 0, false, 0, kXkKpDecimal},
    {"keypad decimal (Windows)", Qt::Key_Period, Qt::KeypadModifier, 0, false, 0, kVkDecimal},
    {"keypad period of unknown origin", Qt::Key_Period, Qt::KeypadModifier, 0, false, 0, 0},
    {"Up", Qt::Key_Up, Qt::NoModifier, 0, false, -1},
    {"Down", Qt::Key_Down, Qt::NoModifier, 0, false, +1},
};

TEST(MainWindowKeys, ConsoleKeyMapRowByRow) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  const int16_t mod = b.Line("       MOD");
  ASSERT_GE(mod, 1);
  QListWidget* list = b.window.consoleList();
  QSignalSpy activated(list, &QListWidget::activated);

  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(c.name);
    // No heartbeat runs between the key and the checks: what changed, the key changed.
    b.Console().set_Value(mod, 100);
    b.Console().set_flgEnterOn(mod, false);
    list->setCurrentRow(mod);
    list->setFocus();
    std::vector<int16_t> expected = Values(b.Console());
    expected[static_cast<size_t>(mod)] = static_cast<int16_t>(100 + c.step);
    activated.clear();

    // As the platform delivers it, with its own key code.
    QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers, 0, c.native, 0);
    QKeyEvent release(QEvent::KeyRelease, c.key, c.modifiers, 0, c.native, 0);
    QApplication::sendEvent(list, &press);
    QApplication::sendEvent(list, &release);

    EXPECT_EQ(Values(b.Console()), expected);
    EXPECT_EQ(b.Console().flgEnterOn(mod), c.enter);
    EXPECT_EQ(list->currentRow(), mod + c.rowMove);
    // Keys the console takes never reach the list (it would activate the line on Enter).
    EXPECT_EQ(activated.count(), 0);
  }
}

TEST(MainWindowKeys, F5ReloadsWhereverTheFocusIs) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  QWidget* targets[] = {b.window.button(0), b.window.button(2), b.window.consoleList()};
  for (QWidget* target : targets) {
    SCOPED_TRACE(target->objectName().toStdString());
    ModelAccess::ClearReloadRequest(b.Model());
    target->setFocus();
    QTest::keyClick(target, Qt::Key_F5);
    EXPECT_TRUE(b.Model().flgReloadRequest());
  }
}

TEST(MainWindowKeys, ConsoleGainingFocusWithoutSelectionSelectsFirstLine) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  ASSERT_TRUE(b.ConnectAndSettle());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&b.window));
  b.window.button(0)->setFocus();
  b.window.lboConsole().SetListIndex(-1);
  b.window.consoleList()->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(b.window.lboConsole().ListIndex(), 0);
  // Selected, not merely the list's current item (which the list makes of
  // the first line on its own).
  ASSERT_NE(b.window.consoleList()->currentItem(), nullptr);
  EXPECT_TRUE(b.window.consoleList()->currentItem()->isSelected());
}

// --- Typed-key watch ---------------------------------------------------------

struct TypedCase {
  const char* typed;
  bool onButton;
  bool captionChanges;
};

TEST(MainWindowKeys, TypedKeyWatchChangesCaptionOnlyForUnbrokenTrigger) {
  const TypedCase cases[] = {
      {"trimararbench", true, true},   {"xyztrimararbench", true, true},  // what came before does not matter
      {"trimarXarbench", true, false},                                    // one key in between breaks it
      {"trimararbenc", true, false},   {"trimararbench", false, false},   // only keys typed on a button count
  };
  for (const TypedCase& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + (c.onButton ? " on a button" : " on the console"));
    GuiBench b;
    ASSERT_TRUE(b.Start());
    QWidget* target = c.onButton ? static_cast<QWidget*>(b.window.button(0)) : b.window.consoleList();
    b.window.SetFrameVisible(1, true);  // the console page, so the list can take the focus
    target->setFocus();
    QTest::keyClicks(target, QString::fromLatin1(c.typed));
    if (c.captionChanges) {
      EXPECT_EQ(b.window.windowTitle(), QStringLiteral("Bench tuned well"));
    } else {
      EXPECT_EQ(b.window.windowTitle(), QStringLiteral("PW-R4T ADJ Rev.1.1"));
    }
  }
}

// --- Menus and the port indicator -------------------------------------------

TEST(MainWindowMenus, CaptionsAndAccessKeys) {
  GuiBench b;
  const std::pair<const char*, const char*> expected[] = {
      {"mnuFileExit", "E&xit"},
      {"mnuOptSelCom1", "COM &1"},
      {"mnuOptSelCom4", "COM &4"},
      {"mnuOptionSelAutoRelease0", "&OFF"},
      {"mnuOptionSelAutoRelease1", "&1 sec"},
      {"mnuOptionSelAutoRelease5", "&5 sec"},
  };
  for (const auto& [name, text] : expected) {
    const QAction* a = b.window.findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), QString::fromLatin1(text)) << name;
  }
  const std::pair<const char*, const char*> menus[] = {{"mnuFileTop", "&File"},
                                                       {"mnuOptionTop", "&Option"},
                                                       {"mnuOptionComPort", "&Port"},
                                                       {"mnuOptionAutoRelease", "&Auto port release"}};
  for (const auto& [name, text] : menus) {
    const QMenu* m = b.window.findChild<QMenu*>(QString::fromLatin1(name));
    ASSERT_NE(m, nullptr) << name;
    EXPECT_EQ(m->title(), QString::fromLatin1(text)) << name;
  }
}

TEST(MainWindowMenus, ChecksFollowTheSettingsOnTheNextTick) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  struct Case {
    QAction* action;
    std::function<int()> setting;
    int expected;
    std::function<std::vector<QAction*>()> group;
  };
  auto ports = [&] {
    std::vector<QAction*> v;
    for (int i = 1; i <= 4; ++i) v.push_back(b.window.portAction(i));
    return v;
  };
  auto releases = [&] {
    std::vector<QAction*> v;
    for (int i = 0; i <= 5; ++i) v.push_back(b.window.releaseAction(i));
    return v;
  };
  const Case cases[] = {
      {b.window.portAction(3), [&] { return int{b.app->main.ComPortNo()}; }, 3, ports},
      {b.window.releaseAction(2), [&] { return int{b.app->main.ComAutoRelease()}; }, 2, releases},
      {b.window.portAction(1), [&] { return int{b.app->main.ComPortNo()}; }, 1, ports},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action->objectName().toStdString());
    std::vector<bool> before;
    for (QAction* a : c.group()) before.push_back(a->isChecked());

    c.action->trigger();
    EXPECT_EQ(c.setting(), c.expected);
    std::vector<bool> afterClick;
    for (QAction* a : c.group()) afterClick.push_back(a->isChecked());
    EXPECT_EQ(afterClick, before) << "the click itself moves no check mark";

    b.Run(50);
    for (QAction* a : c.group()) EXPECT_EQ(a->isChecked(), a == c.action) << a->objectName().toStdString();
  }
  EXPECT_EQ(b.app->myObjNbx3Seq.comHoldReload(), 2000);
}

TEST(MainWindowMenus, PortIndicatorTextAndColour) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  const QPalette& p = b.window.palette();
  const QColor open = p.color(QPalette::ButtonText);
  const QColor closed = p.color(QPalette::Disabled, QPalette::WindowText);
  ASSERT_NE(open, closed);
  const QLabel* label = b.window.comBusyLabel();

  EXPECT_EQ(label->text(), QStringLiteral("COM 1: CLOSE"));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), closed);

  ASSERT_TRUE(b.ConnectAndSettle());
  EXPECT_EQ(label->text(), QStringLiteral("COM 1: OPEN"));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), open);

  b.window.portAction(2)->trigger();  // a new port: the link is reset and closed
  b.Run(50);
  EXPECT_EQ(label->text(), QStringLiteral("COM 2: CLOSE"));
  EXPECT_EQ(label->palette().color(QPalette::WindowText), closed);
}

// --- Layout -------------------------------------------------------------------

TEST(MainWindowLayout, FirstSizeFollowsTheScreenHeight) {
  const struct {
    int screenHeight;
    int windowHeight;
  } cases[] = {{11520, 8500}, {9000, 8100}, {7200, 6600}};
  const int screenWidth = 19200;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.screenHeight);
    GuiBench b;
    b.window.SetScreenTwipsOverride(screenWidth, c.screenHeight);
    ASSERT_TRUE(b.Start(false));
    EXPECT_EQ(b.window.size(), QSize(b.Px(9525), b.Px(c.windowHeight)));
    EXPECT_EQ(b.window.pos(),
              QPoint(b.Px((screenWidth - 9525) / 2), b.Px(static_cast<int>((c.screenHeight - c.windowHeight) * 0.3))));
    // Placed for the new size before the window is ever shown.
    const QRect last = b.window.button(2)->geometry();
    EXPECT_LE(last.right(), b.window.client()->width());
    EXPECT_GT(b.window.frame(0)->height(), b.Px(1000));
  }
}

TEST(MainWindowLayout, ButtonsStayCentredWithGapsAfterResize) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  const QSize first = b.window.size();
  for (const int width : {700, 931, 1200}) {
    SCOPED_TRACE(width);
    b.window.resize(width, 560);
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.window.client()->width() == width; }, 2000));
    QCoreApplication::processEvents();
    const QRect r0 = b.window.button(0)->geometry();
    const QRect r1 = b.window.button(1)->geometry();
    const QRect r2 = b.window.button(2)->geometry();
    EXPECT_EQ(r0.width(), b.Px(1800));
    EXPECT_EQ(r0.height(), b.Px(330));
    EXPECT_EQ(r1.left() - (r0.right() + 1), b.Px(120));
    EXPECT_EQ(r2.left() - (r1.right() + 1), b.Px(120));
    EXPECT_EQ(r0.top(), r2.top());
    const int leftMargin = r0.left();
    const int rightMargin = b.window.client()->width() - (r2.right() + 1);
    EXPECT_LE(std::abs(leftMargin - rightMargin), 1);
    EXPECT_EQ(b.window.comBusyLabel()->pos(), QPoint(b.Px(120), b.Px(120)));
  }
  EXPECT_NE(b.window.size(), first) << "the window's own size is not reset after the first layout";
}

TEST(MainWindowLayout, AtisNoticeShownCentredInFront) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  b.window.SetAtisWaitingVisible(true);
  const QRect r = b.window.atisWaiting()->geometry();
  EXPECT_TRUE(b.window.atisWaiting()->isVisible());
  EXPECT_EQ(r.size(), QSize(b.Px(3135), b.Px(390)));
  EXPECT_LE(std::abs(r.center().x() - b.window.client()->rect().center().x()), 1);
  EXPECT_LE(std::abs(r.center().y() - b.window.client()->rect().center().y()), 1);
  EXPECT_EQ(b.window.client()->children().last(), static_cast<QObject*>(b.window.atisWaiting()))
      << "in front of the pages";
  b.window.SetAtisWaitingVisible(false);
  EXPECT_FALSE(b.window.atisWaiting()->isVisible());
}

// --- Texts ---------------------------------------------------------------------

// What the core hands the window is UTF-8 (a folder's name in a message, a
// device's name); shown decoded any other way, "J\u00F6rg" would read "J\u00C3\u00B6rg".
TEST(MainWindowTexts, CoreTextsAreShownAsUtf8AndListsGiveThemBackUnchanged) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  const std::string core = "J\xC3\xB6rg";
  MainWindow& w = b.window;
  struct Case {
    const char* name;
    std::function<void()> set;
    std::function<QString()> get;
  };
  const Case cases[] = {
      {"caption", [&] { w.SetCaption(core); }, [&] { return w.windowTitle(); }},
      {"title", [&] { w.SetTitleText(core); },
       [&] { return w.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(); }},
      {"progress", [&] { w.SetProgressText(core); }, [&] { return w.progressLabel()->text(); }},
      {"port indicator", [&] { w.SetComBusy(core, ColorRole::ButtonText); }, [&] { return w.comBusyLabel()->text(); }},
      {"button", [&] { w.SetButtonCaption(frm::kButtonReload, core); },
       [&] { return w.button(frm::kButtonReload)->text(); }},
      {"dump", [&] { w.SetDispParaText(core); }, [&] { return w.dispParaText()->toPlainText(); }},
      {"console line added", [&] { w.lboConsole().AddItem(core); },
       [&] { return w.consoleList()->item(w.consoleList()->count() - 1)->text(); }},
      {"monitor line changed",
       [&] {
         w.lbo01(frm::kListAd).AddItem("x");
         w.lbo01(frm::kListAd).SetList(w.lbo01(frm::kListAd).ListCount() - 1, core);
       },
       [&] { return w.monitorList(frm::kListAd)->item(w.monitorList(frm::kListAd)->count() - 1)->text(); }},
  };
  for (const Case& c : cases) {
    c.set();
    EXPECT_EQ(c.get().toStdString(), core) << c.name;
  }
  IListBox& console = w.lboConsole();
  EXPECT_EQ(console.List(console.ListCount() - 1), core);
}

// --- Messages -----------------------------------------------------------------

TEST(MainWindowMessages, StartupRefusalIsHeldWhileTheWindowStaysHidden) {
  GuiBench b;
  std::filesystem::remove(b.dir.path() / "Const.ini");
  EXPECT_FALSE(b.Start());
  EXPECT_FALSE(b.window.isVisible());
  EXPECT_TRUE(b.window.findChildren<QMessageBox*>().isEmpty()) << "no box on a window that is not there";
  EXPECT_EQ(b.window.TakeStartupMessages(), std::vector<std::string>{"Cannot read 'Const.ini'."});
}

struct ErrorCase {
  const char* name;
  std::function<void(GuiBench&)> arrange;
  const char* text;
};

TEST(MainWindowMessages, CloneErrorShownInWindowModalBoxWithoutBlockingTheHeartbeat) {
  const ErrorCase cases[] = {
      {"port cannot open", [](GuiBench& b) { b.port.missingPorts.insert(1); },
       "Cannot access COM 1.\n\nCheck the following:\n\n- The COM port settings.\n"
       "- Cloning cable connections.\n- The KQ-R4T power is ON."},
      {"radio does not answer",
       [](GuiBench& b) {
         b.radio.addFault(sim::Fault{sim::FaultKind::NoAnswer, {}, false, 0});
       },
       "No answer from KQ-R4T.\n\nCheck the following:\n\n- The COM port settings.\n"
       "- Cloning cable connections.\n- The KQ-R4T power is ON."},
      {"sub name refused",
       [](GuiBench& b) {
         b.radio.addFault(sim::Fault{sim::FaultKind::WrongSubName, {}, false, 0});
       },
       "Version number does not match\nfor this KQ-R4T."},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    GuiBench b;
    c.arrange(b);
    ASSERT_TRUE(b.Start());
    // A box that ran its own event loop would hold this test inside the
    // tick; the watchdog ends such a box so that the test fails, not hangs.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    watchdog.start(5000);
    b.window.button(0)->click();
    ASSERT_TRUE(b.RunUntil([&] { return b.window.messageBox() != nullptr; }, 20000));
    EXPECT_TRUE(watchdog.isActive()) << "the tick waited for the box";
    watchdog.stop();

    QMessageBox* box = b.window.messageBox();
    EXPECT_EQ(box->text(), QString::fromLatin1(c.text));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("PW-R4T ADJ Rev.1.1"));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->parentWidget(), &b.window);

    // The tick that raised the box has returned while the box is still up,
    // and later ticks neither block nor report the same error again.
    b.Run(3000);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(b.window.findChildren<QMessageBox*>().size(), 1);
    EXPECT_EQ(b.window.comBusyLabel()->text(), QStringLiteral("COM 1: CLOSE"));

    // The window takes no clicks while the box is up (a click as the window
    // system delivers it, so that modality applies).
    QPushButton* connect = b.window.button(0);
    const QPoint at = connect->mapTo(&b.window, connect->rect().center());
    QTest::mouseClick(b.window.windowHandle(), Qt::LeftButton, {}, at);
    b.Run(50);
    EXPECT_EQ(b.Model().opState(), op::Idle);

    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return b.window.messageBox() == nullptr; }, 1000)) << "the box is gone";
  }
}

}  // namespace
}  // namespace pw::test
