#include "app/NoticeQueue.h"

#include <QTimer>
#include <algorithm>
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
    if (const int ms = MsToWait(); ms > 0) NoticeWait(ms);
    const long long now = CurrentSecond();
    SendNow(waiting_.takeFirst(), ClockWentBack(now) ? now : std::max(now, lastSecond_ + GapSeconds));
  }
}

long long NoticeQueue::CurrentSecond() {
  return static_cast<long long>(std::floor(std::round(Clock::Now() * kSecondsPerDay * 1000.0) / 1000.0));
}

// Set back (by hand, or by a time server) to before the last stamp: the
// stamps cannot go on from that one, and waiting for the clock to catch up
// could take hours. The gap is then counted on the tick counter, and the
// next stamp is the clock's own, different from the last all the same.
bool NoticeQueue::ClockWentBack(long long now) const { return sentAny_ && now < lastSecond_; }

int NoticeQueue::MsToWait() const {
  if (!sentAny_) return 0;
  const long long now = CurrentSecond();
  if (ClockWentBack(now)) return static_cast<int>(std::max(0LL, GapSeconds * 1000LL - (Clock::TickMs() - lastTick_)));
  if (now >= lastSecond_ + GapSeconds) return 0;
  // The milliseconds left to the next whole second that is far enough on.
  const double nowMs = Clock::Now() * kSecondsPerDay * 1000.0;
  const double dueMs = static_cast<double>(lastSecond_ + GapSeconds) * 1000.0;
  return static_cast<int>(std::clamp(dueMs - nowMs + 1, 1.0, GapSeconds * 1000.0));
}

void NoticeQueue::Send(const QString& text) {
  waiting_ << text;
  SendDue();
}

void NoticeQueue::SendDue() {
  while (!waiting_.isEmpty() && MsToWait() == 0) SendNow(waiting_.takeFirst(), CurrentSecond());
  Arm();
}

void NoticeQueue::SendNow(const QString& text, long long second) {
  lastSecond_ = second;
  lastTick_ = Clock::TickMs();
  sentAny_ = true;
  send_(FormatDateTime(QStringLiteral("yyyymmddhhnnss"), TimeOfSecond(second)) + text);
}

void NoticeQueue::Arm() {
  if (waiting_.isEmpty()) {
    timer_->stop();
    return;
  }
  timer_->start(std::max(10, MsToWait()));
}
