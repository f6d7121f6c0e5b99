#pragma once
// F12's screenshots: what the window shows, as a PNG in the working directory
// named after the model, numbered so that no file is ever replaced.

#include <string>

#include "files/png_image.h"

// The window's back buffer, rows top to bottom, RGB. Called after the frame is
// drawn and before the buffers are swapped, it holds exactly what the window
// is about to show. Needs the window's context to be current.
Image readFramePixels(int width, int height);

// The start of a screenshot's name: the model file's name without its
// extension, or "velmora" without a model.
std::string screenshotStem(const std::string& modelPath);

struct SavedFile {
    // The name written, empty when nothing was.
    std::string path;
    // Why nothing was written, naming the file; empty on success.
    std::string error;
};

// Writes bytes to the first of stem-1.png, stem-2.png, ... in the working
// directory that does not exist yet.
SavedFile saveNumbered(const std::string& stem, const std::string& bytes);

enum class NewFileOutcome { Written, Exists, Failed };

// Writes bytes to path only if nothing has that name, also when another program
// takes the name meanwhile: through an exclusive temporary file beside path,
// linked to path once complete, so that path never holds part of the bytes. On
// Failed, error says why; no file is left behind in any case.
NewFileOutcome writeNewFile(const std::string& path, const std::string& bytes, std::string& error);
