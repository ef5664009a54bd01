// A stand-in for an X11 screen locker (xscreensaver, i3lock, xsecurelock): an override-redirect window
// over the whole screen that raises itself whenever anything obscures it, and takes the keyboard with
// XGrabKeyboard as lockers do, retrying for a second. Runs for the given seconds, then prints what it
// saw: whether its grab succeeded and how often it had to raise itself. Used by the panels' end-to-end
// test to show that the panels never hold the keyboard and never fight a locker for the top.
//
// usage: kindora_locker_stand_in SECONDS
#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const char* grabStatusText(int status) {
    switch (status) {
        case XCB_GRAB_STATUS_SUCCESS:
            return "success";
        case XCB_GRAB_STATUS_ALREADY_GRABBED:
            return "already-grabbed";
        case XCB_GRAB_STATUS_FROZEN:
            return "frozen";
        case XCB_GRAB_STATUS_NOT_VIEWABLE:
            return "not-viewable";
        default:
            return "invalid-time";
    }
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(xcb)) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data;
    const xcb_window_t window = xcb_generate_id(xcb);
    const std::uint32_t values[] = {0x202020, 1, XCB_EVENT_MASK_VISIBILITY_CHANGE | XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, screen->width_in_pixels,
                      screen->height_in_pixels, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    const char title[] = "Locker stand-in";
    xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof title - 1,
                        title);
    xcb_map_window(xcb, window);
    xcb_flush(xcb);

    // Lockers try for a while: the keyboard may be grabbed for a moment by a menu.
    int status = XCB_GRAB_STATUS_NOT_VIEWABLE;
    for (int attempt = 0; attempt < 20 && status != XCB_GRAB_STATUS_SUCCESS; ++attempt) {
        const std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> reply(
            xcb_grab_keyboard_reply(xcb,
                                    xcb_grab_keyboard(xcb, 1, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                                      XCB_GRAB_MODE_ASYNC),
                                    nullptr),
            &std::free);
        status = reply ? static_cast<int>(reply->status) : static_cast<int>(XCB_GRAB_STATUS_INVALID_TIME);
        if (status != XCB_GRAB_STATUS_SUCCESS) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    std::printf("window=%u grab=%s\n", window, grabStatusText(status));
    std::fflush(stdout);

    int raises = 0;
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        pollfd descriptor{xcb_get_file_descriptor(xcb), POLLIN, 0};
        ::poll(&descriptor, 1, 50);
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) {
            if ((event->response_type & 0x7f) == XCB_VISIBILITY_NOTIFY &&
                reinterpret_cast<xcb_visibility_notify_event_t*>(event)->state != XCB_VISIBILITY_UNOBSCURED) {
                const std::uint32_t above = XCB_STACK_MODE_ABOVE;
                xcb_configure_window(xcb, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
                xcb_flush(xcb);
                ++raises;
            }
            std::free(event);
        }
        if (xcb_connection_has_error(xcb)) {
            break;
        }
    }
    std::printf("raises=%d\n", raises);
    std::fflush(stdout);
    xcb_disconnect(xcb);
    return 0;
}
