// The engine's write paths under every fault: a post with a memo, the index
// rebuilt at open and the rebuild of a table, each run once per I/O point
// with that point failing (a full disk, a failing device) and once with the
// process ending there (a crash). After each, one open of the table must
// find every record that was stored, through both tags, and a clean check;
// a post that raised must have left nothing. Also the hostile files: an
// index whose branches loop, a FIFO in a table's place, and two copies
// appending after a rebuild that left the ID tag without its unique flag.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "TableTestSupport.h"
#include "data/DbfHeader.h"
#include "data/IndexKey.h"
#include "data/MdxFile.h"
#include "data/TableRebuild.h"
#include "data/TableSwitch.h"
#include "support/FaultSweep.h"

using namespace data;

namespace {

const TDateTime kDay = dt::EncodeDate(2024, 3, 1);

std::string NotesOf(int id) { return "Notas de la cita " + std::to_string(id) + " con eñe"; }

// AGENDA with the given IDs, notes on the odd ones; `deleted` marked deleted.
std::string MakeAgenda(const std::string& name, int count, int deleted = 0) {
  const std::string folder = testdata::FreshFolder(name);
  Table t(folder, "AGENDA");
  t.Create(AgendaFieldDefs(), AgendaIndexDefs());
  t.Open();
  for (int id = 1; id <= count; ++id)
    testdata::AddAppointment(t, id, kDay + (id * 7) % 5, "Cita " + std::to_string(id), id % 2 ? NotesOf(id) : "");
  if (deleted) {
    t.SetIndexName("ID");
    EXPECT_TRUE(t.FindKey(deleted));
    t.Delete();
  }
  return folder;
}

std::set<int> Ids(const std::set<int>& base, std::initializer_list<int> more = {}) {
  std::set<int> s = base;
  s.insert(more);
  return s;
}

std::set<int> Range(int from, int to, int except = 0) {
  std::set<int> s;
  for (int i = from; i <= to; ++i)
    if (i != except) s.insert(i);
  return s;
}

// The notes of an appointment after an edit that grew them past a memo
// block.
std::string GrownNotesOf(int id) { return NotesOf(id) + " " + std::string(700, 'x'); }

// Opens the table as the program does (which finishes or undoes whatever
// was interrupted), then checks it: clean, both tags and the file order
// holding the same records, each memo whole (the notes of `grown` as before
// or grown), no leftovers. The IDs found.
std::set<int> OpenWhole(const std::string& folder, int grown = 0) {
  {
    Table t(folder, "AGENDA");
    t.Open();
  }
  Table t(folder, "AGENDA");
  t.Open(OpenMode::ReadOnly);
  const auto problems = t.Verify();
  EXPECT_EQ(problems, std::vector<std::string>{});
  EXPECT_EQ(t.Tags().size(), 2u);
  std::set<int> seen[3];
  const char* tags[3] = {"", "ID", "FECHA_INI"};
  for (int k = 0; k < 3; ++k) {
    t.SetIndexName(tags[k]);
    for (t.First(); !t.Eof(); t.Next()) {
      const int id = static_cast<int>(t.FieldByName("ID").AsInteger());
      EXPECT_TRUE(seen[k].insert(id).second) << "ID " << id << " twice under '" << tags[k] << "'";
      const std::string notes = t.FieldByName("NOTAS").AsString();
      if (id != grown || notes != GrownNotesOf(id)) {
        EXPECT_EQ(notes, id % 2 ? NotesOf(id) : "") << id;
      }
    }
  }
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_EQ(seen[0], seen[2]);
  for (const auto& e : std::filesystem::directory_iterator(folder))
    EXPECT_NE(e.path().filename().string().rfind(".~", 0), 0u) << "left behind: " << e.path().filename();
  return seen[0];
}

// The IDs in file order, with the notes of `id`.
std::set<int> FileOrderIds(const std::string& folder, int id = 0, std::string* notes = nullptr) {
  Table t(folder, "AGENDA");
  t.Open(OpenMode::ReadOnly);
  std::set<int> ids;
  for (t.First(); !t.Eof(); t.Next()) {
    ids.insert(static_cast<int>(t.FieldByName("ID").AsInteger()));
    if (notes && t.FieldByName("ID").AsInteger() == id) *notes = t.FieldByName("NOTAS").AsString();
  }
  return ids;
}

// The posts swept: each on the table open in `t`, or on an open of its own.
struct PostCase {
  const char* name;
  std::function<void(Table&)> run;
  std::set<int> after;  // the IDs once it is stored
  int grown;            // the appointment whose notes it grows
};

void Post(const std::string& folder, Table* open = nullptr) {
  Table own(folder, "AGENDA");
  Table& t = open ? *open : own;
  if (!t.Active()) t.Open();
  t.Append();
  t.FieldByName("ID").SetAsInteger(99);
  t.FieldByName("FECHA_INI").SetAsDate(kDay);
  t.FieldByName("ASUNTO").SetAsString("Cita 99");
  t.FieldByName("NOTAS").SetAsString(NotesOf(99));
  t.Post();
}

void GoTo(Table& t, int id) {
  t.SetIndexName("ID");
  ASSERT_TRUE(t.FindKey(id));
}

const PostCase kPosts[] = {
    {"append with memo", [](Table& t) { Post("", &t); }, Ids(Range(1, 3), {99}), 0},
    {"edit growing a memo",
     [](Table& t) {
       GoTo(t, 1);
       t.Edit();
       t.FieldByName("NOTAS").SetAsString(GrownNotesOf(1));
       t.Post();
     },
     Range(1, 3), 1},
    {"delete",
     [](Table& t) {
       GoTo(t, 2);
       t.Delete();
     },
     Range(1, 3, 2), 0},
};

TEST(CrashSweepTest, PostsAreWholeOrAbsentAtEveryPoint) {
  const std::string fixture = MakeAgenda("sweep-post", 3);
  const std::string folder = fixture.substr(0, fixture.size() - 1) + "-run/";
  const std::set<int> before = Range(1, 3);
  for (const PostCase& c : kPosts) {
    SCOPED_TRACE(c.name);
    const auto onOwnOpen = [&] {
      Table t(folder, "AGENDA");
      t.Open();
      c.run(t);
    };
    const long points = sweep::CountIoPoints([&] {
      sweep::CopyFolder(fixture, folder);
      Table t(folder, "AGENDA");
      t.Open();
      data::SetIoFaultPlan({});
      c.run(t);
    });
    ASSERT_GE(points, 2);
    RecordProperty(std::string("io_points ") + c.name, static_cast<int>(points));
    for (long n = 1; n <= points; ++n) {
      SCOPED_TRACE("point " + std::to_string(n));
      for (int error : {EIO, ENOSPC}) {
        sweep::CopyFolder(fixture, folder);
        bool raised = false;
        {
          Table t(folder, "AGENDA");
          t.Open();
          data::SetIoFaultPlan({n, error, false});
          try {
            c.run(t);
          } catch (const DbError&) {
            raised = true;
          }
          data::SetIoFaultPlan({});
        }
        EXPECT_TRUE(raised);
        // Raised: nothing of it stored (as another copy reads the table
        // now); trying again stores it once.
        std::string notes;
        EXPECT_EQ(FileOrderIds(folder, 1, &notes), before);
        EXPECT_EQ(notes, NotesOf(1));
        onOwnOpen();
        EXPECT_EQ(OpenWhole(folder, c.grown), c.after);
        if (c.grown) {
          FileOrderIds(folder, c.grown, &notes);
          EXPECT_EQ(notes, GrownNotesOf(c.grown));
        }
      }
      sweep::CopyFolder(fixture, folder);
      EXPECT_TRUE(sweep::RunWithCrashAt(n, onOwnOpen));
      const std::set<int> after = OpenWhole(folder, c.grown);
      EXPECT_TRUE(after == before || after == c.after);
    }
  }
}

// An append that splits the ID tag's root page grows the index by two
// pages; its header announces them before they are written. A crash or a
// full disk in between leaves a file shorter than its header says: an
// interrupted change of ours, rebuilt at the next open like any other, never
// a table left only to be read.
TEST(CrashSweepTest, AnAppendThatGrowsTheIndexIsWholeOrAbsentAtEveryCrash) {
  const std::string fixture = MakeAgenda("sweep-split", 63);
  const std::string folder = fixture.substr(0, fixture.size() - 1) + "-run/";
  const auto post = [&] { Post(folder); };
  sweep::CopyFolder(fixture, folder);
  const long points = sweep::CountIoPoints(post);
  ASSERT_GE(std::filesystem::file_size(folder + "AGENDA.MDX"),
            std::filesystem::file_size(fixture + "AGENDA.MDX") + 2 * MdxFile::kPageSize);
  for (long n = 1; n <= points; ++n) {
    for (bool crash : {true, false}) {
      SCOPED_TRACE("point " + std::to_string(n) + (crash ? " crash" : " full disk"));
      sweep::CopyFolder(fixture, folder);
      if (crash) EXPECT_TRUE(sweep::RunWithCrashAt(n, post));
      else sweep::RunWithFailureAt(n, ENOSPC, post);
      {
        Table t(folder, "AGENDA");
        t.Open();
        EXPECT_EQ(t.ReadOnlyReason(), "");
      }
      const std::set<int> after = OpenWhole(folder);
      EXPECT_TRUE(after == Range(1, 63) || after == Ids(Range(1, 63), {99}));
    }
  }
}

TEST(CrashSweepTest, IndexRebuiltAtOpenIsTrustedOnlyWhenWholeAtEveryPoint) {
  const std::string fixture = MakeAgenda("sweep-reindex", 12);
  // A damaged index file: cut short.
  std::filesystem::resize_file(fixture + "AGENDA.MDX", 700);
  const std::string folder = fixture.substr(0, fixture.size() - 1) + "-run/";
  const auto reopen = [&] {
    Table t(folder, "AGENDA");
    t.Open();
  };
  sweep::CopyFolder(fixture, folder);
  const long points = sweep::CountIoPoints(reopen);
  ASSERT_GE(points, 5);
  RecordProperty("io_points", static_cast<int>(points));
  for (long n = 1; n <= points; ++n) {
    SCOPED_TRACE("point " + std::to_string(n));
    sweep::CopyFolder(fixture, folder);
    sweep::RunWithFailureAt(n, ENOSPC, reopen);
    EXPECT_EQ(OpenWhole(folder), Range(1, 12));
    sweep::CopyFolder(fixture, folder);
    EXPECT_TRUE(sweep::RunWithCrashAt(n, reopen));
    EXPECT_EQ(OpenWhole(folder), Range(1, 12));
  }
}

TEST(CrashSweepTest, ANewIndexFileVouchesForRecordsOnlyOnceItsTagsAreFilled) {
  const std::string folder = testdata::FreshFolder("new-index");
  IndexInfo id;
  id.name = id.expression = "ID";
  id.keyType = KeyType::Numeric;
  id.keyLength = kNumericKeyLength;
  struct Case {
    std::uint32_t records;
    bool vouches;
  } cases[] = {{0, true}, {3, false}};
  for (const Case& c : cases) {
    MdxFile::Create(folder + "X.MDX", "X", {id}, 5, c.records);
    MdxFile mdx;
    mdx.Open(folder + "X.MDX", true);
    EXPECT_EQ(mdx.InStep(5, c.records), c.vouches) << c.records;
    mdx.Tag(0).Load({{NumericKey(1), 1}, {NumericKey(2), 2}, {NumericKey(3), 3}});
    mdx.Commit(5, 3);
    EXPECT_TRUE(mdx.InStep(5, 3));
  }
}

const std::vector<IndexDef> kPlainIndexes = {{"ID", "ID", false}, {"FECHA_INI", "FECHA_INI", false}};

TEST(CrashSweepTest, RebuildLeavesTheOldOrTheNewTableAtEveryPoint) {
  const std::string fixture = MakeAgenda("sweep-rebuild", 5, 3);
  const std::string folder = fixture.substr(0, fixture.size() - 1) + "-run/";
  const auto rebuild = [&] { RebuildTable(folder, "AGENDA.DBF", kPlainIndexes); };
  sweep::CopyFolder(fixture, folder);
  const long points = sweep::CountIoPoints(rebuild);
  ASSERT_GE(points, 20);
  RecordProperty("io_points", static_cast<int>(points));
  const std::set<int> visible = Range(1, 5, 3);
  int finished = 0;
  for (long n = 1; n <= points; ++n) {
    SCOPED_TRACE("point " + std::to_string(n));
    sweep::CopyFolder(fixture, folder);
    bool raised = false;
    data::SetIoFaultPlan({n, EIO, false});
    try {
      rebuild();
    } catch (const DbError&) {
      raised = true;
    }
    data::SetIoFaultPlan({});
    EXPECT_EQ(OpenWhole(folder), visible);
    Table t(folder, "AGENDA");
    t.Open(OpenMode::ReadOnly);
    // Done only if it said so: the deleted record is gone from the file.
    EXPECT_EQ(t.RecordSlots(), raised ? 5u : 4u);
    t.Close();
    sweep::CopyFolder(fixture, folder);
    EXPECT_TRUE(sweep::RunWithCrashAt(n, rebuild));
    EXPECT_EQ(OpenWhole(folder), visible);
    t.Open(OpenMode::ReadOnly);
    finished += t.RecordSlots() == 4u;
  }
  // The late crashes come after the switch was decided: the next open
  // finishes it.
  EXPECT_GT(finished, 0);
}

// Appends under the application's rule (highest ID plus one, renumbered
// when another copy took it first).
void AppendLoop(const std::string& folder, int count) {
  Table t(folder, "AGENDA");
  t.Open();
  t.SetRenumberField("ID");
  t.SetIndexName("ID");
  for (int i = 0; i < count; ++i) {
    t.Last();
    const int id = t.Eof() && t.Bof() ? 1 : static_cast<int>(t.FieldByName("ID").AsInteger()) + 1;
    t.Append();
    t.FieldByName("ID").SetAsInteger(id);
    t.FieldByName("FECHA_INI").SetAsDate(kDay);
    ::usleep(300);  // the user types: the other copy may take the number meanwhile
    t.Post();
  }
}

TEST(CrashSweepTest, TwoCopiesAppendingAfterARebuildNeverStoreAnIdTwice) {
  const std::string folder = MakeAgenda("rebuild-append", 4);
  RebuildTable(folder, "AGENDA.DBF", kPlainIndexes);
  {
    Table t(folder, "AGENDA");
    t.Open();
    ASSERT_FALSE(t.Tags().front().unique);
  }
  pid_t kids[2];
  for (pid_t& k : kids) {
    k = fork();
    if (k == 0) {
      try {
        AppendLoop(folder, 100);
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
  }
  for (pid_t k : kids) {
    int status = 0;
    waitpid(k, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Table t(folder, "AGENDA");
  t.Open();
  std::set<int> ids;
  int records = 0;
  for (t.First(); !t.Eof(); t.Next(), ++records) ids.insert(static_cast<int>(t.FieldByName("ID").AsInteger()));
  EXPECT_EQ(records, 204);
  EXPECT_EQ(ids.size(), 204u);
}

TEST(CrashSweepTest, ACopyWhoseFilesWereReplacedRefusesToWriteIntoThem) {
  const std::string folder = MakeAgenda("replaced", 3);
  const std::string other = MakeAgenda("replacement", 5);
  for (const char* ext : {".DBF", ".DBT", ".MDX"}) {
    Table t(folder, "AGENDA");
    t.Open();
    // Another program puts other files in place, ignoring the locks.
    std::filesystem::copy_file(other + "AGENDA" + ext, folder + "new" + ext);
    std::filesystem::rename(folder + "new" + ext, folder + "AGENDA" + ext);
    try {
      Post(folder, &t);
      ADD_FAILURE() << "wrote into a replaced " << ext;
    } catch (const DbError& e) {
      EXPECT_NE(std::string(e.what()).find("sustituidos"), std::string::npos) << e.what();
    }
    t.Cancel();
    t.Close();
    EXPECT_EQ(FileOrderIds(folder).count(99), 0u) << ext;
    sweep::CopyFolder(other, folder);
  }
}

TEST(CrashSweepTest, AFifoInTheTablesPlaceIsAnErrorAtOnce) {
  const std::string folder = testdata::FreshFolder("fifo");
  ASSERT_EQ(::mkfifo((folder + "AGENDA.DBF").c_str(), 0644), 0);
  for (OpenMode mode : {OpenMode::Shared, OpenMode::Exclusive, OpenMode::ReadOnly}) {
    Table t(folder, "AGENDA");
    try {
      t.Open(mode);
      ADD_FAILURE() << "opened a FIFO";
    } catch (const DbError& e) {
      EXPECT_NE(std::string(e.what()).find("no es un fichero normal"), std::string::npos) << e.what();
    }
  }
}

TEST(CrashSweepTest, AnIndexWhoseBranchesLoopIsAnErrorBeforeMoreEntriesThanRecords) {
  const std::string folder = MakeAgenda("loop", 100);
  // The root of the ID tag: its last child pointer leads back to the root.
  std::fstream mdx(folder + "AGENDA.MDX", std::ios::in | std::ios::out | std::ios::binary);
  char entry[4], head[4];
  mdx.seekg(544);
  mdx.read(entry, 4);
  mdx.seekg(static_cast<std::streamoff>(ReadU32(entry)) * 512);
  mdx.read(head, 4);
  const std::uint32_t root = ReadU32(head);
  char count[4];
  mdx.seekg(static_cast<std::streamoff>(root) * 512);
  mdx.read(count, 4);
  ASSERT_GE(ReadU32(count), 1u) << "the root should be a branch";
  mdx.seekp(static_cast<std::streamoff>(root) * 512 + 8 + ReadU32(count) * 16);
  mdx.write(head, 4);
  mdx.close();
  Table t(folder, "AGENDA");
  t.Open(OpenMode::ReadOnly);
  t.SetIndexName("ID");
  int met = 0;
  try {
    for (t.First(); !t.Eof() && met < 100000; t.Next()) ++met;
    ADD_FAILURE() << "walked " << met << " entries";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("dañado"), std::string::npos) << e.what();
  }
  EXPECT_LE(met, 101);
  EXPECT_FALSE(t.Verify().empty());
}

}  // namespace

namespace {

// True when another open of the table, as a second copy makes it, fails.
bool RefusedToOthers(const std::string& folder, const std::string& name) {
  Table other(folder, name);
  try {
    other.Open();
  } catch (const DbError&) {
    return true;
  }
  return false;
}

std::map<std::string, std::string> Contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(e.path(), std::ios::binary);
    files[e.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

}  // namespace

TEST(CrashSweepTest, RebuildingTwoTablesHoldsBothFromStartToEnd) {
  const std::string folder = MakeAgenda("rebuild-two", 4, 2);
  {
    Table cat(folder, "CATEGORIAS");
    cat.Create(AgendaFieldDefs(), AgendaIndexDefs());
  }
  const std::vector<TableToRebuild> both = {{"AGENDA.DBF", kPlainIndexes}, {"CATEGORIAS.DBF", kPlainIndexes}};

  // Before each table (so also with the first one switched already and
  // the second not begun), neither opens for anyone else.
  std::vector<std::string> seen;
  RebuildTables(folder, both, [&](const std::string& name) {
    seen.push_back(name);
    EXPECT_TRUE(RefusedToOthers(folder, "AGENDA")) << name;
    EXPECT_TRUE(RefusedToOthers(folder, "CATEGORIAS")) << name;
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"AGENDA.DBF", "CATEGORIAS.DBF"}));
  EXPECT_EQ(OpenWhole(folder), Range(1, 4, 2));
  EXPECT_FALSE(RefusedToOthers(folder, "CATEGORIAS"));

  // Either table open elsewhere: refused before anything changed.
  MakeAgenda("rebuild-two", 4, 2);
  {
    Table cat(folder, "CATEGORIAS");
    cat.Create(AgendaFieldDefs(), AgendaIndexDefs());
  }
  for (const char* held : {"AGENDA", "CATEGORIAS"}) {
    SCOPED_TRACE(held);
    const auto before = Contents(folder);
    Table other(folder, held);
    other.Open();
    bool called = false;
    EXPECT_THROW(RebuildTables(folder, both, [&](const std::string&) { called = true; }), DbError);
    EXPECT_FALSE(called);
    other.Close();
    EXPECT_EQ(Contents(folder), before);
  }
}

TEST(CrashSweepTest, RebuiltFilesKeepTheOldFilesPermissions) {
  const std::string folder = MakeAgenda("rebuild-modes", 2);
  for (const char* ext : {"DBF", "DBT", "MDX"})
    std::filesystem::permissions(folder + "AGENDA." + ext, std::filesystem::perms(0660));
  RebuildTable(folder, "AGENDA.DBF", kPlainIndexes);
  for (const char* ext : {"DBF", "DBT", "MDX"}) {
    struct stat st;
    ASSERT_EQ(::stat((folder + "AGENDA." + ext).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u) << ext;
  }
}

// A rebuild that crashed after deciding its switch leaves the switch record
// for the next open to finish. Two copies opening then take turns: one that
// finds another finishing it waits, and then finds nothing left to do, or
// finishes it itself when the other gave up half-way.
TEST(CrashSweepTest, TwoCopiesFinishingOneSwitchTakeTurns) {
  const std::string fixture = MakeAgenda("sweep-turns", 5, 3);
  const std::string folder = fixture.substr(0, fixture.size() - 1) + "-run/";
  const auto rebuild = [&] { RebuildTable(folder, "AGENDA.DBF", kPlainIndexes); };
  const std::string journal = folder + ".~AGENDA.switch";
  sweep::CopyFolder(fixture, folder);
  const long points = sweep::CountIoPoints(rebuild);
  long decided = 0;
  for (long n = 1; n <= points && !decided; ++n) {
    sweep::CopyFolder(fixture, folder);
    if (sweep::RunWithCrashAt(n, rebuild) && std::filesystem::exists(journal)) decided = n;
  }
  ASSERT_GT(decided, 0);
  const std::string pending = fixture.substr(0, fixture.size() - 1) + "-pending/";
  sweep::CopyFolder(folder, pending);

  for (const bool otherFinishes : {true, false}) {
    SCOPED_TRACE(otherFinishes ? "the other copy finishes" : "the other copy gives up");
    sweep::CopyFolder(pending, folder);
    File other;
    other.Open(journal, true);
    ASSERT_TRUE(other.TryLock(0, 0, true));
    std::exception_ptr error;
    std::thread opener([&] {
      try {
        Table t(folder, "AGENDA");
        t.Open();
      } catch (...) {
        error = std::current_exception();
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(std::filesystem::exists(journal)) << "replayed without waiting for the other copy";
    if (otherFinishes) {
      // As the other copy does, under its lock: the record's renames and
      // removals, then the record goes.
      std::ifstream in(journal);
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("R ", 0) == 0) {
          const size_t tab = line.find('\t');
          std::filesystem::rename(folder + line.substr(2, tab - 2), folder + line.substr(tab + 1));
        } else if (line.rfind("D ", 0) == 0) {
          std::filesystem::remove(folder + line.substr(2));
        }
      }
      std::filesystem::remove(journal);
    }
    other.Close();
    opener.join();
    EXPECT_FALSE(error) << "the waiting copy failed";
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_EQ(OpenWhole(folder), Range(1, 5, 3));
    Table t(folder, "AGENDA");
    t.Open(OpenMode::ReadOnly);
    EXPECT_EQ(t.RecordSlots(), 4u);
  }
}
