#include "platform/Memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void ReturnFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void ShareOneHeap()
{
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
#endif
}

} // namespace platform
