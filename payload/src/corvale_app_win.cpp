// Corvale, the installed application: shows one ledger (.mpl) read-only, as the shell's
// open command starts it ("corvale.exe" "C:\...\file.mpl"), or an empty window with a hint.
// The document is read whole into a fixed buffer and parsed by the portable ledger parser,
// so a damaged file only ever leads to a message in the window.
#include <windows.h>
#include <commctrl.h>

#include "core/product.h"
#include "core/text.h"
#include "core/win_text.h"
#include "corvale_names.h"
#include "document_argument.h"
#include "ledger.h"
#include "resource_ids.h"

namespace {

constexpr int MessageUnits = 1024;
constexpr int LineUnits = 256;
constexpr UINT GreetMessage = WM_APP + 1;

// Layout in pixels at 96 DPI; the program is not DPI-aware, so the system scales it.
constexpr int Margin = 10;
constexpr int HeaderHeight = 40;
constexpr int TotalsHeight = 24;
constexpr int MessageHeight = 110;

struct AppState {
    HINSTANCE Instance;
    HWND Window;
    HWND Header;
    HWND List;
    HWND Totals;
    HWND Picture;
    HWND Message;
    HFONT Font;
    HBITMAP WelcomePicture;
    int ShowsLedger; // 1 when a ledger was read; otherwise the picture and the message show
    char16_t Path[PathUnits];
};

AppState App;
Ledger Document;
unsigned char FileBytes[LedgerMaxFileBytes + 1];

const char16_t NoDocumentHintFormat[] =
    u"No ledger is open.\n\nDouble-click a ledger file (%s) in the Explorer to see its transactions here. A "
    u"sample ledger was installed in your documents folder.";
// Each message names the product (and the extension) through its first arguments.
const char16_t GreetingFormat[] =
    u"Welcome to %s %s!\n\n%s shows your ledgers: plain text files with the extension %s that list your "
    u"income and spending. Open the sample ledger in your documents folder to see one.";
const char16_t CantOpenFormat[] = u"%s can't open this file:\n%s\n\n%s";
const char16_t CantShowFormat[] = u"%s can't show this file:\n%s\n\n%s";
const char16_t CantShowLineFormat[] = u"%s can't show this file:\n%s\n\nLine %d: %s";

// ASCII or UTF-8 text (from the parser) as UTF-16; empty when it does not fit.
void Widen(const char* text, char16_t* out, int capacity) {
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, WideText(out), capacity);
    if (units <= 0)
        out[0] = 0;
}

void SetText(HWND control, const char16_t* text) {
    SetWindowTextW(control, WideText(text));
}

// The file name of a path: what follows its last separator.
const char16_t* FileNameOf(const char16_t* path) {
    const char16_t* name = path;
    for (const char16_t* p = path; *p != 0; ++p)
        if (*p == u'\\' || *p == u'/')
            name = p + 1;
    return name;
}

void SetTitle(const char16_t* documentName) {
    char16_t title[PathUnits + 32];
    if (documentName == nullptr ||
        FormatText(title, PathUnits + 32, u"%s - %s", documentName, ProductInfo.ProductName) < 0)
        CopyText(title, PathUnits + 32, ProductInfo.ProductName);
    SetText(App.Window, title);
}

void Layout() {
    RECT client;
    GetClientRect(App.Window, &client);
    int width = client.right - Margin * 2, height = client.bottom;
    if (App.ShowsLedger) {
        MoveWindow(App.Header, Margin, Margin, width, HeaderHeight, TRUE);
        int listTop = Margin * 2 + HeaderHeight;
        int listHeight = height - listTop - TotalsHeight - Margin * 2;
        MoveWindow(App.List, Margin, listTop, width, listHeight > 0 ? listHeight : 0, TRUE);
        MoveWindow(App.Totals, Margin, height - Margin - TotalsHeight, width, TotalsHeight, TRUE);
    } else {
        BITMAP picture = {};
        if (App.WelcomePicture != nullptr)
            GetObjectW(App.WelcomePicture, sizeof picture, &picture);
        int top = (height - picture.bmHeight - MessageHeight - Margin) / 2;
        if (top < Margin)
            top = Margin;
        MoveWindow(App.Picture, (client.right - picture.bmWidth) / 2, top, picture.bmWidth, picture.bmHeight,
                   TRUE);
        MoveWindow(App.Message, Margin * 4, top + picture.bmHeight + Margin, client.right - Margin * 8,
                   MessageHeight, TRUE);
    }
}

void ShowLedgerControls(int showLedger) {
    App.ShowsLedger = showLedger;
    int ledger = showLedger ? SW_SHOW : SW_HIDE, other = showLedger ? SW_HIDE : SW_SHOW;
    ShowWindow(App.Header, ledger);
    ShowWindow(App.List, ledger);
    ShowWindow(App.Totals, ledger);
    ShowWindow(App.Picture, other);
    ShowWindow(App.Message, other);
    Layout();
}

