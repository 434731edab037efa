#include "maintenance/BackupArchive.h"

#include <QTemporaryDir>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

#include "MaintenanceTestSupport.h"

using namespace mtest;

namespace {

class BackupArchiveTest : public DataFoldersTest {
 protected:
  // A data folder as the program leaves it, plus files a backup must skip.
  void FillDataFolder() {
    WriteFile(data + "AGENDA.DBF", QByteArray(5000, 'a'));
    WriteFile(data + "AGENDA.DBT", QByteArray(3000, 't'));
    WriteFile(data + "AGENDA.MDX", QByteArray(4096, 'x'));
    WriteFile(data + "CATEGORIAS.DBF", QByteArray(1500, 'k'));
    WriteFile(data + "CATEGORIAS.MDX", QByteArray(2048, 'c'));
    WriteFile(data + "AGENDA.gz", QByteArray(1000, 'z'));  // already compressed: stored as it is
    WriteFile(data + "config.ini", "[General]");
    WriteFile(data + "AGENDA_202401010000.zip", "old archive");
    WriteFile(data + "NOTAS.DBF", "other table");
  }
};

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
  EXPECT_EQ(listing.toStdString(),
            "'Quillar\\r\\n\\r\\nCopia de seguridad.'\n"
            "AGENDA.DBF 8 5000\n"
            "AGENDA.DBT 8 3000\n"
            "AGENDA.MDX 8 4096\n"
            "AGENDA.gz 0 1000\n"
            "CATEGORIAS.DBF 8 1500\n"
            "CATEGORIAS.MDX 8 2048\n");
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
  EXPECT_EQ(total, 5000 + 3000 + 4096 + 1000 + 1500 + 2048);
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
  EXPECT_EQ(total, 5000 + 3000 + 4096 + 1000 + 1500 + 2048);
  EXPECT_EQ(bytes, total);
  EXPECT_EQ(files.size(), 6);
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
  for (const char* name : {"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "AGENDA.gz", "CATEGORIAS.DBF", "CATEGORIAS.MDX"})
    EXPECT_EQ(ReadFile(other + name), ReadFile(data + name)) << name;
  EXPECT_EQ(ReadFile(other + "mio.txt"), "kept");
  EXPECT_EQ(Listing(other), (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "AGENDA.gz", "CATEGORIAS.DBF",
                                         "CATEGORIAS.MDX", "mio.txt"}));
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

// Writes an archive with Python: argv[1] the archive, then name=content pairs.
const char* kMakeArchive = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:
    for pair in sys.argv[2:]:
        name, content = pair.split('=', 1)
        z.writestr(zipfile.ZipInfo(name), content)
)";

TEST_F(BackupArchiveTest, RestoreTakesOnlyTableFilesAndNeverWritesOutsideTheDataFolder) {
  const QString archive = tmp.path() + "/crafted.zip";
  Python(kMakeArchive, {archive, "../../AGENDA.DBF=escaped", "/tmp/CATEGORIAS.DBF=absolute",
                        "sub\\dir\\AGENDA.DBT=memo", "carpeta/AGENDA.MDX=index", "README.txt=readme",
                        "NOTAS.DBF=other", "../=dots", "otra/=folder"});
  const ArchiveResult r = RestoreBackup(archive, data);
  ASSERT_TRUE(r.ok()) << r.errorText.toStdString();
  EXPECT_EQ(Listing(data), (QStringList{"AGENDA.DBF", "AGENDA.DBT", "AGENDA.MDX", "CATEGORIAS.DBF"}));
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), "escaped");
  EXPECT_EQ(ReadFile(data + "CATEGORIAS.DBF"), "absolute");
  EXPECT_EQ(ReadFile(data + "AGENDA.DBT"), "memo");
  // Nothing beside or above the data folder.
  EXPECT_EQ(Listing(tmp.path()), QStringList{"crafted.zip"});
  EXPECT_FALSE(QFile::exists(QDir::cleanPath(tmp.path() + "/../AGENDA.DBF")));
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

TEST_F(BackupArchiveTest, RestoredTableNeverKeepsAnOldIndexOrMemo) {
  WriteFile(data + "AGENDA.DBF", "old table");
  WriteFile(data + "AGENDA.DBT", "old memo");
  WriteFile(data + "AGENDA.MDX", "old index");
  WriteFile(data + "CATEGORIAS.DBF", "old categories");
  WriteFile(data + "CATEGORIAS.MDX", "old categories index");
  const QString archive = tmp.path() + "/sin-indice.zip";
  Python(kMakeArchive, {archive, "AGENDA.DBF=new table", "AGENDA.DBT=new memo"});
  ASSERT_TRUE(RestoreBackup(archive, data).ok());
  // The archive has no CATEGORIAS table: that one stays as it was.
  EXPECT_EQ(Listing(data), (QStringList{"AGENDA.DBF", "AGENDA.DBT", "CATEGORIAS.DBF", "CATEGORIAS.MDX"}));
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), "new table");
}

TEST_F(BackupArchiveTest, RestoreReplacesTheFileOfTheSameNameInAnyCase) {
  WriteFile(data + "agenda.dbf", "old");
  const QString archive = tmp.path() + "/a.zip";
  Python(kMakeArchive, {archive, "AGENDA.DBF=new"});
  ASSERT_TRUE(RestoreBackup(archive, data).ok());
  EXPECT_EQ(Listing(data), QStringList{"agenda.dbf"});
  EXPECT_EQ(ReadFile(data + "agenda.dbf"), "new");
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
  EXPECT_EQ(Listing(data), QStringList{"AGENDA.DBF"});
  EXPECT_EQ(ReadFile(data + "AGENDA.DBF"), "old");
}

}  // namespace
