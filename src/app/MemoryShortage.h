#pragma once
// Memory as an app that runs all day uses it: a small reach into the address space, and when
// memory runs out all the same, the cat saved before the app ends.
#include <functional>

namespace kp {

// First thing in main, before any thread starts. The C library gives each thread that allocates a
// pool of its own, each reserving 64 MB of address space: a dozen threads reserved a gigabyte for
// tens of megabytes used, and the app failed under a limit on its address space. Two pools serve
// its few threads, which seldom allocate at the same moment. Threads made without a stack size of
// their own get 2 MB instead of the main thread's 8.
void keepAddressSpaceSmall();

// From here on a failed allocation (operator new, or a std::bad_alloc no one catches, as the
// toolkit's containers throw) ends the app rather than aborting it wherever it happened: a reserve
// of address space kept for that moment is given back, `save` runs once on the main thread (a
// thread that ran out asks it to, and waits) and the app exits with status 1. Needs the
// application object; `save` keeps for the rest of the run.
void saveAndExitWhenMemoryRunsOut(std::function<void()> save);

}  // namespace kp