// The window without a ledger: the picture and a message (the hint, or why a file failed).
void ShowMessage(const char16_t* message) {
    SetText(App.Message, message);
    ShowLedgerControls(0);
}

void ShowHint() {
    char16_t hint[MessageUnits];
    FormatText(hint, MessageUnits, NoDocumentHintFormat, ProductInfo.DocumentExtension);
    ShowMessage(hint);
}

void ShowPathTooLong() {
    char16_t message[MessageUnits];
    FormatText(message, MessageUnits, CantOpenFormat, ProductInfo.ProductName, u"",
               u"The file's path is too long.");
    ShowMessage(message);
}

void AddColumn(int index, const char16_t* title, int width, int format) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(WideText(title));
    SendMessageW(App.List, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void SetCell(int row, int column, const char16_t* text) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(WideText(text));
    SendMessageW(App.List, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW, row,
                 reinterpret_cast<LPARAM>(&item));
}

// An amount as UTF-16; the formatted text always fits LedgerAmountUnits.
void AmountText(int64_t cents, char16_t* out) {
    char amount[LedgerAmountUnits];
    FormatLedgerAmount(cents, amount, LedgerAmountUnits);
    Widen(amount, out, LedgerAmountUnits);
}

void FillLedger() {
    char16_t title[LedgerTextBytes], header[LineUnits + PathUnits];
    Widen(Document.Title, title, LedgerTextBytes);
    if (FormatText(header, LineUnits + PathUnits, u"%s\n%s", title, App.Path) < 0)
        CopyText(header, LineUnits + PathUnits, title);
    SetText(App.Header, header);

    SendMessageW(App.List, WM_SETREDRAW, FALSE, 0);
    SendMessageW(App.List, LVM_DELETEALLITEMS, 0, 0);
    int64_t balance = Document.OpeningCents;
    for (int row = 0; row < Document.EntryCount; ++row) {
        const LedgerEntry& entry = Document.Entries[row];
        char date[LedgerAmountUnits];
        char16_t text[LedgerTextBytes];
        FormatLedgerDate(entry.Date, date, LedgerAmountUnits);
        Widen(date, text, LedgerTextBytes);
        SetCell(row, 0, text);
        Widen(entry.Description, text, LedgerTextBytes);
        SetCell(row, 1, text);
        char16_t amount[LedgerAmountUnits];
        AmountText(entry.AmountCents, amount);
        SetCell(row, 2, amount);
        balance += entry.AmountCents;
        AmountText(balance, amount);
        SetCell(row, 3, amount);
    }
    SendMessageW(App.List, WM_SETREDRAW, TRUE, 0);

    LedgerTotals totals = SumLedger(&Document);
    char16_t income[LedgerAmountUnits], spending[LedgerAmountUnits], end[LedgerAmountUnits], currency[4];
    AmountText(totals.IncomeCents, income);
    AmountText(totals.SpendingCents, spending);
    AmountText(totals.BalanceCents, end);
    Widen(Document.Currency, currency, 4);
    char16_t line[LineUnits];
    FormatText(line, LineUnits, u"%d transactions      Income %s      Spending %s      Balance %s %s",
               Document.EntryCount, income, spending, end, currency);
    SetText(App.Totals, line);
    ShowLedgerControls(1);
}

// Reads the file whole (at most one byte more than a ledger may hold, so the parser can
// refuse a larger one). 0, or the system error code.
DWORD ReadDocument(const char16_t* path, size_t* size) {
    *size = 0;
    HANDLE file = CreateFileW(WideText(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    DWORD error = 0;
    while (*size < sizeof FileBytes) {
        DWORD got = 0;
        if (!ReadFile(file, FileBytes + *size, static_cast<DWORD>(sizeof FileBytes - *size), &got, nullptr)) {
            error = GetLastError();
            break;
        }
        if (got == 0)
            break;
        *size += got;
    }
    CloseHandle(file);
    return error;
}

void OpenDocument(const char16_t* path) {
    char16_t message[MessageUnits];
    if (CopyText(App.Path, PathUnits, path) < 0) {
        ShowPathTooLong();
        return;
    }
    SetTitle(FileNameOf(App.Path));
    size_t size = 0;
    DWORD error = ReadDocument(App.Path, &size);
    if (error != 0) {
        char16_t reason[LineUnits];
        if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                           WideText(reason), LineUnits, nullptr) == 0)
            FormatText(reason, LineUnits, u"System error %d.", static_cast<int>(error));
        FormatText(message, MessageUnits, CantOpenFormat, ProductInfo.ProductName, App.Path, reason);
        ShowMessage(message);
        return;
    }
    LedgerResult result = ParseLedger(FileBytes, size, &Document);
    if (result.Status != LedgerOk) {
        char16_t reason[LineUnits];
        Widen(LedgerStatusText(result.Status), reason, LineUnits);
        if (result.Line > 0)
            FormatText(message, MessageUnits, CantShowLineFormat, ProductInfo.ProductName, App.Path,
                       result.Line, reason);
        else
            FormatText(message, MessageUnits, CantShowFormat, ProductInfo.ProductName, App.Path, reason);
        ShowMessage(message);
        return;
    }
    FillLedger();
}

