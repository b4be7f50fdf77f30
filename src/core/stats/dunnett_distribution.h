#pragma once

namespace robustez {

// Dunnett's distribution for the two-sided many-to-one comparison.
//
// k treatment statistics T_i = Z_i / s share one pooled standard error:
// (Z_1, ..., Z_k) are standard normals with common correlation rho
// (rho = 1/2 for equal group sizes) and s = sqrt(chi2_df / df) is
// independent of them. These functions evaluate the distribution by
// numerical integration; they back the filled cells of DunnettTable and are
// not used at run time.

// P(|T_1| < c, ..., |T_k| < c) for k >= 1, 0 <= rho < 1, df >= 1.
// Integrates over the common normal component and over s, to an absolute
// accuracy of about 1e-10. c <= 0 gives 0.
// Throws std::invalid_argument for arguments outside those ranges.
double dunnettTwoSidedProbability(int k, double rho, int df, double c);

// The c for which dunnettTwoSidedProbability(k, rho, df, c) = 1 - alpha,
// with 0 < alpha < 1, solved to about 1e-9.
double dunnettTwoSidedQuantile(int k, double rho, int df, double alpha);

// The two-sided critical value of Dunnett's test for two treatments against
// one control with equal group sizes (rho = 1/2) at df error degrees of
// freedom and level alpha.
double dunnettTwoSidedCritical(int df, double alpha = 0.05);

} // namespace robustez
