#pragma once
// The help pages: help/index.html beside the program, one anchor per help
// context ("#ctx4"). Each window names its context; F1 anywhere opens the
// help at the active window's context.

#include <QString>

class QWidget;
class QObject;

namespace Help {
// The help file's full path (the program folder's help/, or the installed
// copy's shared folder).
QString HelpFile();
void SetHelpContext(QWidget* window, int context);
int HelpContext(const QWidget* window);  // 0 when the window names none
// Opens the help at its top (context 0) or at a context's anchor.
bool ShowHelp(int context);
// Installs the F1 handling for every window of the application.
void InstallF1Handler(QObject* application);
}  // namespace Help
