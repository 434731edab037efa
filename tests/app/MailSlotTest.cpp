#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSysInfo>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <vector>

#include "app/ALMailSlot.h"
#include "app/MailSlotTransport.h"
#include "core/Messages.h"

namespace {

// Names unique to this test run (8 characters), so that parallel runs on one
// computer do not meet on the same port.
QString SlotName(char tag) {
  return QString(tag) + QString("%1").arg(QCoreApplication::applicationPid() % 10000000, 7, 10, QChar('0'));
}

// Records every message box instead of showing it.
struct MessageLog {
  std::vector<MessageRequest> shown;
  MessageLog() {
    SetMessageAnswerer([this](const MessageRequest& r) {
      shown.push_back(r);
      return static_cast<int>(mrOk);
    });
  }
  ~MessageLog() { SetMessageAnswerer({}); }
};

// Records every datagram instead of sending it.
struct SentLog {
  std::vector<MailSlotDatagram> sent;
  bool succeed = true;
  SentLog() {
    SetMailSlotSender([this](const MailSlotDatagram& d) {
      sent.push_back(d);
      return succeed;
    });
  }
  ~SentLog() { SetMailSlotSender({}); }
};

struct Received {
  TALMailSlot* sender = nullptr;
  QString computer, userName, text;
  bool onGuiThread = false;
};

void Listen(TALMailSlot& slot, std::vector<Received>& log) {
  slot.OnNewMessage = [&log](TALMailSlot* s, const QString& c, const QString& u, const QString& t) {
    log.push_back({s, c, u, t, QThread::currentThread() == QCoreApplication::instance()->thread()});
  };
}

void SendRaw(const QString& name, const QByteArray& data) {
  QUdpSocket socket;
  ASSERT_EQ(socket.writeDatagram(data, QHostAddress(QHostAddress::LocalHost), MailSlotPort(name)), data.size());
}

}  // namespace

TEST(ALMailSlot, StartsInactiveWithItsInitialValuesAndTheNamesOfThisComputer) {
  TALMailSlot slot;
  EXPECT_EQ(slot.MailBox(), "MailBox");
  EXPECT_FALSE(slot.Active());
  EXPECT_EQ(slot.CheckInterval(), 1000);
  EXPECT_EQ(slot.ThreadPriority(), QThread::NormalPriority);
  EXPECT_FALSE(slot.ReachNetwork());
  EXPECT_EQ(slot.ComputerName(), QSysInfo::machineHostName().left(255));
  EXPECT_FALSE(slot.UserName().isEmpty());
}

TEST(ALMailSlot, MailBoxOfMoreThanEightCharactersIsRefusedWithAWarning) {
  MessageLog messages;
  TALMailSlot slot;
  slot.SetMailBox("DEVADIZU");
  EXPECT_EQ(slot.MailBox(), "DEVADIZU");
  EXPECT_TRUE(messages.shown.empty());
  slot.SetMailBox("DEVADIZU1");
  EXPECT_EQ(slot.MailBox(), "DEVADIZU");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].text, "MailBox name cannot be greater than 8 characters long.");
  EXPECT_EQ(messages.shown[0].type, mtWarning);
  EXPECT_EQ(messages.shown[0].buttons, mbOK);
}

TEST(ALMailSlot, BroadcastSendsOneDatagramInTheMessageFormatToEveryComputer) {
  struct Case {
    const char* text;
    const char* lines;  // what follows the three header lines
  } cases[] = {
      {"20040312103000RFS2004031220040312", "20040312103000RFS2004031220040312\r\n"},
      {"uno\r\ndos", "uno\r\ndos\r\n"},
      {"uno\ndos\rtres\r\n", "uno\r\ndos\r\ntres\r\n"},
      {"", ""},
      {"a\r\n\r\nb", "a\r\n\r\nb\r\n"},
  };
  SentLog log;
  TALMailSlot slot;
  slot.SetMailBox("DEVADIZU");
  const QByteArray header =
      "Message\r\n" + slot.UserName().toLatin1() + "\r\n" + slot.ComputerName().toLatin1() + "\r\n";
  for (const Case& c : cases) {
    log.sent.clear();
    slot.Broadcast(c.text);
    ASSERT_EQ(log.sent.size(), 1u) << c.text;
    EXPECT_EQ(log.sent[0].path, "\\\\*\\mailslot\\DEVADIZU");
    EXPECT_EQ(log.sent[0].data, header + c.lines) << c.text;
    EXPECT_FALSE(log.sent[0].network);
  }
  // SendTo writes the prepared message again, to the named computer.
  log.sent.clear();
  slot.Broadcast("hola");
  slot.SendTo("PC01");
  ASSERT_EQ(log.sent.size(), 2u);
  EXPECT_EQ(log.sent[1].path, "\\\\PC01\\mailslot\\DEVADIZU");
  EXPECT_EQ(log.sent[1].data, log.sent[0].data);
  // The notice text is 33 characters; with its header it stays one datagram.
  EXPECT_EQ(QString("20040312103000RFS2004031220040312").size(), 33);
}

