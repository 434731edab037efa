#include "app/ALMailSlot.h"

#include <QSysInfo>
#include <QTimer>
#include <QUdpSocket>
#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "app/MailSlotTransport.h"
#include "core/Clock.h"
#include "core/Messages.h"

namespace {

constexpr int MaxMailBoxLength = 8;
constexpr int MaxNameLength = 255;

MailSlotSender& Sender() {
  static MailSlotSender sender;
  return sender;
}

NoticeWaiter& Waiter() {
  static NoticeWaiter waiter;
  return waiter;
}

QString LoginName() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
    return QString::fromLocal8Bit(found->pw_name);
  return QString();
}

}  // namespace

void SetMailSlotSender(MailSlotSender sender) { Sender() = std::move(sender); }

void SetNoticeWait(NoticeWaiter waiter) { Waiter() = std::move(waiter); }

void NoticeWait(int ms) {
  if (Waiter()) {
    Waiter()(ms);
    return;
  }
  // The tick counter counts whole milliseconds: one tick more makes sure at
  // least `ms` have really passed.
  const long long end = Clock::TickMs() + ms + 1;
  for (long long left = end - Clock::TickMs(); left > 0; left = end - Clock::TickMs())
    QThread::msleep(static_cast<unsigned long>(std::min<long long>(left, 50)));
}

QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines << text.mid(start, i - start);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines << text.mid(start);
  return lines;
}

TALMailSlot::TALMailSlot(QObject* owner)
    : QObject(owner),
      FComputerName(QSysInfo::machineHostName().left(MaxNameLength)),
      FUserName(LoginName().left(MaxNameLength)),
      FPollTimer(new QTimer(this)) {
  connect(FPollTimer, &QTimer::timeout, this, [this] { Poll(); });
}

TALMailSlot::~TALMailSlot() {
  if (FActive) SetActive(false);
}

void TALMailSlot::SetMailBox(const QString& value) {
  if (value == FMailBox) return;
  if (value.size() > MaxMailBoxLength) {
    ShowWarning("MailBox name cannot be greater than 8 characters long.");
    return;
  }
  FMailBox = value;
  if (FActive) {
    CloseListener();
    if (!OpenListener()) FActive = false;
  }
}

void TALMailSlot::SetActive(bool value) {
  if (value == FActive) return;
  if (value) {
    // A listener that cannot be opened (the name is taken on this computer)
    // leaves the slot inactive without a word.
    FActive = OpenListener();
  } else {
    CloseListener();
    FActive = false;
  }
}

void TALMailSlot::SetCheckInterval(int value) {
  if (value == FCheckInterval) return;
  FCheckInterval = value;
  if (FPollTimer->isActive()) FPollTimer->setInterval(PollInterval(FCheckInterval));
}

void TALMailSlot::SetReachNetwork(bool value) {
  if (value == FReachNetwork) return;
  FReachNetwork = value;
  if (FActive) {
    CloseListener();
    if (!OpenListener()) FActive = false;
  }
}

void TALMailSlot::SetShared(bool value) {
  if (value == FShared) return;
  FShared = value;
  if (FActive) {
    CloseListener();
    if (!OpenListener()) FActive = false;
  }
}

int TALMailSlot::PollInterval(int checkInterval) {
  // From a second up the listener is looked at on whole seconds: the first
  // second count that reaches the interval.
  if (checkInterval >= 1000) return (checkInterval + 999) / 1000 * 1000;
  return std::max(checkInterval, 1);
}

bool TALMailSlot::OpenListener() {
  const std::optional<MailSlotPath> path = ParseMailSlotPath("\\\\.\\mailslot\\" + FMailBox);
  if (!path) return false;
  auto* socket = new QUdpSocket(this);
  const auto mode = FShared ? QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint
                            : QAbstractSocket::DontShareAddress;
  if (!socket->bind(MailSlotListenAddress(FReachNetwork, FShared), MailSlotPort(path->name), mode)) {
    delete socket;
    return false;
  }
  FListener = socket;
  FPollTimer->start(PollInterval(FCheckInterval));
  // The first poll comes at once, once control is back in the event loop.
  QTimer::singleShot(0, this, [this] { Poll(); });
  return true;
}

void TALMailSlot::CloseListener() {
  FPollTimer->stop();
  delete FListener;
  FListener = nullptr;
}

void TALMailSlot::Poll() {
  // A handler showing a modal window runs a nested event loop; the poll it
  // interrupted finishes the queue, so polls never overlap.
  if (FPolling) return;
  FPolling = true;
  QPointer<TALMailSlot> self(this);
  // A batch at a time, the rest right after whatever else waits: a flood of
  // datagrams (from the local network) leaves the window time to paint and
  // take keys between batches.
  constexpr int kPorVuelta = 64;
  for (int n = 0; FListener && FListener->hasPendingDatagrams(); ++n) {
    if (n == kPorVuelta) {
      QTimer::singleShot(0, this, [this] { Poll(); });
      break;
    }
    ReadStep();
    if (!self) return;  // a handler freed the slot
  }
  FPolling = false;
}

void TALMailSlot::ReadStep() {
  QByteArray data(static_cast<qsizetype>(std::max<qint64>(FListener->pendingDatagramSize(), 0)), '\0');
  const qint64 read = FListener->readDatagram(data.data(), data.size());
  if (read < 0) return;
  data.truncate(read);
  FIncoming = SplitLines(QString::fromLatin1(data));
  // Anything but a complete message is dropped: a short or foreign datagram
  // raises no event.
  if (FIncoming.size() < 3 || FIncoming[0] != "Message" || !OnNewMessage) return;
  const QString computer = FIncoming[2];
  const QString userName = FIncoming[1];
  FIncoming.erase(FIncoming.begin(), FIncoming.begin() + 3);
  QString text;
  for (const QString& line : FIncoming) text += line + "\r\n";
  OnNewMessage(this, computer, userName, text);
}

void TALMailSlot::Broadcast(const QString& Texto) {
  FOutgoing = SplitLines(Texto);
  FOutgoing.prepend(FComputerName);
  FOutgoing.prepend(FUserName);
  FOutgoing.prepend("Message");
  SendTo("*");
}

void TALMailSlot::SendTo(const QString& Destino) {
  QString text;
  for (const QString& line : FOutgoing) text += line + "\r\n";
  const MailSlotDatagram datagram{"\\\\" + Destino + "\\mailslot\\" + FMailBox, text.toLatin1(), FReachNetwork};
  // A path that cannot be opened sends nothing and reports nothing.
  if (Sender())
    Sender()(datagram);
  else
    SendMailSlotDatagram(datagram.path, datagram.data, datagram.network, FComputerName);
}
