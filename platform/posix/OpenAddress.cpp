// Addresses go to the desktop's default handler of their scheme.
#include "platform/OpenAddress.h"

#include <gio/gio.h>

namespace platform {

bool OpenAddress(const std::string& address)
{
    GError* error = nullptr;
    const bool opened = g_app_info_launch_default_for_uri(address.c_str(), nullptr, &error);
    if (error != nullptr)
        g_error_free(error);
    return opened;
}

} // namespace platform
