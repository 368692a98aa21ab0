#include "core/tools/CoefficientExport.h"

#include "DesignerSetup.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <complex>
#include <sstream>
#include <tuple>

using namespace kaldorium;

namespace {

using C = std::complex<double>;

// The numbers written between `open` and the first `close` after it.
std::vector<double> NumbersBetween(const std::string &text, const std::string &open,
                                   const std::string &close) {
    const std::size_t start = text.find(open);
    if (start == std::string::npos) {
        ADD_FAILURE() << "missing " << open;
        return {};
    }
    const std::size_t from = start + open.size();
    const std::string region = text.substr(from, text.find(close, from) - from) + ",";
    std::vector<double> numbers;
    std::string token;
    for (char c : region) {
        if (std::isspace(static_cast<unsigned char>(c)) ||
            std::string(",;[]{}").find(c) != std::string::npos) {
            if (!token.empty()) {
                numbers.push_back(ParseDouble(token));
            }
            token.clear();
        } else {
            token += c;
        }
    }
    return numbers;
}

// A file read back: the direct form and the sections as rows n0 n1 n2 d0 d1 d2.
struct ReadBack {
    std::vector<double> numerator;
    std::vector<double> denominator;
    std::vector<double> sos;
};

std::vector<double> Interleaved(const std::vector<double> &num, const std::vector<double> &den) {
    std::vector<double> rows;
    for (std::size_t k = 0; k + 3 <= num.size() && k + 3 <= den.size(); k += 3) {
        rows.insert(rows.end(), num.begin() + k, num.begin() + k + 3);
        rows.insert(rows.end(), den.begin() + k, den.begin() + k + 3);
    }
    return rows;
}

ReadBack Read(ExportFormat format, const std::string &text) {
    ReadBack r;
    switch (format) {
    case ExportFormat::CHeader:
        r.numerator = NumbersBetween(text, "filter_numerator[FILTER_LENGTH] = {", "}");
        r.denominator = NumbersBetween(text, "filter_denominator[FILTER_LENGTH] = {", "}");
        r.sos = Interleaved(
            NumbersBetween(text, "filter_sos_numerator[FILTER_SECTIONS][3] = {", "};"),
            NumbersBetween(text, "filter_sos_denominator[FILTER_SECTIONS][3] = {", "};"));
        break;
    case ExportFormat::OctaveScript:
        r.numerator = NumbersBetween(text, "b = [", "]");
        r.denominator = NumbersBetween(text, "a = [", "]");
        r.sos = NumbersBetween(text, "sos = [", "];");
        break;
    case ExportFormat::PythonScript:
        r.numerator = NumbersBetween(text, "b = np.array([", "])");
        r.denominator = NumbersBetween(text, "a = np.array([", "])");
        r.sos = NumbersBetween(text, "sos = np.array([", "])");
        break;
    case ExportFormat::Csv: {
        std::istringstream lines(text);
        std::string line;
        std::getline(lines, line); // the header
        std::vector<double> num, den;
        while (std::getline(lines, line)) {
            std::vector<std::string> cells;
            std::istringstream cellStream(line.substr(0, line.find('\r')));
            for (std::string cell; std::getline(cellStream, cell, ',');) {
                cells.push_back(cell);
            }
            const bool direct = cells.at(0) == "direct form";
            (direct ? r.numerator : num).push_back(ParseDouble(cells.at(2)));
            (direct ? r.denominator : den).push_back(ParseDouble(cells.at(3)));
        }
        r.sos = Interleaved(num, den);
        break;
    }
    }
    return r;
}

// Σ c[i]·z^−i at z = e^(j·2π·f·Ts).
C Evaluate(const double *c, std::size_t count, double f, double ts) {
    C sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += c[i] * std::polar(1.0, -2 * M_PI * f * ts * static_cast<double>(i));
    }
    return sum;
}

C SosResponse(const std::vector<double> &rows, double f, double ts) {
    C h = 1;
    for (std::size_t k = 0; k + 6 <= rows.size(); k += 6) {
        h *= Evaluate(&rows[k], 3, f, ts) / Evaluate(&rows[k + 3], 3, f, ts);
    }
    return h;
}

class CoefficientFiles : public ::testing::TestWithParam<std::tuple<ExportFormat, int>>,
                         protected DesignerSetup {};

