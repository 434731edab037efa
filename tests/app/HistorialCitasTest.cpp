#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/HistorialCitas.h"
#include "app/TableSchemas.h"
#include "data/Table.h"

namespace {
// Records as a table gives them, made in a table of their own.
class HistorialCitasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    data::Table(dir.path().toStdString(), "AGENDA").Create(AgendaFieldDefs(), AgendaIndexDefs());
    tabla.SetFolder(dir.path().toStdString());
    tabla.SetTableName("AGENDA");
    tabla.Open();
  }
  TFotoCita Cita(int id, const char* hi, const char* hf, const std::string& asunto, const char* notas = "") {
    tabla.Append();
    tabla.FieldByName("ID").SetAsInteger(id);
    tabla.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2026, 3, 12));
    tabla.FieldByName("FECHA_FIN").SetAsDate(dt::EncodeDate(2026, 3, 12));
    tabla.FieldByName("HORA_INI").SetAsString(hi);
    tabla.FieldByName("HORA_FIN").SetAsString(hf);
    tabla.FieldByName("ASUNTO").SetAsString(asunto);
    tabla.FieldByName("NOTAS").SetAsString(notas);
    const TFotoCita f = TFotoCita::Leer(tabla);
    tabla.Cancel();
    return f;
  }
  QTemporaryDir dir;
  data::Table tabla;
};

TEST_F(HistorialCitasTest, AChangeOnABlockIsNamedByWhatItChanged) {
  const TFotoCita antes = Cita(4, "10:00", "11:00", "Dentista");
  const struct {
    TFotoCita antes, despues;
    TTipoCambio tipo;
  } casos[] = {
      {TFotoCita(), antes, TTipoCambio::Crear},
      {antes, TFotoCita(), TTipoCambio::Eliminar},
      {antes, Cita(4, "12:00", "13:00", "Dentista"), TTipoCambio::Mover},
      {antes, Cita(4, "10:00", "12:30", "Dentista"), TTipoCambio::CambiarDuracion},
      {antes, Cita(4, "09:00", "11:00", "Dentista"), TTipoCambio::CambiarDuracion},
      {antes, Cita(4, "10:00", "11:00", "Dentista y más"), TTipoCambio::EscribirAsunto},
      {antes, Cita(4, "10:00", "11:00", "Dentista", "Nota"), TTipoCambio::Modificar},
  };
  for (const auto& c : casos) EXPECT_EQ(TipoCambioEnVista(c.antes, c.despues), c.tipo);
}

TEST_F(HistorialCitasTest, EntriesSayWhatTheyUndoAndRedo) {
  THistorialCitas h;
  EXPECT_EQ(h.TextoDeshacer(), "Deshacer");
  EXPECT_EQ(h.TextoRehacer(), "Rehacer");
  const TFotoCita a = Cita(4, "10:00", "11:00", "Dentista"), sin = Cita(5, "10:00", "11:00", "");
  const TFotoCita largo = Cita(6, "10:00", "11:00", "Revisión anual del coche en el taller de la esquina");
  const struct {
    TCambioCita cambio;
    const char* texto;
  } casos[] = {
      {{TTipoCambio::Crear, TFotoCita(), a}, "crear «Dentista»"},
      {{TTipoCambio::Modificar, a, Cita(4, "10:00", "11:00", "Médico")}, "modificar «Médico»"},
      {{TTipoCambio::Mover, a, Cita(4, "12:00", "13:00", "Dentista")}, "mover «Dentista»"},
      {{TTipoCambio::CambiarDuracion, a, Cita(4, "10:00", "12:00", "Dentista")}, "cambiar la duración de «Dentista»"},
      {{TTipoCambio::CambiarDuracion, sin, Cita(5, "10:00", "12:00", "")}, "cambiar la duración de la cita"},
      {{TTipoCambio::EscribirAsunto, a, Cita(4, "10:00", "11:00", "Dentista 2")}, "escribir «Dentista 2»"},
      {{TTipoCambio::Eliminar, a, TFotoCita()}, "eliminar «Dentista»"},
      {{TTipoCambio::Eliminar, sin, TFotoCita()}, "eliminar cita"},
      {{TTipoCambio::Mover, largo, Cita(6, "12:00", "13:00", largo.Asunto().toStdString())},
       "mover «Revisión anual del coche en el taller…»"},
  };
  for (const auto& c : casos) {
    h.Anotar(c.cambio);
    EXPECT_EQ(h.TextoDeshacer().toStdString(), std::string("Deshacer ") + c.texto);
    h.Deshecho(c.cambio.Antes);
    EXPECT_EQ(h.TextoRehacer().toStdString(), std::string("Rehacer ") + c.texto);
    h.Rehecho(c.cambio.Despues);
  }
}

