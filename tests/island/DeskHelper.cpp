// A stand-in desktop for the end-to-end scripts: a desktop window of one colour and a dock-type
// panel across the top that reserves its height, as desktop top bars do; or an application's
// window that says where it was pressed, one line "press X Y" (its own pixels) on standard output
// for each press on it, in the state it asks for from its first showing. Stays until killed.
//   desk_helper RRGGBB HEIGHT
//   desk_helper press NAME [fullscreen|maximized] [undecorated]
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

void pressWindow(xcb_connection_t* c, xcb_screen_t* screen, int argc, char** argv) {
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {0x6a9955, XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 800, 500, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, uint32_t(std::strlen(argv[2])),
                        argv[2]);
    std::vector<xcb_atom_t> state;
    for (int i = 3; i < argc; ++i) {
        if (!std::strcmp(argv[i], "fullscreen")) state.push_back(atom(c, "_NET_WM_STATE_FULLSCREEN"));
        if (!std::strcmp(argv[i], "maximized")) {
            state.push_back(atom(c, "_NET_WM_STATE_MAXIMIZED_VERT"));
            state.push_back(atom(c, "_NET_WM_STATE_MAXIMIZED_HORZ"));
        }
        if (!std::strcmp(argv[i], "undecorated")) {
            // Motif hints: decorations given, none (as windows that draw their own tabs there).
            const uint32_t hints[5] = {2, 0, 0, 0, 0};
            const xcb_atom_t motif = atom(c, "_MOTIF_WM_HINTS");
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, motif, motif, 32, 5, hints);
        }
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32, uint32_t(state.size()),
                        state.data());
    xcb_map_window(c, w);
    xcb_flush(c);
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
        if ((e->response_type & ~0x80) == XCB_BUTTON_PRESS) {
            const auto* press = reinterpret_cast<xcb_button_press_event_t*>(e);
            std::printf("press %d %d\n", press->event_x, press->event_y);
            std::fflush(stdout);
        }
        std::free(e);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool press = argc >= 3 && !std::strcmp(argv[1], "press");
    if (argc != 3 && !press) return 2;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "desk_helper: no X server\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (press) {
        pressWindow(c, screen, argc, argv);
        xcb_disconnect(c);
        return 0;
    }
    const long rootColour = std::strtol(argv[1], nullptr, 16);
    const int dock = std::atoi(argv[2]);
    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE");
    auto window = [&](uint32_t colour, uint16_t width, uint16_t height, const char* kind) {
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t values[] = {colour};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, width, height, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL, values);
        const xcb_atom_t kindAtom = atom(c, kind);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, type, XCB_ATOM_ATOM, 32, 1, &kindAtom);
        return w;
    };
    const uint16_t width = screen->width_in_pixels;
    // On a 24-bit TrueColor visual a pixel is the colour itself.
    xcb_map_window(c, window(uint32_t(rootColour), width, screen->height_in_pixels, "_NET_WM_WINDOW_TYPE_DESKTOP"));
    const xcb_window_t w = window(0x303030, width, uint16_t(dock), "_NET_WM_WINDOW_TYPE_DOCK");
    // left, right, top, bottom, then the start and end of each: the top band across the screen.
    const uint32_t strut[12] = {0, 0, uint32_t(dock), 0, 0, 0, 0, 0, 0, uint32_t(width - 1), 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                        strut);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4, strut);
    static constexpr char title[] = "Top panel";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, sizeof(title) - 1, title);
    xcb_map_window(c, w);
    xcb_flush(c);
    while (xcb_generic_event_t* e = xcb_wait_for_event(c)) std::free(e);
    xcb_disconnect(c);
    return 0;
}
