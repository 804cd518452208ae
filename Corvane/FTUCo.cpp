#include "Corvane/FTUCo.h"

#include <cmath>

#include "Corvane/numerics/frequency/freq_factory.h"
#include "automation/bstr.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

namespace {

// Answered only by FTUCo objects of this module: the implementation behind a reference.
constexpr IID IID_CFTUCoImpl = MakeGuid("{7A4E2C19-5B8D-4F3A-9C61-2D0E8B7F4A53}");

// A probability given as a variant: a number, or a text that reads as one.
double Probability(const Variant& v, const char* name) {
    double p = 0.0;
    try {
        p = ToDouble(v);
    } catch (const StatusError&) {
        throw StatusError(DISP_E_TYPEMISMATCH, std::string(name) + " must be a number");
    }
    if (std::isnan(p)) throw StatusError(DISP_E_TYPEMISMATCH, std::string(name) + " must be a number");
    return p;
}

std::unique_ptr<freqdist::CAbstractFreq> Family(std::int32_t fq, const Variant& fqParams) {
    return freqdist::CreateFreqDist(fq, VariantToDouble(fqParams));
}

}  // namespace

const DispatchTable<CFTUCo> CFTUCo::table{IID_IFTUCo, "IFTUCo", {
    PropGet<&CFTUCo::get_numL2>(1, "numL2", {Result("pVal")},
                                "log2 of the grid side; 0 while no grid has been allocated"),
    PropPut<&CFTUCo::put_numL2>(1, "numL2", {In("value")},
                                "Allocates a grid of 2^value x 2^value cells (value 1 to 13), once"),
    Method<&CFTUCo::ExecuteClosedClaimNoPP>(
        3, "ExecuteClosedClaimNoPP",
        {In("nThrds"), In("varCWP"), In("varCWOP"), In("unit"), In("PrCWOP"), In("PrClosed"), In("fq"),
         In("fqParams"), In("outState")},
        "Aggregate over a claim count of one claim closed with or without payment, open or closed"),
    Method<&CFTUCo::Accumulate>(4, "Accumulate", {In("nThrds"), In("outState"), In("pFTU")},
                                "This grid becomes the distribution of the sum of this pair and another engine's"),
    Method<&CFTUCo::State>(5, "State", {In("nThrds"), In("st")},
                           "Moves the grid to the space (stSpace) or transform (stTime) domain"),
    Method<&CFTUCo::Decimate>(6, "Decimate", {In("nThrds"), In("newNumL2")},
                              "Coarser grid of 2^newNumL2 cells a side from block sums; the units grow"),
    PropGet<&CFTUCo::get_ID>(7, "ID", {Result("pVal")}, "Name of the shared block that holds the grid"),
    Method<&CFTUCo::Marginal>(8, "Marginal", {In("XorY"), In("rt"), Out("unitOut"), Out("varOut")},
                              "Distribution of x (XorY 1) or y (XorY 2) and its bucket width"),
    Method<&CFTUCo::FTU>(9, "FTU", {In("rt"), In("maxFTU"), Out("unit"), Out("varOut")},
                         "Distribution of the ratio x/y on num buckets from 0 to maxFTU, and its bucket width"),
    Method<&CFTUCo::Transform>(10, "Transform", {In("nThrds"), In("maxU")},
                               "Grid of x against the ratio x/y (stFTU_U), in a new block under a new ID"),
    Method<&CFTUCo::Density>(11, "Density", {In("nThrds"), In("desiredNumL2"), In("rt"), Result("varOut")},
                             "The stored grid: num rows of num + 2 values, padding included"),
    Method<&CFTUCo::NumAndUnit>(12, "NumAndUnit", {Out("numL2"), Out("num"), Out("unitX"), Out("unitY")},
                                "numL2, num and the bucket widths of x and y"),
    Method<&CFTUCo::Corr>(13, "Corr", {In("rt"), Result("varOut")},
                          "Correlation, E x, E y, Var x, Var y and Cov(x, y) of the grid"),
    Method<&CFTUCo::Slice>(14, "Slice", {In("obsLoss"), In("rt"), Result("varOut")},
                           "Distribution of x given y = obsLoss"),
    Method<&CFTUCo::Mix>(15, "Mix", {In("nThrds"), In("wtThis"), In("wtOther"), In("pFTUOther")},
                         "This grid becomes wtThis times itself plus wtOther times another engine's"),
    Method<&CFTUCo::ExecuteCounts>(
        16, "ExecuteCounts",
        {In("nThrds"), In("p00"), In("p10"), In("p01"), In("p11"), In("fq"), In("fqParams"), In("outState")},
        "Aggregate over a claim count of a pair of 0/1 indicators with the four probabilities"),
}};

