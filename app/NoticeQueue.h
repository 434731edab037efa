#pragma once
// Change notices without a frozen window. Every notice carries a time stamp
// of whole seconds ("yyyymmddhhnnss" before its text), and two notices of one
// sender are three seconds apart at least, so a listener can tell them from
// each other. A notice goes out at once when the last one is that far back;
// otherwise it waits in this queue, and a timer sends it when its stamp is
// three seconds past the one before. Nothing here blocks: the window keeps
// working while notices wait.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QTimer;

class NoticeQueue : public QObject {
 public:
  // send gets the whole stamped text of each notice, in order.
  using Sender = std::function<void(const QString& stampedText)>;
  explicit NoticeQueue(Sender send, QObject* parent = nullptr);
  // Whatever still waits is sent before the queue goes, each notice three
  // seconds after the one before (on the notice wait of ALMailSlot.h).
  ~NoticeQueue() override;

  void Send(const QString& text);
  // Sends every waiting notice whose time has come; the timer calls it.
  void SendDue();
  int Waiting() const { return static_cast<int>(waiting_.size()); }

  static constexpr int GapSeconds = 3;

 private:
  void SendNow(const QString& text, long long second);
  void Arm();
  static long long CurrentSecond();
  bool ClockWentBack(long long now) const;
  // Milliseconds before the next notice may go out; 0 when it may now.
  int MsToWait() const;

  Sender send_;
  QStringList waiting_;
  long long lastSecond_;
  long long lastTick_ = 0;  // the tick counter when the last one went out
  bool sentAny_ = false;
  QTimer* timer_;
};
