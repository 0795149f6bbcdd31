#include "platform/message_box_windows.h"

namespace rireve {

int showMessageBox(HWND owner, const char* text, const char* title, UINT style) {
    return MessageBoxA(owner, text, title, style);
}

}  // namespace rireve
