// Mutated bivariate block files opened and read through the bivariate class: any file gives values
// or a failure, never a crash, a hang or a read outside the mapping.
//
//   bivfile_fuzz [run options]
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Corvane/BivBlock.h"
#include "Corvane/BivEmpCo.h"
#include "Corvane/numerics/codes.h"
#include "automation/conversion.h"
#include "automation/guid.h"
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

// The saved image of an nx x ny block holding a random density and its marginals.
std::vector<unsigned char> MadeSeed(const fs::path& path, int nx, int ny, std::mt19937_64& rng) {
    auto block = CBivBlock::CreateShared(automation::GuidText(automation::NewGuid()), nx, ny, 1.5, 2.0);
    auto p = block->Density();
    double total = 0;
    for (double& v : p) total += (v = std::uniform_real_distribution<double>(0, 1)(rng));
    for (double& v : p) v /= total;
    auto mx = block->MarginalX(), my = block->MarginalY();
    for (int x = 0; x < nx; ++x)
        for (int y = 0; y < ny; ++y) {
            mx[static_cast<std::size_t>(x)] += p[static_cast<std::size_t>(x * ny + y)];
            my[static_cast<std::size_t>(y)] += p[static_cast<std::size_t>(x * ny + y)];
        }
    block->SaveAs(path);
    return ReadFile(path);
}

std::vector<std::size_t> Fields() {
    std::vector<std::size_t> f{0, 1, 2, 3, 4, 64, 68, 72, 76, 128, 136, 1016, 1024, 1032};
    return f;
}

template <class F>
void Try(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

void ReadEverything(const fs::path& path, const fs::path& copy, std::mt19937_64& rng) {
    std::unique_ptr<CBivBlock> block;
    Try([&] { block = CBivBlock::OpenFile(path); });
    if (!block) return;
    CBivEmpCo obj(std::move(block), u"{00000000-0000-0000-0000-000000000000}");
    const std::int32_t rt = fuzz::Chance(rng, 0.8) ? rtScript : fuzz::Pick(rng, fuzz::Ints());
    Try([&] { obj.MargX(); });
    Try([&] { obj.MargY(); });
    Try([&] { obj.Diagonal(); });
    Try([&] { obj.Moms(rt); });
    Try([&] {
        automation::Variant v;
        obj.TestData(v);
    });
    Try([&] { obj.BivDist(rt, std::uniform_int_distribution<int>(-1, 2)(rng)); });
    Try([&] { obj.DiagonalVar(rt); });
    Try([&] {
        obj.LossALAE(rt, fuzz::Pick(rng, fuzz::Doubles()), fuzz::Chance(rng, 0.5) ? 0.0 : fuzz::Pick(rng, fuzz::Doubles()),
                     std::uniform_int_distribution<int>(0, 3)(rng), std::uniform_int_distribution<int>(0, 3)(rng));
    });
    Try([&] { obj.FTUVar(std::uniform_int_distribution<int>(-1, 6)(rng), fuzz::Pick(rng, fuzz::Doubles()), rt); });
    Try([&] { obj.AfterCall(); });
    // Saving flushes to the disk: one file in five is saved and opened again.
    if (fuzz::Chance(rng, 0.2))
        Try([&] {
            obj.SaveAs(automation::Utf8ToUtf16(copy.string()));
            CBivBlock::OpenFile(copy);
        });
}

}  // namespace

int main(int argc, char** argv) {
    const fuzz::RunOptions options = fuzz::ParseOptions(argc, argv);
    std::string pattern = (fs::temp_directory_path() / "bivfile-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 2;
    const fs::path dir = pattern, file = dir / "fuzzed.blk", copy = dir / "copy.blk";
    std::mt19937_64 seedRng(options.seed);
    std::vector<std::vector<unsigned char>> seeds;
    for (auto [nx, ny] : {std::pair{2, 2}, {8, 4}, {4, 16}, {16, 16}, {1, 8}})
        seeds.push_back(MadeSeed(dir / "made.blk", nx, ny, seedRng));
    const std::vector<std::size_t> fields = Fields();

    fuzz::Run("bivfile_fuzz", options, [&](std::mt19937_64& rng) {
        std::vector<unsigned char> bytes = fuzz::Pick(rng, seeds);
        fuzz::Mutate(bytes, rng, fields);
        fuzz::Note(std::to_string(bytes.size()) + "-byte file");
        WriteFile(file, bytes);
        ReadEverything(file, copy, rng);
    });
    fs::remove_all(dir);
    return 0;
}
