#include "core/common/Polynomial.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace kaldorium {

namespace {

constexpr double Epsilon = std::numeric_limits<double>::epsilon();

// A square matrix stored by rows.
class Matrix {
public:
    explicit Matrix(int size) : n(size), v(static_cast<std::size_t>(size * size), 0.0) {}
    double &operator()(int row, int column) {
        return v[static_cast<std::size_t>(row * n + column)];
    }
    int Size() const { return n; }

private:
    int n;
    std::vector<double> v;
};

double SignOf(double magnitude, double sign) {
    return sign >= 0.0 ? std::fabs(magnitude) : -std::fabs(magnitude);
}

// Scales rows and columns by powers of two so that each row and its column have about the same
// size; the eigenvalues stay, their rounding shrinks (a companion matrix is badly balanced).
void Balance(Matrix &a) {
    const int n = a.Size();
    bool done = false;
    for (int sweep = 0; !done && sweep < 100; ++sweep) {
        done = true;
        for (int i = 0; i < n; ++i) {
            double c = 0.0;
            double r = 0.0;
            for (int j = 0; j < n; ++j) {
                if (j != i) {
                    c += std::fabs(a(j, i));
                    r += std::fabs(a(i, j));
                }
            }
            if (c == 0.0 || r == 0.0) {
                continue;
            }
            const double s = c + r;
            double f = 1.0;
            for (double g = r / 2.0; c < g; c *= 4.0) {
                f *= 2.0;
            }
            for (double g = r * 2.0; c > g; c /= 4.0) {
                f /= 2.0;
            }
            if ((c + r) / f < 0.95 * s) {
                done = false;
                for (int j = 0; j < n; ++j) {
                    a(i, j) /= f;
                    a(j, i) *= f;
                }
            }
        }
    }
}

// One double-shift (Francis) QR sweep over rows l … nn of the Hessenberg matrix, starting at row
// m, with the shift given by x, y, w (the trailing 2×2 block: trace x + y, determinant x·y − w).
void FrancisStep(Matrix &h, int l, int m, int nn, double x, double y, double w) {
    // The first column of (H − σ1)(H − σ2), scaled.
    double p = 0.0;
    double q = 0.0;
    double r = 0.0;
    {
        const double z = h(m, m);
        const double rr = x - z;
        const double ss = y - z;
        p = (rr * ss - w) / h(m + 1, m) + h(m, m + 1);
        q = h(m + 1, m + 1) - z - rr - ss;
        r = h(m + 2, m + 1);
        const double s = std::fabs(p) + std::fabs(q) + std::fabs(r);
        p /= s;
        q /= s;
        r /= s;
    }
    for (int i = m + 2; i <= nn; ++i) {
        h(i, i - 2) = 0.0;
        if (i != m + 2) {
            h(i, i - 3) = 0.0;
        }
    }
    // Householder reflections chase the bulge down the subdiagonal.
    for (int k = m; k <= nn - 1; ++k) {
        double scale = 1.0;
        if (k != m) {
            p = h(k, k - 1);
            q = h(k + 1, k - 1);
            r = k != nn - 1 ? h(k + 2, k - 1) : 0.0;
            scale = std::fabs(p) + std::fabs(q) + std::fabs(r);
            if (scale == 0.0) {
                continue;
            }
            p /= scale;
            q /= scale;
            r /= scale;
        }
        const double s = SignOf(std::sqrt(p * p + q * q + r * r), p);
        if (s == 0.0) {
            continue;
        }
        if (k == m) {
            if (l != m) {
                h(k, k - 1) = -h(k, k - 1);
            }
        } else {
            h(k, k - 1) = -s * scale;
        }
        p += s;
        const double vx = p / s;
        const double vy = q / s;
        const double vz = r / s;
        q /= p;
        r /= p;
        for (int j = k; j <= nn; ++j) {
            double t = h(k, j) + q * h(k + 1, j);
            if (k != nn - 1) {
                t += r * h(k + 2, j);
                h(k + 2, j) -= t * vz;
            }
            h(k + 1, j) -= t * vy;
            h(k, j) -= t * vx;
        }
        const int last = std::min(nn, k + 3);
        for (int i = l; i <= last; ++i) {
            double t = vx * h(i, k) + vy * h(i, k + 1);
            if (k != nn - 1) {
                t += vz * h(i, k + 2);
                h(i, k + 2) -= t * r;
            }
            h(i, k + 1) -= t * q;
            h(i, k) -= t;
        }
    }
}

// The row m ≥ l at which a double-shift sweep may start: two consecutive small subdiagonal
// entries make the rows above it irrelevant.
int SweepStart(Matrix &h, int l, int nn, double x, double y, double w) {
    int m = nn - 2;
    for (; m > l; --m) {
        const double z = h(m, m);
        const double rr = x - z;
        const double ss = y - z;
        double p = (rr * ss - w) / h(m + 1, m) + h(m, m + 1);
        double q = h(m + 1, m + 1) - z - rr - ss;
        double r = h(m + 2, m + 1);
        const double s = std::fabs(p) + std::fabs(q) + std::fabs(r);
        p /= s;
        q /= s;
        r /= s;
        const double u = std::fabs(h(m, m - 1)) * (std::fabs(q) + std::fabs(r));
        const double v =
            std::fabs(p) * (std::fabs(h(m - 1, m - 1)) + std::fabs(z) + std::fabs(h(m + 1, m + 1)));
        if (u <= Epsilon * v) {
            break;
        }
    }
    return m;
}

// The eigenvalues of an upper Hessenberg matrix (destroyed): deflation at negligible subdiagonal
// entries, Francis double shifts, an exceptional shift after every 10 fruitless sweeps. Returns
// false when an eigenvalue does not converge within the sweep limit.
bool HessenbergEigenvalues(Matrix &h, std::vector<Complex> &eigenvalues) {
    const int n = h.Size();
    double norm = 0.0;
    for (int i = 0; i < n; ++i) {
        for (int j = std::max(i - 1, 0); j < n; ++j) {
            norm += std::fabs(h(i, j));
        }
    }
    int nn = n - 1;
    double shift = 0.0; // the exceptional shifts taken so far
    int sweeps = 0;
    while (nn >= 0) {
        int l = nn;
        for (; l >= 1; --l) {
            double s = std::fabs(h(l - 1, l - 1)) + std::fabs(h(l, l));
            if (s == 0.0) {
                s = norm;
            }
            if (std::fabs(h(l, l - 1)) <= Epsilon * s) {
                h(l, l - 1) = 0.0;
                break;
            }
        }
        double x = h(nn, nn);
        if (l == nn) {
            eigenvalues.emplace_back(x + shift, 0.0);
            --nn;
            sweeps = 0;
            continue;
        }
        double y = h(nn - 1, nn - 1);
        double w = h(nn, nn - 1) * h(nn - 1, nn);
        if (l == nn - 1) {
            // The 2×2 block's eigenvalues: λ = x + p ± √(p² + w), p = (y − x)/2.
            const double p = 0.5 * (y - x);
            const double q = p * p + w;
            const double z = std::sqrt(std::fabs(q));
            x += shift;
            if (q >= 0.0) {
                const double zz = p + SignOf(z, p);
                eigenvalues.emplace_back(x + zz, 0.0);
                eigenvalues.emplace_back(zz != 0.0 ? x - w / zz : x + zz, 0.0);
            } else {
                eigenvalues.emplace_back(x + p, z);
                eigenvalues.emplace_back(x + p, -z);
            }
            nn -= 2;
            sweeps = 0;
            continue;
        }
        if (sweeps == 200) {
            return false;
        }
        if (sweeps % 10 == 9) {
            shift += x;
            for (int i = 0; i <= nn; ++i) {
                h(i, i) -= x;
            }
            const double s = std::fabs(h(nn, nn - 1)) + std::fabs(h(nn - 1, nn - 2));
            x = y = 0.75 * s;
            w = -0.4375 * s * s;
        }
        ++sweeps;
        const int m = SweepStart(h, l, nn, x, y, w);
        FrancisStep(h, l, m, nn, x, y, w);
    }
    return true;
}

// Newton's method on p from r, a step taken only while it lowers |p|.
Complex Polish(const Polynomial &p, Complex r) {
    Complex value;
    Complex derivative;
    p.EvaluateWithDerivative(r, value, derivative);
    for (int i = 0; i < 8 && value != 0.0 && derivative != 0.0; ++i) {
        const Complex next = r - value / derivative;
        Complex nextValue;
        Complex nextDerivative;
        p.EvaluateWithDerivative(next, nextValue, nextDerivative);
        if (!(std::abs(nextValue) < std::abs(value))) {
            break;
        }
        r = next;
        value = nextValue;
        derivative = nextDerivative;
    }
    return r;
}

// a·x² + b·x + c with a, c ≠ 0, without the cancellation of the school formula.
void QuadraticRoots(double a, double b, double c, std::vector<Complex> &roots) {
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant >= 0.0) {
        const double q = -0.5 * (b + SignOf(std::sqrt(discriminant), b));
        roots.emplace_back(q / a, 0.0);
        roots.emplace_back(c / q, 0.0);
    } else {
        const double re = -b / (2.0 * a);
        const double im = std::sqrt(-discriminant) / (2.0 * std::fabs(a));
        roots.emplace_back(re, im);
        roots.emplace_back(re, -im);
    }
}