CFTUCo* CFTUCo::From(IDispatch* object) {
    if (object == nullptr) return nullptr;
    auto impl = Query<IDispatch>(object, IID_CFTUCoImpl);
    return impl ? static_cast<CFTUCo*>(impl.get()) : nullptr;
}

void* CFTUCo::QueryOther(const IID& iid) { return iid == IID_CFTUCoImpl ? static_cast<IDispatch*>(this) : nullptr; }

CFTUEngine& CFTUCo::Engine() {
    if (!engine_) throw StatusError(E_UNEXPECTED, "The engine has no grid yet: set numL2 first");
    block_->ThrowIfDamaged();
    return *engine_;
}

// What was read from the grid is handed out only while the block is whole.
template <class T>
T CFTUCo::Checked(T result) const {
    block_->ThrowIfDamaged();
    return result;
}

std::int32_t CFTUCo::get_numL2() { return engine_ ? engine_->numL2() : 0; }

// A failed allocation leaves the object without a grid, so that it can be tried again.
void CFTUCo::put_numL2(std::int32_t value) {
    if (engine_) throw StatusError(E_UNEXPECTED, "numL2 is set once; this engine already has a grid");
    const std::size_t doubles = CFTUEngine::GridDoubles(value);
    std::u16string id = GUIDasBSTR();
    auto block = CFTUBlock::Create(Utf16ToUtf8(id), doubles);
    engine_ = std::make_unique<CFTUEngine>(value, block->data());
    block_ = std::move(block);
    id_ = std::move(id);
}

void CFTUCo::ExecuteClosedClaimNoPP(std::int32_t nThrds, const Variant& varCWP, const Variant& varCWOP, double unit,
                                    double PrCWOP, const Variant& PrClosed, std::int32_t fq, const Variant& fqParams,
                                    std::int32_t outState) {
    CFTUEngine& engine = Engine();
    RequireOutState(outState);
    const std::vector<double> cwp = VariantToDouble(varCWP), cwop = VariantToDouble(varCWOP);
    const double closed = Probability(PrClosed, "PrClosed");
    engine.ExecuteClosedClaimNoPP(nThrds, cwp, cwop, unit, PrCWOP, closed, *Family(fq, fqParams), outState);
}

std::unique_ptr<CFTUBlockView> CFTUCo::OtherGrid(std::int32_t nThrds, IDispatch* other, const char* argument,
                                                 stateEnum st) {
    CFTUEngine& engine = Engine();
    CFTUCo* that = From(other);
    if (that == nullptr) throw std::invalid_argument(std::string(argument) + " must be an FTUCo object");
    if (that->get_numL2() != engine.numL2())
        throw std::invalid_argument(std::string(argument) + " has numL2 " + std::to_string(that->get_numL2()) +
                                    ", this engine " + std::to_string(engine.numL2()));
    engine.State(nThrds, st);
    that->Engine().State(nThrds, st);
    return std::make_unique<CFTUBlockView>(Utf16ToUtf8(that->get_ID()), engine.grid().size());
}

void CFTUCo::Accumulate(std::int32_t nThrds, std::int32_t outState, IDispatch* pFTU) {
    RequireOutState(outState);
    auto other = OtherGrid(nThrds, pFTU, "pFTU", stTime);
    Engine().MultiplyBy(other->data());
    other->ThrowIfDamaged();
    other.reset();
    Engine().State(nThrds, outState);
}

void CFTUCo::State(std::int32_t nThrds, std::int32_t st) { Engine().State(nThrds, st); }

