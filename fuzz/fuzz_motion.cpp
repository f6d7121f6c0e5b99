// libFuzzer entry point: the input is the motion file of a fixed model.

#include <cstddef>
#include <cstdint>

#include "fuzz/harness.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    abortOnFaults(runMotionFile({reinterpret_cast<const char*>(data), size}));
    return 0;
}
