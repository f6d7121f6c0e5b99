#pragma once
// Where a sample model is: under the working directory, as the viewer has
// always looked, or else among the installed samples, found relative to the
// viewer's own executable so that an installed tree can be moved anywhere.

#include <string>

namespace velmora {
inline namespace app {

// relativePath as given when it exists under the working directory; otherwise
// the installed sample's path when that exists; otherwise relativePath again,
// so that the failure names the path the viewer looked for first.
std::string locateSampleModel(const std::string& relativePath);

}  // namespace app
}  // namespace velmora
