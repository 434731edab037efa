#pragma once
// The platform's standard colour and folder pickers. Every window asks for a
// colour or a folder through here, so tests can install an answerer that
// records the request and answers it instead of showing a window.

#include <QString>
#include <functional>

#include "core/Colors.h"

class QWidget;

struct ColorRequest {
  TColor initial;  // as stored: may be a system colour
};
// Returns the colour chosen, or clNone when the user cancelled.
using ColorAnswerer = std::function<TColor(const ColorRequest&)>;

struct FolderRequest {
  QString caption;
  QString initial;  // the folder the picker opens on
};
// Returns the folder chosen, or an empty text when the user cancelled.
using FolderAnswerer = std::function<QString(const FolderRequest&)>;

// Opens the colour picker on Color (a system colour opens on its current
// value); true and Color replaced by the RGB value picked when the user
// accepts, false and Color untouched when not.
bool PickColor(TColor& Color, QWidget* parent = nullptr);

// Opens the folder picker (folders only) with the caption on Folder; true and
// Folder replaced by the folder picked (native separators, no trailing one)
// when the user accepts, false and Folder untouched when not.
bool PickFolder(QString& Folder, const QString& caption, QWidget* parent = nullptr);

// Empty answerers restore the real pickers.
void SetColorAnswerer(ColorAnswerer answerer);
void SetFolderAnswerer(FolderAnswerer answerer);
