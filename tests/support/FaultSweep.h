#pragma once
// Sweeps of a write path over every I/O point of the engine's file layer:
// the operation is counted once, then run again with the N-th point failing
// (as a full disk or a failing device does) or with the process ending
// there (as a crash does, in a child process), for every N.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "data/FileIo.h"

namespace sweep {

// How many I/O points `op` passes.
inline long CountIoPoints(const std::function<void()>& op) {
  data::SetIoFaultPlan({});
  op();
  const long n = data::IoPointsSoFar();
  data::SetIoFaultPlan({});
  return n;
}

// Runs `op` with point n failing with `error`; what op raised is its own
// business (the caller checks the files).
inline void RunWithFailureAt(long n, int error, const std::function<void()>& op) {
  data::SetIoFaultPlan({n, error, false});
  try {
    op();
  } catch (...) {
  }
  data::SetIoFaultPlan({});
}

// Runs `op` in a child process that ends at point n; true when it did end
// there (false: op finished first).
inline bool RunWithCrashAt(long n, const std::function<void()>& op) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    data::SetIoFaultPlan({n, EIO, true});
    try {
      op();
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 86;
}

// A fresh copy of the folder `from` (files only) at `to`.
inline void CopyFolder(const std::string& from, const std::string& to) {
  std::filesystem::remove_all(to);
  std::filesystem::create_directories(to);
  for (const auto& e : std::filesystem::directory_iterator(from))
    if (e.is_regular_file()) std::filesystem::copy_file(e.path(), std::filesystem::path(to) / e.path().filename());
}

}  // namespace sweep
