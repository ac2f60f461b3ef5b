// The arguments as the system splits the command line, from its wide text.
#include "platform/CommandLine.h"

#include "platform/win32/Wide.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

namespace platform {

bool SystemArguments(std::vector<std::string>& arguments)
{
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr)
        return false;
    arguments.clear();
    for (int i = 1; i < count; ++i)
        arguments.push_back(Narrow(words[i]));
    LocalFree(words);
    return true;
}

void WriteStandardOutputAsIs()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace platform
