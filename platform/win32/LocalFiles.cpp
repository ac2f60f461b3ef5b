// Windows has no virtual file system apart from its own: every path already goes to the system.
#include "platform/LocalFiles.h"

namespace platform {

void UseLocalFilesOnly() {}

} // namespace platform
