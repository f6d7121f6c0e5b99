#include "files/base_directory.h"

std::string baseDirectory;

std::string directoryOf(const std::string& path) {
    std::size_t separator = path.rfind('/');
    if (separator == std::string::npos) {
        separator = path.rfind('\\');
    }
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string joinToBaseDirectory(const std::string& name) {
    return baseDirectory + name;
}