// The roots of q (degree ≥ 3, q(0) ≠ 0): eigenvalues of its companion matrix, then polished,
// conjugate pairs kept exact. A polished root is kept only when it moved by a small fraction of
// the distance to its nearest neighbour: members of a cluster (a split multiple root) would be
// pulled unevenly towards its centre, and their mean is what GroupRoots relies on.
void CompanionRoots(const Polynomial &q, std::vector<Complex> &roots) {
    const int m = q.Degree();
    Matrix companion(m);
    for (int j = 0; j < m; ++j) {
        companion(0, j) = -q[m - 1 - j] / q[m];
    }
    for (int i = 1; i < m; ++i) {
        companion(i, i - 1) = 1.0;
    }
    Balance(companion);
    std::vector<Complex> found;
    if (!HessenbergEigenvalues(companion, found)) {
        found.assign(static_cast<std::size_t>(m), Complex(std::nan(""), std::nan("")));
    }
    for (std::size_t i = 0; i < found.size(); ++i) {
        const Complex r = found[i];
        if (r.imag() < 0.0) {
            continue; // its partner, polished below
        }
        double nearest = std::numeric_limits<double>::infinity();
        for (std::size_t j = 0; j < found.size(); ++j) {
            if (j != i) {
                nearest = std::min(nearest, std::abs(found[j] - r));
            }
        }
        Complex polished = Polish(q, r);
        if (!(std::abs(polished - r) <= 1e-3 * nearest)) {
            polished = r;
        }
        roots.push_back(polished);
        if (r.imag() > 0.0) {
            roots.push_back(std::conj(polished));
        }
    }
}

} // namespace

