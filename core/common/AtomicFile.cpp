#include "core/common/AtomicFile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/common/FileDescriptor.hpp"

namespace kindora::AtomicFile {
namespace {

void writeAll(int fd, std::string_view contents, const std::filesystem::path& path) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failWithErrno("write", path);
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
}

void syncDirectory(const std::filesystem::path& directory) {
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0) {
        failWithErrno("open directory", directory);
    }
    if (::fsync(fd.get()) != 0) {
        failWithErrno("fsync directory", directory);
    }
}

}  // namespace

void failWithErrno(const std::string& operation, const std::filesystem::path& path) {
    const int error = errno;
    throw AtomicFileError(std::error_code(error, std::generic_category()), operation + " " + path.string());
}

void write(const std::filesystem::path& file, std::string_view contents) {
    const std::filesystem::path directory = file.has_parent_path() ? file.parent_path() : ".";
    std::string temporary = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));  // mkostemp creates the file 0600
    if (fd.get() < 0) {
        failWithErrno("create temporary file for", file);
    }
    try {
        writeAll(fd.get(), contents, temporary);
        if (::fsync(fd.get()) != 0) {
            failWithErrno("fsync", temporary);
        }
        if (::close(fd.release()) != 0) {
            failWithErrno("close", temporary);
        }
        if (::rename(temporary.c_str(), file.c_str()) != 0) {
            failWithErrno("rename over", file);
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    // The rename is durable only once the directory is.
    syncDirectory(directory);
}

std::optional<std::string> read(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        failWithErrno("open", file);
    }
    std::string contents;
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            failWithErrno("read", file);
        }
        if (count == 0) {
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(count));
    }
    return contents;
}

}  // namespace kindora::AtomicFile