TEST(ALMailSlot, SingleByteTextCarriesSpanishLetters) {
  SentLog log;
  TALMailSlot slot;
  slot.Broadcast("Categoría Año");
  ASSERT_EQ(log.sent.size(), 1u);
  EXPECT_TRUE(log.sent[0].data.endsWith("Categor\xED" "a A\xF1" "o\r\n"));
}

TEST(ALMailSlot, PathThatCannotBeOpenedSendsNothingAndReportsNothing) {
  MessageLog messages;
  SentLog log;
  log.succeed = false;
  TALMailSlot slot;
  slot.Broadcast("x");
  EXPECT_EQ(log.sent.size(), 1u);
  EXPECT_TRUE(messages.shown.empty());
  // The real transport with a path it cannot use.
  SetMailSlotSender({});
  EXPECT_FALSE(SendMailSlotDatagram("\\\\OTROPC\\mailslot\\DEVADIZU", "x", false, "este"));
  EXPECT_FALSE(SendMailSlotDatagram("\\\\*\\buzon\\DEVADIZU", "x", false, "este"));
  EXPECT_TRUE(messages.shown.empty());
}

TEST(MailSlotTransport, PathsAndPorts) {
  struct Case {
    const char* path;
    bool valid;
    const char* server;
    const char* name;
  } cases[] = {
      {"\\\\*\\mailslot\\DEVADIZU", true, "*", "DEVADIZU"}, {"\\\\.\\MailSlot\\abc", true, ".", "abc"},
      {"\\\\PC01\\mailslot\\X", true, "PC01", "X"},        {"\\\\.\\mailslot\\", false, "", ""},
      {"\\.\\mailslot\\X", false, "", ""},                  {"\\\\\\mailslot\\X", false, "", ""},
      {"\\\\.\\pipe\\X", false, "", ""},                    {"\\\\.\\mailslot\\a\\b", false, "", ""},
  };
  for (const Case& c : cases) {
    const auto parsed = ParseMailSlotPath(c.path);
    ASSERT_EQ(parsed.has_value(), c.valid) << c.path;
    if (!parsed) continue;
    EXPECT_EQ(parsed->server, c.server);
    EXPECT_EQ(parsed->name, c.name);
  }
  EXPECT_EQ(MailSlotPort("DEVADIZU"), MailSlotPort("devadizu"));
  EXPECT_NE(MailSlotPort("DEVADIZU"), MailSlotPort("MailBox"));
  for (const char* name : {"DEVADIZU", "MailBox", "A", "zzzzzzzz"}) {
    EXPECT_GE(MailSlotPort(name), 24000) << name;
    EXPECT_LT(MailSlotPort(name), 32000) << name;
  }
}

