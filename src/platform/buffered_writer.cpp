#include "platform/buffered_writer.h"

#include <algorithm>
#include <cstring>

namespace fennimar {

bool BufferedWriter::Append(const void* data, std::size_t size) {
  const char* in = static_cast<const char*>(data);
  while (size > 0 && ok_) {
    std::size_t take = std::min(size, kWriteBufferSize - used_);
    std::memcpy(buffer_.get() + used_, in, take);
    used_ += take;
    in += take;
    size -= take;
    if (used_ == kWriteBufferSize) Flush();
  }
  return ok_;
}

bool BufferedWriter::Commit(std::size_t size) {
  used_ += size;
  if (used_ == kWriteBufferSize) Flush();
  return ok_;
}

bool BufferedWriter::Flush() {
  if (used_ > 0 && ok_) {
    ok_ = file_.Write(buffer_.get(), used_) == static_cast<std::int64_t>(used_);
  }
  used_ = 0;
  return ok_;
}

}  // namespace fennimar
