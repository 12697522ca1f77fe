// quillmoor-run: the stand-alone runtime. It runs the program packed behind its own bytes.
#include <cstdio>

int main() {
  std::fprintf(stderr, "quillmoor-run: this executable holds no packed program\n");
  return 2;
}
