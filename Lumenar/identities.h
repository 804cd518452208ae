// Class, interface and type-library identifiers of the Lumenar server.
#pragma once

#include "automation/guid.h"

namespace lumenar {

using automation::MakeGuid;

inline constexpr automation::GUID LIBID_LUMENARLib = MakeGuid("{E720BC06-5BA8-4616-A2C0-0ABC9C6C40FC}");

inline constexpr automation::CLSID CLSID_Graph3 = MakeGuid("{74B94983-0BB2-4278-9755-AF593D070BAC}");
inline constexpr automation::CLSID CLSID_VisGraph = MakeGuid("{0D35372E-12AA-42FC-B91E-22F575A2E378}");

inline constexpr automation::IID IID_IGraph3 = MakeGuid("{7A448850-86EB-4E42-B334-209A63F34674}");
inline constexpr automation::IID IID_IGrafCommon = MakeGuid("{29F295D0-59DE-4C71-B6C8-1FE4BB747A16}");
inline constexpr automation::IID IID_IVisGraph = MakeGuid("{9F47AE80-F52F-4193-A8A4-2B61E20500C0}");

}  // namespace lumenar
