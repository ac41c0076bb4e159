// Reads the setup's resources the way Windows and the wizard read them, and reports every
// difference from what the wizard relies on.
//
//     resource_probe               checks its own resources (it links the setup's .rc) and
//                                  what its manifest did to the process
//     resource_probe EXE           checks the resources of another executable, loaded as an
//                                  image resource without running it
//
// Each failure is printed on its own line, followed by "failed checks: ..." naming the
// failing groups; the exit code is 1 when anything failed.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "core/product_names.h"

namespace {

const WORD ResourceLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD RtIcon = 3;
const WORD RtGroupIcon = 14;
const WORD RtVersion = 16;
const WORD RtManifest = 24;
const WORD AppIconGroup = 1000;
const WORD LogoIconBase = 1020;
const WORD LicenceName = 1030;
const WORD LicenceType = 256;
const DWORD LicenceLimit = 4095;

struct IconImage {
    WORD Group;
    WORD Image;
    int Width;
    int Height;
};

const IconImage IconImages[] = {
    {AppIconGroup, 1, 16, 16},      {AppIconGroup, 2, 32, 32},      {AppIconGroup, 3, 48, 48},
    {AppIconGroup, 4, 64, 64},      {LogoIconBase, 5, 120, 41},     {LogoIconBase + 1, 6, 150, 52},
    {LogoIconBase + 2, 7, 180, 62}, {LogoIconBase + 3, 8, 240, 83},
};

struct ResourceId {
    WORD Type;
    WORD Name;
};

// Every resource of the executable, in the order the resource directory sorts them.
const ResourceId Resources[] = {
    {RtIcon, 1},         {RtIcon, 2},         {RtIcon, 3},         {RtIcon, 4},
    {RtIcon, 5},         {RtIcon, 6},         {RtIcon, 7},         {RtIcon, 8},
    {RtGroupIcon, 1000}, {RtGroupIcon, 1020}, {RtGroupIcon, 1021}, {RtGroupIcon, 1022},
    {RtGroupIcon, 1023}, {RtVersion, 1},      {RtManifest, 1},     {LicenceType, LicenceName},
};
const size_t ResourceCount = sizeof(Resources) / sizeof(Resources[0]);

struct VersionString {
    const wchar_t* Key;
    const wchar_t* Value;
};

const VersionString VersionStrings[] = {
    {L"CompanyName", L"" CORVALE_PUBLISHER_NAME},
    {L"FileDescription", L"Corvale Setup"},
    {L"InternalName", L""},
    {L"OriginalFilename", L""},
    {L"ProductName", L"" CORVALE_PRODUCT_NAME},
    {L"ProductVersion", L"" CORVALE_PRODUCT_VERSION},
};

enum CheckGroup {
    DirectoryChecks,
    IconChecks,
    LogoChecks,
    LicenceChecks,
    VersionChecks,
    ManifestChecks,
    GroupCount
};
const char* const GroupNames[GroupCount] = {"directory", "icons", "logos", "licence", "version", "manifest"};
bool GroupFailed[GroupCount];

bool Check(bool ok, CheckGroup group, const char* format, ...) {
    if (ok) {
        return true;
    }
    GroupFailed[group] = true;
    printf("%s: ", GroupNames[group]);
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    printf("\n");
    return false;
}

// ---- Directory -------------------------------------------------------------------------

struct FoundResource {
    ULONG_PTR Type;
    ULONG_PTR Name;
    WORD Language;
};

struct FoundList {
    FoundResource Items[64];
    size_t Count;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR list) {
    FoundList* found = reinterpret_cast<FoundList*>(list);
    if (found->Count < sizeof(found->Items) / sizeof(found->Items[0])) {
        // A name given as a string is kept as 0: only numeric names are expected.
        ULONG_PTR typeId = IS_INTRESOURCE(type) ? reinterpret_cast<ULONG_PTR>(type) : 0;
        ULONG_PTR nameId = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
        found->Items[found->Count] = {typeId, nameId, language};
    }
    found->Count++;
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR list) {
    EnumResourceLanguagesW(module, type, name, CollectLanguage, list);
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPWSTR type, LONG_PTR list) {
    EnumResourceNamesW(module, type, CollectName, list);
    return TRUE;
}

void CheckDirectory(HMODULE module) {
    FoundList found = {};
    EnumResourceTypesW(module, CollectType, reinterpret_cast<LONG_PTR>(&found));
    Check(found.Count == ResourceCount, DirectoryChecks, "%u resources, expected %u", unsigned(found.Count),
          unsigned(ResourceCount));
    for (size_t i = 0; i < found.Count && i < ResourceCount; i++) {
        const FoundResource& item = found.Items[i];
        Check(item.Type == Resources[i].Type && item.Name == Resources[i].Name &&
                  item.Language == ResourceLanguage,
              DirectoryChecks, "resource %u is %u/%u language %#06x, expected %u/%u language %#06x",
              unsigned(i), unsigned(item.Type), unsigned(item.Name), item.Language, Resources[i].Type,
              Resources[i].Name, ResourceLanguage);
    }
}

// ---- Icons -----------------------------------------------------------------------------

const void* ResourceData(HMODULE module, WORD type, WORD name, DWORD* size) {
    HRSRC found = FindResourceExW(module, MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(name), ResourceLanguage);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    *size = found ? SizeofResource(module, found) : 0;
    return loaded ? LockResource(loaded) : nullptr;
}

struct IconFacts {
    bool Valid;
    bool IsIcon;
    int HotspotX;
    int HotspotY;
    int Width;
    int Height;
};

IconFacts ReadIcon(HICON icon) {
    IconFacts facts = {};
    ICONINFO info = {};
    if (!icon || !GetIconInfo(icon, &info)) {
        return facts;
    }
    BITMAP colour = {};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof(colour), &colour)) {
        facts = {true,
                 info.fIcon != FALSE,
                 int(info.xHotspot),
                 int(info.yHotspot),
                 int(colour.bmWidth),
                 int(colour.bmHeight)};
    }
    if (info.hbmColor) {
        DeleteObject(info.hbmColor);
    }
    if (info.hbmMask) {
        DeleteObject(info.hbmMask);
    }
    return facts;
}

