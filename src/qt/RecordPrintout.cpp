#include "qt/RecordPrintout.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSysInfo>
#include <functional>
#include <vector>

#include "base/DurableFile.h"
#include "base/ProgramTitle.h"
#include "base/Utf8Path.h"
#include "platform/ICalendar.h"
#include "qt/SweepPlot.h"
#include "record/ServiceRecord.h"

namespace pw {

namespace {

// Measures in points (1/72 inch); the painter works in device pixels.
constexpr double kMarginPt = 40;
constexpr double kPlotHeightPt = 200;
constexpr double kPlotGapPt = 14;
constexpr int kPdfResolution = 600;
constexpr size_t kPlotsPerRow = 2;

QString FromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString Time(const LocalTime& t) { return FromUtf8(ServiceRecord::TimeText(t)); }

// What goes on the pages, in order: pieces of a known height that are not
// split across pages. A heading stays with the piece after it.
struct Piece {
  double height = 0;
  bool keepWithNext = false;
  std::function<void(QPainter&, const QRectF&)> draw;
};

class Composer {
 public:
  Composer(QPaintDevice& device, double width) : device_(device), width_(width), pt_(device.logicalDpiY() / 72.0) {
    body_.setFamily(QStringLiteral("Sans Serif"));
    body_.setStyleHint(QFont::SansSerif);
    body_.setPointSizeF(9.5);
    // No ligatures: "fi" stays two letters that a search of the PDF finds.
    body_.setStyleStrategy(QFont::PreferNoShaping);
    mono_.setFamily(QStringLiteral("Monospace"));
    mono_.setStyleHint(QFont::TypeWriter);
    mono_.setPointSizeF(7.5);
    mono_.setStyleStrategy(QFont::PreferNoShaping);
    heading_ = body_;
    heading_.setBold(true);
    heading_.setPointSizeF(11.5);
    title_ = heading_;
    title_.setPointSizeF(16);
  }

  double pt() const { return pt_; }
  const QFont& body() const { return body_; }
  std::vector<Piece>& pieces() { return pieces_; }

