#pragma once
// The directory of the model file being read. Names inside a model file are
// opened relative to it; outside a load it is empty.

#include <string>

extern std::string baseDirectory;

// The part of path up to and including its last '/', or, when it has none, its
// last '\\'; empty when it has neither.
std::string directoryOf(const std::string& path);

// baseDirectory followed directly by name: no separator is inserted and nothing
// is normalised.
std::string joinToBaseDirectory(const std::string& name);
