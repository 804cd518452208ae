// Mutated parameter files read through the parameter file class and the curves' numerics: any file
// gives values or a failure, never a crash, a hang or a read outside the mapping.
//
//   paramfile_fuzz [run options] [SEED.prm ...]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Corvane/ParamFile.h"
#include "Corvane/ParamFileEng.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/severity/sev_methods.h"
#include "automation/conversion.h"
#include "fuzz_run.h"

namespace {

using namespace corvane;
namespace fs = std::filesystem;

std::vector<unsigned char> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A new file each time: a file cut and rewritten in place is flushed to disk on close.
void WriteFile(const fs::path& path, const std::vector<unsigned char>& bytes) {
    fs::remove(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A file with an entry of every family, a mixture of many components and texts of full length.
std::vector<unsigned char> MadeSeed(const fs::path& path) {
    CParamFileEng eng;
    eng.create(path);
    eng.add(0, svMED, u"med", u"two exponentials", std::vector<double>{1000, 0.6, 50000, 0.4});
    eng.add(1, svTLognormal, u"tln", u"", std::vector<double>{8.0, 1.5, -100.0});
    eng.add(2, svPareto, u"pareto", u"", std::vector<double>{2.5, 10000.0});
    std::vector<double> many;
    for (int i = 0; i < 12; ++i) many.insert(many.end(), {100.0 * (i + 1), 1.0 / 12});
    eng.add(3, svMED, std::u16string(24, u'n'), std::u16string(100, u'd'), many);
    eng.add(7, 99, u"unknown family", u"", std::vector<double>{1, 2, 3});
    eng.add(510, svMED, u"last", u"", std::vector<double>{10.0, 1.0});
    eng.flush();
    eng.close();
    return ReadFile(path);
}

// Byte offsets of the count and of the fields of entries 0..3, 7 and 510.
std::vector<std::size_t> Fields() {
    std::vector<std::size_t> f{0};
    for (std::size_t e : {0, 1, 2, 3, 7, 510})
        for (std::size_t at : {0, 46, 48, 50, 248, 250, 252, 256, 272, 280, 456, 464})
            f.push_back(512 + 512 * e + at);
    return f;
}

template <class F>
void Try(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

void ReadEverything(const fs::path& path, std::mt19937_64& rng) {
    CParamFile pf;
    const std::u16string name = automation::Utf8ToUtf16(path.string());
    Try([&] { pf.Open(name); });
    std::int32_t count = 0;
    Try([&] { count = pf.Count(); });
    std::vector<std::int32_t> indices{0, 1, 2, 3, 7, 510, 511, -1, count, count - 1, fuzz::Pick(rng, fuzz::Ints())};
    for (std::int32_t i : indices) {
        Try([&] { pf.name(i); });
        Try([&] { pf.desc(i); });
        Try([&] { pf.DistTypeName(i); });
        Try([&] { pf.distType(i); });
        Try([&] { pf.params(i, fuzz::Chance(rng, 0.5) ? rtScript : rtExcelCol); });
        const double x = fuzz::Pick(rng, fuzz::Doubles());
        Try([&] { pf.BI_F(i, x); });
        Try([&] { pf.BI_LEV(i, x); });
        Try([&] { pf.BI_ILF(i, x); });
    }

    CParamFileEng eng;
    Try([&] { eng.open(path); });
    if (!eng.isOpen()) return;
    const CurveSource curves = [&](int index) { return eng.entry(index); };
    const MixtureSource mixtures = [&](std::span<const double> pairs) { return eng.UserMixture(pairs); };
    std::vector<double> pairs;
    for (int k = std::uniform_int_distribution<int>(0, 4)(rng); k > 0; --k)
        pairs.insert(pairs.end(), {static_cast<double>(fuzz::Pick(rng, indices)), fuzz::Pick(rng, fuzz::Doubles())});
    Try([&] { eng.UserMixture(pairs); });
    const double index[] = {static_cast<double>(fuzz::Pick(rng, indices))};
    const double layer = fuzz::Chance(rng, 0.5) ? 0.0 : fuzz::Pick(rng, fuzz::Doubles());
    Try([&] { SevMoms(svBI, index, layer, 0.0, 1.0, curves, mixtures); });
    Try([&] { CreateSevDist(svBI, index, layer, 0.0, 1.0, 64, 1000.0, curves, mixtures); });
    Try([&] { SevMoms(svSimpleMixture, pairs, layer, 0.0, 1.0, curves, mixtures); });
    // Writing into a damaged file must stay inside it as well.
    Try([&] { eng.add(fuzz::Pick(rng, indices), svPareto, u"w", u"", std::vector<double>{2.0, 1.0}); });
}

}  // namespace

int main(int argc, char** argv) {
    const fuzz::RunOptions options = fuzz::ParseOptions(argc, argv);
    std::string pattern = (fs::temp_directory_path() / "paramfile-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 2;
    const fs::path dir = pattern, file = dir / "fuzzed.prm";
    std::vector<std::vector<unsigned char>> seeds{MadeSeed(dir / "made.prm")};
    for (const auto& s : options.rest) seeds.push_back(ReadFile(s));
    const std::vector<std::size_t> fields = Fields();

    fuzz::Run("paramfile_fuzz", options, [&](std::mt19937_64& rng) {
        std::vector<unsigned char> bytes = fuzz::Pick(rng, seeds);
        fuzz::Mutate(bytes, rng, fields);
        fuzz::Note(std::to_string(bytes.size()) + "-byte file");
        WriteFile(file, bytes);
        ReadEverything(file, rng);
    });
    fs::remove_all(dir);
    return 0;
}
