#include "maintenance/BackupArchive.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

#include "MaintenanceTestSupport.h"
#include "support/FaultSweep.h"
#include "app/UCategoriaClass.h"
#include "data/Table.h"

using namespace mtest;

namespace {

class BackupArchiveTest : public DataFoldersTest {
 protected:
  // A data folder as the program leaves it, plus files a backup must skip.
  void FillDataFolder() {
    MakeAgendaTable(data);
    ASSERT_TRUE(CrearTablaCategorias(data));
    WriteFile(data + "AGENDA.gz", QByteArray(1000, 'z'));  // already compressed: stored as it is
    WriteFile(data + "config.ini", "[General]");
    WriteFile(data + "AGENDA_202401010000.zip", "old archive");
    WriteFile(data + "NOTAS.DBF", "other table");
  }
  std::int64_t SizeOf(const QString& folder, const QStringList& names) {
    std::int64_t n = 0;
    for (const QString& name : names) n += QFileInfo(folder + name).size();
    return n;
  }
  // Everything in a folder, hidden files and folders too.
  QStringList Everything(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  }
};

const QStringList kTableFiles = {"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "CATEGORIAS.DBF", "CATEGORIAS.MDX"};

// Name, compression method (0 stored, 8 deflated) and the comment, as Python
// reads them.
const char* kListArchive = R"(
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(repr(z.comment.decode()))
for i in z.infolist():
    print(i.filename, i.compress_type, i.file_size)
)";

TEST_F(BackupArchiveTest, ArchiveHoldsTheTableFilesUnderBareNamesWithTheComment) {
  FillDataFolder();
  const QString archive = dest + "AGENDA_202405101435.zip";
  const ArchiveResult r = CreateBackup(data, archive);
  ASSERT_TRUE(r.ok()) << r.code << " " << r.errorText.toStdString();
  const QString listing = Python(kListArchive, {archive});
  QString expected = "'Quillar\\r\\n\\r\\nCopia de seguridad.'\n";
  for (const char* name : {"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "AGENDA.gz", "CATEGORIAS.DBF", "CATEGORIAS.MDX"})
    expected += QStringLiteral("%1 %2 %3\n").arg(name).arg(QString(name).endsWith(".gz") ? 0 : 8).arg(QFileInfo(data + name).size());
  EXPECT_EQ(listing.toStdString(), expected.toStdString());
  // Nothing left behind in the destination but the archive.
  EXPECT_EQ(Listing(dest), QStringList{"AGENDA_202405101435.zip"});
}

TEST_F(BackupArchiveTest, ArchiveNameIsDateAndTimeToTheMinute) {
  EXPECT_EQ(BackupArchiveName(dt::EncodeDate(2024, 5, 10) + dt::EncodeTime(14, 35, 59, 0)),
            "AGENDA_202405101435.zip");
  EXPECT_EQ(BackupArchiveName(dt::EncodeDate(2003, 1, 2) + dt::EncodeTime(0, 5, 0, 0)), "AGENDA_200301020005.zip");
}

TEST_F(BackupArchiveTest, StoredSuffixesAreTheCompressedFormats) {
  for (const char* name : {"A.zip", "A.GIF", "A.png", "A.z", "A.Zoo", "A.arc", "A.lzh", "A.arj", "A.taz", "A.tgz",
                           "A.lha", "A.rar", "A.ace", "A.cab", "A.gz", "A.gzip", "A.jar"})
    EXPECT_TRUE(IsStoredSuffix(name)) << name;
  for (const char* name : {"AGENDA.DBF", "AGENDA.MDX", "AGENDA.DBT", "AGENDA", "A.zipx", "A.tar"})
    EXPECT_FALSE(IsStoredSuffix(name)) << name;
}

TEST_F(BackupArchiveTest, ProgressNamesEachFileAndCountsEveryByte) {
  FillDataFolder();
  std::int64_t total = -1, bytes = 0;
  QStringList files;
  bool totalFirst = true;
  ArchiveProgress p;
  p.Total = [&](std::int64_t t) {
    totalFirst = files.isEmpty();
    total = t;
  };
  p.NewFile = [&](const QString& n) { files << n; };
  p.Bytes = [&](std::int64_t b) { bytes += b; };
  ASSERT_TRUE(CreateBackup(data, dest + "a.zip", p).ok());
  EXPECT_TRUE(totalFirst);
  EXPECT_EQ(total, SizeOf(data, kTableFiles + QStringList{"AGENDA.gz"}));
  EXPECT_EQ(bytes, total);
  files.sort();
  EXPECT_EQ(files, (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "AGENDA.gz", "CATEGORIAS.DBF",
                                "CATEGORIAS.MDX"}));

  // Restoring reports the same way.
  QDir().mkpath(tmp.path() + "/otra");
  total = -1;
  bytes = 0;
  files.clear();
  ASSERT_TRUE(RestoreBackup(dest + "a.zip", tmp.path() + "/otra", p).ok());
  // Only the tables' own files are restored.
  EXPECT_EQ(total, SizeOf(data, kTableFiles));
  EXPECT_EQ(bytes, total);
  EXPECT_EQ(files.size(), 5);
}

TEST_F(BackupArchiveTest, ProgressPositionFollowsTheBarFormula) {
  struct Case {
    std::int64_t p, t;
    int expected;
  } cases[] = {
      {0, 100, 1},
      {50, 100, 5001},
      {100, 100, 10001},
      {1, 3, 3334},  // 3333.33 rounds down
      {2, 3, 6668},  // 6666.67 rounds up
      {0, 0, 10001},
      {5, 0, 10001},
      {std::int64_t(1) << 62, 1, INT_MAX},  // overflow gives the largest integer
      {std::int64_t(3) << 40, std::int64_t(4) << 40, 7501},  // beyond 32 bits
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressPosition(c.p, c.t), c.expected) << c.p << "/" << c.t;
}

TEST_F(BackupArchiveTest, RoundTripIntoAnotherFolderRestoresTheSameBytes) {
  FillDataFolder();
  ASSERT_TRUE(CreateBackup(data, dest + "a.zip").ok());
  const QString other = tmp.path() + "/otro nombre/";
  QDir().mkpath(other);
  WriteFile(other + "AGENDA.DBF", "older table");
  WriteFile(other + "mio.txt", "kept");
  const ArchiveResult r = RestoreBackup(dest + "a.zip", other);
  ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
  for (const QString& name : kTableFiles) EXPECT_EQ(ReadFile(other + name), ReadFile(data + name)) << name.toStdString();
  EXPECT_EQ(ReadFile(other + "mio.txt"), "kept");
  EXPECT_EQ(Everything(other), kTableFiles + QStringList{"mio.txt"});
}

TEST_F(BackupArchiveTest, RestoredFilesKeepTheModeOfWhatTheyReplaceOrGetTheUsualOne) {
  // Other users of a shared data folder must still reach restored tables.
  FillDataFolder();
  ASSERT_TRUE(CreateBackup(data, dest + "a.zip").ok());
  const QString other = tmp.path() + "/otra/";
  QDir().mkpath(other);
  WriteFile(other + "AGENDA.DBF", "older table");
  ASSERT_EQ(::chmod(QFile::encodeName(other + "AGENDA.DBF").constData(), 0664), 0);
  const mode_t old = ::umask(022);
  const ArchiveResult r = RestoreBackup(dest + "a.zip", other);
  ::umask(old);
  ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
  const auto mode = [&](const char* name) {
    struct stat st {};
    ::stat(QFile::encodeName(other + name).constData(), &st);
    return st.st_mode & 0777;
  };
  EXPECT_EQ(mode("AGENDA.DBF"), 0664u);
  EXPECT_EQ(mode("AGENDA.DBT"), 0644u);
  EXPECT_EQ(mode("CATEGORIAS.DBF"), 0644u);
}

// Writes an archive with Python: argv[1] the archive, then name=content
// pairs; a content "@path" is the bytes of that file.
const char* kMakeArchive = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:
    for pair in sys.argv[2:]:
        name, content = pair.split('=', 1)
        z.writestr(zipfile.ZipInfo(name), open(content[1:], 'rb').read() if content.startswith('@') else content)
)";

TEST_F(BackupArchiveTest, RestoreTakesOnlyTableFilesAndNeverWritesOutsideTheDataFolder) {
  const QString source = tmp.path() + "/fuente/";
  QDir().mkpath(source);
  MakeAgendaTable(source);
  ASSERT_TRUE(CrearTablaCategorias(source));
  const QString archive = tmp.path() + "/crafted.zip";
  Python(kMakeArchive, {archive, "../../AGENDA.DBF=@" + source + "AGENDA.DBF",
                        "/tmp/CATEGORIAS.DBF=@" + source + "CATEGORIAS.DBF", "sub\\dir\\AGENDA.DBT=@" + source + "AGENDA.DBT",
                        "carpeta/AGENDA.MDX=@" + source + "AGENDA.MDX", "README.txt=readme", "NOTAS.DBF=other",
                        "AGENDA.TXT=not a table", "AGENDA.001=not a table", "agenda.dbf.bak=old", "../=dots",
                        "otra/=folder"});
  const ArchiveResult r = RestoreBackup(archive, data);
  ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
  // The index CATEGORIAS had no file for is made anew.
  EXPECT_EQ(Everything(data), kTableFiles);
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), ReadFile(source + "AGENDA.DBF"));
  EXPECT_EQ(ReadFile(data + "AGENDA.DBT"), ReadFile(source + "AGENDA.DBT"));
  EXPECT_EQ(IdsOf(data, "AGENDA.DBF", "FECHA_INI"), (std::vector<int>{5, 4, 2, 1}));
  // Nothing beside or above the data folder.
  EXPECT_EQ(Everything(tmp.path()), (QStringList{"copias", "crafted.zip", "datos", "fuente"}));
  EXPECT_FALSE(QFile::exists(QDir::cleanPath(tmp.path() + "/../AGENDA.DBF")));
}

