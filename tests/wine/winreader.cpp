// Reads the Windows build as Windows and its screen readers see it, for the tests under
// Wine. Prints UTF-8, one fact a line, tab-separated:
//
//   winreader manifest EXE        the manifest Windows reads from the program's file
//   winreader tree TITLE          the window's UI Automation tree: one element a line,
//                                 "depth type name automation-id labelled-by flags value
//                                 x,y,width,height" (its place on the screen, in pixels)
//   winreader window TITLE        the window's outer rectangle as Windows knows it, frame
//                                 and title bar included, the screen's size, in pixels, and
//                                 whether its frame lets it be resized: "x y width height
//                                 screen-width screen-height fixed|resizable"
//   winreader watch SECONDS       the UI Automation events a screen reader subscribes to,
//                                 as they arrive: "focus type name window-title",
//                                 "event id type name", "notification type name text"
//
// It asks only what a screen reader asks (UI Automation's client interfaces). Where Wine
// does not answer (every control pattern, and the LabeledBy property on some versions),
// the line says so rather than guess: "labelled-by" is "!" and the error code.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <uiautomation.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const wchar_t* text, int length = -1)
{
    if (!text)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty())
        out.pop_back();  // the terminating zero
    return out;
}

void line(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string hex(HRESULT hr)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "!%08lx", static_cast<unsigned long>(hr));
    return buffer;
}

// --- The manifest ---------------------------------------------------------------------------

int printManifest(const wchar_t* exe)
{
    HMODULE module = LoadLibraryExW(exe, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        std::fprintf(stderr, "cannot open %s\n", utf8(exe).c_str());
        return 1;
    }
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    if (!loaded) {
        std::fprintf(stderr, "no manifest (resource 24, id 1) in %s\n", utf8(exe).c_str());
        return 1;
    }
    std::fwrite(LockResource(loaded), 1, SizeofResource(module, resource), stdout);
    return 0;
}

// --- The window's place --------------------------------------------------------------------

int printWindowRect(const wchar_t* title)
{
    HWND window = FindWindowW(nullptr, title);
    RECT r;
    if (!window || !GetWindowRect(window, &r)) {
        std::fprintf(stderr, "no window titled %s\n", utf8(title).c_str());
        return 1;
    }
    line(std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " +
         std::to_string(r.bottom - r.top) + " " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
         std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
         (GetWindowLongW(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX) ? " resizable" : " fixed"));
    return 0;
}

// --- UI Automation ----------------------------------------------------------------------------

IUIAutomation* automation = nullptr;

const char* typeName(long type)
{
    switch (type) {
    case UIA_ButtonControlTypeId: return "Button";
    case UIA_EditControlTypeId: return "Edit";
    case UIA_TextControlTypeId: return "Text";
    case UIA_ImageControlTypeId: return "Image";
    case UIA_ListControlTypeId: return "List";
    case UIA_ListItemControlTypeId: return "ListItem";
    case UIA_MenuBarControlTypeId: return "MenuBar";
    case UIA_MenuControlTypeId: return "Menu";
    case UIA_MenuItemControlTypeId: return "MenuItem";
    case UIA_WindowControlTypeId: return "Window";
    case UIA_PaneControlTypeId: return "Pane";
    case UIA_GroupControlTypeId: return "Group";
    case UIA_CustomControlTypeId: return "Custom";
    case UIA_DocumentControlTypeId: return "Document";
    default: return "Other";
    }
}

