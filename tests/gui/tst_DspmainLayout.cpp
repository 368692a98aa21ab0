#include "tests/gui/DspmainFixture.h"

#include "core/workbench/DataFiles.h"
#include "gui/widgets/PlotImage.h"

#include <QAbstractButton>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

// The workbench's layout as options and selections change (nothing moves or resizes), its
// read-outs (each shows its whole text) and its output file's notices.
class TestDspmainLayout : public QObject, DspmainFixture {
    Q_OBJECT

    kaldorium::DigitalFilterDesign design;
    QTemporaryDir dir;

    void enterText(const char *name, const QString &value) {
        find<QLineEdit>(name)->selectAll();
        QTest::keyClicks(find<QLineEdit>(name), value);
        enter(name);
    }
    void runChunks(const char *button, int chunks) {
        click(button);
        stepChunks(chunks);
        click(button);
    }
    // The field's text fits between its frame and its inner margins.
    static bool ShowsWhole(QLineEdit *field) {
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth =
            field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        const QRect inside =
            field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
        return field->fontMetrics().horizontalAdvance(field->text()) <= inside.width() - 4;
    }
    QString notice() { return find<QLabel>("OutputLimitLabel")->text(); }
    // Checks Output To File with the named file in the temporary folder.
    QString writeTo(const char *name) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        find<QLineEdit>("OutputFileName")->setText(path);
        click("OutputToFile");
        return path;
    }

