#include "Corvane/BivEmpCo.h"

#include <algorithm>

#include "Corvane/EmpCo.h"
#include "Corvane/numerics/bivariate/biv_diagonal.h"
#include "Corvane/numerics/bivariate/biv_ftuvar.h"
#include "Corvane/numerics/bivariate/biv_lossalae.h"
#include "Corvane/numerics/bivariate/biv_marginals.h"
#include "Corvane/numerics/bivariate/biv_moments.h"
#include "Corvane/numerics/codes.h"
#include "automation/conversion.h"

namespace corvane {

using namespace automation;

const DispatchTable<CBivEmpCo> CBivEmpCo::table{IID_IBivEmpCo, "IBivEmpCo", {
    Method<&CBivEmpCo::MargX>(1, "MargX", {Result("ppEC")}, "An EmpCo of the marginal distribution of X"),
    Method<&CBivEmpCo::MargY>(2, "MargY", {Result("ppEC")}, "An EmpCo of the marginal distribution of Y"),
    Method<&CBivEmpCo::Diagonal>(3, "Diagonal", {Result("ppEC")}, "An EmpCo of the distribution of the sum X + Y"),
    PropGet<&CBivEmpCo::get_unitX>(4, "unitX", {Result("pVal")}, "Bucket width of X"),
    PropGet<&CBivEmpCo::get_unitY>(5, "unitY", {Result("pVal")}, "Bucket width of Y"),
    PropGet<&CBivEmpCo::get_NumX>(6, "NumX", {Result("pVal")}, "Number of buckets of X"),
    PropGet<&CBivEmpCo::get_NumY>(7, "NumY", {Result("pVal")}, "Number of buckets of Y"),
    Method<&CBivEmpCo::Moms>(8, "Moms", {In("rt"), Result("varOut")}, "E X, E X^2, E X^3, E Y, E Y^2, E Y^3, E XY"),
    Method<&CBivEmpCo::TestData>(10, "TestData", {Out("v")}, "The whole density as an nx x ny column-shaped array"),
    Method<&CBivEmpCo::SaveAs>(13, "SaveAs", {In("fileName")},
                               "Writes the shared block (header, marginals, density, transform) to a file"),
    PropGet<&CBivEmpCo::get_ID>(14, "ID", {Result("pVal")}, "Name of the shared-memory block holding the distribution"),
    Method<&CBivEmpCo::BivDist>(15, "BivDist", {In("rt"), In("quadrant"), Result("varOut")},
                                "The nx x ny density (quadrant 0) or its x < nx/2, y < ny/2 part (quadrant 1)"),
    Method<&CBivEmpCo::DiagonalVar>(16, "DiagonalVar", {In("rt"), Result("varOut")},
                                    "The distribution of the sum X + Y as numbers"),
    Method<&CBivEmpCo::LossALAE>(17, "LossALAE",
                                 {In("rt"), In("layer"), In("attach"), In("aT"), In("nThreads"), Result("varOut")},
                                 "Distribution of the layer's loss and expense with expense treatment aT"),
    Method<&CBivEmpCo::FTUVar>(18, "FTUVar", {In("num_l2"), In("maxFTU"), In("rt"), Result("varOut")},
                               "Distribution of the bucket ratio x/y on 2^num_l2 buckets of width maxFTU"),
}};

ComPtr<IDispatch> CBivEmpCo::MargX() {
    return CEmpCo::Make(CEmpDist(MarginalOfX(block_->Density(), nx(), ny()), block_->unitX()));
}

ComPtr<IDispatch> CBivEmpCo::MargY() {
    return CEmpCo::Make(CEmpDist(MarginalOfY(block_->Density(), nx(), ny()), block_->unitY()));
}

std::vector<double> CBivEmpCo::DiagonalValues() {
    return DiagonalGrid(block_->Density(), nx(), ny(), block_->unitX(), block_->unitY());
}

ComPtr<IDispatch> CBivEmpCo::Diagonal() { return CEmpCo::Make(CEmpDist(DiagonalValues(), block_->unitX())); }

double CBivEmpCo::get_unitX() { return block_->unitX(); }

double CBivEmpCo::get_unitY() { return block_->unitY(); }

std::int32_t CBivEmpCo::get_NumX() { return block_->nx(); }

std::int32_t CBivEmpCo::get_NumY() { return block_->ny(); }

// E X, E X^2, E X^3, E Y, E Y^2, E Y^3, E XY on the amounts x unitX and y unitY.
Variant CBivEmpCo::Moms(std::int32_t rt) {
    auto m = BivMoments(block_->Density(), nx(), ny(), block_->unitX(), block_->unitY());
    return DoubleToVariant(rt, std::span<const double>(m));
}

void CBivEmpCo::TestData(Variant& v) {
    v = Double2DToVariant(rtExcelCol, nx(), ny(), block_->Density(), StorageOrder::RowMajor);
}

void CBivEmpCo::SaveAs(const std::u16string& fileName) {
    if (fileName.empty()) throw StatusError(E_INVALIDARG);
    block_->SaveAs(Utf16ToUtf8(fileName));
}

std::u16string CBivEmpCo::get_ID() { return id_; }

// Quadrant 0 is the whole density, quadrant 1 its part with x < nx/2 and y < ny/2.
Variant CBivEmpCo::BivDist(std::int32_t rt, std::int32_t quadrant) {
    std::span<const double> p = block_->Density();
    if (quadrant == 0) return Double2DToVariant(rt, nx(), ny(), p, StorageOrder::RowMajor);
    if (quadrant != 1) throw StatusError(E_NOTIMPL);
    const std::size_t rows = nx() / 2, cols = ny() / 2;
    std::vector<double> part(rows * cols);
    for (std::size_t x = 0; x < rows; ++x)
        std::copy_n(p.begin() + static_cast<std::ptrdiff_t>(x * ny()), cols,
                    part.begin() + static_cast<std::ptrdiff_t>(x * cols));
    return Double2DToVariant(rt, rows, cols, part, StorageOrder::RowMajor);
}

Variant CBivEmpCo::DiagonalVar(std::int32_t rt) { return DoubleToVariant(rt, DiagonalValues()); }

Variant CBivEmpCo::LossALAE(std::int32_t rt, double layer, double attach, std::int32_t aT, std::int32_t nThreads) {
    return DoubleToVariant(rt, corvane::LossALAE(block_->Density(), nx(), ny(), block_->unitX(), block_->unitY(), aT,
                                                 layer, attach, nThreads));
}

Variant CBivEmpCo::FTUVar(std::int32_t num_l2, double maxFTU, std::int32_t rt) {
    return DoubleToVariant(rt, corvane::FTUVar(block_->Density(), nx(), ny(), num_l2, maxFTU));
}

}  // namespace corvane
