// The distribution file: a round trip keeps every value, and no mutated file is read outside its
// bytes or accepted with values it does not hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <vector>

#include "Corvane/numerics/grid/empco_file.h"
#include "expect_failure.h"

namespace {

using namespace corvane;

CEmpDist SampleGrid() {
    std::vector<double> p{0.1, 0.25, 1.0 / 3, 0.0, 5e-324, 0.3166666666666667};
    return CEmpDist(std::move(p), 123.456789);
}

TEST(EmpDistFile, RoundTripKeepsEveryBit) {
    const auto dir = std::filesystem::temp_directory_path() / ("empco-file-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "d.emp").string();
    const CEmpDist grid = SampleGrid();
    WriteEmpDistFile(path, grid, u"Gross \u00e9 loss");
    const EmpDistFile back = ReadEmpDistFile(path);
    EXPECT_EQ(back.description, u"Gross \u00e9 loss");
    const double units[2] = {back.grid.unit(), grid.unit()};
    EXPECT_EQ(std::memcmp(&units[0], &units[1], sizeof(double)), 0);
    ASSERT_EQ(back.grid.num(), grid.num());
    EXPECT_EQ(std::memcmp(back.grid.data(), grid.data(), grid.num() * sizeof(double)), 0);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    EXPECT_THROW(ReadEmpDistFile((dir / "missing").string()), InvalidArgument);
    EXPECT_THROW(WriteEmpDistFile((dir / "no" / "such" / "folder").string(), grid, u""), std::runtime_error);
    std::filesystem::remove_all(dir);
}

TEST(EmpDistFile, RefusesFilesWhoseHeaderLiesOrThatAreTruncated) {
    const std::vector<unsigned char> good = FormatEmpDistFile(SampleGrid(), u"ab");
    auto with = [&](std::size_t offset, auto value) {
        std::vector<unsigned char> b = good;
        std::memcpy(b.data() + offset, &value, sizeof value);
        return b;
    };
    const std::vector<std::vector<unsigned char>> bad{
        {},
        std::vector<unsigned char>(good.begin(), good.begin() + 31),
        std::vector<unsigned char>(good.begin(), good.end() - 1),
        [&] { auto b = good; b.push_back(0); return b; }(),
        with(0, 'X'),
        with(8, std::uint32_t{2}),
        with(12, std::uint32_t{3}),
        with(12, std::uint32_t{0xFFFFFFFF}),
        with(16, std::uint64_t{7}),
        with(16, std::uint64_t{0x2000000000000001}),
        with(16, std::uint64_t{0}),
        with(24, 0.0),
        with(24, -1.0),
        with(24, std::nan("")),
        with(36, std::nan("")),
        with(36, -0.5),
        with(36, std::numeric_limits<double>::infinity()),
    };
    for (std::size_t i = 0; i < bad.size(); ++i) EXPECT_THROW(ParseEmpDistFile(bad[i]), InvalidArgument) << "case " << i;
    EXPECT_NO_THROW(ParseEmpDistFile(good));
}

// Thousands of files made from a good one by flipping bytes, cutting, lengthening and rewriting
// header fields: each is refused with an invalid argument or read as exactly what it holds.
TEST(EmpDistFile, FuzzedFilesNeverReadOutsideTheirBytes) {
    std::mt19937 rng(20261210);
    const std::vector<unsigned char> good = FormatEmpDistFile(SampleGrid(), u"fuzz");
    for (int trial = 0; trial < 5000; ++trial) {
        std::vector<unsigned char> b = good;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 4) {
                case 0: if (!b.empty()) b[rng() % b.size()] ^= static_cast<unsigned char>(1u << (rng() % 8)); break;
                case 1: b.resize(rng() % (b.size() + 1)); break;
                case 2: b.resize(b.size() + rng() % 24, static_cast<unsigned char>(rng())); break;
                default:
                    if (b.size() >= 24) {
                        const std::uint64_t v = rng() % 3 == 0 ? rng() : rng() % 64;
                        std::memcpy(b.data() + 12 + 4 * (rng() % 2), &v, 4);
                    }
            }
        }
        try {
            const EmpDistFile f = ParseEmpDistFile(b);
            ASSERT_EQ(b.size(), 32 + 2 * f.description.size() + 8 * f.grid.num());
            for (const double p : f.grid.values()) ASSERT_TRUE(std::isfinite(p) && p >= 0);
        } catch (const InvalidArgument&) {
        }
    }
}

}  // namespace
