#include "core/common/AtomicFile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/common/FileDescriptor.hpp"
#include "core/common/StagedFile.hpp"

namespace kindora::AtomicFile {

void failWithErrno(const std::string& operation, const std::filesystem::path& path) {
    const int error = errno;
    throw AtomicFileError(std::error_code(error, std::generic_category()), operation + " " + path.string());
}

void write(const std::filesystem::path& file, std::string_view contents) {
    StagedFile::stage(file, contents).commit();
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
