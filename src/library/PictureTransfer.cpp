#include "library/PictureTransfer.h"
#include "search/ReaderText.h"
#include "capture/ImageSource.h"
#include "capture/WebTextFile.h"
#include <windows.h>
#include <algorithm>

namespace {

std::wstring Lower(std::wstring s) {
    if (!s.empty()) ::CharLowerBuffW(&s[0], (DWORD)s.size());
    return s;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file name Windows keeps as it is, inside the images folder.
bool PlainFileName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L".." || name.size() > 200) return false;
    if (name.back() == L'.' || name.back() == L' ') return false;
    for (wchar_t c : name)
        if (c < 32 || wcschr(L"\\/:*?\"<>|", c)) return false;
    return true;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& lowerName) {
    return std::find(names.begin(), names.end(), lowerName) != names.end();
}

bool SameContent(const std::wstring& a, const std::wstring& b) {
    auto read = [](const std::wstring& path, std::string& out) {
        HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        LARGE_INTEGER size{};
        bool ok = ::GetFileSizeEx(h, &size) && size.QuadPart < (1LL << 30);
        if (ok) {
            out.resize((size_t)size.QuadPart);
            DWORD got = 0;
            ok = out.empty() || (::ReadFile(h, &out[0], (DWORD)out.size(), &got, nullptr) && got == out.size());
        }
        ::CloseHandle(h);
        return ok;
    };
    std::string x, y;
    return read(a, x) && read(b, y) && x == y;
}

// "a_1.png", "a_2.png"... the first name not taken in the folder.
std::wstring FreePictureName(const std::wstring& imagesDir, const std::wstring& file) {
    size_t dot = file.rfind(L'.');
    std::wstring stem = dot == std::wstring::npos ? file : file.substr(0, dot);
    std::wstring ext = dot == std::wstring::npos ? L"" : file.substr(dot);
    for (int n = 1;; ++n) {
        std::wstring name = stem + L"_" + std::to_wstring(n) + ext;
        if (!Exists(imagesDir + name)) return name;
    }
}

}  // namespace

bool ReadWebText(const std::wstring& path, std::wstring& text) {
    // Files copied into the library by hand may be UTF-8 or the system code page:
    // their pictures count as shown all the same.
    return ReadTextFile(path, text, 1LL << 30);
}

std::vector<PictureRef> LocalPictureRefs(const std::wstring& html) {
    std::vector<PictureRef> refs;
    for (const wchar_t* tag : {L"<img", L"<IMG"}) {
        ForEachImageSource(html, tag, [&](long long, const std::wstring& source) {
            if (source.compare(0, 6, L"images") == 0 && source.size() > 7 &&
                (source[6] == L'/' || source[6] == L'\\')) {
                std::wstring file = source.substr(7);
                bool known = std::any_of(refs.begin(), refs.end(),
                                         [&](const PictureRef& r) { return Lower(r.file) == Lower(file); });
                if (PlainFileName(file) && !known) refs.push_back({source, file});
            }
        });
    }
    return refs;
}

std::vector<std::wstring> PicturesUsedInFolder(const std::wstring& folder, const std::wstring& except) {
    std::vector<std::wstring> used;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((folder + L"\\*.htm").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return used;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (_wcsicmp(fd.cFileName, except.c_str()) == 0) continue;
        std::wstring text;
        if (!ReadWebText(folder + L"\\" + fd.cFileName, text)) continue;
        for (const PictureRef& r : LocalPictureRefs(text)) used.push_back(Lower(r.file));
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return used;
}

void RewritePictureRef(std::wstring& html, const std::wstring& from, const std::wstring& to) {
    // Quoted values whole, unquoted ones up to white space or the tag's end.
    for (const wchar_t* quote : {L"\"", L"'", L""}) {
        std::wstring find = L"=" + std::wstring(quote) + from;
        for (size_t i = html.find(find); i != std::wstring::npos; i = html.find(find, i + 1)) {
            size_t after = i + find.size();
            bool whole = *quote ? (after < html.size() && html[after] == quote[0])
                                : (after >= html.size() || wcschr(L" \t\r\n>", html[after]));
            if (!whole) continue;
            html.replace(i + 1 + wcslen(quote), from.size(), to);
        }
    }
}

void TransferPicturesMove(const std::wstring& folder, const std::wstring& name, const std::wstring& destination) {
    const std::wstring textPath = destination + L"\\" + name;
    std::wstring text;
    if (!ReadWebText(textPath, text)) return;
    const std::wstring destImages = destination + L"\\images\\";
    if (!Exists(destination + L"\\images")) ::CreateDirectoryW((destination + L"\\images").c_str(), nullptr);
    // Within one folder the pictures are where they belong already.
    if (Lower(folder) == Lower(destination)) return;
    std::vector<std::wstring> stillUsed = PicturesUsedInFolder(folder, L"");
    bool rewritten = false;
    for (const PictureRef& ref : LocalPictureRefs(text)) {
        const std::wstring from = folder + L"\\images\\" + ref.file;
        if (!Exists(from)) continue;
        const bool keepSource = Contains(stillUsed, Lower(ref.file));
        auto carry = [&](const std::wstring& to) {
            if (keepSource) return ::CopyFileW(from.c_str(), to.c_str(), TRUE) != 0;
            return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
        };
        const std::wstring to = destImages + ref.file;
        if (!Exists(to)) {
            carry(to);
        } else if (SameContent(from, to)) {
            if (!keepSource) ::DeleteFileW(from.c_str());
        } else {
            std::wstring fresh = FreePictureName(destImages, ref.file);
            if (carry(destImages + fresh)) {
                RewritePictureRef(text, ref.written, L"images/" + fresh);
                rewritten = true;
            }
        }
    }
    if (rewritten) WriteWebTextFile(textPath, text);
}

void TransferPicturesDelete(const std::wstring& folder, const std::wstring& name) {
    std::wstring text;
    if (!ReadWebText(folder + L"\\" + name, text)) return;
    std::vector<std::wstring> stillUsed = PicturesUsedInFolder(folder, name);
    for (const PictureRef& ref : LocalPictureRefs(text)) {
        if (Contains(stillUsed, Lower(ref.file))) continue;
        std::wstring path = folder + L"\\images\\" + ref.file;
        if (Exists(path)) ::DeleteFileW(path.c_str());
    }
}
