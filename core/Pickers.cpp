#include "core/Pickers.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>

namespace {
ColorAnswerer& ColorHook() {
  static ColorAnswerer answerer;
  return answerer;
}
FolderAnswerer& FolderHook() {
  static FolderAnswerer answerer;
  return answerer;
}

QWidget* Owner(QWidget* parent) { return parent ? parent : QApplication::activeWindow(); }
}  // namespace

void SetColorAnswerer(ColorAnswerer answerer) { ColorHook() = std::move(answerer); }
void SetFolderAnswerer(FolderAnswerer answerer) { FolderHook() = std::move(answerer); }

bool PickColor(TColor& Color, QWidget* parent) {
  TColor chosen = clNone;
  if (ColorHook()) {
    chosen = ColorHook()(ColorRequest{Color});
  } else {
    const QColor c = QColorDialog::getColor(ToQColor(Color), Owner(parent));
    if (c.isValid()) chosen = FromQColor(c);
  }
  if (chosen == clNone) return false;
  Color = chosen;
  return true;
}

bool PickFolder(QString& Folder, const QString& caption, QWidget* parent) {
  QString chosen;
  if (FolderHook()) {
    chosen = FolderHook()(FolderRequest{caption, Folder});
  } else {
    chosen = QFileDialog::getExistingDirectory(Owner(parent), caption, Folder, QFileDialog::ShowDirsOnly);
  }
  if (chosen.isEmpty()) return false;
  // No trailing separator (the root aside): callers add their own.
  chosen = QDir::toNativeSeparators(chosen);
  while (chosen.size() > 1 && chosen.endsWith(QDir::separator())) chosen.chop(1);
  Folder = chosen;
  return true;
}
