#pragma once
// Shared fixtures of the engine tests: a fresh folder per test, shell
// commands for the independent readers, and appointments in the table shape
// of app/TableSchemas.h.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/TableSchemas.h"
#include "data/Table.h"

namespace testdata {

inline std::string FreshFolder(const std::string& name) {
  const char* tmp = std::getenv("TMPDIR");
  std::filesystem::path p = std::filesystem::path(tmp ? tmp : "/tmp") / ("quillar-data-" + name);
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string() + "/";
}

// The standard output of a shell command (the independent readers).
inline std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe.get())) > 0) out.append(buf.data(), n);
  return out;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Writes `to` over the first `from` in the file (a tag expression of another
// program, say) and returns the file's new bytes; "" when `from` is not there.
inline std::string ReplaceInFile(const std::string& path, const std::string& from, const std::string& to) {
  std::string bytes = ReadAll(path);
  const size_t at = bytes.find(from);
  if (at == std::string::npos) return {};
  bytes.replace(at, to.size(), to);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return bytes;
}

inline void AddAppointment(data::Table& t, int id, TDateTime day, const std::string& subject,
                           const std::string& notes = "") {
  t.Append();
  t.FieldByName("ID").SetAsInteger(id);
  t.FieldByName("FECHA_INI").SetAsDate(day);
  t.FieldByName("FECHA_FIN").SetAsDate(day);
  t.FieldByName("HORA_INI").SetAsString("09:00");
  t.FieldByName("ASUNTO").SetAsString(subject);
  if (!notes.empty()) t.FieldByName("NOTAS").SetAsString(notes);
  ASSERT_TRUE(t.Post());
}

}  // namespace testdata
