#include "platform/desktop_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <vector>

namespace tsuzuri::platform {
namespace {

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

// The program's path: as given when it holds a slash, else the first
// executable of that name in the folders of PATH.
std::optional<std::string> findProgram(const std::string& name) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (isExecutableFile(name)) return name;
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  const std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string_view::npos) end = folders.size();
    // An empty entry of PATH is the current folder.
    std::string folder(folders.substr(start, end - start));
    if (folder.empty()) folder = ".";
    std::string candidate = folder + "/" + name;
    if (isExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

void writeError(int fd, int error) {
  if (::write(fd, &error, sizeof error) < 0) {
    // Nothing is left to do when the parent cannot be told.
  }
}

// Starts `program` with `arguments` as the child of a child that ends at
// once, so that the program belongs to init and leaves no zombie behind.
// True once the program has replaced the child, as told by the close of a
// close-on-exec pipe without a word on it. Only async-signal-safe calls
// run between fork and exec: the engine has other threads.
bool spawnDetached(const std::string& program, std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild < 0) {
      writeError(report[1], errno);
      ::_exit(1);
    }
    if (grandchild > 0) ::_exit(0);
    // The opener must not read from the terminal the game was started in.
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing >= 0) {
      ::dup2(nothing, STDIN_FILENO);
      if (nothing != STDIN_FILENO) ::close(nothing);
    }
    ::execv(program.c_str(), argv.data());
    writeError(report[1], errno);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got = 0;
  do {
    got = ::read(report[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  return got == 0;
}

}  // namespace

bool isUrl(std::string_view target) {
  const std::size_t colon = target.find(':');
  if (colon == std::string_view::npos || colon < 2 || !isAsciiLetter(target[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = target[i];
    if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
      return false;
    }
  }
  return true;
}

std::int32_t openWithProgram(std::string_view target, const std::string& opener) {
  std::string argument(target);
  if (!isUrl(target)) {
    struct stat info {};
    if (argument.empty() || ::stat(argument.c_str(), &info) != 0) return kOpenFileNotFound;
    // A relative name starting with '-' would be read as an option.
    if (argument.front() == '-') argument.insert(0, "./");
  }
  const std::optional<std::string> program = findProgram(opener);
  if (!program) return kOpenNoAssociation;
  std::vector<std::string> arguments{opener, argument};
  return spawnDetached(*program, arguments) ? kOpenStarted : kOpenNoAssociation;
}

}  // namespace tsuzuri::platform
