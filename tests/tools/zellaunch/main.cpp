// zellaunch: starts a program under conditions that the reliability tests
// cannot set from outside once it runs.
//
//   zellaunch [--fsize BYTES] [--user NAME] [--] PROGRAM [ARGS...]
//
//   --fsize BYTES  no file of the program may grow beyond BYTES (RLIMIT_FSIZE,
//                  soft and hard), and SIGXFSZ is ignored: a write past the
//                  limit then fails with EFBIG, as a write to a full disk
//                  fails, instead of killing the program.
//   --user NAME    runs the program as that user and its group (the caller
//                  must be root): root ignores file modes, so a read-only
//                  file or directory is read-only only for another user.
//
// Both settings pass through exec; PROGRAM is run by its path as given (no
// search). Exit codes: PROGRAM's own, 127 when it cannot be started, 2 on a
// usage error, 1 when a setting cannot be made.
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
  std::fprintf(stderr, "usage: zellaunch [--fsize BYTES] [--user NAME] [--] PROGRAM [ARGS...]\n");
  return 2;
}

bool ParseBytes(const char* text, rlim_t& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long v = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || text[0] == '-') return false;
  out = static_cast<rlim_t>(v);
  return true;
}

bool LimitFileSize(rlim_t bytes) {
  std::signal(SIGXFSZ, SIG_IGN);
  const struct rlimit limit {bytes, bytes};
  return ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

bool BecomeUser(const char* name) {
  const struct passwd* pw = ::getpwnam(name);
  if (!pw) return false;
  // Group first: once the user id is dropped the group can no longer change.
  return ::setgroups(0, nullptr) == 0 && ::setgid(pw->pw_gid) == 0 && ::setuid(pw->pw_uid) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  bool limitSize = false;
  rlim_t fsize = 0;
  const char* user = nullptr;
  for (; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a == "--fsize" && i + 1 < argc) {
      if (!ParseBytes(argv[++i], fsize)) return Usage();
      limitSize = true;
    } else if (a == "--user" && i + 1 < argc) {
      user = argv[++i];
    } else if (a.rfind("--", 0) == 0) {
      return Usage();
    } else {
      break;
    }
  }
  if (i >= argc) return Usage();

  if (limitSize && !LimitFileSize(fsize)) {
    std::fprintf(stderr, "zellaunch: cannot limit the file size: %s\n", std::strerror(errno));
    return 1;
  }
  if (user && !BecomeUser(user)) {
    std::fprintf(stderr, "zellaunch: cannot become %s: %s\n", user, std::strerror(errno));
    return 1;
  }
  ::execv(argv[i], argv + i);
  std::fprintf(stderr, "zellaunch: cannot start %s: %s\n", argv[i], std::strerror(errno));
  return 127;
}
