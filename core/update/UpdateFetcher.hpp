#pragma once

#include <filesystem>
#include <optional>

#include "core/backend/HTTPTransport.hpp"
#include "core/common/Log.hpp"
#include "core/common/StopToken.hpp"
#include "core/update/Appcast.hpp"
#include "core/update/UpdateSource.hpp"

namespace kindora {

// The blocking half of the updater, safe on any thread: reads the feed, picks the update, downloads
// its package and proves it is the maintainers' before anyone may install it. Every failure is an
// UpdateError with a message for the person using the agent.
class UpdateFetcher {
public:
    UpdateFetcher(HTTPTransport& transport, UpdateSource source);

    const UpdateSource& source() const { return source_; }

    // The newest item of the feed newer than the running version, if any.
    std::optional<AppcastItem> findUpdate(StopToken stop = {});

    // Downloads the item's package into the download directory and checks its length and signature
    // there. Returns the verified file; on any failure nothing of the download is left behind.
    // An earlier verified download of the same item is reused.
    std::filesystem::path download(const AppcastItem& item, StopToken stop = {});

    // Checks a downloaded package again (just before it is installed): the file must still be the
    // item's signed package. A file that is not is removed.
    void verifyDownloaded(const AppcastItem& item, const std::filesystem::path& file) const;

    // Where the item's package is kept once verified.
    std::filesystem::path packagePath(const AppcastItem& item) const;

private:
    void verify(const AppcastItem& item, const std::string& contents) const;
    void removeOtherDownloads(const std::filesystem::path& keep) const;

    HTTPTransport& transport_;
    const UpdateSource source_;
    const Log logger_{"Updater"};
};

}  // namespace kindora
