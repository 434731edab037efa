#include "data/TableSwitch.h"

#include <sys/stat.h>

#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "data/DbError.h"
#include "data/NameCase.h"
#include "data/TableFiles.h"

namespace data {
namespace {

constexpr char kJournalMagic[] = "quillar-switch 1";
constexpr char kJournalEnd[] = "end";

std::string Dir(const std::string& folder) {
  std::string dir = folder.empty() ? "./" : folder;
  if (dir.back() != '/') dir += '/';
  return dir;
}

std::string BareName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool Present(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The switch record: "R staged target" renames, "D name" removals, each a
// bare name of the table's folder, then "end". Read back only whole.
struct Journal {
  std::vector<std::pair<std::string, std::string>> renames;
  std::vector<std::string> removals;
};

std::string Encode(const Journal& j) {
  std::string text = std::string(kJournalMagic) + "\n";
  for (const auto& [from, to] : j.renames) text += "R " + from + "\t" + to + "\n";
  for (const auto& name : j.removals) text += "D " + name + "\n";
  return text + kJournalEnd + "\n";
}

bool Decode(const std::string& text, Journal& j) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t nl = text.find('\n', at);
    if (nl == std::string::npos) return false;
    lines.push_back(text.substr(at, nl - at));
    at = nl + 1;
  }
  if (lines.size() < 2 || lines.front() != kJournalMagic || lines.back() != kJournalEnd) return false;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.rfind("R ", 0) == 0 && l.find('\t') != std::string::npos) {
      const size_t tab = l.find('\t');
      j.renames.push_back({l.substr(2, tab - 2), l.substr(tab + 1)});
    } else if (l.rfind("D ", 0) == 0) {
      j.removals.push_back(l.substr(2));
    } else {
      return false;
    }
  }
  return true;
}

bool SafeName(const std::string& n) { return !n.empty() && n.find('/') == std::string::npos && n != "." && n != ".."; }

// How long a copy waits for another one finishing the same switch: the
// renames and syncs of a few files, also on a slow share.
constexpr int kReplayWaitMs = 20000;

// Carries out a decided switch; every step may already have been done.
// Copies that find the record at the same moment take turns on its lock, and
// the record is read only under it: one that waited finds it gone (finished)
// and does nothing, so it can never carry out an old record's renames over
// the staging files of a later rebuild.
void Replay(const std::string& dir, const std::string& journalPath) {
  File jf;
  try {
    jf.Open(journalPath, true);
  } catch (const DbError&) {
    if (!Present(journalPath)) return;  // finished meanwhile
    throw;
  }
  if (!jf.Lock(0, 0, true, kReplayWaitMs))
    throw DbError("Otro programa está terminando de cambiar los ficheros de la tabla (" + journalPath +
                  "). Inténtelo de nuevo dentro de un momento.");
  if (!jf.StillAt(journalPath)) return;
  std::string text(static_cast<size_t>(std::min<std::uint64_t>(jf.Size(), 64 * 1024)), '\0');
  text.resize(jf.ReadAt(0, text.data(), text.size()));
  Journal j;
  if (!Decode(text, j)) {
    // Never renamed into place unless whole: a leftover of another kind.
    throw DbError("El registro de cambio de ficheros " + journalPath + " está dañado.");
  }
  for (const auto& [from, to] : j.renames) {
    if (!SafeName(from) || !SafeName(to)) throw DbError("El registro " + journalPath + " está dañado.");
    if (Present(dir + from)) RenameFile(dir + from, dir + to);
  }
  for (const auto& name : j.removals)
    if (SafeName(name)) RemoveFile(dir + name);
  SyncFolder(dir);
  RemoveFile(journalPath);
  SyncFolder(dir);
}

// The table being built under a staging name has no staging of its own.
bool IsStagingName(const std::string& tableName) {
  std::string base = tableName;
  if (base.size() >= 4 && Upper(base.substr(base.size() - 4)) == ".DBF") base.resize(base.size() - 4);
  base = base.substr(base.find_last_of('/') + 1);
  return base.rfind(".~", 0) == 0;
}

}  // namespace

std::string TableStem(const std::string& tableName) {
  std::string base = tableName;
  if (base.size() >= 4 && Upper(base.substr(base.size() - 4)) == ".DBF") base.resize(base.size() - 4);
  auto slash = base.find_last_of('/');
  base = slash == std::string::npos ? base : base.substr(slash + 1);
  // A table being built under its staging name keeps the table's own name
  // inside its memo and index files.
  if (base.size() > 6 && base.rfind(".~", 0) == 0 && Upper(base.substr(base.size() - 4)) == ".NEW")
    base = base.substr(2, base.size() - 6);
  return base;
}

std::string StagingTableName(const std::string& tableName) { return ".~" + TableStem(tableName) + ".new"; }

