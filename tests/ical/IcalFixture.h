#pragma once
// A data folder with both tables and two categories, today 10/03/2026, the
// computer's zone Madrid (set for the test run), messages recorded; and the
// appointments of a folder as plain lines, to compare whole tables.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

#include "app/UAgendaUtil.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/DateFormat.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "ical/IcalImport.h"
#include "ical/IcalLector.h"
#include "support/CategoriaRows.h"

// Lists of appointments compare as text in the failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

inline QByteArray Fixture(const char* name) {
  QFile f(QStringLiteral(ICAL_TEST_DATA "/") + QLatin1String(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
  return f.readAll();
}

// A data folder ready for the program.
inline QString NuevaCarpeta(const QTemporaryDir& dir, const QString& sub = QString()) {
  const QString folder = IncluirBarra(sub.isEmpty() ? dir.path() : dir.filePath(sub));
  QDir().mkpath(folder);
  CrearTablaAgenda(folder);
  CrearTablaCategorias(folder);
  StoreCategoria(folder, 1, QStringLiteral("Trabajo"), 255);
  StoreCategoria(folder, 2, QStringLiteral("Casa"), 65280);
  return folder;
}

// Every appointment of a folder, one line each, in order of start:
// "start -> end | subject | place | notes | reminder, category | reminder due".
inline QStringList Citas(const QString& folder) {
  QStringList r;
  data::Table t(folder.toStdString(), "AGENDA");
  t.Open();
  const auto s = [&](const char* f) { return QString::fromStdString(t.FieldByName(f).AsString()); };
  const auto d = [&](const char* f) { return FormatDateTime(QStringLiteral("dd/mm/yyyy"), t.FieldByName(f).AsDate()); };
  for (t.First(); !t.Eof(); t.Next())
    r << d("FECHA_INI") + u' ' + s("HORA_INI") + QStringLiteral(" -> ") + d("FECHA_FIN") + u' ' + s("HORA_FIN") +
             QStringLiteral(" | ") + s("ASUNTO") + QStringLiteral(" | ") + s("LUGAR") + QStringLiteral(" | ") +
             s("NOTAS").replace(u'\n', QStringLiteral("\\n")) + QStringLiteral(" | aviso ") + s("AVISO") +
             QStringLiteral(" tipo ") + s("TIPO") + QStringLiteral(" | ") + d("F_AVISO") + u' ' + s("H_AVISO");
  std::sort(r.begin(), r.end(), [](const QString& a, const QString& b) {
    // dd/mm/yyyy hh:nn sorts by yyyymmdd then the time
    const auto key = [](const QString& x) { return x.mid(6, 4) + x.mid(3, 2) + x.mid(0, 2) + x.mid(11, 5) + x; };
    return key(a) < key(b);
  });
  return r;
}

inline int Registros(const QString& folder, const char* tabla = "AGENDA") {
  data::Table t(folder.toStdString(), tabla);
  if (!t.Exists()) return -1;
  t.Open();
  return static_cast<int>(t.RecordCount());
}

class IcalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = NuevaCarpeta(dir, QStringLiteral("datos"));
    ConfigAgenda = TConfigAgenda{};
    ConfigAgenda.DataPath = folder;
    Categorias = std::make_unique<TCategorias>();
    Categorias->Cargar();
    Clock::SetSource([] { return dt::EncodeDate(2026, 3, 10) + dt::EncodeTime(12, 0, 0); });
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages << r.text;
      return int(mrOk);
    });
  }
  void TearDown() override {
    SetMessageAnswerer({});
    Clock::SetSource({});
    Categorias.reset();
  }

  // Reads and stores a file in Carpeta with the default window; the days
  // announced are added to `avisos`.
  ical::TResumenImportacion Importar(const QByteArray& datos, const QString& carpeta, ical::TOmitidos* omitidos = nullptr) {
    ical::TLectorIcal lector;
    EXPECT_EQ(lector.Leer(datos), ical::TLectorIcal::Leido) << lector.Error().toStdString();
    TDate desde, hasta;
    ical::IntervaloPorDefecto(Clock::Today(), desde, hasta);
    const ical::TCitasLeidas leidas = lector.Citas(desde, hasta);
    if (omitidos) *omitidos = leidas.Omitidos;
    return ical::GuardarCitasIcal(carpeta, leidas.Citas, [this](TDate a, TDate b) {
      avisos << FormatDateTime(QStringLiteral("dd/mm/yyyy"), a) + u'-' + FormatDateTime(QStringLiteral("dd/mm/yyyy"), b);
    });
  }

  QTemporaryDir dir;
  QString folder;
  QStringList messages;
  QStringList avisos;
};
