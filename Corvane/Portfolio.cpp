#include "Corvane/Portfolio.h"

#include <stdexcept>

#include "Corvane/Risk.h"
#include "Corvane/RiskCalls.h"
#include "Corvane/ShuffleTimer.h"
#include "Corvane/numerics/codes.h"
#include "Corvane/numerics/correlation/iman_conover.h"
#include "Corvane/numerics/correlation/joint_sample.h"
#include "Corvane/numerics/correlation/scores.h"
#include "automation/conversion.h"
#include "automation/enum_variant.h"

namespace corvane {

using namespace automation;

const DispatchTable<CPortfolio> CPortfolio::table{IID_IPortfolio, "IPortfolio", {
    Method<&CPortfolio::Add>(1610743808, "Add", {In("Element")},
                             "Inserts a risk in sequence-number order, unless its number is present"),
    Method<&CPortfolio::AddNew>(1610743809, "AddNew", {Optional("What"), Result("Element")},
                                "Inserts a new risk, named What when given, and returns it"),
    Method<&CPortfolio::Change>(1610743810, "Change", {In("IndexOrElement"), In("NewValue")},
                                "Not implemented: risks are replaced by Remove and Add"),
    Method<&CPortfolio::Contains>(1610743811, "Contains", {In("Element"), Result("ReturnVal")},
                                  "True when a risk with the element's sequence number and name is present"),
    Method<&CPortfolio::Find>(1610743812, "Find", {In("Element"), Result("Match")},
                              "The first risk with the element's sequence number and name; empty when none"),
    PropGet<&CPortfolio::get_Count>(1610743813, "Count", {Result("ReturnVal")}, "The number of risks"),
    Method<&CPortfolio::Value>(DISPID_VALUE, "Value", {In("index"), Result("Element")},
                               "The risk at index 0 ... Count-1 from the front or -1 ... -Count from the back"),
    Method<&CPortfolio::Remove>(1610743815, "Remove", {In("index")}, "Removes the risk at the index"),
    Method<&CPortfolio::Clone>(1610743816, "Clone", {Result("Copy")}, "A new portfolio holding the same risks"),
    Method<&CPortfolio::Clear>(1610743817, "Clear", {}, "Removes every risk"),
    Method<&CPortfolio::_NewEnum>(DISPID_NEWENUM, "_NewEnum", {Result("ReturnVal")},
                                  "An enumerator of variants over a copy of the risks, for for-each"),
    Method<&CPortfolio::TypedAdd>(1610809344, "TypedAdd", {In("Element")},
                                  "Inserts a risk in sequence-number order, unless its number is present"),
    Method<&CPortfolio::TypedAddNew>(1610809345, "TypedAddNew", {In("RecordName"), Result("Element")},
                                     "Inserts a new risk named RecordName and returns it"),
    Method<&CPortfolio::TypedContains>(1610809346, "TypedContains", {In("Element"), Result("ReturnVal")},
                                       "True when a risk with the element's sequence number and name is present"),
    Method<&CPortfolio::TypedFind>(1610809347, "TypedFind", {In("Element"), Result("Match")},
                                   "The first risk with the element's sequence number and name; null when none"),
    Method<&CPortfolio::TypedValue>(1610809348, "TypedValue", {In("index"), Result("Element")},
                                    "The risk at index 0 ... Count-1 from the front or -1 ... -Count from the back"),
    Method<&CPortfolio::TypedRemove>(1610809349, "TypedRemove", {In("Element")},
                                     "Removes the risk with the element's sequence number and name"),
    Method<&CPortfolio::_TypedNewEnum>(1610809350, "_TypedNewEnum", {Out("ReturnVal")},
                                       "An enumerator of risks over a copy of the list"),
    Method<&CPortfolio::_NewEnumNoCopy>(1610809351, "_NewEnumNoCopy", {Out("ReturnVal")},
                                        "An enumerator of risks over the live list"),
    Method<&CPortfolio::UncorrelMultiVariateSample>(10, "UncorrelMultiVariateSample",
                                                    {In("numL2"), In("num"), In("rt"), Result("varOut")},
                                                    "num x Count matrix: column j the sample of risk j, ascending"),
    Method<&CPortfolio::MultiVariateSample>(11, "MultiVariateSample",
                                            {In("numL2"), In("num"), In("covMat"), In("st"), In("rt"), Out("varOut"),
                                             Out("sumOut"), Out("covOut"), Out("statsOut")},
                                            "Joint sample of the risks with the target rank correlation covMat, its "
                                            "totals, correlation and statistics"),
}};

void* CPortfolio::QueryOther(const IID& iid) {
    if (iid == IID_DICollection) return static_cast<IDispatch*>(this);
    if (iid == IID_IReferenceHolder) return static_cast<IReferenceHolder*>(this);
    return QueryPersist(iid);
}

void CPortfolio::ForEachHeld(const std::function<void(IUnknown*)>& visit) {
    for (const auto& risk : *risks_) visit(risk.get());
}

namespace {

// The risk an element variant holds.
ComPtr<IDispatch> RiskOf(const Variant& element) {
    const Variant& v = element.Deref();
    if (v.vt() != VT_DISPATCH && v.vt() != VT_UNKNOWN) throw StatusError(DISP_E_TYPEMISMATCH, "The element is not a risk");
    auto risk = AsRisk(v.unknown());
    if (!risk) throw StatusError(E_NOINTERFACE, "The element does not answer the risk interface");
    return risk;
}

ComPtr<IDispatch> RequireRisk(IDispatch* element) {
    if (!element) throw StatusError(E_POINTER, "No risk");
    auto risk = AsRisk(element);
    if (!risk) throw StatusError(E_NOINTERFACE, "The element does not answer the risk interface");
    return risk;
}

std::size_t CheckedNum(std::int32_t num) {
    if (num < 1) throw std::invalid_argument("num must be positive");
    return static_cast<std::size_t>(num);
}

}  // namespace

bool CPortfolio::Insert(ComPtr<IDispatch> risk) {
    const std::int16_t number = RiskSequenceNumber(risk.get());
    std::size_t at = risks_->size();
    for (std::size_t i = 0; i < risks_->size(); ++i) {
        const std::int16_t other = RiskSequenceNumber((*risks_)[i].get());
        if (other == number) return false;
        if (other > number && at == risks_->size()) at = i;
    }
    if (Reaches(risk.get(), risks_.get()))
        throw StatusError(E_INVALIDARG, "The risk holds the portfolio, directly or through other objects");
    risks_->insert(risks_->begin() + static_cast<std::ptrdiff_t>(at), std::move(risk));
    SetDirty();
    return true;
}

std::size_t CPortfolio::Position(std::int32_t index) const {
    const auto count = static_cast<std::int64_t>(risks_->size());
    const std::int64_t at = index < 0 ? count + index : index;
    if (at < 0 || at >= count) throw StatusError(E_INVALIDARG, "Index out of range");
    return static_cast<std::size_t>(at);
}

void CPortfolio::Add(const Variant& Element) { Insert(RiskOf(Element)); }

Variant CPortfolio::AddNew(const Variant& What) {
    ComPtr<IDispatch> risk = MakeObject<CRisk>();
    if (!What.Deref().IsMissing()) {
        try {
            static_cast<CRisk*>(risk.get())->put_name(ToText(What));
        } catch (const StatusError&) {
            // A What that is no text names nothing.
        }
    }
    Insert(risk);
    return Variant(risk.get());
}

void CPortfolio::Change(const Variant&, const Variant&) { throw StatusError(E_NOTIMPL, "Change is not implemented"); }

bool CPortfolio::Contains(const Variant& Element) { return TypedContains(RiskOf(Element).get()); }

Variant CPortfolio::Find(const Variant& Element) {
    ComPtr<IDispatch> match = TypedFind(RiskOf(Element).get());
    return match ? Variant(match.get()) : Variant();
}

std::int32_t CPortfolio::get_Count() { return static_cast<std::int32_t>(risks_->size()); }

Variant CPortfolio::Value(std::int32_t index) { return Variant((*risks_)[Position(index)].get()); }

void CPortfolio::Remove(std::int32_t index) {
    risks_->erase(risks_->begin() + static_cast<std::ptrdiff_t>(Position(index)));
    SetDirty();
}

ComPtr<IDispatch> CPortfolio::Clone() {
    ComPtr<IDispatch> copy = MakeObject<CPortfolio>();
    *static_cast<CPortfolio*>(copy.get())->risks_ = *risks_;
    return copy;
}

void CPortfolio::Clear() {
    risks_->clear();  // in place: enumerators over the live list see it empty
    SetDirty();
}

ComPtr<IUnknown> CPortfolio::_NewEnum() {
    std::vector<Variant> items;
    for (const auto& risk : *risks_) items.emplace_back(risk.get());
    return Query<IUnknown>(CreateVariantEnumerator(std::move(items)).get(), IID_IUnknown);
}

void CPortfolio::TypedAdd(IDispatch* Element) { Insert(RequireRisk(Element)); }

ComPtr<IDispatch> CPortfolio::TypedAddNew(const std::u16string& RecordName) {
    ComPtr<IDispatch> risk = MakeObject<CRisk>();
    if (!RecordName.empty()) static_cast<CRisk*>(risk.get())->put_name(RecordName);
    Insert(risk);
    return risk;
}

bool CPortfolio::TypedContains(IDispatch* Element) { return static_cast<bool>(TypedFind(Element)); }

ComPtr<IDispatch> CPortfolio::TypedFind(IDispatch* Element) {
    ComPtr<IDispatch> wanted = RequireRisk(Element);
    for (const auto& risk : *risks_)
        if (RisksEqual(risk.get(), wanted.get())) return risk;
    return nullptr;
}

ComPtr<IDispatch> CPortfolio::TypedValue(std::int32_t index) { return (*risks_)[Position(index)]; }

void CPortfolio::TypedRemove(IDispatch* Element) {
    ComPtr<IDispatch> wanted = RequireRisk(Element);
    for (auto it = risks_->begin(); it != risks_->end(); ++it)
        if (RisksEqual(it->get(), wanted.get())) {
            risks_->erase(it);
            SetDirty();
            return;
        }
    throw StatusError(E_INVALIDARG, "The risk is not in the portfolio");
}

void CPortfolio::_TypedNewEnum(Variant& ReturnVal) {
    ReturnVal = Variant::Unknown(CEnumRisk::Make(std::make_shared<const RiskList>(*risks_)).get());
}

void CPortfolio::_NewEnumNoCopy(Variant& ReturnVal) { ReturnVal = Variant::Unknown(CEnumRisk::Make(risks_).get()); }

std::vector<double> CPortfolio::ColumnSamples(std::int32_t numL2, std::int32_t num) {
    const std::size_t n = CheckedNum(num);
    std::vector<double> columns(n * risks_->size());
    for (std::size_t j = 0; j < risks_->size(); ++j)
        RiskSample((*risks_)[j].get(), numL2, std::span<double>(columns.data() + j * n, n));
    return columns;
}

Variant CPortfolio::UncorrelMultiVariateSample(std::int32_t numL2, std::int32_t num, std::int32_t rt) {
    const std::vector<double> columns = ColumnSamples(numL2, num);
    return Double2DToVariant(rt, CheckedNum(num), risks_->size(), columns, StorageOrder::ColumnMajor);
}

void CPortfolio::MultiVariateSample(std::int32_t numL2, std::int32_t num, const Variant& covMat, std::int32_t st,
                                    std::int32_t rt, Variant& varOut, Variant& sumOut, Variant& covOut,
                                    Variant& statsOut) {
    ShuffleTimer timer;
    const std::size_t n = CheckedNum(num), k = risks_->size();
    if (k == 0) throw std::invalid_argument("The portfolio holds no risks");
    std::vector<double> target(k * k);
    const std::size_t dims[] = {k, k};
    VariantToDoubleWithDimensionCheck(covMat, dims, target);
    CheckCorrelationTarget(target, static_cast<int>(k));
    CheckScoreType(st, 1.0, 0.0);

    const std::vector<double> columns = ColumnSamples(numL2, num);
    std::vector<std::int32_t> ranks(n * k);
    // Gamma scores of mean 1: this operation has no score parameters.
    ImanConoverRanks(target, static_cast<int>(k), num, {st, 1.0, 0.0, false}, ranks);
    std::vector<double> joint(n * k);
    ReorderByRanks(columns, ranks, n, k, joint);
    const std::vector<double> totals = RowTotals(joint, n, k);

    Variant var = Double2DToVariant(rt, n, k, joint, StorageOrder::ColumnMajor);
    Variant corr = Double2DToVariant(rt, k, k, ColumnCorrelation(joint, n, k), StorageOrder::RowMajor);
    Variant stats = Double2DToVariant(rt, k + 1, kSampleStatistics, SampleStatistics(joint, totals, n, k),
                                      StorageOrder::RowMajor);
    sumOut = DoubleToVariant(rtExcelCol, totals);
    varOut = std::move(var);
    covOut = std::move(corr);
    statsOut = std::move(stats);
    timer.Report();
}

void CPortfolio::SaveRecord(IStream* stream) {
    StreamWriter out(stream);
    out.Value(static_cast<std::uint32_t>(risks_->size()));
    for (const auto& risk : *risks_) SaveObject(stream, risk.get());
}

void CPortfolio::LoadRecord(IStream* stream) {
    const auto count = StreamReader(stream).Value<std::uint32_t>();
    RiskList loaded;  // grows with what the stream really holds, whatever the count says
    for (std::uint32_t i = 0; i < count; ++i) {
        ComPtr<IUnknown> element = LoadObject(stream);
        ComPtr<IDispatch> risk = AsRisk(element.get());
        if (!risk) throw StatusError(E_NOINTERFACE, "The stream holds an element that is not a risk");
        loaded.push_back(std::move(risk));
    }
    for (auto& risk : loaded) Insert(std::move(risk));
}

}  // namespace corvane
