// A search box text turned into what the index matches.
#pragma once
#include <string>
#include <vector>

// The words of a query: split at spaces, folded as the index text is; every
// other character (quotes, '*', '-', NEAR, AND...) is plain text.
std::vector<std::wstring> QueryWords(const std::wstring& query);
// A word as one literal phrase of the full-text query language.
std::wstring QuotedPhrase(const std::wstring& word);
// Characters a word has (a pair of surrogates is one).
size_t CharCount(const std::wstring& word);
// The distinct runs of three characters of a word, in order of first appearance:
// the terms of the trigram index that every text holding the word has.
std::vector<std::wstring> WordTrigrams(const std::wstring& word);
