// The parameter file engine over real files in a private temporary directory: the byte layout,
// reading back, the entry count, user mixtures, and damaged, short or missing files.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Corvane/ParamFileEng.h"
#include "Corvane/numerics/codes.h"
#include "automation/failure.h"

namespace {

using corvane::CParamFileEng;
namespace fs = std::filesystem;

constexpr std::size_t kEntry0 = 512;

std::vector<unsigned char> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

template <class T>
T At(const std::vector<unsigned char>& bytes, std::size_t offset) {
    T v;
    std::memcpy(&v, bytes.data() + offset, sizeof v);
    return v;
}

template <class T>
void Put(std::vector<unsigned char>& bytes, std::size_t offset, T v) {
    std::memcpy(bytes.data() + offset, &v, sizeof v);
}

class ParamFileEngTest : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "paramfileeng-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = dir_ / "curves.prm";
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_, path_;
};

TEST_F(ParamFileEngTest, NewGivesAZeroedFileOfFixedSizeWithNoEntries) {
    WriteBytes(path_, std::vector<unsigned char>(300000, 0xAB));  // replaced, not reused
    CParamFileEng eng;
    eng.create(path_);
    EXPECT_TRUE(eng.isOpen());
    EXPECT_EQ(eng.count(), 0);
    eng.close();
    const auto bytes = ReadBytes(path_);
    ASSERT_EQ(bytes.size(), 262144u);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 262144);
}

TEST_F(ParamFileEngTest, AddWritesTheEntryLayoutAndReadsBack) {
    CParamFileEng eng;
    eng.create(path_);
    const std::vector<double> values{1000.0, 0.25, 5000.0, 0.75};
    eng.add(0, corvane::svMED, u"Auto BI", u"Two-component mixed exponential", values);
    EXPECT_EQ(eng.count(), 1);
    const corvane::CurveRecord r = eng.entry(0);
    EXPECT_EQ(r.name, u"Auto BI");
    EXPECT_EQ(r.description, u"Two-component mixed exponential");
    EXPECT_EQ(r.sevDist, corvane::svMED);
    EXPECT_EQ(r.params, values);

    eng.add(2, corvane::svPareto, u"P", u"", std::vector<double>{3.0});
    eng.flush();
    const auto b = ReadBytes(path_);
    EXPECT_EQ(At<std::int32_t>(b, 0), 3);
    EXPECT_EQ(At<char16_t>(b, kEntry0 + 0), u'A');
    EXPECT_EQ(At<char16_t>(b, kEntry0 + 12), u'I');
    EXPECT_EQ(At<char16_t>(b, kEntry0 + 14), u'\0');
    EXPECT_EQ(At<char16_t>(b, kEntry0 + 50), u'T');
    EXPECT_EQ(At<std::int32_t>(b, kEntry0 + 252), corvane::svMED);
    EXPECT_EQ(At<std::int32_t>(b, kEntry0 + 256), 4);
    for (std::size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(At<double>(b, kEntry0 + 272 + 8 * i), i < 4 ? values[i] : 0.0) << "slot " << i;
    }
    const std::size_t entry2 = kEntry0 + 2 * 512;
    EXPECT_EQ(At<char16_t>(b, entry2), u'P');
    EXPECT_EQ(At<std::int32_t>(b, entry2 + 252), corvane::svPareto);
    EXPECT_EQ(At<double>(b, entry2 + 272), 3.0);
}

TEST_F(ParamFileEngTest, AddKeepsAtMost24ParametersAndCutsTexts) {
    CParamFileEng eng;
    eng.create(path_);
    std::vector<double> thirty(30);
    for (std::size_t i = 0; i < thirty.size(); ++i) thirty[i] = double(i + 1);
    const std::u16string longName(40, u'n'), longDesc(150, u'd');
    eng.add(7, corvane::svMED, longName, longDesc, thirty);
    const auto r = eng.entry(7);
    EXPECT_EQ(r.params, std::vector<double>(thirty.begin(), thirty.begin() + 24));
    EXPECT_EQ(r.name, std::u16string(24, u'n'));
    EXPECT_EQ(r.description, std::u16string(100, u'd'));

    // A shorter text replaces a longer one completely; a cut keeps surrogate pairs whole.
    std::u16string pairs;
    for (int i = 0; i < 13; ++i) pairs += u"\U0001F600";  // 26 UTF-16 units
    eng.add(7, corvane::svMED, u"short", pairs, {});
    EXPECT_EQ(eng.entry(7).name, u"short");
    EXPECT_EQ(eng.entry(7).params, std::vector<double>{});
    eng.add(7, corvane::svMED, pairs, u"", {});
    EXPECT_EQ(eng.entry(7).name, pairs.substr(0, 24));
    pairs = u"x" + pairs;
    eng.add(7, corvane::svMED, pairs, u"", {});
    EXPECT_EQ(eng.entry(7).name, pairs.substr(0, 23));
}

