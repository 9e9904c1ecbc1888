#pragma once

#include <cstddef>
#include <cstdint>

namespace tsuzuri::util {

// Buffers that the engine hands to decoders and plug-ins are 16-byte aligned
// so that vector loads may be used on them. They come from and go back to
// these two functions (plug-ins reach the release through `freeMemory`).
// A request of 0 bytes still returns a valid, unique block.
void* alignedAllocate(std::size_t size) noexcept;
void alignedFree(void* block) noexcept;

// A growing buffer that is reused while it is large enough and never shrinks.
// The pointer and capacity are plain fields because plug-ins receive their
// addresses and may read them; `capacity` is 0 when nothing is allocated or
// the last allocation failed.
struct GrowingBuffer {
  void* data = nullptr;
  std::uint32_t capacity = 0;

  GrowingBuffer() = default;
  GrowingBuffer(const GrowingBuffer&) = delete;
  GrowingBuffer& operator=(const GrowingBuffer&) = delete;
  ~GrowingBuffer() { alignedFree(data); }

  // Makes room for `size` bytes. Returns false (with the buffer released and
  // the capacity 0) when the allocation fails.
  bool reserve(std::uint32_t size) noexcept;
};

}  // namespace tsuzuri::util
