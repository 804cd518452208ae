"""Status codes and automation codes the contract tests check against, and the check of a failure."""

import pytest

from scripthost import AutomationError

S_OK = 0
E_NOTIMPL = 0x80004001
E_FAIL = 0x80004005
E_UNEXPECTED = 0x8000FFFF
E_OUTOFMEMORY = 0x8007000E
E_INVALIDARG = 0x80070057
CO_E_CLASSSTRING = 0x800401F3
REGDB_E_CLASSNOTREG = 0x80040154
DISP_E_MEMBERNOTFOUND = 0x80020003
DISP_E_PARAMNOTFOUND = 0x80020004
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_BADPARAMCOUNT = 0x8002000E
DISP_E_PARAMNOTOPTIONAL = 0x8002000F


def bare(k):
    """The status of a failure raised as the bare number k."""
    return 0x80040000 + k


# The published codes: enumeration -> {name: value}.
PUBLISHED_CODES = {
    "freqDist": {"fqOne": 1, "fqPoisson": 2, "fqNegBinVM": 3, "fqNegBinCt": 4, "fqPIGVM": 5, "fqPIGCt": 6,
                 "fqEmp": 7},
    "sevDist": {"svMED": 1, "svEmp": 2, "svTLognormal": 3, "svPareto": 4, "svOne": 5, "svEDCo": 6, "svBI": 7,
                "svFPP": 8, "svAIR": 9, "svRMS": 10, "svSimpleMixture": 16},
    "rtType": {"rtExcelCol": 0, "rtScript": 1, "rtEDCo": 2},
    "stateEnum": {"stSpace": 0, "stTime": 1, "stFTU_U": 2},
    "smoothingEnum": {"smCustom": 0, "smNone": 1, "smLight": 2, "smLightMedium": 3, "smModerate": 4,
                      "smMaximum": 5},
    "depType": {"bvIndep": 0, "bvMin": 1, "bvMax": 2, "bvClayton": 3, "bvFrank": 4, "bvFGM": 5, "bvGumbel": 6,
                "bvCook": 7, "bvGrossNet": 8, "bvGrossCeded": 9, "bvNetCeded": 10, "bvXXplusY": 11},
    "rNCG": {"rNet": 0, "rCeded": 1, "rGross": 2},
    "alaeType": {"alaeIncluded": 1, "alaeProRata": 2},
    "scoreType": {"scNormal": 0, "scUniform": 1, "scExponential": 2, "scBeta": 3, "scGamma": 4},
}
globals().update({name: value for codes in PUBLISHED_CODES.values() for name, value in codes.items()})


def fails(call, hresult, description=None):
    """The call raises AutomationError with this status (and this description, when given)."""
    with pytest.raises(AutomationError) as e:
        call()
    assert e.value.hresult == hresult
    if description is not None:
        assert e.value.description == description
# scoreType
scNormal, scUniform, scExponential, scBeta, scGamma = range(5)
