#pragma once
// The secrets among the settings (the team store's password): kept where
// only their user can read them.
//
// Windows: the user's own key, HKEY_CURRENT_USER\<keyPath>, holds the value
// <name> as REG_BINARY: the secret protected with CryptProtectData, which
// only this user on this computer can undo. Earlier releases kept it as
// text in HKEY_LOCAL_MACHINE\<keyPath>, which every user of the computer
// can read: a text found there (or one typed into the user's key by hand
// with `reg add`) is moved, protected into the user's key and deleted where
// it was. Deleting from HKEY_LOCAL_MACHINE takes an administrator's rights:
// without them the text stays there (and is moved again at the next read),
// and `notice` says so.
// Linux: the settings file (Registry()), as text like every setting; that
// file is its user's alone (mode 0600).
// Texts are narrow: the ANSI code page on Windows, UTF-8 on Linux.

#include <string>

// Reads the secret `name` of the settings key `keyPath` into `secret`. 1
// read; 0 there is none; -1 one is kept but cannot be read (damaged, or
// protected by another user or on another computer). `notice` receives what
// the user should be told (a move done, or one that left a readable copy
// behind), else stays empty.
int ReadUserSecret(const char* keyPath, const char* name, std::string& secret, std::string& notice);
