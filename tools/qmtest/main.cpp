// qmtest: the conformance runner. Compiles and runs BASIC programs (.qma files, or every .qma file
// under the folders given) headless and checks the expectations written in their REM lines.
// Prints "PASS <file>" or "FAIL <file>: <what differed>" per program and a count at the end;
// exits non-zero when any program failed.
//
// Each program is read, compiled and run in a child process of its own, so one that cannot be
// read, crashes or hangs the system fails alone and the others still run.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
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

// The child's first line: "LIMIT <seconds>", sent once it has read the program's expectations.
// The parent never reads a program itself, so a file that cannot be read fails in its own child.
constexpr std::string_view kLimitLine = "LIMIT ";

void SendLimit(int fd, double limitSeconds) {
  const std::string line = std::string(kLimitLine) + std::to_string(limitSeconds) + "\n";
  const ssize_t written = write(fd, line.data(), line.size());
  (void)written;  // a lost line only leaves the parent with its first wait
}

// Takes the limit line off the front of what the child sent, once it is whole; the rest is the
// verdict. True when the line was taken.
bool TakeLimitLine(std::string& received, double& limitSeconds) {
  const std::size_t end = received.find('\n');
  if (received.compare(0, kLimitLine.size(), kLimitLine) != 0 || end == std::string::npos) return false;
  limitSeconds = std::strtod(received.c_str() + kLimitLine.size(), nullptr);
  // Kept to what a deadline can hold (a NaN or a negative limit waits the allowance alone).
  limitSeconds = limitSeconds > 0 ? std::min(limitSeconds, qm::qmtest::kLongestLimitSeconds) : 0;
  received.erase(0, end + 1);
  return true;
}

using Clock = std::chrono::steady_clock;

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
    const std::string verdict = CheckProgram(path, [&](double limit) { SendLimit(pipeEnds[1], limit); });
    const ssize_t written = write(pipeEnds[1], verdict.data(), verdict.size());
    _exit(written == static_cast<ssize_t>(verdict.size()) ? 0 : 1);
  }
  close(pipeEnds[1]);
  std::string received;
  bool limitKnown = false;
  // Until the child says its limit, it has the allowance alone to read the program.
  const Clock::time_point start = Clock::now();
  Clock::time_point deadline = start + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(kHangAllowanceSeconds));
  bool hung = false;
  pollfd reader{pipeEnds[0], POLLIN, 0};
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || poll(&reader, 1, static_cast<int>(left.count())) <= 0) {
      hung = true;
      kill(child, SIGKILL);
      break;
    }
    char buffer[4096];
    const ssize_t count = read(pipeEnds[0], buffer, sizeof buffer);
    if (count <= 0) break;
    received.append(buffer, static_cast<std::size_t>(count));
    double limitSeconds = 0;
    if (!limitKnown && TakeLimitLine(received, limitSeconds)) {
      limitKnown = true;
      deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(limitSeconds + kHangAllowanceSeconds));
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (hung) return "the run did not come back (killed)";
  if (WIFSIGNALED(status)) return "crashed with signal " + std::to_string(WTERMSIG(status));
  if (received.empty())
    return "the run gave no verdict (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
  return received;
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
