#include "core/update/UpdateFetcher.hpp"

#include <system_error>
#include <utility>

#include "core/backend/BackendError.hpp"
#include "core/common/AtomicFile.hpp"
#include "core/update/UpdateError.hpp"

namespace kindora {
namespace {

// A package a little longer than announced is read whole so that the message can say how long it
// was; anything longer still is cut off by the transport.
constexpr std::uint64_t lengthSlack = 64 * 1024;

const std::string packagePrefix = "kindora-";
const std::string packageSuffix = ".deb";
const std::string partialSuffix = ".part";

std::string describe(const std::exception& error) {
    return error.what();
}

// libcurl's own words for a transfer that failed, ending in a full stop.
std::string describe(const BackendError& error) {
    std::string text = error.message().value_or(error.what());
    if (!text.empty() && text.back() != '.') {
        text += '.';
    }
    return text;
}

}  // namespace

UpdateFetcher::UpdateFetcher(HTTPTransport& transport, UpdateSource source)
    : transport_(transport), source_(std::move(source)) {}

std::optional<AppcastItem> UpdateFetcher::findUpdate(StopToken stop) {
    HTTPRequest request;
    request.method = "GET";
    request.url = source_.feedURL;
    request.headers = {{"Accept", "application/rss+xml, application/xml, text/xml"}};
    request.maximumBodyBytes = Appcast::maximumFeedBytes;
    HTTPResponse response;
    try {
        response = transport_.send(request, stop);
    } catch (const BackendError& error) {
        throw UpdateError(UpdateError::Kind::feedUnavailable,
                          "Could not check for updates: " + describe(error));
    }
    if (response.status != 200) {
        throw UpdateError(UpdateError::Kind::feedUnavailable,
                          "Could not check for updates: the update server answered with status " +
                              std::to_string(response.status) + ".");
    }
    const Appcast appcast = Appcast::parse(response.body, source_.allowsLoopbackHttp);
    auto update = appcast.newestUpdate(source_.runningVersion, source_.systemVersion);
    if (update) {
        logger_.info("Update {} found (running {})", update->displayVersion(), source_.runningVersion.text());
    } else {
        logger_.info("No update newer than {} in {} items", source_.runningVersion.text(),
                     appcast.items.size());
    }
    return update;
}

std::filesystem::path UpdateFetcher::packagePath(const AppcastItem& item) const {
    // Version texts hold only letters, digits, dots, hyphens, tildes and plus signs: safe in a name.
    return source_.downloadDirectory / (packagePrefix + item.version.text() + packageSuffix);
}

std::filesystem::path UpdateFetcher::download(const AppcastItem& item, StopToken stop) {
    const std::filesystem::path target = packagePath(item);
    const std::filesystem::path partial = target.string() + partialSuffix;
    std::error_code ignored;
    try {
        std::filesystem::create_directories(source_.downloadDirectory);
        std::filesystem::permissions(source_.downloadDirectory, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
    } catch (const std::filesystem::filesystem_error& error) {
        throw UpdateError(UpdateError::Kind::downloadFailed,
                          "The update could not be stored: " + describe(error));
    }
    removeOtherDownloads(target);
    if (std::filesystem::exists(target, ignored)) {
        try {
            verifyDownloaded(item, target);
            logger_.info("Update {} is already downloaded", item.displayVersion());
            return target;
        } catch (const UpdateError&) {
            // Not the package any more: it was removed; download it afresh.
        }
    }

    HTTPRequest request;
    request.method = "GET";
    request.url = item.url;
    request.maximumBodyBytes = item.length + lengthSlack;
    HTTPResponse response;
    try {
        response = transport_.send(request, stop);
    } catch (const BackendError& error) {
        throw UpdateError(
            UpdateError::Kind::downloadFailed,
            "The update " + item.displayVersion() + " could not be downloaded: " + describe(error));
    }
    if (response.status != 200) {
        throw UpdateError(UpdateError::Kind::downloadFailed,
                          "The update " + item.displayVersion() +
                              " could not be downloaded: the server answered with status " +
                              std::to_string(response.status) + ".");
    }

    // The bytes go to disk first, and what is checked is what was written: the file the installer
    // will be given.
    try {
        AtomicFile::write(partial, response.body);
        response.body.clear();
        response.body.shrink_to_fit();
        const std::optional<std::string> written = AtomicFile::read(partial);
        verify(item, written.value_or(std::string()));
        std::filesystem::rename(partial, target);
    } catch (const UpdateError&) {
        std::filesystem::remove(partial, ignored);
        throw;
    } catch (const std::exception& error) {
        std::filesystem::remove(partial, ignored);
        throw UpdateError(UpdateError::Kind::downloadFailed,
                          "The update " + item.displayVersion() + " could not be stored: " + describe(error));
    }
    logger_.info("Update {} downloaded and verified ({} bytes)", item.displayVersion(), item.length);
    return target;
}

void UpdateFetcher::verifyDownloaded(const AppcastItem& item, const std::filesystem::path& file) const {
    std::optional<std::string> contents;
    try {
        std::error_code sizeError;
        const auto size = std::filesystem::file_size(file, sizeError);
        if (!sizeError && size > item.length + lengthSlack) {
            contents = std::string();  // far too long: refused below without reading it
        } else {
            contents = AtomicFile::read(file);
        }
    } catch (const std::exception& error) {
        throw UpdateError(UpdateError::Kind::downloadFailed,
                          "The downloaded update could not be read: " + describe(error));
    }
    if (!contents) {
        throw UpdateError(
            UpdateError::Kind::downloadFailed,
            "The downloaded update " + item.displayVersion() + " is gone; check for updates again.");
    }
    try {
        verify(item, *contents);
    } catch (const UpdateError&) {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
        throw;
    }
}

void UpdateFetcher::verify(const AppcastItem& item, const std::string& contents) const {
    if (contents.size() != item.length) {
        logger_.error("Update {} refused: {} bytes instead of {}", item.displayVersion(), contents.size(),
                      item.length);
        throw UpdateError(UpdateError::Kind::lengthMismatch,
                          "The update " + item.displayVersion() + " was refused: the download is " +
                              std::to_string(contents.size()) + " bytes, not the " +
                              std::to_string(item.length) + " bytes the update feed announced.");
    }
    if (!source_.publicKey.verifies(contents, item.edSignature)) {
        logger_.error("Update {} refused: its signature does not verify", item.displayVersion());
        throw UpdateError(UpdateError::Kind::signatureMismatch,
                          "The update " + item.displayVersion() +
                              " was refused: it is not signed by Kindora's maintainers.");
    }
}

void UpdateFetcher::removeOtherDownloads(const std::filesystem::path& keep) const {
    std::error_code error;
    for (std::filesystem::directory_iterator it(source_.downloadDirectory, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (it->path() != keep && name.rfind(packagePrefix, 0) == 0 &&
            (name.ends_with(packageSuffix) || name.ends_with(partialSuffix))) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

}  // namespace kindora
