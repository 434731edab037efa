#include "maintenance/TableRebuild.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <exception>

#include "app/UAgendaUtil.h"
#include "data/DbfHeader.h"
#include "data/Table.h"

namespace {

const QString kCRLF = QStringLiteral("\r\n");

QString Quoted(const QString& s) { return u'"' + s + u'"'; }

// The names of one table's family: stem + extension, the extension in the
// case of the .DBF found on disk.
struct Familia {
  QString stem;  // folder + name without extension
  bool lower = false;
  QString Dbf() const { return stem + (lower ? ".dbf" : ".DBF"); }
  QString Dbt() const { return stem + (lower ? ".dbt" : ".DBT"); }
  QString Mdx() const { return stem + (lower ? ".mdx" : ".MDX"); }
};

Familia FamiliaDe(const QString& folder, const QString& fichero) {
  data::Table t(folder.toStdString(), fichero.toStdString());
  const QString path = QString::fromStdString(t.FilePath());
  Familia f;
  f.stem = path.left(path.size() - 4);
  f.lower = path.endsWith(QLatin1String(".dbf"));
  return f;
}

// The field definitions to create the copy with, read straight from the
// header (the index file may be the damaged part). A column the engine
// cannot create exactly alike stops the work before anything changes.
std::vector<data::FieldDef> DefinicionesDe(const QString& dbf) {
  QFile f(dbf);
  if (!f.open(QIODevice::ReadOnly)) throw RebuildError(QStringLiteral("No se puede leer el fichero ") + Quoted(dbf));
  const QByteArray first = f.read(32);
  if (first.size() < 32) throw RebuildError(QStringLiteral("Cabecera incompleta en ") + Quoted(dbf));
  const std::uint16_t length = data::HeaderLengthOf(first.toStdString());
  f.seek(0);
  const QByteArray head = f.read(length);
  const data::DbfHeader h =
      data::ParseDbfHeader(head.toStdString(), static_cast<std::uint64_t>(f.size()), dbf.toStdString());
  std::vector<data::FieldDef> defs;
  for (const data::DbfField& c : h.fields) {
    data::FieldDef d;
    d.name = c.name;
    if (c.type == 'N' && c.length == 20 && c.decimals == 4) {
      d.kind = data::FieldKind::Float;
    } else if (c.type == 'N' && c.length == 11 && c.decimals == 0) {
      d.kind = data::FieldKind::Integer;
    } else if (c.type == 'D' && c.length == 8) {
      d.kind = data::FieldKind::Date;
    } else if (c.type == 'M') {
      d.kind = data::FieldKind::Memo;
    } else if (c.type == 'C' && c.length >= 1 && c.length <= 254) {
      d.kind = data::FieldKind::String;
      d.length = c.length;
    } else {
      throw RebuildError(QStringLiteral("El campo %1 (%2 %3,%4) no se puede copiar igual.")
                             .arg(QString::fromStdString(c.name), QChar(c.type))
                             .arg(c.length)
                             .arg(c.decimals));
    }
    defs.push_back(d);
  }
  return defs;
}

// The tags the rebuilt table gets: the ones asked for, each on the expression
// the table's own tag of that name has (its field when there is none), then
// the table's other tags as they are. A tag the engine cannot evaluate stops
// the work before anything changes: rebuilding would lose it.
std::vector<data::IndexDef> IndicesDe(const std::string& dir, const std::string& fichero, const QStringList& Indices) {
  std::vector<data::TagInfo> tags;
  try {
    data::Table t(dir, fichero);
    t.Open(data::OpenMode::ReadOnly);
    if (!t.ReadOnlyReason().empty()) throw RebuildError(QString::fromStdString(t.ReadOnlyReason()));
    tags = t.Tags();
  } catch (const data::DbError&) {
    // Unreadable as it stands: plain tags, and the steps below say what fails.
  }
  std::vector<data::IndexDef> out;
  for (const QString& campo : Indices) {
    const std::string name = campo.toStdString();
    data::IndexDef def{name, name, false};
    for (const data::TagInfo& tag : tags)
      if (tag.name == name) def.field = tag.expression;
    out.push_back(def);
  }
  for (const data::TagInfo& tag : tags)
    if (!Indices.contains(QString::fromStdString(tag.name))) out.push_back({tag.name, tag.expression, tag.unique});
  return out;
}

bool Renombrar(const QString& from, const QString& to) {
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void Borrar(const QString& path) {
  if (QFileInfo::exists(path)) QFile::remove(path);
}

}  // namespace

const std::vector<TablaReorganizable>& TablasReorganizables() {
  static const std::vector<TablaReorganizable> tablas = {
      {QStringLiteral("AGENDA.DBF"), {QStringLiteral("ID"), QStringLiteral("FECHA_INI")}},
      {QStringLiteral("CATEGORIAS.DBF"), {QStringLiteral("ID"), QStringLiteral("CATEGORIA")}},
  };
  return tablas;
}

void DesvincularIndice(const QString& RutaDbf, const QString& RutaMdx) {
  const QString fallo = QStringLiteral("Error desvinculando indice del fichero ") + Quoted(RutaDbf);
  QFile f(RutaDbf);
  if (!f.open(QIODevice::ReadWrite) || f.size() < 32 || !f.seek(data::kHdrMdxFlag) || f.write("\0", 1) != 1 ||
      !f.flush())
    throw RebuildError(fallo);
  f.close();
  if (QFileInfo::exists(RutaMdx) && !QFile::remove(RutaMdx)) throw RebuildError(fallo);
}

void ReconstruirTabla(const QString& Carpeta, const QString& Fichero, const QStringList& Indices,
                      const std::function<void(int)>& Paso) {
  const QString folder = IncluirBarra(Carpeta);
  const Familia base = FamiliaDe(folder, Fichero);
  Familia temp;
  temp.stem = folder + QStringLiteral("T_") + QFileInfo(base.stem).fileName();
  temp.lower = base.lower;
  const std::string dir = folder.toStdString();
  const std::string tempName = QFileInfo(temp.Dbf()).fileName().toStdString();
  auto paso = [&Paso](int n) {
    if (Paso) Paso(n);
  };
  try {
    const std::vector<data::FieldDef> defs = DefinicionesDe(base.Dbf());
    const std::vector<data::IndexDef> indices =
        IndicesDe(dir, QFileInfo(base.Dbf()).fileName().toStdString(), Indices);

    DesvincularIndice(base.Dbf(), base.Mdx());
    paso(1);

    data::Table tabla(dir, QFileInfo(base.Dbf()).fileName().toStdString());
    tabla.Open(data::OpenMode::Exclusive);  // no record locks survive a close
    tabla.Close();
    paso(2);

    data::Table copia(dir, tempName);
    copia.Create(defs);
    copia.Open(data::OpenMode::Exclusive);
    paso(3);

    tabla.Open(data::OpenMode::Exclusive);
    copia.AppendAllFrom(tabla);
    paso(4);

    tabla.Close();
    tabla.DeleteTable();
    copia.Close();
    paso(5);

    if (!Renombrar(temp.Dbf(), base.Dbf()))
      throw RebuildError(QStringLiteral("No se pudo renombrar el fichero temporal ") + Quoted(temp.stem + ".DBF"));
    paso(6);

    if (QFileInfo::exists(temp.Dbt()) && !Renombrar(temp.Dbt(), base.Dbt()))
      throw RebuildError(QStringLiteral("No se pudo renombrar el fichero temporal ") + Quoted(temp.stem + ".DBT"));
    paso(7);

    // The asked-for tags are ascending and not unique (ID loses the unique
    // flag it was created with).
    data::Table nueva(dir, QFileInfo(base.Dbf()).fileName().toStdString());
    nueva.Open(data::OpenMode::Exclusive);
    for (const data::IndexDef& indice : indices) nueva.AddIndex(indice);
    nueva.Close();
    paso(8);
  } catch (const std::exception& e) {
    // Put the data back under the table's names: the complete copy when the
    // old table is gone, its memo too when only that rename was missing.
    if (!QFileInfo::exists(base.Dbf()) && QFileInfo::exists(temp.Dbf())) {
      Renombrar(temp.Dbf(), base.Dbf());
      if (QFileInfo::exists(temp.Dbt())) Renombrar(temp.Dbt(), base.Dbt());
      if (QFileInfo::exists(temp.Mdx())) Renombrar(temp.Mdx(), base.Mdx());
    } else if (QFileInfo::exists(base.Dbf()) && !QFileInfo::exists(temp.Dbf())) {
      if (QFileInfo::exists(temp.Dbt()) && !QFileInfo::exists(base.Dbt())) Renombrar(temp.Dbt(), base.Dbt());
      if (QFileInfo::exists(temp.Mdx()) && !QFileInfo::exists(base.Mdx())) Renombrar(temp.Mdx(), base.Mdx());
    }
    // A copy left beside an intact table is dropped; while the table's own
    // file is missing the copy is the only data and stays.
    if (QFileInfo::exists(base.Dbf()) && QFileInfo::exists(temp.Dbf())) {
      Borrar(temp.Dbf());
      Borrar(temp.Dbt());
      Borrar(temp.Mdx());
    }
    throw RebuildError(QStringLiteral("Error reindexando ") + Quoted(base.Dbf()) + kCRLF +
                       QString::fromStdString(e.what()));
  }
}

void ReorganizarCarpeta(const QString& Carpeta, const std::function<void(const QString&)>& Tabla) {
  for (const TablaReorganizable& t : TablasReorganizables()) {
    if (Tabla) Tabla(t.Fichero);
    if (!data::Table(IncluirBarra(Carpeta).toStdString(), t.Fichero.toStdString()).Exists()) continue;
    ReconstruirTabla(Carpeta, t.Fichero, t.Indices);
  }
}
