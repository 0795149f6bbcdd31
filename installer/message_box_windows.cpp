#include "installer/message_box.h"

namespace rireve {

int showMessageBox(HWND owner, const char* text, const char* title, UINT style) {
    return MessageBoxA(owner, text, title, style);
}

}  // namespace rireve