StagingPaths StagingFor(const std::string& folder, const std::string& tableName) {
  const std::string dir = Dir(folder);
  const std::string stem = TableStem(tableName);
  const std::string staged = dir + ".~" + stem + ".new";
  return {staged + ".DBF", staged + ".DBT", staged + ".MDX", dir + ".~" + stem + ".switch"};
}

bool SwitchPending(const std::string& folder, const std::string& tableName) {
  return !IsStagingName(tableName) && Present(StagingFor(folder, tableName).journal);
}

void FinishInterruptedSwitch(const std::string& folder, const std::string& tableName) {
  if (IsStagingName(tableName)) return;
  const StagingPaths s = StagingFor(folder, tableName);
  if (!Present(s.journal)) return;
  Replay(Dir(folder), s.journal);
}

void RemoveUnfinishedBuild(const std::string& folder, const std::string& tableName) {
  if (IsStagingName(tableName)) return;
  const StagingPaths s = StagingFor(folder, tableName);
  if (Present(s.journal)) return;  // decided: the next open finishes it
  bool any = false;
  for (const std::string* p : {&s.dbf, &s.memo, &s.mdx})
    if (Present(*p)) RemoveFile(*p), any = true;
  const std::string journalTemp = s.journal + ".tmp";
  if (Present(journalTemp)) RemoveFile(journalTemp), any = true;
  if (any) SyncFolder(Dir(folder));
}

File HoldExclusively(const std::string& folder, const std::string& tableName) {
  FinishInterruptedSwitch(folder, tableName);
  File dbf;
  const FamilyPaths fam = FindFamily(folder, tableName);
  if (!fam.dbfFound) return dbf;
  dbf.Open(fam.dbf, true);
  if (!dbf.TryLock(0, 0, true))
    throw DbError("La tabla " + fam.dbf + " está en uso por otro usuario o programa.");
  RemoveUnfinishedBuild(folder, tableName);
  return dbf;
}

File SwitchToStaged(const std::string& folder, const std::string& tableName) {
  const std::string dir = Dir(folder);
  const StagingPaths s = StagingFor(folder, tableName);
  FamilyPaths old = FindFamily(folder, tableName);
  // New family files are spelt like the .DBF found.
  if (old.dbfFound) {
    const std::string stem = old.dbf.substr(0, old.dbf.size() - 4);
    const bool lower = old.dbf.compare(old.dbf.size() - 4, 4, ".dbf") == 0;
    if (!old.memoFound) old.memo = stem + (lower ? ".dbt" : ".DBT");
    if (!old.mdxFound) old.mdx = stem + (lower ? ".mdx" : ".MDX");
  }
  // The new files get the old ones' permissions: on a folder shared by a
  // group, files that only their creator may write would lock the others
  // out of their own data.
  for (const auto& [from, to] : std::initializer_list<std::pair<const std::string*, const std::string*>>{
           {&s.dbf, &old.dbf}, {&s.memo, &old.memo}, {&s.mdx, &old.mdx}}) {
    struct stat was;
    if (::stat(to->c_str(), &was) == 0 && Present(*from)) ::chmod(from->c_str(), was.st_mode & 07777);
  }
  File newDbf;
  newDbf.Open(s.dbf, true);
  if (!newDbf.TryLock(0, 0, true)) throw DbError("La tabla nueva " + s.dbf + " está en uso.");
  // The new files' names must be durable before the record points at them.
  SyncFolder(dir);
  Journal j;
  j.renames.push_back({BareName(s.dbf), BareName(old.dbf)});
  if (FileExists(s.memo)) j.renames.push_back({BareName(s.memo), BareName(old.memo)});
  else if (old.memoFound) j.removals.push_back(BareName(old.memo));
  if (FileExists(s.mdx)) j.renames.push_back({BareName(s.mdx), BareName(old.mdx)});
  else if (old.mdxFound) j.removals.push_back(BareName(old.mdx));
  if (old.foxMemoFound) j.removals.push_back(BareName(old.foxMemo));
  // The new memo goes last among the renames: a .DBF whose memo is missing
  // would not open, one with its old memo would read wrong texts; the record
  // makes the next open finish either way.
  const std::string text = Encode(j);
  const std::string temp = s.journal + ".tmp";
  {
    File jf;
    jf.Create(temp);
    jf.WriteAt(0, text.data(), text.size());
    jf.Sync();
  }
  RenameFile(temp, s.journal);
  // Decided: whatever fails from here on, the next open finishes it; one
  // more try here first, as that open would.
  try {
    SyncFolder(dir);
    Replay(dir, s.journal);
  } catch (const DbError&) {
    FinishInterruptedSwitch(folder, tableName);
    SyncFolder(dir);
  }
  return newDbf;
}

}  // namespace data
