#include "PdfWords.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTextDocumentFragment>
#include <gtest/gtest.h>

namespace {
constexpr double kMmPerPoint = 25.4 / 72.0;

QString RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
    return {};
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}
}  // namespace

std::vector<PdfPage> ReadPdfWords(const QString& pdf) {
  const QString html = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
  std::vector<PdfPage> pages;
  static const QRegularExpression tag(
      QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(0) == QLatin1String("<page ")) {
      pages.emplace_back();
      continue;
    }
    if (pages.empty()) continue;
    PdfWord w;
    w.left = m.captured(1).toDouble() * kMmPerPoint;
    w.top = m.captured(2).toDouble() * kMmPerPoint;
    w.right = m.captured(3).toDouble() * kMmPerPoint;
    w.bottom = m.captured(4).toDouble() * kMmPerPoint;
    w.text = QTextDocumentFragment::fromHtml(m.captured(5)).toPlainText();
    pages.back().push_back(w);
  }
  return pages;
}

std::optional<PdfWord> FindWord(const PdfPage& page, const QString& text, double fromTop) {
  for (const PdfWord& w : page)
    if (w.text == text && w.top >= fromTop) return w;
  return std::nullopt;
}

int CountWord(const PdfPage& page, const QString& text) {
  int n = 0;
  for (const PdfWord& w : page) n += w.text == text;
  return n;
}

QString PageText(const PdfPage& page) {
  QStringList words;
  for (const PdfWord& w : page) words << w.text;
  return words.join(QLatin1Char(' '));
}

QString RenderPdfPage(const QString& pdf, int page, int dpi) {
  const QString base = pdf + QStringLiteral("-p%1").arg(page);
  RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi),
                                       QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                       QString::number(page), QStringLiteral("-singlefile"), pdf, base});
  return base + QStringLiteral(".png");
}
