// The Iman-Conover rank-correlation shuffle. For a target C (nlines x nlines, symmetric positive
// definite) it draws sample_size scores, fills column 0 of X with them and columns 1 ... nlines-1
// with independent random permutations of them, and transforms X so that its correlation becomes
// C: with C = P'P and the score correlation E = F'F (Cholesky, upper triangular), T = X F^-1 P.
// The result is the 0-based rank of every T(i, j) within its column.
#pragma once

#include <cstdint>
#include <span>

namespace corvane {

struct ShuffleScores {
    std::int32_t type;  // scoreType
    double param1;
    double param2;
    bool single;        // gamma and beta scores rounded to single precision
};

// target: nlines x nlines (either storage order: only its upper triangle is read);
// ranks: sample_size x nlines, column-major, element (i, j) at j * sample_size + i.
// Fails with InvalidArgument when C or E is not positive definite or the scores are invalid.
// The shared generator is reseeded from fresh seeds before the scores and before the permutations.
void ImanConoverRanks(std::span<const double> target, int nlines, int sampleSize, const ShuffleScores& scores,
                      std::span<std::int32_t> ranks);

// Steps after the drawing, for a score matrix x (sample_size x nlines, column-major, every column
// holding the same values): the score correlation, the transform and the ranks.
void RanksFromScores(std::span<const double> target, int nlines, int sampleSize, std::span<const double> x,
                     std::span<std::int32_t> ranks);

// A target correlation: symmetric with a unit diagonal (to 1e-9); otherwise fails
// with InvalidArgument saying which it is not.
void CheckCorrelationTarget(std::span<const double> target, int nlines);

}  // namespace corvane
