// The recent-file list of the profile settings: the last four files opened in the editor,
// newest first, shown in the File menu.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The profile settings key under HKEY_CURRENT_USER.
extern const wchar_t kProfileKey[];

class CRecentFileList {
public:
    static constexpr size_t kSize = 4;
    void Load();
    void Save() const;
    // Puts the file first; an entry for the same file (any letter case) moves up.
    void Add(const std::wstring& path);
    void Remove(size_t index);
    const std::vector<std::wstring>& Files() const { return m_files; }
    // The entries "&1 path" ... with command ids from ID_FILE_MRU_FILE1, followed by a
    // separator, just before the File menu's last separator; earlier entries are replaced.
    void UpdateMenu(HMENU fileMenu) const;
private:
    std::vector<std::wstring> m_files;
};
