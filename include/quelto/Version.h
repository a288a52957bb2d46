// The library's version: the programs' and the package's, from the project and git.
#pragma once

#include <string>

namespace quelto {

// "3.0.0", or "3.0.0+g1a2b3c4" when built from an untagged commit.
std::string version();

} // namespace quelto
