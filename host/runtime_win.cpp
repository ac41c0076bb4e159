// Keeps the static runtime that the setup carries small.
//
// The library's own allocation functions are tied to its exception support (bad_alloc, the
// unwinder, the demangler and a formatted-output engine: some 80 KB). The setup never throws,
// so the nothrow forms it uses are replaced here, as the language allows. They allocate from
// the C heap like the library's own throwing form, so any block from either form can be
// freed by the one delete.
//
// The COM class and interface ids of the shell link come from a system import library whose
// members each carry hundreds of other ids (about 40 KB); defining the three used ones here
// as mergeable constants keeps those members out.
#include <windows.h>
#include <initguid.h>

#include <stdlib.h>

#include <new>

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept {
    free(block);
}

void operator delete(void* block, size_t) noexcept {
    operator delete(block);
}

DEFINE_GUID(CLSID_ShellLink, 0x00021401, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IShellLinkW, 0x000214f9, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DEFINE_GUID(IID_IPersistFile, 0x0000010b, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
