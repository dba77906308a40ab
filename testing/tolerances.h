#pragma once
// Named tolerances for floating-point comparisons in the tests. Exact behaviour (opacity 0.0 and
// 1.0, copies, integer-valued results) is compared exactly instead.

namespace tol {

// A few units in the last place of single-precision values of order 1.
constexpr float kFloat = 1e-6f;
// Results of a short chain of float operations on values of order 1 (a product of a few
// matrices, a normalisation followed by a projection).
constexpr float kChain = 1e-5f;
// Values quoted to four significant digits in the design of the scene (colours, positions).
constexpr float kQuoted = 5e-4f;
// Round trips through an inverse of a well-conditioned random matrix.
constexpr float kInverse = 1e-4f;

}  // namespace tol
