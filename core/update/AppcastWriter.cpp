#include "core/update/AppcastWriter.hpp"

#include "core/update/UpdateError.hpp"

namespace kindora::AppcastWriter {
namespace {

std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    throw UpdateError(UpdateError::Kind::malformedFeed,
                                      "A control character cannot be written into the update feed.");
                }
                out += c;
        }
    }
    return out;
}

void element(std::string& out, const std::string& name, const std::string& text) {
    out += "      <" + name + ">" + escaped(text) + "</" + name + ">\n";
}

}  // namespace

std::string write(const Appcast& appcast) {
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<rss version=\"2.0\" xmlns:sparkle=\"" +
                      std::string(Appcast::sparkleNamespace) + "\">\n  <channel>\n";
    out += "    <title>" + escaped(appcast.title) + "</title>\n";
    for (const AppcastItem& item : appcast.items) {
        out += "    <item>\n";
        element(out, "title", item.title);
        if (item.publicationDate) {
            element(out, "pubDate", *item.publicationDate);
        }
        element(out, "sparkle:version", item.version.text());
        if (!item.shortVersionString.empty()) {
            element(out, "sparkle:shortVersionString", item.shortVersionString);
        }
        if (item.minimumSystemVersion) {
            element(out, "sparkle:minimumSystemVersion", item.minimumSystemVersion->text());
        }
        out += "      <enclosure url=\"" + escaped(item.url) + "\" length=\"" + std::to_string(item.length) +
               "\" type=\"application/vnd.debian.binary-package\" sparkle:edSignature=\"" +
               escaped(item.edSignature) + "\"/>\n";
        out += "    </item>\n";
    }
    out += "  </channel>\n</rss>\n";
    return out;
}

}  // namespace kindora::AppcastWriter
