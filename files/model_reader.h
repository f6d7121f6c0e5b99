#pragma once
// Readers of the .animesh model file and of its motion files. Both take the text
// as a TextInput, so files, tests and fuzzers share them; path names the file in
// error messages. They throw LoadError at the first fault: the end of the text
// before the last section, a value that is not a number or is out of range, a
// count that is negative or larger than the rest of the text could hold, or data
// that break the invariants listed in files/model.h.

#include <string>

#include "files/model.h"
#include "files/text_input.h"

// Reads a model file's body into model, a Model straight after init(). Loads the
// texture and the animations named in it as it goes.
TextInput& readMeshData(TextInput& input, Model& model, const std::string& path);

// Reads a motion file into animation, an empty Animation.
TextInput& readMotion(TextInput& input, Animation& animation, const std::string& path);
