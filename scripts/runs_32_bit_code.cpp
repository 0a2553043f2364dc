// Whether this machine runs 32-bit x86 code inside a 64-bit process, as
// Wine's WoW64 mode does (docs/testing.md, "Wine"): a far call into Linux's
// 32-bit user code segment, then the i386 system call gate (int 0x80), then
// exit 0; either fault ends it with SIGSEGV. --far-call-only leaves out the
// gate. For x86-64 Linux alone, built with the host's compiler.
#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <string_view>

int main(int argc, char** argv) {
  // 32-bit code sees only the low 32 bits of addresses, so the code, its
  // stack and the far pointer all lie in one page below 4 GiB.
  void* mapped = mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (mapped == MAP_FAILED) {
    return 2;
  }
  auto* page = static_cast<unsigned char*>(mapped);
  const auto low = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mapped));
  const uint32_t stackTop = low + 4096;
  const uint32_t code32 = low + 0x20;
  const uint32_t farPointer = low + 0x40;
  const uint16_t user32CodeSelector = 0x23;
  // Back in 64-bit code it asks for its process id the i386 way and exits:
  // the other registers' upper halves need not have survived 32-bit code.
  unsigned char code64[] = {
      0xBC, 0,    0,    0, 0,        // mov esp, stackTop
      0xFF, 0x1C, 0x25, 0, 0, 0, 0,  // call far [farPointer]
      0xB8, 0x14, 0,    0, 0,        // mov eax, 20 (getpid, as i386 numbers it)
      0xCD, 0x80,                    // int 0x80
      0xB8, 0xE7, 0,    0, 0,        // mov eax, 231 (exit_group)
      0x31, 0xFF,                    // xor edi, edi
      0x0F, 0x05,                    // syscall
  };
  std::memcpy(code64 + 1, &stackTop, sizeof stackTop);
  std::memcpy(code64 + 8, &farPointer, sizeof farPointer);
  if (argc > 1 && std::string_view(argv[1]) == "--far-call-only") {
    code64[17] = code64[18] = 0x90;  // nop, nop
  }
  std::memcpy(page, code64, sizeof code64);
  page[0x20] = 0xCB;  // retf, as 32-bit code
  std::memcpy(page + 0x40, &code32, sizeof code32);
  std::memcpy(page + 0x44, &user32CodeSelector, sizeof user32CodeSelector);
  reinterpret_cast<void (*)()>(mapped)();
  return 3;
}
