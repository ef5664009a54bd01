#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/lifecycle/LoginItemService.hpp"

namespace kindora {

// Launch at login on Linux desktops: an XDG autostart entry "kindora.desktop". The agent counts as
// enabled while the entry exists and is not hidden ("Hidden=true" is how desktops switch an entry
// off without deleting it).
class XdgAutostartLoginItemService final : public LoginItemService {
public:
    static constexpr const char* entryFileName = "kindora.desktop";

    // `command` is the program and its arguments written to the entry's Exec line.
    XdgAutostartLoginItemService(std::filesystem::path autostartDirectory, std::vector<std::string> command);

    // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when XDG_CONFIG_HOME is unset or not absolute.
    static std::filesystem::path defaultAutostartDirectory();

    const std::filesystem::path& entryPath() const { return entryPath_; }

    Status status() const override;
    // Writes the entry atomically (a reader never sees half a file), replacing a hidden one.
    void registerLoginItem() override;
    void unregisterLoginItem() override;

    // The entry's text for `command`.
    static std::string desktopEntry(const std::vector<std::string>& command);

private:
    std::filesystem::path directory_;
    std::filesystem::path entryPath_;
    std::vector<std::string> command_;
};

}  // namespace kindora
