#pragma once
#include <string>

// quillar-data init DIR: creates the appointments and categories tables in
// DIR as the program does at start-up; tables already there are kept.
// Returns the exit status.
int InitCommand(const std::string& dir);
