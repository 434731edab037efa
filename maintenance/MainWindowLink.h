#pragma once
// What the maintenance windows need of the main window: its appointments
// table closed while they rewrite the data files and its periodic refresh
// stopped meanwhile. The main window fills these in; an empty function is
// skipped, so a window can also run on its own (the command-line companion,
// the tests).

#include <functional>

struct MainWindowLink {
  std::function<void()> CloseTable;    // close tblAgenda
  std::function<void()> OpenTable;     // open tblAgenda again
  std::function<void()> StopRefresh;   // stop tmrRefresh
  std::function<void()> StartRefresh;  // start tmrRefresh again
  std::function<void()> Refresh;       // run tmrRefreshTimer now

  static void Run(const std::function<void()>& f) {
    if (f) f();
  }
};