TEST_F(BackupArchiveTest, RestoreRefusesDamagedOrPartialArchivesAndLeavesNothingBehind) {
  FillDataFolder();
  const QString source = tmp.path() + "/fuente/";
  QDir().mkpath(source);
  MakeAgendaTable(source);
  const QByteArray before = ReadFile(data + "AGENDA.DBF");
  const QStringList listing = Everything(data);
  struct Case {
    const char* what;
    QStringList entries;
  } cases[] = {
      {"random bytes named like the tables", {"AGENDA.DBF=" + QString(3000, 'a'), "AGENDA.DBT=" + QString(600, 't')}},
      {"a memo table without its memo file", {"AGENDA.DBF=@" + source + "AGENDA.DBF", "AGENDA.MDX=@" + source + "AGENDA.MDX"}},
      {"records cut short", {"AGENDA.DBF=@" + source + "AGENDA.DBF", "AGENDA.DBT=" + QString(10, 'x')}},
  };
  for (const Case& c : cases) {
    const QString archive = tmp.path() + "/mala.zip";
    QFile::remove(archive);
    Python(kMakeArchive, QStringList{archive} + c.entries);
    const ArchiveResult r = RestoreBackup(archive, data);
    EXPECT_EQ(r.code, backupcode::kDamaged) << c.what << ": " << r.errorText.toStdString();
    // The files are named as in the data folder, not in the work folder gone since.
    EXPECT_FALSE(r.errorText.contains(QStringLiteral(".~"))) << c.what << ": " << r.errorText.toStdString();
    EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), before) << c.what;
    EXPECT_EQ(Everything(data), listing) << c.what;
  }
}

