// AggCo: the aggregate-loss calculator. Holds the default parameter file open for its curves.
#pragma once

#include <string>

#include "Corvane/ParamFileEng.h"
#include "Corvane/identities.h"
#include "Corvane/numerics/severity/sev_resolve.h"
#include "automation/object.h"

namespace corvane {

class CAggCo : public automation::Dispatchable<CAggCo> {
public:
    static constexpr automation::ClassIdentity identity{CLSID_AggCo, "Corvane.AggCo.1", true};
    static const automation::DispatchTable<CAggCo> table;

    // Opens the default parameter file named in the registry; creation fails when it cannot.
    void FinalConstruct() override;

    automation::Variant FreqMoms(std::int32_t fqDist, const automation::Variant& params, std::int32_t rt);
    automation::Variant ApplyChF(std::int32_t fq, const automation::Variant& fqParam,
                                 const automation::Variant& complexVector, std::int32_t rt);
    void VMtoCont(std::int32_t fq, double mean, double vm, double& cont);
    void CtgToVM(std::int32_t fq, double mean, double ctg, double& vm);
    std::u16string get_DefaultParamFile();
    void put_DefaultParamFile(const std::u16string& value);
    automation::ComPtr<automation::IDispatch> ParamFile();

    // Grid arithmetic.
    automation::Variant FFT(const automation::Variant& vIn, std::int32_t rt);
    automation::Variant IFFT(const automation::Variant& vIn, std::int32_t rt);
    automation::Variant SumConvDist(const automation::Variant& v1, const automation::Variant& v2, std::int32_t rt);
    void SumConvDist1(automation::Variant& v1, const automation::Variant& v2, std::int32_t rt);
    automation::Variant ComplexProduct(const automation::Variant& v1, const automation::Variant& v2,
                                       std::int32_t rt);
    automation::Variant AddNoise(const automation::Variant& v1, double unit, double sdNoise, std::int32_t rt);
    automation::Variant Smooth(const automation::Variant& varIn, std::int32_t smthType, std::int32_t rt,
                               const automation::Variant& forward, const automation::Variant& order);
    void DistCompare(const automation::Variant& emp, std::int32_t numL2, double unit, const automation::Variant& thy,
                     std::int32_t rt, automation::Variant& den_fe, automation::Variant& Fe, automation::Variant& Ft,
                     automation::Variant& Se, automation::Variant& st, automation::Variant& XSe,
                     automation::Variant& XSt, automation::Variant& QQe, automation::Variant& QQt);

    // EmpCo objects from data.
    automation::ComPtr<automation::IDispatch> CreateEmpCoFromDensity(const automation::Variant& vIn,
                                                                     std::int32_t numIn, double unit);
    automation::ComPtr<automation::IDispatch> CreateEmpCoFromSample(const automation::Variant& vIn,
                                                                    std::int32_t numL2, double unit);
    automation::ComPtr<automation::IDispatch> CreateEmpCoFromRMS(const automation::Variant& xsIn,
                                                                 const automation::Variant& pxsIn,
                                                                 std::int32_t numL2, double unit);
    automation::ComPtr<automation::IDispatch> OpenEmpCo(const std::u16string& fileName);

    // Severities, moments and the aggregate builder.
    automation::Variant F(std::int32_t sd, const automation::Variant& params, double x);
    void CreateSevDist(std::int32_t sv, const automation::Variant& svParam, double layer, double attach, double share,
                       std::int32_t num, double unit, std::int32_t rt, automation::Variant& varOut);
    automation::Variant SevMoms(std::int32_t sevDist, const automation::Variant& params, double layer, double attach,
                                double share, std::int32_t rt);
    automation::Variant AggMoms(const automation::Variant& freqMoms, const automation::Variant& sevMoms,
                                std::int32_t rt);
    automation::Variant SumMoms(const automation::Variant& mom1, const automation::Variant& mom2, std::int32_t rt);
    void SumMoms1(automation::Variant& mom1, const automation::Variant& mom2, std::int32_t rt);
    double EstimateUnit(const automation::Variant& aggMoms, std::int32_t numL2, double safety, double layerConstraint);
    automation::Variant EstimateUnitVar(const automation::Variant& aggMoms, std::int32_t numL2, double safety,
                                        double layerConstraint);
    void TLNFit(double mean, double cv, double skew, double& mu, double& sigma, double& T);
    void TLNFitMoms(const automation::Variant& aggMoms, double& mu, double& sigma, double& T);
    automation::Variant TLNFitVar(const automation::Variant& aggMoms, std::int32_t rt);
    automation::Variant QuickStats(std::int32_t num, double unit, const automation::Variant& dist);
    void CreateDist(std::int32_t fq, const automation::Variant& fqParams, std::int32_t sv,
                    const automation::Variant& sevParams, double layer, double attach, double share, std::int32_t numL2,
                    automation::Variant& unit, automation::Variant& momsOut, std::int32_t rt,
                    automation::Variant& aggSample, automation::Variant& sevSample);

    // Bivariate distributions.
    void CreateBivDistEmp1D(std::int32_t fq, const automation::Variant& fqParams, const automation::Variant& margX,
                            const automation::Variant& margY, std::int32_t dep, const automation::Variant& reinsLASTau,
                            std::int32_t numXL2, std::int32_t numYL2, double unitX, double unitY,
                            automation::Variant& momsOut, automation::Variant& ppBEC);
    void CreateBivDistEmp1DVar(std::int32_t fq, const automation::Variant& fqParams, const automation::Variant& margX,
                               const automation::Variant& margY, std::int32_t dep,
                               const automation::Variant& reinsLASTau, std::int32_t numXL2, std::int32_t numYL2,
                               double unitX, double unitY, automation::Variant& momsOut, automation::Variant& varOut);
    void CreateBivDistEmp2D(std::int32_t fq, const automation::Variant& fqParams, const automation::Variant& empBivDist,
                            std::int32_t numXL2, std::int32_t numYL2, double unitX, double unitY,
                            automation::Variant& momsOut, std::int32_t rt, automation::Variant& aggSample,
                            automation::Variant& diagSample);
    automation::Variant CreateBivDistFromFile(const std::u16string& fileName);
    automation::Variant CreateBivDistClaimDevel(std::int32_t fq, const automation::Variant& fqParam,
                                                std::int32_t numL2, double p00, double p01, double p10, double p11);

    // Two-dimensional transform engines.
    automation::ComPtr<automation::IDispatch> CreateFTU(std::int32_t num_l2);
    automation::Variant CreateFTUVar(std::int32_t num_l2);

    // Aggregates are computed on a grid 2^Padding times longer than they are returned.
    std::int32_t get_Padding();
    void put_Padding(std::int32_t value);

private:
    // The curves of the default parameter file, and user mixtures of them.
    CurveSource Curves() const {
        return [this](int index) { return paramFile_.entry(index); };
    }
    MixtureSource Mixtures() const {
        return [this](std::span<const double> pairs) { return paramFile_.UserMixture(pairs); };
    }

    CParamFileEng paramFile_;
    std::int32_t padding_ = 0;
};

// The default parameter file's path from the registry; E_INVALIDARG when it cannot be read.
std::u16string ReadDefaultParamFile();

}  // namespace corvane
