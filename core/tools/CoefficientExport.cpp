#include "core/tools/CoefficientExport.h"

#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FixedPoint.h"

#include <algorithm>
#include <cmath>

namespace kaldorium {

namespace {

constexpr const char *Eol = "\r\n";

std::string Number(double v) {
    return FormatGeneral(v, 17);
}

std::string List(const double *v, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += (i > 0 ? ", " : "") + Number(v[i]);
    }
    return out;
}

std::string List(const std::vector<double> &v) {
    return List(v.data(), v.size());
}

// The opening comment every file shares, each line after `comment`.
std::string Summary(const CoefficientSet &set, const std::string &comment) {
    const std::string lines[] = {
        " Digital filter: direct form of degree " + std::to_string(set.numerator.size() - 1) +
            ", " + std::to_string(set.sections.size()) + " second-order section(s) in series.",
        " Sampling period " + FormatGeneral(set.ts) + " s (fs = " + FormatGeneral(1.0 / set.ts) +
            " Hz).",
        "",
        " This program calls the numerator a and the denominator b, the reverse of the",
        " usual b/a convention. Here every array is named for what it is:",
        "   numerator   = this program's a (feed-forward, acts on the input x)",
        "   denominator = this program's b (feedback, acts on the output y)",
        "   H(z) = (n0 + n1 z^-1 + n2 z^-2 + ...) / (d0 + d1 z^-1 + d2 z^-2 + ...)",
        " Each section's denominator starts with 1; the gain is in the first section.",
    };
    std::string out;
    for (const std::string &line : lines) {
        out += comment + line + Eol;
    }
    return out;
}

// A C array of one row of three values per section; row(k) writes row k.
template <typename Row>
std::string CArray(const std::string &type, const std::string &name, std::size_t count, Row row) {
    std::string out = "static const " + type + " " + name + "[FILTER_SECTIONS][3] = {" + Eol;
    for (std::size_t k = 0; k < count; ++k) {
        out += "    {" + row(k) + "}," + Eol;
    }
    return out + "};" + Eol;
}

std::string IntegerArrays(const CoefficientSet &set, int wordLength, const std::string &suffix) {
    const std::string type = wordLength == 16 ? "int16_t" : "int32_t";
    std::string out;
    for (const bool numerator : {true, false}) {
        const std::string part = numerator ? "numerator" : "denominator";
        std::vector<QuantisedPolynomial> rows;
        for (const Section &s : set.sections) {
            rows.push_back(QuantisePolynomial(numerator ? s.num : s.den, 3, wordLength));
        }
        out += CArray(type, "filter_sos_" + part + "_" + suffix, rows.size(), [&](std::size_t k) {
            std::string r;
            for (std::size_t i = 0; i < 3; ++i) {
                r += (i > 0 ? ", " : "") + std::to_string(rows[k].integers[i]);
            }
            return r;
        });
        out += "static const int filter_sos_" + part + "_" + suffix +
               "_frac_bits[FILTER_SECTIONS] = {";
        for (std::size_t k = 0; k < rows.size(); ++k) {
            out += (k > 0 ? ", " : "") + std::to_string(rows[k].format.fractionalBits);
        }
        out += std::string("};") + Eol;
    }
    return out;
}

std::string CHeader(const CoefficientSet &set) {
    std::string out =
        "/*" + std::string(Eol) + Summary(set, " *") + " *" + Eol +
        " * Integer arrays: coefficient = integer / 2^frac_bits, frac_bits given per" + Eol +
        " * section for its numerator and its denominator (_q15: 16-bit words," + Eol +
        " * _q31: 32-bit words; the format of a row is chosen from its largest" + Eol +
        " * coefficient)." + Eol + " */" + Eol;
    out += std::string("#ifndef FILTER_COEFFICIENTS_H") + Eol + "#define FILTER_COEFFICIENTS_H" +
           Eol + Eol + "#include <stdint.h>" + Eol + Eol;
    out += "#define FILTER_SAMPLING_PERIOD " + FormatGeneral(set.ts) + Eol;
    out += "#define FILTER_LENGTH " + std::to_string(set.numerator.size()) + Eol;
    out += "#define FILTER_SECTIONS " + std::to_string(set.sections.size()) + Eol + Eol;
    out += "/* Direct form: numerator (this program's a), denominator (this program's b). */" +
           std::string(Eol);
    out += "static const double filter_numerator[FILTER_LENGTH] = {" + List(set.numerator) + "};" +
           Eol;
    out += "static const double filter_denominator[FILTER_LENGTH] = {" + List(set.denominator) +
           "};" + Eol + Eol;
    out += "/* Second-order sections, one row each: numerator {n0, n1, n2} (this program's a)," +
           std::string(Eol) + "   denominator {1, d1, d2} (this program's b). */" + Eol;
    const std::size_t count = set.sections.size();
    out += CArray("double", "filter_sos_numerator", count,
                  [&](std::size_t k) { return List(set.sections[k].num, 3); });
    out += CArray("double", "filter_sos_denominator", count,
                  [&](std::size_t k) { return List(set.sections[k].den, 3); });
    out += Eol + IntegerArrays(set, 16, "q15") + Eol + IntegerArrays(set, 32, "q31");
    return out + Eol + "#endif" + Eol;
}

// The sections as rows [n0 n1 n2 d0 d1 d2], numerator first, as Octave and scipy take them.
std::string SosRows(const CoefficientSet &set, const char *open, const char *close,
                    const char *separator) {
    std::string out;
    for (std::size_t k = 0; k < set.sections.size(); ++k) {
        const Section &s = set.sections[k];
        out += std::string("    ") + open + List(s.num, 3) + ", " + List(s.den, 3) + close +
               (k + 1 < set.sections.size() ? separator : "") + Eol;
    }
    return out;
}

std::string OctaveScript(const CoefficientSet &set) {
    std::string out = Summary(set, "%") + "%" + Eol +
                      "% Octave and MATLAB name them the usual way: b is the numerator (this" +
                      Eol + "% program's a), a the denominator (this program's b)." + Eol + Eol;
    out += "fs = " + FormatGeneral(1.0 / set.ts) + ";" + Eol;
    out += "b = [" + List(set.numerator) + "];  % numerator (this program's a)" + Eol;
    out += "a = [" + List(set.denominator) + "];  % denominator (this program's b)" + Eol + Eol;
    out += std::string("% One row per section: [b0 b1 b2 a0 a1 a2], numerator first.") + Eol;
    out += "sos = [" + std::string(Eol) + SosRows(set, "", "", ";") + "];" + Eol + Eol;
    out += std::string("[h, f] = freqz(b, a, 1024, fs);") + Eol;
    out += std::string("plot(f, 20 * log10(abs(h)));") + Eol;
    out += std::string("xlabel('Frequency (Hz)'); ylabel('Gain (dB)'); grid on;") + Eol;
    return out;
}

std::string PythonScript(const CoefficientSet &set) {
    std::string out = Summary(set, "#") + "#" + Eol +
                      "# scipy.signal names them the usual way: b is the numerator (this" + Eol +
                      "# program's a), a the denominator (this program's b)." + Eol + Eol;
    out += std::string("import numpy as np") + Eol + "from scipy import signal" + Eol + Eol;
    out += "fs = " + FormatGeneral(1.0 / set.ts) + Eol;
    out += "b = np.array([" + List(set.numerator) + "])  # numerator (this program's a)" + Eol;
    out += "a = np.array([" + List(set.denominator) + "])  # denominator (this program's b)" + Eol +
           Eol;
    out += std::string("# One row per section: [b0, b1, b2, a0, a1, a2], numerator first.") + Eol;
    out += "sos = np.array([" + std::string(Eol) + SosRows(set, "[", "]", ",") + "])" + Eol + Eol;
    out += std::string("w, h = signal.freqz(b, a, worN=1024, fs=fs)") + Eol;
    return out;
}

std::string Csv(const CoefficientSet &set) {
    std::string out = std::string("part,power of z^-1,numerator (this program's a),") +
                      "denominator (this program's b)" + Eol;
    for (std::size_t i = 0; i < set.numerator.size(); ++i) {
        out += "direct form," + std::to_string(i) + "," + Number(set.numerator[i]) + "," +
               Number(set.denominator[i]) + Eol;
    }
    for (std::size_t k = 0; k < set.sections.size(); ++k) {
        for (std::size_t i = 0; i < 3; ++i) {
            out += "section " + std::to_string(k + 1) + "," + std::to_string(i) + "," +
                   Number(set.sections[k].num[i]) + "," + Number(set.sections[k].den[i]) + Eol;
        }
    }
    return out;
}

} // namespace

