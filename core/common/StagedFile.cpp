#include "core/common/StagedFile.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <utility>

#include "core/common/AtomicFile.hpp"
#include "core/common/FileDescriptor.hpp"

namespace kindora {
namespace {

using AtomicFile::failWithErrno;

std::filesystem::path directoryOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : ".";
}

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

StagedFile StagedFile::stage(const std::filesystem::path& file, std::string_view contents) {
    std::string pattern = (directoryOf(file) / ("." + file.filename().string() + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));  // mkostemp creates the file 0600
    if (fd.get() < 0) {
        failWithErrno("create temporary file for", file);
    }
    StagedFile staged(file, pattern);  // deletes the temporary file if what follows throws
    writeAll(fd.get(), contents, staged.temporary_);
    if (::fsync(fd.get()) != 0) {
        failWithErrno("fsync", staged.temporary_);
    }
    if (::close(fd.release()) != 0) {
        failWithErrno("close", staged.temporary_);
    }
    return staged;
}

StagedFile::StagedFile(std::filesystem::path file, std::filesystem::path temporary)
    : file_(std::move(file)), temporary_(std::move(temporary)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : file_(std::move(other.file_)), temporary_(std::exchange(other.temporary_, {})) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = std::move(other.file_);
        temporary_ = std::exchange(other.temporary_, {});
    }
    return *this;
}

StagedFile::~StagedFile() {
    discard();
}

void StagedFile::commit() {
    if (temporary_.empty()) {
        throw std::logic_error("a staged file is committed once");
    }
    if (::rename(temporary_.c_str(), file_.c_str()) != 0) {
        failWithErrno("rename over", file_);
    }
    temporary_.clear();
    syncDirectory(directoryOf(file_));
}

void StagedFile::discard() noexcept {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace kindora
