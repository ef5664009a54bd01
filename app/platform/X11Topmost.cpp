#include "app/platform/X11Topmost.hpp"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace kindora {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* xcb) {
    const xcb_setup_t* setup = xcb_get_setup(xcb);
    return xcb_setup_roots_iterator(setup).data->root;
}

}  // namespace

X11Topmost::X11Topmost() {
    if (isX11()) {
        qGuiApp->installNativeEventFilter(this);
    }
}

X11Topmost::~X11Topmost() {
    if (qGuiApp && isX11()) {
        qGuiApp->removeNativeEventFilter(this);
    }
}

bool X11Topmost::isX11() {
    return connection() != nullptr;
}

void X11Topmost::hold(QWindow& window, bool wantsKeyboard) {
    release(window);
    held_.push_back(Held{&window, wantsKeyboard});
    watchRoot();
    raiseAll();
}

void X11Topmost::release(QWindow& window) {
    std::erase_if(held_, [&](const Held& held) { return !held.window || held.window == &window; });
}

void X11Topmost::watchRoot() {
    xcb_connection_t* xcb = connection();
    if (watchingRoot_ || !xcb) {
        return;
    }
    // Event masks are per client: add "tell me when a top-level window is mapped or restacked" to
    // whatever Qt already selected on the root window.
    const xcb_window_t root = rootOf(xcb);
    const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(xcb, xcb_get_window_attributes(xcb, root), nullptr), &std::free);
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(xcb, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(xcb);
    watchingRoot_ = true;
}

void X11Topmost::raiseAll() {
    xcb_connection_t* xcb = connection();
    if (!xcb || raising_) {
        return;
    }
    raising_ = true;
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    for (const auto& held : held_) {
        if (held.window && held.window->isVisible()) {
            xcb_configure_window(xcb, static_cast<xcb_window_t>(held.window->winId()),
                                 XCB_CONFIG_WINDOW_STACK_MODE, &above);
        }
    }
    for (const auto& held : held_) {
        if (held.window && held.window->isVisible() && held.wantsKeyboard) {
            held.window->requestActivate();
        }
    }
    xcb_flush(xcb);
    raising_ = false;
}

bool X11Topmost::isHeld(unsigned int xid) const {
    return std::any_of(held_.begin(), held_.end(), [xid](const Held& held) {
        return held.window && static_cast<unsigned int>(held.window->winId()) == xid;
    });
}

bool X11Topmost::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (held_.empty() || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_window_t moved = XCB_NONE;
    switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY:
            moved = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
            break;
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            // Only events about the root's children (top-level windows) restack anything we hold.
            if (configure->event == rootOf(connection())) {
                moved = configure->window;
            }
            break;
        }
        default:
            break;
    }
    if (moved != XCB_NONE && !isHeld(moved)) {
        raiseAll();
    }
    return false;  // Qt sees every event as before
}

}  // namespace kindora
