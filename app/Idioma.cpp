#include "app/Idioma.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

namespace {
// Where Debian's qt6-translations-l10n puts qtbase_es.qm, should this Qt
// report another translations folder.
constexpr const char* kCarpetaDebian = "/usr/share/qt6/translations";

// The desktop's LANGUAGE before the program changed it (nothing: unset).
std::optional<std::string>& LanguageDelEscritorio() {
  static std::optional<std::string> v;
  return v;
}
bool& Cambiado() {
  static bool v = false;
  return v;
}

void MensajesDelSistemaEnEspanol() {
  // Only the messages category changes: numbers, dates and sorting keep the
  // user's locale. Where es_ES.UTF-8 is not generated, C.UTF-8 with the
  // language list still finds the C library's Spanish catalogue; the list
  // also wins over a LANGUAGE of the desktop's that names another language.
  if (!std::setlocale(LC_MESSAGES, "es_ES.UTF-8")) std::setlocale(LC_MESSAGES, "C.UTF-8");
  if (!Cambiado()) {
    if (const char* v = std::getenv("LANGUAGE")) LanguageDelEscritorio() = v;
    Cambiado() = true;
  }
  ::setenv("LANGUAGE", "es", 1);
}
}  // namespace

namespace IdiomaDetalle {
EntornoDelEscritorio::EntornoDelEscritorio() {
  if (!Cambiado()) return;
  if (LanguageDelEscritorio())
    ::setenv("LANGUAGE", LanguageDelEscritorio()->c_str(), 1);
  else
    ::unsetenv("LANGUAGE");
}
EntornoDelEscritorio::~EntornoDelEscritorio() {
  if (Cambiado()) ::setenv("LANGUAGE", "es", 1);
}
}  // namespace IdiomaDetalle

bool InstalarIdioma(QCoreApplication& app) {
  MensajesDelSistemaEnEspanol();
  auto* qt = new QTranslator(&app);
  if (qt->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      qt->load(QStringLiteral("qtbase_es"), QString::fromLatin1(kCarpetaDebian))) {
    QCoreApplication::installTranslator(qt);
    return true;
  }
  delete qt;
  return false;
}
