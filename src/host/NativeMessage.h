// The browsers' native messaging protocol as the host speaks it: each message is a 32-bit
// length in native (little-endian) byte order followed by that many bytes of UTF-8 JSON.
// Pure functions over a byte source, so the tests need no process.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace nativemsg {

// The largest message a browser sends to a host (Chromium's limit); longer ones are refused.
constexpr uint32_t kMaxIncomingBytes = 64u * 1024 * 1024;

enum class ReadResult {
    Message,     // body holds one message
    End,         // the input ended between messages: the browser closed the port
    Truncated,   // the input ended inside a length or a body
    Oversized,   // the length is over the limit: nothing more was read
};

// Reads up to n bytes into buf; returns how many (0 at the end of the input).
using Source = std::function<size_t(char* buf, size_t n)>;
ReadResult ReadMessage(const Source& source, std::string& body);
// A message as it goes to the browser: the length, then the bytes.
std::string Framed(const std::string& json);

// What the extension sends: {"url": "...", "title": "...", "html": "..."}.
struct Capture {
    std::wstring url, title, html;
};
// False, with a short reason, for anything but valid UTF-8 JSON holding an object whose
// "url" and "html" are strings ("title" may be missing; other members are ignored).
bool ParseCapture(const std::string& json, Capture& out, std::string& error);

std::string OkReply();                               // {"ok":true}
std::string ErrorReply(const std::string& error);    // {"ok":false,"error":"..."}

}  // namespace nativemsg
