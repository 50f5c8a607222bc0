#pragma once
// Path conventions of the target operating system.

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True for either separator: a folder given with a trailing '\' or '/' has it
// dropped on both targets.
constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
