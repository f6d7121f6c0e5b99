#pragma once
// Confining this process for good to reading a few paths and writing to the
// descriptors it already holds, with the kernel's own mechanisms: Landlock for
// files, a seccomp filter for the rest (no new processes or programs, no
// sockets, no tracing, no signals to others, no file made, changed or opened
// for writing), and no_new_privs. A kernel without one of them gets the others;
// what a process does before it confines itself (loading its libraries) is
// not affected.

#include <string>
#include <vector>

namespace velmora {
inline namespace importer {

struct Confinement {
    // Landlock's ABI version in force, 0 when the kernel has none.
    int landlockVersion = 0;
    bool systemCallFilter = false;
};

// Confines this process: files and folders beneath readable (each a folder or
// a file, links followed) may be read; no other file may be opened. Says what
// the kernel allowed.
Confinement confineReadsTo(const std::vector<std::string>& readable);

}  // namespace importer
}  // namespace velmora
