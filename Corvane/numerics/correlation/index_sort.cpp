#include "Corvane/numerics/correlation/index_sort.h"

#include <stdexcept>
#include <utility>

namespace corvane {

void IndexSort(std::span<KeyIndex> a) {
    constexpr std::ptrdiff_t M = 7, NSTACK = 50;
    if (a.size() < 2) return;
    std::ptrdiff_t istack[NSTACK];
    std::ptrdiff_t jstack = 0, l = 0, ir = static_cast<std::ptrdiff_t>(a.size()) - 1;
    for (;;) {
        if (ir - l < M) {
            for (std::ptrdiff_t j = l + 1; j <= ir; ++j) {
                const KeyIndex t = a[j];
                std::ptrdiff_t i = j - 1;
                for (; i >= l && a[i].key > t.key; --i) a[i + 1] = a[i];
                a[i + 1] = t;
            }
            if (jstack == 0) break;
            ir = istack[--jstack];
            l = istack[--jstack];
        } else {
            const std::ptrdiff_t k = (l + ir) >> 1;
            std::swap(a[k], a[l + 1]);
            if (a[l].key > a[ir].key) std::swap(a[l], a[ir]);
            if (a[l + 1].key > a[ir].key) std::swap(a[l + 1], a[ir]);
            if (a[l].key > a[l + 1].key) std::swap(a[l], a[l + 1]);
            std::ptrdiff_t i = l + 1, j = ir;
            const KeyIndex pivot = a[l + 1];
            for (;;) {
                do ++i; while (a[i].key < pivot.key);
                do --j; while (a[j].key > pivot.key);
                if (j < i) break;
                std::swap(a[i], a[j]);
            }
            a[l + 1] = a[j];
            a[j] = pivot;
            if (jstack + 2 > NSTACK) throw std::runtime_error("NSTACK too small in indexx.");
            // Stack the larger partition, go on with the smaller.
            if (ir - i + 1 >= j - l) {
                istack[jstack++] = i;
                istack[jstack++] = ir;
                ir = j - 1;
            } else {
                istack[jstack++] = l;
                istack[jstack++] = j - 1;
                l = i;
            }
        }
    }
}

void RankValues(std::span<const double> x, std::span<std::int32_t> rank, std::vector<KeyIndex>& work) {
    work.resize(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) work[i] = {x[i], static_cast<std::int32_t>(i)};
    IndexSort(work);
    for (std::size_t k = 0; k < work.size(); ++k) rank[work[k].index] = static_cast<std::int32_t>(k);
}

}  // namespace corvane
