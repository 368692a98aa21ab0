#include "tests/gui/FakeUiServices.h"
#include "tests/gui/FormDriver.h"

#include "core/common/NumberText.h"
#include "core/tools/FilterNetwork.h"
#include "gui/tools/Filternetwork.h"
#include "gui/widgets/NumberEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include <complex>
#include <memory>

using kaldorium::Filter;
using kaldorium::FilterNetwork;
using Complex = std::complex<double>;

namespace {

const char *const Prefixes[] = {"InputFilter", "FA1", "FB1", "FC1", "FA2", "FB2", "FC2",
                                "FA3",         "FB3", "FC3", "FA4", "FB4", "FC4", "OutputFilter"};

// One used stage as the user sets it up: prefix, type item, frequency, Q, amplification.
struct Stage {
    const char *prefix;
    int kind;
    const char *f;
    const char *q;
    const char *a0;
};

Complex Response(Filter &filter, double ts, double omega) {
    double re = 0, im = 0;
    filter.FrequencyResponse(ts, omega, re, im);
    return {re, im};
}

} // namespace

Q_DECLARE_METATYPE(QList<Stage>)

// The filter network window driven as a user drives it.
class TestFilternetwork : public QObject, public FormDriver {
    Q_OBJECT

private:
    FakeUiServices services;
    std::unique_ptr<FilterNetwork> network;
    std::unique_ptr<TFilterNetworkForm> form;

    void setUp(const Stage &s) {
        const QByteArray p(s.prefix);
        if (!find<QCheckBox>(p + "_Use")->isChecked()) {
            click(find<QCheckBox>(p + "_Use"));
        }
        find<QComboBox>(p + "_Type")->setCurrentIndex(s.kind);
        type(p + "_F", QString::fromLatin1(s.f));
        type(p + "_Q", QString::fromLatin1(s.q));
        type(p + "_A0", QString::fromLatin1(s.a0));
    }
    // An independent filter of a stage's settings.
    static Filter StageFilter(const Stage &s) {
        Filter f;
        f.Configure(s.kind, kaldorium::ParseDouble(s.f), kaldorium::ParseDouble(s.q),
                    kaldorium::ParseDouble(s.a0), 1.0);
        return f;
    }

private slots:
    void init() {
        services = FakeUiServices();
        network = std::make_unique<FilterNetwork>();
        form = std::make_unique<TFilterNetworkForm>(services, *network);
        root = form.get();
        settleBeforeClick = false;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        network.reset();
    }

    void everyStageHasItsControls() {
        QCOMPARE(form->windowTitle(), QStringLiteral("(KALDOR) Filter Network Specification"));
        QCOMPARE(form->size(), QSize(1007, 512));
        for (const char *prefix : Prefixes) {
            const QByteArray p(prefix);
            QCOMPARE(find<NumberEdit>(p + "_F")->text(), QStringLiteral("1000"));
            QCOMPARE(find<NumberEdit>(p + "_Q")->text(), QStringLiteral("1"));
            QCOMPARE(find<NumberEdit>(p + "_A0")->text(), QStringLiteral("1"));
            QVERIFY(!find<QCheckBox>(p + "_Use")->isChecked());
            auto *box = find<QComboBox>(p + "_Type");
            QVERIFY(!box->isEditable()); // only the nine kinds can be chosen
            QCOMPARE(box->count(), 9);
            QCOMPARE(box->currentText(), QStringLiteral("All Pass"));
        }
        QCOMPARE(find<QGroupBox>("FilterB3")->title(), QStringLiteral("FilterB3"));
        QCOMPARE(find<QPushButton>("SetDesign")->text(), QStringLiteral("Set Design"));
        QVERIFY(!network->modified);
    }

