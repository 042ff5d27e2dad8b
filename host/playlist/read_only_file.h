// A local file as TagLib reads it, opened read-only. TagLib's own stream opens files for writing
// when it may, and asks the system for every seek and every length; this one keeps a window of
// the file in memory and knows the length from the one status taken at opening, so that reading
// a file's tags costs an open, a status and a read or two.
#pragma once

#include <taglib/tiostream.h>

#include <memory>
#include <string>

namespace tessaly {

class ReadOnlyFile : public TagLib::IOStream {
public:
  // Opens path; error() tells why it cannot be read. Only a regular file is read: a pipe or a
  // device would never end or never answer.
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile() override;
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Empty when the file is open, else the reason.
  const std::string& error() const { return error_; }
  // Every byte handed over draws on a budget, and the read that would cross it is cut there: a
  // tag that declares a huge size (a picture of 100 MB in an ID3v2 tag, or in a Xiph comment over
  // a thousand Ogg pages) is read only that far, and what lies before the cut still counts. Past
  // the budget, reserve bytes more serve the few reads that find the audio after such a tag; then
  // nothing more is read. Unlimited until called.
  void set_budget(unsigned long bytes, unsigned long reserve) {
    budget_ = bytes;
    reserve_ = reserve;
  }
  // True once a read was cut short by the budget.
  bool over_budget() const { return over_budget_; }

  TagLib::FileName name() const override { return path_.c_str(); }
  TagLib::ByteVector readBlock(unsigned long length) override;
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return fd_ >= 0; }
  void seek(long offset, Position from = Beginning) override;
  long tell() const override { return position_; }
  long length() override { return size_; }
  void truncate(long) override {}

private:
  // Reads up to size bytes at offset into to; the count read, 0 at the end or on an error.
  size_t read_at(char* to, size_t size, long offset);

  std::string path_;
  std::string error_;
  int fd_ = -1;
  long size_ = 0;
  long position_ = 0;
  std::unique_ptr<char[]> window_; // window_size_ bytes from window_start_
  size_t window_size_ = 0;
  long window_start_ = 0;
  unsigned long budget_ = static_cast<unsigned long>(-1);
  unsigned long reserve_ = 0;
  bool over_budget_ = false;
};

} // namespace tessaly
