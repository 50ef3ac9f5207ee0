#include "search/SearchQuery.h"
#include "search/ReaderText.h"

std::vector<std::wstring> QueryWords(const std::wstring& query) {
    std::vector<std::wstring> words;
    std::wstring folded = FoldForSearch(query);
    size_t start = 0;
    while (start < folded.size()) {
        size_t end = folded.find(L' ', start);
        if (end == std::wstring::npos) end = folded.size();
        std::wstring w = folded.substr(start, end - start);
        bool seen = false;
        for (auto& o : words) seen = seen || o == w;
        if (!w.empty() && !seen) words.push_back(w);
        start = end + 1;
    }
    return words;
}

size_t CharCount(const std::wstring& word) {
    size_t n = 0;
    for (wchar_t c : word)
        if (c < 0xDC00 || c > 0xDFFF) ++n;
    return n;
}
