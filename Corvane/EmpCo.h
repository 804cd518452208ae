// EmpCo: a one-dimensional distribution held as an object; made by methods, never by a host.
#pragma once

#include <string>

#include "Corvane/identities.h"
#include "Corvane/numerics/grid/empdist.h"
#include "automation/object.h"

namespace corvane {

class CEmpCo : public automation::Dispatchable<CEmpCo> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_EmpCo, "Corvane.EmpCo.1", true};
    static const automation::DispatchTable<CEmpCo> table;

    explicit CEmpCo(CEmpDist grid, std::u16string description = {}, std::u16string fileName = {})
        : grid_(std::move(grid)), description_(std::move(description)), fileName_(std::move(fileName)) {}
    // A new object owning `grid`, as a reference for the caller.
    static automation::ComPtr<automation::IDispatch> Make(CEmpDist grid);
    // The object saved in the distribution file fileName, with its description.
    static automation::ComPtr<automation::IDispatch> Open(const std::u16string& fileName);
    // The object behind a caller's reference, when it is an EmpCo of this module; null otherwise.
    static CEmpCo* From(automation::IDispatch* object);

    const CEmpDist& grid() const { return grid_; }
    // The density on out.size() buckets: the grid itself, or coarsened to a power of two below it.
    void FillDensity(std::span<double> out) const;

    automation::ComPtr<automation::IDispatch> ApplyReins(double layer, double attach, double share, std::int32_t ncg);
    automation::Variant Density(std::int32_t numL2, std::int32_t rt);
    automation::Variant Sample(std::int32_t nSize, std::int32_t rt);
    void SaveAs(const std::u16string& fileName);
    std::int32_t get_numL2();
    std::int32_t get_num();
    double get_unit();
    std::u16string get_Description();
    void put_Description(const std::u16string& value);
    std::int32_t get_SpaceTime();
    std::u16string get_fileName();
    void _Density(std::int32_t num, automation::RawDoubles xs);
    void _Sample(std::int32_t num, automation::RawDoubles xs);

    // Risk measures; x and p are numbers or arrays of numbers, answered in kind.
    automation::Variant CDF(const automation::Variant& x);
    automation::Variant Quantile(const automation::Variant& p);
    automation::Variant TVaR(const automation::Variant& p);
    automation::Variant LEV(const automation::Variant& x);
    automation::Variant ExcessMean(const automation::Variant& x);
    automation::Variant Stats(std::int32_t rt);

protected:
    void* QueryOther(const automation::IID& iid) override;

private:
    CEmpDist grid_;
    std::u16string description_;
    std::u16string fileName_;
};

}  // namespace corvane
