#include "dialogs/VenceEn.h"

QString TextoVenceEn(TDateTime Ahora, TDateTime Inicio) {
  const bool atrasado = Ahora >= Inicio;
  const TDateTime antes = atrasado ? Inicio : Ahora;
  const TDateTime despues = atrasado ? Ahora : Inicio;
  const QString sufijo = atrasado ? QStringLiteral("atrasado") : QString();

  // Calendar difference of the two days, times ignored.
  int y1, m1, d1, y2, m2, d2;
  dt::DecodeDate(antes, y1, m1, d1);
  dt::DecodeDate(despues, y2, m2, d2);
  int anios = y2 - y1;
  int meses = m2 - m1;
  int dias;
  if (m2 < m1) {
    meses += 12;
    --anios;
  }
  if (d2 < d1) {
    dias = dt::DaysInMonth(y1, m1) + d2 - d1;
    if (meses > 0) {
      --meses;
    } else {
      --anios;
      meses = 11;
    }
  } else {
    dias = d2 - d1;
  }
  if (dias == 1) dias = 0;

  // Hours and minutes of the time-of-day part of the difference.
  int horas, minutos, segundos, ms;
  dt::DecodeTime(despues - antes, horas, minutos, segundos, ms);

  struct Unidad {
    int n;
    const char* uno;
    const char* varios;
  } unidades[] = {{anios, "1 año ", " años "},
                  {meses, "1 mes ", " meses "},
                  {dias, "1 día ", " días "},
                  {horas, "1 hora ", " horas "},
                  {minutos, "1 minuto ", " minutos "}};
  QString texto;
  for (const Unidad& u : unidades) {
    if (u.n == 0) continue;
    if (u.n == 1) {
      texto += QString::fromUtf8(u.uno);
    } else {
      texto += QString::number(u.n) + QString::fromUtf8(u.varios);
      break;
    }
  }
  return texto + sufijo;
}
