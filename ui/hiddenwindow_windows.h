#pragma once
#include <windows.h>

namespace velk {

// A hidden window of the program's own, for a system broadcast that only top-level windows
// hear (a new system time, a resume): Qt's windows may not exist while VELK sits in the tray.
// owner is kept in the window's user data for proc to find.
HWND hiddenwindow(const wchar_t* classname, WNDPROC proc, void* owner);

// The owner given to hiddenwindow, or nullptr.
template <typename T> T* ownerof(HWND window) {
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

} // namespace velk
