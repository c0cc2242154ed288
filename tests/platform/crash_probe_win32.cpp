// A program that crashes in a thread of its own, where no test framework
// catches anything: its exit status must say so.

#include <cstdio>
#include <thread>

int main() {
  std::thread crashing([] {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
  });
  crashing.join();
  std::puts("still running after the crash");
  return 0;
}
