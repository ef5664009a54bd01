#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace kindora {

// A failed atomic write or read, with the operation and the system's error text.
class AtomicFileError : public std::system_error {
public:
    AtomicFileError(std::error_code code, const std::string& what) : std::system_error(code, what) {}
};

namespace AtomicFile {

// Whole-file writes that survive a crash or power loss: the file is always either the old one or the
// new one. The new content goes to a temporary file in the same directory (mode 0600), is flushed
// with fsync, renamed over the target, and the directory is flushed too.
void write(const std::filesystem::path& file, std::string_view contents);

// The file's contents, or nothing when it does not exist. Other read failures throw AtomicFileError.
std::optional<std::string> read(const std::filesystem::path& file);

// Throws AtomicFileError for `operation` on `path` with errno's error.
[[noreturn]] void failWithErrno(const std::string& operation, const std::filesystem::path& path);

}  // namespace AtomicFile
}  // namespace kindora
