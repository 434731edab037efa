// The record rules of UAgendaUtil: time texts, reminders, minutes.
#include <cmath>
#include <optional>

#include "app/UAgendaUtil.h"
#include "core/DateFormat.h"

namespace {
// A whole number written with an optional sign and decimal digits only.
std::optional<int> WholeNumber(const QString& text) {
  bool ok = false;
  const int v = text.toInt(&ok, 10);
  if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace()) return std::nullopt;
  return v;
}

QString TwoDigits(int v) { return QString::number(v).rightJustified(2, u'0').right(2); }

// Interval of each reminder choice: minutes for 1..9, whole days for 10..14.
struct Intervalo {
  const char* label;
  int minutes;
  int days;
};
const Intervalo kAvisos[] = {
    {"(No avisar)", 0, 0}, {"5 minutos", 5, 0}, {"10 minutos", 10, 0}, {"15 minutos", 15, 0},
    {"30 minutos", 30, 0}, {"1 hora", 60, 0},   {"2 horas", 120, 0},   {"4 horas", 240, 0},
    {"8 horas", 480, 0},   {"12 horas", 720, 0}, {"1 día", 0, 1},      {"2 días", 0, 2},
    {"3 días", 0, 3},      {"1 semana", 0, 7},   {"15 días", 0, 15},
};
}  // namespace

TDateTime FechaHora(TDateTime Fecha, const QString& Hora) {
  int h = 0, m = 0;
  const int colon = Hora.indexOf(u':');
  const auto digit = [&Hora](int i) { return Hora[i] >= u'0' && Hora[i] <= u'9'; };
  if (Hora.size() == 5 && colon == 2 && digit(0) && digit(1) && digit(3) && digit(4)) {
    // "hh:nn", as the program stores every time: read without the general
    // parsing below, which a view of thousands of appointments feels.
    h = (Hora[0].unicode() - u'0') * 10 + (Hora[1].unicode() - u'0');
    m = (Hora[3].unicode() - u'0') * 10 + (Hora[4].unicode() - u'0');
  } else if (!Hora.trimmed().isEmpty() && colon >= 0) {
    h = WholeNumber(Hora.left(colon).trimmed()).value_or(0);
    m = WholeNumber(Hora.mid(colon + 1, 2).trimmed()).value_or(0);
  }
  TTime t;
  if (h > 23 || !dt::TryEncodeTime(h, m, 0, 0, t)) return Fecha;
  return dt::DateOf(Fecha) + t;
}

QString NormalizarHora(const QString& Texto) {
  std::optional<int> h, m;
  const int colon = Texto.indexOf(u':');
  if (colon >= 0) {
    h = WholeNumber(Texto.left(colon));
    m = WholeNumber(Texto.mid(colon + 1, 2));
  } else if (Texto.size() == 1 || Texto.size() == 2) {
    h = WholeNumber(Texto);
    m = 0;
  } else if (Texto.size() == 3) {
    const auto k = WholeNumber(Texto.left(2));
    if (!k) return Texto;
    if (*k >= 1 && *k <= 23) {
      h = k;
      if (const auto d = WholeNumber(Texto.mid(2, 1)); d && *d * 10 <= 59 && *d >= 0) m = *d * 10;
    } else if (*k > 23) {
      h = WholeNumber(Texto.left(1));
      if (const auto d = WholeNumber(Texto.mid(1, 2)); d && *d >= 0 && *d <= 59) m = d;
    }
  } else if (Texto.size() == 4) {
    h = WholeNumber(Texto.left(2));
    m = WholeNumber(Texto.mid(2, 2));
  }
  if (!h || !m || *h < 0 || *m < 0) return Texto;
  return TwoDigits(*h) + u':' + TwoDigits(*m);
}

QString HoraTexto(TDateTime Momento) { return FormatDateTime(QStringLiteral("hh:nn"), Momento); }

TDateTime CalcularAviso(int Eleccion, int Sentido, TDateTime Momento) {
  if (Eleccion < 1 || Eleccion > 14) return Momento;
  const Intervalo& i = kAvisos[Eleccion];
  return Momento + Sentido * (i.days + i.minutes / dt::MinsPerDay);
}

int MinutosAviso(int Eleccion) {
  if (Eleccion < 1 || Eleccion > 14) return 0;
  return kAvisos[Eleccion].minutes + kAvisos[Eleccion].days * static_cast<int>(dt::MinsPerDay);
}

int AvisoMasCercano(double Minutos) {
  int mejor = 1;
  for (int i = 2; i <= 14; ++i)
    if (std::abs(MinutosAviso(i) - Minutos) < std::abs(MinutosAviso(mejor) - Minutos)) mejor = i;
  return mejor;
}

void ListaAvisos(QStringList& Lista) {
  Lista.clear();
  for (const Intervalo& i : kAvisos) Lista << QString::fromUtf8(i.label);
}

QStringList ListaAvisos() {
  QStringList l;
  ListaAvisos(l);
  return l;
}

int MinutosEntre(TDateTime Desde, TDateTime Hasta) {
  return static_cast<int>(std::llround((Hasta - Desde) * dt::MinsPerDay));
}

TDateTime SumarMinutos(int N, TDateTime Momento) { return Momento + N / dt::MinsPerDay; }