// The setup leaves FirstRun "Yes" for the account that installed; the first start greets
// once and marks it done before the greeting shows, so a second copy doesn't greet again.
void GreetOnFirstRun() {
    char16_t key[PathUnits], value[8];
    DWORD bytes = sizeof value;
    if (FormatText(key, PathUnits, ApplicationKeyFormat, ProductInfo.ProductName) < 0 ||
        RegGetValueW(HKEY_CURRENT_USER, WideText(key), WideText(FirstRunValue), RRF_RT_REG_SZ, nullptr, value,
                     &bytes) != ERROR_SUCCESS ||
        !TextEqual(value, FirstRunPending))
        return;
    RegSetKeyValueW(HKEY_CURRENT_USER, WideText(key), WideText(FirstRunValue), REG_SZ, FirstRunDone,
                    sizeof FirstRunDone);
    char16_t message[MessageUnits];
    FormatText(message, MessageUnits, GreetingFormat, ProductInfo.ProductName, ProductInfo.ProductVersion,
               ProductInfo.ProductName, ProductInfo.DocumentExtension);
    MessageBoxW(App.Window, WideText(message), WideText(ProductInfo.ProductName), MB_OK | MB_ICONINFORMATION);
}

HWND Child(const wchar_t* className, DWORD style, int id) {
    HWND child = CreateWindowExW(0, className, L"", WS_CHILD | style, 0, 0, 0, 0, App.Window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App.Instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(App.Font), FALSE);
    return child;
}

void CreateControls() {
    App.Header = Child(L"Static", SS_LEFT | SS_NOPREFIX, LedgerHeaderId);
    App.List = Child(WC_LISTVIEWW, WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                     LedgerListId);
    SendMessageW(App.List, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    AddColumn(0, u"Date", 100, LVCFMT_LEFT);
    AddColumn(1, u"Description", 330, LVCFMT_LEFT);
    AddColumn(2, u"Amount", 120, LVCFMT_RIGHT);
    AddColumn(3, u"Balance", 130, LVCFMT_RIGHT);
    App.Totals = Child(L"Static", SS_LEFT | SS_NOPREFIX, LedgerTotalsId);
    App.Picture = Child(L"Static", SS_BITMAP, WelcomePictureId);
    if (App.WelcomePicture != nullptr)
        SendMessageW(App.Picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(App.WelcomePicture));
    App.Message = Child(L"Static", SS_CENTER | SS_NOPREFIX, MessageTextId);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (App.Message != nullptr)
            Layout();
        return 0;
    case WM_CTLCOLORSTATIC:
        // The labels sit on the window's own background.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case GreetMessage:
        GreetOnFirstRun();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HFONT CreateMessageFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return CreateFontIndirectW(&metrics.lfMessageFont);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // Only the system folder serves DLLs: nothing planted beside the document or in the
    // current folder can be loaded into the program.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Tells the uninstaller that the program runs; released by the system at exit.
    CreateMutexW(nullptr, FALSE, WideText(RunningMutexName));

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    App.Instance = instance;
    App.Font = CreateMessageFont();
    App.WelcomePicture = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(WELCOME_PICTURE_ID), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(APPLICATION_ICON_ID));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(APPLICATION_ICON_ID), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = WideText(MainWindowClass);
    if (RegisterClassExW(&windowClass) == 0)
        return 1;
    App.Window =
        CreateWindowExW(0, WideText(MainWindowClass), WideText(ProductInfo.ProductName), WS_OVERLAPPEDWINDOW,
                        CW_USEDEFAULT, CW_USEDEFAULT, 760, 540, nullptr, nullptr, instance, nullptr);
    if (App.Window == nullptr)
        return 1;
    CreateControls();

    // The open command passes the document quoted, behind the program's unquoted path.
    char16_t module[PathUnits], document[PathUnits];
    DWORD moduleLength = GetModuleFileNameW(nullptr, WideText(module), PathUnits);
    if (moduleLength == 0 || moduleLength >= static_cast<DWORD>(PathUnits))
        module[0] = 0;
    int found = FindDocumentArgument(reinterpret_cast<const char16_t*>(GetCommandLineW()), module, document);
    if (found > 0) {
        OpenDocument(document);
    } else if (found < 0) {
        ShowPathTooLong();
    } else {
        ShowHint();
    }

    ShowWindow(App.Window, showCommand);
    UpdateWindow(App.Window);
    PostMessageW(App.Window, GreetMessage, 0, 0);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (App.WelcomePicture != nullptr)
        DeleteObject(App.WelcomePicture);
    DeleteObject(App.Font);
    return static_cast<int>(message.wParam);
}
