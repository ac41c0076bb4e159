// The window half of the recording fake, and the record shared with the platform half.
#include "fake_platform.h"

#include "wizard/wizard_state.h"

FakePlatformRecord Fake;

namespace {
// Distinct stand-ins for window handles.
char CaptionControl, ProgressBarControl, StatusControl, CloseControl, PageControl;

// Copies an edit's text into a folder buffer as a bounded window-text read does: at most
// PathUnits - 1 units and the terminator.
void CopyEdit(char16_t* folder, const std::u16string& text) {
    size_t count = text.size() < static_cast<size_t>(PathUnits - 1) ? text.size() : PathUnits - 1;
    for (size_t i = 0; i < PathUnits; ++i)
        folder[i] = i < count ? text[i] : 0;
}
} // namespace

std::string Utf8(const char16_t* text) {
    return text == nullptr ? std::string("(null)") : Utf8(std::u16string(text));
}

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf16(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        unsigned long c;
        int more;
        if (b < 0x80) {
            c = b;
            more = 0;
        } else if (b < 0xE0) {
            c = b & 0x1F;
            more = 1;
        } else if (b < 0xF0) {
            c = b & 0x0F;
            more = 2;
        } else {
            c = b & 0x07;
            more = 3;
        }
        ++i;
        for (; more > 0 && i < text.size(); --more, ++i)
            c = (c << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

void RecordCall(const char* name, std::vector<std::string> arguments) {
    Fake.Calls.push_back(FakeCall{name, std::move(arguments)});
}

void ResetFake() {
    Fake = FakePlatformRecord{};
    Fake.ProgramShortcutCheck = 1;
    Fake.DocumentsShortcutCheck = 1;
    Fake.SpecialFolders = {
        {CsidlProgramFiles, u"C:\\Program Files"},
        {CsidlPersonal, u"C:\\users\\tester\\Documents"},
        {CsidlCommonPrograms, u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
        {CsidlDesktopDirectory, u"C:\\users\\tester\\Desktop"},
    };
    Fake.ShellLinkResult = 0;

    WizardState = WizardStateRecord{};
    WizardState.FirstShowing = 1;
    WizardState.ProgramShortcutWanted = 1;
    WizardState.DocumentsShortcutWanted = 1;
    WizardState.PageCounter = 1;
    // The folder page is up: its controls fill their slots.
    for (int slot = 0; slot < PageControlSlots; ++slot)
        WizardState.PageControls[slot] = slot >= 3 ? &PageControl : nullptr;
}

std::vector<FakeCall> CallsNamed(const std::string& name) {
    std::vector<FakeCall> calls;
    for (const FakeCall& call : Fake.Calls)
        if (call.Name == name)
            calls.push_back(call);
    return calls;
}

int CountCalls(const std::string& name) {
    return static_cast<int>(CallsNamed(name).size());
}

// ---- The window side of the seam ---------------------------------------------------------

void ProgressSetRange(ProgressSink* sink, int maximum) {
    RecordCall("SetRange", {std::to_string(maximum)});
    if (sink != nullptr && sink->Bar == &ProgressBarControl)
        Fake.RangeMaximum = maximum;
}

void ProgressSetStep(ProgressSink* sink, int step) {
    RecordCall("SetStep", {std::to_string(step)});
    if (sink != nullptr && sink->Bar == &ProgressBarControl)
        Fake.Step = step;
}

void ProgressStepIt(ProgressSink* sink) {
    RecordCall("StepIt", {});
    // A bar clamps at its maximum.
    if (sink != nullptr && sink->Bar == &ProgressBarControl && WizardState.ProgressBar != nullptr)
        Fake.Position =
            Fake.Position + Fake.Step > Fake.RangeMaximum ? Fake.RangeMaximum : Fake.Position + Fake.Step;
}

void SavePageFields() {
    RecordCall("SavePageFields", {});
    CopyEdit(WizardState.ProgramFolder, Fake.ProgramFolderEdit);
    CopyEdit(WizardState.DocumentsFolder, Fake.DocumentsFolderEdit);
    WizardState.ProgramShortcutWanted = Fake.ProgramShortcutCheck;
    WizardState.DocumentsShortcutWanted = Fake.DocumentsShortcutCheck;
}

void DestroyPageControls() {
    RecordCall("DestroyPageControls", {});
    for (WindowHandle& slot : WizardState.PageControls)
        slot = nullptr;
}

void ShowInstallingCaption() {
    RecordCall("ShowInstallingCaption", {});
    WizardState.PageControls[104 - FirstPageControlId] = &CaptionControl;
}

void ShowBusyCursor() {
    RecordCall("ShowBusyCursor", {});
}

ProgressSink CreateProgressBar() {
    RecordCall("CreateProgressBar", {});
    ++Fake.BarsCreated;
    Fake.Position = 0;
    Fake.RangeMaximum = 100; // a new common-controls bar's range
    Fake.Step = 10;
    WizardState.ProgressBar = &ProgressBarControl;
    return ProgressSink{&ProgressBarControl};
}

void RemoveProgressDisplay() {
    RecordCall("RemoveProgressDisplay", {});
    WizardState.ProgressBar = nullptr;
    WizardState.PageControls[104 - FirstPageControlId] = nullptr;
}

void ShowStatusText(const char16_t* message) {
    RecordCall("ShowStatusText", {Utf8(message)});
    WizardState.StatusText = &StatusControl;
}

void ShowWebSiteButton() {
    RecordCall("ShowWebSiteButton", {});
}

void ShowCloseButton() {
    RecordCall("ShowCloseButton", {});
    WizardState.CloseButton = &CloseControl;
}
