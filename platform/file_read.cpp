// Reading a whole file with an upper size limit.
#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

FileReadResult ReadWholeFile(std::string_view path, uint64_t maxBytes, std::string& out) {
  out.clear();
  if (path.empty()) return FileReadResult::OpenFailed;
  const std::string p(path);
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? FileReadResult::NotFound : FileReadResult::OpenFailed;
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return FileReadResult::OpenFailed;
  if (st.st_size < 0 || uint64_t(st.st_size) > maxBytes) return FileReadResult::TooLarge;
  try {
    out.resize(size_t(st.st_size));
  } catch (const std::bad_alloc&) {
    out.clear();
    return FileReadResult::ReadFailed;
  }
  size_t got = 0;
  while (got < out.size()) {
    ssize_t n = ::read(fd, out.data() + got, out.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return FileReadResult::ReadFailed;
    }
    if (n == 0) break;  // the file shrank: keep what is there
    got += size_t(n);
  }
  out.resize(got);
  // One more byte means the file grew past its measured size.
  char extra;
  ssize_t n;
  do n = ::read(fd, &extra, 1);
  while (n < 0 && errno == EINTR);
  if (n < 0) {
    out.clear();
    return FileReadResult::ReadFailed;
  }
  if (n > 0) {
    out.clear();
    return uint64_t(got) + 1 > maxBytes ? FileReadResult::TooLarge : FileReadResult::ReadFailed;
  }
  return FileReadResult::Ok;
}
