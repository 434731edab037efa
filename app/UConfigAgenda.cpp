#include "app/UConfigAgenda.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <stdexcept>

#include "app/AppPaths.h"
#include "app/Autostart.h"
#include "app/UAgendaUtil.h"
#include "app/ConfigFile.h"
#include "core/Messages.h"

TConfigAgenda ConfigAgenda;

namespace {
const QString kSection = QStringLiteral("General");

// One setting: its key and how it is read from and written to its text.
struct Setting {
  const char* key;
  std::function<void(const QString* text)> read;  // nullptr text: missing, use default
  std::function<QString()> write;
};

template <typename T>
Setting IntegerSetting(const char* key, T& field, T def) {
  return {key,
          [&field, def](const QString* text) {
            const auto v = text ? ConfigFormat::ParseInteger(*text) : std::nullopt;
            field = v ? static_cast<T>(*v) : def;  // 8-bit fields keep the low 8 bits
          },
          [&field] { return QString::number(static_cast<long long>(field)); }};
}

Setting BoolSetting(const char* key, bool& field, bool def) {
  return {key,
          [&field, def](const QString* text) {
            const auto v = text ? ConfigFormat::ParseInteger(*text) : std::nullopt;
            field = v ? *v != 0 : def;
          },
          [&field] { return field ? QStringLiteral("1") : QStringLiteral("0"); }};
}

Setting TimeSetting(const char* key, TDateTime& field, TTime def) {
  return {key,
          [&field, def](const QString* text) {
            const auto v = text ? ConfigFormat::ParseTime(*text) : std::nullopt;
            field = v ? *v : def;
          },
          [&field] { return ConfigFormat::FormatTime(field); }};
}

Setting StringSetting(const char* key, QString& field, std::function<QString()> def) {
  return {key, [&field, def](const QString* text) { field = text ? *text : def(); }, [&field] { return field; }};
}

std::vector<Setting> Settings() {
  TConfigAgenda& c = ConfigAgenda;
  return {
      StringSetting("DataPath", c.DataPath, [] { return AppPaths::DefaultDataFolder(); }),
      IntegerSetting<std::int32_t>("WindowState", c.WindowState, 1),
      TimeSetting("BeginWorkTime", c.BeginWorkTime, dt::EncodeTime(9, 0)),
      TimeSetting("EndWorkTime", c.EndWorkTime, dt::EncodeTime(20, 0)),
      BoolSetting("WorkLun", c.WorkLun, true),
      BoolSetting("WorkMar", c.WorkMar, true),
      BoolSetting("WorkMie", c.WorkMie, true),
      BoolSetting("WorkJue", c.WorkJue, true),
      BoolSetting("WorkVie", c.WorkVie, true),
      BoolSetting("WorkSab", c.WorkSab, false),
      BoolSetting("WorkDom", c.WorkDom, false),
      IntegerSetting<TColor>("WorkTimeColor", c.WorkTimeColor, clInfoBk),
      IntegerSetting<TColor>("MarkDayColor", c.MarkDayColor, clInfoBk),
      IntegerSetting<std::uint8_t>("ReportFormat", c.ReportFormat, 0),
      BoolSetting("ShowReminder", c.ShowReminder, true),
      StringSetting("PathCopSeg", c.PathCopSeg, [] { return IncluirBarra(QDir::homePath()); }),
      IntegerSetting<std::uint8_t>("DaysSelected", c.DaysSelected, 1),
      IntegerSetting<std::uint8_t>("RulerMarkMinutes", c.RulerMarkMinutes, 0),
      BoolSetting("WindowsRun", c.WindowsRun, false),
      BoolSetting("NotifyNetwork", c.NotifyNetwork, false),
  };
}
}  // namespace

QString ConfigFileName() { return AppPaths::ConfigFile(); }

void CargarConfig() {
  try {
    const ConfigFormat::Entries entries = ConfigFormat::ReadSection(ConfigFileName(), kSection);
    for (const Setting& s : Settings()) {
      const QString* text = nullptr;
      for (const auto& [key, value] : entries) {
        if (key.compare(QLatin1String(s.key), Qt::CaseInsensitive) == 0) {
          text = &value;
          break;
        }
      }
      s.read(text);
    }
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Error cargando configuración.\r\n") + QString::fromStdString(e.what()));
  }
}

void GuardarConfig() {
  try {
    ConfigFormat::Entries entries;
    for (const Setting& s : Settings()) entries.emplace_back(QString::fromLatin1(s.key), s.write());
    AppPaths::CreateFolder(QFileInfo(ConfigFileName()).absolutePath());
    ConfigFormat::WriteSection(ConfigFileName(), kSection, entries);
    Autostart::Write(ConfigAgenda.WindowsRun, AppPaths::ProgramFile());
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Error guardando configuración.\r\n") + QString::fromStdString(e.what()));
  }
}