TEST_F(BackupArchiveTest, RestoreRefusesAnIndexItCouldOnlyReadAndChangesNothing) {
  FillDataFolder();
  const QByteArray before = ReadFile(data + "AGENDA.DBF");
  const QStringList listing = Everything(data);
  struct Case {
    const char* what;
    std::function<void(const QString&)> spoil;
    const char* says;
  } cases[] = {
      {"a tag on another program's function", [](const QString& f) { AddForeignTag(f); },
       "La copia de seguridad no se puede restaurar: La etiqueta RARO de AGENDA.MDX tiene la expresión SOUNDEX(HORA_FIN)"},
      {"an index file of an unknown version",
       [](const QString& f) {
         QByteArray mdx = ReadFile(f + "AGENDA.MDX");
         mdx[0] = 9;
         WriteFile(f + "AGENDA.MDX", mdx);
       },
       "La copia de seguridad no se puede restaurar: El índice AGENDA.MDX es de una versión desconocida."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString source = tmp.path() + "/fuente/";
    QDir(source).removeRecursively();
    QDir().mkpath(source);
    MakeAgendaTable(source);
    c.spoil(source);
    QFile::remove(dest + "ajena.zip");
    ASSERT_TRUE(CreateBackup(source, dest + "ajena.zip").ok());
    const ArchiveResult r = RestoreBackup(dest + "ajena.zip", data);
    EXPECT_EQ(r.code, backupcode::kUnkeptIndex) << r.errorText.toStdString();
    EXPECT_TRUE(r.errorText.startsWith(QString::fromUtf8(c.says))) << r.errorText.toStdString();
    EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), before);
    EXPECT_EQ(Everything(data), listing);
  }
}

