#include "core/lifecycle/XdgAutostartLoginItemService.hpp"

#include <cstdlib>
#include <exception>
#include <fstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/common/AgentPaths.hpp"
#include "core/common/AtomicFile.hpp"
#include "core/lifecycle/LoginItemError.hpp"

namespace kindora {
namespace {

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// True when the [Desktop Entry] group sets Hidden=true; other groups (actions) do not count.
bool isHidden(std::istream& entry) {
    bool inMainGroup = false;
    std::string line;
    while (std::getline(entry, line)) {
        const std::string_view text = trim(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            inMainGroup = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (inMainGroup && equals != std::string_view::npos && trim(text.substr(0, equals)) == "Hidden" &&
            trim(text.substr(equals + 1)) == "true") {
            return true;
        }
    }
    return false;
}

// One argument of an Exec line: quoted when it holds a reserved character, with the characters that
// stay special inside quotes escaped, and a literal percent sign doubled (field codes start with %).
std::string execArgument(std::string_view argument) {
    std::string escaped;
    bool needsQuotes = argument.empty();
    for (const char c : argument) {
        if (std::string_view(" \t\n\"'\\><~|&;$*?#()`=").find(c) != std::string_view::npos) {
            needsQuotes = true;
        }
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            escaped += '\\';
        }
        if (c == '%') {
            escaped += '%';
        }
        escaped += c;
    }
    return needsQuotes ? "\"" + escaped + "\"" : escaped;
}

// The desktop-entry string escapes: a backslash in a value is written as "\\" so that it survives the
// value-level unescaping that comes before the Exec line is split.
std::string escapeValue(std::string_view value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

XdgAutostartLoginItemService::XdgAutostartLoginItemService(std::filesystem::path autostartDirectory,
                                                           std::vector<std::string> command)
    : directory_(std::move(autostartDirectory)),
      entryPath_(directory_ / entryFileName),
      command_(std::move(command)) {}

std::filesystem::path XdgAutostartLoginItemService::defaultAutostartDirectory() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && std::filesystem::path(configHome).is_absolute()) {
        return std::filesystem::path(configHome) / "autostart";
    }
    return AgentPaths::homeDirectory() / ".config" / "autostart";
}

LoginItemService::Status XdgAutostartLoginItemService::status() const {
    std::ifstream entry(entryPath_);
    if (!entry) {
        return Status::notRegistered;
    }
    return isHidden(entry) ? Status::notRegistered : Status::enabled;
}

std::string XdgAutostartLoginItemService::desktopEntry(const std::vector<std::string>& command) {
    std::string exec;
    for (const auto& argument : command) {
        if (!exec.empty()) {
            exec += ' ';
        }
        exec += execArgument(argument);
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Kindora\n"
           "Comment=Forwards new messages to your Kindora household\n"
           "Exec=" +
           escapeValue(exec) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

void XdgAutostartLoginItemService::registerLoginItem() {
    if (command_.empty() || command_.front().empty()) {
        throw LoginItemError("Launch at Login needs the path of the Kindora program");
    }
    try {
        std::filesystem::create_directories(directory_);
        AtomicFile::write(entryPath_, desktopEntry(command_));
    } catch (const std::exception& error) {
        throw LoginItemError("Could not write " + entryPath_.string() + ": " + error.what());
    }
}

void XdgAutostartLoginItemService::unregisterLoginItem() {
    std::error_code error;
    std::filesystem::remove(entryPath_, error);
    if (error) {
        throw LoginItemError("Could not remove " + entryPath_.string() + ": " + error.message());
    }
}

}  // namespace kindora
