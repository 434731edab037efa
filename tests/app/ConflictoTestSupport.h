#pragma once
// What "another copy" does to appointment 4 in the conflict tests, and the
// table (read by dbfread) and the view as text.
#include <QStringList>

#include "MainWindowFixture.h"
#include "support/Dbfread.h"

namespace {
// Reusado: deleted, and its ID taken since by another appointment (the
// next number a copy hands out once the last one went).
enum class Ajeno { Nada, Asunto, Lugar, Borrado, Reusado };
inline bool Elimina(Ajeno a) { return a == Ajeno::Borrado || a == Ajeno::Reusado; }

// What another copy does to appointment 4.
inline void HacerAjeno(const QString& carpeta, Ajeno a) {
  if (a == Ajeno::Nada) return;
  data::Table t(carpeta.toStdString(), "AGENDA");
  t.Open();
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(4));
  if (Elimina(a)) {
    t.Delete();
    if (a == Ajeno::Borrado) return;
    t.Append();
    t.FieldByName("ID").SetAsInteger(4);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2004, 3, 12));
    t.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2004, 3, 12));
    t.FieldByName("HORA_INI").SetAsString("16:00");
    t.FieldByName("HORA_FIN").SetAsString("17:00");
    t.FieldByName("ASUNTO").SetAsString("Dentista");
    ASSERT_TRUE(t.Post());
    return;
  }
  t.Edit();
  if (a == Ajeno::Asunto) t.FieldByName("ASUNTO").SetAsString("Otra");
  if (a == Ajeno::Lugar) t.FieldByName("LUGAR").SetAsString("Sala 2");  // a field this window never touches
  ASSERT_TRUE(t.Post());
}

// The table as dbfread reads it: "ID HORA_INI-HORA_FIN ASUNTO|LUGAR" a line.
inline QString Tabla(const QString& carpeta) {
  return SalidaDbfread("for r in sorted(dbfread.DBF(sys.argv[1], encoding='cp1252'), key=lambda r: r['ID']):\n"
                       "  print('%d %s-%s %s|%s' % (r['ID'], r['HORA_INI'], r['HORA_FIN'], r['ASUNTO'].strip(),"
                       " (r['LUGAR'] or '').strip()))",
                       carpeta + "AGENDA.DBF")
      .trimmed();
}

// The view as "ID HH:NN-HH:NN TEXT" a line, by ID.
inline QString Vista(TRBTimeView* tv) {
  QStringList l;
  for (int i = 0; i < tv->Items()->Count(); ++i) {
    const TRBTimeViewItem* it = tv->Items()->Items(i);
    l << QString::number(it->ItemID()) + ' ' + FormatDateTime("hh:nn", it->StartTime()) + '-' +
             FormatDateTime("hh:nn", it->EndTime()) + ' ' + it->Text();
  }
  l.sort();
  return l.join('\n');
}
}  // namespace
