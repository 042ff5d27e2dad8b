#include "playlist/read_only_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace tessaly {
namespace {

// Tags and stream headers sit together at a file's start: one read brings most of them.
constexpr size_t kWindow = 64 * 1024;

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string& path) : path_(path) {
  // O_NONBLOCK: opening a pipe that has no writer must not wait for one.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error_ = std::strerror(errno);
    return;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    error_ = std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    error_ = "is a folder";
  } else if (!S_ISREG(info.st_mode)) {
    error_ = "not a regular file";
  } else if (info.st_size == 0) {
    error_ = "empty file";
  } else {
    fd_ = fd;
    size_ = info.st_size;
    return;
  }
  ::close(fd);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (fd_ >= 0)
    ::close(fd_);
}

size_t ReadOnlyFile::read_at(char* to, size_t size, long offset) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd_, to + done, size - done, offset + static_cast<long>(done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      break;
    done += static_cast<size_t>(n);
  }
  return done;
}

TagLib::ByteVector ReadOnlyFile::readBlock(unsigned long length) {
  if (fd_ < 0 || position_ >= size_ || length == 0)
    return {};
  // A length read from a damaged header may be anything: no more than the file holds is read.
  size_t wanted = static_cast<size_t>(
      std::min<unsigned long>({length, static_cast<unsigned long>(size_ - position_),
                               std::numeric_limits<unsigned>::max()}));
  if (wanted <= budget_) {
    budget_ -= wanted;
  } else {
    over_budget_ = true;
    if (budget_ > 0) {
      wanted = budget_;
      budget_ = 0;
    } else {
      wanted = std::min<size_t>(wanted, reserve_);
      reserve_ -= wanted;
      if (wanted == 0)
        return {};
    }
  }
  long window_end = window_start_ + static_cast<long>(window_size_);
  if (wanted >= kWindow) {
    TagLib::ByteVector block(static_cast<unsigned int>(wanted), '\0');
    size_t got = read_at(block.data(), wanted, position_);
    if (got < wanted)
      block.resize(static_cast<unsigned int>(got));
    position_ += static_cast<long>(got);
    return block;
  }
  if (position_ < window_start_ || position_ + static_cast<long>(wanted) > window_end) {
    if (!window_)
      window_.reset(new char[kWindow]); // no zeros: every byte served is read first
    window_size_ =
        read_at(window_.get(), std::min<size_t>(kWindow, static_cast<size_t>(size_ - position_)),
                position_);
    window_start_ = position_;
  }
  // One copy, straight from the window into TagLib's vector.
  size_t offset = static_cast<size_t>(position_ - window_start_);
  size_t got = std::min(wanted, window_size_ - std::min(offset, window_size_));
  position_ += static_cast<long>(got);
  return TagLib::ByteVector(window_.get() + offset, static_cast<unsigned int>(got));
}

// As a stdio stream seeks: past the end is allowed, before the start is refused.
void ReadOnlyFile::seek(long offset, Position from) {
  long base = from == Beginning ? 0 : from == Current ? position_ : size_;
  long to = 0;
  if (__builtin_add_overflow(base, offset, &to) || to < 0)
    return;
  position_ = to;
}

} // namespace tessaly
