#include "platform/Memory.h"

#include <malloc.h>

namespace platform {

void ReturnFreedMemory()
{
    _heapmin();
}

void ShareOneHeap()
{
    // The process heap is already one pool for every thread.
}

} // namespace platform
