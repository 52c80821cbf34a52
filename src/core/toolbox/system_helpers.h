// File, disk and memory helpers of the database and archive code. Results follow the
// program-wide codes: 0 done, 1 cancelled by the user, 6 file error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace zh {

// The absolute, lexically normal form of a path (against the current folder).
std::filesystem::path FullPath(const std::filesystem::path& path);

// Makes `path` relative to the folder `base` when it lies inside it (the prefix must
// end at a separator) and answers true. Otherwise `path` becomes absolute, "Path error
// in archive" goes to the debug dump window and the answer is false.
bool MakeArchiveRelativePath(std::filesystem::path& path, const std::filesystem::path& base);

// Copies a file: makes the target's folders, writes a temporary file renamed into
// place and makes it owner-writable. An existing target is replaced only after the
// user agreed (No gives 1). 6 on any file error.
int32_t CopyFileShell(const std::filesystem::path& source, const std::filesystem::path& target);

// Moves or renames a file; across filesystems copies, renames into place, then deletes
// the source. 0 or 6.
int32_t RenameFileChecked(const std::filesystem::path& from, const std::filesystem::path& to);

// Drive of a stored Windows path: 0 for A:, 1 for B: ...; 3 for a network path
// beginning with a backslash; -1 when the path names no drive.
int32_t GetDriveNumber(std::string_view storedPath);

// Free space in KB of the filesystem holding `path` (or its nearest existing folder);
// 0 when unknown.
uint64_t GetFreeDiskSpaceKB(const std::filesystem::path& path);

// percent × (min(available memory + free swap, 0.8 × physical memory) / 100) bytes.
uint64_t GetMemoryBudget(uint32_t percent);

}  // namespace zh
