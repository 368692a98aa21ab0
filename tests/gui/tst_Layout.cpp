#include "FakeSoundPlayer.h"
#include "FakeUiServices.h"

#include "audio/Wavmain.h"
#include "common/Random.h"
#include "signal/DesignedFilterSource.h"
#include "spectrum/Dftmain.h"
#include "tools/Analoguefiltersmain.h"
#include "tools/DigitalFilterDesign.h"
#include "tools/Digitalfiltersdesign.h"
#include "tools/Fileedit.h"
#include "tools/FilterNetwork.h"
#include "tools/Filternetwork.h"
#include "tools/Graph.h"
#include "widgets/PlotImage.h"
#include "workbench/Dspmain.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include <functional>
#include <memory>

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
        for (const char *name : {"designer", "network", "bode", "wav", "spectrum"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void otherWindows() {
        QFETCH(QString, window);
        kaldorium::DigitalFilterDesign design;
        TFileEditForm editor(services);
        std::unique_ptr<QWidget> form;
        if (window == QLatin1String("designer")) {
            form = std::make_unique<TDigitalFiltersForm>(services, design);
        } else if (window == QLatin1String("network")) {
            form = std::make_unique<TFilterNetworkForm>(services, network);
        } else if (window == QLatin1String("bode")) {
            // The workbench's band pass, checked once its plots and read-outs are shown.
            auto graph = std::make_unique<TGraphForm>(services, designedFilter, network);
            graph->omega0 = 6.283185307179586 * 2000.0;
            graph->amplification = 2.0;
            graph->damping = 0.05;
            form = std::move(graph);
        } else if (window == QLatin1String("wav")) {
            form = std::make_unique<TWAVMainForm>(services, player, noise, network, designedFilter,
                                                  editor);
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
        CheckWindow(form.get());
        QVERIFY(services.errors.isEmpty());
    }
};

QTEST_MAIN(TestLayout)
#include "tst_Layout.moc"
