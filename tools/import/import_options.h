#pragma once
// The command line of velmora-import.

#include "command_line/command_line.h"
#include "import/conversion_request.h"

namespace velmora {
inline namespace importer {

struct ImportOptions {
    ConversionRequest request;
    // Replace a character already in the folder.
    bool force = false;
};

extern const char* const kImportUsage;

// The table of velmora-import's command line, taking into options.
Arguments::Program importProgram(ImportOptions& options);

}  // namespace importer
}  // namespace velmora
