#include "app/platform/WorkingScreen.hpp"

#include <QtGui/qguiapplication_platform.h>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace kindora {

namespace {

template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

// The centre of the window manager's active window, in root coordinates.
std::optional<QPoint> activeWindowCentre() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* xcb = x11 ? x11->connection() : nullptr;
    if (!xcb) {
        return std::nullopt;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
    static constexpr char name[] = "_NET_ACTIVE_WINDOW";
    const XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(xcb, xcb_intern_atom(xcb, 1, sizeof name - 1, name), nullptr), &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    const XcbReply<xcb_get_property_reply_t> property(
        xcb_get_property_reply(xcb, xcb_get_property(xcb, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
        &std::free);
    if (!property || xcb_get_property_value_length(property.get()) < static_cast<int>(sizeof(xcb_window_t))) {
        return std::nullopt;
    }
    xcb_window_t active = XCB_NONE;
    std::memcpy(&active, xcb_get_property_value(property.get()), sizeof active);
    if (active == XCB_NONE) {
        return std::nullopt;
    }
    // A window manager may leave a window that was just hidden (a closed popup) as the active one.
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(xcb, xcb_get_window_attributes(xcb, active), nullptr), &std::free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
        return std::nullopt;
    }
    const XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(xcb, xcb_get_geometry(xcb, active), nullptr), &std::free);
    const XcbReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(xcb, xcb_translate_coordinates(xcb, active, root, 0, 0), nullptr),
        &std::free);
    if (!geometry || !origin) {
        return std::nullopt;
    }
    return QPoint(origin->dst_x + geometry->width / 2, origin->dst_y + geometry->height / 2);
}

}  // namespace

QScreen* workingScreen() {
    if (const auto centre = activeWindowCentre()) {
        if (QScreen* screen = QGuiApplication::screenAt(*centre)) {
            return screen;
        }
    }
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos())) {
        return screen;
    }
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        return primary;
    }
    const auto screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.front();
}

}  // namespace kindora
