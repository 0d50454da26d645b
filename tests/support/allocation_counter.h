// Counts every allocation of a test program through the global operator new, so that a test can
// show that a hot path allocates nothing. Defines the replacements: include in one source only.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace zav::test {

inline std::atomic<uint64_t> allocationCount{0};
inline std::atomic<uint64_t> allocatedByteCount{0};

inline uint64_t allocations() { return allocationCount.load(); }
// Bytes asked for in all (freed ones included).
inline uint64_t allocatedBytes() { return allocatedByteCount.load(); }

}  // namespace zav::test

// The replacements pair operator new with malloc and operator delete with free; once they
// are inlined, GCC sees free() on a pointer from operator new and would warn.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  ++zav::test::allocationCount;
  zav::test::allocatedByteCount += size;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
