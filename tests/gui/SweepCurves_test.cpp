// The sweep curves in the real window: the option that shows them and is
// remembered, the window following a sweep as it runs, and what a plot
// marks; and the service record on paper, drawn by the same code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>

#include "base/Utf8Path.h"
#include "gui/GuiBench.h"
#include "qt/RecordPrintMenu.h"
#include "qt/RecordPrintout.h"
#include "qt/SweepCurvesOption.h"
#include "qt/SweepPlot.h"
#include "support/RecordDesk.h"

namespace pw::test {
namespace {

std::string Settings(GuiBench& b) { return FileBytes(PathFromUtf8(b.app->gCom.profMain.GetMyProfile())); }

TEST(SweepCurvesOption, AnUncheckedItemThatShowsTheWindowBesideAndIsRememberedInItsOwnSection) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  QAction* item = b.window.sweepCurvesAction();
  const QMenu* option = b.window.findChild<QMenu*>(QStringLiteral("mnuOptionTop"));
  ASSERT_NE(option, nullptr);
  EXPECT_TRUE(option->actions().contains(item));
  EXPECT_EQ(item->text(), QStringLiteral("&Sweep curves"));
  EXPECT_TRUE(item->isCheckable());
  b.app->gCom.profMain.Section = "OPTION";
  ASSERT_TRUE(b.app->gCom.profMain.saveData("ComPort", int16_t{3}));
  const std::string before = Settings(b);
  const QRect mainBefore = b.window.geometry();

  auto option1 = std::make_unique<SweepCurvesOption>(*b.app, b.window);
  EXPECT_FALSE(item->isChecked()) << "off by default";
  EXPECT_EQ(option1->curvesWindow(), nullptr);

  item->trigger();
  ASSERT_NE(option1->curvesWindow(), nullptr);
  SweepCurvesWindow* curves = option1->curvesWindow();
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(curves->isVisible());
  EXPECT_TRUE(curves->isWindow()) << "a window of its own";
  EXPECT_EQ(b.window.geometry(), mainBefore) << "the main window stays as it is";
  EXPECT_EQ(Settings(b), before + "[SWEEP CURVES]\r\nShow=1\r\n") << "the other sections untouched";

  // Beside a window where the screen has room for both.
  QWidget stand;
  stand.setGeometry(20, 40, 100, 100);
  stand.show();
  curves->PlaceBeside(stand);
  EXPECT_GT(curves->frameGeometry().left(), stand.frameGeometry().right());
  EXPECT_EQ(curves->frameGeometry().top(), stand.frameGeometry().top());

  // The close box unchecks it, and that is remembered too.
  curves->close();
  EXPECT_FALSE(item->isChecked());
  EXPECT_EQ(Settings(b), before + "[SWEEP CURVES]\r\nShow=0\r\n");
  item->trigger();
  EXPECT_TRUE(curves->isVisible());

