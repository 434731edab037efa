#include "core/Messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
MessageAnswerer& Answerer() {
  static MessageAnswerer answerer;
  return answerer;
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

QString TitleOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning: return QStringLiteral("Advertencia");
    case mtError: return QStringLiteral("Error");
    case mtInformation: return QStringLiteral("Información");
    case mtConfirmation: return QStringLiteral("Confirmación");
  }
  return {};
}
}  // namespace

void SetMessageAnswerer(MessageAnswerer answerer) { Answerer() = std::move(answerer); }

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, QWidget* parent,
               const QString& title) {
  const MessageRequest request{text, type, buttons, title.isEmpty() ? TitleOf(type) : title, {}};
  if (Answerer()) return Answerer()(request);

  QMessageBox box(IconOf(type), request.title, QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                  QMessageBox::NoButton, parent ? parent : QApplication::activeWindow());
  struct Choice { TMsgDlgBtn flag; const char* caption; QMessageBox::ButtonRole role; int result; };
  static const Choice choices[] = {
      {mbYes, "Sí", QMessageBox::YesRole, mrYes},
      {mbNo, "No", QMessageBox::NoRole, mrNo},
      {mbOK, "Aceptar", QMessageBox::AcceptRole, mrOk},
      {mbCancel, "Cancelar", QMessageBox::RejectRole, mrCancel},
  };
  QList<QPair<QAbstractButton*, int>> made;
  for (const Choice& c : choices) {
    if (buttons & c.flag) made.append({box.addButton(QString::fromUtf8(c.caption), c.role), c.result});
  }
  if (made.isEmpty()) made.append({box.addButton(QStringLiteral("Aceptar"), QMessageBox::AcceptRole), mrOk});
  box.setDefaultButton(static_cast<QPushButton*>(made.first().first));
  box.exec();
  for (const auto& [button, result] : made) {
    if (box.clickedButton() == button) return result;
  }
  if (buttons & mbCancel) return mrCancel;
  if (buttons & mbNo) return mrNo;
  return mrOk;
}

int ChooseDlg(const QString& text, TMsgDlgType type, const QStringList& choices, QWidget* parent,
              const QString& title) {
  MessageRequest request{text, type, 0, title.isEmpty() ? TitleOf(type) : title, choices};
  if (Answerer()) {
    const int answer = Answerer()(request);
    return answer >= 0 && answer < choices.size() ? answer : -1;
  }
  QMessageBox box(IconOf(type), request.title, QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                  QMessageBox::NoButton, parent ? parent : QApplication::activeWindow());
  QList<QAbstractButton*> made;
  for (const QString& c : choices) made.append(box.addButton(c, QMessageBox::ActionRole));
  if (!made.isEmpty()) box.setDefaultButton(static_cast<QPushButton*>(made.first()));
  box.setEscapeButton(static_cast<QAbstractButton*>(nullptr));
  box.exec();
  return static_cast<int>(made.indexOf(box.clickedButton()));
}

void ShowError(const QString& text, QWidget* parent) { MessageDlg(text, mtError, mbOK, parent); }
void ShowError(const std::exception& e, QWidget* parent) { ShowError(QString::fromStdString(e.what()), parent); }
void ShowWarning(const QString& text, QWidget* parent) { MessageDlg(text, mtWarning, mbOK, parent); }
void ShowInformation(const QString& text, QWidget* parent, const QString& title) {
  MessageDlg(text, mtInformation, mbOK, parent, title);
}
bool Confirm(const QString& text, QWidget* parent) { return MessageDlg(text, mtConfirmation, mbYes | mbNo, parent) == mrYes; }
