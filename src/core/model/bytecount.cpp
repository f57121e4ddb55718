#include "bytecount.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

#ifdef __SSE2__
// Each byte of a column sum counts the matches in its column, for at most
// 255 rounds; then the columns are added up.
constexpr std::size_t MaxRounds = 255;

qint64 addColumns(__m128i sums)
{
    const __m128i total = _mm_sad_epu8(sums, _mm_setzero_si128());
    return _mm_cvtsi128_si32(total) + _mm_extract_epi16(total, 4);
}
#endif

} // namespace

qint64 countByte(const char *data, std::size_t size, char byte)
{
    qint64 count = 0;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i wanted = _mm_set1_epi8(byte);
    while (i + 16 <= size) {
        __m128i sums = _mm_setzero_si128();
        const std::size_t rounds = std::min<std::size_t>((size - i) / 16, MaxRounds);
        for (std::size_t round = 0; round < rounds; ++round, i += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
            sums = _mm_sub_epi8(sums, _mm_cmpeq_epi8(chunk, wanted));
        }
        count += addColumns(sums);
    }
#endif
    return count + std::count(data + i, data + size, byte);
}

ByteCounts countBytes(const char *data, std::size_t size, char first, char second)
{
    ByteCounts counts;
    std::size_t i = 0;
#ifdef __SSE2__
    const __m128i firstWanted = _mm_set1_epi8(first);
    const __m128i secondWanted = _mm_set1_epi8(second);
    while (i + 16 <= size) {
        __m128i firstSums = _mm_setzero_si128();
        __m128i secondSums = _mm_setzero_si128();
        const std::size_t rounds = std::min<std::size_t>((size - i) / 16, MaxRounds);
        for (std::size_t round = 0; round < rounds; ++round, i += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
            firstSums = _mm_sub_epi8(firstSums, _mm_cmpeq_epi8(chunk, firstWanted));
            secondSums = _mm_sub_epi8(secondSums, _mm_cmpeq_epi8(chunk, secondWanted));
        }
        counts.first += addColumns(firstSums);
        counts.second += addColumns(secondSums);
    }
#endif
    for (; i < size; ++i) {
        counts.first += data[i] == first;
        counts.second += data[i] == second;
    }
    return counts;
}