Polynomial::Polynomial(const double *ascending, int count)
    : c(ascending, ascending + std::max(count, 0)) {}

Polynomial Polynomial::FromRoots(const std::vector<Complex> &roots, double leading) {
    std::vector<Complex> product{Complex(leading, 0.0)};
    for (const Complex &r : roots) {
        // (x − r)·Σ pk·x^k
        product.push_back(0.0);
        for (std::size_t k = product.size() - 1; k > 0; --k) {
            product[k] = product[k - 1] - r * product[k];
        }
        product[0] = -r * product[0];
    }
    std::vector<double> real(product.size());
    for (std::size_t k = 0; k < product.size(); ++k) {
        real[k] = product[k].real();
    }
    return Polynomial(std::move(real));
}

int Polynomial::Degree() const {
    for (int i = Size() - 1; i >= 0; --i) {
        if (c[static_cast<std::size_t>(i)] != 0.0) {
            return i;
        }
    }
    return -1;
}

int Polynomial::LowestPower() const {
    for (int i = 0; i < Size(); ++i) {
        if (c[static_cast<std::size_t>(i)] != 0.0) {
            return i;
        }
    }
    return -1;
}

double Polynomial::operator[](int i) const {
    return i >= 0 && i < Size() ? c[static_cast<std::size_t>(i)] : 0.0;
}

