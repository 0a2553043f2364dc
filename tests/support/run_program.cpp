#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace testing_support {
namespace {

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  pointers.reserve(strings.size() + 1);
  std::transform(strings.begin(), strings.end(), std::back_inserter(pointers),
                 [](std::string& s) { return s.data(); });
  pointers.push_back(nullptr);
  return pointers;
}

void check(int result, const char* what) {
  if (result != 0) {
    throw std::runtime_error(what);
  }
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string scratchPath(const std::string& name) {
  static const std::filesystem::path directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "osver-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("mkdtemp");
    }
    if (std::atexit([] { std::filesystem::remove_all(directory); }) != 0) {
      throw std::runtime_error("atexit");
    }
    return std::filesystem::path(pattern);
  }();
  return (directory / name).string();
}

RunResult runProgram(const std::string& path, const RunOptions& options) {
  static int runs = 0;
  const std::string outPath = scratchPath("out" + std::to_string(++runs));
  const std::string errPath = outPath + ".err";

  posix_spawn_file_actions_t actions;
  check(posix_spawn_file_actions_init(&actions), "file actions");
  const int writeFlags = O_WRONLY | O_CREAT | O_TRUNC;
  switch (options.stdoutTo) {
    case Stdout::file:
      check(posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), writeFlags, 0600),
            "stdout");
      break;
    case Stdout::devFull:
      check(posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0), "stdout");
      break;
    case Stdout::closed:
      check(posix_spawn_file_actions_addclose(&actions, 1), "stdout");
      break;
  }
  check(posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), writeFlags, 0600), "stderr");
  if (options.closeStdin) {
    check(posix_spawn_file_actions_addclose(&actions, 0), "stdin");
  }

  std::vector<std::string> argStrings{path};
  argStrings.insert(argStrings.end(), options.args.begin(), options.args.end());
  std::vector<std::string> envStrings;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    envStrings.emplace_back(*entry);
  }
  envStrings.insert(envStrings.end(), options.env.begin(), options.env.end());
  std::vector<char*> argv = pointersTo(argStrings);
  std::vector<char*> envp = pointersTo(envStrings);

  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, path.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  check(spawned, "posix_spawn");
  int status = 0;
  if (waitpid(child, &status, 0) != child) {
    throw std::runtime_error("waitpid");
  }

  RunResult result;
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace testing_support
