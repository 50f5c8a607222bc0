#pragma once
// Small files that must survive a crash or a power cut whole.
//
// WriteFileDurably writes the new content to "<path>.tmp" beside the file,
// flushes it to the disk, and renames it over the file (Linux: rename(2) and
// a flush of the folder; Windows: MoveFileEx with write-through), so that a
// reader finds the old content or the new one, never a mix of both.
// Paths are narrow: the ANSI code page on Windows, UTF-8 on Linux.
//
// Results: WriteFileDurably 1 written, 0 failed (the old file stays as it
// was); ReadSmallFile 1 read, 0 no such file, -1 unreadable or larger than
// `limit` bytes; RemoveFile 1 removed or absent, 0 failed.
// Thread safety: any thread; concurrent writers of one path are the caller's
// to prevent.

#include <cstddef>
#include <string>

int WriteFileDurably(const char* path, const std::string& content);
int ReadSmallFile(const char* path, std::string& content, size_t limit);
int RemoveFile(const char* path);
