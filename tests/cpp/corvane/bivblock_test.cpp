// The bivariate block: layout, shared-memory life, file image and refused headers.
#include <ostream>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Corvane/BivBlock.h"
#include "Corvane/numerics/bivariate/biv_copula.h"
#include "Corvane/numerics/bivariate/biv_frequency.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/frequency/freq_factory.h"
#include "automation/guid.h"

namespace {

using namespace corvane;
namespace fs = std::filesystem;

std::string NewId() { return automation::GuidText(automation::NewGuid()); }
fs::path ShmPath(const std::string& id) { return fs::path("/dev/shm") / id; }

// A file in the temporary directory, removed at the end of the test.
class TempFile {
public:
    TempFile() : path_(fs::temp_directory_path() / ("bivblock-" + NewId() + ".biv")) {}
    ~TempFile() { fs::remove(path_); }
    const fs::path& path() const { return path_; }
    std::vector<char> Bytes() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void Write(const std::vector<char>& bytes) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

private:
    fs::path path_;
};

template <class T>
T At(std::span<const std::byte> image, std::size_t offset) {
    T v;
    std::memcpy(&v, image.data() + offset, sizeof v);
    return v;
}

std::vector<int> Flags(const CBivBlock& block) {
    std::vector<int> f;
    for (int r = 0; r < 5; ++r) f.push_back(block.Flag(static_cast<BivRegion>(r)));
    return f;
}

TEST(BivLayout, RegionsFollowTheStoredFormat) {
    EXPECT_EQ(BivElementCount(4, 4), 52u);
    const struct {
        BivRegion region;
        std::size_t offset, length;
    } square[] = {{BivRegion::Density, 0, 16},
                  {BivRegion::Transform, 16, 20},
                  {BivRegion::MarginalX, 36, 4},
                  {BivRegion::MarginalY, 40, 4},
                  {BivRegion::Reserved, 44, 8}};
    for (const auto& r : square) {
        const BivExtent e = BivRegionExtent(r.region, 4, 4);
        EXPECT_EQ(e.offset, r.offset);
        EXPECT_EQ(e.length, r.length);
    }
    // 2 x 8: the X marginal keeps nx values; the reserved region stops at the end of the data area.
    EXPECT_EQ(BivElementCount(2, 8), 54u);
    EXPECT_EQ(BivRegionExtent(BivRegion::MarginalX, 2, 8).offset, 40u);
    EXPECT_EQ(BivRegionExtent(BivRegion::MarginalX, 2, 8).length, 2u);
    EXPECT_EQ(BivRegionExtent(BivRegion::MarginalY, 2, 8).offset, 42u);
    EXPECT_EQ(BivRegionExtent(BivRegion::Reserved, 2, 8).offset, 50u);
    EXPECT_EQ(BivRegionExtent(BivRegion::Reserved, 2, 8).length, 4u);
}

TEST(BivBlock, SharedBlockHasItsHeaderAndFlagsRegionsInUse) {
    const std::string id = NewId();
    auto block = CBivBlock::CreateShared(id, 8, 4, 2.5, 0.5);
    const auto image = block->Image();
    ASSERT_EQ(image.size(), 1024u + 8 * BivElementCount(8, 4));
    EXPECT_EQ(At<std::int32_t>(image, 64), 8);
    EXPECT_EQ(At<std::int32_t>(image, 68), 0);
    EXPECT_EQ(At<std::int32_t>(image, 72), 4);
    EXPECT_EQ(At<std::int32_t>(image, 76), 0);
    EXPECT_EQ(At<double>(image, 128), 2.5);
    EXPECT_EQ(At<double>(image, 136), 0.5);
    EXPECT_EQ(Flags(*block), (std::vector<int>{0, 0, 0, 0, 0}));

    const auto density = block->Density();
    const auto mx = block->MarginalX();
    const auto my = block->MarginalY();
    EXPECT_EQ(reinterpret_cast<const std::byte*>(density.data()), image.data() + 1024);
    EXPECT_EQ(reinterpret_cast<const std::byte*>(mx.data()), image.data() + 1024 + 8 * (2 * 32 + 4));
    EXPECT_EQ(reinterpret_cast<const std::byte*>(my.data()), image.data() + 1024 + 8 * (2 * 32 + 4 + 8));
    EXPECT_EQ(density.size(), 32u);
    EXPECT_EQ(mx.size(), 8u);
    EXPECT_EQ(my.size(), 4u);
    EXPECT_EQ(Flags(*block), (std::vector<int>{1, 0, 0, 1, 1}));

    block->SetUnits(1.0, 3.0);
    EXPECT_EQ(block->unitX(), 1.0);
    EXPECT_EQ(block->unitY(), 3.0);
}

TEST(BivBlock, SharedObjectIsPrivateAndRemovedWithItsOwnerWhileAReaderKeepsItsView) {
    const std::string id = NewId();
    auto block = CBivBlock::CreateShared(id, 4, 4, 1.0, 1.0);
    block->Density()[5] = 0.75;

    struct stat st {};
    ASSERT_EQ(::stat(ShmPath(id).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const int fd = ::shm_open(("/" + id).c_str(), O_RDONLY, 0);
    ASSERT_GE(fd, 0);
    const std::size_t bytes = block->Image().size();
    void* view = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    ASSERT_NE(view, MAP_FAILED);

    // A second block cannot take a name in use, and its failure leaves the name alone.
    EXPECT_THROW(CBivBlock::CreateShared(id, 4, 4, 1.0, 1.0), std::runtime_error);
    EXPECT_TRUE(fs::exists(ShmPath(id)));

    block.reset();
    EXPECT_FALSE(fs::exists(ShmPath(id)));
    double value = 0.0;
    std::memcpy(&value, static_cast<const std::byte*>(view) + 1024 + 5 * 8, sizeof value);
    EXPECT_EQ(value, 0.75);
    ::munmap(view, bytes);
}

TEST(BivBlock, RefusesGridsThatAreNotPowersOfTwo) {
    for (auto [nx, ny] : {std::pair{3, 4}, {4, 0}, {-4, 4}, {4, 6}})
        EXPECT_THROW(CBivBlock::CreateShared(NewId(), nx, ny, 1.0, 1.0), std::invalid_argument) << nx << " x " << ny;
}

TEST(BivBlock, TransformsLeaveTheMarginalRegionsAlone) {
    auto block = CBivBlock::CreateShared(NewId(), 8, 8, 1.0, 1.0);
    auto mx = block->MarginalX(), my = block->MarginalY();
    for (std::size_t k = 0; k < 8; ++k) mx[k] = my[k] = k < 4 ? 0.25 : 0.0;
    CopulaDensity(bvIndep, 0.0, mx, my, block->Density());
    const double lambda[] = {1.0};
    ApplyFrequency2D(*freqdist::CreateFreqDist(fqPoisson, lambda), block->Transform2D(), block->Density());
    for (std::size_t k = 0; k < 8; ++k) {
        EXPECT_EQ(mx[k], k < 4 ? 0.25 : 0.0);
        EXPECT_EQ(my[k], k < 4 ? 0.25 : 0.0);
    }
    double total = 0.0;
    for (double v : block->Density()) total += v;
    EXPECT_NEAR(total, 1.0, 1e-14);
    EXPECT_EQ(Flags(*block), (std::vector<int>{1, 0, 0, 1, 1}));
}

TEST(BivBlock, SavedFileIsTheBlockImageAndReopensWritingThrough) {
    TempFile file;
    file.Write(std::vector<char>(100000, '\x7f'));  // a longer file is shortened
    auto block = CBivBlock::CreateShared(NewId(), 8, 4, 2.0, 0.25);
    const auto density = block->Density();
    for (std::size_t k = 0; k < density.size(); ++k) density[k] = double(k) / 496.0;
    block->MarginalX()[7] = 0.5;
    block->SaveAs(file.path());

    const auto image = block->Image();
    const auto bytes = file.Bytes();
    ASSERT_EQ(bytes.size(), 1024u + 8 * BivElementCount(8, 4));
    EXPECT_EQ(std::memcmp(bytes.data(), image.data(), bytes.size()), 0);

    {
        auto reopened = CBivBlock::OpenFile(file.path());
        EXPECT_EQ(reopened->nx(), 8);
        EXPECT_EQ(reopened->ny(), 4);
        EXPECT_EQ(reopened->unitX(), 2.0);
        EXPECT_EQ(reopened->unitY(), 0.25);
        EXPECT_EQ(Flags(*reopened), (std::vector<int>{1, 1, 1, 1, 1}));
        const auto again = reopened->Density();
        EXPECT_TRUE(std::equal(again.begin(), again.end(), density.begin(), density.end()));
        EXPECT_EQ(reopened->MarginalX()[7], 0.5);
        again[0] = 0.125;
    }
    const auto changed = file.Bytes();
    double first = 0.0;
    std::memcpy(&first, changed.data() + 1024, sizeof first);
    EXPECT_EQ(first, 0.125);
    EXPECT_EQ(changed[0], 1);
}

struct LyingHeader {
    const char* what;
    std::int32_t nx, ny;
    std::size_t fileBytes;
};

// Test names show the case, not its bytes.
void PrintTo(const LyingHeader& c, std::ostream* os) {
    for (const char* p = c.what; *p; ++p) *os << (*p == ' ' ? '_' : *p);
}

class BivBlockOpenFile : public ::testing::TestWithParam<LyingHeader> {};

TEST_P(BivBlockOpenFile, RefusesAHeaderThatDoesNotDescribeTheFile) {
    const auto& c = GetParam();
    std::vector<char> bytes(c.fileBytes, 0);
    if (bytes.size() >= 80) {
        std::memcpy(bytes.data() + 64, &c.nx, 4);
        std::memcpy(bytes.data() + 72, &c.ny, 4);
    }
    TempFile file;
    file.Write(bytes);
    EXPECT_THROW(CBivBlock::OpenFile(file.path()), std::invalid_argument) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BivBlockOpenFile,
    ::testing::Values(LyingHeader{"nx not a power of two", 3, 4, 1024 + 8 * 52},
                      LyingHeader{"nx zero", 0, 4, 1024 + 8 * 52},
                      LyingHeader{"ny negative", 4, -4, 1024 + 8 * 52},
                      LyingHeader{"huge grid", 1 << 30, 1 << 30, 1024 + 8 * 52},
                      LyingHeader{"one double short", 4, 4, 1024 + 8 * 52 - 8},
                      LyingHeader{"shorter than a header", 4, 4, 1000}));

TEST(BivBlockOpenFileFailures, EmptyAndMissingFilesHaveNoMapping) {
    TempFile file;
    ASSERT_FALSE(fs::exists(file.path()));
    try {
        CBivBlock::OpenFile(file.path());
        FAIL() << "a missing file was opened";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Could not create mapping object");
    }
    EXPECT_TRUE(fs::exists(file.path()));
    EXPECT_EQ(fs::file_size(file.path()), 0u);
    try {
        CBivBlock::OpenFile(fs::temp_directory_path() / "no-such-directory" / "x.biv");
        FAIL() << "a file in a missing directory was opened";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid file handle");
    }
}

}  // namespace
