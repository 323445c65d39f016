// Coefficient tables of the crossover design: Linkwitz-Riley and Bessel dampings, Bessel section
// frequency factors, Bessel first-order factors and Bessel order normalisation.
#pragma once

#include <array>

namespace dv {

using FilterTableRow = std::array<double, 4>;

// Linkwitz-Riley damping, row = order / 2, column = section.
extern const std::array<FilterTableRow, 5> lr;
// Bessel damping, row = order, column = section.
extern const std::array<FilterTableRow, 9> besselD;
// Bessel section frequency factors, row = order, column = section.
extern const std::array<FilterTableRow, 9> besselF;
// Bessel factor of the first-order section, at its section index.
extern const FilterTableRow realPole;
// Bessel order normalisation, at the order (index 0 unused).
extern const std::array<double, 9> norm;

}  // namespace dv