TEST(MailSlotTransport, WithoutTheNetworkNothingLeavesLoopback) {
  const QHostAddress loopback(QHostAddress::LocalHost);
  // Addresses that only serve to check they are never chosen: nothing is sent.
  const QList<QHostAddress> lan{QHostAddress("192.168.1.255"), QHostAddress("10.0.0.255")};
  struct Case {
    const char* server;
    bool network;
    QList<QHostAddress> expected;
  } cases[] = {
      {"*", false, {loopback, kLoopbackBroadcast}},
      {".", false, {loopback}},
      {"localhost", false, {loopback}},
      {"MIPC", false, {loopback}},  // this computer's own name, any case
      {"mipc", true, {loopback}},
      {"OTROPC", false, {}},
      {"*", true, {loopback, kLoopbackBroadcast, QHostAddress("192.168.1.255"), QHostAddress("10.0.0.255")}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MailSlotTargets(c.server, c.network, "MiPC", lan), c.expected) << c.server << " " << c.network;
  EXPECT_TRUE(kLoopbackBroadcast.isInSubnet(QHostAddress::parseSubnet("127.0.0.0/8")));
  EXPECT_EQ(MailSlotListenAddress(false), loopback);
  EXPECT_EQ(MailSlotListenAddress(false, true), kLoopbackBroadcast);
  EXPECT_EQ(MailSlotListenAddress(true), QHostAddress(QHostAddress::AnyIPv4));
  EXPECT_EQ(MailSlotListenAddress(true, true), QHostAddress(QHostAddress::AnyIPv4));
}

TEST(ALMailSlot, PollIntervalRoundsUpToWholeSecondsFromOneSecondUp) {
  const std::pair<int, int> cases[] = {{1000, 1000}, {1001, 2000}, {1500, 2000}, {2000, 2000},
                                       {3001, 4000}, {999, 999},   {100, 100},   {0, 1}};
  for (auto [check, poll] : cases) EXPECT_EQ(TALMailSlot::PollInterval(check), poll) << check;
}

TEST(ALMailSlot, ListenerReceivesABroadcastOnTheUserInterfaceThread) {
  TALMailSlot listener;
  listener.SetMailBox(SlotName('A'));
  listener.SetCheckInterval(50);
  std::vector<Received> got;
  Listen(listener, got);
  listener.SetActive(true);
  ASSERT_TRUE(listener.Active());

  TALMailSlot sender;
  sender.SetMailBox(SlotName('A'));
  sender.Broadcast("20040312103000RFS2004031220040312\r\nsegunda");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !got.empty(); }, 5000));
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].sender, &listener);
  EXPECT_EQ(got[0].computer, sender.ComputerName());
  EXPECT_EQ(got[0].userName, sender.UserName());
  EXPECT_EQ(got[0].text, "20040312103000RFS2004031220040312\r\nsegunda\r\n");
  EXPECT_TRUE(got[0].onGuiThread);
}

TEST(ALMailSlot, DatagramsThatAreNotMessagesRaiseNoEvent) {
  TALMailSlot listener;
  listener.SetMailBox(SlotName('B'));
  listener.SetCheckInterval(50);
  std::vector<Received> got;
  Listen(listener, got);
  listener.SetActive(true);
  ASSERT_TRUE(listener.Active());
  SendRaw(SlotName('B'), "Mensaje\r\nana\r\nPC01\r\nhola\r\n");
  SendRaw(SlotName('B'), "message\r\nana\r\nPC01\r\nhola\r\n");
  SendRaw(SlotName('B'), "Message\r\nana\r\n");  // too short to name its sender
  SendRaw(SlotName('B'), "");
  SendRaw(SlotName('B'), "Message\r\nana\r\nPC01\r\nhola\r\n");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !got.empty(); }, 5000));
  QTest::qWait(150);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].userName, "ana");
  EXPECT_EQ(got[0].computer, "PC01");
  EXPECT_EQ(got[0].text, "hola\r\n");
}

// Many datagrams waiting at once (a flood from the network) are handled a
// batch at a time: other events are handled between batches, and in the end
// every message is.
TEST(ALMailSlot, AFloodOfDatagramsLetsOtherEventsThroughAndIsHandledWhole) {
  TALMailSlot listener;
  listener.SetMailBox(SlotName('F'));
  listener.SetCheckInterval(50);
  std::vector<Received> got;
  Listen(listener, got);
  listener.SetActive(true);
  ASSERT_TRUE(listener.Active());
  QTest::qWait(100);
  constexpr int kEnviados = 150;
  for (int i = 0; i < kEnviados; ++i) SendRaw(SlotName('F'), "Message\r\nana\r\nPC01\r\n" + QByteArray::number(i));
  std::size_t alPrimero = 0;
  bool primero = true;
  listener.OnNewMessage = [&](TALMailSlot*, const QString&, const QString&, const QString&) {
    got.push_back({});
    if (primero) QTimer::singleShot(0, [&] { alPrimero = got.size(); });
    primero = false;
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return got.size() == std::size_t(kEnviados); }, 5000)) << got.size();
  QCoreApplication::processEvents();
  EXPECT_GT(alPrimero, 0u);
  EXPECT_LT(alPrimero, std::size_t(kEnviados));
}

TEST(ALMailSlot, SecondListenerUnderTheSameNameStaysInactiveQuietly) {
  MessageLog messages;
  TALMailSlot first, second;
  first.SetMailBox(SlotName('C'));
  second.SetMailBox(SlotName('C'));
  first.SetActive(true);
  ASSERT_TRUE(first.Active());
  second.SetActive(true);
  EXPECT_FALSE(second.Active());
  second.SetReachNetwork(false);
  EXPECT_TRUE(messages.shown.empty());
  // Once the first stops listening the name is free again.
  first.SetActive(false);
  second.SetActive(true);
  EXPECT_TRUE(second.Active());
}

