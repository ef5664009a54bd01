#include "tools/appcast/AppcastCommandLine.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <set>

#include "core/common/AtomicFile.hpp"
#include "core/update/Appcast.hpp"
#include "core/update/AppcastWriter.hpp"
#include "core/update/UpdateError.hpp"
#include "core/update/UpdateSignature.hpp"

namespace kindora {
namespace {

// A failure the command reports with its exit status.
struct CommandFailure {
    int status;
    std::string message;
};

[[noreturn]] void fail(const std::string& message) {
    throw CommandFailure{1, message};
}
[[noreturn]] void misuse(const std::string& message) {
    throw CommandFailure{2, message};
}

// "--name value" options and "--flag" switches, then positional arguments.
struct ParsedArguments {
    std::map<std::string, std::string> options;
    std::set<std::string> switches;
    std::vector<std::string> positional;

    std::optional<std::string> option(const std::string& name) const {
        const auto found = options.find(name);
        return found == options.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::string required(const std::string& name) const {
        auto value = option(name);
        if (!value || value->empty()) {
            misuse("--" + name + " is required");
        }
        return *value;
    }
};

ParsedArguments parse(const std::vector<std::string>& arguments, const std::set<std::string>& valued,
                      const std::set<std::string>& flags) {
    ParsedArguments parsed;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) != 0) {
            parsed.positional.push_back(argument);
            continue;
        }
        const std::string name = argument.substr(2);
        if (flags.count(name) != 0) {
            parsed.switches.insert(name);
        } else if (valued.count(name) != 0) {
            if (i + 1 >= arguments.size()) {
                misuse(argument + " needs a value");
            }
            parsed.options[name] = arguments[++i];
        } else {
            misuse("unknown option " + argument);
        }
    }
    return parsed;
}

std::string trimmed(std::string text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; };
    while (!text.empty() && isSpace(text.back())) {
        text.pop_back();
    }
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    return std::string(first, text.end());
}

std::string readFile(const std::filesystem::path& file, const std::string& what) {
    std::optional<std::string> contents;
    try {
        contents = AtomicFile::read(file);
    } catch (const std::exception& error) {
        fail("cannot read the " + what + " " + file.string() + ": " + error.what());
    }
    if (!contents) {
        fail("the " + what + " " + file.string() + " does not exist");
    }
    return *contents;
}

UpdateSigningKey readSigningKey(const std::filesystem::path& file) {
    const auto key = UpdateSigningKey::fromBase64(trimmed(readFile(file, "signing key")));
    if (!key) {
        fail(file.string() + " is not a signing key (kindora-appcast generate-key makes one)");
    }
    return *key;
}

std::string rfc822(Date date) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(date);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[64] = {};
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S +0000", &utc);
    return text;
}

}  // namespace

const char* AppcastCommandLine::usage() {
    return "usage:\n"
           "  kindora-appcast generate-key KEY_FILE\n"
           "      Writes a new secret signing key to KEY_FILE (mode 0600; an existing file is kept) and\n"
           "      prints its public key, the value of KINDORA_UPDATE_PUBLIC_KEY for release builds.\n"
           "  kindora-appcast public-key KEY_FILE\n"
           "      Prints the public key of a signing key.\n"
           "  kindora-appcast sign KEY_FILE PACKAGE\n"
           "      Prints the Base64 Ed25519 signature of PACKAGE.\n"
           "  kindora-appcast add --key KEY_FILE --appcast APPCAST --url URL --version VERSION\n"
           "                      [--short-version TEXT] [--title TEXT] [--date RFC822_DATE]\n"
           "                      [--minimum-system-version VERSION] [--public-key BASE64]\n"
           "                      [--replace] [--allow-loopback-http] PACKAGE\n"
           "      Signs PACKAGE and adds its item to APPCAST (written anew when it does not exist).\n"
           "      The signature is checked against the public key the agents trust (--public-key,\n"
           "      else the signing key's own) on the package as read back from disk; an item whose\n"
           "      signature does not verify is refused and nothing is written. An item of the same\n"
           "      version is refused unless --replace is given.\n";
}

int AppcastCommandLine::run(const std::vector<std::string>& arguments) {
    try {
        if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "help") {
            (arguments.empty() ? err_ : out_) << usage();
            return arguments.empty() ? 2 : 0;
        }
        const std::string& command = arguments[0];
        if (command == "generate-key") {
            return generateKey(arguments);
        }
        if (command == "public-key") {
            return publicKey(arguments);
        }
        if (command == "sign") {
            return sign(arguments);
        }
        if (command == "add") {
            return add(arguments);
        }
        misuse("unknown command " + command);
    } catch (const CommandFailure& failure) {
        err_ << "kindora-appcast: " << failure.message << "\n";
        if (failure.status == 2) {
            err_ << usage();
        }
        return failure.status;
    } catch (const std::exception& error) {
        err_ << "kindora-appcast: " << error.what() << "\n";
        return 1;
    }
}