  // The next run opens it again.
  option1.reset();
  SweepCurvesOption option2(*b.app, b.window);
  EXPECT_TRUE(item->isChecked());
  ASSERT_NE(option2.curvesWindow(), nullptr);
  EXPECT_TRUE(option2.curvesWindow()->isVisible());
  item->trigger();
  EXPECT_FALSE(option2.curvesWindow()->isVisible());
  EXPECT_EQ(Settings(b), before + "[SWEEP CURVES]\r\nShow=0\r\n");
}

// A BPF T3 sweep with the curves open: the plot follows the readings while
// the sweep runs, then shows the choice; the next sweep dims this one.
TEST(SweepCurvesOption, TheWindowFollowsASweepLive) {
  GuiBench b;
  ASSERT_TRUE(b.Start());
  SweepCurvesOption option(*b.app, b.window);
  b.window.sweepCurvesAction()->trigger();
  ASSERT_TRUE(b.ConnectAndSettle());
  const int16_t t3 = b.Line("    BPF T3");
  ASSERT_GE(t3, 0);
  auto sweepT3 = [&] {
    b.window.consoleList()->setCurrentRow(t3);
    b.window.consoleList()->setFocus();
    QTest::keyClick(b.window.consoleList(), Qt::Key_Return);
  };
  auto plotted = [&]() -> const SweepPlot::Curves& { return option.curvesWindow()->plot(2)->curves(); };
  const auto& record = [&]() -> const SweepCurves& { return b.app->records.record()->sweeps(); };

  sweepT3();
  ASSERT_TRUE(b.RunUntil([&] { return record().Latest(2) && record().Latest(2)->points.size() >= 10; }, 20000));
  option.Follow();
  ASSERT_TRUE(plotted().latest);
  EXPECT_EQ(plotted().latest->points.size(), record().Latest(2)->points.size());
  EXPECT_FALSE(plotted().latest->finished);
  b.Run(1000);
  option.Follow();
  EXPECT_GT(plotted().latest->points.size(), 10u) << "it grows as the sweep reads";
  EXPECT_FALSE(option.curvesWindow()->plot(0)->curves().latest) << "one plot per filter";

  ASSERT_TRUE(b.RunUntil([&] { return b.Model().procStep() == proc::None; }, 60000));
  option.Follow();
  EXPECT_TRUE(plotted().latest->finished);
  EXPECT_EQ(plotted().latest->chosen, 30);
  EXPECT_FALSE(plotted().previous);

  b.Run(500);
  sweepT3();
  ASSERT_TRUE(b.RunUntil([&] { return record().all().size() == 2 && record().Latest(2)->points.size() >= 3; }, 20000));
  option.Follow();
  ASSERT_TRUE(plotted().previous);
  EXPECT_TRUE(plotted().previous->finished);
  EXPECT_EQ(plotted().latest->points.size(), record().Latest(2)->points.size());
}

int Distance(const QColor& a, const QColor& b) {
  return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
}

// A pixel within `tolerance` of the colour in the rectangle: lines and text
// are smoothed, so the colour itself may not be there.
bool HasColor(const QImage& image, const QColor& color, QRect where, int tolerance = 0) {
  where = where.intersected(image.rect());
  for (int y = where.top(); y <= where.bottom(); ++y) {
    for (int x = where.left(); x <= where.right(); ++x) {
      if (Distance(image.pixelColor(x, y), color) <= tolerance) return true;
    }
  }
  return false;
}

// The pixel least like the white background around a point.
QColor Inkiest(const QImage& image, QPoint at) {
  QColor inkiest = Qt::white;
  for (int y = at.y() - 2; y <= at.y() + 2; ++y) {
    for (int x = at.x() - 1; x <= at.x() + 1; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (Distance(c, Qt::white) > Distance(inkiest, Qt::white)) inkiest = c;
    }
  }
  return inkiest;
}

SweepCurve Curve(int filter, const std::vector<int>& levels, int step) {
  SweepCurve c;
  c.filter = filter;
  c.min = -128;
  c.max = 127;
  for (size_t i = 0; i < levels.size(); ++i) {
    c.points.push_back(
        {static_cast<int16_t>(std::min(127, -128 + step * static_cast<int>(i))), static_cast<int16_t>(levels[i])});
  }
  return c;
}

// The marks, as the window and the paper draw them.
TEST(SweepPlot, MarksTheChoiceTheBestRangeThePreviousSweepAndTheWarnings) {
  SweepPlot::Curves c;
  c.filter = 1;
  // A peak of 90 from -96 to -64, chosen -80; before it a flat sweep at 40.
  std::vector<int> levels(65, 50);
  for (int i = 8; i <= 16; ++i) levels[static_cast<size_t>(i)] = 90;
  c.latest = Curve(1, levels, 4);
  c.latest->finished = true;
  c.latest->low = -96;
  c.latest->high = -64;
  c.latest->chosen = -80;
  c.previous = Curve(1, std::vector<int>(65, 40), 4);

  QImage image(600, 400, QImage::Format_RGB32);
  image.fill(Qt::white);
  SweepPlot::Frame f;
  {
    QPainter painter(&image);
    f = SweepPlot::Draw(painter, QRectF(0, 0, 600, 400), c, 1.0);
  }
  // Between the curves, where only the marks are.
  const int y = static_cast<int>(f.Y(65));
  auto column = [&](int value) { return QRect(static_cast<int>(f.X(value)) - 1, y, 3, 1); };
  EXPECT_TRUE(HasColor(image, SweepPlot::kChosenColor, column(-80)));
  EXPECT_TRUE(HasColor(image, SweepPlot::kRangeColor, column(-96)));
  EXPECT_TRUE(HasColor(image, SweepPlot::kRangeColor, column(-64)));
  EXPECT_FALSE(HasColor(image, SweepPlot::kRangeColor, column(0)));
  EXPECT_FALSE(HasColor(image, SweepPlot::kChosenColor, column(0)));
  // The previous sweep, dimmed, where the new one is not.
  const QColor previous = Inkiest(image, QPoint(static_cast<int>(f.X(60)), static_cast<int>(f.Y(40))));
  EXPECT_LT(Distance(previous, SweepPlot::kPreviousColor), Distance(previous, SweepPlot::kCurveColor));
  const QColor latest = Inkiest(image, QPoint(static_cast<int>(f.X(60)), static_cast<int>(f.Y(50))));
  EXPECT_LT(Distance(latest, SweepPlot::kCurveColor), Distance(latest, SweepPlot::kPreviousColor));
  EXPECT_FALSE(HasColor(image, SweepPlot::kWarningColor, image.rect(), 24)) << "a clear peak inside the range";

  // Flat and ending at Max: both warnings, written above the axes.
  c.latest = Curve(1, std::vector<int>(65, 50), 4);
  c.latest->finished = true;
  c.latest->low = -128;
  c.latest->high = 127;
  c.latest->chosen = 0;
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    f = SweepPlot::Draw(painter, QRectF(0, 0, 600, 400), c, 1.0);
  }
  EXPECT_TRUE(HasColor(image, SweepPlot::kWarningColor, QRect(0, 0, 600, static_cast<int>(f.area.top())), 24));
}

