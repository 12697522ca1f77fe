// quillmoor: the whole system (editor, compiler, runtime and executable builder).
#include <cstdio>

extern "C" const unsigned char qm_runtime_image[];
extern "C" const unsigned long long qm_runtime_image_size;

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    std::printf("Quillmoor (runtime image %llu bytes)\n", qm_runtime_image_size);
    return 0;
  }
  std::fprintf(stderr, "quillmoor: compiling programs is not built yet\n");
  return 1;
}
