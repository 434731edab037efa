#include "ShownMonthsData.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/UAgendaUtil.h"
#include "data/Table.h"

namespace benchdata {

namespace {
std::string Hhnn(int minuteOfDay) {
  char b[8];
  std::snprintf(b, sizeof b, "%02d:%02d", minuteOfDay / 60, minuteOfDay % 60);
  return b;
}
}  // namespace

void FillRange(const std::string& folder, TDate Desde, TDate Hasta, int count) {
  const std::string marker = folder + "range-" + std::to_string(static_cast<int>(Desde)) + "-" +
                             std::to_string(static_cast<int>(Hasta)) + "-" + std::to_string(count);
  if (std::filesystem::exists(marker)) return;
  data::Table t(folder, "AGENDA");
  t.Open();
  t.SetIndexName("FECHA_INI");
  int have = 0;
  for (t.FindNearest(Desde); !t.Eof() && t.FieldByName("FECHA_INI").AsDate() <= Hasta; t.Next()) ++have;
  long long id = NuevoID(t) - 1;
  std::fprintf(stderr, "Adding %d appointments to %s ...\n", count - have, folder.c_str());
  std::mt19937 rng(7);
  const int days = static_cast<int>(Hasta - Desde) + 1;
  for (int i = have; i < count; ++i) {
    const TDate day = Desde + static_cast<int>(rng() % static_cast<unsigned>(days));
    const int start = 7 * 60 + 15 * static_cast<int>(rng() % 52);
    const int end = start + 15 * (1 + static_cast<int>(rng() % 8));
    t.Append();
    t.FieldByName("ID").SetAsInteger(++id);
    t.FieldByName("FECHA_INI").SetAsDate(day);
    t.FieldByName("FECHA_FIN").SetAsDate(day);
    t.FieldByName("HORA_INI").SetAsString(Hhnn(start));
    t.FieldByName("HORA_FIN").SetAsString(Hhnn(end));
    t.FieldByName("ASUNTO").SetAsString("Cita de prueba " + std::to_string(i));
    t.FieldByName("AVISO").SetAsInteger(0);
    t.FieldByName("TIPO").SetAsInteger(static_cast<int>(rng() % 5));
    t.FieldByName("F_AVISO").SetAsDate(day);
    t.FieldByName("H_AVISO").SetAsString(Hhnn(start));
    t.Post();
  }
  t.FlushBuffers();
  std::ofstream(marker) << "ok\n";
}

}  // namespace benchdata
