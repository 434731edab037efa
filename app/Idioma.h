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

namespace IdiomaDetalle {
// Puts the desktop's LANGUAGE back while it lives, and the program's after.
class EntornoDelEscritorio {
 public:
  EntornoDelEscritorio();
  ~EntornoDelEscritorio();
  EntornoDelEscritorio(const EntornoDelEscritorio&) = delete;
  EntornoDelEscritorio& operator=(const EntornoDelEscritorio&) = delete;
};
}  // namespace IdiomaDetalle

// Runs Trabajo, which starts other programs, with the desktop's own language
// list back in the environment: the programs Quillar opens (a browser, a mail
// client, a document's viewer) keep the user's language.
template <class F>
auto ConIdiomaDelEscritorio(F&& Trabajo) {
  IdiomaDetalle::EntornoDelEscritorio entorno;
  return Trabajo();
}