// The record on paper: a PDF that grows a page as the sweeps need it, and
// asks before it replaces a file.
TEST(RecordPrintout, APdfOfTheRecordAndNoFileReplacedUnasked) {
  ServiceRecord record({2026, 12, 10, 14, 32, 0}, {1, "/dev/ttyUSB0", "2320", "0001", false}, ByteStr(4096, 0));
  const RecordPrintout::Header header{QStringLiteral("9.9.9"), QStringLiteral("bench-1"), {2026, 12, 10, 15, 0, 0}};
  auto pages = [&] {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageSize(QPageSize(QPageSize::A4));
    return RecordPrintout::Paint(writer, record, header);
  };
  EXPECT_EQ(pages(), 1);
  for (int sweep = 0; sweep < 2; ++sweep) {
    for (int k = 0; k < 4; ++k) {
      record.sweeps().Started({2026, 12, 10, 14, 33, 0}, k, -128, 127);
      for (int v = -128; v <= 127; v += 4) record.sweeps().Read(k, static_cast<int16_t>(v), 60);
    }
  }
  EXPECT_EQ(pages(), 1) << "the header and four plots fit one page";
  for (int i = 0; i < 40; ++i) record.LinkError({2026, 12, 10, 14, 34, i}, "No answer from KQ-R4T.");
  EXPECT_EQ(pages(), 2) << "a long log pushes the plots to a second page";
  const QByteArray pdf = RecordPrintout::Pdf(record, header);
  EXPECT_TRUE(pdf.startsWith("%PDF-"));

  GuiBench b;
  ASSERT_TRUE(b.Start());
  RecordPrintMenu menu(*b.app, b.window);
  const QString path = QString::fromStdString(PathToUtf8(b.dir.path() / "record"));
  ASSERT_TRUE(menu.SavePdfTo(record, path));
  const std::string written = FileBytes(b.dir.path() / "record.pdf");
  EXPECT_EQ(written.substr(0, 5), "%PDF-");
  { std::ofstream(b.dir.path() / "old.pdf", std::ios::binary) << "old"; }
  EXPECT_FALSE(menu.SavePdfTo(record, QString::fromStdString(PathToUtf8(b.dir.path() / "old.pdf"))));
  b.Run(100);
  auto* ask = b.window.findChild<QMessageBox*>(QStringLiteral("msgReplaceRecord"));
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(FileBytes(b.dir.path() / "old.pdf"), "old");
  ask->button(QMessageBox::Yes)->click();
  b.Run(100);
  EXPECT_EQ(FileBytes(b.dir.path() / "old.pdf").substr(0, 5), "%PDF-");
}

}  // namespace
}  // namespace pw::test
