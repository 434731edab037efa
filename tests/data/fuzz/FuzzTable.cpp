// libFuzzer target: a table's three files from one input, opened and read
// through every path of the engine. Hostile bytes must give DbError, never a
// crash, a hang or a write outside the table's own files.
//
// Input: three little-endian u32 lengths, then the .DBF, .DBT and .MDX bytes
// (a length of zero leaves that file out).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/Table.h"

namespace {

std::string Folder() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string f = std::string(tmp ? tmp : "/tmp") + "/quillar-fuzz-" + std::to_string(getpid()) + "/";
    std::filesystem::create_directories(f);
    return f;
  }();
  return folder;
}

void Put(const std::string& path, const uint8_t* data, size_t n, bool present) {
  std::filesystem::remove(path);
  if (!present) return;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
}

void Exercise(data::Table& t) {
  for (t.First(); !t.Eof(); t.Next())
    for (int i = 0; i < t.FieldCount(); ++i) (void)t.FieldByNumber(i).AsString();
  for (const auto& tag : t.Tags()) {
    t.SetIndexName(tag.name);
    int n = 0;
    for (t.First(); !t.Eof() && n < 100000; t.Next(), ++n) (void)t.RecNo();
    for (t.Last(); !t.Bof() && n < 200000; t.Prior(), ++n) (void)t.RecNo();
    t.FindNearest(data::KeyValue("M"));
    (void)t.FindKey(data::KeyValue(1));
  }
  t.SetIndexName("");
  (void)t.Verify();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 12) return 0;
  uint32_t len[3];
  for (int i = 0; i < 3; ++i) std::memcpy(&len[i], data + 4 * i, 4);
  size_t offset = 12;
  const std::string folder = Folder();
  const char* names[3] = {"T.DBF", "T.DBT", "T.MDX"};
  for (int i = 0; i < 3; ++i) {
    size_t n = std::min<size_t>(len[i], size - offset);
    Put(folder + names[i], data + offset, n, len[i] != 0);
    offset += n;
  }
  try {
    data::Table t(folder, "T");
    t.Open(data::OpenMode::ReadOnly);
    Exercise(t);
  } catch (const data::DbError&) {
  }
  try {
    // Writing: the engine may rebuild the index and add a record, in its own files only.
    data::Table t(folder, "T");
    t.Open(data::OpenMode::Exclusive);
    t.Append();
    if (t.FieldCount() > 0) t.FieldByNumber(0).SetAsString("1");
    t.Post();
    Exercise(t);
  } catch (const data::DbError&) {
  }
  return 0;
}