TEST_F(BackupArchiveTest, RestoreWhileAnotherProgramHasTheTablesOpenChangesNothing) {
  FillDataFolder();
  ASSERT_TRUE(CreateBackup(data, dest + "a.zip").ok());
  const QStringList listing = Everything(data);
  for (const char* held : {"AGENDA.DBF", "CATEGORIAS.DBF"}) {
    TableHolder holder(data, held);
    const QByteArray before = ReadFile(data + "AGENDA.DBF");
    const ArchiveResult r = RestoreBackup(dest + "a.zip", data);
    EXPECT_EQ(r.code, backupcode::kInUse) << held;
    EXPECT_TRUE(r.errorText.contains("en uso")) << r.errorText.toStdString();
    EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), before);
    EXPECT_EQ(Everything(data), listing);
  }
}

TEST_F(BackupArchiveTest, RestoreRefusesWhatIsNotABackupAndChangesNothing) {
  WriteFile(data + "AGENDA.DBF", "current");
  struct Case {
    const char* file;
    QByteArray bytes;
    int code;
  } cases[] = {
      {"copia.rar", QByteArray("Rar!\x1a\x07\x00", 7) + QByteArray(100, 'r'), backupcode::kNotZip},
      {"texto.zip", "this is not a zip archive at all, just text", backupcode::kNotZip},
  };
  for (const Case& c : cases) {
    WriteFile(tmp.path() + "/" + c.file, c.bytes);
    EXPECT_EQ(RestoreBackup(tmp.path() + "/" + c.file, data).code, c.code) << c.file;
  }
  Python(kMakeArchive, {tmp.path() + "/otros.zip", "CATEGORIAS.DBF=c", "AGENDA.TXT=t", "fotos/AGENDA.DBF/=folder"});
  EXPECT_EQ(RestoreBackup(tmp.path() + "/otros.zip", data).code, backupcode::kNotBackup);
  EXPECT_NE(RestoreBackup(tmp.path() + "/no-existe.zip", data).code, 0);
  EXPECT_EQ(Listing(data), QStringList{"AGENDA.DBF"});
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), "current");
}

TEST_F(BackupArchiveTest, RestoreStoppedByADamagedEntryLeavesEveryOldFile) {
  WriteFile(data + "AGENDA.DBF", "old table");
  WriteFile(data + "AGENDA.MDX", "old index");
  const QString archive = tmp.path() + "/danado.zip";
  Python(kMakeArchive, {archive, "AGENDA.DBF=new table", "AGENDA.MDX=new index ZZZZZZZZ"});
  // Spoil the second entry's data: its CRC no longer matches.
  QByteArray bytes = ReadFile(archive);
  const int at = bytes.indexOf("ZZZZZZZZ");
  ASSERT_GT(at, 0);
  bytes[at] = 'Y';
  WriteFile(archive, bytes);
  const ArchiveResult r = RestoreBackup(archive, data);
  EXPECT_NE(r.code, 0);
  EXPECT_FALSE(r.errorText.isEmpty());
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), "old table");
  EXPECT_EQ(ReadFile(data + "AGENDA.MDX"), "old index");
  EXPECT_EQ(Listing(data), (QStringList{"AGENDA.DBF", "AGENDA.MDX"}));
}

