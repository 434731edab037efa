#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/AppPaths.h"
#include "app/Autostart.h"
#include "app/ConfigFile.h"
#include "app/UConfigAgenda.h"
#include "core/Messages.h"

namespace {
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    AppPaths::SetProgramFolder(dir.path());
    ConfigAgenda = TConfigAgenda{};
    SetMessageAnswerer([this](const MessageRequest& r) {
      messages.push_back(r.text);
      return int(mrOk);
    });
  }
  void TearDown() override {
    AppPaths::SetProgramFolder(QString());
    SetMessageAnswerer({});
  }
  void WriteIni(const QByteArray& text) {
    QFile f(dir.filePath("config.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  QStringList IniLines() {
    QFile f(dir.filePath("config.ini"));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
  }
  QTemporaryDir dir;
  QStringList messages;
};
}  // namespace

TEST_F(ConfigTest, NoFileGivesDefaultsAndFirstSaveWritesEveryKeyInOrder) {
  CargarConfig();
  EXPECT_EQ(ConfigAgenda.DataPath, dir.path() + "/");
  EXPECT_EQ(ConfigAgenda.WindowState, 1);
  EXPECT_DOUBLE_EQ(ConfigAgenda.BeginWorkTime, dt::EncodeTime(9, 0));
  EXPECT_DOUBLE_EQ(ConfigAgenda.EndWorkTime, dt::EncodeTime(20, 0));
  EXPECT_TRUE(ConfigAgenda.WorkLun && ConfigAgenda.WorkVie);
  EXPECT_FALSE(ConfigAgenda.WorkSab || ConfigAgenda.WorkDom);
  EXPECT_EQ(ConfigAgenda.WorkTimeColor, clInfoBk);
  EXPECT_EQ(ConfigAgenda.PathCopSeg, QDir::homePath() + "/");
  EXPECT_EQ(ConfigAgenda.DaysSelected, 1);
  EXPECT_TRUE(ConfigAgenda.ShowReminder);
  EXPECT_FALSE(ConfigAgenda.WindowsRun);
  EXPECT_FALSE(ConfigAgenda.NotifyNetwork);

  GuardarConfig();
  const QStringList lines = IniLines();
  const QStringList expected = {
      "[General]", "DataPath=" + dir.path() + "/", "WindowState=1", "BeginWorkTime=9:00:00",
      "EndWorkTime=20:00:00", "WorkLun=1", "WorkMar=1", "WorkMie=1", "WorkJue=1", "WorkVie=1", "WorkSab=0",
      "WorkDom=0", "WorkTimeColor=-2147483624", "MarkDayColor=-2147483624", "ReportFormat=0", "ShowReminder=1",
      "PathCopSeg=" + QDir::homePath() + "/", "DaysSelected=1", "RulerMarkMinutes=0", "WindowsRun=0",
      "NotifyNetwork=0"};
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ConfigTest, ValuesAreReadLenientlyWithDefaultsForWhatCannotBeRead) {
  WriteIni("[Otra]\nDaysSelected=9\n[General]\n"
           "DataPath=/datos/agenda/\n"
           "daysselected=300\n"
           "WorkTimeColor=0x80000018\n"
           "MarkDayColor=255\n"
           "BeginWorkTime=abc\n"
           "EndWorkTime= 18:30:00 \n"
           "WorkSab=7\n"
           "WorkLun=si\n"
           "ReportFormat=0x101\n"
           "RulerMarkMinutes=-1\n"
           "WindowState=99999999999\n");
  CargarConfig();
  EXPECT_EQ(ConfigAgenda.DataPath, "/datos/agenda/");
  EXPECT_EQ(ConfigAgenda.DaysSelected, 44);
  EXPECT_EQ(ConfigAgenda.WorkTimeColor, clInfoBk);
  EXPECT_EQ(ConfigAgenda.MarkDayColor, clRed);
  EXPECT_DOUBLE_EQ(ConfigAgenda.BeginWorkTime, dt::EncodeTime(9, 0));
  EXPECT_DOUBLE_EQ(ConfigAgenda.EndWorkTime, dt::EncodeTime(18, 30));
  EXPECT_TRUE(ConfigAgenda.WorkSab);
  EXPECT_TRUE(ConfigAgenda.WorkLun);  // unreadable: default
  EXPECT_EQ(ConfigAgenda.ReportFormat, 1);
  EXPECT_EQ(ConfigAgenda.RulerMarkMinutes, 255);
  EXPECT_EQ(ConfigAgenda.WindowState, 1);  // out of 32-bit range: default

  GuardarConfig();
  EXPECT_TRUE(IniLines().contains("WorkTimeColor=-2147483624"));
  EXPECT_TRUE(IniLines().contains("DaysSelected=44"));
}