CoefficientSet ExportedCoefficients(const DigitalFilterDesign &design) {
    CoefficientSet set;
    set.ts = design.ts;
    const Polynomial a(design.a, 7);
    const Polynomial b(design.b, 7);
    const int degree = std::max({a.Degree(), b.Degree(), 0});
    for (int i = 0; i <= degree; ++i) {
        set.numerator.push_back(design.a[i]);
        set.denominator.push_back(design.b[i]);
    }
    for (int i = 0; i < 7; ++i) {
        if (!std::isfinite(design.a[i]) || !std::isfinite(design.b[i])) {
            throw FloatingPointError::InvalidOperation();
        }
    }
    set.sections = SectionsOfDesign(design);
    for (Section &s : set.sections) {
        const double d0 = s.den[0];
        for (int i = 0; i < 3; ++i) {
            s.num[i] /= d0;
            s.den[i] /= d0;
        }
    }
    return set;
}

const char *ExportSuffix(ExportFormat format) {
    switch (format) {
    case ExportFormat::OctaveScript:
        return ".m";
    case ExportFormat::PythonScript:
        return ".py";
    case ExportFormat::Csv:
        return ".csv";
    default:
        return ".h";
    }
}

std::string ExportText(ExportFormat format, const CoefficientSet &set) {
    switch (format) {
    case ExportFormat::OctaveScript:
        return OctaveScript(set);
    case ExportFormat::PythonScript:
        return PythonScript(set);
    case ExportFormat::Csv:
        return Csv(set);
    default:
        return CHeader(set);
    }
}

} // namespace kaldorium
