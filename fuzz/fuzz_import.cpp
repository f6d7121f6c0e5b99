// libFuzzer entry point: the input is a file for velmora-import (its first byte
// picks the format, see import_harness.h).

#include <cstddef>
#include <cstdint>

#include "fuzz/import_harness.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    abortOnFaults(runImportInput({reinterpret_cast<const char*>(data), size}));
    return 0;
}