// The group resolves each size to its own image, and each image loads as an icon of that size.
void CheckIconImages(HMODULE module) {
    for (const IconImage& image : IconImages) {
        CheckGroup group = image.Group == AppIconGroup ? IconChecks : LogoChecks;
        DWORD size = 0;
        const void* directory = ResourceData(module, RtGroupIcon, image.Group, &size);
        if (!Check(directory != nullptr, group, "icon group %u not found", image.Group)) {
            continue;
        }
        int chosen = LookupIconIdFromDirectoryEx(static_cast<BYTE*>(const_cast<void*>(directory)), TRUE,
                                                 image.Width, image.Height, LR_DEFAULTCOLOR);
        Check(chosen == image.Image, group, "group %u gives image %d for %dx%d, expected %u", image.Group,
              chosen, image.Width, image.Height, image.Image);

        const void* bits = ResourceData(module, RtIcon, image.Image, &size);
        if (!Check(bits != nullptr, group, "icon image %u not found", image.Image)) {
            continue;
        }
        HICON icon = CreateIconFromResourceEx(static_cast<BYTE*>(const_cast<void*>(bits)), size, TRUE,
                                              0x00030000, 0, 0, LR_DEFAULTCOLOR);
        IconFacts facts = ReadIcon(icon);
        Check(facts.Valid && facts.Width == image.Width && facts.Height == image.Height, group,
              "icon image %u loads as %dx%d, expected %dx%d", image.Image, facts.Width, facts.Height,
              image.Width, image.Height);
        if (icon) {
            DestroyIcon(icon);
        }
    }
}

// The window-class icon: LoadIconW gives the system's large icon size from group 1000.
void CheckAppIcon(HMODULE module) {
    IconFacts facts = ReadIcon(LoadIconW(module, MAKEINTRESOURCEW(AppIconGroup)));
    int size = GetSystemMetrics(SM_CXICON);
    Check(facts.Valid && facts.IsIcon && facts.Width == size && facts.Height == size, IconChecks,
          "LoadIconW(%u) gives %dx%d, expected %dx%d", AppIconGroup, facts.Width, facts.Height, size, size);
}

// The wizard loads each logo at its own size only to read its hotspot, and centres the logo on
// its anchor by subtracting it: the hotspot must be the picture's centre.
void CheckLogoHotspots(HMODULE module) {
    for (const IconImage& image : IconImages) {
        if (image.Group == AppIconGroup) {
            continue;
        }
        HANDLE loaded = LoadImageW(module, MAKEINTRESOURCEW(image.Group), IMAGE_ICON, 0, 0, LR_SHARED);
        IconFacts facts = ReadIcon(static_cast<HICON>(loaded));
        Check(facts.Valid && facts.IsIcon && facts.Width == image.Width && facts.Height == image.Height,
              LogoChecks, "logo %u loads as %dx%d, expected %dx%d", image.Group, facts.Width, facts.Height,
              image.Width, image.Height);
        Check(facts.HotspotX == image.Width / 2 && facts.HotspotY == image.Height / 2, LogoChecks,
              "logo %u has its hotspot at %d,%d, expected %d,%d", image.Group, facts.HotspotX, facts.HotspotY,
              image.Width / 2, image.Height / 2);
    }
}

