#include "app/RecentFiles.h"
#include "resources/resource.h"

const wchar_t kProfileKey[] = L"Software\\应用程序向导生成的本地应用程序\\Pagewick";

namespace {
const std::wstring kListKey = std::wstring(kProfileKey) + L"\\Recent File List";
}

void CRecentFileList::Load() {
    m_files.clear();
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kListKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    for (size_t i = 1; i <= kSize; ++i) {
        wchar_t buf[MAX_PATH * 2] = {};
        DWORD type = 0, size = sizeof(buf) - sizeof(wchar_t);
        std::wstring name = L"File" + std::to_wstring(i);
        if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, (BYTE*)buf, &size) == ERROR_SUCCESS &&
            type == REG_SZ && buf[0])
            m_files.push_back(buf);
    }
    ::RegCloseKey(key);
}

void CRecentFileList::Save() const {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kListKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return;
    for (size_t i = 1; i <= kSize; ++i) {
        std::wstring name = L"File" + std::to_wstring(i);
        if (i <= m_files.size()) {
            const std::wstring& f = m_files[i - 1];
            ::RegSetValueExW(key, name.c_str(), 0, REG_SZ, (const BYTE*)f.c_str(), DWORD((f.size() + 1) * 2));
        } else {
            ::RegDeleteValueW(key, name.c_str());
        }
    }
    ::RegCloseKey(key);
}

void CRecentFileList::Add(const std::wstring& path) {
    if (path.empty()) return;
    for (size_t i = 0; i < m_files.size(); ++i)
        if (_wcsicmp(m_files[i].c_str(), path.c_str()) == 0) {
            m_files.erase(m_files.begin() + i);
            break;
        }
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > kSize) m_files.resize(kSize);
}

void CRecentFileList::Remove(size_t index) {
    if (index < m_files.size()) m_files.erase(m_files.begin() + index);
}

void CRecentFileList::UpdateMenu(HMENU menu) const {
    auto isEntry = [&](int i) {
        UINT id = ::GetMenuItemID(menu, i);
        return id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kSize;
    };
    // The entries shown before go, with the separator that follows them.
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        if (!isEntry(i)) continue;
        while (i < ::GetMenuItemCount(menu) && isEntry(i)) ::DeleteMenu(menu, i, MF_BYPOSITION);
        if (i < ::GetMenuItemCount(menu) && (::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR))
            ::DeleteMenu(menu, i, MF_BYPOSITION);
        break;
    }
    if (m_files.empty()) return;
    // After the last separator (before 退出程序), then a separator of their own.
    int at = 0;
    for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i)
        if (::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) {
            at = i + 1;
            break;
        }
    for (size_t k = 0; k < m_files.size(); ++k) {
        std::wstring text = L"&" + std::to_wstring(k + 1) + L" " + m_files[k];
        ::InsertMenuW(menu, at + int(k), MF_BYPOSITION | MF_STRING, ID_FILE_MRU_FILE1 + k, text.c_str());
    }
    ::InsertMenuW(menu, at + int(m_files.size()), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
}