TEST(ALMailSlot, SharedListenersUnderOneNameEachHearEveryBroadcastOnce) {
  TALMailSlot a, b;
  std::vector<Received> gotA, gotB;
  for (auto [slot, log] : {std::pair{&a, &gotA}, std::pair{&b, &gotB}}) {
    slot->SetMailBox(SlotName('S'));
    slot->SetCheckInterval(50);
    slot->SetShared(true);
    Listen(*slot, *log);
    slot->SetActive(true);
    ASSERT_TRUE(slot->Active());
  }
  TALMailSlot sender;
  sender.SetMailBox(SlotName('S'));
  sender.Broadcast("20040312103000RFS2004031220040312");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !gotA.empty() && !gotB.empty(); }, 5000));
  QTest::qWait(150);
  ASSERT_EQ(gotA.size(), 1u);
  ASSERT_EQ(gotB.size(), 1u);
  EXPECT_EQ(gotA[0].text, "20040312103000RFS2004031220040312\r\n");
  EXPECT_EQ(gotB[0].text, gotA[0].text);
  // The one exclusive listener may sit beside shared ones: a broadcast
  // reaches it as well, and each of them still once.
  a.SetShared(false);
  ASSERT_TRUE(a.Active());
  gotA.clear();
  gotB.clear();
  sender.Broadcast("20040312103003RFS2004031220040312");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !gotA.empty() && !gotB.empty(); }, 5000));
  QTest::qWait(150);
  EXPECT_EQ(gotA.size(), 1u);
  EXPECT_EQ(gotB.size(), 1u);
}

TEST(ALMailSlot, RenamingAnActiveSlotListensUnderTheNewName) {
  TALMailSlot listener;
  listener.SetMailBox(SlotName('D'));
  listener.SetCheckInterval(50);
  std::vector<Received> got;
  Listen(listener, got);
  listener.SetActive(true);
  listener.SetMailBox(SlotName('E'));
  ASSERT_TRUE(listener.Active());

  // The old name is free and no longer heard.
  TALMailSlot other;
  other.SetMailBox(SlotName('D'));
  other.SetActive(true);
  EXPECT_TRUE(other.Active());
  other.SetActive(false);

  SendRaw(SlotName('D'), "Message\r\nana\r\nPC01\r\nviejo\r\n");
  SendRaw(SlotName('E'), "Message\r\nana\r\nPC01\r\nnuevo\r\n");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !got.empty(); }, 5000));
  QTest::qWait(150);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text, "nuevo\r\n");
}

TEST(ALMailSlot, InactiveSlotHearsNothingAndFreesItsName) {
  TALMailSlot listener;
  listener.SetMailBox(SlotName('F'));
  listener.SetCheckInterval(50);
  std::vector<Received> got;
  Listen(listener, got);
  listener.SetActive(true);
  listener.SetActive(false);
  EXPECT_FALSE(listener.Active());
  SendRaw(SlotName('F'), "Message\r\nana\r\nPC01\r\nhola\r\n");
  QTest::qWait(200);
  EXPECT_TRUE(got.empty());
  {
    // Destroying an active slot also frees the name.
    TALMailSlot temporary;
    temporary.SetMailBox(SlotName('F'));
    temporary.SetActive(true);
    EXPECT_TRUE(temporary.Active());
  }
  listener.SetActive(true);
  EXPECT_TRUE(listener.Active());
}

TEST(ALMailSlot, HandlerMayStopOrFreeTheSlotWhileMessagesWait) {
  auto* listener = new TALMailSlot;
  listener->SetMailBox(SlotName('G'));
  listener->SetCheckInterval(2000);  // everything waits for one poll
  int events = 0;
  listener->OnNewMessage = [&](TALMailSlot* s, const QString&, const QString&, const QString&) {
    ++events;
    delete s;
  };
  listener->SetActive(true);
  ASSERT_TRUE(listener->Active());
  SendRaw(SlotName('G'), "Message\r\nana\r\nPC01\r\nuno\r\n");
  SendRaw(SlotName('G'), "Message\r\nana\r\nPC01\r\ndos\r\n");
  ASSERT_TRUE(QTest::qWaitFor([&] { return events > 0; }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(events, 1);
}

TEST(NoticeWait, BlocksWithoutProcessingMessagesAndCanBeReplaced) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  QElapsedTimer clock;
  clock.start();
  NoticeWait(60);
  EXPECT_GE(clock.elapsed(), 60);
  EXPECT_FALSE(ran);  // the pending message waited
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);

  std::vector<int> waits;
  SetNoticeWait([&](int ms) { waits.push_back(ms); });
  NoticeWait(3000);
  SetNoticeWait({});
  EXPECT_EQ(waits, std::vector<int>{3000});
}
