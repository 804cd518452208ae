// The graph state's operations: densities from arrays and from named blocks, the plot type and its
// engine, the posterior read-back and the checks made before a draw.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Lumenar/GraphState.h"
#include "automation/conversion.h"
#include "automation/failure.h"
#include "shared_block.h"

using namespace lumenar;
using automation::SafeArray;
using automation::StatusError;
using automation::Variant;

namespace {

// A 2-D array of nx x ny doubles, element (i, j) = f(i, j).
template <class F>
Variant Array2D(std::uint32_t nx, std::uint32_t ny, F f) {
    std::vector<double> v(nx * ny);
    for (std::uint32_t j = 0; j < ny; ++j)
        for (std::uint32_t i = 0; i < nx; ++i) v[i + nx * j] = f(i, j);
    return Variant(SafeArray(std::move(v), {{nx, 0}, {ny, 0}}));
}

class CountingGraph : public CGraphCommon {
public:
    int viewChanges = 0;

protected:
    void OnViewChanged() override { ++viewChanges; }
};

template <class Call>
automation::HRESULT StatusOf(Call call) {
    try {
        call();
    } catch (const StatusError& e) {
        return e.code();
    }
    return automation::S_OK;
}

}  // namespace

TEST(GraphState, SetDensityStoresElementIJAtIPlusNxJ) {
    CGraphCommon g;
    g.SetDensity(3, 2, Array2D(3, 2, [](int i, int j) { return 10.0 * i + j; }));
    const GraphState& s = g.state();
    ASSERT_NE(s.x, nullptr);
    EXPECT_EQ(g.get_nx(), 3);
    EXPECT_EQ(g.get_ny(), 2);
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) EXPECT_EQ(s.x[i + 3 * j], 10.0 * i + j);
    EXPECT_NO_THROW(s.CheckDrawable());
}

TEST(GraphState, SetDensityOfTheWrongShapeOrSizeFailsAndLeavesNoDensity) {
    struct Case {
        std::int32_t nx, ny;
        Variant v;
    };
    const Case cases[] = {
        {3, 2, Array2D(2, 3, [](int, int) { return 1.0; })},
        {6, 1, Variant(SafeArray(std::vector<double>(6, 1.0), {{6, 0}}))},
        {0, 2, Array2D(0, 2, [](int, int) { return 1.0; })},
        {-3, -2, Array2D(3, 2, [](int, int) { return 1.0; })},
        {std::numeric_limits<std::int32_t>::max(), 2, Array2D(3, 2, [](int, int) { return 1.0; })},
        {2, 2, Variant(1.0)},
    };
    for (const Case& c : cases) {
        CGraphCommon g;
        g.SetDensity(2, 2, Array2D(2, 2, [](int, int) { return 1.0; }));
        EXPECT_EQ(StatusOf([&] { g.SetDensity(c.nx, c.ny, c.v); }), automation::E_INVALIDARG);
        EXPECT_EQ(g.state().x, nullptr);
        EXPECT_EQ(StatusOf([&] { g.state().CheckDrawable(); }), automation::E_INVALIDARG);
    }
}

TEST(GraphState, BlockOf3By4GivesTwelveValuesFromByte1024) {
    SharedBlock block = SharedBlock::Full(3, 4);
    for (int k = 0; k < 12; ++k) block.data()[k] = k + 0.5;
    for (int k = 0; k < 3; ++k) block.data()[2 * 12 + 4 + k] = 100 + k;  // the writer's X marginal
    CGraphCommon g;
    g.MappingName(block.name());
    const GraphState& s = g.state();
    // Read transposed: the reader's nx is the writer's ny, so i + nx j is the writer's x ny + y.
    EXPECT_EQ(s.nx, 4);
    EXPECT_EQ(s.ny, 3);
    EXPECT_EQ(s.storedCount, 12u);
    for (int k = 0; k < 12; ++k) EXPECT_EQ(s.x[k], k + 0.5);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s.marginal[k], 100 + k);
}

TEST(GraphState, SquareBlockReadsAsWritten) {
    SharedBlock block = SharedBlock::Full(4, 4);
    for (int k = 0; k < 4; ++k) block.data()[2 * 16 + 4 + k] = 100 + k;
    CGraphCommon g;
    g.MappingName(block.name());
    EXPECT_EQ(g.get_nx(), 4);
    EXPECT_EQ(g.get_ny(), 4);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(g.state().marginal[k], 100 + k);
}

TEST(GraphState, BlocksThatCannotBeReadFailWithInvalidArgAndLeaveNoDensity) {
    std::vector<SharedBlock> blocks;
    blocks.emplace_back(4, 4, 1024 + 8 * (2 * 16 + 4 + 4) - 8);  // marginal one double short
    blocks.emplace_back(-1, 4, 4096);
    blocks.emplace_back(0, 4, 4096);
    blocks.emplace_back(0x40000000, 0x40000000, 4096);  // sizes whose product overflows 32 bits
    blocks.emplace_back(4, 4, 512);                     // not even a header
    for (SharedBlock& b : blocks) {
        CGraphCommon g;
        g.SetDensity(1, 1, Array2D(1, 1, [](int, int) { return 1.0; }));
        EXPECT_EQ(StatusOf([&] { g.MappingName(b.name()); }), automation::E_INVALIDARG);
        EXPECT_EQ(g.state().x, nullptr);
        EXPECT_EQ(g.state().block, nullptr);
    }
    CGraphCommon g;
    try {
        g.MappingName(u"no-such-lumenar-block");
        ADD_FAILURE();
    } catch (const StatusError& e) {
        EXPECT_EQ(e.code(), automation::E_INVALIDARG);
        EXPECT_EQ(e.description(), "No such file or directory");
    }
}

