// The integer codes callers pass to select distributions, dependency structures
// and result shapes. Any integer may arrive; each operation validates its own.
//
// Each enumeration is one list of X(name, value, help) rows: the C++ enumeration below and the
// module's published type library (Corvane/module.cpp) are both made from it, so adding a code is
// adding one row here.
#pragma once

#include <cstdint>

#define CORVANE_FREQDIST(X)                                                                  \
    X(fqOne, 1, "Exactly one claim")                                                         \
    X(fqPoisson, 2, "Poisson, given by its mean")                                            \
    X(fqNegBinVM, 3, "Negative binomial, given by mean and variance multiplier")             \
    X(fqNegBinCt, 4, "Negative binomial, given by mean and contagion")                       \
    X(fqPIGVM, 5, "Poisson inverse-Gaussian, given by mean and variance multiplier")         \
    X(fqPIGCt, 6, "Poisson inverse-Gaussian, given by mean and contagion")                   \
    X(fqEmp, 7, "Placeholder computed with the Poisson inverse-Gaussian's formulas")

#define CORVANE_SEVDIST(X)                                                                   \
    X(svMED, 1, "Mixed exponential: weights then means")                                     \
    X(svEmp, 2, "A density given bucket by bucket on the grid")                              \
    X(svTLognormal, 3, "Translated lognormal")                                               \
    X(svPareto, 4, "Pareto")                                                                 \
    X(svOne, 5, "Every claim is exactly one bucket width")                                   \
    X(svEDCo, 6, "An EmpCo distribution; refused by the aggregate builder")                  \
    X(svBI, 7, "A built-in curve: the parameter file's entry of the given index")            \
    X(svFPP, 8, "Reserved; nothing is computed for it")                                      \
    X(svAIR, 9, "A sample of claim sizes")                                                   \
    X(svRMS, 10, "Point masses: claim sizes followed by their probabilities")                \
    X(svSimpleMixture, 16, "A user mixture of parameter-file entries: index and weight pairs")

#define CORVANE_RTTYPE(X)                                                                    \
    X(rtExcelCol, 0, "A column of n rows, shape (n, 1), as for a spreadsheet range")         \
    X(rtScript, 1, "A one-dimensional array, shape (n,), for scripts")                       \
    X(rtEDCo, 2, "An EmpCo object instead of numbers, where the result is a distribution")

#define CORVANE_STATEENUM(X)                                                                 \
    X(stSpace, 0, "Densities in the space domain")                                           \
    X(stTime, 1, "The two-dimensional transform domain")                                            \
    X(stFTU_U, 2, "The grid of the bucket ratio x/y after Transform")

#define CORVANE_SMOOTHINGENUM(X)                                                             \
    X(smCustom, 0, "The caller's window and polynomial order")                               \
    X(smNone, 1, "No smoothing")                                                             \
    X(smLight, 2, "Light smoothing")                                                         \
    X(smLightMedium, 3, "Light to medium smoothing")                                         \
    X(smModerate, 4, "Moderate smoothing")                                                   \
    X(smMaximum, 5, "The strongest smoothing")

#define CORVANE_DEPTYPE(X)                                                                   \
    X(bvIndep, 0, "Independent components")                                                  \
    X(bvMin, 1, "Lower Frechet bound: countermonotonic components")                          \
    X(bvMax, 2, "Upper Frechet bound: comonotonic components")                               \
    X(bvClayton, 3, "Clayton copula, given by Kendall's tau")                                \
    X(bvFrank, 4, "Frank copula, given by Kendall's tau")                                    \
    X(bvFGM, 5, "Farlie-Gumbel-Morgenstern copula, given by Kendall's tau")                  \
    X(bvGumbel, 6, "Gumbel copula, given by Kendall's tau")                                  \
    X(bvCook, 7, "Cook-Johnson copula, given by Kendall's tau")                              \
    X(bvGrossNet, 8, "Gross and net of a layer (refused): limit, attachment and share")               \
    X(bvGrossCeded, 9, "Gross and ceded of a layer (refused): limit, attachment and share")           \
    X(bvNetCeded, 10, "Net and ceded of the gross loss X in a layer: limit, attachment and share")              \
    X(bvXXplusY, 11, "The pair (X, X + Y) of independent X and Y")

#define CORVANE_RNCG(X)                                                                      \
    X(rNet, 0, "Net of the layer: the retained loss")                                    \
    X(rCeded, 1, "Ceded to the layer")                                                       \
    X(rGross, 2, "Gross: the loss itself, unchanged")

#define CORVANE_ALAETYPE(X)                                                                  \
    X(alaeIncluded, 1, "The layer applies to loss plus expense")                        \
    X(alaeProRata, 2, "The layer applies to the loss; expense is paid in proportion to the loss paid")

#define CORVANE_SCORETYPE(X)                                                                 \
    X(scNormal, 0, "Standard normal scores")                                                 \
    X(scUniform, 1, "Uniform scores")                                                        \
    X(scExponential, 2, "Exponential scores")                                                \
    X(scBeta, 3, "Beta scores, given by two parameters")                                     \
    X(scGamma, 4, "Gamma scores, given by two parameters")

namespace corvane {

#define CORVANE_ENUMERATOR(name, value, help) name = value,

enum freqDist : std::int32_t { CORVANE_FREQDIST(CORVANE_ENUMERATOR) };
enum sevDist : std::int32_t { CORVANE_SEVDIST(CORVANE_ENUMERATOR) };
enum rtType : std::int32_t { CORVANE_RTTYPE(CORVANE_ENUMERATOR) };
enum stateEnum : std::int32_t { CORVANE_STATEENUM(CORVANE_ENUMERATOR) };
enum smoothingEnum : std::int32_t { CORVANE_SMOOTHINGENUM(CORVANE_ENUMERATOR) };
enum depType : std::int32_t { CORVANE_DEPTYPE(CORVANE_ENUMERATOR) };
enum rNCG : std::int32_t { CORVANE_RNCG(CORVANE_ENUMERATOR) };
enum alaeType : std::int32_t { CORVANE_ALAETYPE(CORVANE_ENUMERATOR) };
enum scoreType : std::int32_t { CORVANE_SCORETYPE(CORVANE_ENUMERATOR) };

#undef CORVANE_ENUMERATOR

}  // namespace corvane
