#include "core/update/Appcast.hpp"

#include <expat.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "core/update/UpdateError.hpp"
#include "core/update/UpdateSignature.hpp"

namespace kindora {
namespace {

// Expat reports a namespaced name as "URI|local".
constexpr char namespaceSeparator = '|';

[[noreturn]] void malformed(const std::string& reason) {
    throw UpdateError(UpdateError::Kind::malformedFeed, "The update feed is not valid: " + reason + ".");
}

std::string sparkle(std::string_view local) {
    return std::string(Appcast::sparkleNamespace) + namespaceSeparator + std::string(local);
}

bool isHostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool isPathCharacter(char c) {
    // Printable ASCII without space, quotes, angle brackets, backslash or backtick.
    return c > ' ' && c < 0x7f && c != '"' && c != '\'' && c != '<' && c != '>' && c != '\\' && c != '`';
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What the parser has read of one <item> so far.
struct ItemDraft {
    std::optional<std::string> title;
    std::optional<std::string> publicationDate;
    std::optional<std::string> version;
    std::optional<std::string> shortVersionString;
    std::optional<std::string> minimumSystemVersion;
    bool hasEnclosure = false;
    std::optional<std::string> url;
    std::optional<std::string> length;
    std::optional<std::string> edSignature;
};

class AppcastReader {
public:
    explicit AppcastReader(bool allowsLoopbackHttp) : allowsLoopbackHttp_(allowsLoopbackHttp) {}

    Appcast read(std::string_view xml) {
        if (xml.size() > Appcast::maximumFeedBytes) {
            malformed("it is larger than " + std::to_string(Appcast::maximumFeedBytes) + " bytes");
        }
        const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
            XML_ParserCreateNS(nullptr, namespaceSeparator), &XML_ParserFree);
        if (!parser) {
            throw std::bad_alloc();
        }
        parser_ = parser.get();
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &AppcastReader::onStart, &AppcastReader::onEnd);
        XML_SetCharacterDataHandler(parser_, &AppcastReader::onText);
        XML_SetStartDoctypeDeclHandler(parser_, &AppcastReader::onDoctype);
        XML_SetEntityDeclHandler(parser_, &AppcastReader::onEntity);
        XML_SetParamEntityParsing(parser_, XML_PARAM_ENTITY_PARSING_NEVER);

        const XML_Status status = XML_Parse(parser_, xml.data(), static_cast<int>(xml.size()), XML_TRUE);
        if (error_) {
            malformed(*error_);
        }
        if (status != XML_STATUS_OK) {
            malformed(std::string(XML_ErrorString(XML_GetErrorCode(parser_))) + " at line " +
                      std::to_string(XML_GetCurrentLineNumber(parser_)));
        }
        if (!sawChannel_) {
            malformed("it has no RSS channel");
        }
        return std::move(appcast_);
    }

private:
    static void onStart(void* self, const XML_Char* name, const XML_Char** attributes) {
        static_cast<AppcastReader*>(self)->start(name, attributes);
    }
    static void onEnd(void* self, const XML_Char* name) { static_cast<AppcastReader*>(self)->end(name); }
    static void onText(void* self, const XML_Char* text, int length) {
        static_cast<AppcastReader*>(self)->text(std::string_view(text, static_cast<std::size_t>(length)));
    }
    static void onDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<AppcastReader*>(self)->fail("it has a document type declaration");
    }
    static void onEntity(void* self, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                         const XML_Char*, const XML_Char*, const XML_Char*) {
        static_cast<AppcastReader*>(self)->fail("it declares an entity");
    }

    void fail(std::string reason) {
        if (!error_) {
            error_ = std::move(reason);
        }
        XML_StopParser(parser_, XML_FALSE);
    }

