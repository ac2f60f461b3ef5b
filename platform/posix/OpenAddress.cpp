// Addresses go to the desktop's default handler of their scheme, started without waiting.
#include "platform/OpenAddress.h"

#include "platform/posix/Launch.h"

namespace platform {

bool OpenAddress(const std::string& address, std::string& reason)
{
    // The desktop gives no reason of its own for a scheme that nothing handles.
    reason.clear();
    gchar* scheme = g_uri_parse_scheme(address.c_str());
    GAppInfo* application = scheme != nullptr ? g_app_info_get_default_for_uri_scheme(scheme) : nullptr;
    g_free(scheme);
    if (application == nullptr)
        return false;
    StartApplication(application, address);
    return true;
}

} // namespace platform
