#pragma once

#include "core/tools/AnalogueCircuits.h"
#include "gui/widgets/Schematic.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;
class NumberEdit;
class TGraphForm;
class UiServices;

// The analogue active-filter calculator: op-amp filter circuits from components to transfer
// function and back, scaled by a factor and shown on the Bode plot. Fields show kΩ, nF, krad/s
// and kHz; the circuit formulas work in SI units.
class TAnalogueFiltersForm : public QDialog {
    Q_OBJECT
public:
    TAnalogueFiltersForm(UiServices &services, TGraphForm &graph, QWidget *parent = nullptr);
    ~TAnalogueFiltersForm() override;

    // The low passes' components as the fields show them now, in SI units. Throws the
    // conversion error of a field that holds no number.
    kaldorium::InvertingLowPass InvertingLowPassComponents() const;
    kaldorium::NonInvertingLowPass NonInvertingLowPassComponents() const;

protected:
    // Key releases in the linked fields set the linked-field flag.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Layout (Analoguefiltersmain.cpp)
    struct EditSpec {
        NumberEdit **edit;
        const char *name;
        QString caption;
    };
    struct TabLayout {
        QWidget **tab;
        const char *tabName;
        QString caption;
        QString heading;
        QSizeF schematicSize;
        SchematicView::Drawing schematic;
        SchematicView::Drawing formula;
        std::vector<EditSpec> components;
        std::vector<EditSpec> parameters;
        // Transfer, Components, Multiply, Divide, Bode Plot; Multiply and Divide may be absent.
        std::vector<std::pair<QPushButton **, const char *>> buttons;
        NumberEdit **factor;
        const char *factorName;
    };
    void CreateControls();
    void CreateLowAndHighPassTabs();
    void CreateBandTabs();
    void CreateNonInvertingTabs();
    void CreateRcTabs();
    void CreateTab(const TabLayout &page);
    static QGroupBox *EditGroup(QWidget *tab, const QString &title,
                                const std::vector<EditSpec> &edits);
    void CreateScaleFactor(QGridLayout *grid, QWidget *tab, const TabLayout &page);
    void ConnectHandlers();
    void FormCreate();

    // Drawings (AnaloguefiltersmainSchematics.cpp)
    static void DrawMultipleFeedback(SchematicPainter &p, const char *kinds, const QString *labels);
    static void DrawSallenKey(SchematicPainter &p, bool highPass);
    static void DrawNonInvertingBandPass(SchematicPainter &p);
    static void DrawBandReject(SchematicPainter &p);
    static void DrawRc(SchematicPainter &p, bool differentiator);
    static SchematicView::Drawing Formula(QString numerator, QString denominator,
                                          QString secondNumerator, QString secondDenominator,
                                          QStringList legend);

    // Handlers (AnaloguefiltersmainHandlers.cpp)
    void LTransferClick();
    void HTransferClick();
    void BTransferClick();
    void RTransferClick();
    void NLTransferClick();
    void NHTransferClick();
    void NBTransferClick();
    void DiffTransferClick();
    void IntTransferClick();
    void LComponentsClick();
    void HComponentsClick();
    void BComponentsClick();
    void RComponentsClick();
    void NLComponentsClick();
    void NHComponentsClick();
    void NBComponentsClick();
    void DiffComponentsClick();
    void IntComponentsClick();
    void LMultiplyClick();
    void HMultiplyClick();
    void BMultiplyClick();
    void RMultiplyClick();
    void NLMultiplyClick();
    void NHMultiplyClick();
    void NBMultiplyClick();
    void LDivideClick();
    void HDivideClick();
    void BDivideClick();
    void RDivideClick();
    void NLDivideClick();
    void NHDivideClick();
    void NBDivideClick();
    void LW0Change();
    void LF0Change();
    void HW0Change();
    void HF0Change();
    void BW0Change();
    void BF0Change();
    void RW0Change();
    void RF0Change();
    void NLW0Change();
    void NLF0Change();
    void NHW0Change();
    void NHF0Change();
    void NBW0Change();
    void NBF0Change();
    void DiffW0Change();
    void DiffF0Change();
    void IntW0Change();
    void IntF0Change();
    void BBChange();
    void BQChange();
    void BZChange();
    void RBChange();
    void RQChange();
    void RZChange();
    void NBBChange();
    void NBQChange();
    void NBZChange();
    void NBA0Change();
    void RW0KeyUp();
    void LPFGraphClick();

    // The shared rules behind the handlers.
    void W0Change(NumberEdit *w0, NumberEdit *f0);
    void F0Change(NumberEdit *f0, NumberEdit *w0);
    enum class BandField { Bandwidth, Quality, Damping };
    void BandChange(BandField changed, NumberEdit *w0, NumberEdit *b, NumberEdit *q, NumberEdit *z);
    void Scale(NumberEdit *factor, std::initializer_list<NumberEdit *> resistors,
               std::initializer_list<NumberEdit *> capacitors, kaldorium::ScaleDirection direction);

