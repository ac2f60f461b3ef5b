// The project file's default extension, added to a name chosen without one.
#pragma once

#include <string>

std::string WithProjectExtension(const std::string& path);
