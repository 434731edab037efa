// Holds a table open in its own process until its standard input closes, as
// another copy of the program working on the same data folder does.
#include <cstdio>
#include <exception>

#include "data/Table.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  try {
    data::Table t(argv[1], argv[2]);
    t.Open();
    std::puts("ready");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
