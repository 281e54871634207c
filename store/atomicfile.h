// Replacing a file's contents so that a reader sees the old file or the new
// one, never a part, and so that nothing planted beside it is written through.
#pragma once

#include <filesystem>
#include <string_view>

namespace dw {

// The step of replaceFile() that failed.
enum class ReplaceStep { None, Create, Write };

// Writes `bytes` to a new file in the directory of `path`, created
// exclusively under a random name (a file or link already there is never
// opened), with the permission bits of the file it replaces (a new file gets
// 0666 less the umask), syncs it and renames it over `path`. A link at
// `path` itself is followed: its target is replaced. False on failure, with
// errno saying why and `failed` (when given) the step; `path` is then
// unchanged and the new file removed. A `path` that is not a regular file is
// not replaced.
bool replaceFile(const std::filesystem::path& path, std::string_view bytes,
                 ReplaceStep* failed = nullptr);

} // namespace dw
