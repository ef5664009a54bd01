#pragma once

#include <string>

#include "core/common/Log.hpp"

namespace kindora {

// The desktop's side of the actions the views and the agent ask for: opening a link in its default
// application, the privacy settings page for reading Messages (none exists on Linux), and relaunching
// the agent. Main thread only.
class DesktopActions {
public:
    // Set in the environment of a relaunched agent, which then waits for its predecessor to exit
    // instead of handing over to it.
    static constexpr const char* relaunchVariable = "KINDORA_RELAUNCH";

    // Hands the URL to the desktop (xdg-open, or the OpenURI portal in a sandbox). A failure is logged.
    void openURL(const std::string& url) const;
    // Whether this platform has a settings page that grants access to the Messages database.
    static bool hasFullDiskAccessSettings();
    // Opens that page; does nothing where there is none.
    void openFullDiskAccessSettings() const;
    // Starts this program again, detached, then asks the application to quit. A failure to start the
    // new process is logged; the application quits anyway.
    void relaunchApplication() const;

private:
    const Log logger_{"AppDelegate"};
};

}  // namespace kindora
