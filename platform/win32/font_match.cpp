// Windows keeps its faces in one folder; Courier New Bold is in every
// install, and Lucida Console wherever that is not.
#include "platform/font_match.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {

bool matchFontFace(const char*, std::string& file, int& index) {
    wchar_t folder[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    for (const wchar_t* name : {L"\\Fonts\\courbd.ttf", L"\\Fonts\\lucon.ttf"}) {
        std::wstring path = std::wstring(folder) + name;
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            file = win32::fromWide(path.c_str());
            index = 0;
            return true;
        }
    }
    return false;
}

} // namespace platform