// A property's value as text: a string as it is, a number in decimal, a Boolean as 0 or 1,
// an element as its name, nothing as "-", and a failure as "!" and its code.
std::string property(IUIAutomationElement* element, PROPERTYID id)
{
    VARIANT value;
    VariantInit(&value);
    const HRESULT hr = element->GetCurrentPropertyValueEx(id, TRUE, &value);
    if (FAILED(hr))
        return hex(hr);
    std::string text = "-";
    LONG upper = 0;
    switch (value.vt) {
    case VT_BSTR: text = utf8(value.bstrVal, static_cast<int>(SysStringLen(value.bstrVal))); break;
    case VT_I4: text = std::to_string(value.lVal); break;
    case VT_BOOL: text = value.boolVal ? "1" : "0"; break;
    case VT_R8 | VT_ARRAY: {  // a rectangle: left, top, width, height
        double* r = nullptr;
        if (SafeArrayGetUBound(value.parray, 1, &upper) == S_OK && upper == 3 &&
            SUCCEEDED(SafeArrayAccessData(value.parray, reinterpret_cast<void**>(&r)))) {
            text = std::to_string(std::lround(r[0])) + "," + std::to_string(std::lround(r[1])) + "," +
                   std::to_string(std::lround(r[2])) + "," + std::to_string(std::lround(r[3]));
            SafeArrayUnaccessData(value.parray);
        }
        break;
    }
    case VT_UNKNOWN: {
        IUIAutomationElement* other = nullptr;
        if (value.punkVal && SUCCEEDED(value.punkVal->QueryInterface(IID_IUIAutomationElement,
                                                                     reinterpret_cast<void**>(&other)))) {
            text = property(other, UIA_NamePropertyId);
            other->Release();
        }
        break;
    }
    default: break;
    }
    VariantClear(&value);
    return text;
}

std::string describe(IUIAutomationElement* element)
{
    VARIANT type;
    VariantInit(&type);
    element->GetCurrentPropertyValueEx(UIA_ControlTypePropertyId, TRUE, &type);
    const std::string name = property(element, UIA_NamePropertyId);
    const std::string text = std::string(typeName(type.vt == VT_I4 ? type.lVal : 0)) + "\t" + name;
    VariantClear(&type);
    return text;
}

// The flags a reader acts on: invokable (a button's press; "invoke?" where UI Automation
// does not say), enabled, focusable, focused, a dialog (read whole when it opens), off the
// screen.
std::string flags(IUIAutomationElement* element)
{
    std::string f;
    const std::string invoke = property(element, UIA_IsInvokePatternAvailablePropertyId);
    if (invoke == "1")
        f += "invoke,";
    else if (invoke[0] == '!')
        f += "invoke?,";
    if (property(element, UIA_IsEnabledPropertyId) == "1")
        f += "enabled,";
    if (property(element, UIA_IsKeyboardFocusablePropertyId) == "1")
        f += "focusable,";
    if (property(element, UIA_HasKeyboardFocusPropertyId) == "1")
        f += "focused,";
    if (property(element, UIA_IsDialogPropertyId) == "1")
        f += "dialog,";
    if (property(element, UIA_IsOffscreenPropertyId) == "1")
        f += "offscreen,";
    if (!f.empty())
        f.pop_back();
    return f.empty() ? "-" : f;
}

void printTree(IUIAutomationElement* element, IUIAutomationCondition* all, int depth)
{
    line(std::to_string(depth) + "\t" + describe(element) + "\t" + property(element, UIA_AutomationIdPropertyId) +
         "\t" + property(element, UIA_LabeledByPropertyId) + "\t" + flags(element) + "\t" +
         property(element, UIA_ValueValuePropertyId) + "\t" + property(element, UIA_BoundingRectanglePropertyId));
    IUIAutomationElementArray* children = nullptr;
    if (FAILED(element->FindAll(TreeScope_Children, all, &children)) || !children)
        return;
    int count = 0;
    children->get_Length(&count);
    for (int i = 0; i < count; ++i) {
        IUIAutomationElement* child = nullptr;
        if (SUCCEEDED(children->GetElement(i, &child)) && child) {
            printTree(child, all, depth + 1);
            child->Release();
        }
    }
    children->Release();
}

int printWindowTree(const wchar_t* title)
{
    HWND window = FindWindowW(nullptr, title);
    if (!window) {
        std::fprintf(stderr, "no window titled %s\n", utf8(title).c_str());
        return 1;
    }
    IUIAutomationElement* element = nullptr;
    IUIAutomationCondition* all = nullptr;
    if (FAILED(automation->ElementFromHandle(window, &element)) || !element ||
        FAILED(automation->CreateTrueCondition(&all))) {
        std::fprintf(stderr, "UI Automation gives no element for the window\n");
        return 1;
    }
    printTree(element, all, 0);
    all->Release();
    element->Release();
    return 0;
}

