// The program's global operator new: the standard behaviour (retry through
// the new-handler, then std::bad_alloc), plus a note of the size that could
// not be had, so that the fatal stop can name it.
#include <cstdlib>
#include <new>

#include "app/startup.h"

void* operator new(std::size_t bytes) {
  const std::size_t request = bytes == 0 ? 1 : bytes;
  for (;;) {
    if (void* block = std::malloc(request)) return block;
    if (std::new_handler handler = std::get_new_handler()) {
      handler();
      continue;
    }
    quorvane::noteFailedAllocation(bytes);
    throw std::bad_alloc();
  }
}

void* operator new[](std::size_t bytes) {
  return operator new(bytes);
}

void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}
