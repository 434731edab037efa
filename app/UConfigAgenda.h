#pragma once
// The user's settings: one global record, loaded from config.ini at start-up
// and written back whenever a setting changes or the main window closes.

#include <QString>
#include <cstdint>

#include "core/Colors.h"
#include "core/DateTime.h"

struct TConfigAgenda {
  std::int32_t WindowState = 0;
  TDateTime BeginWorkTime = 0;
  TDateTime EndWorkTime = 0;
  bool WorkLun = false, WorkMar = false, WorkMie = false, WorkJue = false, WorkVie = false;
  bool WorkSab = false, WorkDom = false;
  TColor WorkTimeColor = 0;
  TColor MarkDayColor = 0;
  QString DataPath;
  QString PathCopSeg;
  std::uint8_t ReportFormat = 0;
  bool ShowReminder = false;
  std::uint8_t DaysSelected = 0;
  std::uint8_t RulerMarkMinutes = 0;
  bool WindowsRun = false;
  // Change notices also go to and come from the other computers of the
  // local network, not only the copies on this one.
  bool NotifyNetwork = false;
};

extern TConfigAgenda ConfigAgenda;

// Full path of config.ini.
QString ConfigFileName();

// Reads every key into ConfigAgenda; missing or unreadable values give the
// defaults. A file that cannot be read shows "Error cargando configuración."
// and keeps the values read so far.
void CargarConfig();
// Writes every key in order, creating the file's folder when missing; the
// file's other lines stay as they were and it is replaced whole, never left
// half-written. Then writes the autostart entry.
void GuardarConfig();
