#pragma once

#include <QWidget>

// The transfer function of a coefficient set of the given order, drawn as a fraction:
// Y(Z)/X(Z) = (a0 + a1·Z⁻¹ + …)/(b0 + b1·Z⁻¹ + …), the polynomials wrapped to the width.
class FormulaPicture : public QWidget {
    Q_OBJECT
public:
    FormulaPicture(int order, QWidget *parent = nullptr);

    int Order() const { return order; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int order;
};