// The icon label names its logo as "#<id>" and takes the icon's own size.
void CheckLogoLabels(HMODULE module) {
    HWND parent =
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr, nullptr, nullptr);
    if (!Check(parent != nullptr, LogoChecks, "no window could be created (is there a display?)")) {
        return;
    }
    for (const IconImage& image : IconImages) {
        if (image.Group == AppIconGroup) {
            continue;
        }
        wchar_t text[64];
        swprintf(text, 64, L"#%u", image.Group);
        HWND label = CreateWindowExW(0, L"Static", text, WS_CHILD | WS_VISIBLE | SS_REALSIZEIMAGE | SS_ICON,
                                     10, 10, 0, 0, parent, nullptr, module, nullptr);
        RECT rect = {};
        if (label) {
            GetClientRect(label, &rect);
        }
        Check(label && rect.right == image.Width && rect.bottom == image.Height, LogoChecks,
              "icon label %ls is %ldx%ld, expected %dx%d", text, rect.right, rect.bottom, image.Width,
              image.Height);
        if (label) {
            DestroyWindow(label);
        }
    }
    DestroyWindow(parent);
}

// ---- Licence ---------------------------------------------------------------------------

// Found by name and type alone, as the wizard finds it; copied whole into a 4096-byte buffer.
void CheckLicence(HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(LicenceName), MAKEINTRESOURCEW(LicenceType));
    if (!Check(found != nullptr, LicenceChecks, "licence %u/%u not found", LicenceType, LicenceName)) {
        return;
    }
    DWORD size = SizeofResource(module, found);
    const unsigned char* text = static_cast<const unsigned char*>(LockResource(LoadResource(module, found)));
    if (!Check(text != nullptr && size > 0, LicenceChecks, "licence cannot be loaded")) {
        return;
    }
    Check(size <= LicenceLimit, LicenceChecks, "licence has %lu bytes, more than %lu", size, LicenceLimit);
    unsigned badBytes = 0;
    unsigned loneBreaks = 0;
    unsigned doubleGaps = 0;
    for (DWORD i = 0; i < size; i++) {
        unsigned char c = text[i];
        if (c == '\r') {
            loneBreaks += (i + 1 >= size || text[i + 1] != '\n');
        } else if (c == '\n') {
            loneBreaks += (i == 0 || text[i - 1] != '\r');
        } else if (c < 0x20 || c > 0x7E) {
            badBytes++;
        }
        if (i + 6 <= size && memcmp(text + i, "\r\n\r\n\r\n", 6) == 0) {
            doubleGaps++;
        }
    }
    Check(badBytes == 0, LicenceChecks, "licence has %u bytes that are not printable ASCII", badBytes);
    Check(loneBreaks == 0, LicenceChecks, "licence has %u CR or LF outside a CR LF pair", loneBreaks);
    Check(doubleGaps == 0, LicenceChecks, "licence has blocks separated by more than one empty line");
    Check(size >= 2 && text[size - 2] == '\r' && text[size - 1] == '\n', LicenceChecks,
          "licence does not end with CR LF");
}

// ---- Version block ---------------------------------------------------------------------

