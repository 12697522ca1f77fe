// One random generator per thread (see random.h).
#include "runtime/random.h"

namespace qm {

RandomGenerator& ThreadRandom() {
  thread_local RandomGenerator generator;
  return generator;
}

}  // namespace qm
