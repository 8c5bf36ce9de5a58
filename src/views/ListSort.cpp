#include "views/ListSort.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numeric>
#include <type_traits>

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

// The first place from `j` on whose key belongs before `key` (smaller when ascending,
// larger when descending), or `count`.
template <bool Ascending, typename Key>
std::size_t NextBefore(const Key* keys, std::size_t j, std::size_t count, Key key) {
    for (; j < count; ++j) {
        if (Ascending ? keys[j] < key : keys[j] > key) {
            return j;
        }
    }
    return count;
}

// Every key read: a comparison depends on the two keys alone, here their ranks (16 bits up
// to 32767 rows). Row i's key and index are held aside while the keys travel with the order;
// a pass scans for the next key that takes their place. The keys between two such places
// stay as they are, so the scan goes on from the place after the one just taken.
//
// Text columns hold few distinct texts (login states), so places that take the key are far
// apart and a pass scans sixteen keys at a time. Number columns (branch IDs) take the key
// about every tenth place, and a list sorted the other way takes it in a pattern the
// processor foresees key by key: there the plain scan is faster. 10,000 rows, ms per sort,
// best of five, sixteen at a time against key by key: 4 distinct keys 3.7 / 15.2, 64 6.5 /
// 20.0, 999 random 46.6 / 52.8, 999 after sorting the other way 38.3 / 16.9. As a header
// click (bench/list_sort_bench, against list_sort_bench_plain, which scans key by key
// everywhere): branch IDs 43-46 ms, login states 11-14 ms against 24-28 ms.
#if defined(__SSE2__) && !defined(LIST_SORT_PLAIN_SCAN)
// Two bits for each of sixteen 16-bit lanes whose key belongs before `key`.
template <bool Ascending>
unsigned Hits(__m128i low, __m128i high, std::int16_t key) {
    const __m128i wanted = _mm_set1_epi16(key);
    const __m128i lowHits = Ascending ? _mm_cmplt_epi16(low, wanted) : _mm_cmpgt_epi16(low, wanted);
    const __m128i highHits =
        Ascending ? _mm_cmplt_epi16(high, wanted) : _mm_cmpgt_epi16(high, wanted);
    return static_cast<unsigned>(_mm_movemask_epi8(lowHits)) |
           static_cast<unsigned>(_mm_movemask_epi8(highHits)) << 16;
}

// A pass over sixteen keys at a time: the keys of a block are loaded once, and every place
// in it that takes the held key is found from them, the lanes after the last one taken
// compared again with the key now held.
template <bool Ascending>
std::size_t WidePass(std::int16_t* keys, int* order, std::size_t j, std::size_t count,
                     std::int16_t* key, int* row) {
    for (; j + 16 <= count; j += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + j + 8));
        for (std::uint64_t hits = Hits<Ascending>(low, high, *key); hits != 0;) {
            const unsigned bit = static_cast<unsigned>(__builtin_ctzll(hits));
            const std::size_t at = j + bit / 2;
            std::swap(*key, keys[at]);
            std::swap(*row, order[at]);
            hits = Hits<Ascending>(low, high, *key) & ~((std::uint64_t{4} << bit) - 1);
        }
    }
    return j;
}
#endif

template <bool Ascending, typename Key, bool Wide>
void ExchangeByKeys(std::vector<int>& order, const std::vector<int>& ranks) {
    const std::size_t count = order.size();
    std::vector<Key> keys(ranks.begin(), ranks.end());
    for (std::size_t i = 0; i + 1 < count; ++i) {
        Key key = keys[i];
        int row = order[i];
        std::size_t from = i + 1;
#if defined(__SSE2__) && !defined(LIST_SORT_PLAIN_SCAN)
        if constexpr (Wide && std::is_same_v<Key, std::int16_t>) {
            from = WidePass<Ascending>(keys.data(), order.data(), from, count, &key, &row);
        }
#endif
        for (std::size_t j = NextBefore<Ascending>(keys.data(), from, count, key); j < count;
             j = NextBefore<Ascending>(keys.data(), j + 1, count, key)) {
            std::swap(key, keys[j]);
            std::swap(row, order[j]);
        }
        keys[i] = key;
        order[i] = row;
    }
}

// Some text gave no number: each side remembers its last number, as the comparison does.
// The numbers and whether there was one travel with the order. Exchanges here are as likely
// as not, so they are made as selections, without a branch the processor could mispredict.
template <bool Ascending>
void ExchangeRemembering(std::vector<int>& order, Keys keys) {
    long a = 0, b = 0;
    const std::size_t count = order.size();
    long* values = keys.value.data();
    char* read = keys.read.data();
    int* rows = order.data();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        long value = values[i];
        char held = read[i];
        int row = rows[i];
        for (std::size_t j = i + 1; j < count; ++j) {
            a = held ? value : a;
            b = read[j] ? values[j] : b;
            const bool out = Ascending ? a > b : a < b;
            const long otherValue = values[j];
            const char otherRead = read[j];
            const int otherRow = rows[j];
            values[j] = out ? value : otherValue;
            read[j] = out ? held : otherRead;
            rows[j] = out ? row : otherRow;
            value = out ? otherValue : value;
            held = out ? otherRead : held;
            row = out ? otherRow : row;
        }
        values[i] = value;
        read[i] = held;
        rows[i] = row;
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
            if (direction == kAscending) {
                ExchangeRemembering<true>(order, keys);
            } else if (direction == kDescending) {
                ExchangeRemembering<false>(order, keys);
            }
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
    } else if (ranks.size() > std::numeric_limits<std::int16_t>::max()) {
        ascending ? ExchangeByKeys<true, int, false>(order, ranks)
                  : ExchangeByKeys<false, int, false>(order, ranks);
    } else if (type == kSortAsText) {
        ascending ? ExchangeByKeys<true, std::int16_t, true>(order, ranks)
                  : ExchangeByKeys<false, std::int16_t, true>(order, ranks);
    } else {
        ascending ? ExchangeByKeys<true, std::int16_t, false>(order, ranks)
                  : ExchangeByKeys<false, std::int16_t, false>(order, ranks);
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
