#include "ui/hiddenwindow_windows.h"

namespace velk {

HWND hiddenwindow(const wchar_t* classname, WNDPROC proc, void* owner) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = classname;
    RegisterClassW(&cls);
    HWND window = CreateWindowExW(0, classname, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  cls.hInstance, nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

} // namespace velk
