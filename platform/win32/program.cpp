#include "platform/program.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace platform {

namespace {

bool hasHandle(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The folder the running program lies in, with its closing backslash.
std::wstring programFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return L"";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
}

} // namespace

void startProgram() {
    // Started from a console (cmd, PowerShell) the program gets no standard
    // handles of its own; redirected ones (a pipe, a file) are kept. Looked
    // at before attaching, which may hand out the console's.
    const bool out = hasHandle(STD_OUTPUT_HANDLE), err = hasHandle(STD_ERROR_HANDLE);
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!out) std::freopen("CONOUT$", "w", stdout);
        if (!err) std::freopen("CONOUT$", "w", stderr);
    }
    std::wstring data = programFolder() + L"data";
    DWORD attributes = GetFileAttributesW((data + L"\\Settings.ini").c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        SetCurrentDirectoryW(data.c_str());
}

} // namespace platform
