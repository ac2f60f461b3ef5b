// The environment has no standard call to set or remove a variable: the C libraries differ here.
#include "tests/support/ScopedState.h"

#include <cstdlib>
#include <ctime>

namespace {

void SetVariable(const std::string& name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : ""); // an empty value removes it there
#else
    if (value)
        setenv(name.c_str(), value->c_str(), 1);
    else
        unsetenv(name.c_str());
#endif
    if (name == "TZ")
        tzset();
}

} // namespace

CScopedEnvironment::CScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : m_name(std::move(name))
{
    if (const char* previous = std::getenv(m_name.c_str()))
        m_previous = previous;
    SetVariable(m_name, value);
}

CScopedEnvironment::~CScopedEnvironment()
{
    SetVariable(m_name, m_previous);
}

CScopedCurrentFolder::CScopedCurrentFolder(const std::filesystem::path& folder)
    : m_previous(std::filesystem::current_path())
{
    std::filesystem::current_path(folder);
}

CScopedCurrentFolder::~CScopedCurrentFolder()
{
    std::error_code ignored; // a destructor must not throw; the folder was there when the test began
    std::filesystem::current_path(m_previous, ignored);
}
