// Class, interface and type-library identifiers of the Corvane server.
#pragma once

#include "automation/guid.h"

namespace corvane {

using automation::MakeGuid;

inline constexpr automation::GUID LIBID_CORVANELib = MakeGuid("{942DEF41-D684-4E4C-99D9-A0B7C1225D39}");
// The type library named by the registration records of ImancCo, Portfolio, Risk and EnumRisk.
inline constexpr automation::GUID LIBID_Portfolio = MakeGuid("{3FE0DD44-4DCE-4794-89C5-87249A5D6CAE}");

inline constexpr automation::CLSID CLSID_AggCo = MakeGuid("{FEF1FED9-E48D-471C-AB3B-6F82F69E8DE5}");
inline constexpr automation::CLSID CLSID_ParamFile = MakeGuid("{CFDA4C70-B177-4BDD-9BFA-1B3C6848E837}");
inline constexpr automation::CLSID CLSID_Triangle = MakeGuid("{11CF3062-F6B0-43F7-9700-FC73F546066B}");
inline constexpr automation::CLSID CLSID_ImancCo = MakeGuid("{CDD8626D-B138-42A6-8765-668593A22C3A}");
inline constexpr automation::CLSID CLSID_Risk = MakeGuid("{801A4148-EB7C-43A1-A5AA-E21DA7F4645D}");
inline constexpr automation::CLSID CLSID_Portfolio = MakeGuid("{D187F160-5EC8-47A8-B68F-CE4C762ED68A}");
inline constexpr automation::CLSID CLSID_EmpCo = MakeGuid("{6204E60A-7476-4961-95BA-AA54F4034986}");
inline constexpr automation::CLSID CLSID_BivEmpCo = MakeGuid("{6F603461-800B-4AC9-88BD-DA0054C8E250}");
inline constexpr automation::CLSID CLSID_FTUCo = MakeGuid("{F95AD51C-23B4-4925-A561-5FED97F98480}");
inline constexpr automation::CLSID CLSID_EnumRisk = MakeGuid("{F8BF8477-3A08-4324-92FF-AD149B1D68F3}");

inline constexpr automation::IID IID_IAggCo = MakeGuid("{5EB57055-512E-48C9-A50F-BCA158E8F33D}");
inline constexpr automation::IID IID_IFTUCo = MakeGuid("{D0D827F6-C717-40F9-85AC-B3050B6B466F}");
inline constexpr automation::IID IID_IBivEmpCo = MakeGuid("{A2556C62-3E45-4497-BC8B-85E6A62C7D4A}");
inline constexpr automation::IID IID_IEmpCo = MakeGuid("{858F404E-57C5-408C-9A1C-4A20ED843B9F}");
inline constexpr automation::IID IID_IParamFile = MakeGuid("{2F2BD63B-3D54-4DDF-B723-A88A5946D724}");
inline constexpr automation::IID IID_ITriangle = MakeGuid("{5B73F228-15B0-4DD2-BFE5-7D6FE47B212C}");
inline constexpr automation::IID IID_IImancCo = MakeGuid("{95F864EB-520F-490A-8F03-9A321F2AFB36}");
inline constexpr automation::IID IID_IRisk = MakeGuid("{38D4397C-A71E-4BBB-BF54-EB982E1E9D68}");
inline constexpr automation::IID IID_IPortfolio = MakeGuid("{353EADBF-78E4-4118-9440-30C13B184EED}");
inline constexpr automation::IID IID_DICollection = MakeGuid("{25A2222A-0D65-11D2-A910-006097B959E7}");
inline constexpr automation::IID IID_IEnumRisk = MakeGuid("{B555E35F-81D7-40DE-ABB0-E6CB0CA9F1D6}");

// The registry key whose default value is the default parameter file's path.
inline constexpr const char* kParamFileKey = "Corvane.AggCo.1\\paramFile";

}  // namespace corvane
