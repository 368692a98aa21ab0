#pragma once

#include <complex>
#include <initializer_list>
#include <vector>

namespace kaldorium {

using Complex = std::complex<double>;

// A real polynomial p(x) = c0 + c1·x + … + cn·xⁿ, stored in ascending powers. The filters keep
// their coefficients the same way with x = z⁻¹. Coefficients above the degree may be zero; they
// are kept, so that a polynomial remembers the length it was given.
class Polynomial {
public:
    Polynomial() = default;
    Polynomial(std::initializer_list<double> ascending) : c(ascending) {}
    explicit Polynomial(std::vector<double> ascending) : c(std::move(ascending)) {}
    // The first `count` values of `ascending`.
    Polynomial(const double *ascending, int count);

    // c·(x − r1)·(x − r2)…; the roots should come in conjugate pairs: the imaginary parts
    // left by rounding are dropped.
    static Polynomial FromRoots(const std::vector<Complex> &roots, double leading = 1.0);

    // The highest power with a non-zero coefficient; −1 for the zero polynomial.
    int Degree() const;
    // The lowest power with a non-zero coefficient; −1 for the zero polynomial.
    int LowestPower() const;
    bool IsZero() const { return Degree() < 0; }
    int Size() const { return static_cast<int>(c.size()); }
    // ci, 0 beyond the stored coefficients.
    double operator[](int i) const;
    const std::vector<double> &Coefficients() const { return c; }

    Complex Evaluate(Complex x) const;
    // p(x) and p′(x) together (Horner).
    void EvaluateWithDerivative(Complex x, Complex &value, Complex &derivative) const;
    // Σ |ci|·|x|ⁱ: the size of the terms whose sum is p(x), against which a residual is judged.
    double TermMagnitude(Complex x) const;

    // xⁿ·p(1/x) for n = Degree(): the coefficients in reverse order, zeros above the degree
    // dropped. With x = z⁻¹ this turns a filter polynomial into one in z.
    Polynomial Reversed() const;
    // p(x)/x^k for k = LowestPower(): the factor x^k removed.
    Polynomial WithoutLowPowers() const;

    friend Polynomial operator+(const Polynomial &p, const Polynomial &q);
    friend Polynomial operator*(const Polynomial &p, const Polynomial &q);
    friend Polynomial operator*(double s, const Polynomial &p);
    friend bool operator==(const Polynomial &p, const Polynomial &q);

private:
    std::vector<double> c;
};

// The Degree() roots of p, each as often as it occurs, complex ones in conjugate pairs (the
// member with the positive imaginary part first). Roots that are exactly zero (vanishing low
// coefficients) are exact; degrees 1 and 2 are solved in closed form, higher ones as the
// eigenvalues of the balanced companion matrix (shifted QR), each then polished by Newton's
// method on p itself. A simple root comes out to a few units of rounding of its condition; an
// m-fold root only to about the m-th root of the rounding (see GroupRoots). The zero polynomial
// and degree 0 have no roots.
std::vector<Complex> Roots(const Polynomial &p);

// A root with how often it occurs.
struct RootGroup {
    Complex value;
    int multiplicity = 1;
};

// The roots of p with repeated ones gathered. Roots that lie close together (within 1e-2·max(1,
// |r|), then ever closer) form a candidate group of m; it counts as one m-fold root when, at the
// mean of its members, p and its first m − 1 derivatives (as Taylor coefficients) vanish to within
// `tolerance` of the size of their terms: p is then (x − c)^m·q(x) to about that relative
// precision, which distinct roots further apart than about √tolerance never are. A group is placed
// at its mean, far more accurate than any member: the errors of a split multiple root cancel.
std::vector<RootGroup> GroupRoots(const Polynomial &p, const std::vector<Complex> &roots,
                                  double tolerance = 1e-12);

} // namespace kaldorium
