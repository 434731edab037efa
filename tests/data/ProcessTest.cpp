// Several processes on one table: a writer killed at random moments leaves a
// table that opens and holds every record whose Post returned, found through
// every index; two writers appending and editing at once lose nothing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <sstream>
#include <random>
#include <set>
#include <thread>

#include "TableTestSupport.h"
#include "core/DateTime.h"

using namespace data;
using namespace testdata;

namespace {

const TDateTime kDay0 = 38000;

const int kCounterId = 100000;

// Appends records numbered from `firstId`, deleting every fifth one again;
// reports each finished step on `fd` ("A id" / "D id"). With `bump`, also
// adds one to AVISO of the shared record kCounterId after every append.
[[noreturn]] void WriterLoop(const std::string& folder, int firstId, int count, int fd, bool bump = false) {
  try {
    Table t(folder, "AGENDA");
    t.Open();
    t.SetIndexName("ID");
    for (int i = 0; i < count; ++i) {
      const int id = firstId + i;
      AddAppointment(t, id, kDay0 + id % 50, "Cita " + std::to_string(id), id % 2 ? "nota " + std::to_string(id) : "");
      std::string msg = "A " + std::to_string(id) + "\n";
      if (write(fd, msg.data(), msg.size()) < 0) _exit(3);
      if (bump) {
        if (!t.FindKey(kCounterId)) throw DbError("no counter record");
        t.Edit();
        t.FieldByName("AVISO").SetAsInteger(t.FieldByName("AVISO").AsInteger() + 1);
        t.Post();
      }
      if (id % 5 == 0 && t.FindKey(id - 3)) {
        t.Delete();
        msg = "D " + std::to_string(id - 3) + "\n";
        if (write(fd, msg.data(), msg.size()) < 0) _exit(3);
      }
    }
  } catch (const std::exception& e) {
    std::string msg = std::string("E ") + e.what() + "\n";
    (void)!write(fd, msg.data(), msg.size());
    _exit(2);
  }
  _exit(0);
}

void ExpectSound(const std::string& folder, const std::set<int>& present, const std::set<int>& absent) {
  Table t(folder, "AGENDA");
  ASSERT_NO_THROW(t.Open());
  EXPECT_EQ(t.Verify(), std::vector<std::string>{});
  for (const std::string tag : {"ID", "FECHA_INI"}) {
    t.SetIndexName(tag);
    std::set<int> seen;
    for (t.First(); !t.Eof(); t.Next()) seen.insert(static_cast<int>(t.FieldByName("ID").AsInteger()));
    for (int id : present) EXPECT_TRUE(seen.count(id)) << "record " << id << " lost from " << tag;
    for (int id : absent) EXPECT_FALSE(seen.count(id)) << "deleted record " << id << " back in " << tag;
  }
  t.SetIndexName("ID");
  for (int id : present) {
    ASSERT_TRUE(t.FindKey(id)) << id;
    EXPECT_EQ(t.FieldByName("ASUNTO").AsString(), "Cita " + std::to_string(id));
    EXPECT_EQ(t.FieldByName("NOTAS").AsString(), id % 2 ? "nota " + std::to_string(id) : "");
  }
}

TEST(ProcessTest, WriterKilledAtRandomMomentsLeavesEveryPostedRecord) {
  const std::string folder = FreshFolder("crash");
  {
    Table t(folder, "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
  }
  std::mt19937 rng(20040312);
  std::set<int> present, absent;
  int nextId = 1;
  for (int round = 0; round < 12; ++round) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      WriterLoop(folder, nextId, 100000, fds[1]);
    }
    close(fds[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(5000 + rng() % 80000));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    std::string out;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, n);
    close(fds[0]);
    std::istringstream in(out);
    int last = nextId - 1;
    std::string lastOp;
    for (std::string op; in >> op;) {
      if (op == "E") {
        std::string rest;
        std::getline(in, rest);
        FAIL() << "writer failed:" << rest;
      }
      int id;
      in >> id;
      lastOp = op;
      if (op == "A") {
        present.insert(id);
        last = std::max(last, id);
      } else {
        present.erase(id);
        absent.insert(id);
      }
    }
    // The step in flight when the kill came may or may not have landed: the
    // delete that follows every fifth append, or the next append.
    if (lastOp == "A" && last % 5 == 0) present.erase(last - 3);
    nextId = last + 10;
    ExpectSound(folder, present, absent);
  }
  EXPECT_GT(present.size(), 10u) << "the writer should have got some work done";
}

TEST(ProcessTest, TwoProcessesAppendingEditingAndDeletingAtOnceLoseNothing) {
  const std::string folder = FreshFolder("concurrent");
  {
    Table t(folder, "AGENDA");
    t.Create(AgendaFieldDefs(), AgendaIndexDefs());
    t.Open();
    AddAppointment(t, kCounterId, kDay0, "Cita " + std::to_string(kCounterId), "");
  }
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::vector<pid_t> pids;
  for (int w = 0; w < 2; ++w) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(fds[0]);
      WriterLoop(folder, 1 + w * 1000, 80, fds[1], true);
    }
    pids.push_back(pid);
  }
  close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, n);
  close(fds[0]);
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out.substr(0, 500);
  }
  std::set<int> present, absent;
  std::istringstream in(out);
  for (std::string op; in >> op;) {
    int id;
    in >> id;
    if (op == "A") present.insert(id);
    else if (op == "D") present.erase(id), absent.insert(id);
  }
  EXPECT_EQ(present.size() + absent.size(), 160u);
  present.insert(kCounterId);
  ExpectSound(folder, present, absent);
  Table t(folder, "AGENDA");
  t.Open();
  EXPECT_EQ(t.RecordCount(), present.size());
  // Every edit of the shared record saw the other copy's last one.
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(kCounterId));
  EXPECT_EQ(t.FieldByName("AVISO").AsInteger(), 160);
}

}  // namespace