// Each file's numbers, read back, give the design's response at three frequencies, both as the
// direct form and as the product of the sections.
TEST_P(CoefficientFiles, ReproduceTheDesignsResponse) {
    const auto [format, order] = GetParam();
    Design(0, order, "2000", "3", "2");
    const std::string text = ExportText(format, ExportedCoefficients(design));
    const ReadBack r = Read(format, text);
    ASSERT_EQ(r.numerator.size(), static_cast<std::size_t>(order + 1));
    ASSERT_EQ(r.denominator.size(), r.numerator.size());
    ASSERT_EQ(r.sos.size(), static_cast<std::size_t>(order / 2 * 6));
    for (double f : {500.0, 2000.0, 9000.0}) {
        SCOPED_TRACE(f);
        const C expected =
            Evaluate(design.a, 7, f, design.ts) / Evaluate(design.b, 7, f, design.ts);
        const C direct = Evaluate(r.numerator.data(), r.numerator.size(), f, design.ts) /
                         Evaluate(r.denominator.data(), r.denominator.size(), f, design.ts);
        EXPECT_LT(std::abs(direct - expected), 1e-12 * std::abs(expected));
        EXPECT_LT(std::abs(SosResponse(r.sos, f, design.ts) - expected), 1e-9 * std::abs(expected));
    }
    // Which is which is said, in words, in every file; lines end with CR LF.
    EXPECT_NE(text.find("numerator (this program's a"), std::string::npos);
    EXPECT_NE(text.find("denominator (this program's b"), std::string::npos);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        ASSERT_EQ(text[at - 1], '\r');
    }
}

INSTANTIATE_TEST_SUITE_P(
    FormatsAndOrders, CoefficientFiles,
    ::testing::Combine(::testing::Values(ExportFormat::CHeader, ExportFormat::OctaveScript,
                                         ExportFormat::PythonScript, ExportFormat::Csv),
                       ::testing::Values(2, 6)));

TEST(CoefficientExport, HeaderIntegersAreTheRoundedSections) {
    DesignerSetup s;
    s.Design(3, 4, "1000", "0.7", "1");
    const std::string text = ExportText(ExportFormat::CHeader, ExportedCoefficients(s.design));
    const ReadBack exact = Read(ExportFormat::CHeader, text);
    for (const char *word : {"q15", "q31"}) {
        SCOPED_TRACE(word);
        const std::string w = word;
        std::vector<double> rows[2];
        for (int part = 0; part < 2; ++part) {
            const std::string name =
                std::string("filter_sos_") + (part ? "denominator_" : "numerator_") + w;
            const std::vector<double> integers =
                NumbersBetween(text, name + "[FILTER_SECTIONS][3] = {", "};");
            const std::vector<double> bits =
                NumbersBetween(text, name + "_frac_bits[FILTER_SECTIONS] = {", "}");
            ASSERT_EQ(integers.size(), 3 * bits.size());
            for (std::size_t i = 0; i < integers.size(); ++i) {
                const double value = std::ldexp(integers[i], -static_cast<int>(bits[i / 3]));
                const double original =
                    exact.sos[(i / 3) * 6 + static_cast<std::size_t>(part) * 3 + i % 3];
                EXPECT_LE(std::fabs(value - original),
                          std::ldexp(0.5, -static_cast<int>(bits[i / 3])));
                EXPECT_LE(std::fabs(integers[i]), w == "q15" ? 32767.0 : 2147483647.0);
                rows[part].push_back(value);
            }
        }
        if (w == "q31") {
            const C expected = SosResponse(exact.sos, 1000, s.design.ts);
            EXPECT_LT(
                std::abs(SosResponse(Interleaved(rows[0], rows[1]), 1000, s.design.ts) - expected),
                1e-6 * std::abs(expected));
        }
    }
    EXPECT_NE(text.find("#include <stdint.h>"), std::string::npos);
}

TEST(CoefficientExport, ScriptsCallFreqzInTheirOwnConvention) {
    DesignerSetup s;
    const CoefficientSet set = ExportedCoefficients(s.design);
    EXPECT_NE(ExportText(ExportFormat::OctaveScript, set).find("freqz(b, a, 1024, fs)"),
              std::string::npos);
    EXPECT_NE(
        ExportText(ExportFormat::PythonScript, set).find("signal.freqz(b, a, worN=1024, fs=fs)"),
        std::string::npos);
    EXPECT_STREQ(ExportSuffix(ExportFormat::PythonScript), ".py");
    // A set the designed filter could not run is not written.
    s.design.b[0] = 0.0;
    EXPECT_THROW(ExportedCoefficients(s.design), FloatingPointError);
    s.design.b[0] = 1.0;
    s.design.a[3] = std::nan("");
    EXPECT_THROW(ExportedCoefficients(s.design), FloatingPointError);
}

} // namespace
