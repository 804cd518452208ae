// The integer codes callers pass to select distributions, dependency structures
// and result shapes. Any integer may arrive; each operation validates its own.
#pragma once

#include <cstdint>

namespace corvane {

enum freqDist : std::int32_t {
    fqOne = 1,
    fqPoisson = 2,
    fqNegBinVM = 3,
    fqNegBinCt = 4,
    fqPIGVM = 5,
    fqPIGCt = 6,
    fqEmp = 7,
};

enum sevDist : std::int32_t {
    svMED = 1,
    svEmp = 2,
    svTLognormal = 3,
    svPareto = 4,
    svOne = 5,
    svEDCo = 6,
    svBI = 7,
    svFPP = 8,
    svAIR = 9,
    svRMS = 10,
    svSimpleMixture = 16,
};

enum rtType : std::int32_t {
    rtExcelCol = 0,
    rtScript = 1,
    rtEDCo = 2,
};

enum stateEnum : std::int32_t {
    stSpace = 0,
    stTime = 1,
    stFTU_U = 2,
};

enum smoothingEnum : std::int32_t {
    smCustom = 0,
    smNone = 1,
    smLight = 2,
    smLightMedium = 3,
    smModerate = 4,
    smMaximum = 5,
};

enum depType : std::int32_t {
    bvIndep = 0,
    bvMin = 1,
    bvMax = 2,
    bvClayton = 3,
    bvFrank = 4,
    bvFGM = 5,
    bvGumbel = 6,
    bvCook = 7,
    bvGrossNet = 8,
    bvGrossCeded = 9,
    bvNetCeded = 10,
    bvXXplusY = 11,
};

enum rNCG : std::int32_t {
    rNet = 0,
    rCeded = 1,
    rGross = 2,
};

enum alaeType : std::int32_t {
    alaeIncluded = 1,
    alaeProRata = 2,
};

enum scoreType : std::int32_t {
    scNormal = 0,
    scUniform = 1,
    scExponential = 2,
    scBeta = 3,
    scGamma = 4,
};

}  // namespace corvane
