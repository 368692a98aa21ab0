#pragma once

#include "core/tools/FilterNetwork.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class NetworkPicture;
class NumberEdit;
class UiServices;

// The filter network window: the fourteen stages of the program's filter network, drawn as the
// network they form. Changes act on the network when the window closes.
class TFilterNetworkForm : public QDialog {
    Q_OBJECT
public:
    TFilterNetworkForm(UiServices &services, kaldorium::FilterNetwork &network,
                       QWidget *parent = nullptr);
    ~TFilterNetworkForm() override;

    kaldorium::FilterNetwork &Network() { return network; }

    // Every closing (Set Design, the window's close button, Esc) comes here: a changed design is
    // applied first, and a text that is not a number keeps the window open.
    void reject() override;

private:
    struct StageControls {
        QGroupBox *group = nullptr;
        NumberEdit *F = nullptr;
        NumberEdit *Q = nullptr;
        NumberEdit *A0 = nullptr;
        QCheckBox *Use = nullptr;
        QComboBox *Type = nullptr;
    };

    void CreateControls();
    void ConnectHandlers();
    void InputFilter_FChange();
    void InputFilter_UseClick();
    void FormClose();
    void SetDesignClick();

    UiServices &services;
    kaldorium::FilterNetwork &network;

    NetworkPicture *picture;
    std::array<StageControls, kaldorium::FilterNetwork::StageCount> stages;
    QPushButton *SetDesign;
};
