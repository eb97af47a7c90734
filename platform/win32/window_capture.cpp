// Dialog template names and window captures (window_capture.h).
#include "platform/win32/window_capture.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace plat::win32 {
namespace {

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::string>*>(names)->push_back(name);
    return TRUE;
}

void PutLittleEndian(unsigned char* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::vector<std::string> DialogTemplateNames(ModuleHandle module) {
    std::vector<std::string> names;
    EnumResourceNamesA(static_cast<HMODULE>(module), RT_DIALOG, AddName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

bool ClientSize(WindowHandle window, int* width, int* height) {
    RECT area;
    if (window == nullptr || GetClientRect(static_cast<HWND>(window), &area) == FALSE) return false;
    *width = area.right - area.left;
    *height = area.bottom - area.top;
    return true;
}

bool CaptureWindowBmp(WindowHandle window, const std::string& path) {
    RECT frame;
    if (window == nullptr || GetWindowRect(static_cast<HWND>(window), &frame) == FALSE) return false;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr && bits != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = stride * static_cast<uint32_t>(height);
    if (ok) {
        unsigned char header[54] = {'B', 'M'};
        PutLittleEndian(header + 2, 54 + imageBytes, 4);
        PutLittleEndian(header + 10, 54, 4);
        std::memcpy(header + 14, &info.bmiHeader, sizeof info.bmiHeader);
        PutLittleEndian(header + 34, imageBytes, 4);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ok = file != nullptr && std::fwrite(header, 1, sizeof header, file) == sizeof header &&
             std::fwrite(bits, 1, imageBytes, file) == imageBytes;
        if (file != nullptr) ok = std::fclose(file) == 0 && ok;
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace plat::win32
