#include "host/NativeMessage.h"
#include "host/JsonQuoted.h"
#include <windows.h>
#include <cstdio>
#include <cstring>

namespace nativemsg {

namespace {

// Reads exactly n bytes unless the input ends first; returns how many arrived.
size_t ReadFull(const Source& source, char* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
        size_t r = source(buf + got, n - got);
        if (r == 0) break;
        got += r;
    }
    return got;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool ToWide(const std::string& utf8, std::wstring& out) {
    out.clear();
    if (utf8.empty()) return true;
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), nullptr, 0);
    if (n <= 0) return false;
    out.resize(n);
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), (int)utf8.size(), &out[0], n);
    return true;
}

// A strict JSON reader that keeps only the top-level string members it is asked for.
// Nesting is bounded: hostile input must not exhaust the stack.
class JsonReader {
public:
    explicit JsonReader(const std::string& s) : m_s(s) {}

    bool TopObject(Capture& out, std::string& error) {
        Ws();
        if (!Eat('{')) return Fail(error, "a JSON object was expected");
        bool haveUrl = false, haveHtml = false;
        Ws();
        if (!Eat('}')) {
            for (;;) {
                std::string key, value;
                Ws();
                if (!String(key)) return Fail(error, "malformed JSON");
                Ws();
                if (!Eat(':')) return Fail(error, "malformed JSON");
                Ws();
                bool isString = Peek() == '"';
                if (!(isString ? String(value) : Value(1))) return Fail(error, "malformed JSON");
                if (key == "url" || key == "title" || key == "html") {
                    if (!isString) return Fail(error, "\"" + key + "\" must be a string");
                    std::wstring* field = key == "url" ? &out.url : key == "title" ? &out.title : &out.html;
                    if (!ToWide(value, *field)) return Fail(error, "malformed JSON");
                    haveUrl |= key == "url";
                    haveHtml |= key == "html";
                }
                Ws();
                if (Eat('}')) break;
                if (!Eat(',')) return Fail(error, "malformed JSON");
            }
        }
        Ws();
        if (m_i != m_s.size()) return Fail(error, "malformed JSON");
        if (!haveUrl || !haveHtml) return Fail(error, "\"url\" and \"html\" are required");
        return true;
    }

private:
    static bool Fail(std::string& error, const std::string& why) {
        error = why;
        return false;
    }
    char Peek() const { return m_i < m_s.size() ? m_s[m_i] : '\0'; }
    bool Eat(char c) {
        if (Peek() != c || m_i >= m_s.size()) return false;
        ++m_i;
        return true;
    }
    void Ws() {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\n' || m_s[m_i] == '\r')) ++m_i;
    }
    bool Hex4(uint32_t& v) {
        if (m_s.size() - m_i < 4) return false;
        v = 0;
        for (int k = 0; k < 4; ++k) {
            char c = m_s[m_i++];
            v <<= 4;
            if (c >= '0' && c <= '9') v |= c - '0';
            else if (c >= 'a' && c <= 'f') v |= c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') v |= c - 'A' + 10;
            else return false;
        }
        return true;
    }
    bool String(std::string& out) {
        if (!Eat('"')) return false;
        for (;;) {
            if (m_i >= m_s.size()) return false;
            char c = m_s[m_i++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_i >= m_s.size()) return false;
            char e = m_s[m_i++];
            switch (e) {
            case '"': case '\\': case '/': out += e; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t cp;
                if (!Hex4(cp)) return false;
                if (cp >= 0xD800 && cp < 0xDC00) {   // a pair makes one character
                    uint32_t low;
                    size_t back = m_i;
                    if (m_s.compare(m_i, 2, "\\u") == 0 && (m_i += 2, Hex4(low)) && low >= 0xDC00 && low < 0xE000) {
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        m_i = back;
                        cp = 0xFFFD;
                    }
                } else if (cp >= 0xDC00 && cp < 0xE000) {
                    cp = 0xFFFD;   // a lone half is no character
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                return false;
            }
        }
    }
    bool Literal(const char* word) {
        size_t n = strlen(word);
        if (m_s.compare(m_i, n, word) != 0) return false;
        m_i += n;
        return true;
    }
    bool Number() {
        size_t start = m_i;
        Eat('-');
        while (m_i < m_s.size() && strchr("0123456789.eE+-", m_s[m_i])) ++m_i;
        return m_i > start && m_s[m_i - 1] >= '0' && m_s[m_i - 1] <= '9';
    }
    bool Value(int depth) {
        if (depth > kMaxDepth) return false;
        Ws();
        char c = Peek();
        if (c == '"') {
            std::string ignored;
            return String(ignored);
        }
        if (c == '{' || c == '[') {
            char close = c == '{' ? '}' : ']';
            ++m_i;
            Ws();
            if (Eat(close)) return true;
            for (;;) {
                Ws();
                if (c == '{') {
                    std::string key;
                    if (!String(key)) return false;
                    Ws();
                    if (!Eat(':')) return false;
                }
                if (!Value(depth + 1)) return false;
                Ws();
                if (Eat(close)) return true;
                if (!Eat(',')) return false;
            }
        }
        if (c == 't') return Literal("true");
        if (c == 'f') return Literal("false");
        if (c == 'n') return Literal("null");
        return Number();
    }

    static constexpr int kMaxDepth = 64;
    const std::string& m_s;
    size_t m_i = 0;
};

}  // namespace

ReadResult ReadMessage(const Source& source, std::string& body) {
    body.clear();
    unsigned char len[4];
    size_t got = ReadFull(source, reinterpret_cast<char*>(len), 4);
    if (got == 0) return ReadResult::End;
    if (got < 4) return ReadResult::Truncated;
    uint32_t size = len[0] | (len[1] << 8) | (len[2] << 16) | (uint32_t(len[3]) << 24);
    // Not read on: skipping up to 4 GB of what is most likely garbage would only delay the answer.
    if (size > kMaxIncomingBytes) return ReadResult::Oversized;
    body.resize(size);
    if (size && ReadFull(source, &body[0], size) < size) return ReadResult::Truncated;
    return ReadResult::Message;
}

std::string Framed(const std::string& json) {
    uint32_t n = uint32_t(json.size());
    std::string out(4, '\0');
    for (int k = 0; k < 4; ++k) out[k] = char((n >> (8 * k)) & 0xFF);
    return out + json;
}

bool ParseCapture(const std::string& json, Capture& out, std::string& error) {
    out = Capture{};
    std::wstring check;
    if (!ToWide(json, check)) {
        error = "the message is not UTF-8";
        return false;
    }
    if (!JsonReader(json).TopObject(out, error)) return false;
    // The address ends at the first NUL of the hand-off to the program.
    if (out.url.find(L'\0') != std::wstring::npos) {
        error = "\"url\" holds a NUL character";
        return false;
    }
    return true;
}

std::string OkReply() { return "{\"ok\":true}"; }

std::string ErrorReply(const std::string& error) { return "{\"ok\":false,\"error\":" + JsonQuoted(error) + "}"; }

}  // namespace nativemsg
