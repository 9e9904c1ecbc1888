#include "util/aligned_buffer.h"

#include <cstdlib>

namespace tsuzuri::util {

void* alignedAllocate(std::size_t size) noexcept {
  constexpr std::size_t kAlignment = 16;
  // aligned_alloc wants a multiple of the alignment; the guard keeps the
  // rounding from wrapping.
  if (size > SIZE_MAX - kAlignment) return nullptr;
  const std::size_t rounded =
      size == 0 ? kAlignment : (size + kAlignment - 1) / kAlignment * kAlignment;
  return std::aligned_alloc(kAlignment, rounded);
}

void alignedFree(void* block) noexcept {
  std::free(block);
}

bool GrowingBuffer::reserve(std::uint32_t size) noexcept {
  if (data != nullptr && capacity >= size) return true;
  alignedFree(data);
  data = alignedAllocate(size);
  capacity = data != nullptr ? size : 0;
  return data != nullptr;
}

}  // namespace tsuzuri::util
