// String values in the Win32 registry. Every key handle is closed before the call returns.
#include <windows.h>

#include "platform.h"
#include "text.h"
#include "win_text.h"

namespace {
HKEY RootKey(RegistryRoot root) {
    return root == LocalMachineRoot ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}
} // namespace

int WriteRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, const char16_t* text) {
    HKEY opened;
    if (RegCreateKeyExW(RootKey(root), WideText(key), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS)
        return -1;
    // REG_SZ is stored with its terminator: "Yes" takes 8 bytes.
    DWORD bytes = static_cast<DWORD>((TextLength(text) + 1) * sizeof(char16_t));
    LONG set = RegSetValueExW(opened, WideText(name), 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    RegCloseKey(opened);
    return set == ERROR_SUCCESS ? 0 : -1;
}

int ReadRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, char16_t* buffer,
                       unsigned bufferBytes) {
    DWORD units = bufferBytes / sizeof(char16_t);
    if (units == 0)
        return -1;
    HKEY opened;
    if (RegOpenKeyExW(RootKey(root), WideText(key), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return -1;
    // The query copies the stored bytes as they are and adds no terminator, whatever the
    // type. Zero-filling first terminates any value shorter than the buffer, also one
    // stored without its terminator or with an odd byte count.
    for (DWORD i = 0; i < units; ++i)
        buffer[i] = 0;
    DWORD bytes = units * sizeof(char16_t);
    LONG queried =
        RegQueryValueExW(opened, WideText(name), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(opened);
    // A value that fills the whole buffer without a terminator (260 units of text in a
    // 260-unit buffer) could only be terminated by dropping its last unit, which would turn
    // a stored folder into a different one. Such a read fails like a value that is too
    // large, and the caller proposes its default instead.
    int terminated = 0;
    for (DWORD i = 0; i < units && terminated == 0; ++i)
        terminated = buffer[i] == 0;
    if (queried != ERROR_SUCCESS || terminated == 0) {
        buffer[0] = 0; // after a failed query the buffer's content is undefined
        return -1;
    }
    return 0;
}
