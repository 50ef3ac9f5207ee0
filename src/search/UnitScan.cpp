#include "search/UnitScan.h"
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
const wchar_t* Plain(const wchar_t* text, size_t n, const wchar_t* word, size_t m) {
    for (size_t i = 0; i + m <= n; ++i)
        if (text[i] == word[0] && text[i + m - 1] == word[m - 1] && memcmp(text + i, word, m * sizeof(wchar_t)) == 0)
            return text + i;
    return nullptr;
}
}  // namespace

const wchar_t* FindUnits(const wchar_t* text, size_t n, const wchar_t* word, size_t m) {
    if (m == 0 || n < m) return nullptr;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi16((short)word[0]);
    const __m128i last = _mm_set1_epi16((short)word[m - 1]);
    size_t i = 0;
    // Each step looks at 8 starting places; the loads of the last unit stay inside the text.
    for (; i + m - 1 + 8 <= n; i += 8) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + m - 1));
        unsigned mask = (unsigned)_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(a, first), _mm_cmpeq_epi16(b, last)));
        while (mask) {
            unsigned bit = (unsigned)__builtin_ctz(mask);
            const wchar_t* at = text + i + bit / 2;
            if (m <= 2 || memcmp(at + 1, word + 1, (m - 2) * sizeof(wchar_t)) == 0) return at;
            mask &= ~(3u << bit);
        }
    }
    return Plain(text + i, n - i, word, m);
#else
    return Plain(text, n, word, m);
#endif
}