void CFTUCo::Decimate(std::int32_t, std::int32_t newNumL2) { Engine().Decimate(newNumL2); }

std::u16string CFTUCo::get_ID() { return id_; }

void CFTUCo::Marginal(std::int32_t XorY, std::int32_t rt, Variant& unitOut, Variant& varOut) {
    double unit = 0.0;
    std::vector<double> out = Checked(Engine().Marginal(XorY, unit));
    varOut = DoubleToVariant(rt, std::move(out));
    unitOut = Variant(unit);
}

void CFTUCo::FTU(std::int32_t rt, double maxFTU, Variant& unit, Variant& varOut) {
    double w = 0.0;
    std::vector<double> out = Checked(Engine().FTU(maxFTU, w));
    varOut = DoubleToVariant(rt, std::move(out));
    unit = Variant(w);
}

// The ratio grid goes into a block of its own under a new ID; the old block goes with its name.
void CFTUCo::Transform(std::int32_t nThrds, double maxU) {
    CFTUEngine& engine = Engine();
    std::unique_ptr<CFTUBlock> fresh;
    std::u16string freshId;
    engine.Transform(nThrds, maxU, [&] {
        freshId = GUIDasBSTR();
        fresh = CFTUBlock::Create(Utf16ToUtf8(freshId), CFTUEngine::GridDoubles(engine.numL2()));
        return fresh->data();
    });
    if (!fresh) return;
    block_ = std::move(fresh);
    id_ = std::move(freshId);
}

Variant CFTUCo::Density(std::int32_t nThrds, std::int32_t desiredNumL2, std::int32_t rt) {
    CFTUEngine& engine = Engine();
    if (desiredNumL2 > 10) throw std::invalid_argument("desiredNumL2 may be at most 10");
    if (engine.state() == stTime) engine.State(nThrds, stSpace);
    if (desiredNumL2 != engine.numL2())
        throw StatusError(E_UNEXPECTED, "desiredNumL2 (" + std::to_string(desiredNumL2) + ") is not numL2 (" +
                                            std::to_string(engine.numL2()) + ")");
    const FTUGrid& g = engine.grid();
    return Checked(
        Double2DToVariant(rt, g.num, g.stride(), std::span<const double>(g.data, g.size()), StorageOrder::RowMajor));
}

void CFTUCo::NumAndUnit(Variant& numL2, Variant& num, Variant& unitX, Variant& unitY) {
    const std::int32_t l2 = get_numL2();
    numL2 = Variant(l2);
    num = Variant(l2 == 0 ? std::int32_t{0} : std::int32_t{1} << l2);
    unitX = Variant(engine_ ? engine_->unitX() : 0.0);
    unitY = Variant(engine_ ? engine_->unitY() : 0.0);
}

Variant CFTUCo::Corr(std::int32_t rt) {
    const auto c = Checked(Engine().Corr());
    return DoubleToVariant(rt, std::span<const double>(c));
}

Variant CFTUCo::Slice(double obsLoss, std::int32_t rt) {
    return DoubleToVariant(rt, Checked(Engine().Slice(obsLoss)));
}

void CFTUCo::Mix(std::int32_t nThrds, double wtThis, double wtOther, IDispatch* pFTUOther) {
    auto other = OtherGrid(nThrds, pFTUOther, "pFTUOther", stSpace);
    Engine().MixWith(other->data(), wtThis, wtOther);
    other->ThrowIfDamaged();
}

void CFTUCo::ExecuteCounts(std::int32_t nThrds, const Variant& p00, const Variant& p10, const Variant& p01,
                           const Variant& p11, std::int32_t fq, const Variant& fqParams, std::int32_t outState) {
    CFTUEngine& engine = Engine();
    RequireOutState(outState);
    const double q00 = Probability(p00, "p00"), q01 = Probability(p01, "p01"), q10 = Probability(p10, "p10"),
                 q11 = Probability(p11, "p11");
    engine.ExecuteCounts(nThrds, q00, q01, q10, q11, *Family(fq, fqParams), outState);
}

}  // namespace corvane
