// The tray icon record, its balloons and its menu.
#include <gtest/gtest.h>
#include "app/TrayIcon.h"
#include "resources/resource.h"
#include <string>
#include <vector>

namespace {

TEST(TrayRecord, IconRecordAndBalloonsChangeOnlyTheirFields) {
    HWND owner = reinterpret_cast<HWND>(0x1234);
    NOTIFYICONDATAW r;
    memset(&r, 0xCC, sizeof r);
    InitTrayRecord(r, owner);
    EXPECT_EQ(952u, r.cbSize);
    EXPECT_EQ(owner, r.hWnd);
    EXPECT_EQ(100u, r.uID);
    EXPECT_EQ(UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP), r.uFlags);
    EXPECT_EQ(1125u, r.uCallbackMessage);
    EXPECT_TRUE(r.hIcon != nullptr);
    EXPECT_EQ(L"ZelvaneV1.3", std::wstring(r.szTip));

    FillBalloon(r, kBalloonWarning, L"警告", L"未获取到数据！");
    EXPECT_EQ(952u, r.cbSize);
    EXPECT_EQ(UINT(NIF_INFO), r.uFlags);
    EXPECT_EQ(2u, r.dwInfoFlags);
    EXPECT_EQ(3u, r.uTimeout);
    EXPECT_EQ(L"警告", std::wstring(r.szInfoTitle));
    EXPECT_EQ(L"未获取到数据！", std::wstring(r.szInfo));
    EXPECT_EQ(owner, r.hWnd);
    EXPECT_EQ(100u, r.uID);
    EXPECT_EQ(L"ZelvaneV1.3", std::wstring(r.szTip));

    // Missing texts are empty; long ones are cut at 63 and 255 characters.
    FillBalloon(r, kBalloonInfo, nullptr, nullptr);
    EXPECT_EQ(1u, r.dwInfoFlags);
    EXPECT_EQ(L"", std::wstring(r.szInfoTitle));
    EXPECT_EQ(L"", std::wstring(r.szInfo));
    std::wstring longTitle(100, L'题'), longText(400, L'文');
    FillBalloon(r, kBalloonInfo, longTitle.c_str(), longText.c_str());
    EXPECT_EQ(longTitle.substr(0, 63), std::wstring(r.szInfoTitle));
    EXPECT_EQ(longText.substr(0, 255), std::wstring(r.szInfo));
}

// The icon is the notification area's small size at the display's scale, and a change of
// scale replaces only the icon of the record.
std::vector<NOTIFYICONDATAW> g_sent;
BOOL WINAPI RecordNotify(DWORD, PNOTIFYICONDATAW record) {
    g_sent.push_back(*record);
    return TRUE;
}

int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

TEST(TrayRecord, IconHasTheSmallIconSizeAndAScaleChangeReplacesOnlyTheIcon) {
    NOTIFYICONDATAW r;
    InitTrayRecord(r, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), IconWidth(r.hIcon));
    FillBalloon(r, kBalloonInfo, L"成功", L"获取数据完成！");
    HICON before = r.hIcon;
    g_sent.clear();
    SetNotifyIconForTesting(RecordNotify);
    UpdateTrayIcon(r);
    SetNotifyIconForTesting(nullptr);
    ASSERT_EQ(1u, g_sent.size());
    EXPECT_EQ(UINT(NIF_ICON), g_sent[0].uFlags);   // the balloon is not shown again
    EXPECT_EQ(100u, g_sent[0].uID);
    EXPECT_NE(before, r.hIcon);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), IconWidth(r.hIcon));
    EXPECT_EQ(L"ZelvaneV1.3", std::wstring(r.szTip));
    DestroyIcon(r.hIcon);
}

TEST(TrayMenu, CarriesItsSixEntries) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(160));
    ASSERT_TRUE(menu);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_TRUE(popup);
    wchar_t name[64] = {};
    GetMenuStringW(menu, 0, name, 64, MF_BYPOSITION);
    EXPECT_EQ(L"POPICON", std::wstring(name));
    struct { UINT id; const wchar_t* text; } expected[] = {
        {32786, L"显示(&S)"}, {32800, L"保存网文(&W)"}, {32798, L"浏览文件(&V)"},
        {32799, L"打开文件夹(&F)"}, {0, nullptr}, {32787, L"退出程序(&X)"}};
    ASSERT_EQ(6, GetMenuItemCount(popup));
    for (int i = 0; i < 6; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        wchar_t text[64] = {};
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &info));
        if (!expected[i].text) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << i;
            continue;
        }
        EXPECT_EQ(expected[i].id, info.wID) << i;
        EXPECT_EQ(std::wstring(expected[i].text), std::wstring(text)) << i;
    }
    DestroyMenu(menu);
}

}  // namespace
