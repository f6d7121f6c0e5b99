#pragma once
// Counters of the blocks that operator new hands out, in every program that
// links this file (it replaces the global operator new and delete). Memory that
// C libraries take with malloc is not counted.

#include <cstddef>

namespace velmora {
inline namespace benchmarks {

struct HeapCounts {
    // Calls of operator new since the program started.
    std::size_t allocations = 0;
    // Bytes in blocks not yet deleted.
    std::size_t bytesInUse = 0;
    // The largest bytesInUse since the last resetHeapPeak.
    std::size_t peakBytes = 0;
};

HeapCounts heapCounts();
// Starts a new peak at the bytes now in use.
void resetHeapPeak();

}  // namespace benchmarks
}  // namespace velmora
