// Calls on a risk held by reference. The risk is reached through its dispatch interface, so any
// object answering the risk interface takes part, whichever module made it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "automation/unknown.h"

namespace corvane {

// The risk interface of `object`; null when it answers none.
automation::ComPtr<automation::IDispatch> AsRisk(automation::IUnknown* object);

std::int16_t RiskSequenceNumber(automation::IDispatch* risk);
std::u16string RiskName(automation::IDispatch* risk);
// Equal sequence numbers and names equal byte for byte.
bool RisksEqual(automation::IDispatch* a, automation::IDispatch* b);
// The risk's sample of xs.size() values in ascending order, into xs.
void RiskSample(automation::IDispatch* risk, std::int32_t numL2, std::span<double> xs);

}  // namespace corvane
