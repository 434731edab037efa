#include "data/TableFiles.h"

#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "data/DbError.h"
#include "data/FieldCodec.h"
#include "data/NameCase.h"

namespace data {
namespace {
// `name` (of upper.size() characters) spelt as `upper` in any case.
bool EqualsNoCase(const char* name, const std::string& upper) {
  for (std::size_t i = 0; i < upper.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != static_cast<unsigned char>(upper[i])) return false;
  return true;
}
bool EndsWithNoCase(const std::string& s, const std::string& ext) {
  return s.size() >= ext.size() && Upper(s.substr(s.size() - ext.size())) == Upper(ext);
}
}  // namespace

FamilyPaths FindFamily(const std::string& folder, const std::string& tableName) {
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
  p.memo = dir + base + (lower ? ".dbt" : ".DBT");
  p.foxMemo = dir + base + (lower ? ".fpt" : ".FPT");
  p.mdx = dir + base + (lower ? ".mdx" : ".MDX");
  const std::string ub = Upper(base);
  const std::string exactDbf = base + (lower ? ".dbf" : ".DBF");
  struct Wanted {
    std::string upperName;
    std::string* path;
    bool* found;
  };
  const Wanted wanted[] = {{ub + ".DBT", &p.memo, &p.memoFound},
                           {ub + ".FPT", &p.foxMemo, &p.foxMemoFound},
                           {ub + ".MDX", &p.mdx, &p.mdxFound}};
  const std::string upperDbf = ub + ".DBF";
  DIR* d = ::opendir(dir.c_str());
  if (!d) return p;
  while (dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    // Only names of the table's length plus an extension can match.
    if (std::strlen(name) != upperDbf.size()) continue;
    if (EqualsNoCase(name, upperDbf)) {
      // An exact-case match wins over another spelling.
      if (!p.dbfFound || exactDbf == name) p.dbf = dir + name;
      p.dbfFound = true;
      continue;
    }
    for (const Wanted& w : wanted) {
      if (EqualsNoCase(name, w.upperName)) {
        *w.path = dir + name;
        *w.found = true;
      }
    }
  }
  ::closedir(d);
  return p;
}

const char* TableFiles::Record(std::uint32_t recno) {
  if (recno >= windowFirst && recno < windowFirst + windowCount)
    return window.data() + static_cast<size_t>(recno - windowFirst) * header.recordLength;
  // Inside the mapped part of the file the stored bytes are at hand.
  if (recno >= 1 && recno <= header.recordCount)
    if (const char* mapped = dbf.View(RecordOffset(recno), header.recordLength)) return mapped;
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
  return TagKey(tag).KeyOf(record, tags[tag]->Info().keyLength);
}

const KeyExpression& TableFiles::KeyExpressionOf(const IndexInfo& info) const {
  if (!info.unkept.empty()) throw DbError(info.unkept);
  auto it = keyExpressions.find(info.expression);
  if (it == keyExpressions.end())
    it = keyExpressions
             .emplace(info.expression, KeyExpression::Compile(info.expression, header.fields, header.level, header.codePage))
             .first;
  if (it->second.Type() != info.keyType)
    throw DbError(std::string("la expresión da una clave de tipo ") + static_cast<char>(it->second.Type()) +
                  " y la etiqueta es de tipo " + static_cast<char>(info.keyType));
  return it->second;
}

bool TableFiles::CanEvaluate(const IndexInfo& info) const {
  try {
    KeyExpressionOf(info);
    return true;
  } catch (const DbError&) {
    return false;
  }
}

std::vector<IndexEntry> TableFiles::EntriesFromRecords(int tag) {
  return std::move(EntriesFromRecords(std::vector<int>{tag}).front());
}

namespace {

// A numeric or date key still as the number it encodes: sorting these is
// far cheaper than comparing encoded keys.
struct NumberEntry {
  double value;
  std::uint32_t recno;
  bool operator<(const NumberEntry& o) const { return value < o.value || (value == o.value && recno < o.recno); }
};

double SortableDate(std::optional<TDateTime> day) {
  double v;
  const std::string key = DateKey(day);
  std::memcpy(&v, key.data(), 8);
  return std::isnan(v) ? 0.0 : v;
}

}  // namespace

std::vector<std::vector<IndexEntry>> TableFiles::EntriesFromRecords(const std::vector<int>& which) {
  const size_t n = which.size();
  std::vector<std::vector<NumberEntry>> numbers(n);
  std::vector<std::vector<IndexEntry>> out(n);
  std::vector<const KeyExpression*> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = &TagKey(which[i]);
  for (size_t i = 0; i < n; ++i) {
    if (tags[which[i]]->Info().keyType == KeyType::Character) out[i].reserve(header.recordCount);
    else numbers[i].reserve(header.recordCount);
  }
  // One pass over the records for every tag.
  for (std::uint32_t r = 1; r <= header.recordCount; ++r) {
    const char* rec = Record(r);
    if (rec[0] == '*') continue;
    for (size_t i = 0; i < n; ++i) {
      const int tag = which[i];
      const KeyExpression& key = *keys[i];
      switch (tags[tag]->Info().keyType) {
        case KeyType::Numeric: {
          const double v = key.NumberOf(rec);
          numbers[i].push_back({std::isnan(v) ? 0.0 : v, r});
          break;
        }
        case KeyType::Date:
          numbers[i].push_back({SortableDate(key.DateOf(rec)), r});
          break;
        default:
          out[i].push_back({KeyOf(tag, rec), r});
      }
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const IndexInfo& info = tags[which[i]]->Info();
    auto& entries = out[i];
    if (info.keyType == KeyType::Character) {
      const size_t len = static_cast<size_t>(info.keyLength);
      std::sort(entries.begin(), entries.end(), [len](const IndexEntry& a, const IndexEntry& b) {
        const int c = std::memcmp(a.key.data(), b.key.data(), len);
        return c < 0 || (c == 0 && a.recno < b.recno);
      });
    } else {
      auto& nums = numbers[i];
      std::sort(nums.begin(), nums.end());
      entries.reserve(nums.size());
      for (const auto& e : nums) {
        if (info.keyType == KeyType::Date) {
          std::string key(kDateKeyLength, '\0');
          std::memcpy(key.data(), &e.value, 8);
          entries.push_back({std::move(key), e.recno});
        } else {
          entries.push_back({NumericKey(e.value), e.recno});
        }
      }
      std::vector<NumberEntry>().swap(nums);
      if (info.keyType == KeyType::Numeric) {
        // Numbers that differ only past the key's precision share a key:
        // among those, record order decides.
        for (size_t a = 0; a < entries.size();) {
          size_t b = a + 1;
          while (b < entries.size() && entries[b].key == entries[a].key) ++b;
          if (b - a > 1)
            std::sort(entries.begin() + a, entries.begin() + b,
                      [](const IndexEntry& x, const IndexEntry& y) { return x.recno < y.recno; });
          a = b;
        }
      }
    }
    if (info.unique) {
      // A unique tag holds the first record of each key only.
      const KeyType type = info.keyType;
      const int len = info.keyLength;
      auto same = [type, len](const IndexEntry& a, const IndexEntry& b) {
        return CompareKeys(type, a.key.data(), b.key.data(), len) == 0;
      };
      entries.erase(std::unique(entries.begin(), entries.end(), same), entries.end());
    }
  }
  return out;
}

}  // namespace data
