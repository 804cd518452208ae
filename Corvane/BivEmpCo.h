// BivEmpCo: a bivariate distribution held in a named shared block (or a file) that a viewer in
// another process can open by the object's ID.
#pragma once

#include <memory>
#include <string>

#include "Corvane/BivBlock.h"
#include "Corvane/identities.h"
#include "automation/object.h"

namespace corvane {

class CBivEmpCo : public automation::Dispatchable<CBivEmpCo> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_BivEmpCo, "Corvane.BivEmpCo.1", true};
    static const automation::DispatchTable<CBivEmpCo> table;

    CBivEmpCo(std::unique_ptr<CBivBlock> block, std::u16string id) : block_(std::move(block)), id_(std::move(id)) {}

    CBivBlock& block() { return *block_; }
    // A call that read pages another program took from under the block fails.
    void AfterCall() { block_->ThrowIfDamaged(); }

    automation::ComPtr<automation::IDispatch> MargX();
    automation::ComPtr<automation::IDispatch> MargY();
    automation::ComPtr<automation::IDispatch> Diagonal();
    double get_unitX();
    double get_unitY();
    std::int32_t get_NumX();
    std::int32_t get_NumY();
    automation::Variant Moms(std::int32_t rt);
    void TestData(automation::Variant& v);
    void SaveAs(const std::u16string& fileName);
    std::u16string get_ID();
    automation::Variant BivDist(std::int32_t rt, std::int32_t quadrant);
    automation::Variant DiagonalVar(std::int32_t rt);
    automation::Variant LossALAE(std::int32_t rt, double layer, double attach, std::int32_t aT, std::int32_t nThreads);
    automation::Variant FTUVar(std::int32_t num_l2, double maxFTU, std::int32_t rt);

private:
    std::size_t nx() const { return static_cast<std::size_t>(block_->nx()); }
    std::size_t ny() const { return static_cast<std::size_t>(block_->ny()); }
    std::vector<double> DiagonalValues();

    std::unique_ptr<CBivBlock> block_;
    std::u16string id_;
};

}  // namespace corvane