    void everyEditSetsModified_data() {
        QTest::addColumn<QString>("what");
        QTest::newRow("frequency") << "FA1_F";
        QTest::newRow("Q") << "OutputFilter_Q";
        QTest::newRow("amplification") << "FC4_A0";
        QTest::newRow("use") << "FB2_Use";
        QTest::newRow("type") << "InputFilter_Type";
    }
    void everyEditSetsModified() {
        QFETCH(QString, what);
        const QByteArray name = what.toLatin1();
        if (name.endsWith("_Use")) {
            click(find<QCheckBox>(name));
        } else if (name.endsWith("_Type")) {
            auto *box = find<QComboBox>(name);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Up);
            QCOMPARE(box->currentIndex(), 7);
        } else {
            QTest::keyClicks(find<NumberEdit>(name), QStringLiteral("5"));
        }
        QVERIFY(network->modified);
    }

    void keyFilter_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letters") << "1a2b"
                                 << "12";
        QTest::newRow("marks") << "-1.5%'"
                               << "-1.5%'";
        QTest::newRow("blank and comma") << "3 ,4"
                                         << "34";
    }
    void keyFilter() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        type("FB1_Q", typed);
        QCOMPARE(text("FB1_Q"), shown);
    }

    void closingWithoutChangeLeavesTheStagesAlone() {
        network->ProcessSample(1.0, 0.001, 1.0);
        network->stages[0].yHist[1] = 7.0; // a history that a redesign would clear
        form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(network->stages[0].yHist[1], 7.0);
    }

    // The window's design, applied by Set Design, against the stages' own filters.
    void designsActAsTheirStages_data() {
        QTest::addColumn<QList<Stage>>("used");
        QTest::addColumn<int>("shape"); // 0 branch product, 1 sum of branches
        const Stage bandPass{"FB3", 0, "1000", "1", "1"};
        QTest::newRow("only FB3") << QList<Stage>{bandPass} << 0;
        QTest::newRow("one branch multiplies")
            << QList<Stage>{{"FA1", 3, "500", "0.7071", "2"}, {"FC1", 2, "200", "0.9", "1.5"}} << 0;
        QTest::newRow("two branches add")
            << QList<Stage>{{"FA1", 3, "500", "0.7071", "2"}, {"FB4", 2, "200", "0.9", "1.5"}} << 1;
        QTest::newRow("only the input stage")
            << QList<Stage>{{"InputFilter", 5, "800", "1", "3"}} << 0;
    }
    void designsActAsTheirStages() {
        QFETCH(QList<Stage>, used);
        QFETCH(int, shape);
        for (const Stage &s : used) {
            setUp(s);
        }
        click("SetDesign");
        QVERIFY(!form->isVisible());
        QVERIFY(!network->modified);
        QVERIFY(services.errors.isEmpty());

        const double ts = 0.000025;
        std::vector<Filter> filters;
        for (const Stage &s : used) {
            filters.push_back(StageFilter(s));
        }
        for (double f : {100.0, 1000.0, 5000.0}) {
            const double omega = 2 * M_PI * f;
            Complex expected = shape == 0 ? 1.0 : 0.0;
            for (Filter &filter : filters) {
                expected = shape == 0 ? expected * Response(filter, ts, omega)
                                      : expected + Response(filter, ts, omega);
            }
            double magnitude = 0, phase = 0;
            network->FrequencyResponse(omega, ts, magnitude, phase);
            QVERIFY(std::fabs(magnitude - std::abs(expected)) < 1e-12 * (1 + std::abs(expected)));
            QVERIFY(std::fabs(phase - std::arg(expected)) < 1e-9);
        }
        // Sample by sample as well.
        network->ClearStages();
        for (int n = 0; n < 300; ++n) {
            const double x = std::sin(0.2 * n) + (n == 0 ? 1.0 : 0.0);
            double expected = shape == 0 ? x : 0.0;
            for (Filter &filter : filters) {
                const double y = filter.ProcessStored(shape == 0 ? expected : x, ts);
                expected = shape == 0 ? y : expected + y;
            }
            QVERIFY(std::fabs(network->ProcessSample(x, ts, 1.0) - expected) < 1e-12);
        }
    }

    // A bad text keeps the window open and applies nothing, whichever way it is closed.
    void aBadTextAppliesNothing_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Set Design") << 0;
        QTest::newRow("close button") << 1;
        QTest::newRow("Esc") << 2;
    }
    void aBadTextAppliesNothing() {
        QFETCH(int, how);
        setUp({"FA1", 3, "500", "0.7071", "2"});
        setUp({"FC4", 0, "1000", "%", "1"});
        setUp({"FB2", 0, "1000", "1", "-"}); // FB2 is read before FC4
        const auto close = [&] {
            if (how == 0) {
                click("SetDesign");
            } else if (how == 1) {
                form->close();
            } else {
                QTest::keyClick(form.get(), Qt::Key_Escape);
            }
        };
        close();
        QVERIFY(form->isVisible());
        QCOMPARE(services.errors, QStringList{"'-' is not a valid floating point value"});
        QVERIFY(network->modified);
        QCOMPARE(network->stages[1].type, kaldorium::fkAllPass);
        QCOMPARE(network->ProcessSample(2.0, 0.001, 1.0), 2.0);

        type("FB2_A0", QStringLiteral("1"));
        type("FC4_Q", QStringLiteral("2"));
        close();
        QVERIFY(!form->isVisible());
        QCOMPARE(network->stages[1].type, kaldorium::fkLowPass);
        QVERIFY(!network->modified);
    }
};

QTEST_MAIN(TestFilternetwork)
#include "tst_Filternetwork.moc"
