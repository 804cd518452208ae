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
DISP_E_TYPEMISMATCH = 0x80020005
DISP_E_UNKNOWNNAME = 0x80020006
DISP_E_BADPARAMCOUNT = 0x8002000E
DISP_E_PARAMNOTOPTIONAL = 0x8002000F


def bare(k):
    """The status of a failure raised as the bare number k."""
    return 0x80040000 + k


# freqDist
fqOne, fqPoisson, fqNegBinVM, fqNegBinCt, fqPIGVM, fqPIGCt, fqEmp = range(1, 8)
# sevDist
svMED, svEmp, svTLognormal, svPareto, svOne, svEDCo, svBI, svFPP, svAIR, svRMS = range(1, 11)
svSimpleMixture = 16
# rtType
rtExcelCol, rtScript, rtEDCo = 0, 1, 2


def fails(call, hresult, description=None):
    """The call raises AutomationError with this status (and this description, when given)."""
    with pytest.raises(AutomationError) as e:
        call()
    assert e.value.hresult == hresult
    if description is not None:
        assert e.value.description == description