// The title of the window in the foreground, where the focus is: what a screen reader
// names as the window the focus moved into.
std::string foregroundTitle()
{
    wchar_t title[256] = L"";
    GetWindowTextW(GetForegroundWindow(), title, 256);
    return utf8(title);
}

// One object for every kind of event a screen reader follows.
class Listener : public IUIAutomationFocusChangedEventHandler,
                 public IUIAutomationEventHandler,
                 public IUIAutomationNotificationEventHandler {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_IUIAutomationFocusChangedEventHandler)
            *out = static_cast<IUIAutomationFocusChangedEventHandler*>(this);
        else if (iid == IID_IUIAutomationEventHandler)
            *out = static_cast<IUIAutomationEventHandler*>(this);
        else if (iid == IID_IUIAutomationNotificationEventHandler)
            *out = static_cast<IUIAutomationNotificationEventHandler*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    // Lives as long as the program.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE HandleFocusChangedEvent(IUIAutomationElement* sender) override
    {
        line("focus\t" + describe(sender) + "\t" + foregroundTitle());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HandleAutomationEvent(IUIAutomationElement* sender, EVENTID id) override
    {
        line("event\t" + std::to_string(id) + "\t" + describe(sender));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HandleNotificationEvent(IUIAutomationElement* sender, NotificationKind,
                                                      NotificationProcessing, BSTR text, BSTR) override
    {
        line("notification\t" + describe(sender) + "\t" + utf8(text));
        return S_OK;
    }
};

int watch(int seconds)
{
    static Listener listener;
    IUIAutomationElement* root = nullptr;
    if (FAILED(automation->GetRootElement(&root)) || !root)
        return 1;
    HRESULT hr = automation->AddFocusChangedEventHandler(nullptr, &listener);
    line(std::string("subscribed\tfocus\t") + (SUCCEEDED(hr) ? "ok" : hex(hr)));
    for (EVENTID id : {UIA_Window_WindowOpenedEventId, UIA_SystemAlertEventId, UIA_LiveRegionChangedEventId,
                       UIA_Invoke_InvokedEventId}) {
        hr = automation->AddAutomationEventHandler(id, root, TreeScope_Subtree, nullptr, &listener);
        line("subscribed\t" + std::to_string(id) + "\t" + (SUCCEEDED(hr) ? "ok" : hex(hr)));
    }
    IUIAutomation5* five = nullptr;
    if (SUCCEEDED(automation->QueryInterface(IID_IUIAutomation5, reinterpret_cast<void**>(&five))) && five) {
        hr = five->AddNotificationEventHandler(root, TreeScope_Subtree, nullptr, &listener);
        line(std::string("subscribed\tnotification\t") + (SUCCEEDED(hr) ? "ok" : hex(hr)));
    }
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t* argv[])
{
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF alone, as the shell reads them
    // Places and sizes in the screen's own pixels, at every scale.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (argc == 3 && std::wstring(argv[1]) == L"manifest")
        return printManifest(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"window")
        return printWindowRect(argv[2]);
    const bool tree = argc == 3 && std::wstring(argv[1]) == L"tree";
    const bool watching = argc == 3 && std::wstring(argv[1]) == L"watch";
    if (!tree && !watching) {
        std::fprintf(stderr, "usage: winreader manifest EXE | window TITLE | tree TITLE | watch SECONDS\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(CoCreateInstance(CLSID_CUIAutomation, nullptr, CLSCTX_INPROC_SERVER, IID_IUIAutomation,
                                reinterpret_cast<void**>(&automation)))) {
        std::fprintf(stderr, "UI Automation is not available\n");
        return 1;
    }
    const int status = tree ? printWindowTree(argv[2]) : watch(std::wcstol(argv[2], nullptr, 10));
    automation->Release();
    CoUninitialize();
    return status;
}
