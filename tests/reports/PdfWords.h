#pragma once
// Reads a PDF back with poppler's pdftotext -bbox: an independent reader, so
// a fault shared by our writer and our own measuring cannot pass unnoticed.

#include <QString>
#include <optional>
#include <ostream>
#include <vector>

struct PdfWord {
  QString text;
  // Millimetres from the paper's top-left corner.
  double left = 0, top = 0, right = 0, bottom = 0;
};
using PdfPage = std::vector<PdfWord>;

// Every page's words in reading order; fails the test when pdftotext cannot
// read the file.
std::vector<PdfPage> ReadPdfWords(const QString& pdf);

// The first word equal to `text` whose top is at or below `fromTop`.
std::optional<PdfWord> FindWord(const PdfPage& page, const QString& text, double fromTop = -1);
// Number of words equal to `text`.
int CountWord(const PdfPage& page, const QString& text);
// The text of the whole page, words joined with blanks.
QString PageText(const PdfPage& page);

// Renders page `page` (1-based) at `dpi` with pdftoppm and returns the PNG's
// path.
QString RenderPdfPage(const QString& pdf, int page, int dpi);

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
