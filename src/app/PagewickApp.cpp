#include "app/PagewickApp.h"
#include <shellapi.h>

bool ActivateRunningInstance() {
    HWND other = ::FindWindowW(nullptr, kMainCaption);
    if (!other) return false;
    if (::IsIconic(other)) {
        ::ShowWindow(other, SW_SHOW);
        ::ShowWindow(other, SW_RESTORE);
    }
    ::SetForegroundWindow(other);
    return true;
}

namespace {
std::wstring FirstArgument(const wchar_t* commandLine) {
    int argc = 0;
    std::wstring first;
    std::wstring line = std::wstring(L"Pagewick.exe ") + (commandLine ? commandLine : L"");
    LPWSTR* argv = ::CommandLineToArgvW(line.c_str(), &argc);
    if (argv && argc > 1) first = argv[1];
    if (argv) ::LocalFree(argv);
    return first;
}
}  // namespace

CommandLineSwitch SwitchOf(const wchar_t* commandLine) {
    std::wstring first = FirstArgument(commandLine);
    if (_wcsicmp(first.c_str(), L"/unregister") == 0) return CommandLineSwitch::Unregister;
    if (_wcsicmp(first.c_str(), L"/installed") == 0) return CommandLineSwitch::Installed;
    return CommandLineSwitch::None;
}

std::wstring CommandLineFile(const wchar_t* commandLine) {
    return SwitchOf(commandLine) == CommandLineSwitch::None ? FirstArgument(commandLine) : L"";
}

bool CPagewickApp::InitInstance(const std::wstring& commandLineFile, bool startedByInstaller) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::OleInitialize(nullptr);
    if (ActivateRunningInstance()) ::ExitProcess(0);

    m_doc = std::make_unique<CPagewickDoc>();
    m_frame = std::make_unique<CMainFrame>();
    m_frame->m_firstStartGoesOn = startedByInstaller;
    if (!m_frame->LoadFrame(m_doc.get())) return false;
    SetMainFrame(m_frame.get());
    bool ok = commandLineFile.empty() ? m_doc->OnNewDocument() : m_doc->OnOpenDocument(commandLineFile);
    if (!ok) return false;
    if (!commandLineFile.empty()) m_frame->AddRecentFile(commandLineFile);
    m_frame->ShowWindow(SW_SHOW);
    ::UpdateWindow(m_frame->m_hWnd);
    return true;
}

namespace {
// The window of the built-in engine inside an editor view (the hidden one included).
bool IsBuiltinEditorWindow(HWND hwnd) {
    auto* view = dynamic_cast<CHtmlEditView*>(CWnd::FromHandle(::GetParent(hwnd)));
    HtmlEngine* engine = view ? view->Engine() : nullptr;
    return engine && engine->Window() == hwnd && wcscmp(engine->Name(), L"builtin") == 0;
}
}  // namespace

void CPagewickApp::ApplyRightClickRule(MSG* msg) {
    if (!msg->hwnd || (msg->message != WM_RBUTTONDOWN && msg->message != WM_RBUTTONUP)) return;
    wchar_t cls[260] = {};
    ::GetClassNameW(msg->hwnd, cls, 260);
    // Either engine would show its menu on the release and keep selecting with the
    // mouse after a press it saw as left: both halves of the click become left.
    if (wcscmp(cls, L"Internet Explorer_Server") == 0 || IsBuiltinEditorWindow(msg->hwnd))
        msg->message = msg->message == WM_RBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP;
}

int CPagewickApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ApplyRightClickRule(&msg);
        CMainFrame* frame = GetMainFrame();
        if (frame && frame->IsWindow() && frame->PreTranslateMessage(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    SetMainFrame(nullptr);
    m_frame.reset();
    ::OleUninitialize();
    return (int)msg.wParam;
}
