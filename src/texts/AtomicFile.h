#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace pw {

// The whole content of a file. A missing file gives nullopt and leaves `error` clear; a file that is
// there but cannot be read (no permission, a folder, a pipe, a read error) gives nullopt and sets `error`,
// so a caller never takes an unreadable file for an empty one and writes over it.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::error_code& error);

// Replaces the content of `file` with `bytes` so that a crash, a power cut or a full disk leaves
// either the old content or the new, never a part: the bytes go into a hidden temporary file beside
// it (".<name>.<random>.tmp"), which is flushed to the disk and renamed over the file; then the
// folder is flushed, so the rename itself lasts. An existing file keeps its permissions; a symbolic
// link is followed and its target replaced, so the link stays. On failure the old file is left as
// it was, the temporary file is removed, and std::filesystem::filesystem_error is thrown.
void replaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

}  // namespace pw