TEST_F(BackupArchiveTest, RestoredTableNeverKeepsAnOldIndexAndGetsAMissingOneMadeAnew) {
  FillDataFolder();
  // A restored table without an index file of its own, beside an old one.
  const QString source = tmp.path() + "/fuente/";
  QDir().mkpath(source);
  CrearTablaAgenda(source);
  {
    data::Table t(source.toStdString(), "AGENDA.DBF");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(9);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2020, 1, 2));
    t.FieldByName("NOTAS").SetAsString("restaurada");
    ASSERT_TRUE(t.Post());
  }
  const QString archive = tmp.path() + "/sin-indice.zip";
  Python(kMakeArchive, {archive, "AGENDA.DBF=@" + source + "AGENDA.DBF", "AGENDA.DBT=@" + source + "AGENDA.DBT"});
  const QByteArray categories = ReadFile(data + "CATEGORIAS.DBF");
  const ArchiveResult r = RestoreBackup(archive, data);
  ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
  EXPECT_EQ(IdsOf(data, "AGENDA.DBF", "ID"), std::vector<int>{9});
  EXPECT_EQ(IdsOf(data, "AGENDA.DBF", "FECHA_INI"), std::vector<int>{9});
  data::Table t(data.toStdString(), "AGENDA.DBF");
  t.Open(data::OpenMode::ReadOnly);
  EXPECT_TRUE(t.Verify().empty());
  // The archive has no CATEGORIAS table: that one stays as it was.
  EXPECT_EQ(ReadFile(data + "CATEGORIAS.DBF"), categories);
}

TEST_F(BackupArchiveTest, RestoreReplacesTheFileOfTheSameNameInAnyCase) {
  const QString source = tmp.path() + "/fuente/";
  QDir().mkpath(source);
  MakeAgendaTable(source);
  WriteFile(data + "agenda.dbf", "old");
  WriteFile(data + "Agenda.Dbt", "old memo");
  const QString archive = tmp.path() + "/a.zip";
  Python(kMakeArchive, {archive, "AGENDA.DBF=@" + source + "AGENDA.DBF", "agenda.DBT=@" + source + "AGENDA.DBT",
                        "AGENDA.MDX=@" + source + "AGENDA.MDX"});
  ASSERT_TRUE(RestoreBackup(archive, data).ok());
  EXPECT_EQ(Everything(data), (QStringList{"Agenda.Dbt", "agenda.dbf", "agenda.mdx"}));
  EXPECT_EQ(ReadFile(data + "agenda.dbf"), ReadFile(source + "AGENDA.DBF"));
}

// What one open of a table finds, as the program opens it (which finishes
// an interrupted switch): its IDs, after a clean check through both tags.
std::vector<int> OpenedIds(const QString& folder, const char* table) {
  {
    data::Table t(folder.toStdString(), table);
    t.Open();
    EXPECT_EQ(t.Verify(), std::vector<std::string>{}) << table;
  }
  std::vector<int> ids = IdsOf(folder, table, "ID");
  std::vector<int> other = IdsOf(folder, table, table[0] == 'A' ? "FECHA_INI" : "CATEGORIA");
  std::sort(other.begin(), other.end());
  EXPECT_EQ(ids, other) << table;
  return ids;
}

