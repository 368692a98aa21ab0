#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "gui/app/ProgramWindows.h"
#include "gui/audio/Wavmain.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/tools/Analoguefiltersmain.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"
#include "gui/tools/Graph.h"
#include "gui/tools/Polezero.h"
#include "gui/tools/Samplinglab.h"
#include "gui/widgets/PlotImage.h"
#include "gui/widgets/ProjectorView.h"
#include "gui/workbench/Dspmain.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include <functional>
#include <memory>
#include <numbers>

// Every window at its starting size, on a screen scaled by QT_SCALE_FACTOR (the test runs at
// 1.5): each visible control lies inside the window and no two controls overlap.
class TestLayout : public QObject {
    Q_OBJECT

    static bool IsControl(QWidget *w) {
        return qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) ||
               qobject_cast<QLabel *>(w) || qobject_cast<QComboBox *>(w) ||
               qobject_cast<QAbstractSpinBox *>(w) || qobject_cast<PlotImage *>(w) ||
               qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QTextEdit *>(w);
    }

    // Controls inside another control (a spin box's editor, a plot's read-out) belong to it.
    static bool InsideControl(QWidget *w, QWidget *window) {
        for (QWidget *p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget()) {
            if (IsControl(p)) {
                return true;
            }
        }
        return false;
    }

    static void CheckWindow(QWidget *window) {
        QVERIFY(QTest::qWaitForWindowExposed(window) || window->isVisible());
        const QRect inside = window->rect();
        QList<QWidget *> controls;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (w->isVisible() && w->window() == window && IsControl(w) &&
                !InsideControl(w, window) && !w->geometry().isEmpty()) {
                controls << w;
            }
        }
        QVERIFY(!controls.isEmpty());
        qInfo("%s: %lld controls", qPrintable(window->objectName()),
              static_cast<long long>(controls.size()));
        auto where = [window](QWidget *w) {
            return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
        };
        for (QWidget *w : controls) {
            const QRect r = where(w);
            QVERIFY2(inside.contains(r), qPrintable(QStringLiteral("%1 %2 lies outside %3")
                                                        .arg(w->objectName(), window->objectName())
                                                        .arg(r.right())));
        }
        for (int i = 0; i < controls.size(); ++i) {
            for (int j = i + 1; j < controls.size(); ++j) {
                const QRect overlap = where(controls[i]).intersected(where(controls[j]));
                QVERIFY2(overlap.isEmpty(),
                         qPrintable(QStringLiteral("%1 overlaps %2 in %3")
                                        .arg(controls[i]->objectName(), controls[j]->objectName(),
                                             window->objectName())));
            }
        }
    }

    // The texts of the labels and buttons that the window shows whole.
    static QSet<QWidget *> TextsShownWhole(QWidget *window) {
        QSet<QWidget *> whole;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            QString text;
            if (auto *label = qobject_cast<QLabel *>(w); label != nullptr && !label->wordWrap()) {
                text = label->text();
            } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                text = button->text().remove(QLatin1Char('&'));
            }
            if (w->isVisible() && !text.isEmpty() && !text.contains(QLatin1Char('\n')) &&
                w->fontMetrics().horizontalAdvance(text) <= w->width()) {
                whole << w;
            }
        }
        return whole;
    }

    // The projector view: every control's font 1.5 times as large, the layout still tidy, every
    // text shown whole before still shown whole, and the window as it was once the view is off.
    static void CheckProjectorView(QWidget *window) {
        const QSize size = window->size();
        const QSet<QWidget *> whole = TextsShownWhole(window);
        QVERIFY(!whole.isEmpty());
        auto *anyButton = window->findChild<QAbstractButton *>();
        const double pointSize = anyButton->font().pointSizeF();
        projector::Apply(window, true);
        QCoreApplication::processEvents();
        QCOMPARE(anyButton->font().pointSizeF(), pointSize * projector::Factor);
        CheckEveryTab(window);
        if (const auto tabs = window->findChildren<QTabWidget *>(); !tabs.isEmpty()) {
            tabs.first()->setCurrentIndex(0);
        }
        const QSet<QWidget *> after = TextsShownWhole(window);
        for (QWidget *w : whole) {
            QVERIFY2(after.contains(w), qPrintable(w->objectName() + QLatin1Char(' ') +
                                                   w->property("text").toString()));
        }
        projector::Apply(window, false);
        QCoreApplication::processEvents();
        QCOMPARE(window->size(), size);
        QCOMPARE(anyButton->font().pointSizeF(), pointSize);
    }

    // Shows every page of a tabbed window in turn.
    static void CheckEveryTab(QWidget *window) {
        const auto tabs = window->findChildren<QTabWidget *>();
        if (tabs.isEmpty()) {
            CheckWindow(window);
            return;
        }
        for (int i = 0; i < tabs.first()->count(); ++i) {
            tabs.first()->setCurrentIndex(i);
            CheckWindow(window);
        }
    }

    FakeUiServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DefaultDesignedFilterSource designedFilter;