    void start(std::string_view name, const XML_Char** attributes) {
        if (error_) {
            return;
        }
        path_.emplace_back(name);
        capture_ = nullptr;
        if (path_.size() > Appcast::maximumDepth) {
            return fail("its elements nest deeper than " + std::to_string(Appcast::maximumDepth));
        }
        if (path_.size() == 1) {
            if (name != "rss") {
                return fail("its root element is not <rss>");
            }
        } else if (path_.size() == 2 && name == "channel") {
            sawChannel_ = true;
        } else if (path_.size() == 3 && path_[1] == "channel" && name == "title") {
            captureInto(channelTitle_);
        } else if (path_.size() == 3 && path_[1] == "channel" && name == "item") {
            if (appcast_.items.size() == Appcast::maximumItems) {
                return fail("it has more than " + std::to_string(Appcast::maximumItems) + " items");
            }
            item_ = ItemDraft{};
        } else if (path_.size() == 4 && item_) {
            startItemField(name, attributes);
        }
    }

    void startItemField(std::string_view name, const XML_Char** attributes) {
        ItemDraft& item = *item_;
        if (name == "title") {
            captureInto(item.title);
        } else if (name == "pubDate") {
            captureInto(item.publicationDate);
        } else if (name == sparkle("version")) {
            captureInto(item.version);
        } else if (name == sparkle("shortVersionString")) {
            captureInto(item.shortVersionString);
        } else if (name == sparkle("minimumSystemVersion")) {
            captureInto(item.minimumSystemVersion);
        } else if (name == "enclosure") {
            if (item.hasEnclosure) {
                return fail(itemName() + " has more than one enclosure");
            }
            item.hasEnclosure = true;
            for (const XML_Char** attribute = attributes; *attribute != nullptr; attribute += 2) {
                const std::string_view key = attribute[0];
                const std::string_view value = attribute[1];
                if (value.size() > Appcast::maximumFieldLength) {
                    return fail(itemName() + " has an enclosure attribute longer than " +
                                std::to_string(Appcast::maximumFieldLength) + " characters");
                }
                if (key == "url") {
                    item.url = value;
                } else if (key == "length") {
                    item.length = value;
                } else if (key == sparkle("edSignature")) {
                    item.edSignature = value;
                } else if (key == sparkle("version") && !item.version) {
                    item.version = value;
                } else if (key == sparkle("shortVersionString") && !item.shortVersionString) {
                    item.shortVersionString = value;
                }
            }
        }
    }

    void captureInto(std::optional<std::string>& field) {
        if (field) {
            return fail(item_ ? itemName() + " repeats <" + path_.back() + ">"
                              : "the channel repeats <" + path_.back() + ">");
        }
        field.emplace();
        capture_ = &*field;
    }

    void text(std::string_view text) {
        if (error_ || capture_ == nullptr) {
            return;
        }
        if (capture_->size() + text.size() > Appcast::maximumFieldLength) {
            return fail((item_ ? itemName() + " has a" : std::string("the channel has a")) + " <" +
                        path_.back() + "> longer than " + std::to_string(Appcast::maximumFieldLength) +
                        " characters");
        }
        capture_->append(text);
    }

    void end(std::string_view) {
        if (error_) {
            return;
        }
        capture_ = nullptr;
        if (path_.size() == 3 && item_ && path_.back() == "item") {
            try {
                appcast_.items.push_back(finish(*item_));
            } catch (const UpdateError& error) {
                fail(itemName() + ": " + error.what());
            }
            item_.reset();
        }
        path_.pop_back();
    }

    std::string itemName() const { return "item " + std::to_string(appcast_.items.size() + 1); }

    static std::string trimmed(const std::optional<std::string>& text) {
        if (!text) {
            return {};
        }
        const auto first = text->find_first_not_of(" \t\r\n");
        if (first == std::string::npos) {
            return {};
        }
        return text->substr(first, text->find_last_not_of(" \t\r\n") - first + 1);
    }