TEST_F(BackupArchiveTest, RestoreLeavesTheOldOrTheRestoredTablesAtEveryPoint) {
  FillDataFolder();
  const QString source = tmp.path() + "/fuente/";
  QDir().mkpath(source);
  CrearTablaAgenda(source);
  ASSERT_TRUE(CrearTablaCategorias(source));
  {
    data::Table t(source.toStdString(), "AGENDA.DBF");
    t.Open();
    t.Append();
    t.FieldByName("ID").SetAsInteger(7);
    t.FieldByName("FECHA_INI").SetAsDate(dt::EncodeDate(2021, 6, 1));
    t.FieldByName("NOTAS").SetAsString("restaurada");
    ASSERT_TRUE(t.Post());
  }
  const QString archive = tmp.path() + "/copia.zip";
  ASSERT_TRUE(CreateBackup(source, archive).ok());
  const QString run = tmp.path() + "/run/";
  const auto restore = [&] { return RestoreBackup(archive, run); };
  sweep::CopyFolder(data.toStdString(), run.toStdString());
  const long points = sweep::CountIoPoints([&] { ASSERT_TRUE(restore().ok()); });
  ASSERT_GE(points, 20);
  RecordProperty("io_points", static_cast<int>(points));
  const std::vector<int> old = {1, 2, 4, 5}, restored = {7};
  for (long n = 1; n <= points; ++n) {
    SCOPED_TRACE("point " + std::to_string(n));
    sweep::CopyFolder(data.toStdString(), run.toStdString());
    data::SetIoFaultPlan({n, ENOSPC, false});
    const ArchiveResult r = restore();
    data::SetIoFaultPlan({});
    std::vector<int> ids = OpenedIds(run, "AGENDA.DBF");
    EXPECT_TRUE(r.ok() ? ids == restored : ids == old || ids == restored);
    OpenedIds(run, "CATEGORIAS.DBF");

    sweep::CopyFolder(data.toStdString(), run.toStdString());
    EXPECT_TRUE(sweep::RunWithCrashAt(n, [&] { restore(); }));
    ids = OpenedIds(run, "AGENDA.DBF");
    EXPECT_TRUE(ids == old || ids == restored);
    OpenedIds(run, "CATEGORIAS.DBF");
    // What the crash left is only copies, and the next restore removes it.
    ASSERT_TRUE(restore().ok());
    EXPECT_EQ(Everything(run), (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "AGENDA.gz", "AGENDA_202401010000.zip",
                                            "CATEGORIAS.DBF", "CATEGORIAS.MDX", "NOTAS.DBF", "config.ini"}));
  }
}

// Bytes that do not compress.
QByteArray Noise(int size) {
  std::mt19937 random(7);
  QByteArray bytes(size, 0);
  for (char& b : bytes) b = static_cast<char>(random());
  return bytes;
}

// The file size limit makes writes fail as a full disk does, without root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit l = old_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit old_{};
  void (*previous_)(int) = nullptr;
};

TEST_F(BackupArchiveTest, FailedBackupKeepsTheEarlierArchiveOfTheSameName) {
  FillDataFolder();
  // Data that does not compress, so the archive outgrows the limit.
  WriteFile(data + "AGENDA.DBT", Noise(200000));
  const QString archive = dest + "AGENDA_202405101435.zip";
  WriteFile(archive, "earlier archive");
  ArchiveResult r;
  {
    FileSizeLimit limit(50000);
    r = CreateBackup(data, archive);
  }
  EXPECT_EQ(r.code, backupcode::kNoSpace) << r.errorText.toStdString();
  EXPECT_EQ(ReadFile(archive), "earlier archive");
  EXPECT_EQ(Listing(dest), QStringList{"AGENDA_202405101435.zip"});

  // Without the limit the same backup replaces it.
  ASSERT_TRUE(CreateBackup(data, archive).ok());
  EXPECT_NE(ReadFile(archive), "earlier archive");
}

TEST_F(BackupArchiveTest, RestoreIntoAFullDiskKeepsTheOldFiles) {
  WriteFile(data + "AGENDA.DBF", Noise(200000));
  ASSERT_TRUE(CreateBackup(data, dest + "a.zip").ok());
  WriteFile(data + "AGENDA.DBF", "old");
  ArchiveResult r;
  {
    FileSizeLimit limit(50000);
    r = RestoreBackup(dest + "a.zip", data);
  }
  EXPECT_EQ(r.code, backupcode::kNoSpace);
  EXPECT_EQ(Everything(data), QStringList{"AGENDA.DBF"});
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), "old");
}

}  // namespace
