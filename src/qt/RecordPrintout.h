// The service record on paper: a few A4 or Letter pages for the workshop's
// files and the customer. A header with the program, the bench and the
// times; the radio; the parameters that changed, before and now; the log of
// procedures; the sweep curves, drawn by the same code as on screen. Text
// is real text in embedded fonts, the curves are vector drawings, so a PDF
// of it can be searched and copied from.
#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QString>

#include "base/LocalTime.h"

class QPagedPaintDevice;

namespace pw {

class ServiceRecord;

class RecordPrintout {
 public:
  struct Header {
    QString version;  // the program's version
    QString bench;    // the machine the bench runs on
    LocalTime printed;
  };

  // The header of a printout made now by this program on this machine.
  static Header ThisRun();
  // The locale's paper: Letter where inches are the custom, A4 elsewhere.
  static QPageSize LocalePaper();
  // Draws the record onto the device's pages; returns the number of pages.
  static int Paint(QPagedPaintDevice& device, const ServiceRecord& record, const Header& header);
  // The record as a PDF document, empty when it could not be made.
  static QByteArray Pdf(const ServiceRecord& record, const Header& header, const QPageSize& paper = LocalePaper());
  // Writes the PDF to `path` through a temporary file: false, with any file
  // that was there left whole, when it could not be written.
  static bool SavePdf(const ServiceRecord& record, const QString& path);
  // The document's title: "KQ-R4T 2026-12-10 1432 service record".
  static QString Title(const ServiceRecord& record);
};

}  // namespace pw
