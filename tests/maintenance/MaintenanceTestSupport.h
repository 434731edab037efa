#pragma once
// Helpers shared by the maintenance tests: files on disk, an independent zip
// reader and writer (Python's zipfile), the data and backup folders, and a
// recording link to the main window.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "maintenance/MainWindowLink.h"

namespace mtest {

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
  f.write(bytes);
}

inline QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a Python 3 script with the given arguments; returns its standard
// output, failing the test when the script fails.
inline QString Python(const QString& script, const QStringList& args = {}) {
  QProcess p;
  p.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), script} + args);
  p.waitForFinished(30000);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

// Every file name of a folder (hidden ones too), sorted.
inline QStringList Listing(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// A temporary data folder and a folder for backup archives beside it.
class DataFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    data = tmp.path() + "/datos/";
    dest = tmp.path() + "/copias/";
    QDir().mkpath(data);
    QDir().mkpath(dest);
  }
  QTemporaryDir tmp;
  QString data, dest;
};

// A link to the main window that records what the maintenance window asks of
// it: "close", "open", "stop", "start".
inline MainWindowLink RecordingLink(QStringList& calls) {
  MainWindowLink link;
  link.CloseTable = [&calls] { calls << "close"; };
  link.OpenTable = [&calls] { calls << "open"; };
  link.StopRefresh = [&calls] { calls << "stop"; };
  link.StartRefresh = [&calls] { calls << "start"; };
  return link;
}

}  // namespace mtest
