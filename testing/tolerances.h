#pragma once
// Named tolerances for floating-point comparisons in the tests. Exact behaviour (opacity 0.0 and
// 1.0, copies, integer-valued results) is compared exactly instead.

namespace tol {

// A few units in the last place of single-precision values of order 1.
constexpr float kFloat = 1e-6f;
// Results of a short chain of float operations on values of order 1 (a product of a few
// matrices, a normalisation followed by a projection).
constexpr float kChain = 1e-5f;
// Values quoted to four significant digits (colours, positions of the demo scene).
constexpr float kQuoted = 5e-4f;
// Round trips through an inverse of a well-conditioned random matrix.
constexpr float kInverse = 1e-4f;
// One step of an 8-bit colour channel: a float colour read back from a 24-bit framebuffer.
constexpr float kColourStep = 1.0f / 255.0f;

// Cross-checks against a double-precision reference skip random inputs closer than this to a
// decision boundary (an edge, a tangency, a face, a nearly parallel direction), where the float
// routine and the reference may legitimately decide differently.
constexpr float kNearBoundary = 1e-3f;
// Points computed by a float geometric query on inputs of order 1 to 10, compared with a
// double-precision reference (relative to the point's size when that exceeds 1).
constexpr float kQueryPoint = 1e-4f;

}  // namespace tol
