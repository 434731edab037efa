#include "reports/ReportOutput.h"

#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <stdexcept>

#include "core/Messages.h"
#include "reports/BandReport.h"

namespace reports {

namespace {
ReportSink& Sink() {
  static ReportSink sink;
  return sink;
}
}  // namespace

void PreviewReport(const BandReport& Report, QWidget* Parent) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintPreviewDialog preview(&printer, Parent);
  preview.setWindowTitle(QStringLiteral("Vista previa"));
  // An exception must not cross the preview's event handling; the error is
  // shown and the preview stays empty.
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&Report, &preview](QPrinter* p) {
    try {
      Report.Render(*p);
    } catch (const std::exception& e) {
      ShowError(QString::fromUtf8(e.what()), &preview);
    }
  });
  preview.exec();
}

bool PrintReport(const BandReport& Report, QWidget* Parent) {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    ShowWarning(QStringLiteral("No hay ninguna impresora instalada.\r\n"
                               "Puede guardar el informe como PDF desde la vista previa (\"Ver\")."),
                Parent);
    return false;
  }
  QPrinter printer(info, QPrinter::HighResolution);
  printer.setCopyCount(1);
  QProgressDialog progress(QStringLiteral("Imprimiendo..."), QStringLiteral("Cancelar"), 0, 0, Parent);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  Report.Render(printer, [&](int page, int pages) {
    progress.setMaximum(pages);
    progress.setValue(page - 1);
    progress.setLabelText(QStringLiteral("Imprimiendo página %1 de %2").arg(page).arg(pages));
    QApplication::processEvents();
    if (!progress.wasCanceled()) return true;
    printer.abort();  // nothing of a cancelled job reaches the printer
    return false;
  });
  return true;
}

void SaveReportPdf(const BandReport& Report, const QString& FileName) {
  {
    // QPrinter only notices an unwritable file when painting starts, and
    // then says nothing useful; look first.
    QFile probe(FileName);
    if (!probe.open(QIODevice::WriteOnly))
      throw std::runtime_error(QStringLiteral("No se puede escribir el archivo %1").arg(FileName).toStdString());
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(FileName);
  printer.setCreator(QStringLiteral("Quillar"));
  Report.Render(printer);
}

void SetReportSink(ReportSink S) { Sink() = std::move(S); }

void SendReport(const BandReport& Report, ReportDestination Destination, QWidget* Parent) {
  if (Sink()) {
    Sink()(Report, Destination, Parent);
    return;
  }
  if (Destination == ReportDestination::Preview)
    PreviewReport(Report, Parent);
  else
    PrintReport(Report, Parent);
}

}  // namespace reports
