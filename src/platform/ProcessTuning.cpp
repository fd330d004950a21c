#include "platform/ProcessTuning.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace tarnwick::platform {

void tuneMemoryAllocator()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    mallopt(M_TRIM_THRESHOLD, 8 << 20);
#endif
}

} // namespace tarnwick::platform
