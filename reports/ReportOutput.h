#pragma once
// Where a finished report goes: the modal preview window, the default
// printer, or a PDF file.

#include <QString>
#include <functional>

class QWidget;

namespace reports {

class BandReport;

enum class ReportDestination { Preview, Printer };

// The modal preview (page navigation, zoom, page setup, printing and saving
// as PDF through the print dialog's file output).
void PreviewReport(const BandReport& Report, QWidget* Parent);
// One copy on the default printer with a progress window. Returns false
// after telling the user when no printer is installed.
bool PrintReport(const BandReport& Report, QWidget* Parent);
// Writes the report to a PDF file; a file that cannot be written raises an
// error with a Spanish text.
void SaveReportPdf(const BandReport& Report, const QString& FileName);

// Sends a report to the preview or the printer: the seam tests replace to
// catch what the print dialog produces; an empty function restores the
// window and the printer.
using ReportSink = std::function<void(const BandReport&, ReportDestination, QWidget* Parent)>;
void SetReportSink(ReportSink Sink);
void SendReport(const BandReport& Report, ReportDestination Destination, QWidget* Parent);

}  // namespace reports
