#include "app/NoticeQueue.h"

#include <QTimer>
#include <cmath>

#include "app/ALMailSlot.h"
#include "core/Clock.h"
#include "core/DateFormat.h"

namespace {
constexpr double kSecondsPerDay = 86400.0;

// The date-time of a whole second, half a millisecond in, so that formatting
// gives that second whether it rounds or truncates.
TDateTime TimeOfSecond(long long second) { return (static_cast<double>(second) + 0.0005) / kSecondsPerDay; }
}  // namespace

NoticeQueue::NoticeQueue(Sender send, QObject* parent)
    : QObject(parent), send_(std::move(send)), lastSecond_(0), timer_(new QTimer(this)) {
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] { SendDue(); });
}

NoticeQueue::~NoticeQueue() {
  timer_->stop();
  // The program is ending: the copies listening must still hear of every
  // stored change, with stamps as far apart as ever.
  while (!waiting_.isEmpty()) {
    const long long due = lastSecond_ + GapSeconds;
    if (CurrentSecond() < due) NoticeWait(static_cast<int>((due - CurrentSecond()) * 1000));
    SendNow(waiting_.takeFirst(), std::max(CurrentSecond(), due));
  }
}

long long NoticeQueue::CurrentSecond() {
  return static_cast<long long>(std::floor(std::round(Clock::Now() * kSecondsPerDay * 1000.0) / 1000.0));
}

void NoticeQueue::Send(const QString& text) {
  waiting_ << text;
  SendDue();
}

void NoticeQueue::SendDue() {
  while (!waiting_.isEmpty()) {
    const long long now = CurrentSecond();
    if (sentAny_ && now < lastSecond_ + GapSeconds) break;
    SendNow(waiting_.takeFirst(), now);
  }
  Arm();
}

void NoticeQueue::SendNow(const QString& text, long long second) {
  lastSecond_ = second;
  sentAny_ = true;
  send_(FormatDateTime(QStringLiteral("yyyymmddhhnnss"), TimeOfSecond(second)) + text);
}

void NoticeQueue::Arm() {
  if (waiting_.isEmpty()) {
    timer_->stop();
    return;
  }
  // The milliseconds left to the next whole second that is far enough on.
  const double nowMs = Clock::Now() * kSecondsPerDay * 1000.0;
  const double dueMs = static_cast<double>(lastSecond_ + GapSeconds) * 1000.0;
  timer_->start(static_cast<int>(std::clamp(dueMs - nowMs + 1, 10.0, GapSeconds * 1000.0)));
}