// The oldest entries give way past the limit; a new change after an undo
// makes what could be redone go; a change that changed nothing is no entry.
TEST_F(HistorialCitasTest, KeepsTheLastHundredAndANewChangeEndsTheRedoList) {
  THistorialCitas h;
  std::vector<TFotoCita> estados;
  for (int i = 0; i <= 120; ++i) estados.push_back(Cita(4, "10:00", "11:00", "Paso " + std::to_string(i)));
  for (int i = 1; i <= 120; ++i) h.Anotar({TTipoCambio::EscribirAsunto, estados[i - 1], estados[i]});
  EXPECT_EQ(h.PorDeshacer(), THistorialCitas::kMaximo);
  EXPECT_GE(THistorialCitas::kMaximo, 50);
  for (int i = 0; i < THistorialCitas::kMaximo; ++i) h.Deshecho(h.ADeshacer().Antes);
  EXPECT_EQ(h.PorDeshacer(), 0);
  EXPECT_EQ(h.ARehacer().Antes, estados[120 - THistorialCitas::kMaximo]);
  EXPECT_EQ(h.PorRehacer(), THistorialCitas::kMaximo);

  h.Rehecho(h.ARehacer().Despues);
  h.Rehecho(h.ARehacer().Despues);
  h.Anotar({TTipoCambio::Modificar, estados[7], estados[7]});
  EXPECT_EQ(h.PorRehacer(), THistorialCitas::kMaximo - 2);
  h.Anotar({TTipoCambio::EscribirAsunto, estados[22], estados[0]});
  EXPECT_EQ(h.PorRehacer(), 0);
  EXPECT_EQ(h.PorDeshacer(), 3);
  EXPECT_EQ(h.TextoDeshacer(), "Deshacer escribir «Paso 0»");

  h.DescartarADeshacer();
  EXPECT_EQ(h.PorDeshacer(), 2);
  EXPECT_EQ(h.PorRehacer(), 0);
}

// A record stored again under another ID (another copy took its own) is
// known by the new ID in the entries of the same appointment, back to its
// creation; an older appointment that had the ID before keeps it.
TEST_F(HistorialCitasTest, ARecordStoredUnderANewIDIsKnownByItInItsOwnEntriesOnly) {
  THistorialCitas h;
  const TFotoCita viejo = Cita(5, "08:00", "09:00", "Antigua");
  h.Anotar({TTipoCambio::Crear, TFotoCita(), viejo});
  h.Anotar({TTipoCambio::Eliminar, viejo, TFotoCita()});
  const TFotoCita a = Cita(5, "10:00", "11:00", "Dentista"), b = Cita(5, "12:00", "13:00", "Dentista");
  h.Anotar({TTipoCambio::Crear, TFotoCita(), a});
  h.Anotar({TTipoCambio::Mover, a, b});
  h.Anotar({TTipoCambio::Eliminar, b, TFotoCita()});

  const TFotoCita b9 = Cita(9, "12:00", "13:00", "Dentista");
  h.Deshecho(b9);  // the deletion undone, stored as 9
  EXPECT_EQ(h.ARehacer().Antes, b9);
  EXPECT_EQ(h.ADeshacer().Despues, b9);
  EXPECT_EQ(h.ADeshacer().Antes.ID(), 9);
  h.Deshecho(h.ADeshacer().Antes);
  EXPECT_EQ(h.ADeshacer().Despues.ID(), 9);  // its creation
  h.Deshecho(TFotoCita());
  EXPECT_EQ(h.ADeshacer().Antes, viejo);  // the other appointment's deletion
  EXPECT_EQ(h.ARehacer().Despues.ID(), 9);

  // Redoing a creation under a new ID carries it forward to its deletion.
  const TFotoCita a11 = Cita(11, "10:00", "11:00", "Dentista");
  h.Rehecho(a11);
  EXPECT_EQ(h.ARehacer().Antes, a11);
  EXPECT_EQ(h.ARehacer().Antes.ID(), 11);
  EXPECT_EQ(h.ARehacer().Despues.ID(), 11);
  h.Rehecho(h.ARehacer().Despues);
  EXPECT_EQ(h.ARehacer().Antes.ID(), 11);
}
}  // namespace
