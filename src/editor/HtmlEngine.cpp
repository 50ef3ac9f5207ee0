// The operations both editing engines share (see HtmlEngine.h).
#include "editor/HtmlEngine.h"
#include "editor/HtmlText.h"
#include <vector>

namespace {

// Library files are small; anything far larger is not an HTML page of ours.
const LONGLONG kMaxFileBytes = 64LL * 1024 * 1024;
const wchar_t kStartDocument[] = L"about:blank";

bool ReadFileBytes(const std::wstring& path, std::vector<unsigned char>& bytes) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(f, &size) && size.QuadPart <= kMaxFileBytes;
    if (ok) {
        bytes.resize(size_t(size.QuadPart));
        DWORD read = 0;
        ok = bytes.empty() || (::ReadFile(f, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size());
    }
    ::CloseHandle(f);
    return ok;
}

}  // namespace

bool LoadWebTextBody(const std::wstring& path, std::wstring& body) {
    std::vector<unsigned char> bytes;
    if (path.empty() || !ReadFileBytes(path, bytes)) return false;
    // Relative references are made absolute against the file's own folder.
    std::wstring full = path;
    wchar_t buf[MAX_PATH * 4];
    DWORD n = ::GetFullPathNameW(path.c_str(), MAX_PATH * 4, buf, nullptr);
    if (n > 0 && n < MAX_PATH * 4) full.assign(buf, n);
    size_t slash = full.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? L"" : full.substr(0, slash);
    body = htmltext::ExpandRelativeToFolder(htmltext::BodyContent(htmltext::DecodeFileBytes(bytes)), folder);
    return true;
}

bool HtmlEngine::SetBodyHtml(const std::wstring& html) {
    if (m_busy || !HasDocument()) return false;
    BusyScope busy(this);
    m_dirty = true;   // even a failed attempt may have changed part of the text
    return PutBody(html);
}

bool HtmlEngine::AppendBodyHtml(const std::wstring& html) {
    if (m_busy || !HasDocument()) return false;
    BusyScope busy(this);
    m_dirty = true;
    return InsertAtEnd(html);
}

bool HtmlEngine::NewDocument() {
    if (m_busy || !HasDocument()) return false;
    BusyScope busy(this);
    if (!PutBody(L"")) return false;
    m_dirty = false;
    ForgetEngineDirty();
    return true;
}

bool HtmlEngine::Navigate(const std::wstring& path) {
    if (_wcsicmp(path.c_str(), kStartDocument) == 0) return NewDocument();
    std::wstring body;
    if (m_busy || !HasDocument() || !LoadWebTextBody(path, body)) return false;
    BusyScope busy(this);
    if (!PutBody(body)) {
        m_dirty = true;
        return false;
    }
    m_dirty = false;
    ForgetEngineDirty();
    return true;
}

HRESULT HtmlEngine::IsDirty() {
    if (!HasDocument()) return E_FAIL;
    if (m_dirty) return S_OK;
    HRESULT own = EngineDirty();
    return own == S_OK ? S_OK : (FAILED(own) ? own : S_FALSE);
}

HRESULT HtmlEngine::ExecCommand(DWORD command) {
    if (m_busy) return E_PENDING;
    BusyScope busy(this);   // the font dialog is modal: a capture must not slip in under it
    if (command != kIdmCopy) m_dirty = true;
    return Exec(command);
}

void HtmlEngine::NoteInput(const MSG& msg) {
    if (msg.message == WM_CHAR || msg.message == WM_PASTE || msg.message == WM_CUT || msg.message == WM_CLEAR ||
        msg.message == WM_UNDO) {
        m_dirty = true;
    } else if (msg.message == WM_KEYDOWN) {
        bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
        if (msg.wParam == VK_DELETE || msg.wParam == VK_BACK || msg.wParam == VK_RETURN ||
            (ctrl && (msg.wParam == 'V' || msg.wParam == 'X' || msg.wParam == 'Z' || msg.wParam == 'Y')))
            m_dirty = true;
    }
}
