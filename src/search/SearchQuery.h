// A search box text turned into what the text store matches.
#pragma once
#include <string>
#include <vector>

// The words of a query: split at spaces, folded as the stored text is; every
// other character (quotes, '*', '-', NEAR, AND...) is plain text.
std::vector<std::wstring> QueryWords(const std::wstring& query);
// Characters a word has (a pair of surrogates is one).
size_t CharCount(const std::wstring& word);
