#include "app/USplash.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include "app/Version.h"

namespace {
// A transparent, right-aligned Arial 12-pixel bold label.
QLabel* VersionLabel(QWidget* parent, const char* name, const QColor& color) {
  auto* l = new QLabel(parent);
  l->setObjectName(QLatin1String(name));
  QFont f(QStringLiteral("Arial"));
  f.setPixelSize(12);
  f.setBold(true);
  l->setFont(f);
  l->setAlignment(Qt::AlignRight | Qt::AlignTop);
  l->setAttribute(Qt::WA_TranslucentBackground);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, color);
  l->setPalette(p);
  return l;
}
}  // namespace

TfrmSplash::TfrmSplash(QWidget* parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setFixedSize(276, 404);
  pnlSplash = new QFrame(this);
  pnlSplash->setObjectName(QStringLiteral("pnlSplash"));
  pnlSplash->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlSplash->setLineWidth(2);
  pnlSplash->setGeometry(0, 0, 276, 404);
  imgSplash = new QLabel(pnlSplash);
  imgSplash->setObjectName(QStringLiteral("imgSplash"));
  imgSplash->setGeometry(2, 2, 272, 400);
  imgSplash->setScaledContents(true);
  imgSplash->setPixmap(QPixmap(QStringLiteral(":/splash.jpg")));
  // The shadow is made first so the white text is drawn on top of it.
  lblVerSombra = VersionLabel(pnlSplash, "lblVerSombra", Qt::gray);
  lblVersion = VersionLabel(pnlSplash, "lblVersion", Qt::white);
  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

void TfrmSplash::FormShow() {
  for (auto [label, x, y] : {std::tuple{lblVerSombra, 183, 375}, std::tuple{lblVersion, 179, 371}}) {
    label->setText(VersionText());
    label->adjustSize();
    label->move(x, y);
  }
}
