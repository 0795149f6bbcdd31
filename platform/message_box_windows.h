// Windows: the installer binding's one way of telling the user something.
// Tests link another implementation that records what would be shown.
#pragma once

#include <windows.h>

namespace rireve {

int showMessageBox(HWND owner, const char* text, const char* title, UINT style);

}  // namespace rireve
