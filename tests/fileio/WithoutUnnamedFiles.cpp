// Runs a program as on a file system without unnamed files: every open
// asking for one (O_TMPFILE) is refused with EOPNOTSUPP, every other open
// goes through. strace can fail a call only by its number, which would also
// fail the opens of the path's folders; a seccomp filter can look at the
// flags. Exits with 77 where no filter can be installed (qemu-user, ...).
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>

namespace {

#if defined(__x86_64__)
constexpr unsigned NativeArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr unsigned NativeArch = AUDIT_ARCH_AARCH64;
#else
constexpr unsigned NativeArch = 0;
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s program [argument...]\n", argv[0]);
    return 2;
  }
#ifdef O_TMPFILE
  // The flags are the third argument; their low word is enough (little-endian).
  constexpr unsigned unnamed = O_TMPFILE & ~O_DIRECTORY;
  struct sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, NativeArch, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[2])),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, unnamed, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EOPNOTSUPP & SECCOMP_RET_DATA)),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  struct sock_fprog filter = {static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
  if (NativeArch == 0 || ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0) {
    std::perror("seccomp");
    return 77;
  }
#endif
  ::execv(argv[1], argv + 1);
  std::perror(argv[1]);
  return 127;
}
