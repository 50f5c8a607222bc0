#pragma once
// The version every shipped program prints for --version: the project's
// version, set once in the top CMakeLists.txt (the installer and the Debian
// package take the same), and the source revision the build was made from
// when it was made from a git checkout.

#include <string>

// "`program` 1.2.3 (source 0123456789ab)\n", or without the parentheses when
// the revision is unknown.
std::string VersionText(const char* program);
