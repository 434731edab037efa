#include "data/TableFiles.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>

#include "data/FieldCodec.h"

namespace data {
namespace {
std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
bool EndsWithNoCase(const std::string& s, const std::string& ext) {
  return s.size() >= ext.size() && Upper(s.substr(s.size() - ext.size())) == Upper(ext);
}
}  // namespace

FamilyPaths FindFamily(const std::string& folder, const std::string& tableName, bool foxMemo) {
  std::string dir = folder.empty() ? "./" : folder;
  if (dir.back() != '/') dir += '/';
  std::string base = tableName;
  bool lower = false;
  if (EndsWithNoCase(base, ".dbf")) {
    lower = std::islower(static_cast<unsigned char>(base[base.size() - 3])) != 0;
    base.resize(base.size() - 4);
  }
  FamilyPaths p;
  p.dbf = dir + base + (lower ? ".dbf" : ".DBF");
  p.memo = dir + base + (foxMemo ? (lower ? ".fpt" : ".FPT") : (lower ? ".dbt" : ".DBT"));
  p.mdx = dir + base + (lower ? ".mdx" : ".MDX");
  const std::string ub = Upper(base);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return p;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    std::string un = Upper(name);
    if (un == ub + ".DBF") {
      // An exact-case match wins over another spelling.
      if (!p.dbfFound || name == base + (lower ? ".dbf" : ".DBF")) p.dbf = dir + name;
      p.dbfFound = true;
    } else if (un == ub + (foxMemo ? ".FPT" : ".DBT")) {
      p.memo = dir + name;
      p.memoFound = true;
    } else if (un == ub + ".MDX") {
      p.mdx = dir + name;
      p.mdxFound = true;
    }
  }
  ::closedir(d);
  return p;
}

const char* TableFiles::Record(std::uint32_t recno) {
  if (recno >= windowFirst && recno < windowFirst + windowCount)
    return window.data() + static_cast<size_t>(recno - windowFirst) * header.recordLength;
  // Reading on from the window's end (a scan in file order) fetches 64 KB
  // at a time; a jump (index order, bookmarks) fetches only that record.
  const bool sequential = windowCount > 0 && recno == windowFirst + windowCount;
  const std::uint32_t perWindow = sequential ? std::max<std::uint32_t>(1, 65536 / header.recordLength) : 1;
  const std::uint32_t n = std::min(perWindow, header.recordCount - recno + 1);
  window.resize(static_cast<size_t>(n) * header.recordLength);
  size_t got = dbf.ReadAt(RecordOffset(recno), window.data(), window.size());
  windowFirst = recno;
  windowCount = static_cast<std::uint32_t>(got / header.recordLength);
  if (windowCount == 0) {
    // Cut short by another program: a blank, deleted record.
    window.assign(header.recordLength, ' ');
    window[0] = '*';
    windowCount = 1;
  }
  return window.data();
}

std::string TableFiles::KeyOf(int tag, const char* record) const {
  const IndexInfo& info = tags[tag]->Info();
  const DbfField& f = header.fields[tagField[tag]];
  switch (info.keyType) {
    case KeyType::Numeric:
      return NumericKey(ReadNumber(f, record, header.level));
    case KeyType::Date:
      return DateKey(ReadDate(f, record));
    default:
      return CharacterKey(std::string(record + f.offset, f.length), info.keyLength);
  }
}

std::vector<IndexEntry> TableFiles::EntriesFromRecords(int tag) {
  std::vector<IndexEntry> entries;
  entries.reserve(header.recordCount);
  for (std::uint32_t r = 1; r <= header.recordCount; ++r) {
    const char* rec = Record(r);
    if (rec[0] == '*') continue;
    entries.push_back({KeyOf(tag, rec), r});
  }
  IndexTag* t = tags[tag];
  std::stable_sort(entries.begin(), entries.end(), [t](const IndexEntry& a, const IndexEntry& b) {
    return t->Compare(a, b.key, b.recno) < 0;
  });
  if (t->Info().unique) {
    // A unique tag holds the first record of each key only.
    auto same = [t](const IndexEntry& a, const IndexEntry& b) {
      return CompareKeys(t->Info().keyType, a.key.data(), b.key.data(), t->Info().keyLength) == 0;
    };
    entries.erase(std::unique(entries.begin(), entries.end(), same), entries.end());
  }
  return entries;
}

}  // namespace data
