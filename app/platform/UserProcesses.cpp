#include "app/platform/UserProcesses.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <system_error>

namespace kindora::UserProcesses {

namespace {

bool isProcessDirectory(const std::filesystem::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c); });
}

bool ownedByCurrentUser(const std::filesystem::path& directory) {
    struct stat info {};
    return ::stat(directory.c_str(), &info) == 0 && info.st_uid == ::getuid();
}

}  // namespace

std::vector<std::string> programNames(const std::filesystem::path& procRoot) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(procRoot, error), end; !error && it != end;
         it.increment(error)) {
        if (!isProcessDirectory(*it) || !ownedByCurrentUser(it->path())) {
            continue;
        }
        std::error_code linkError;
        const auto executable = std::filesystem::read_symlink(it->path() / "exe", linkError);
        if (linkError || executable.empty()) {
            continue;  // a kernel thread, a process that just ended, or one we may not inspect
        }
        std::string name = executable.filename().string();
        // A program whose file was replaced by an upgrade while it runs reads "name (deleted)".
        constexpr std::string_view deleted = " (deleted)";
        if (name.size() > deleted.size() && name.ends_with(deleted)) {
            name.resize(name.size() - deleted.size());
        }
        names.push_back(std::move(name));
    }
    return names;
}

}  // namespace kindora::UserProcesses
