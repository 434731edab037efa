#pragma once
// The program speaks Spanish whatever the desktop's language: Qt's own
// dialogs and buttons through Qt's Spanish translation, and the system's
// error texts (the reasons appended to the program's messages) through the C
// library's Spanish messages.

class QCoreApplication;

// Called once, right after the application object is made. Returns false
// when Qt's Spanish translation was not found (the program then goes on with
// Qt's English texts).
bool InstalarIdioma(QCoreApplication& app);