void CheckVersion(const wchar_t* path) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    static unsigned char block[8192];
    if (!Check(size > 0 && size <= sizeof(block) && GetFileVersionInfoW(path, 0, size, block), VersionChecks,
               "no version block readable from %ls", path)) {
        return;
    }
    void* value = nullptr;
    UINT length = 0;
    VS_FIXEDFILEINFO* fixed = nullptr;
    if (Check(VerQueryValueW(block, L"\\", &value, &length) && length == sizeof(VS_FIXEDFILEINFO),
              VersionChecks, "no fixed version part")) {
        fixed = static_cast<VS_FIXEDFILEINFO*>(value);
        Check(fixed->dwSignature == 0xFEEF04BD && fixed->dwStrucVersion == 0x00010000, VersionChecks,
              "fixed part signature %#lx version %#lx", fixed->dwSignature, fixed->dwStrucVersion);
        Check(fixed->dwFileVersionMS == (CORVALE_VERSION_MAJOR << 16 | CORVALE_VERSION_MINOR) &&
                  fixed->dwFileVersionLS == (CORVALE_VERSION_PATCH << 16),
              VersionChecks, "file version %#lx.%#lx, expected %s.0", fixed->dwFileVersionMS,
              fixed->dwFileVersionLS, CORVALE_PRODUCT_VERSION);
        Check(fixed->dwProductVersionMS == 0 && fixed->dwProductVersionLS == 0, VersionChecks,
              "fixed product version %#lx.%#lx, expected 0.0.0.0", fixed->dwProductVersionMS,
              fixed->dwProductVersionLS);
        Check(fixed->dwFileFlagsMask == 0x17 && fixed->dwFileFlags == 0, VersionChecks,
              "file flags %#lx mask %#lx, expected 0 mask 0x17", fixed->dwFileFlags, fixed->dwFileFlagsMask);
        Check(fixed->dwFileOS == VOS__WINDOWS32 && fixed->dwFileType == VFT_APP && fixed->dwFileSubtype == 0,
              VersionChecks, "file OS %#lx type %lu subtype %lu", fixed->dwFileOS, fixed->dwFileType,
              fixed->dwFileSubtype);
        Check(fixed->dwFileDateMS == 0 && fixed->dwFileDateLS == 0, VersionChecks, "file date is set");
    }
    if (Check(VerQueryValueW(block, L"\\VarFileInfo\\Translation", &value, &length) && length == 4,
              VersionChecks, "translation missing or not exactly one pair")) {
        const WORD* pair = static_cast<const WORD*>(value);
        Check(pair[0] == 0x0809 && pair[1] == 1200, VersionChecks,
              "translation %#06x %u, expected 0x0809 1200", pair[0], pair[1]);
    }
    for (const VersionString& expected : VersionStrings) {
        wchar_t query[128];
        swprintf(query, 128, L"\\StringFileInfo\\080904b0\\%ls", expected.Key);
        const wchar_t* text = nullptr;
        bool found = VerQueryValueW(block, query, &value, &length) != FALSE;
        text = found ? static_cast<const wchar_t*>(value) : nullptr;
        // An empty value may come back as no characters at all.
        bool matches = found && (length == 0 ? expected.Value[0] == 0 : wcscmp(text, expected.Value) == 0);
        Check(matches, VersionChecks, "%ls is \"%ls\", expected \"%ls\"", expected.Key,
              found && length ? text : L"(none)", expected.Value);
    }
    Check(VerQueryValueW(block, L"\\StringFileInfo\\080904b0\\LegalCopyright", &value, &length) && length > 1,
          VersionChecks, "LegalCopyright missing");
    Check(!VerQueryValueW(block, L"\\StringFileInfo\\080904b0\\FileVersion", &value, &length), VersionChecks,
          "a FileVersion string exists; the fixed part alone carries the file version");
}

// ---- Manifest effects on this process ----------------------------------------------------

// The common-controls dependency shows in the process's activation context: comctl32.dll is
// redirected to the version-6 assembly. (DllGetVersion can't tell: Wine reports 5.81 for both.)
void CheckManifestEffects() {
    Check(IsProcessDPIAware() != FALSE, ManifestChecks, "the process is not DPI-aware");
    ACTCTX_SECTION_KEYED_DATA redirection = {};
    redirection.cbSize = sizeof(redirection);
    if (!Check(FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, nullptr,
                                        ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                        &redirection) != FALSE,
               ManifestChecks, "comctl32.dll is not redirected to a side-by-side assembly")) {
        return;
    }
    static union {
        ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION Info;
        unsigned char Space[8192];
    } assembly;
    DWORD index = redirection.ulAssemblyRosterIndex;
    SIZE_T needed = 0;
    const wchar_t* identity = L"(unknown)";
    if (QueryActCtxW(0, redirection.hActCtx, &index, AssemblyDetailedInformationInActivationContext,
                     &assembly, sizeof(assembly), &needed) &&
        assembly.Info.lpAssemblyEncodedAssemblyIdentity) {
        identity = assembly.Info.lpAssemblyEncodedAssemblyIdentity;
    }
    Check(wcsstr(identity, L"Microsoft.Windows.Common-Controls,") == identity &&
              wcsstr(identity, L"version=\"6."),
          ManifestChecks, "comctl32.dll comes from %ls, expected common controls 6", identity);
    ReleaseActCtx(redirection.hActCtx);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t path[MAX_PATH + 2];
    HMODULE module = nullptr;
    if (argc > 1) {
        // A Unix path from the test driver lies on Wine's Z: drive.
        swprintf(path, MAX_PATH + 2, argv[1][0] == L'/' ? L"Z:%ls" : L"%ls", argv[1]);
        for (wchar_t* c = path; *c; c++) {
            *c = *c == L'/' ? L'\\' : *c;
        }
        module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        if (!module) {
            printf("cannot load %ls (error %lu)\nfailed checks: directory\n", path, GetLastError());
            return 1;
        }
    } else {
        module = GetModuleHandleW(nullptr);
        GetModuleFileNameW(nullptr, path, MAX_PATH);
    }

    CheckDirectory(module);
    CheckIconImages(module);
    CheckAppIcon(module);
    CheckLogoHotspots(module);
    CheckLogoLabels(module);
    CheckLicence(module);
    CheckVersion(path);
    if (argc <= 1) {
        CheckManifestEffects();
    }

    printf("failed checks:");
    bool any = false;
    for (int group = 0; group < GroupCount; group++) {
        if (GroupFailed[group]) {
            printf(" %s", GroupNames[group]);
            any = true;
        }
    }
    printf("%s\n", any ? "" : " none");
    return any ? 1 : 0;
}