  void Text(const QString& text, const QFont& font, double spaceAfterPt = 0, const QColor& color = Qt::black) {
    const double h = QFontMetricsF(font, &device_).height();
    pieces_.push_back({h + spaceAfterPt * pt_, false, [text, font, color, h](QPainter& p, const QRectF& r) {
                         p.setFont(font);
                         p.setPen(color);
                         p.drawText(QRectF(r.left(), r.top(), r.width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
                       }});
  }
  void Title(const QString& text) { Text(text, title_, 4); }
  void Line(const QString& text) { Text(text, body_); }
  void Mono(const QString& text) { Text(text, mono_); }
  void Heading(const QString& text) {
    Gap(10);
    Text(text, heading_, 3);
    pieces_.back().keepWithNext = true;
  }
  void Gap(double points) { pieces_.push_back({points * pt_, false, {}}); }
  // Sweep plots side by side, in the body font.
  void Plots(const std::vector<SweepPlot::Curves>& row) {
    const double line = 0.75 * pt_;
    const double gap = kPlotGapPt * pt_;
    const double w = (width_ - gap * static_cast<double>(kPlotsPerRow - 1)) / static_cast<double>(kPlotsPerRow);
    QFont font = body_;
    font.setPointSizeF(8);
    pieces_.push_back(
        {(kPlotHeightPt + kPlotGapPt) * pt_, false, [row, w, gap, line, font](QPainter& p, const QRectF& r) {
           p.setFont(font);
           for (size_t i = 0; i < row.size(); ++i) {
             const QRectF box(r.left() + static_cast<double>(i) * (w + gap), r.top(), w, r.height() - gap);
             SweepPlot::Draw(p, box, row[i], line);
           }
         }});
  }

 private:
  QPaintDevice& device_;
  double width_;
  double pt_;
  QFont body_, mono_, heading_, title_;
  std::vector<Piece> pieces_;
};

void Compose(Composer& c, const ServiceRecord& record, const RecordPrintout::Header& header) {
  const ServiceRecord::Identity& id = record.identity();
  c.Title(QStringLiteral("%1 service record").arg(QString::fromLatin1(kProgramTitle)));
  c.Line(QStringLiteral("Program: pwr4tadj %1").arg(header.version));
  QString port = QStringLiteral("COM %1").arg(id.portNo);
  if (!id.device.empty()) port += QStringLiteral(" (%1)").arg(FromUtf8(id.device));
  c.Line(QStringLiteral("Bench: %1, %2")
             .arg(header.bench.isEmpty() ? QStringLiteral("this computer") : header.bench, port));
  c.Line(QStringLiteral("Connected: %1    Printed: %2").arg(Time(record.connected()), Time(header.printed)));

  c.Heading(QStringLiteral("Radio"));
  c.Line(QStringLiteral("%1, model %2, sub name %3, market %4")
             .arg(QString::fromLatin1(kRadioName), FromUtf8(id.modelName), FromUtf8(id.subName),
                  id.japan ? QStringLiteral("Japan") : QStringLiteral("other than Japan")));

  const std::vector<ServiceRecord::Change> changes = record.Changes();
  c.Heading(QStringLiteral("Parameters changed: at Connect, now"));
  if (changes.empty()) c.Line(QStringLiteral("none"));
  for (const ServiceRecord::Change& ch : changes) {
    c.Mono(QStringLiteral("%1 %2 %3").arg(FromUtf8(ch.name), -28).arg(ch.before, 5).arg(ch.now, 5));
  }

  c.Heading(QStringLiteral("Procedures and link errors"));
  for (const std::string& l : record.LogLines()) c.Mono(FromUtf8(l));

  c.Heading(QStringLiteral("Sweep curves: SD level against the filter's value"));
  std::vector<SweepPlot::Curves> row;
  bool any = false;
  for (int k = 0; k < SweepCurves::kFilters; ++k) {
    SweepPlot::Curves curves;
    curves.filter = k;
    const SweepCurve* latest = record.sweeps().Latest(k);
    if (!latest) continue;
    curves.latest = *latest;
    if (const SweepCurve* previous = record.sweeps().Previous(k)) curves.previous = *previous;
    row.push_back(std::move(curves));
    any = true;
    if (row.size() == kPlotsPerRow) {
      c.Plots(row);
      row.clear();
    }
  }
  if (!row.empty()) c.Plots(row);
  if (!any) c.Line(QStringLiteral("none"));
}

// Which page each piece goes on.
std::vector<int> Paginate(const std::vector<Piece>& pieces, double pageHeight) {
  std::vector<int> page(pieces.size(), 0);
  double y = 0;
  int p = 0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    // A heading goes over with what follows it.
    double need = pieces[i].height;
    for (size_t j = i; pieces[j].keepWithNext && j + 1 < pieces.size(); ++j) need += pieces[j + 1].height;
    if (y > 0 && y + need > pageHeight) {
      ++p;
      y = 0;
    }
    page[i] = p;
    y += pieces[i].height;
  }
  return page;
}

}  // namespace

RecordPrintout::Header RecordPrintout::ThisRun() {
  return {QStringLiteral(PW_VERSION), QSysInfo::machineHostName(), SystemCalendar().Now()};
}

bool RecordPrintout::SavePdf(const ServiceRecord& record, const QString& path) {
  const QByteArray pdf = Pdf(record, ThisRun());
  return !pdf.isEmpty() && DurableFile::Replace(PathFromUtf8(path.toStdString()),
                                                std::string_view(pdf.constData(), static_cast<size_t>(pdf.size())));
}

QPageSize RecordPrintout::LocalePaper() {
  return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter
                                                                                      : QPageSize::A4);
}

QString RecordPrintout::Title(const ServiceRecord& record) {
  return FromUtf8(record.BaseName()) + QStringLiteral(" service record");
}

int RecordPrintout::Paint(QPagedPaintDevice& device, const ServiceRecord& record, const Header& header) {
  const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());
  QPainter painter;
  if (!painter.begin(&device)) return 0;
  Composer c(device, page.width());
  Compose(c, record, header);
  const double footer = QFontMetricsF(c.body(), &device).height() * 1.5;
  const std::vector<Piece>& pieces = c.pieces();
  const std::vector<int> pageOf = Paginate(pieces, page.height() - footer);
  const int pages = pageOf.empty() ? 1 : pageOf.back() + 1;
  double y = 0;
  int current = 0;
  auto footerText = [&](int n) {
    painter.setFont(c.body());
    painter.setPen(Qt::darkGray);
    painter.drawText(QRectF(0, page.height() - footer, page.width(), footer), Qt::AlignLeft | Qt::AlignBottom,
                     Title(record));
    painter.drawText(QRectF(0, page.height() - footer, page.width(), footer), Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("Page %1 of %2").arg(n + 1).arg(pages));
  };
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (pageOf[i] != current) {
      footerText(current);
      device.newPage();
      current = pageOf[i];
      y = 0;
    }
    if (pieces[i].draw) pieces[i].draw(painter, QRectF(0, y, page.width(), pieces[i].height));
    y += pieces[i].height;
  }
  footerText(current);
  painter.end();
  return pages;
}

QByteArray RecordPrintout::Pdf(const ServiceRecord& record, const Header& header, const QPageSize& paper) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kPdfResolution);
    writer.setPageSize(paper);
    writer.setPageMargins(QMarginsF(kMarginPt, kMarginPt, kMarginPt, kMarginPt), QPageLayout::Point);
    writer.setTitle(Title(record));
    writer.setCreator(QStringLiteral("pwr4tadj %1").arg(header.version));
    if (Paint(writer, record, header) == 0) return {};
  }
  return bytes;
}

}  // namespace pw
