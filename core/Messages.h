#pragma once
// Every message box of the program goes through here: Spanish buttons, the
// kind's icon, CR LF lines shown as line breaks. Tests install an answerer
// that records the request and gives the answer instead of showing a window.

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class QWidget;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };
enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = int;  // a set of TMsgDlgBtn
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

struct MessageRequest {
  QString text;  // as given, CR LF included
  TMsgDlgType type;
  TMsgDlgButtons buttons;
  QString title;  // the kind's own unless the caller gave one
  // A question with choices of its own (ChooseDlg): their captions, in order;
  // the answer is then the index of the one taken, -1 for none.
  QStringList choices;
};
using MessageAnswerer = std::function<int(const MessageRequest&)>;

// Shows the message modally and returns the button pressed (a TModalResult).
// Closing the box without a button counts as Cancel, or No where there is no
// Cancel, or OK for a box with OK alone.
// An empty title gives the kind's ("Información", "Error", ...).
int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, QWidget* parent = nullptr,
               const QString& title = QString());

// A question whose buttons say what each does: returns the index of the
// choice taken, or -1 when the box is closed without one (Escape). The first
// choice is the default button.
int ChooseDlg(const QString& text, TMsgDlgType type, const QStringList& choices, QWidget* parent = nullptr,
              const QString& title = QString());

// Shorthands for the four kinds with their usual buttons.
void ShowError(const QString& text, QWidget* parent = nullptr);
// The error box of a failed operation: the text the error carries.
void ShowError(const std::exception& e, QWidget* parent = nullptr);
void ShowWarning(const QString& text, QWidget* parent = nullptr);
void ShowInformation(const QString& text, QWidget* parent = nullptr, const QString& title = QString());
bool Confirm(const QString& text, QWidget* parent = nullptr);  // Sí / No; true for Sí

// An empty answerer restores the real message boxes.
void SetMessageAnswerer(MessageAnswerer answerer);
