// ImancCo's _RawShuffleEx on caller memory, through its dispatch row: the target is read in place,
// the ranks written column-major, and nothing is written past the caller's arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "Corvane/ImancCo.h"
#include "Corvane/numerics/codes.h"

namespace {

using namespace automation;
using namespace corvane;

HRESULT RawShuffle(IDispatch* o, std::int32_t nlines, std::vector<double>& cov, std::int32_t n, std::int32_t st,
                   double p1, std::vector<std::int32_t>& out, std::uint32_t outExtent) {
    Variant args[] = {Variant(nlines), Variant::RefDoubles(cov.data(), static_cast<std::uint32_t>(cov.size())),
                      Variant(n), Variant(st), Variant(p1), Variant(p1), Variant::RefInt32s(out.data(), outExtent)};
    ExcepInfo excep;
    return o->Invoke(3, InvokeKind::Method, args, 7, nullptr, &excep);
}

TEST(ImancCoRaw, WritesRanksIntoTheCallersArray) {
    auto o = MakeObject<CImancCo>();
    std::vector<double> cov{1.0, 0.5, 0.5, 1.0};
    const std::vector<double> before = cov;
    const std::int32_t n = 1000;
    for (std::int32_t st : {scNormal, scGamma, scBeta}) {
        std::vector<std::int32_t> out(2 * n + 1, -7);
        ASSERT_EQ(RawShuffle(o.get(), 2, cov, n, st, 2.0, out, 2 * n), S_OK) << st;
        EXPECT_EQ(out[2 * n], -7);
        for (int j = 0; j < 2; ++j) {
            std::vector<std::int32_t> col(out.begin() + j * n, out.begin() + (j + 1) * n);
            std::sort(col.begin(), col.end());
            std::vector<std::int32_t> expect(n);
            std::iota(expect.begin(), expect.end(), 0);
            EXPECT_EQ(col, expect);
        }
    }
    EXPECT_EQ(cov, before);
}

TEST(ImancCoRaw, RefusesShortArraysAndBadCodes) {
    auto o = MakeObject<CImancCo>();
    std::vector<double> cov{1.0, 0.5, 0.5, 1.0};
    std::vector<std::int32_t> out(200, -7);
    EXPECT_EQ(RawShuffle(o.get(), 2, cov, 100, scNormal, 0.0, out, 199), E_INVALIDARG);
    EXPECT_EQ(RawShuffle(o.get(), 3, cov, 50, scNormal, 0.0, out, 200), E_INVALIDARG);
    EXPECT_EQ(RawShuffle(o.get(), 2, cov, 100, 5, 0.0, out, 200), E_INVALIDARG);
    EXPECT_EQ(RawShuffle(o.get(), 2, cov, 100, scGamma, 0.0, out, 200), E_INVALIDARG);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int32_t v) { return v == -7; }));
}

}  // namespace
