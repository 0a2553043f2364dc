#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
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
  // Not const: exec takes vectors of char*.
  // cppcheck-suppress constParameterReference
  const auto data = [](std::string& text) { return text.data(); };
  std::ranges::transform(strings, std::back_inserter(pointers), data);
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
  const std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "osver-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp");
  }
  directory_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::string ScratchDirectory::path(const std::string& name) const {
  return (directory_ / name).string();
}

RunResult runProgram(const std::string& path, const RunOptions& options) {
  const ScratchDirectory scratch;
  const std::string outPath = scratch.path("out");
  const std::string errPath = scratch.path("err");

  std::array<int, 2> pipeEnds{-1, -1};
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
    case Stdout::pipeWithoutReader:
      // The reader is gone before the program writes a byte.
      check(pipe2(pipeEnds.data(), O_CLOEXEC), "pipe");
      close(pipeEnds[0]);
      check(posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1), "stdout");
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

  // Signals as a shell leaves them, whatever this process does with them.
  posix_spawnattr_t attributes;
  check(posix_spawnattr_init(&attributes), "spawn attributes");
  sigset_t everySignal;
  sigfillset(&everySignal);
  check(posix_spawnattr_setsigdefault(&attributes, &everySignal), "signal defaults");
  check(posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF), "spawn flags");

  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, path.c_str(), &actions, &attributes, argv.data(), envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeEnds[1] != -1) {
    close(pipeEnds[1]);
  }
  check(spawned, "posix_spawn");
  int status = 0;
  if (waitpid(child, &status, 0) != child) {
    throw std::runtime_error("waitpid");
  }

  RunResult result;
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.exitStatus = 128 + WTERMSIG(status);
  }
  return result;
}

}  // namespace testing_support
