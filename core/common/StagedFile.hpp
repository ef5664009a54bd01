#pragma once

#include <filesystem>
#include <string_view>

namespace kindora {

// New contents for a file, already written and flushed to disk beside it under a temporary name
// (mode 0600), waiting to be put in place. Staging is the slow half of an atomic write; commit() is the
// quick half (rename over the target, flush the directory), so a writer that knows the next contents
// early can stage them while it waits for something else. A crash at any moment leaves the target
// either old or new, never partly written. A staged file that is never committed is deleted.
// Failures throw AtomicFileError.
class StagedFile {
public:
    static StagedFile stage(const std::filesystem::path& file, std::string_view contents);

    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();

    // Puts the contents in place of the target, durably. Once only.
    void commit();

private:
    StagedFile(std::filesystem::path file, std::filesystem::path temporary);
    void discard() noexcept;

    std::filesystem::path file_;
    std::filesystem::path temporary_;  // empty once committed or discarded
};

}  // namespace kindora