TEST_F(ParamFileEngTest, CountIsTheHighestEntryWrittenPlusOne) {
    CParamFileEng eng;
    eng.create(path_);
    const struct {
        int index;
        std::int32_t count;
    } steps[] = {{5, 6}, {2, 6}, {5, 6}, {6, 7}, {510, 511}, {0, 511}};
    for (const auto& s : steps) {
        eng.add(s.index, corvane::svMED, u"e", u"", std::vector<double>{1.0, 1.0});
        EXPECT_EQ(eng.count(), s.count) << "after adding entry " << s.index;
    }
}

TEST_F(ParamFileEngTest, RejectsIndicesOutsideTheFile) {
    CParamFileEng eng;
    eng.create(path_);
    for (int index : {-1, 511, 100000, std::numeric_limits<int>::min()}) {
        EXPECT_THROW(eng.entry(index), std::invalid_argument) << index;
        EXPECT_THROW(eng.add(index, corvane::svMED, u"x", u"", std::vector<double>{1.0}), std::invalid_argument) << index;
    }
    EXPECT_EQ(eng.count(), 0);
    eng.close();
    const auto bytes = ReadBytes(path_);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 262144);
}

TEST_F(ParamFileEngTest, UserMixtureCombinesTheComponentsOfMixedExponentialEntries) {
    CParamFileEng eng;
    eng.create(path_);
    eng.add(3, corvane::svMED, u"three", u"", std::vector<double>{100, 0.4, 1000, 0.6});
    eng.add(5, corvane::svMED, u"five", u"", std::vector<double>{50, 0.9, 5000, 0.1});
    eng.add(4, corvane::svPareto, u"four", u"", std::vector<double>{2, 1000});

    const auto m = eng.UserMixture(std::vector<double>{3, 0.5, 5.9, 0.5});  // 5.9 names entry 5
    EXPECT_EQ(m.name, u"User Mixture of MEDs");
    EXPECT_EQ(m.sevDist, corvane::svMED);
    EXPECT_EQ(m.params, (std::vector<double>{100, 0.2, 1000, 0.3, 50, 0.45, 5000, 0.05}));
    EXPECT_TRUE(eng.UserMixture({}).params.empty());

    // Any number of components: 30 pairs of a two-component entry give 120 values.
    std::vector<double> many;
    for (int i = 0; i < 30; ++i) many.insert(many.end(), {3.0, 1.0});
    EXPECT_EQ(eng.UserMixture(many).params.size(), 120u);

    try {
        eng.UserMixture(std::vector<double>{3, 0.5, 4, 0.5});
        ADD_FAILURE() << "a Pareto entry was mixed";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid arg??? is it bad to throw an exception here?");
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const std::vector<double>& bad : std::vector<std::vector<double>>{{3, 0.5, 5}, {511, 1}, {-1, 1}, {nan, 1}, {1e300, 1}}) {
        EXPECT_THROW(eng.UserMixture(bad), std::invalid_argument);
    }
}

TEST_F(ParamFileEngTest, MissingFileFailsAndLeavesTheEngineClosed) {
    CParamFileEng eng;
    eng.create(path_);
    for (const fs::path& bad : {dir_ / "missing.prm", dir_}) {
        try {
            eng.open(bad);
            ADD_FAILURE() << "opened " << bad;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Cant find file");
        }
        EXPECT_FALSE(eng.isOpen());
    }
    EXPECT_FALSE(fs::exists(dir_ / "missing.prm"));
    EXPECT_THROW(eng.create(dir_ / "no-such-dir" / "x.prm"), std::runtime_error);
    EXPECT_FALSE(eng.isOpen());
}

