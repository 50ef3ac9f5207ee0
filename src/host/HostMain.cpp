// ZelvaneHost.exe: the native messaging host "zelvane.host". The browser starts it with the
// protocol on standard input and output; each capture message is handed to Pagewick and
// answered with {"ok":true} or {"ok":false,"error":"..."}.
#include "host/NativeMessage.h"
#include "host/PagewickLink.h"
#include "host/NativeHostRegistration.h"
#include <windows.h>
#include <shellapi.h>
#include <string>

namespace {

size_t ReadStdin(char* buf, size_t n) {
    DWORD got = 0;
    if (!::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), buf, DWORD(n), &got, nullptr)) return 0;   // closed pipe = end
    return got;
}

bool Answer(const std::string& json) {
    std::string framed = nativemsg::Framed(json);
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    size_t sent = 0;
    while (sent < framed.size()) {
        DWORD n = 0;
        if (!::WriteFile(out, framed.data() + sent, DWORD(framed.size() - sent), &n, nullptr) || n == 0) return false;
        sent += n;
    }
    return true;
}

std::wstring HostDir() {
    wchar_t module[MAX_PATH * 4] = {};
    DWORD n = ::GetModuleFileNameW(nullptr, module, MAX_PATH * 4);
    std::wstring path(module, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring ProgramPath() { return HostDir() + L"Pagewick.exe"; }

// "ZelvaneHost.exe /register", run by the installer: the browsers find the host before the
// program has ever started. Browsers start the host with an origin or a manifest path instead.
bool IsRegisterRequest() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    bool yes = argv && argc == 2 && ::lstrcmpiW(argv[1], L"/register") == 0;
    if (argv) ::LocalFree(argv);
    return yes;
}

int Run() {
    for (;;) {
        std::string body;
        switch (nativemsg::ReadMessage(ReadStdin, body)) {
        case nativemsg::ReadResult::End:
            return 0;
        case nativemsg::ReadResult::Truncated:
            Answer(nativemsg::ErrorReply("the message was cut short"));
            return 1;
        case nativemsg::ReadResult::Oversized:
            // The stream cannot be followed past it: answered, then the host ends.
            Answer(nativemsg::ErrorReply("the message is too large"));
            return 1;
        case nativemsg::ReadResult::Message:
            break;
        }
        nativemsg::Capture capture;
        std::string error;
        std::string reply;
        if (!nativemsg::ParseCapture(body, capture, error)) {
            reply = nativemsg::ErrorReply(error);
        } else {
            hostlink::Result r = hostlink::Deliver(ProgramPath(), capture.url, capture.html, capture.title);
            reply = r.ok ? nativemsg::OkReply() : nativemsg::ErrorReply(r.error);
        }
        if (!Answer(reply)) return 1;
    }
}

}  // namespace

int main() {
    if (IsRegisterRequest()) return RegisterNativeHost(HostDir()) ? 0 : 1;
    // Pagewick, when started from here, must not keep the browser's pipes open after the host ends.
    for (DWORD id : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
        ::SetHandleInformation(::GetStdHandle(id), HANDLE_FLAG_INHERIT, 0);
    try {
        return Run();
    } catch (...) {
        Answer(nativemsg::ErrorReply("internal error"));
        return 1;
    }
}
