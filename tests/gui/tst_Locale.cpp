#include "tests/gui/FakeUiServices.h"

#include "core/common/Random.h"
#include "core/tools/FilterNetwork.h"
#include "gui/app/KaldoriumApplication.h"
#include "gui/workbench/Dspmain.h"

#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include <clocale>

// The window tests run with the user's locale set to one whose decimal point is a comma. This
// one makes sure that locale is really in force, so that the others prove what they seem to.
class TestLocale : public QObject {
    Q_OBJECT

private slots:
    void theDecimalCommaLocaleIsInForce() {
        QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
        // The application keeps the C library's numbers at "." all the same.
        QCOMPARE(std::localeconv()->decimal_point, ".");
    }

    void typedNumbersAreReadWithThePoint() {
        FakeUiServices services;
        kaldorium::NoiseGenerator noise;
        kaldorium::FilterNetwork network;
        TDSPMainForm form(services, noise, network);
        form.show();
        auto *amplitude = form.findChild<QLineEdit *>(QStringLiteral("soAmplitude"));
        QVERIFY(amplitude != nullptr);
        amplitude->setText(QStringLiteral("2.5"));
        QTest::keyClick(amplitude, Qt::Key_Return);
        QCOMPARE(form.Settings().amplitude, 2.5);
        QCOMPARE(amplitude->text(), QStringLiteral("2.5"));
        QVERIFY(services.errors.isEmpty());
    }
};

int main(int argc, char **argv) {
    FakeUiServices services;
    KaldoriumApplication application(argc, argv, services);
    TestLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Locale.moc"
