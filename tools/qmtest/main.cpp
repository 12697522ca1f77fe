// qmtest: the conformance runner. Compiles and runs BASIC programs (.qma files, or every .qma file
// under the folders given) headless and checks the expectations written in their REM lines.
// Prints "PASS <file>" or "FAIL <file>: <what differed>" per program and a count at the end;
// exits non-zero when any program failed.
//
// Each program runs in a child process of its own, so one that crashes or hangs the system fails
// alone and the others still run.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/qmtest/expectations.h"
#include "tools/qmtest/program_run.h"

namespace {

namespace fs = std::filesystem;
using qm::qmtest::CheckProgram;

// A child that has not answered this long after its own run limit is taken as hung.
constexpr double kHangAllowanceSeconds = 60.0;

bool IsProgramFile(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".qma";
}

std::vector<std::string> CollectPrograms(int argc, char** argv, bool& missing) {
  std::vector<std::string> programs;
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    std::error_code error;
    if (fs::is_directory(path, error)) {
      std::vector<std::string> found;
      for (const auto& entry : fs::recursive_directory_iterator(path, error)) {
        if (entry.is_regular_file() && IsProgramFile(entry.path())) found.push_back(entry.path().string());
      }
      std::sort(found.begin(), found.end());
      programs.insert(programs.end(), found.begin(), found.end());
    } else if (fs::is_regular_file(path, error)) {
      programs.push_back(path.string());
    } else {
      std::fprintf(stderr, "qmtest: %s: no such file or folder\n", argv[i]);
      missing = true;
    }
  }
  return programs;
}

double LimitOf(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  const std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return qm::qmtest::ReadExpectations(source).limitSeconds;
}

// Runs one program's check in a child process and returns its verdict.
std::string CheckInChild(const std::string& path) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "cannot create a pipe";
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child < 0) return "cannot start a process";
  if (child == 0) {
    close(pipeEnds[0]);
    const std::string verdict = CheckProgram(path);
    const ssize_t written = write(pipeEnds[1], verdict.data(), verdict.size());
    _exit(written == static_cast<ssize_t>(verdict.size()) ? 0 : 1);
  }
  close(pipeEnds[1]);
  std::string verdict;
  const int waitMs = static_cast<int>((LimitOf(path) + kHangAllowanceSeconds) * 1000);
  bool hung = false;
  pollfd reader{pipeEnds[0], POLLIN, 0};
  for (;;) {
    if (poll(&reader, 1, waitMs) <= 0) {
      hung = true;
      kill(child, SIGKILL);
      break;
    }
    char buffer[4096];
    const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
    if (count <= 0) break;
    verdict.append(buffer, static_cast<std::size_t>(count));
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (hung) return "the run did not come back (killed)";
  if (WIFSIGNALED(status)) return "crashed with signal " + std::to_string(WTERMSIG(status));
  if (verdict.empty())
    return "the run gave no verdict (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
  return verdict;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: qmtest <program.qma | folder> ...\n");
    return 2;
  }
  std::string startError;
  if (!qm::qmtest::StartRunner(startError)) {
    std::fprintf(stderr, "qmtest: %s\n", startError.c_str());
    return 2;
  }
  bool missing = false;
  const std::vector<std::string> programs = CollectPrograms(argc, argv, missing);
  int passed = 0;
  int failed = missing ? 1 : 0;
  for (const std::string& program : programs) {
    const std::string verdict = CheckInChild(program);
    if (verdict == "PASS") {
      std::printf("PASS %s\n", program.c_str());
      ++passed;
    } else {
      std::printf("FAIL %s: %s\n", program.c_str(), verdict.c_str());
      ++failed;
    }
    std::fflush(stdout);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed > 0 ? 1 : 0;
}
