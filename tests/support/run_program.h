// Runs a program in a process of its own and gathers what it wrote.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

enum class Stdout { file, devFull, closed };

struct RunOptions {
  std::vector<std::string> args;
  std::vector<std::string> env;  // NAME=value, added to this process's own
  Stdout stdoutTo = Stdout::file;
  bool closeStdin = false;
};

struct RunResult {
  std::string out;
  std::string err;
  int exitStatus = -1;  // -1 unless it exited normally
};

RunResult runProgram(const std::string& path, const RunOptions& options = {});

std::string readFile(const std::string& path);

// A file name in a fresh scratch directory, removed with the process's others.
std::string scratchPath(const std::string& name);

}  // namespace testing_support
