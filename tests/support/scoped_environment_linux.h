#pragma once
// Sets (or, with nullptr, removes) one environment variable for the object's
// lifetime and puts the previous state back afterwards. Linux only: the
// Linux services find their files through the environment.

#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

class CScopedEnvironment {
public:
    CScopedEnvironment(const char* name, const char* value) : m_name(name) {
        if (const char* previous = std::getenv(name)) m_previous = previous;
        Apply(value);
    }
    ~CScopedEnvironment() { Apply(m_previous ? m_previous->c_str() : nullptr); }
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    void Apply(const char* value) {
        if (value)
            setenv(m_name.c_str(), value, 1);
        else
            unsetenv(m_name.c_str());
    }

    std::string m_name;
    std::optional<std::string> m_previous;
};

// Sets the process's file-creation mask for the object's lifetime (children
// inherit it), so that a test of file modes starts from a known mask.
class CScopedUmask {
public:
    explicit CScopedUmask(mode_t mask) : m_previous(umask(mask)) {}
    ~CScopedUmask() { umask(m_previous); }
    CScopedUmask(const CScopedUmask&) = delete;
    CScopedUmask& operator=(const CScopedUmask&) = delete;

private:
    mode_t m_previous;
};
