#pragma once
// Short text messages between copies of the program, one datagram each, sent
// to a named mailslot ("\\" + computer + "\mailslot\" + MailBox; computer "*"
// for every computer). A datagram is single-byte text made of the lines
// "Message", the sender's user name, the sender's computer name and the lines
// of the text, every line ending with CR LF.
//
// Sending needs nothing; listening (Active) binds the mailslot on this
// computer, polls it every CheckInterval and hands each message to
// OnNewMessage on the user-interface thread. Only one listener per name and
// computer: a second one quietly stays inactive, unless every one of them is
// Shared.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QThread>
#include <functional>

class QTimer;
class QUdpSocket;

// What one send hands to the transport.
struct MailSlotDatagram {
  QString path;     // "\\server\mailslot\name"
  QByteArray data;  // the whole message, single-byte text
  bool network;     // may leave this computer
};
// The transport: returns false when the path cannot be opened. Tests install
// their own; an empty function restores the UDP transport.
using MailSlotSender = std::function<bool(const MailSlotDatagram&)>;
void SetMailSlotSender(MailSlotSender sender);

// The pause between change notices still waiting when the program ends:
// blocks the calling thread for ms milliseconds on the tick counter without
// processing window messages.
// Tests install their own; an empty function restores the real wait.
using NoticeWaiter = std::function<void(int ms)>;
void NoticeWait(int ms);
void SetNoticeWait(NoticeWaiter waiter);

// Lines of a text as a string list reads them: CR LF, LF or CR end a line,
// and a final line break adds no empty line.
QStringList SplitLines(const QString& text);

class TALMailSlot : public QObject {
 public:
  using TNewMessageEvent = std::function<void(TALMailSlot* Sender, const QString& Computer,
                                              const QString& UserName, const QString& Text)>;

  explicit TALMailSlot(QObject* owner = nullptr);
  ~TALMailSlot() override;

  // At most 8 characters; a longer name is refused with a warning. Renaming
  // an active slot reopens its listener under the new name.
  QString MailBox() const { return FMailBox; }
  void SetMailBox(const QString& value);
  bool Active() const { return FActive; }
  void SetActive(bool value);
  // Milliseconds between polls; from 1000 up rounded up to whole seconds.
  int CheckInterval() const { return FCheckInterval; }
  void SetCheckInterval(int value);
  // Kept for hosts that set it: the listener is polled on the user-interface
  // thread, so there is no polling thread for it to act on.
  QThread::Priority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(QThread::Priority value) { FThreadPriority = value; }
  // Off: messages stay on this computer. On: broadcasts also go to the local
  // networks and the listener accepts datagrams from them.
  bool ReachNetwork() const { return FReachNetwork; }
  void SetReachNetwork(bool value);
  // On: any number of shared listeners under the name on this computer, each
  // hearing every broadcast ("*"), none of them messages sent to this
  // computer alone. Set it before Active.
  bool Shared() const { return FShared; }
  void SetShared(bool value);

  TNewMessageEvent OnNewMessage;

  // Sends Texto, as the message's text lines, to every computer.
  void Broadcast(const QString& Texto);
  // Sends the prepared outgoing message to the mailslot MailBox of Destino.
  void SendTo(const QString& Destino);

  // Read once at construction, at most 255 characters each.
  QString ComputerName() const { return FComputerName; }
  QString UserName() const { return FUserName; }

  // The time between polls for a check interval.
  static int PollInterval(int checkInterval);

 private:
  bool OpenListener();
  void CloseListener();
  void Poll();
  void ReadStep();

  QString FMailBox = "MailBox";
  bool FActive = false;
  int FCheckInterval = 1000;
  QThread::Priority FThreadPriority = QThread::NormalPriority;
  bool FReachNetwork = false;
  bool FShared = false;
  QString FComputerName;
  QString FUserName;
  QStringList FOutgoing;
  QStringList FIncoming;
  QUdpSocket* FListener = nullptr;
  QTimer* FPollTimer;
  bool FPolling = false;
};