int AppcastCommandLine::generateKey(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, {}, {});
    if (parsed.positional.size() != 1) {
        misuse("generate-key takes the key file");
    }
    const std::filesystem::path file = parsed.positional[0];
    if (std::filesystem::exists(file)) {
        fail(file.string() + " exists already; it is kept");
    }
    const UpdateSigningKey key = UpdateSigningKey::generate();
    AtomicFile::write(file, key.base64() + "\n");  // mode 0600
    out_ << key.publicKey().base64() << "\n";
    return 0;
}

int AppcastCommandLine::publicKey(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, {}, {});
    if (parsed.positional.size() != 1) {
        misuse("public-key takes the key file");
    }
    out_ << readSigningKey(parsed.positional[0]).publicKey().base64() << "\n";
    return 0;
}

int AppcastCommandLine::sign(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments, {}, {});
    if (parsed.positional.size() != 2) {
        misuse("sign takes the key file and the package");
    }
    const UpdateSigningKey key = readSigningKey(parsed.positional[0]);
    out_ << key.sign(readFile(parsed.positional[1], "package")) << "\n";
    return 0;
}

int AppcastCommandLine::add(const std::vector<std::string>& arguments) {
    const ParsedArguments parsed = parse(arguments,
                                         {"key", "appcast", "url", "version", "short-version", "title",
                                          "date", "minimum-system-version", "public-key"},
                                         {"replace", "allow-loopback-http"});
    if (parsed.positional.size() != 1) {
        misuse("add takes exactly one package");
    }
    const std::filesystem::path packageFile = parsed.positional[0];
    const std::filesystem::path appcastFile = parsed.required("appcast");
    const bool allowsLoopbackHttp = parsed.switches.count("allow-loopback-http") != 0;
    const UpdateSigningKey key = readSigningKey(parsed.required("key"));
    UpdatePublicKey trusted = key.publicKey();
    if (const auto given = parsed.option("public-key")) {
        const auto parsedKey = UpdatePublicKey::fromBase64(trimmed(*given));
        if (!parsedKey) {
            misuse("--public-key is not the Base64 of a 32-byte public key");
        }
        trusted = *parsedKey;
    }

    AppcastItem item;
    try {
        item.version = Version::parse(parsed.required("version"));
        if (const auto minimum = parsed.option("minimum-system-version")) {
            item.minimumSystemVersion = Version::parse(*minimum);
        }
    } catch (const UpdateError& error) {
        misuse(error.what());
    }
    item.shortVersionString = parsed.option("short-version").value_or("");
    item.title = parsed.option("title").value_or("Kindora " + item.displayVersion());
    item.publicationDate = parsed.option("date").value_or(rfc822(now_));
    item.url = parsed.required("url");
    if (!isAcceptedUpdateURL(item.url, allowsLoopbackHttp)) {
        misuse("--url must be https://host/path" +
               std::string(allowsLoopbackHttp ? " or http://127.0.0.1:PORT/path" : ""));
    }

    // Sign what is on disk, then read it back and check the signature with the key the agents trust:
    // an item is written only for a package they will accept.
    const std::string package = readFile(packageFile, "package");
    if (package.empty() || package.size() > Appcast::maximumPackageBytes) {
        fail("the package must be 1 to " + std::to_string(Appcast::maximumPackageBytes) + " bytes");
    }
    item.edSignature = key.sign(package);
    item.length = package.size();
    const std::string readBack = readFile(packageFile, "package");
    if (readBack.size() != item.length || !trusted.verifies(readBack, item.edSignature)) {
        fail("refused: the signature of " + packageFile.string() + " does not verify with the public key " +
             trusted.base64() + "; nothing was written");
    }

    Appcast appcast;
    appcast.title = "Kindora";
    if (std::filesystem::exists(appcastFile)) {
        appcast = Appcast::parse(readFile(appcastFile, "appcast"), allowsLoopbackHttp);
    }
    const auto sameVersion =
        std::find_if(appcast.items.begin(), appcast.items.end(),
                     [&](const AppcastItem& existing) { return existing.version == item.version; });
    if (sameVersion != appcast.items.end()) {
        if (parsed.switches.count("replace") == 0) {
            fail("the appcast has an item of version " + sameVersion->version.text() +
                 " already (--replace replaces it); nothing was written");
        }
        appcast.items.erase(sameVersion);
    }
    // Newest first, as people read a feed.
    const auto position =
        std::find_if(appcast.items.begin(), appcast.items.end(),
                     [&](const AppcastItem& existing) { return existing.version < item.version; });
    appcast.items.insert(position, item);

    const std::string xml = AppcastWriter::write(appcast);
    if (Appcast::parse(xml, allowsLoopbackHttp).items != appcast.items) {
        fail("the written appcast would not read back as it was meant; nothing was written");
    }
    AtomicFile::write(appcastFile, xml);
    ::chmod(appcastFile.c_str(), 0644);  // the feed is published
    out_ << "Added " << item.displayVersion() << " (" << item.length << " bytes, signature "
         << item.edSignature << ") to " << appcastFile.string() << "\n";
    return 0;
}

}  // namespace kindora
