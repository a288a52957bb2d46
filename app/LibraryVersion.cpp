#include "QueltoVersion.h"

#include <quelto/Version.h>

namespace quelto {

std::string version() { return QUELTO_VERSION; }

} // namespace quelto
