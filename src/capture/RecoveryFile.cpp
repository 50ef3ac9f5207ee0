#include "capture/RecoveryFile.h"
#include "capture/WebTextFile.h"

const wchar_t kRecoveryFileName[] = L"Pagewick.recovery";

namespace {

const wchar_t kMagic[] = L"ZelvaneRecovery 1\r\n";
const wchar_t kEnd[] = L"end\r\n";
// A recovery file far beyond any collected text is not one of ours.
const LONGLONG kMaxFileBytes = 512LL * 1024 * 1024;

// key SP length SP value CR LF
void Put(std::wstring& out, const wchar_t* key, const std::wstring& value) {
    out += key;
    out += L' ';
    out += std::to_wstring(value.size());
    out += L' ';
    out += value;
    out += L"\r\n";
}

class Reader {
public:
    explicit Reader(const std::wstring& text) : m_text(text) {}
    bool Literal(const std::wstring& s) {
        if (m_text.compare(m_at, s.size(), s) != 0) return false;
        m_at += s.size();
        return true;
    }
    // The next field must be `key`; its value is taken whole.
    bool Field(const wchar_t* key, std::wstring& value) {
        if (!Literal(key) || !Literal(L" ")) return false;
        size_t length = 0, digits = 0;
        while (m_at < m_text.size() && m_text[m_at] >= L'0' && m_text[m_at] <= L'9' && digits < 10) {
            length = length * 10 + size_t(m_text[m_at++] - L'0');
            ++digits;
        }
        if (!digits || !Literal(L" ") || length > m_text.size() - m_at) return false;
        value = m_text.substr(m_at, length);
        m_at += length;
        return Literal(L"\r\n");
    }
    bool Peek(const std::wstring& s) const { return m_text.compare(m_at, s.size(), s) == 0; }
    bool AtEnd() const { return m_at == m_text.size(); }

private:
    const std::wstring& m_text;
    size_t m_at = 0;
};

}  // namespace

std::wstring EncodeRecovery(const RecoveryState& state) {
    std::wstring out = kMagic;
    Put(out, L"mode", state.editMode ? L"1" : L"0");
    Put(out, L"folder", state.editFolder);
    Put(out, L"name", state.editName);
    for (const std::wstring& source : state.sources) Put(out, L"source", source);
    Put(out, L"body", state.body);
    out += kEnd;
    return out;
}

bool DecodeRecovery(const std::wstring& text, RecoveryState& state) {
    Reader in(text);
    RecoveryState s;
    std::wstring mode;
    if (!in.Literal(kMagic) || !in.Field(L"mode", mode) || (mode != L"0" && mode != L"1") ||
        !in.Field(L"folder", s.editFolder) || !in.Field(L"name", s.editName))
        return false;
    s.editMode = mode == L"1";
    while (in.Peek(L"source ")) {
        s.sources.emplace_back();
        if (!in.Field(L"source", s.sources.back())) return false;
    }
    if (!in.Field(L"body", s.body) || !in.Literal(kEnd) || !in.AtEnd()) return false;
    state = std::move(s);
    return true;
}

RecoveryRead ReadRecoveryFile(const std::wstring& path, RecoveryState& state) {
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        DWORD error = ::GetLastError();
        return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? RecoveryRead::Missing
                                                                               : RecoveryRead::Damaged;
    }
    LARGE_INTEGER size{};
    bool ok = ::GetFileSizeEx(f, &size) && size.QuadPart >= 2 && size.QuadPart <= kMaxFileBytes &&
              size.QuadPart % 2 == 0;
    std::wstring text;
    if (ok) {
        std::vector<unsigned char> bytes(size_t(size.QuadPart));
        DWORD read = 0;
        ok = ::ReadFile(f, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read == bytes.size() &&
             bytes[0] == 0xFF && bytes[1] == 0xFE;
        if (ok) text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }
    ::CloseHandle(f);
    return ok && DecodeRecovery(text, state) ? RecoveryRead::Loaded : RecoveryRead::Damaged;
}

DWORD WriteRecoveryFile(const std::wstring& path, const RecoveryState& state) {
    return WriteWebTextFile(path, EncodeRecovery(state));
}

std::wstring MoveRecoveryFileAside(const std::wstring& path) {
    for (int n = 1; n < 1000; ++n) {
        std::wstring aside = path + L".damaged" + (n > 1 ? L"-" + std::to_wstring(n) : L"");
        if (::MoveFileExW(path.c_str(), aside.c_str(), 0)) return aside;
        DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return L"";
    }
    return L"";
}
