#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>

#include "tools/devserver/HouseholdSnapshot.hpp"

namespace kindora::devserver {

// A state file that exists but cannot be read or is not a household; the file is left as it is.
class StateFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The household on disk between runs (--state FILE). Every save replaces the whole file atomically,
// so a crash leaves the previous household or the new one, never a mix. Device tokens are not in it,
// only their digests.
class StateFile {
public:
    explicit StateFile(std::filesystem::path path);

    // Nothing when the file does not exist. Throws StateFileError when it cannot be read or decoded.
    std::optional<HouseholdSnapshot> load() const;
    // Throws AtomicFileError when the file cannot be written.
    void save(const HouseholdSnapshot& snapshot) const;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace kindora::devserver
