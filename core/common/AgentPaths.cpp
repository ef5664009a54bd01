#include "core/common/AgentPaths.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace kindora::AgentPaths {

std::filesystem::path homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::filesystem::path dataDirectory() {
#ifdef __APPLE__
    return homeDirectory() / "Library" / "Application Support" / "Kindora";
#else
    if (const char* dataHome = std::getenv("XDG_DATA_HOME"); dataHome != nullptr && dataHome[0] == '/') {
        return std::filesystem::path(dataHome) / "Kindora";
    }
    return homeDirectory() / ".local" / "share" / "Kindora";
#endif
}

std::filesystem::path cacheDirectory() {
#ifdef __APPLE__
    return homeDirectory() / "Library" / "Caches" / "Kindora";
#else
    if (const char* cacheHome = std::getenv("XDG_CACHE_HOME"); cacheHome != nullptr && cacheHome[0] == '/') {
        return std::filesystem::path(cacheHome) / "Kindora";
    }
    return homeDirectory() / ".cache" / "Kindora";
#endif
}

std::filesystem::path ensureDataDirectory() {
    const auto directory = dataDirectory();
    std::filesystem::create_directories(directory.parent_path());
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        throw std::filesystem::filesystem_error("create data directory", directory,
                                                std::error_code(errno, std::generic_category()));
    }
    // The directory holds the sync state and the log: it must be the user's own, and no one else's
    // to read. Another owner (or a link to elsewhere) is refused; loose permissions are mended.
    struct stat status {};
    if (::lstat(directory.c_str(), &status) != 0) {
        throw std::filesystem::filesystem_error("inspect data directory", directory,
                                                std::error_code(errno, std::generic_category()));
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::getuid()) {
        throw std::filesystem::filesystem_error("the data directory is not a directory of this user", directory,
                                                std::make_error_code(std::errc::permission_denied));
    }
    if ((status.st_mode & 077) != 0 && ::chmod(directory.c_str(), 0700) != 0) {
        throw std::filesystem::filesystem_error("make the data directory private", directory,
                                                std::error_code(errno, std::generic_category()));
    }
    return directory;
}

std::filesystem::path messagesDatabasePath() { return homeDirectory() / "Library" / "Messages" / "chat.db"; }

}  // namespace kindora::AgentPaths
