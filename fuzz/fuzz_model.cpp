// libFuzzer entry point: the input is a model file.

#include <cstddef>
#include <cstdint>

#include "fuzz/harness.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    abortOnFaults(runModelFile({reinterpret_cast<const char*>(data), size}));
    return 0;
}
