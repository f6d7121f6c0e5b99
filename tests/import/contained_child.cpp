// A program for the containment tests, started as the converter is: its first
// argument says how the work behaves.
//   lines        writes two lines, returns bytes with a zero among them
//   throw        throws
//   abort        crashes
//   hang         never returns
//   allocate     reserves memory without end, never touching it
//   close-pipe   closes its result pipe and goes on running
//   model ... F  answers as the converter would, with the bytes of file F
//   confine A B  confines itself to reading beneath A, then opens A/file and
//                B/file and makes a socket; returns "<Landlock version> <errno
//                of A> <errno of B> <system calls filtered> <errno of socket>"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <vector>

#include "import/confinement.h"
#include "import/contained_run.h"

using namespace velmora;

namespace {

int openingError(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        close(fd);
    }
    return error;
}

std::string work(const std::vector<std::string>& arguments, std::ostream& messages) {
    const std::string how = arguments.empty() ? "" : arguments[0];
    if (how == "lines") {
        messages << "first\nsecond" << std::endl;
        return std::string("bytes\0with a zero", 17);
    }
    if (how == "throw") {
        throw std::runtime_error("broken");
    }
    if (how == "abort") {
        std::abort();
    }
    if (how == "allocate") {
        std::vector<std::unique_ptr<char[]>> blocks;
        for (;;) {
            blocks.emplace_back(new char[std::size_t{64} << 20]);
        }
    }
    if (how == "close-pipe") {
        close(kResultDescriptor);
    }
    if (how == "model" && arguments.size() > 1) {
        // A conversion's arguments: the form, then the input file.
        std::ifstream answer(arguments[1], std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(answer), {});
    }
    if (how == "confine" && arguments.size() == 3) {
        const Confinement confinement = confineReadsTo({arguments[1]});
        const int socketFd = socket(AF_INET, SOCK_STREAM, 0);
        return std::to_string(confinement.landlockVersion) + " " +
               std::to_string(openingError(arguments[1] + "/file")) + " " +
               std::to_string(openingError(arguments[2] + "/file")) + " " +
               std::to_string(confinement.systemCallFilter) + " " +
               std::to_string(socketFd < 0 ? errno : 0);
    }
    for (;;) {
        pause();
    }
}

}  // namespace

int main(int argc, char** argv) {
    return serveContained(argc, argv, work);
}