TEST_F(ParamFileEngTest, EveryOperationOnAClosedEngineFailsUnexpected) {
    CParamFileEng eng;
    const std::vector<std::function<void()>> operations{
        [&] { eng.flush(); },
        [&] { eng.count(); },
        [&] { eng.entry(0); },
        [&] { eng.add(0, corvane::svMED, u"x", u"", std::vector<double>{1.0}); },
        [&] { eng.UserMixture(std::vector<double>{0, 1}); },
    };
    for (std::size_t i = 0; i < operations.size(); ++i) {
        try {
            operations[i]();
            ADD_FAILURE() << "operation " << i << " ran on a closed engine";
        } catch (const automation::StatusError& e) {
            EXPECT_EQ(e.code(), automation::E_UNEXPECTED) << "operation " << i;
        }
    }
    eng.close();  // closing a closed engine is harmless
}

TEST_F(ParamFileEngTest, ShortFileIsExtendedWithZerosAndLongFileIsUsedUpToTheFixedSize) {
    std::vector<unsigned char> shortFile(600, 0);
    Put<std::int32_t>(shortFile, 0, 1);
    Put<char16_t>(shortFile, kEntry0, u'Q');
    WriteBytes(path_, shortFile);
    CParamFileEng eng;
    eng.open(path_);
    EXPECT_EQ(fs::file_size(path_), 262144u);
    EXPECT_EQ(eng.count(), 1);
    EXPECT_EQ(eng.entry(0).name, u"Q");
    EXPECT_EQ(eng.entry(0).params, std::vector<double>{});
    EXPECT_EQ(eng.entry(510).name, u"");

    std::vector<unsigned char> longFile(300000, 0);
    std::fill(longFile.begin() + 262144, longFile.end(), 0x5A);
    WriteBytes(path_, longFile);
    eng.open(path_);
    eng.add(510, corvane::svMED, u"last", u"", std::vector<double>(24, 1.0));
    eng.close();
    const auto bytes = ReadBytes(path_);
    ASSERT_EQ(bytes.size(), 300000u);
    EXPECT_EQ(At<std::int32_t>(bytes, 0), 511);
    EXPECT_TRUE(std::all_of(bytes.begin() + 262144, bytes.end(), [](unsigned char c) { return c == 0x5A; }));
}

TEST_F(ParamFileEngTest, DamagedFieldsAreReportedOrBounded) {
    std::vector<unsigned char> bytes(262144, 0);
    Put<std::int32_t>(bytes, kEntry0 + 256, 25);               // entry 0: too many parameters
    Put<std::int32_t>(bytes, kEntry0 + 512 + 256, -1);         // entry 1: negative count
    for (std::size_t i = 0; i < 252; i += 2) Put<char16_t>(bytes, kEntry0 + 2 * 512 + i, u'z');  // entry 2: no zeros
    WriteBytes(path_, bytes);
    CParamFileEng eng;
    eng.open(path_);
    EXPECT_THROW(eng.entry(0), std::runtime_error);
    EXPECT_THROW(eng.entry(1), std::runtime_error);
    EXPECT_THROW(eng.UserMixture(std::vector<double>{0, 1}), std::runtime_error);
    const auto r = eng.entry(2);
    // A field without its zero ends where the terminator's slot begins: 24 and 100 characters.
    EXPECT_EQ(r.name, std::u16string(24, u'z'));
    EXPECT_EQ(r.description, std::u16string(100, u'z'));

    for (std::int32_t count : {-3, 512}) {
        Put<std::int32_t>(bytes, 0, count);
        WriteBytes(path_, bytes);
        eng.open(path_);
        EXPECT_THROW(eng.count(), std::runtime_error) << count;
        EXPECT_THROW(eng.add(3, corvane::svMED, u"x", u"", {}), std::runtime_error) << count;
    }
}

TEST_F(ParamFileEngTest, TwoEnginesOnOneFileSeeTheSameBytes) {
    CParamFileEng writer, reader;
    writer.create(path_);
    reader.open(path_);
    writer.add(9, corvane::svMED, u"shared", u"seen at once", std::vector<double>{10, 1});
    EXPECT_EQ(reader.count(), 10);
    EXPECT_EQ(reader.entry(9).name, u"shared");
    reader.add(1, corvane::svPareto, u"back", u"", std::vector<double>{2, 3});
    EXPECT_EQ(writer.entry(1).sevDist, corvane::svPareto);

    writer.flush();
    writer.close();
    reader.close();
    CParamFileEng again;
    again.open(path_);
    EXPECT_EQ(again.count(), 10);
    EXPECT_EQ(again.entry(9).description, u"seen at once");
}

}  // namespace