Complex Polynomial::Evaluate(Complex x) const {
    Complex value = 0.0;
    for (int i = Size() - 1; i >= 0; --i) {
        value = value * x + c[static_cast<std::size_t>(i)];
    }
    return value;
}

void Polynomial::EvaluateWithDerivative(Complex x, Complex &value, Complex &derivative) const {
    value = 0.0;
    derivative = 0.0;
    for (int i = Size() - 1; i >= 0; --i) {
        derivative = derivative * x + value;
        value = value * x + c[static_cast<std::size_t>(i)];
    }
}

double Polynomial::TermMagnitude(Complex x) const {
    const double r = std::abs(x);
    double sum = 0.0;
    for (int i = Size() - 1; i >= 0; --i) {
        sum = sum * r + std::fabs(c[static_cast<std::size_t>(i)]);
    }
    return sum;
}

Polynomial Polynomial::Reversed() const {
    const int n = Degree();
    std::vector<double> r(static_cast<std::size_t>(std::max(n + 1, 0)));
    for (int i = 0; i <= n; ++i) {
        r[static_cast<std::size_t>(i)] = c[static_cast<std::size_t>(n - i)];
    }
    return Polynomial(std::move(r));
}

Polynomial Polynomial::WithoutLowPowers() const {
    const int low = LowestPower();
    if (low <= 0) {
        return *this;
    }
    return Polynomial(std::vector<double>(c.begin() + low, c.end()));
}

Polynomial operator+(const Polynomial &p, const Polynomial &q) {
    std::vector<double> sum(static_cast<std::size_t>(std::max(p.Size(), q.Size())));
    for (int i = 0; i < static_cast<int>(sum.size()); ++i) {
        sum[static_cast<std::size_t>(i)] = p[i] + q[i];
    }
    return Polynomial(std::move(sum));
}

Polynomial operator*(const Polynomial &p, const Polynomial &q) {
    if (p.Size() == 0 || q.Size() == 0) {
        return Polynomial();
    }
    std::vector<double> product(static_cast<std::size_t>(p.Size() + q.Size() - 1), 0.0);
    for (int i = 0; i < p.Size(); ++i) {
        for (int j = 0; j < q.Size(); ++j) {
            product[static_cast<std::size_t>(i + j)] += p[i] * q[j];
        }
    }
    return Polynomial(std::move(product));
}

Polynomial operator*(double s, const Polynomial &p) {
    std::vector<double> scaled = p.c;
    for (double &v : scaled) {
        v *= s;
    }
    return Polynomial(std::move(scaled));
}

bool operator==(const Polynomial &p, const Polynomial &q) {
    const int n = std::max(p.Size(), q.Size());
    for (int i = 0; i < n; ++i) {
        if (p[i] != q[i]) {
            return false;
        }
    }
    return true;
}

std::vector<Complex> Roots(const Polynomial &p) {
    const int n = p.Degree();
    std::vector<Complex> roots;
    if (n <= 0) {
        return roots;
    }
    for (double v : p.Coefficients()) {
        if (!std::isfinite(v)) {
            return std::vector<Complex>(static_cast<std::size_t>(n),
                                        Complex(std::nan(""), std::nan("")));
        }
    }
    const int low = p.LowestPower();
    roots.assign(static_cast<std::size_t>(low), Complex(0.0, 0.0));
    const Polynomial q = p.WithoutLowPowers();
    const int m = n - low;
    if (m == 1) {
        roots.emplace_back(-q[0] / q[1], 0.0);
    } else if (m == 2) {
        QuadraticRoots(q[2], q[1], q[0], roots);
    } else if (m >= 3) {
        CompanionRoots(q, roots);
    }
    // Ascending real part, a pair's members together with the positive imaginary part first.
    std::stable_sort(roots.begin(), roots.end(), [](const Complex &x, const Complex &y) {
        if (x.real() != y.real()) {
            return x.real() < y.real();
        }
        if (std::fabs(x.imag()) != std::fabs(y.imag())) {
            return std::fabs(x.imag()) < std::fabs(y.imag());
        }
        return x.imag() > y.imag();
    });
    return roots;
}