    AppcastItem finish(const ItemDraft& draft) const {
        AppcastItem item;
        item.title = trimmed(draft.title);
        if (draft.publicationDate) {
            item.publicationDate = trimmed(draft.publicationDate);
        }
        const std::string version = trimmed(draft.version);
        if (version.empty()) {
            throw UpdateError(UpdateError::Kind::malformedFeed, "it has no version");
        }
        item.version = Version::parse(version);
        item.shortVersionString = trimmed(draft.shortVersionString);
        if (item.shortVersionString.size() > Version::maximumLength) {
            throw UpdateError(UpdateError::Kind::malformedFeed, "its short version string is too long");
        }
        if (draft.minimumSystemVersion) {
            item.minimumSystemVersion = Version::parse(trimmed(draft.minimumSystemVersion));
        }
        if (!draft.hasEnclosure) {
            throw UpdateError(UpdateError::Kind::malformedFeed, "it has no enclosure");
        }
        if (!draft.url || !isAcceptedUpdateURL(*draft.url, allowsLoopbackHttp_)) {
            throw UpdateError(
                UpdateError::Kind::malformedFeed,
                draft.url ? "its package is not on an https:// address" : "its enclosure has no url");
        }
        item.url = *draft.url;
        if (!draft.length || !isDigits(*draft.length) || draft.length->size() > 12 ||
            std::stoull(*draft.length) == 0 || std::stoull(*draft.length) > Appcast::maximumPackageBytes) {
            throw UpdateError(UpdateError::Kind::malformedFeed,
                              "its enclosure length is missing or not a size from 1 to " +
                                  std::to_string(Appcast::maximumPackageBytes) + " bytes");
        }
        item.length = std::stoull(*draft.length);
        if (!draft.edSignature || !decodeBase64(*draft.edSignature, 64)) {
            throw UpdateError(
                UpdateError::Kind::malformedFeed,
                "its enclosure has no Ed25519 signature (sparkle:edSignature, 64 bytes in Base64)");
        }
        item.edSignature = *draft.edSignature;
        return item;
    }

    const bool allowsLoopbackHttp_;
    XML_Parser parser_ = nullptr;
    std::optional<std::string> error_;
    std::vector<std::string> path_;
    std::string* capture_ = nullptr;
    bool sawChannel_ = false;
    std::optional<std::string> channelTitle_;
    std::optional<ItemDraft> item_;
    Appcast appcast_;

public:
    std::string channelTitle() const { return trimmed(channelTitle_); }
};

}  // namespace

bool isAcceptedUpdateURL(std::string_view url, bool allowsLoopbackHttp) {
    std::string_view rest;
    bool loopback = false;
    if (url.substr(0, 8) == "https://") {
        rest = url.substr(8);
    } else if (allowsLoopbackHttp && url.substr(0, 17) == "http://127.0.0.1:") {
        rest = url.substr(7);
        loopback = true;
    } else {
        return false;
    }
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos) {
        return false;
    }
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view path = rest.substr(slash);
    const std::size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (host.empty() || !std::all_of(host.begin(), host.end(), isHostCharacter) || host.front() == '.' ||
        host.front() == '-' || host.find("..") != std::string_view::npos) {
        return false;
    }
    if (colon != std::string_view::npos) {
        const std::string_view port = authority.substr(colon + 1);
        if (!isDigits(port) || port.size() > 5) {
            return false;
        }
    } else if (loopback) {
        return false;
    }
    return std::all_of(path.begin(), path.end(), isPathCharacter);
}

Appcast Appcast::parse(std::string_view xml, bool allowsLoopbackHttp) {
    AppcastReader reader(allowsLoopbackHttp);
    Appcast appcast = reader.read(xml);
    appcast.title = reader.channelTitle();
    return appcast;
}

std::optional<AppcastItem> Appcast::newestUpdate(const Version& running,
                                                 const std::optional<Version>& system) const {
    const AppcastItem* newest = nullptr;
    for (const AppcastItem& item : items) {
        if (item.version <= running) {
            continue;
        }
        if (item.minimumSystemVersion && (!system || *system < *item.minimumSystemVersion)) {
            continue;
        }
        if (newest == nullptr || newest->version < item.version) {
            newest = &item;
        }
    }
    return newest == nullptr ? std::nullopt : std::optional<AppcastItem>(*newest);
}

}  // namespace kindora
