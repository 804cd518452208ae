#include "Corvane/ImancCo.h"

#include <stdexcept>
#include <vector>

#include "Corvane/ShuffleTimer.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/correlation/iman_conover.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

const DispatchTable<CImancCo> CImancCo::table{IID_IImancCo, "IImancCo", {
    Method<&CImancCo::Shuffle>(1, "Shuffle", {In("corrMat"), In("nlines"), In("sample_size"), In("rt"), Result("varOut")},
                               "Ranks of normal scores reordered to a target correlation, sample_size x nlines"),
    Method<&CImancCo::ShuffleEx>(2, "ShuffleEx",
                                 {In("corrMat"), In("nlines"), In("sample_size"), In("rt"), In("st"), In("param1"),
                                  In("param2"), Result("varOut")},
                                 "method ShuffleHWRNG"),
    Method<&CImancCo::_RawShuffleEx>(3, "_RawShuffleEx",
                                     {In("nlines"), In("cov"), In("sample_size"), In("st"), In("param1"),
                                      In("param2"), Out("shuffleOut")},
                                     "The shuffle on caller memory: cov read in place, ranks written column-major"),
}};

namespace {

std::size_t CheckSizes(std::int32_t nlines, std::int32_t sampleSize) {
    if (nlines < 1 || sampleSize < 1) throw std::invalid_argument("nlines and sample_size must be positive");
    return static_cast<std::size_t>(nlines) * static_cast<std::size_t>(sampleSize);
}

std::vector<double> ReadTarget(const Variant& corrMat, std::int32_t nlines) {
    const auto n = static_cast<std::size_t>(nlines);
    std::vector<double> target(n * n);
    const std::size_t dims[] = {n, n};
    VariantToDoubleWithDimensionCheck(corrMat, dims, target);
    CheckCorrelationTarget(target, nlines);
    return target;
}

}  // namespace

Variant CImancCo::Shuffle(const Variant& corrMat, std::int32_t nlines, std::int32_t sample_size, std::int32_t rt) {
    return ShuffleEx(corrMat, nlines, sample_size, rt, scNormal, 0.0, 0.0);
}

Variant CImancCo::ShuffleEx(const Variant& corrMat, std::int32_t nlines, std::int32_t sample_size, std::int32_t rt,
                            std::int32_t st, double param1, double param2) {
    ShuffleTimer timer;
    std::vector<std::int32_t> ranks(CheckSizes(nlines, sample_size));
    const std::vector<double> target = ReadTarget(corrMat, nlines);
    ImanConoverRanks(target, nlines, sample_size, {st, param1, param2, true}, ranks);
    Variant out = Int2DToVariant(rt, static_cast<std::size_t>(sample_size), static_cast<std::size_t>(nlines),
                                 std::move(ranks));
    timer.Report();
    return out;
}

void CImancCo::_RawShuffleEx(std::int32_t nlines, ConstRawDoubles cov, std::int32_t sample_size, std::int32_t st,
                             double param1, double param2, RawInt32s shuffleOut) {
    ShuffleTimer timer;
    const std::size_t cells = CheckSizes(nlines, sample_size);
    const auto n = static_cast<std::size_t>(nlines);
    if (!cov.data || cov.extent < n * n) throw std::invalid_argument("cov holds fewer than nlines x nlines values");
    if (!shuffleOut.data || shuffleOut.extent < cells)
        throw std::invalid_argument("shuffleOut holds fewer than sample_size x nlines values");
    const std::span<const double> target(cov.data, n * n);
    CheckCorrelationTarget(target, nlines);
    ImanConoverRanks(target, nlines, sample_size, {st, param1, param2, false}, {shuffleOut.data, cells});
    timer.Report();
}

}  // namespace corvane