    UiServices &services;
    TGraphForm &graph;
    kaldorium::LinkedFieldFlag linkedFlag;
    std::vector<NumberEdit *> linkedEdits;

    QTabWidget *PageControl1 = nullptr;
    QWidget *LowPass_Tab = nullptr, *HighPass_Tab = nullptr, *BandPass_Tab = nullptr,
            *BandReject_Tab = nullptr, *NLowPass_Tab = nullptr, *NHighPass_Tab = nullptr,
            *NBandPass_Tab = nullptr, *Differentiator = nullptr, *Integrator = nullptr;

    NumberEdit *LR1 = nullptr, *LC2 = nullptr, *LR3 = nullptr, *LR4 = nullptr, *LC5 = nullptr;
    NumberEdit *LW0 = nullptr, *LF0 = nullptr, *LZ = nullptr, *LA0 = nullptr, *LFactor = nullptr;
    QPushButton *LTransfer = nullptr, *LComponents = nullptr, *LMultiply = nullptr,
                *LDivide = nullptr, *LPFGraph = nullptr;

    NumberEdit *HC1 = nullptr, *HR2 = nullptr, *HC3 = nullptr, *HC4 = nullptr, *HR5 = nullptr;
    NumberEdit *HW0 = nullptr, *HF0 = nullptr, *HZ = nullptr, *HA0 = nullptr, *HFactor = nullptr;
    QPushButton *HTransfer = nullptr, *HComponents = nullptr, *HMultiply = nullptr,
                *HDivide = nullptr, *HPFGarph = nullptr;

    NumberEdit *BR1 = nullptr, *BR2 = nullptr, *BC3 = nullptr, *BC4 = nullptr, *BR5 = nullptr;
    NumberEdit *BW0 = nullptr, *BF0 = nullptr, *BB = nullptr, *BQ = nullptr, *BZ = nullptr,
               *BA0 = nullptr, *BFactor = nullptr;
    QPushButton *BTransfer = nullptr, *BComponents = nullptr, *BMultiply = nullptr,
                *BDivide = nullptr, *BPFGraph = nullptr;

    NumberEdit *RR1 = nullptr, *RR2 = nullptr, *RC1 = nullptr, *RC2 = nullptr, *RR3 = nullptr,
               *RR4 = nullptr;
    NumberEdit *RW0 = nullptr, *RF0 = nullptr, *RB = nullptr, *RQ = nullptr, *RZ = nullptr,
               *RA0 = nullptr, *RFactor = nullptr;
    QPushButton *RTransfer = nullptr, *RComponents = nullptr, *RMultiply = nullptr,
                *RDivide = nullptr, *BRFGraph = nullptr;

    NumberEdit *NLR1 = nullptr, *NLR2 = nullptr, *NLC3 = nullptr, *NLC4 = nullptr, *NLRIN = nullptr,
               *NLRF = nullptr;
    NumberEdit *NLW0 = nullptr, *NLF0 = nullptr, *NLZ = nullptr, *NLA0 = nullptr,
               *NLFactor = nullptr;
    QPushButton *NLTransfer = nullptr, *NLComponents = nullptr, *NLMultiply = nullptr,
                *NLDivide = nullptr, *NLPFGraph = nullptr;

    NumberEdit *NHC1 = nullptr, *NHC2 = nullptr, *NHR3 = nullptr, *NHR4 = nullptr, *NHRIN = nullptr,
               *NHRF = nullptr;
    NumberEdit *NHW0 = nullptr, *NHF0 = nullptr, *NHZ = nullptr, *NHA0 = nullptr,
               *NHFactor = nullptr;
    QPushButton *NHTransfer = nullptr, *NHComponents = nullptr, *NHMultiply = nullptr,
                *NHDivide = nullptr, *NHPFGraph = nullptr;

    NumberEdit *NBR1 = nullptr, *NBR2 = nullptr, *NBC1 = nullptr, *NBC2 = nullptr, *NBRIN = nullptr,
               *NBRF = nullptr;
    NumberEdit *NBW0 = nullptr, *NBF0 = nullptr, *NBB = nullptr, *NBQ = nullptr, *NBZ = nullptr,
               *NBA0 = nullptr, *NBFactor = nullptr;
    QPushButton *NBTransfer = nullptr, *NBComponents = nullptr, *NBMultiply = nullptr,
                *NBDivide = nullptr, *NBPFGraph = nullptr;

    NumberEdit *DiffR = nullptr, *DiffC = nullptr, *DiffW0 = nullptr, *DiffF0 = nullptr;
    QPushButton *DiffTransfer = nullptr, *DiffComponents = nullptr, *DiffGraph = nullptr;

    NumberEdit *IntR = nullptr, *IntC = nullptr, *IntW0 = nullptr, *IntF0 = nullptr;
    QPushButton *IntTransfer = nullptr, *IntComponents = nullptr, *IntGraph = nullptr;
};
