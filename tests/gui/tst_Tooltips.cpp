#include "tests/gui/FakeUiServices.h"

#include "gui/app/ProgramWindows.h"
#include "gui/services/Tooltips.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// Every control of every window says what it is for, with its unit and range where it has one.
class TestTooltips : public QObject {
    Q_OBJECT

    FakeUiServices services;

private slots:
    void everyControlOfEveryWindowHasOne() {
        ProgramWindows windows(services);
        QStringList missing;
        for (QWidget *window : windows.AllWindows()) {
            for (const QString &name : ControlsWithoutTooltip(window)) {
                missing << QString::fromLatin1(window->metaObject()->className()) + "::" + name;
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
    }

    // One short sentence each: a capital first, no full stop, no second line.
    void eachIsOneShortSentence() {
        ProgramWindows windows(services);
        for (QWidget *window : windows.AllWindows()) {
            for (QWidget *w : window->findChildren<QWidget *>()) {
                const QString tip = w->toolTip();
                if (!IsControl(w) || tip.isEmpty()) {
                    continue;
                }
                QVERIFY2(tip.size() <= 120 && !tip.contains(QLatin1Char('\n')) &&
                             tip.front().isUpper() && !tip.endsWith(QLatin1Char('.')),
                         qPrintable(w->objectName() + ": " + tip));
            }
        }
    }

    // A window's own tooltip stays; the shared sentence yields to the window's.
    void lookUpPrefersTheWindowAndKeepsOwnTips() {
        QWidget window;
        auto *field = new QLineEdit(&window);
        field->setObjectName(QStringLiteral("sfFrequency"));
        auto *own = new QPushButton(&window);
        own->setObjectName(QStringLiteral("fTest"));
        own->setToolTip(QStringLiteral("Mine"));
        auto *unnamed = new QPushButton(&window);
        ApplyTooltips(&window);
        QCOMPARE(field->toolTip(), QString::fromUtf8(TooltipText("", "sfFrequency")));
        QCOMPARE(own->toolTip(), QStringLiteral("Mine"));
        QVERIFY(!IsControl(unnamed));
        QVERIFY(QByteArray(TooltipText("TDSPMainForm", "fTest")) !=
                QByteArray(TooltipText("TWAVMainForm", "fTest")));
    }
};

QTEST_MAIN(TestTooltips)
#include "tst_Tooltips.moc"
