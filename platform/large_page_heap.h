// The C heap on 2 MiB pages, where the kernel gives them on request.
#pragma once

namespace qm::platform {

// Moves the heap's next allocations to the start of a 2 MiB-aligned stretch that the kernel is
// asked to back with large pages. A start of the system builds its tables in a few hundred
// kilobytes of fresh memory; on a virtual machine each first touch of a 4 KiB page costs several
// microseconds, while one large page costs about as much as one small one. Call it first in main,
// before the heap holds much. Where the kernel gives no large pages on request, or the heap is
// not glibc's own (sanitizers, valgrind), nothing changes but glibc's thresholds. Memory is
// committed only where touched, as before.
void PlaceHeapOnLargePages();

}  // namespace qm::platform
