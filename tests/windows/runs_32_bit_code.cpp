// Whether this machine runs 32-bit x86 code inside a 64-bit process, as
// Wine's WoW64 mode does: a far call into Linux's 32-bit user code segment,
// to code that returns at once. Exits 0 once back; a machine that offers no
// such segment (some virtual machines run 64-bit user code only) ends the
// process with SIGSEGV. For x86-64 Linux alone: the tests build it with the
// host's compiler.
#include <sys/mman.h>

#include <cstdint>
#include <cstring>

int main() {
  // The 32-bit code must lie below 4 GiB: a page there holds `retf`, then
  // the far pointer to it, an offset and the segment's selector.
  void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (page == MAP_FAILED) {
    return 2;
  }
  auto* bytes = static_cast<unsigned char*>(page);
  bytes[0] = 0xCB;  // retf
  const auto offset = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(page));
  const uint16_t user32CodeSelector = 0x23;
  std::memcpy(bytes + 8, &offset, sizeof offset);
  std::memcpy(bytes + 12, &user32CodeSelector, sizeof user32CodeSelector);
  // The call pushes below the stack pointer: step over the red zone first.
  __asm__ volatile("sub $128, %%rsp\n\tlcall *(%0)\n\tadd $128, %%rsp"
                   :
                   : "r"(bytes + 8)
                   : "memory");
  return 0;
}
