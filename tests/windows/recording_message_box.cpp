// Records on standard output what the installer binding would show.
#include <cstdio>

#include "platform/message_box_windows.h"

namespace rireve {

int showMessageBox(HWND owner, const char* text, const char* title, UINT style) {
    std::printf("message owner=%s title=%s style=0x%x text=%s\n", owner == nullptr ? "none" : "some", title,
                style, text);
    std::fflush(stdout);
    return IDOK;
}

}  // namespace rireve
