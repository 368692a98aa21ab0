#pragma once

#include "core/tools/DesignSections.h"

#include <string>
#include <vector>

namespace kaldorium {

class DigitalFilterDesign;

// A designed filter as it is exported. This system calls the numerator a and the denominator b,
// the reverse of the usual b/a convention; here, and in every exported text, they are named for
// what they are.
struct CoefficientSet {
    std::vector<double> numerator;   // this system's a0 … an
    std::vector<double> denominator; // this system's b0 … bn
    // In series; each normalised to den[0] = 1, the overall gain in the first numerator.
    std::vector<Section> sections;
    double ts = 0.0; // sampling period, s
};

// The designer's set and its sections at the designer's sampling period, the arrays as long as
// the higher degree needs. Throws FloatingPointError for a set with b0 = 0 or with a coefficient
// that is not a finite number: such a file would be written but mean nothing.
CoefficientSet ExportedCoefficients(const DigitalFilterDesign &design);

enum class ExportFormat { CHeader, OctaveScript, PythonScript, Csv };

// ".h", ".m", ".py", ".csv".
const char *ExportSuffix(ExportFormat format);

// The text of the file; lines end with CR LF as in every file this system writes. Coefficients
// are written with 17 significant digits and ".", so that they read back exactly.
//  - C header: the direct form and, per section, double arrays and 16-bit (Q15) and 32-bit
//    (Q31) integer arrays with the fractional bits of each row (coefficient = integer /
//    2^frac_bits; the format of each row is chosen from its largest coefficient, so a row of
//    small coefficients has more fractional bits than the word has bits).
//  - Octave/MATLAB: b (numerator) and a (denominator) in that language's convention, the
//    sections as the rows [b0 b1 b2 a0 a1 a2] of `sos`, and a freqz call.
//  - Python: the same for scipy.signal (b, a, sos), with a freqz call.
//  - CSV: one row per coefficient of the direct form and of each section: part, power of z⁻¹,
//    numerator, denominator.
std::string ExportText(ExportFormat format, const CoefficientSet &set);

} // namespace kaldorium
