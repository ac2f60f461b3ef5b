// The window benchmarks' own HOME: a fresh temporary folder with the XDG folders inside it, so that
// the trash, the settings and the caches they touch are never the user's.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdlib.h>
#include <string>

inline std::filesystem::path UseScratchHome()
{
    char pattern[] = "/tmp/quorvel-bench-XXXXXX";
    const std::filesystem::path scratch = mkdtemp(pattern);
    setenv("HOME", scratch.c_str(), 1);
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (scratch / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (scratch / "cache").c_str(), 1);
    return scratch;
}
