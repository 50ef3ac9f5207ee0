// The library the search benchmarks use: web texts of about 20 KB (9,500 characters of
// Chinese words, frequent ones more often as in real text, and some Latin words) spread
// over folders 分类0, 分类1...; text i holds the word 标记i.
#pragma once
#include <string>
#include <vector>

namespace zt {

// Writes `files` texts into `folders` folders under dir (with trailing backslash);
// returns their paths, adds their bytes to librarySize.
std::vector<std::wstring> WriteBenchmarkLibrary(const std::wstring& dir, int files, int folders, long long& librarySize);
// Texts wanted by ZELVANE_SEARCH_BENCHMARK: 1 is 10,000, another number above 1 that
// many, unset `fallback` (the suite's small run).
int BenchmarkTexts(int fallback);

}  // namespace zt
