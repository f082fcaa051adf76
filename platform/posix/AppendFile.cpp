#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Path.h"
#include "util/TornLine.h"

namespace {
void (*gBeforeTakeBack)() = nullptr;
}  // namespace

int Plat_AppendOpen(std::string_view systemPath) {
  const std::string path = Plat_NativePath(systemPath);
  // Read access lets a writer see a line that another, killed writer left
  // unfinished; a file this account may only write is still appended to.
  for (const int access : {O_RDWR, O_WRONLY}) {
    int fd;
    do {
      fd = ::open(path.c_str(), access | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EACCES) return fd;
  }
  return -1;
}

namespace {

// The writers of these files hold the file's lock for each write, and only
// for it, so that a take-back never meets bytes another writer appended
// between its check and its cut.
bool Lock(int handle) {
  for (;;) {
    if (::flock(handle, LOCK_EX) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// A write that stopped part-way (a full disk, a file-size limit) leaves the
// start of a line, which the next line written would continue: a torn line.
// When the file still ends where this call's bytes end, they are cut off
// again; when it grew meanwhile (a writer that does not take the lock), the
// tail is left alone.
void TakeBackPartialWrite(int handle, off_t start, std::size_t written) {
  struct stat st {};
  if (::fstat(handle, &st) != 0 || st.st_size != start + static_cast<off_t>(written)) return;
  if (gBeforeTakeBack) gBeforeTakeBack();
  if (::ftruncate(handle, start) == 0) ::fdatasync(handle);
}

// A writer killed while the kernel copied its line into the file can leave
// only the line's first part (the copy goes page by page and stops at a fatal
// signal); the next line would continue it. Every writer of these files
// writes whole lines, so a file that does not end with a line feed ends with
// such a part: it is cut back to the last line end, under the lock, before
// this writer appends. Without read access, or when no line end is found in
// the last few kilobytes, the file is left as it is.
void TakeBackTornLine(int handle) {
  struct stat st {};
  if (::fstat(handle, &st) != 0 || st.st_size == 0) return;
  char last = 0;
  if (::pread(handle, &last, 1, st.st_size - 1) != 1 || last == '\n') return;
  constexpr off_t kTail = static_cast<off_t>(kTornLineTailBytes);
  const off_t from = st.st_size > kTail ? st.st_size - kTail : 0;
  std::string tail(static_cast<std::size_t>(st.st_size - from), '\0');
  if (::pread(handle, tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size())) return;
  const std::size_t torn = TornLineStart(tail, from == 0);
  if (torn == std::string::npos) return;
  if (::ftruncate(handle, from + static_cast<off_t>(torn)) == 0) ::fdatasync(handle);
}

}  // namespace

bool Plat_AppendWrite(int handle, const void* data, std::size_t length) {
  // Without the lock (a file system that refuses it) the line is still
  // written, but a part cut off cannot be taken back safely and stays.
  const bool locked = Lock(handle);
  if (locked) TakeBackTornLine(handle);
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  off_t start = -1;  // where this call's bytes begin, once a write fell short
  // A regular file takes the whole block in one write; the loop only matters
  // after a signal or on a full disk.
  while (done < length) {
    const ssize_t n = ::write(handle, bytes + done, length - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (locked && start >= 0) TakeBackPartialWrite(handle, start, done);
      break;
    }
    // O_APPEND put the bytes at the end and moved the offset behind them.
    if (done == 0 && static_cast<std::size_t>(n) < length) start = ::lseek(handle, 0, SEEK_CUR) - n;
    done += static_cast<std::size_t>(n);
  }
  if (locked) ::flock(handle, LOCK_UN);
  return done == length;
}

void Plat_AppendClose(int handle) { ::close(handle); }

void Plat_SetBeforeTakeBackForTest(void (*hook)()) { gBeforeTakeBack = hook; }
