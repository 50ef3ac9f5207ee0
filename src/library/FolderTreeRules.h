// Rules of the folder tree that need no window: the stored route, folder paths,
// the names of new folders and the characters a folder name may not hold.
#pragma once
#include <string>
#include <vector>

namespace foldertree {

// Label of the tree's root item; it stands for the program directory itself.
extern const wchar_t kRootLabel[];
// The picture folders of the web texts, never shown as categories (exact, case-sensitive).
extern const wchar_t kImagesFolder[];
constexpr size_t kMaxRouteComponents = 50;

// Splits a stored route (新闻\国内) into the labels to follow from the top level down.
// A backslash at the start of the remaining text ends the split: the rest is one last
// component. At most kMaxRouteComponents are returned.
std::vector<std::wstring> SplitRoute(const std::wstring& route);

// Relative folder path of an item from its labels, root label first. The root alone
// gives its label; below it the labels under the root are joined with backslashes.
std::wstring FolderPathFromLabels(const std::vector<std::wstring>& labelsFromRoot);

// The name for a new folder, given the labels of the tree in visible order: the successor
// of the last 新文件夹 / 新文件夹(1..9) met, or 新文件夹 when none is met.
std::wstring NextNewFolderName(const std::vector<std::wstring>& visibleLabels);

// True when the name holds a character that no folder name may contain: \ / ? * : < > | "
bool HasIllegalFolderChars(const std::wstring& name);

// A name a folder can take on disk unchanged: no illegal or control characters, no
// trailing dot or space, no device name (CON, NUL, COM1, LPT1... with any extension).
bool IsAcceptedFolderName(const std::wstring& name);

// Rename target of the folder at relPath: same parent, new name (both under appDir).
std::wstring RenameTargetPath(const std::wstring& appDir, const std::wstring& relPath, const std::wstring& newName);

// A path passed to the shell's file operations: ends with two NULs.
std::wstring DoubleNulTerminated(const std::wstring& path);

}  // namespace foldertree
