// Discretisation of a claim-size family in an excess-of-loss layer onto equally spaced buckets.
//
// Bucket k stands for the amount k unit of the share s of the layer loss, so one bucket covers
// h = unit/s of ground-up loss. Probabilities are conditional on X > A (scale c = 1/S(A)). With
// x_j = A + (j + 1/2) h, interior bucket j receives c (F(x_j) - F(x_{j-1})), F(x_{-1}) = F(A)
// (the midpoint rule), and the top bucket receives c (1 - F) at the last point evaluated: every
// claim that reaches it, including those that exhaust the layer.
#pragma once

#include <vector>

#include "Corvane/numerics/severity/sev_family.h"

namespace corvane {

// 2^numL2 buckets. With m = trunc(layer share/unit) buckets 0..m-1 are interior and bucket m is
// the top bucket; m = 0 puts all mass in bucket 0. Fails with "Invalid unit for size of layer"
// when m >= 2^numL2; numL2 outside 0..30, a unit that is not positive and finite and a layer that
// fails RequireLayer are invalid arguments.
std::vector<double> DiscretiseGrid(const CSeverityFamily& family, int numL2, double unit, double layer,
                                   double attach, double share);

// num buckets. A layer of exactly -1 is unlimited (m = num); otherwise m = trunc(layer share/unit).
// Buckets 0..m-2 are interior and bucket m-1 is the top bucket. Fails with "Invalid unit for size
// of layer" unless 1 <= m <= num; a negative num, a unit that is not positive and finite and a
// layer (other than -1), attachment or share that fails RequireLayer are invalid arguments.
std::vector<double> DiscretiseCount(const CSeverityFamily& family, int num, double unit, double layer,
                                    double attach, double share);

}  // namespace corvane
