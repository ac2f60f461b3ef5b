// Guards for the process-wide state a test may change (the environment, the current folder, a switch
// for tests): each puts back what it found, also when an assertion ends the test early, so that the
// next test in the same process starts as the first did.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

class CScopedEnvironment
{
public:
    // Sets `name` to `value`, or removes it when there is none; tzset() follows a change of TZ.
    CScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ~CScopedEnvironment();
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_previous;
};

class CScopedCurrentFolder
{
public:
    explicit CScopedCurrentFolder(const std::filesystem::path& folder);
    ~CScopedCurrentFolder();
    CScopedCurrentFolder(const CScopedCurrentFolder&) = delete;
    CScopedCurrentFolder& operator=(const CScopedCurrentFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

// Sets a process-wide switch for the guard's life.
class CScopedSwitch
{
public:
    CScopedSwitch(std::atomic<bool>& flag, bool value) : m_flag(flag), m_previous(flag.exchange(value)) {}
    ~CScopedSwitch() { m_flag.store(m_previous); }
    CScopedSwitch(const CScopedSwitch&) = delete;
    CScopedSwitch& operator=(const CScopedSwitch&) = delete;

private:
    std::atomic<bool>& m_flag;
    const bool m_previous;
};
