#include "platform/SystemError.h"

#include <cerrno>
#include <cstring>

namespace platform {

std::string LastErrorText()
{
    return std::strerror(errno);
}

} // namespace platform
