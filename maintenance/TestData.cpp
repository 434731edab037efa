#include "maintenance/TestData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>

#include "app/AppPaths.h"
#include "app/UAgendaUtil.h"
#include "core/Clock.h"
#include "data/Table.h"

namespace {

bool LeerLineas(const QString& path, QStringList& lines) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  QString text = QString::fromUtf8(f.readAll());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines = text.split(u'\n');
  // A final line break does not start one more line.
  if (!lines.isEmpty() && lines.constLast().isEmpty()) lines.removeLast();
  return true;
}

QString FraseAlAzar(TAzar& azar, const QStringList& frases) {
  QString linea;
  do linea = frases.at(azar.Random(static_cast<int>(frases.size())));
  while (linea.trimmed().isEmpty());
  return linea;
}

}  // namespace

int TAzar::Random(int n) {
  if (n < 1) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(engine_);
}

bool CargarTextosPruebaDe(const QString& Carpeta, TextosPrueba& Textos, QString& Error) {
  const QString dir = IncluirBarra(Carpeta);
  QStringList frases, texto;
  if (!LeerLineas(dir + QStringLiteral("Frases.txt"), frases) || !LeerLineas(dir + QStringLiteral("Texto.txt"), texto)) {
    Error = QStringLiteral("No se encuentran los ficheros de ejemplo \"Frases.txt\" y \"Texto.txt\".");
    return false;
  }
  if (std::none_of(frases.begin(), frases.end(), [](const QString& l) { return !l.trimmed().isEmpty(); })) {
    Error = QStringLiteral("El fichero \"Frases.txt\" no contiene ninguna frase.");
    return false;
  }
  Textos.Frases = frases;
  Textos.Texto = texto.join(QStringLiteral("\r\n"));
  return true;
}

bool CargarTextosPrueba(TextosPrueba& Textos, QString& Error) {
  const QStringList carpetas = {QDir::currentPath(), AppPaths::ProgramFolder(),
                                QDir::cleanPath(AppPaths::ProgramFolder() + QStringLiteral("../share/quillar"))};
  for (const QString& c : carpetas) {
    if (QFileInfo::exists(IncluirBarra(c) + QStringLiteral("Frases.txt")) &&
        QFileInfo::exists(IncluirBarra(c) + QStringLiteral("Texto.txt")))
      return CargarTextosPruebaDe(c, Textos, Error);
  }
  Error = QStringLiteral("No se encuentran los ficheros de ejemplo \"Frases.txt\" y \"Texto.txt\"") +
          QStringLiteral("\r\nni en la carpeta de trabajo ni en la del programa.");
  return false;
}

TCitaPrueba GenerarCita(TAzar& Azar, const TextosPrueba& Textos, int Categorias, TDate Hoy) {
  TCitaPrueba c;
  c.FechaIni = Hoy - Azar.Random(200) + Azar.Random(1000);
  const int hh = Azar.Random(23);
  const int mm = 15 * Azar.Random(3);
  c.HoraIni = QString::asprintf("%02d:%02d", hh, mm);
  const TDateTime fin = SumarMinutos(15 * Azar.Random(32), FechaHora(c.FechaIni, c.HoraIni));
  c.FechaFin = dt::DateOf(fin);
  c.HoraFin = HoraTexto(fin);
  c.Asunto = FraseAlAzar(Azar, Textos.Frases);
  c.Lugar = FraseAlAzar(Azar, Textos.Frases);
  c.Aviso = Azar.Random(10);
  c.Tipo = Azar.Random(Categorias) - 1;
  if (Azar.Random(27) % 2 == 0) c.Notas = Textos.Texto.left(Azar.Random(static_cast<int>(Textos.Texto.size())));
  return c;
}

void GenerarCitas(const QString& Carpeta, int Cantidad, const TextosPrueba& Textos, TAzar& Azar,
                  const std::function<void(int)>& Avance) {
  const std::string folder = IncluirBarra(Carpeta).toStdString();
  int categorias = 0;
  {
    data::Table cat(folder, "CATEGORIAS.DBF");
    cat.Open();
    categorias = static_cast<int>(cat.RecordCount());
    cat.Close();
  }
  data::Table t(folder, "AGENDA.DBF");
  t.EmptyTable();
  t.Open();
  const TDate hoy = Clock::Today();
  for (int i = 1; i <= Cantidad; ++i) {
    if (Avance) Avance(i);
    // Last leaves Eof set, as it does for a non-empty table too: an empty
    // table is one without a current record.
    t.Last();
    const int id = t.RecNo() == 0 ? 1 : static_cast<int>(t.FieldByName("ID").AsInteger()) + 1;
    const TCitaPrueba c = GenerarCita(Azar, Textos, categorias, hoy);
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(c.FechaIni);
    t.FieldByName("HORA_INI").SetAsString(c.HoraIni.toStdString());
    t.FieldByName("FECHA_FIN").SetAsDate(c.FechaFin);
    t.FieldByName("HORA_FIN").SetAsString(c.HoraFin.toStdString());
    t.FieldByName("ASUNTO").SetAsString(c.Asunto.toStdString());
    t.FieldByName("LUGAR").SetAsString(c.Lugar.toStdString());
    t.FieldByName("AVISO").SetAsInteger(c.Aviso);
    t.FieldByName("TIPO").SetAsInteger(c.Tipo);
    t.FieldByName("NOTAS").SetAsString(c.Notas.toStdString());
    RecalcularAviso(t);
    t.Post();  // on disk when it returns: each appointment is flushed on its own

  }
  t.Close();
}
