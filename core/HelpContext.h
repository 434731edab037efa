#pragma once
// Each window names its topic in the help pages; F1 opens the help there.
#include <QWidget>

inline void SetHelpContext(QWidget* window, int context) { window->setProperty("quillarHelpContext", context); }
// 0 when the window names none.
inline int HelpContextOf(const QWidget* window) { return window->property("quillarHelpContext").toInt(); }
