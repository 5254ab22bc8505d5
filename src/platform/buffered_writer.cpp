#include "platform/buffered_writer.h"

#include <algorithm>
#include <cstring>

namespace fennimar {

Result<void> BufferedWriter::Append(const void* data, std::size_t size) {
  const char* in = static_cast<const char*>(data);
  while (size > 0 && ok()) {
    std::size_t take = std::min(size, kWriteBufferSize - used_);
    std::memcpy(buffer_.get() + used_, in, take);
    used_ += take;
    in += take;
    size -= take;
    if (used_ == kWriteBufferSize) (void)Flush();
  }
  return state_;
}

Result<void> BufferedWriter::Commit(std::size_t size) {
  used_ += size;
  if (used_ == kWriteBufferSize) (void)Flush();
  return state_;
}

Result<void> BufferedWriter::Flush() {
  if (used_ > 0 && ok()) state_ = file_.Write(buffer_.get(), used_);
  used_ = 0;
  return state_;
}

}  // namespace fennimar
