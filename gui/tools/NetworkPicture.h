#pragma once

#include <QRect>
#include <QWidget>
#include <array>

// The drawing behind the filter network window: the input box, four rows of three boxes joined
// by "x", the rows' outputs joined by three "+" circles, the output box, and the words Input and
// Output. The boxes are drawn around the places the window gives for its fourteen stage groups
// (indexed like the network's stages).
class NetworkPicture : public QWidget {
    Q_OBJECT
public:
    explicit NetworkPicture(QWidget *parent = nullptr);

    void SetStagePlaces(const std::array<QRect, 14> &places);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::array<QRect, 14> stagePlaces{};
};
