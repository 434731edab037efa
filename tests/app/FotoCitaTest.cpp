#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ConflictoCita.h"
#include "app/FotoCita.h"
#include "app/TableSchemas.h"
#include "core/Messages.h"
#include "data/Table.h"

namespace {
const TDate kDia = dt::EncodeDate(2026, 3, 12);

class FotoCitaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    data::Table t(dir.path().toStdString(), "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
    tabla.SetFolder(dir.path().toStdString());
    tabla.SetTableName("AGENDA");
    tabla.Open();
    tabla.Append();
    tabla.FieldByName("ID").SetAsInteger(7);
    tabla.FieldByName("FECHA_INI").SetAsDate(kDia);
    tabla.FieldByName("FECHA_FIN").SetAsDate(kDia + 1);
    tabla.FieldByName("HORA_INI").SetAsString("09:30");
    tabla.FieldByName("HORA_FIN").SetAsString("10:00");
    tabla.FieldByName("ASUNTO").SetAsString("Dentista  ");
    tabla.FieldByName("NOTAS").SetAsString("Traer la tarjeta\r\ny la cita anterior");
    tabla.FieldByName("AVISO").SetAsInteger(3);
    ASSERT_TRUE(tabla.Post());
  }
  void TearDown() override { SetMessageAnswerer({}); }
  void Cambiar(const char* campo, const std::string& valor) {
    ASSERT_TRUE(TFotoCita::DeID(tabla, 7));
    tabla.Edit();
    tabla.FieldByName(campo).SetAsString(valor);
    ASSERT_TRUE(tabla.Post());
  }
  QTemporaryDir dir;
  data::Table tabla;
};

TEST_F(FotoCitaTest, RemembersEveryFieldAndPutsAFormerStateBack) {
  const auto antes = TFotoCita::DeID(tabla, 7);
  ASSERT_TRUE(antes);
  EXPECT_EQ(antes->ID(), 7);
  EXPECT_EQ(antes->Asunto(), "Dentista");
  EXPECT_EQ(antes->Desde(), kDia);
  EXPECT_EQ(antes->Hasta(), kDia + 1);
  EXPECT_FALSE(TFotoCita::DeID(tabla, 8));
  EXPECT_FALSE(TFotoCita::DeID(tabla, 0));

  // Any field changed elsewhere counts, the notes and unshown fields too.
  for (const char* campo : {"NOTAS", "H_AVISO", "HORA_FIN", "TIPO"}) {
    Cambiar(campo, campo == std::string("TIPO") ? "2" : "11:00");
    TFotoCita ahora;
    EXPECT_EQ(ComprobarCita(tabla, *antes, &ahora), TEstadoCita::Cambiada) << campo;
    EXPECT_NE(ahora, *antes);
    tabla.Edit();
    antes->Escribir(tabla);
    ASSERT_TRUE(tabla.Post());
    EXPECT_EQ(ComprobarCita(tabla, *antes), TEstadoCita::Igual) << campo;
  }
  EXPECT_EQ(tabla.FieldByName("NOTAS").AsString(), "Traer la tarjeta\r\ny la cita anterior");
  EXPECT_TRUE(tabla.FieldByName("F_AVISO").IsNull());

  // Deleted, then stored again whole with its former ID: a record of its
  // own at another record number, which the deleted one's snapshot does not
  // take for itself (one read where the number is not known does).
  ASSERT_TRUE(TFotoCita::DeID(tabla, 7));
  tabla.Delete();
  EXPECT_EQ(ComprobarCita(tabla, *antes), TEstadoCita::Borrada);
  tabla.Append();
  antes->Escribir(tabla);
  ASSERT_TRUE(tabla.Post());
  EXPECT_EQ(ComprobarCita(tabla, *antes), TEstadoCita::Borrada);
  EXPECT_EQ(ComprobarCita(tabla, antes->SinFila()), TEstadoCita::Igual);
  const auto nueva = TFotoCita::DeID(tabla, 7);
  ASSERT_TRUE(nueva);
  EXPECT_EQ(*nueva, *antes);
  EXPECT_EQ(ComprobarCita(tabla, *nueva), TEstadoCita::Igual);
}

TEST(ConflictoCita, EachChoiceAndAClosedBoxThatLosesNothing) {
  MessageRequest visto;
  int respuesta = 0;
  SetMessageAnswerer([&](const MessageRequest& r) {
    visto = r;
    return respuesta;
  });
  const TRespuestaCambio cambio[] = {TRespuestaCambio::Suya, TRespuestaCambio::Mia, TRespuestaCambio::Ambas,
                                     TRespuestaCambio::Ambas};
  for (int i = 0; i < 4; ++i) {
    respuesta = i == 3 ? -1 : i;
    EXPECT_EQ(PreguntarCambioAjeno("Dentista"), cambio[i]) << i;
  }
  EXPECT_TRUE(visto.text.contains("«Dentista»"));
  EXPECT_EQ(visto.choices.size(), 3);
  respuesta = 1;
  EXPECT_EQ(PreguntarBorradoAjeno(""), TRespuestaBorrado::Descartar);
  EXPECT_TRUE(visto.text.contains("ha eliminado la cita desde"));
  respuesta = 7;  // not one of the choices: as a closed box
  EXPECT_EQ(PreguntarBorradoAjeno("x"), TRespuestaBorrado::GuardarDeNuevo);
  SetMessageAnswerer({});
}
}  // namespace
