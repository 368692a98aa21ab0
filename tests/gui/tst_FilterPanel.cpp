#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/GuiTestSupport.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/FilterNetwork.h"
#include "gui/audio/Wavmain.h"
#include "gui/tools/Fileedit.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/workbench/Dspmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

#include <memory>

// The filter panel both workbenches share: the same controls, starting states and rules in the
// main window and in the WAV workbench.
class TestFilterPanel : public QObject {
    Q_OBJECT

private:
    FakeUiServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designed;
    std::unique_ptr<TFileEditForm> editor;
    std::unique_ptr<TDSPMainForm> main;
    std::unique_ptr<TWAVMainForm> wav;

    QList<QWidget *> windows() { return {main.get(), wav.get()}; }
    static void type(QWidget *window, const char *name, const QString &text) {
        auto *field = control<QLineEdit>(window, name);
        field->setFocus();
        field->selectAll();
        field->del();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    template <typename Settings> static void checkConditioning(const Settings &s, bool noiseOn) {
        QCOMPARE(s.addNoise, noiseOn);
        QVERIFY(s.normalNoise);
        QVERIFY(s.halfRectify);
        QCOMPARE(s.snRatio, 100.0);
    }

private slots:
    void init() {
        services = FakeUiServices();
        editor = std::make_unique<TFileEditForm>(services);
        main = std::make_unique<TDSPMainForm>(services, noise, network);
        wav = std::make_unique<TWAVMainForm>(services, player, noise, network, designed, *editor);
        for (QWidget *w : windows()) {
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w));
        }
    }
    void cleanup() {
        wav.reset();
        main.reset();
        editor.reset();
    }

    // Normal noise and half-wave rectification are checked from the start in both windows (the
    // main window used to start with neither noise checked and added Gaussian noise).
    void bothStartWithTheSameConditioning() {
        checkConditioning(main->Settings(), false);
        checkConditioning(wav->Settings(), false);
        for (QWidget *w : windows()) {
            QVERIFY(control<QAbstractButton>(w, "NormalNoise")->isChecked());
            QVERIFY(control<QAbstractButton>(w, "HalfRectify")->isChecked());
            QVERIFY(!control(w, "NoiseGroup")->isVisible());
            QTest::mouseClick(control<QAbstractButton>(w, "AddNoise"), Qt::LeftButton);
            QVERIFY(control(w, "NoiseGroup")->isVisible());
            QVERIFY(control(w, "sSN_Ratio")->isVisible());
            // A ratio that is not positive is refused: the one in use comes back.
            type(w, "sSN_Ratio", QStringLiteral("0"));
            QCOMPARE(control<QLineEdit>(w, "sSN_Ratio")->text(), QStringLiteral("100"));
        }
        checkConditioning(main->Settings(), true);
        checkConditioning(wav->Settings(), true);
    }

    // The filter kinds without parameters hide them; the frequency stops at half the sampling
    // rate in both windows.
    void bothApplyTheSameFilterRules() {
        for (QWidget *w : windows()) {
            QTest::mouseClick(control<QAbstractButton>(w, "Integrate"), Qt::LeftButton);
            QVERIFY(!control(w, "sfFrequency")->isVisible());
            QTest::mouseClick(control<QAbstractButton>(w, "LowPass2"), Qt::LeftButton);
            QVERIFY(control(w, "sfFrequency")->isVisible());
            type(w, "sfFrequency", QStringLiteral("99999999"));
        }
        QCOMPARE(main->Settings().filterKind, int{kaldorium::fkLowPass4th});
        QCOMPARE(main->Settings().filterName, std::string("Low Pass 4th Order"));
        QCOMPARE(main->Settings().filterFrequency, 0.5 / main->Settings().samplingPeriod);
        QCOMPARE(wav->Settings().filterKind, int{kaldorium::fkLowPass4th});
        QCOMPARE(wav->Settings().filterFrequency, 0.5 / wav->Settings().samplingPeriod);
    }
};

QTEST_MAIN(TestFilterPanel)
#include "tst_FilterPanel.moc"
