#include "core/ScreenCentre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen) window->move(screen->availableGeometry().center() - window->rect().center());
}
