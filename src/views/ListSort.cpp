#include "views/ListSort.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Each of `count` keys' rank among the distinct keys by `less`, so that equal keys share one;
// ranks run from 0 without a gap.
template <typename Less>
std::vector<int> Ranks(std::size_t count, Less less) {
    std::vector<int> byKey(count);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), less);
    std::vector<int> ranks(count);
    int rank = 0;
    for (std::size_t k = 0; k < count; ++k) {
        rank += k > 0 && less(byKey[k - 1], byKey[k]);
        ranks[byKey[k]] = rank;
    }
    return ranks;
}

struct Keys {
    std::vector<long> value;
    std::vector<char> read;  // the text gave a number
    bool all_read = true;
};

Keys Numbers(const std::vector<std::string>& texts) {
    Keys keys{std::vector<long>(texts.size()), std::vector<char>(texts.size())};
    for (std::size_t k = 0; k < texts.size(); ++k) {
        keys.read[k] = std::sscanf(texts[k].c_str(), "%ld", &keys.value[k]) == 1;
        keys.all_read = keys.all_read && keys.read[k];
    }
    return keys;
}

bool OutOfOrder(long a, long b, int direction) {
    return direction == kAscending ? a > b : (direction == kDescending && a < b);
}

// The first place from `j` on whose key belongs before `key` (smaller when ascending,
// larger when descending), or `count`; with `Wide`, eight keys at a time where the processor
// can. A header click both ways on 10,000 shuffled rows (bench/list_sort_bench against
// list_sort_bench_plain, two-core machine under other builds) took, with SSE2 and without:
// login states 14-30 ms and 26-61 ms, branch IDs 53-92 ms and 47-117 ms, the plain loop the
// faster in six of seven runs. So only text columns, which sort few distinct texts such as
// states, scan wide; number columns scan one key at a time.
template <bool Ascending, bool Wide>
std::size_t NextBefore(const int* keys, std::size_t j, std::size_t count, int key) {
#if defined(__SSE2__) && !defined(LIST_SORT_PLAIN_SCAN)
    const __m128i wanted = _mm_set1_epi32(key);
    for (; Wide && j + 8 <= count; j += 8) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j + 4));
        const __m128i lowHits =
            Ascending ? _mm_cmplt_epi32(low, wanted) : _mm_cmpgt_epi32(low, wanted);
        const __m128i highHits =
            Ascending ? _mm_cmplt_epi32(high, wanted) : _mm_cmpgt_epi32(high, wanted);
        const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(lowHits)) |
                              static_cast<unsigned>(_mm_movemask_epi8(highHits)) << 16;
        if (hits != 0) {
            return j + static_cast<std::size_t>(__builtin_ctz(hits)) / 4;
        }
    }
#endif
    for (; j < count; ++j) {
        if (Ascending ? keys[j] < key : keys[j] > key) {
            return j;
        }
    }
    return count;
}

// Every key read: a comparison depends on the two keys alone, here their ranks. Row i's key
// and index are held aside while the keys travel with the order; a pass scans for the next
// key that takes their place. The keys between two such places stay as they are, so the scan
// goes on from the place after the one just taken. (Exchanging every later key without a
// branch once the places came closer than one in 64 gained nothing one could measure: branch
// IDs 77-113 ms against 70-88 ms, login states 20-36 ms against 21-37 ms.)
template <bool Ascending, bool Wide>
void ExchangeByKeys(std::vector<int>& order, std::vector<int> keys) {
    const std::size_t count = order.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        int key = keys[i];
        int row = order[i];
        for (std::size_t j = NextBefore<Ascending, Wide>(keys.data(), i + 1, count, key); j < count;
             j = NextBefore<Ascending, Wide>(keys.data(), j + 1, count, key)) {
            std::swap(key, keys[j]);
            std::swap(row, order[j]);
        }
        keys[i] = key;
        order[i] = row;
    }
}

// Some text gave no number: each side remembers its last number, as the comparison does.
// The numbers and whether there was one travel with the order.
void ExchangeRemembering(std::vector<int>& order, Keys keys, int direction) {
    long a = 0, b = 0;
    const std::size_t count = order.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        long value = keys.value[i];
        char read = keys.read[i];
        int row = order[i];
        for (std::size_t j = i + 1; j < count; ++j) {
            a = read ? value : a;
            b = keys.read[j] ? keys.value[j] : b;
            if (OutOfOrder(a, b, direction)) {
                std::swap(value, keys.value[j]);
                std::swap(read, keys.read[j]);
                std::swap(row, order[j]);
            }
        }
        keys.value[i] = value;
        keys.read[i] = read;
        order[i] = row;
    }
}

}  // namespace

std::vector<int> ExchangeSortOrder(const std::vector<std::string>& texts, int direction, int type) {
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> ranks;
    if (type == kSortAsText) {
        ranks = Ranks(texts.size(), [&](int a, int b) {
            return std::strcmp(texts[a].c_str(), texts[b].c_str()) < 0;
        });
    } else {
        const Keys keys = Numbers(texts);
        if (!keys.all_read) {
            ExchangeRemembering(order, keys, direction);
            return order;
        }
        ranks = Ranks(texts.size(), [&](int a, int b) { return keys.value[a] < keys.value[b]; });
    }
    if (direction != kAscending && direction != kDescending) {
        return order;  // nothing is ever out of order
    }
    const bool ascending = direction == kAscending;
    if (ranks.empty() ||
        *std::max_element(ranks.begin(), ranks.end()) + 1 == static_cast<int>(ranks.size())) {
        // No two keys equal: the exchanges end in the one sorted order.
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return ascending ? ranks[a] < ranks[b] : ranks[a] > ranks[b];
        });
    } else if (type == kSortAsText && ascending) {
        ExchangeByKeys<true, true>(order, ranks);
    } else if (type == kSortAsText) {
        ExchangeByKeys<false, true>(order, ranks);
    } else if (ascending) {
        ExchangeByKeys<true, false>(order, ranks);
    } else {
        ExchangeByKeys<false, false>(order, ranks);
    }
    return order;
}

void SortListByColumn(SortableRows& rows, int column, int direction, int type) {
    std::vector<std::string> texts(static_cast<std::size_t>(std::max(0, rows.RowCount())));
    for (std::size_t row = 0; row < texts.size(); ++row) {
        texts[row] = rows.Text(static_cast<int>(row), column);
    }
    const std::vector<int> order = ExchangeSortOrder(texts, direction, type);
    for (std::size_t row = 0; row < order.size(); ++row) {
        if (order[row] != static_cast<int>(row)) {
            rows.Arrange(order);
            return;
        }
    }
}