private slots:
    // The main window's View menu item (Ctrl+Shift+P) puts every window and every plot into the
    // projector view, and takes them out again.
    void projectorMenuItemAppliesToEveryWindowAndPlot() {
        ProgramWindows windows(services);
        auto *item = windows.mainForm.findChild<QAction *>(QStringLiteral("ProjectorView"));
        QVERIFY(item != nullptr);
        QCOMPARE(item->text(), QStringLiteral("Projector View"));
        QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
        QList<QPair<QAbstractButton *, double>> buttons;
        for (QWidget *window : windows.AllWindows()) {
            if (auto *button = window->findChild<QAbstractButton *>()) {
                buttons.append({button, button->font().pointSizeF()});
            }
        }
        QVERIFY(buttons.size() >= 8);
        const int width = windows.dftForm.Get().Scope().traceWidth;
        item->trigger();
        QVERIFY(projector::Enabled());
        for (const auto &[button, size] : buttons) {
            QCOMPARE(button->font().pointSizeF(), size * projector::Factor);
        }
        QCOMPARE(windows.dftForm.Get().Scope().traceWidth, 3);
        QVERIFY(PlotImage::ProjectorView());
        item->trigger();
        QVERIFY(!projector::Enabled() && !PlotImage::ProjectorView());
        for (const auto &[button, size] : buttons) {
            QCOMPARE(button->font().pointSizeF(), size);
        }
        QCOMPARE(windows.dftForm.Get().Scope().traceWidth, width);
    }
    // Only the workbench is built at start. A tool window is built when it is first opened or
    // looked into, with its tooltips and the view the others are in, and shows the models as
    // they stand instead of setting them afresh.
    void toolWindowsAreBuiltWhenFirstOpened() {
        ProgramWindows windows(services);
        const QList<QWidget *> built{windows.graphForm.Built(),   windows.analogueForm.Built(),
                                     windows.digitalForm.Built(), windows.fileEditForm.Built(),
                                     windows.networkForm.Built(), windows.wavForm.Built(),
                                     windows.dftForm.Built(),     windows.samplingForm.Built(),
                                     windows.poleZeroForm.Built()};
        QCOMPARE(built.count(nullptr), built.size());
        // The workbench can run the designed filter before the designer is ever opened.
        QVERIFY(windows.design.ready && windows.design.a[0] != 0.0);

        auto *projectorItem =
            windows.mainForm.findChild<QAction *>(QStringLiteral("ProjectorView"));
        projectorItem->trigger();
        windows.mainForm.findChild<QAction *>(QStringLiteral("SamplingLabItem"))->trigger();
        TSamplingForm *lab = windows.samplingForm.Built();
        QVERIFY(lab != nullptr && lab->isVisible());
        QCOMPARE(projector::FactorOf(lab), projector::Factor);
        QVERIFY(!lab->findChild<QWidget *>(QStringLiteral("SampleRate"))->toolTip().isEmpty());
        projectorItem->trigger();
        QCOMPARE(projector::FactorOf(lab), 1.0);
        lab->close();

        // A set given from outside before the designer exists is the one its fields show.
        double a[7] = {0.5, 0.25};
        double b[7] = {1.0, -0.5};
        windows.design.SetCoefficients(a, b);
        TDigitalFiltersForm &designer = windows.digitalForm.Get();
        QCOMPARE(windows.design.a[1], 0.25);
        QCOMPARE(designer.findChild<QLineEdit *>(QStringLiteral("a1"))->text(),
                 QStringLiteral("0.25"));
        QVERIFY(windows.poleZeroForm.Built() == nullptr);
    }
    void theScreenIsScaled() {
        QVERIFY2(qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("1.5"),
                 "run with QT_SCALE_FACTOR=1.5");
    }

    void workbench() {
        TDSPMainForm form(services, noise, network);
        form.show();
        CheckWindow(&form);
    }

    void dataFileEditor() {
        TFileEditForm form(services);
        form.show();
        CheckWindow(&form);
    }

    void analogueCalculator() {
        kaldorium::DefaultDesignedFilterSource designed;
        TGraphForm graph(services, designed, network);
        TAnalogueFiltersForm form(services, graph);
        form.show();
        CheckEveryTab(&form);
    }

    void otherWindows_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("projector");
        for (const bool projector : {false, true}) {
            for (const char *name : {"designer", "network", "bode", "wav", "spectrum", "sampling",
                                     "polezero", "workbench", "editor", "analogue"}) {
                const QByteArray row = QByteArray(name) + (projector ? " projector" : "");
                if (projector ||
                    !QByteArrayList{"workbench", "editor", "analogue"}.contains(name)) {
                    QTest::newRow(row.constData()) << QString::fromLatin1(name) << projector;
                }
            }
        }
    }
    void otherWindows() {
        QFETCH(QString, window);
        QFETCH(bool, projector);
        kaldorium::DigitalFilterDesign design;
        TFileEditForm editor(services);
        TGraphForm calculatorGraph(services, designedFilter, network);
        std::unique_ptr<QWidget> form;
        if (window == QLatin1String("workbench")) {
            form = std::make_unique<TDSPMainForm>(services, noise, network);
        } else if (window == QLatin1String("editor")) {
            form = std::make_unique<TFileEditForm>(services);
        } else if (window == QLatin1String("analogue")) {
            form = std::make_unique<TAnalogueFiltersForm>(services, calculatorGraph);
        } else if (window == QLatin1String("designer")) {
            form = std::make_unique<TDigitalFiltersForm>(services, design);
        } else if (window == QLatin1String("network")) {
            form = std::make_unique<TFilterNetworkForm>(services, network);
        } else if (window == QLatin1String("bode")) {
            // The workbench's band pass, checked once its plots and read-outs are shown.
            auto graph = std::make_unique<TGraphForm>(services, designedFilter, network);
            graph->omega0 = 2 * std::numbers::pi * 2000.0;
            graph->amplification = 2.0;
            graph->damping = 0.05;
            form = std::move(graph);
        } else if (window == QLatin1String("wav")) {
            form = std::make_unique<TWAVMainForm>(services, player, noise, network, designedFilter,
                                                  editor);
        } else if (window == QLatin1String("sampling")) {
            form = std::make_unique<TSamplingForm>(services, player);
        } else if (window == QLatin1String("polezero")) {
            form = std::make_unique<TPoleZeroForm>(services, design, network);
        } else {
            form = std::make_unique<TDFTMainForm>(services, player, editor);
        }
        if (form->objectName().isEmpty()) {
            form->setObjectName(window);
        }
        form->show();
        if (window == QLatin1String("bode")) {
            QTRY_VERIFY(form->findChild<QWidget *>(QStringLiteral("GainPlot"))->isVisible());
        }
        if (projector) {
            CheckProjectorView(form.get());
        } else {
            CheckWindow(form.get());
        }
        QVERIFY(services.errors.isEmpty());
    }
};

QTEST_MAIN(TestLayout)
#include "tst_Layout.moc"
