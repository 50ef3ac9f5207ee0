#include "RegistryScript.h"
#include <cwctype>

namespace regscript {
namespace {

struct Token {
    std::wstring text;
    bool quoted = false;
    int line = 0;
};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool SameText(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

class Parser {
public:
    Parser(const std::wstring& text, const Variables& vars) : m_text(text), m_vars(vars) {}

    ParseResult Run() {
        ParseResult r;
        Token t;
        while (Next(t)) {
            RootKey root;
            root.rootName = t.text;
            root.root = t.quoted ? nullptr : RootFromName(t.text);
            if (!root.root) return Fail(t, L"unknown root key '" + t.text + L"'");
            if (!Expect(L"{")) return m_result;
            if (!ParseKeys(root.keys, false)) return m_result;
            r.script.roots.push_back(std::move(root));
        }
        if (!m_error.empty()) return m_result;
        r.ok = true;
        return r;
    }

private:
    // Reads keys (and, inside a key, values) up to the closing brace.
    bool ParseKeys(std::vector<Key>& keys, bool inKey, std::vector<Value>* values = nullptr) {
        Token t;
        for (;;) {
            if (!Next(t)) { if (m_error.empty()) Fail(t, L"missing '}'"); return false; }
            if (IsPunct(t, L"}")) return true;
            if (IsPunct(t, L"{") || IsPunct(t, L"=")) { Fail(t, L"unexpected '" + t.text + L"'"); return false; }
            if (!t.quoted && SameText(t.text, L"val")) {
                if (!inKey) { Fail(t, L"'val' outside a key"); return false; }
                Token name;
                if (!Next(name)) { Fail(t, L"value name missing"); return false; }
                Value v;
                v.name = name.text;
                if (!Expect(L"=") || !ParseData(v.data)) return false;
                values->push_back(std::move(v));
                continue;
            }
            Key key;
            if (!t.quoted && SameText(t.text, L"NoRemove")) key.removal = Removal::NoRemove;
            else if (!t.quoted && SameText(t.text, L"ForceRemove")) key.removal = Removal::ForceRemove;
            if (key.removal != Removal::Normal && !Next(t)) { Fail(t, L"key name missing"); return false; }
            if (!t.quoted && (t.text == L"{" || t.text == L"}" || t.text == L"=")) { Fail(t, L"key name missing"); return false; }
            key.name = t.text;
            if (key.name.empty()) { Fail(t, L"empty key name"); return false; }
            if (PeekPunct(L"=")) {
                Next(t);
                if (!ParseData(key.defaultData)) return false;
                key.hasDefault = true;
            }
            if (PeekPunct(L"{")) {
                Next(t);
                if (!ParseKeys(key.subkeys, true, &key.values)) return false;
            }
            keys.push_back(std::move(key));
        }
    }

    bool ParseData(std::wstring& data) {
        Token type, value;
        if (!Next(type)) { Fail(type, L"value type missing"); return false; }
        if (type.quoted || !SameText(type.text, L"s")) { Fail(type, L"unsupported value type '" + type.text + L"'"); return false; }
        if (!Next(value)) { Fail(type, L"value data missing"); return false; }
        data = value.text;
        return true;
    }

    bool Expect(const wchar_t* punct) {
        Token t;
        if (!Next(t)) { if (m_error.empty()) Fail(t, std::wstring(L"missing '") + punct + L"'"); return false; }
        if (!IsPunct(t, punct)) { Fail(t, std::wstring(L"expected '") + punct + L"' before '" + t.text + L"'"); return false; }
        return true;
    }

    static bool IsPunct(const Token& t, const wchar_t* p) { return !t.quoted && t.text == p; }

    bool PeekPunct(const wchar_t* p) {
        size_t pos = m_pos;
        int line = m_line;
        Token t;
        bool is = Next(t) && IsPunct(t, p);
        m_pos = pos;
        m_line = line;
        return is;
    }

    // The next token with variables replaced; false at the end or on an error.
    bool Next(Token& t) {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) {
            if (m_text[m_pos] == L'\n') ++m_line;
            ++m_pos;
        }
        t = Token{};
        t.line = m_line;
        if (m_pos >= m_text.size()) return false;
        std::wstring raw;
        if (m_text[m_pos] == L'\'') {
            t.quoted = true;
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size()) { Fail(t, L"unterminated quoted text"); return false; }
                wchar_t c = m_text[m_pos++];
                if (c == L'\'') {
                    if (m_pos < m_text.size() && m_text[m_pos] == L'\'') { raw += L'\''; ++m_pos; continue; }
                    break;
                }
                if (c == L'\n') ++m_line;
                raw += c;
            }
        } else {
            while (m_pos < m_text.size() && !IsSpace(m_text[m_pos])) raw += m_text[m_pos++];
        }
        return Expand(raw, t);
    }

    bool Expand(const std::wstring& raw, Token& t) {
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != L'%') { t.text += raw[i]; continue; }
            size_t end = raw.find(L'%', i + 1);
            if (end == std::wstring::npos) { Fail(t, L"unpaired '%' in '" + raw + L"'"); return false; }
            std::wstring name = raw.substr(i + 1, end - i - 1);
            if (name.empty()) {
                t.text += L'%';
            } else {
                auto it = m_vars.find(name);
                if (it == m_vars.end()) { Fail(t, L"unknown variable %" + name + L"%"); return false; }
                t.text += it->second;
            }
            i = end;
        }
        return true;
    }

    ParseResult Fail(const Token& t, const std::wstring& what) {
        if (m_error.empty()) {
            m_error = L"line " + std::to_wstring(t.line) + L": " + what;
            m_result.ok = false;
            m_result.error = m_error;
        }
        return m_result;
    }

    const std::wstring& m_text;
    const Variables& m_vars;
    size_t m_pos = 0;
    int m_line = 1;
    std::wstring m_error;
    ParseResult m_result;
};

}  // namespace

ParseResult Parse(const std::wstring& text, const Variables& variables) {
    return Parser(text, variables).Run();
}

HKEY RootFromName(const std::wstring& name) {
    struct Entry { const wchar_t* shortName; const wchar_t* longName; HKEY key; };
    static const Entry kRoots[] = {
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKU", L"HKEY_USERS", HKEY_USERS},
    };
    for (const Entry& e : kRoots)
        if (SameText(name, e.shortName) || SameText(name, e.longName)) return e.key;
    return nullptr;
}

std::wstring TextFromBytes(const void* data, size_t size) {
    const auto* b = static_cast<const unsigned char*>(data);
    if (size >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        return std::wstring(reinterpret_cast<const wchar_t*>(b + 2), (size - 2) / sizeof(wchar_t));
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) { b += 3; size -= 3; }
    if (size == 0) return L"";
    int n = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(b), (int)size, nullptr, 0);
    std::wstring w(n, L'\0');
    if (n) MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(b), (int)size, &w[0], n);
    // A resource may be padded with zeros.
    size_t end = w.find(L'\0');
    if (end != std::wstring::npos) w.resize(end);
    return w;
}

}  // namespace regscript
