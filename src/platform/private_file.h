#pragma once
// Files that hold secrets of the user (a session cookie, say): readable and
// writable by their owner only.
//
// Linux: created with mode 0600 when missing, and an existing file's mode is
// set to 0600. Windows: created when missing; the files live in the user's
// application-data folder, whose access list already keeps other users out.

// Makes `path` an owner-only file, creating it empty when it is missing.
// 1; 0 it cannot be created or its rights cannot be set; -1 no path.
int MakeOwnerOnlyFile(const char* path);