TEST(GraphState, DensitiesReplaceEachOther) {
    SharedBlock block = SharedBlock::Full(2, 2);
    block.data()[0] = 7.0;
    CGraphCommon g;
    g.MappingName(block.name());
    g.SetDensity(1, 3, Array2D(1, 3, [](int, int j) { return j; }));
    EXPECT_EQ(g.state().block, nullptr);
    EXPECT_EQ(g.state().marginal, nullptr);
    EXPECT_EQ(g.state().x[2], 2.0);
    g.MappingName(block.name());
    EXPECT_TRUE(g.state().densityBuffer.empty());
    EXPECT_EQ(g.state().x[0], 7.0);
}

TEST(GraphState, SetResolutionKeepsTheValuesAndDrawsOnlyWithinThem) {
    CGraphCommon g;
    g.SetDensity(3, 4, Array2D(3, 4, [](int i, int j) { return i + j; }));
    const double* before = g.state().x;
    g.SetResolution(2, 6);
    EXPECT_EQ(g.get_nx(), 2);
    EXPECT_EQ(g.get_ny(), 6);
    EXPECT_EQ(g.state().x, before);
    EXPECT_NO_THROW(g.state().CheckDrawable());
    for (auto [nx, ny] : {std::pair{4, 4}, {0, 5}, {-1, -12}, {1 << 30, 1 << 30}}) {
        g.SetResolution(nx, ny);
        EXPECT_EQ(StatusOf([&] { g.state().CheckDrawable(); }), automation::E_INVALIDARG) << nx << " " << ny;
    }
    g.SetDensity(1, 1, Array2D(1, 1, [](int, int) { return 1.0; }));
    EXPECT_EQ(g.get_nx(), 1);
}

TEST(GraphState, PlotTypeSelectsAnEngineAndCallsTheHookOnChangeOnly) {
    CountingGraph g;
    g.put_plotType(0);
    EXPECT_EQ(g.viewChanges, 0);
    g.put_plotType(11);
    EXPECT_NE(g.state().engine, nullptr);
    EXPECT_EQ(g.viewChanges, 1);
    g.state().setup = true;
    g.put_plotType(11);
    EXPECT_EQ(g.viewChanges, 1);
    EXPECT_TRUE(g.state().setup);
    g.put_plotType(0);
    EXPECT_EQ(g.state().engine, nullptr);
    EXPECT_EQ(g.viewChanges, 2);
    for (int code : {1, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22}) {
        g.put_plotType(code);
        EXPECT_NE(g.state().engine, nullptr) << code;
    }
}

TEST(GraphState, UnknownPlotTypeFailsKeepingTheCodeWithoutEngine) {
    for (int code : {2, 10, 23, 1000, std::numeric_limits<std::int32_t>::max()}) {
        CountingGraph g;
        g.put_plotType(11);
        g.state().setup = true;
        try {
            g.put_plotType(code);
            ADD_FAILURE();
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Unknown Engine ID");
        }
        EXPECT_EQ(g.get_plotType(), code);
        EXPECT_EQ(g.state().engine, nullptr);
        EXPECT_FALSE(g.state().setup);
    }
    // A negative code selects no engine and is no failure.
    CountingGraph g;
    g.put_plotType(-4);
    EXPECT_EQ(g.state().engine, nullptr);
    EXPECT_EQ(g.viewChanges, 1);
}

TEST(GraphState, PosteriorIsNormalisedInPlaceAndAZeroSumStaysZero) {
    CGraphCommon g;
    EXPECT_EQ(g.GetPosterior().vt(), automation::VT_EMPTY);
    g.state().posterior = {0, 1, 2, 1};
    for (int call = 0; call < 2; ++call) {
        const std::vector<double> p = automation::VariantToDouble(g.GetPosterior());
        EXPECT_EQ(p, (std::vector<double>{0, 0.25, 0.5, 0.25}));
    }
    g.state().posterior = {0, 0, 0};
    EXPECT_EQ(automation::VariantToDouble(g.GetPosterior()), (std::vector<double>{0, 0, 0}));
}

TEST(GraphState, DecorationsAndCameraAngles) {
    CGraphCommon g;
    g.Decorations(u"", u"", u"", u"", 0);
    EXPECT_TRUE(g.state().decorationsSet);
    g.Decorations(u"Loss \u00e9", u"x", u"y", u"z", 1);
    EXPECT_EQ(g.state().title, "Loss \xc3\xa9");
    g.put_Elevation(-60);
    g.put_Azimuth(30);
    for (double bad : {std::nan(""), double(INFINITY), -double(INFINITY)}) {
        EXPECT_EQ(StatusOf([&] { g.put_Elevation(bad); }), automation::E_INVALIDARG);
        EXPECT_EQ(StatusOf([&] { g.put_Azimuth(bad); }), automation::E_INVALIDARG);
    }
    EXPECT_EQ(g.get_Elevation(), -60);
    EXPECT_EQ(g.get_Azimuth(), 30);
}
