#pragma once
// A one-line label that shortens its caption with "..." to fit its width:
// etEndEllips cuts the end, etPathEllips leaves out the middle of a path and
// keeps its last component. A disabled label draws the text twice, one pixel
// apart, in the button highlight and button shadow colours (an engraved look).

#include <QFontMetrics>
#include <QString>
#include <QWidget>

enum TEllipsType { etNone, etEndEllips, etPathEllips };

// The text drawn for caption in width pixels. etNone gives the caption as it
// is; the other kinds give it unchanged when it fits, otherwise the longest
// shortened form with "..." that fits (just "..." when nothing else does).
// For paths both "/" and "\" separate components; a path whose "..." and
// last component are already too wide is cut at the end like etEndEllips.
QString EllipsisText(const QString& caption, TEllipsType type, const QFontMetrics& metrics, int width);

class TEllipsLabel : public QWidget {
 public:
  explicit TEllipsLabel(QWidget* parent = nullptr);
  TEllipsLabel(const QString& caption, QWidget* parent = nullptr);

  QString Caption() const { return FCaption; }
  void SetCaption(const QString& value);
  TEllipsType EllipsType() const { return FEllipsType; }
  void SetEllipsType(TEllipsType value);
  // Horizontal and vertical placement of the text in the label.
  Qt::Alignment Alignment() const { return FAlignment; }
  void SetAlignment(Qt::Alignment value);

  // The text as drawn at the current width.
  QString DisplayText() const;
  // Where the text is drawn (enabled look; the disabled look adds one pixel).
  QRect TextRect() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Changed();

  QString FCaption;
  TEllipsType FEllipsType = etNone;
  Qt::Alignment FAlignment = Qt::AlignLeft | Qt::AlignVCenter;
};
