// The process's memory as the system counts it.
#pragma once

namespace platform {

// Hands memory that was freed back to the system where the allocator keeps it for reuse: after a
// phase that made and freed many small blocks, the next phase then starts from what is really in use.
void ReturnFreedMemory();

// Lets every thread allocate from one pool. The scan's threads mostly take turns (a listing made on
// one is freed on another), and with a pool per thread each keeps its own high-water mark.
void ShareOneHeap();

} // namespace platform
