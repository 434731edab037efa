#include <gtest/gtest.h>

#include "app/UAgendaUtil.h"
#include "core/DateFormat.h"

namespace {
const TDate kDay = dt::EncodeDate(2004, 3, 12);
QString Fmt(TDateTime v) { return FormatDateTime("dd/mm/yyyy hh:nn", v); }
}  // namespace

TEST(RecordRules, FechaHoraCombinesDayAndTimeText) {
  struct Case { const char* hora; const char* expected; } cases[] = {
      {"9:5", "12/03/2004 09:05"}, {"", "12/03/2004 00:00"},    {"930", "12/03/2004 00:00"},
      {"25:00", "12/03/2004 00:00"}, {"10:7x", "12/03/2004 10:00"}, {"23:59", "12/03/2004 23:59"},
      {"10:60", "12/03/2004 00:00"}, {"  ", "12/03/2004 00:00"},    {"x:30", "12/03/2004 00:30"},
  };
  for (const auto& c : cases) EXPECT_EQ(Fmt(FechaHora(kDay, c.hora)), c.expected) << c.hora;
  // The day's own time is dropped; an impossible time returns the value as given.
  EXPECT_EQ(Fmt(FechaHora(kDay + 0.5, "08:15")), "12/03/2004 08:15");
  EXPECT_DOUBLE_EQ(FechaHora(kDay + 0.5, "24:00"), kDay + 0.5);
}

TEST(RecordRules, NormalizarHoraTable) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"9", "09:00"},   {"24", "24:00"},     {"930", "09:30"}, {"123", "12:30"},  {"0930", "09:30"},
      {"1275", "12:75"}, {"7:5", "07:05"},   {"12:345", "12:34"}, {"005", "005"}, {"abc", "abc"},
      {"12345", "12345"}, {"", ""},          {"127", "127"},   {"960", "960"},    {"10:7x", "10:7x"},
      {"-1:30", "-1:30"}, {":30", ":30"},    {"123:45", "23:45"}, {"09:30", "09:30"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizarHora(c.in), c.out) << '"' << c.in << '"';
}

TEST(RecordRules, ReminderIntervalsMoveTheMoment) {
  // 00:02 with five minutes falls on the previous day at 23:57.
  const TDateTime early = CalcularAviso(1, -1, FechaHora(dt::EncodeDate(2004, 3, 10), "00:02"));
  EXPECT_EQ(Fmt(early), "09/03/2004 23:57");
  EXPECT_EQ(Fmt(CalcularAviso(13, -1, FechaHora(dt::EncodeDate(2004, 3, 10), "10:00"))), "03/03/2004 10:00");
  EXPECT_EQ(Fmt(CalcularAviso(9, 1, FechaHora(kDay, "18:00"))), "13/03/2004 06:00");
  EXPECT_EQ(Fmt(CalcularAviso(14, -1, kDay)), "26/02/2004 00:00");
  for (int none : {0, -1, 15, 99}) EXPECT_DOUBLE_EQ(CalcularAviso(none, -1, kDay + 0.25), kDay + 0.25);
  const QStringList labels = ListaAvisos();
  ASSERT_EQ(labels.size(), 15);
  EXPECT_EQ(labels.first(), "(No avisar)");
  EXPECT_EQ(labels[10], "1 día");
  EXPECT_EQ(labels.last(), "15 días");
}

TEST(RecordRules, MinutesAreExactWholeNumbers) {
  const TDateTime a = FechaHora(kDay, "09:00");
  EXPECT_EQ(MinutosEntre(a, FechaHora(kDay, "10:00")), 60);
  EXPECT_EQ(MinutosEntre(a, FechaHora(kDay + 1, "09:00")), 1440);
  EXPECT_EQ(MinutosEntre(FechaHora(kDay, "10:00"), a), -60);
  // Minutes added one by one still land on whole minutes.
  TDateTime t = a;
  for (int i = 0; i < 1000; ++i) t = SumarMinutos(1, t);
  EXPECT_EQ(MinutosEntre(a, t), 1000);
  EXPECT_EQ(HoraTexto(t), "01:40");
}
