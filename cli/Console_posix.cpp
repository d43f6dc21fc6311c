#include "cli/Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// The streams carry bytes as they are, and arguments are the bytes given.
void UseBinaryStandardStreams() {}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void HoldClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Open for the other direction: reading standard input and writing the
    // others then fail with EBADF, as on the closed stream.
    const int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
    if (held >= 0 && held != fd) {
      ::dup2(held, fd);
      ::close(held);
    }
  }
}
