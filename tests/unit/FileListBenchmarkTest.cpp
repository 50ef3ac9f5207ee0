// How long the file list takes to show a large folder, next to a bare directory
// walk of the same folder in the same run (figures printed, not a timed test).
#include "FileListHost.h"
#include <algorithm>
#include <commctrl.h>

using namespace fl;

namespace {

double Milliseconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart;
}

int BareWalk(const std::wstring& folder) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*.htm").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileW(find, &fd));
    FindClose(find);
    return n;
}

TEST_F(ListFrame, BenchmarkTenThousandWebTextsNextToABareWalk) {
    const int kFiles = 10000;
    MakeDir(L"大目录");
    for (int i = 0; i < kFiles; ++i) MakeFile(L"大目录\\网文" + std::to_wstring(i) + L".htm", i % 1000);
    const std::wstring folder = dir->Path() + L"大目录";

    std::vector<double> walks, refreshes;
    for (int run = 0; run < 5; ++run) {
        LARGE_INTEGER a, b;
        QueryPerformanceCounter(&a);
        int found = BareWalk(folder);
        QueryPerformanceCounter(&b);
        ASSERT_EQ(kFiles, found);
        walks.push_back(Milliseconds(a, b));

        QueryPerformanceCounter(&a);
        Refresh(L"大目录");   // rows, status text and both sorts
        QueryPerformanceCounter(&b);
        ASSERT_EQ(kFiles, Rows());
        refreshes.push_back(Milliseconds(a, b));
    }
    EXPECT_EQ(CountText(kFiles), Status());
    EXPECT_EQ(L"2009/03/08 00:39:00", Cell(0, 2));   // 08:00 + 999 minutes, newest first
    EXPECT_EQ(L"2009/03/07 08:00:00", Cell(kFiles - 1, 2));
    std::sort(walks.begin(), walks.end());
    std::sort(refreshes.begin(), refreshes.end());
    double walk = walks[2], refresh = refreshes[2];
    printf("[ BENCH    ] %d web texts, median of 5: refresh %.1f ms, bare FindFirstFileW walk %.1f ms, ratio %.2f\n",
           kFiles, refresh, walk, walk > 0 ? refresh / walk : 0.0);
    RecordProperty("refresh_ms", std::to_string(refresh));
    RecordProperty("walk_ms", std::to_string(walk));
}

}  // namespace
