#pragma once
// Files and folders that hold what only their user may read: secrets (a
// session cookie, say), and the collector's data (every title and address
// it saw).
//
// Linux: owner-only modes (files 0600, folders 0700). Windows: nothing to
// change: the files live in the user's application-data folder, whose
// access list already keeps other users out, and what is made there
// inherits it.

// Makes `path` an owner-only file, creating it empty when it is missing.
// 1; 0 it cannot be created or its rights cannot be set; -1 no path.
int MakeOwnerOnlyFile(const char* path);

// Makes every file and folder the calling program creates from now on
// owner-only (Linux: umask 077; it is process-wide, so a program calls this
// first thing, before any thread starts). Databases, their journals, logs,
// checkpoints and state files are then private whoever creates them.
void KeepNewFilesOwnerOnly();

// Takes every right of other users away from the folder `path` and from
// everything below it; symbolic links are neither followed nor changed.
// `repaired` counts the files and folders whose rights were changed (always
// 0 on Windows). 1 done; 0 some could not be changed (or the folder could
// not be read whole); -1 no path, or it is not a folder.
int RestrictFolderToOwner(const char* path, int& repaired);
