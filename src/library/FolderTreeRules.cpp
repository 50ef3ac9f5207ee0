#include "library/FolderTreeRules.h"
#include <cwctype>

namespace foldertree {

const wchar_t kRootLabel[] = L"我的网文";
const wchar_t kImagesFolder[] = L"images";

std::vector<std::wstring> SplitRoute(const std::wstring& route) {
    std::vector<std::wstring> parts;
    std::wstring rest = route;
    for (;;) {
        size_t slash = rest.find(L'\\');
        if (slash == std::wstring::npos || slash == 0) break;
        if (parts.size() == kMaxRouteComponents) return parts;
        parts.push_back(rest.substr(0, slash));
        rest = rest.substr(slash + 1);
    }
    if (parts.size() < kMaxRouteComponents) parts.push_back(rest);
    return parts;
}

std::wstring FolderPathFromLabels(const std::vector<std::wstring>& labelsFromRoot) {
    if (labelsFromRoot.empty()) return L"";
    // Only the root's own label is dropped, so a folder that happens to be named like
    // the root still keeps its place in the path.
    size_t first = (labelsFromRoot.size() > 1 && labelsFromRoot[0] == kRootLabel) ? 1 : 0;
    std::wstring path;
    for (size_t i = first; i < labelsFromRoot.size(); ++i) {
        if (i > first) path += L'\\';
        path += labelsFromRoot[i];
    }
    return path;
}

std::wstring NextNewFolderName(const std::vector<std::wstring>& visibleLabels) {
    const std::wstring base = L"新文件夹";
    std::wstring name = base;
    for (const std::wstring& label : visibleLabels) {
        if (label == base) {
            name = base + L"(1)";
            continue;
        }
        for (int i = 1; i <= 9; ++i) {
            if (label == base + L"(" + std::to_wstring(i) + L")") {
                name = base + L"(" + std::to_wstring(i + 1) + L")";
                break;
            }
        }
    }
    return name;
}

bool HasIllegalFolderChars(const std::wstring& name) {
    return name.find_first_of(L"\\/?*:<>|\"") != std::wstring::npos;
}

bool IsAcceptedFolderName(const std::wstring& name) {
    if (name.empty() || HasIllegalFolderChars(name)) return false;
    for (wchar_t c : name)
        if (c < 0x20) return false;
    // Windows drops trailing dots and spaces: the folder would get another name than its label.
    if (name.back() == L'.' || name.back() == L' ') return false;
    // Device names stay devices with any extension (NUL.txt) and trailing spaces.
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    for (wchar_t& c : base) c = towupper(c);
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* d : devices)
        if (base == d) return false;
    if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
        base[3] >= L'0' && base[3] <= L'9')
        return false;
    return true;
}

std::wstring RenameTargetPath(const std::wstring& appDir, const std::wstring& relPath, const std::wstring& newName) {
    size_t slash = relPath.rfind(L'\\');
    std::wstring parent = slash == std::wstring::npos ? std::wstring() : relPath.substr(0, slash + 1);
    return appDir + parent + newName;
}

std::wstring DoubleNulTerminated(const std::wstring& path) {
    std::wstring s = path;
    s.push_back(L'\0');
    return s;   // c_str() adds the second NUL
}

}  // namespace foldertree
