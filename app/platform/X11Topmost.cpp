#include "app/platform/X11Topmost.hpp"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace kindora {

namespace {

template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

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

void X11Topmost::hold(QWindow& window) {
    release(window);
    held_.emplace_back(&window);
    watchRoot();
    raiseAll();
}

void X11Topmost::release(QWindow& window) {
    std::erase_if(held_, [&](const QPointer<QWindow>& held) { return !held || held == &window; });
}

void X11Topmost::watchRoot() {
    xcb_connection_t* xcb = connection();
    if (watchingRoot_ || !xcb) {
        return;
    }
    // Event masks are per client: add "tell me when a top-level window is mapped or restacked" to
    // whatever Qt already selected on the root window.
    const xcb_window_t root = rootOf(xcb);
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(xcb, xcb_get_window_attributes(xcb, root), nullptr), &std::free);
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(xcb, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(xcb);
    watchingRoot_ = true;
}

void X11Topmost::raiseAll() {
    restack(/*answeringAnotherWindow=*/false);
}

void X11Topmost::restack(bool answeringAnotherWindow) {
    xcb_connection_t* xcb = connection();
    if (!xcb || raising_) {
        return;
    }
    // The root's children, bottom to top; the topmost viewable one that the window manager manages
    // and that is not ours is what the panels go just above.
    const XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(xcb, xcb_query_tree(xcb, rootOf(xcb)), nullptr),
                                                &std::free);
    if (!tree) {
        return;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        cookies.push_back(xcb_get_window_attributes(xcb, children[index]));
    }
    // What each child is: the topmost viewable managed window that is not ours, and which viewable
    // windows belong to another client's override-redirect layer (a locker, a menu).
    int topManaged = -1;
    std::vector<bool> foreignOverride(static_cast<std::size_t>(count), false);
    for (int index = count - 1; index >= 0; --index) {
        const XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(xcb, cookies[static_cast<std::size_t>(index)], nullptr), &std::free);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || isHeld(children[index])) {
            continue;
        }
        if (attributes->override_redirect) {
            foreignOverride[static_cast<std::size_t>(index)] = true;
        } else if (topManaged < 0) {
            topManaged = index;
        }
    }
    if (topManaged < 0) {
        return;  // nothing managed to stay above
    }
    // Already just above it, in order, with no one else's override-redirect window in between: nothing to
    // do (a window that only moved or resized).
    std::vector<xcb_window_t> shown;
    for (const auto& held : held_) {
        if (held && held->isVisible()) {
            shown.push_back(static_cast<xcb_window_t>(held->winId()));
        }
    }
    int previous = topManaged;
    bool inOrder = true;
    for (const xcb_window_t window : shown) {
        const auto* found = std::find(children, children + count, window);
        const int position = static_cast<int>(found - children);
        if (found == children + count || position < previous ||
            std::any_of(foreignOverride.begin() + previous, foreignOverride.begin() + position,
                        [](bool foreign) { return foreign; })) {
            inOrder = false;
            break;
        }
        previous = position;
    }
    if (inOrder || (answeringAnotherWindow && !withinBudget())) {
        return;
    }
    raising_ = true;
    xcb_window_t below = children[topManaged];
    for (const xcb_window_t window : shown) {
        const std::uint32_t values[] = {below, XCB_STACK_MODE_ABOVE};
        xcb_configure_window(xcb, window, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
        below = window;
    }
    xcb_flush(xcb);
    raising_ = false;
}

bool X11Topmost::isHeld(unsigned int xid) const {
    return std::any_of(held_.begin(), held_.end(), [xid](const QPointer<QWindow>& held) {
        return held && static_cast<unsigned int>(held->winId()) == xid;
    });
}

bool X11Topmost::withinBudget() {
    const auto now = std::chrono::steady_clock::now();
    if (now - periodStart_ >= budgetPeriod) {
        periodStart_ = now;
        restacksInPeriod_ = 0;
    }
    if (restacksInPeriod_ >= restackBudget) {
        if (!loggedFight_) {
            logger_.info("Another window keeps coming above the panels; it is left there for now");
            loggedFight_ = true;
        }
        return false;
    }
    ++restacksInPeriod_;
    return true;
}

bool X11Topmost::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (held_.empty() || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_window_t moved = XCB_NONE;
    switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            const auto* map = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (!map->override_redirect) {
                moved = map->window;
            }
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            // Only the root's children (top-level windows) stack against the panels, and of those only
            // the ones the window manager manages: a locker's own window stays above.
            if (configure->event == rootOf(connection()) && !configure->override_redirect) {
                moved = configure->window;
            }
            break;
        }
        default:
            break;
    }
    if (moved != XCB_NONE && !isHeld(moved)) {
        restack(/*answeringAnotherWindow=*/true);
    }
    return false;  // Qt sees every event as before
}

}  // namespace kindora
