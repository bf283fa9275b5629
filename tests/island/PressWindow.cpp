// A window for the end-to-end scripts that says where it was pressed: one line "press X Y" (its
// own pixels) on standard output for each press on it. Stays until killed.
//   press_window NAME [fullscreen|maximized] [undecorated]
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "press_window: no X server\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t values[] = {0x6a9955, XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 800, 500, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, uint32_t(std::strlen(argv[1])),
                        argv[1]);
    static constexpr char wmClass[] = "press_window\0PressWindow";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, sizeof(wmClass), wmClass);
    // The state it asks for from its first showing.
    std::vector<xcb_atom_t> state;
    for (int i = 2; i < argc; ++i) {
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
    xcb_disconnect(c);
    return 0;
}
