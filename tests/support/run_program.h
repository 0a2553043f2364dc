// Runs a program in a process of its own and gathers what it wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

enum class Stdout { file, devFull, closed, pipeWithoutReader };

struct RunOptions {
  std::vector<std::string> args;
  std::vector<std::string> env;  // NAME=value, added to this process's own
  Stdout stdoutTo = Stdout::file;
  bool closeStdin = false;
};

struct RunResult {
  std::string out;
  std::string err;
  int exitStatus = -1;  // as a shell shows it: 128 + the signal that ended it
};

RunResult runProgram(const std::string& path, const RunOptions& options = {});

std::string readFile(const std::string& path);

// A fresh directory under the system's temporary one, removed with all it
// holds when this goes.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ScratchDirectory(ScratchDirectory&&) = delete;
  ScratchDirectory& operator=(ScratchDirectory&&) = delete;

  [[nodiscard]] std::string path(const std::string& name) const;

 private:
  std::filesystem::path directory_;
};

}  // namespace testing_support
