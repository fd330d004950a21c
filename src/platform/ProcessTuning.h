#pragma once

namespace tarnwick::platform {

// Process-wide settings the program makes once, before the application object exists.
// Qt's network thread allocates a fresh buffer of up to 256 KiB for every socket read. With glibc's
// default thresholds those pages go back to the kernel and fault in again on the next read, which
// dominated the cost of many parallel downloads; keeping a few MiB of freed heap avoids it.
void tuneMemoryAllocator();

} // namespace tarnwick::platform