private slots:
    void init() {
        design = kaldorium::DigitalFilterDesign();
        open(&design);
    }
    void cleanup() { form.reset(); }

    // Ticking the option boxes and picking waveforms and filters that show or hide controls
    // keeps the window's size, the display's size and the picture the last run drew.
    void togglesMoveNothingAndKeepThePicture() {
        services.saveAnswers.enqueue(dir.filePath(QStringLiteral("out.DSO")));
        runChunks("oTest", 2);
        auto *display = find<PlotImage>("Image2");
        QCoreApplication::processEvents();
        const QSize window = form->size();
        const QRect displayAt = display->geometry();
        const QImage picture = form->DisplayCanvas().Image().copy();
        const char *toggles[] = {"OutputToFile", "Rectify",    "Modulate",         "Integrate",
                                 "AddNoise",     "SquareWave", "NetworkFiltering", "Modulate",
                                 "FileData",     "Rectify",    "OutputToFile",     "BandPass",
                                 "SineWave",     "AddNoise"};
        for (const char *name : toggles) {
            click(name);
            QCoreApplication::processEvents();
            QVERIFY2(form->size() == window, name);
            QVERIFY2(display->geometry() == displayAt, name);
            QVERIFY2(form->DisplayCanvas().Image() == picture, name);
        }
    }

    // T (secs) and the coordinates show six significant digits, and like the statistics of a
    // large signal they fit their fields.
    void readOutsShowTheirWholeText_data() {
        QTest::addColumn<QString>("frequency");
        QTest::addColumn<QString>("samples");
        QTest::addColumn<QString>("t");
        // clang-format off
        QTest::newRow("start")      << "2000" << "20"      << "2.5E-5";
        QTest::newRow("thirds")     << "3"    << "21"      << "0.015873";
        QTest::newRow("scientific") << "1"    << "15000"   << "6.66667E-5";
        QTest::newRow("small")      << "11"   << "9999999" << "9.09091E-9";
        // clang-format on
    }
    void readOutsShowTheirWholeText() {
        QFETCH(QString, frequency);
        QFETCH(QString, samples);
        QFETCH(QString, t);
        enterText("soFrequency", frequency);
        enterText("soSamples", samples);
        QCOMPARE(text("oT"), t);
        QVERIFY2(ShowsWhole(find<QLineEdit>("oT")), qPrintable(text("oT")));

        enterText("soAmplitude", QStringLiteral("30000"));
        runChunks("fTest", 1);
        auto *display = find<PlotImage>("Image2");
        QTest::mouseMove(display, QPoint(display->width() / 2, display->height() / 2));
        QTest::mouseMove(display, QPoint(display->width() / 3, display->height() / 3));
        QTRY_VERIFY(!text("ClickY").isEmpty());
        for (const char *name : {"ClickX", "ClickY", "Range_Field_Display1", "RMS_Field_Display1",
                                 "Range_Field_Display2", "RMS_Field_Display2"}) {
            QVERIFY2(ShowsWhole(find<QLineEdit>(name)),
                     qPrintable(QString::fromLatin1(name) + ": " + text(name)));
        }
        QString digits = text("ClickX");
        digits.remove(QRegularExpression(QStringLiteral("E.*|[-.]")));
        QVERIFY2(digits.size() <= 6, qPrintable(text("ClickX")));
    }

    // The button beside "Filter Network" shows a glyph whole and says what it does.
    void networkButtonHasAGlyphAndATip() {
        click("NetworkFiltering");
        auto *button = find<QPushButton>("DesignNetwork");
        QVERIFY(button->isVisible());
        QCOMPARE(button->text(), QString(QChar(0x2026)));
        QCOMPARE(button->toolTip(), QStringLiteral("Design the filter network"));
        QVERIFY(button->fontMetrics().horizontalAdvance(button->text()) < button->width() - 4);
    }

    // A run past the limit: the file holds the header and exactly the limit of rows, its last
    // line complete; the label beside the check box says so once, no box opens, and the run goes
    // on. The next run starts a new file and clears the notice.
    void runStopsWritingAtTheRowLimit() {
        const QString path = writeTo("long.DSO");
        QVERIFY(notice().isEmpty());
        click("oTest");
        find<QTimer>("runTimer")->stop();
        const long long limit = kaldorium::DataFileWriter::RowLimit;
        while (notice().isEmpty() && form->RunSamples() <= limit) {
            form->RunChunk();
        }
        // The notice comes with the chunk that passes the limit.
        QVERIFY(form->RunSamples() > limit);
        QVERIFY(form->RunSamples() - 502 <= limit);
        QCOMPARE(notice(), QStringLiteral("Output file limit reached: 1,048,576 rows"));
        for (int i = 0; i < 3; ++i) {
            form->RunChunk();
        }
        QVERIFY(form->IsRunning());
        QVERIFY(services.shown.isEmpty());
        click("oTest");
        QVERIFY(services.shown.isEmpty());
        QCOMPARE(notice(), QStringLiteral("Output file limit reached: 1,048,576 rows"));

        const QList<QByteArray> lines = Lines(path);
        QCOMPARE(lines.size(), 12 + limit + 1); // nothing after the last CR LF
        QVERIFY(lines.last().isEmpty());
        // Row k holds t = k·Ts in ms: the last row kept is row limit − 1.
        const QByteArray last = lines[lines.size() - 2];
        QCOMPARE(last.size(), 2 * 18 + 1);
        QVERIFY(last.endsWith('\r'));
        QCOMPARE(last.left(18).trimmed().toDouble(), (limit - 1) * 0.025);

        click("oTest");
        QVERIFY(notice().isEmpty());
        click("oTest");
    }

    // The designed filter's line shows the design's f0, A0 and Q and names its type, in the
    // run's file and in the spectrum's, whatever the workbench's fields hold.
    void designedFilterHeaderShowsTheDesign_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("filter test") << "fTest";
        QTest::newRow("filter DFT") << "fDFT";
    }
    void designedFilterHeaderShowsTheDesign() {
        QFETCH(QString, button);
        design.sfFrequencyExit("1500");
        design.sQfactorExit("0.7071");
        design.sfAmplificationExit("1");
        design.SelectFilterType(3);
        design.SelectFilterOrder(1);
        click("DesignedFilter");
        const QString path = writeTo("designed.DSO");
        click(button.toLatin1().constData());
        if (form->IsRunning()) {
            form->RunChunk();
            click("fTest");
        }
        QTRY_VERIFY(!form->Busy());
        const QList<QByteArray> lines = Lines(path);
        QVERIFY(lines.size() > 12);
        QCOMPARE(lines[8], QByteArray("Frequency = 1500.000000   Amplification = 1.000000  "
                                      "Qfactor = 0.707100  Type = Designed Filter:Low Pass\r"));
    }
};

QTEST_MAIN(TestDspmainLayout)
#include "tst_DspmainLayout.moc"
