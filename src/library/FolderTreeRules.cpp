#include "library/FolderTreeRules.h"

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
