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

std::wstring QuotedPhrase(const std::wstring& word) {
    std::wstring out = L"\"";
    for (wchar_t c : word) {
        if (c == L'"') out += L'"';
        out += c;
    }
    return out + L"\"";
}

size_t CharCount(const std::wstring& word) {
    size_t n = 0;
    for (wchar_t c : word)
        if (c < 0xDC00 || c > 0xDFFF) ++n;
    return n;
}

std::vector<std::wstring> WordTrigrams(const std::wstring& word) {
    std::vector<size_t> starts;   // where each character begins
    for (size_t i = 0; i < word.size(); ++i)
        if (word[i] < 0xDC00 || word[i] > 0xDFFF) starts.push_back(i);
    std::vector<std::wstring> out;
    for (size_t k = 0; k + 3 <= starts.size(); ++k) {
        size_t end = k + 3 < starts.size() ? starts[k + 3] : word.size();
        std::wstring t = word.substr(starts[k], end - starts[k]);
        bool seen = false;
        for (auto& o : out) seen = seen || o == t;
        if (!seen) out.push_back(std::move(t));
    }
    return out;
}
