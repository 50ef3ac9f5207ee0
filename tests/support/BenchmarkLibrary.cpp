#include "support/BenchmarkLibrary.h"
#include "support/Harness.h"

namespace zt {

std::vector<std::wstring> WriteBenchmarkLibrary(const std::wstring& dir, int files, int folders, long long& librarySize) {
    std::vector<std::wstring> paths;
    unsigned seed = 12345;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 8) & 0xFFFF; };
    std::vector<std::wstring> vocabulary(20000);
    for (auto& w : vocabulary)
        for (unsigned n = 1 + next() % 3; n; --n) w += (wchar_t)(0x4E00 + next() % 3500);
    for (int f = 0; f < folders; ++f) CreateDirectoryW((dir + L"分类" + std::to_wstring(f)).c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        std::wstring body;
        while (body.size() < 9500) {
            body += L"<P>";
            for (int k = 0; k < 50; ++k) body += vocabulary[(next() % 200) * (next() % 100) % vocabulary.size()];
            body += L" word" + std::to_wstring(next() % 5000) + L" 标记" + std::to_wstring(i) + L"</P>";
        }
        std::wstring name = L"网文" + std::to_wstring(i);
        std::wstring text = L"<HTML><HEAD><TITLE>" + name + L"</TITLE></HEAD><BODY>" + body + L"</BODY></HTML>";
        std::string bytes = "\xFF\xFE";
        bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
        paths.push_back(dir + L"分类" + std::to_wstring(i % folders) + L"\\" + name + L".htm");
        WriteBytes(paths.back(), bytes);
        librarySize += (long long)bytes.size();
    }
    return paths;
}

int BenchmarkTexts(int fallback) {
    wchar_t wanted[16] = {};
    GetEnvironmentVariableW(L"ZELVANE_SEARCH_BENCHMARK", wanted, 16);
    return _wtoi(wanted) > 1 ? _wtoi(wanted) : wanted[0] ? 10000 : fallback;
}

}  // namespace zt