TEST_F(ConfigTest, EveryTimeWrittenReadsBackAsTheSameTimeOfDay) {
  for (int minute = 0; minute < 1440; minute += 7) {
    const TTime t = dt::EncodeTime(minute / 60, minute % 60, minute % 60);
    const auto back = ConfigFormat::ParseTime(ConfigFormat::FormatTime(t));
    ASSERT_TRUE(back.has_value()) << minute;
    EXPECT_TRUE(dt::SameDateTime(*back, t)) << ConfigFormat::FormatTime(t).toStdString();
  }
  for (const char* bad : {"", "25:00:00", "10:61", "1:2:3:4", "abc", "9h"})
    EXPECT_FALSE(ConfigFormat::ParseTime(bad).has_value()) << bad;
}

// A folder where config.ini should be cannot be read or replaced, whatever
// rights the test runs with.
TEST_F(ConfigTest, AnUnreadableFileShowsTheErrorAndKeepsTheValues) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("config.ini/sub"));
  ConfigAgenda.DaysSelected = 3;
  CargarConfig();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Error cargando configuración.\r\n"));
  EXPECT_GT(messages[0].size(), QString("Error cargando configuración.\r\n").size());
  EXPECT_EQ(ConfigAgenda.DaysSelected, 3);
}

TEST_F(ConfigTest, AFailedSaveIsReportedWithItsReason) {
  ASSERT_TRUE(QDir(dir.path()).mkpath("config.ini/sub"));
  GuardarConfig();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith("Error guardando configuración.\r\n"));
  EXPECT_GT(messages[0].size(), QString("Error guardando configuración.\r\n").size());
  EXPECT_TRUE(QDir(dir.filePath("config.ini/sub")).exists());
}

TEST_F(ConfigTest, AutostartEntryFollowsTheSettingAndIsNeverDeleted) {
  const auto entryLines = [] {
    QFile f(Autostart::EntryFile());
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
  };
  CargarConfig();
  ConfigAgenda.WindowsRun = true;
  GuardarConfig();
  QStringList on = entryLines();
  EXPECT_EQ(on.first(), "[Desktop Entry]");
  EXPECT_TRUE(on.contains("Name=Quillar"));
  EXPECT_TRUE(on.contains("Exec=" + AppPaths::ProgramFile()));
  EXPECT_TRUE(on.contains("Hidden=false"));

  ConfigAgenda.WindowsRun = false;
  GuardarConfig();
  QStringList off = entryLines();
  EXPECT_TRUE(off.contains("Hidden=true"));
  EXPECT_TRUE(off.contains("Exec=" + AppPaths::ProgramFile()));
}