namespace {

// The Taylor coefficients t0 … t_count−1 of p at x (tj = p⁽ʲ⁾(x)/j!), by repeated division by
// (t − x); `magnitude` the same of |p| at |x|, the size of the terms each tj sums.
void TaylorCoefficients(const Polynomial &p, Complex x, int count, std::vector<Complex> &t,
                        std::vector<double> &magnitude) {
    std::vector<Complex> d(p.Coefficients().begin(), p.Coefficients().end());
    std::vector<double> e(p.Coefficients().size());
    for (std::size_t i = 0; i < e.size(); ++i) {
        e[i] = std::fabs(d[i].real());
    }
    const double ax = std::abs(x);
    t.clear();
    magnitude.clear();
    for (int j = 0; j < count; ++j) {
        // Horner from the top; d[i] becomes the quotient's coefficient of x^(i−1−j)…
        Complex acc = 0.0;
        double accAbs = 0.0;
        for (int i = static_cast<int>(d.size()) - 1; i >= j; --i) {
            const auto k = static_cast<std::size_t>(i);
            acc = acc * x + d[k];
            accAbs = accAbs * ax + e[k];
            d[k] = acc;
            e[k] = accAbs;
        }
        t.push_back(acc);
        magnitude.push_back(accAbs);
    }
}

// Whether p is (t − c)^m·q(t) to within `tolerance` of the size of its terms.
bool IsMultipleRoot(const Polynomial &p, Complex c, int m, double tolerance) {
    std::vector<Complex> t;
    std::vector<double> magnitude;
    TaylorCoefficients(p, c, m, t, magnitude);
    for (int j = 0; j < m; ++j) {
        const auto k = static_cast<std::size_t>(j);
        if (!(std::abs(t[k]) <= tolerance * magnitude[k])) {
            return false;
        }
    }
    return true;
}

// Splits `members` into groups of roots closer than radius·max(1, |r|) (single linkage); a group
// that is not a multiple root is split again at a tenth of the radius.
void Gather(const Polynomial &p, const std::vector<Complex> &members, double radius,
            double tolerance, std::vector<RootGroup> &groups) {
    std::vector<int> component(members.size(), -1);
    int count = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (component[i] >= 0) {
            continue;
        }
        component[i] = count;
        std::vector<std::size_t> stack{i};
        while (!stack.empty()) {
            const std::size_t a = stack.back();
            stack.pop_back();
            for (std::size_t b = 0; b < members.size(); ++b) {
                const double reach = radius * std::max(1.0, std::abs(members[a]));
                if (component[b] < 0 && std::abs(members[b] - members[a]) <= reach) {
                    component[b] = count;
                    stack.push_back(b);
                }
            }
        }
        ++count;
    }
    for (int g = 0; g < count; ++g) {
        std::vector<Complex> group;
        Complex sum = 0.0;
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (component[i] == g) {
                group.push_back(members[i]);
                sum += members[i];
            }
        }
        const int m = static_cast<int>(group.size());
        Complex mean = sum / static_cast<double>(m);
        // A group symmetric about the real axis has a real mean; drop the rounding.
        bool symmetric = true;
        for (const Complex &r : group) {
            symmetric = symmetric && std::any_of(group.begin(), group.end(), [&](const Complex &s) {
                            return s == std::conj(r);
                        });
        }
        if (symmetric) {
            mean = Complex(mean.real(), 0.0);
        }
        if (m == 1 || IsMultipleRoot(p, mean, m, tolerance)) {
            groups.push_back({m == 1 ? group[0] : mean, m});
        } else if (radius > 1e-9) {
            Gather(p, group, radius * 0.1, tolerance, groups);
        } else {
            for (const Complex &r : group) {
                groups.push_back({r, 1});
            }
        }
    }
}

} // namespace

std::vector<RootGroup> GroupRoots(const Polynomial &p, const std::vector<Complex> &roots,
                                  double tolerance) {
    std::vector<RootGroup> groups;
    Gather(p, roots, 1e-2, tolerance, groups);
    return groups;
}

} // namespace kaldorium
