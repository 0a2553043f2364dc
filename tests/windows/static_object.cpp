// A program with a static object: the start-up must construct it before main
// and destroy it at exit, after main's output and before the streams close.
#include <stdio.h>

namespace {

struct Traced {
  Traced() { printf("constructed\n"); }
  ~Traced() { printf("destroyed\n"); }
  Traced(const Traced&) = delete;
  Traced& operator=(const Traced&) = delete;
  Traced(Traced&&) = delete;
  Traced& operator=(Traced&&) = delete;
};

const Traced traced;

}  // namespace

int main() {
  printf("main\n");
  return 0;
}