TEST_F(ConfigTest, ASaveKeepsCommentsForeignKeysAndOtherSectionsInTheirOrder) {
  WriteIni("; puesto a mano\n"
           "[Red]\nServidor=agenda01\n\n"
           "[General]\n"
           "# copia de la oficina\n"
           "DataPath=\"/datos/oficina/\"\n"
           "Tema=oscuro\n"
           "DaysSelected = 7\n"
           "\n"
           "[Impresora]\nNombre=Sala \xe1\n");  // a Latin-1 byte: kept as it is
  CargarConfig();
  EXPECT_EQ(ConfigAgenda.DataPath, "/datos/oficina/");  // read without its quotes
  EXPECT_EQ(ConfigAgenda.DaysSelected, 7);
  ConfigAgenda.DaysSelected = 3;
  GuardarConfig();
  EXPECT_TRUE(messages.isEmpty());

  QFile f(dir.filePath("config.ini"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  const QList<QByteArray> head = {"; puesto a mano", "[Red]", "Servidor=agenda01", "", "[General]",
                                  "# copia de la oficina", "DataPath=/datos/oficina/", "Tema=oscuro",
                                  "DaysSelected=3", "WindowState=1"};
  EXPECT_EQ(lines.mid(0, head.size()), head);
  const QList<QByteArray> tail = {"WindowsRun=0", "NotifyNetwork=0", "", "[Impresora]", "Nombre=Sala \xe1", ""};
  EXPECT_EQ(lines.mid(lines.size() - tail.size()), tail);
  EXPECT_EQ(lines.size(), head.size() + 15 + tail.size());  // the other 15 keys, once each

  CargarConfig();  // what was saved reads back
  EXPECT_EQ(ConfigAgenda.DaysSelected, 3);
  EXPECT_EQ(ConfigAgenda.DataPath, "/datos/oficina/");
}

TEST_F(ConfigTest, MergingPlacesTheKeysWhereverTheSectionIs) {
  const ConfigFormat::Entries e = {{"DataPath", "/d/"}, {"DaysSelected", "2"}};
  struct Case {
    const char* what;
    QByteArray before, after;
  } cases[] = {
      {"empty file", "", "[General]\nDataPath=/d/\nDaysSelected=2\n"},
      {"no such section", "[Otra]\nA=1", "[Otra]\nA=1\n\n[General]\nDataPath=/d/\nDaysSelected=2\n"},
      {"keys before any section are not ours", "DataPath=/x/\n[General]\n",
       "DataPath=/x/\n[General]\nDataPath=/d/\nDaysSelected=2\n"},
      {"section names and keys in any case", "[general]\ndatapath=/x/\n",
       "[general]\nDataPath=/d/\nDaysSelected=2\n"},
      {"a commented-out key stays a comment", "[General]\n;DataPath=/x/\n",
       "[General]\n;DataPath=/x/\nDataPath=/d/\nDaysSelected=2\n"},
      {"new keys go before the blank lines ending the section", "[General]\nA=1\n\n\n[B]\n",
       "[General]\nA=1\nDataPath=/d/\nDaysSelected=2\n\n\n[B]\n"},
      {"every copy of a key gets the value", "[General]\nDaysSelected=1\n[B]\n[General]\nDaysSelected=5\n",
       "[General]\nDaysSelected=2\nDataPath=/d/\n[B]\n[General]\nDaysSelected=2\n"},
      {"Windows line ends are kept", "[General]\r\nA=1\r\n", "[General]\r\nA=1\r\nDataPath=/d/\r\nDaysSelected=2\r\n"},
      {"a byte-order mark is kept and no part of the section's name", "\xEF\xBB\xBF[General]\nDataPath=/x/\n",
       "\xEF\xBB\xBF[General]\nDataPath=/d/\nDaysSelected=2\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(ConfigFormat::MergeSection(c.before, "General", e), c.after) << c.what;
}

TEST_F(ConfigTest, AnInstalledCopysFoldersAreMadeForTheirOwnerOnly) {
  // A program folder that cannot be written (here: one that does not exist)
  // puts config.ini and the data under the XDG folders.
  AppPaths::SetProgramFolder(dir.filePath("no-escribible/bin"));
  const QByteArray config = qgetenv("XDG_CONFIG_HOME"), data = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_CONFIG_HOME", dir.filePath("home/.config").toUtf8());
  qputenv("XDG_DATA_HOME", dir.filePath("home/.local/share").toUtf8());
  ASSERT_TRUE(QDir(dir.path()).mkdir("home"));
  const auto mode = [&](const char* path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(dir.filePath(path)).constData(), &st), 0) << path;
    return st.st_mode & 07777;
  };
  ASSERT_EQ(::chmod(QFile::encodeName(dir.filePath("home")).constData(), 0750), 0);
  EXPECT_EQ(AppPaths::ConfigFile(), dir.filePath("home/.config/quillar/config.ini"));
  EXPECT_EQ(AppPaths::DefaultDataFolder(), dir.filePath("home/.local/share/quillar/"));

  AppPaths::CreateFolder(AppPaths::DefaultDataFolder());
  CargarConfig();
  GuardarConfig();
  EXPECT_TRUE(messages.isEmpty()) << messages.join("|").toStdString();
  EXPECT_TRUE(QFile::exists(AppPaths::ConfigFile()));
  for (const char* made : {"home/.config", "home/.config/quillar", "home/.config/autostart", "home/.local",
                           "home/.local/share", "home/.local/share/quillar"})
    EXPECT_EQ(mode(made), 0700u) << made;
  EXPECT_EQ(mode("home"), 0750u);  // a folder that was there keeps its rights
  qputenv("XDG_CONFIG_HOME", config);
  qputenv("XDG_DATA_HOME", data);
}
