// Lessons in the program: saving every window, opening a lesson whole or not at all, locks,
// and the shipped examples opened and followed.
#include "core/audio/ExampleWavs.h"
#include "core/common/NumberText.h"
#include "core/lesson/LessonFile.h"
#include "gui/app/ProgramWindows.h"
#include "gui/widgets/NumberEdit.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/GuiTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kaldorium;

class tst_Lessons : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void savedWindowsComeBackWhole();
    void refusedLessonsLeaveEveryWindowUnchanged_data();
    void refusedLessonsLeaveEveryWindowUnchanged();
    void lockedAndHiddenControls();
    void thePaneSitsBesideTheWorkbench();
    void examplesOpenAndPassWhenFollowed();

private:
    void Type(const char *name, const QString &text, QWidget *window = nullptr);
    QString Write(const QString &name, const QByteArray &text);

    FakeUiServices services;
    std::unique_ptr<ProgramWindows> w;
    std::unique_ptr<QTemporaryDir> folder;
};

void tst_Lessons::init() {
    services = FakeUiServices();
    folder = std::make_unique<QTemporaryDir>();
    w = std::make_unique<ProgramWindows>(services);
}

void tst_Lessons::cleanup() {
    w.reset();
}

void tst_Lessons::Type(const char *name, const QString &text, QWidget *window) {
    auto *edit = control<NumberEdit>(window != nullptr ? window : &w->mainForm, name);
    edit->setText(text);
    emit edit->accepted();
}

QString tst_Lessons::Write(const QString &name, const QByteArray &text) {
    const QString path = folder->filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    return path;
}

void tst_Lessons::savedWindowsComeBackWhole() {
    Type("soFrequency", "1000");
    Type("soSamples", "40");
    Type("sQfactor", "3.5");
    control<QRadioButton>(&w->mainForm, "LowPass2")->click();
    const double a[7] = {0.5, 0.25, 0, 0, 0, 0, 0};
    const double b[7] = {1, -0.5, 0, 0, 0, 0, 0};
    w->design.SetCoefficients(a, b);
    Type("SampleRate", "16000", &w->samplingForm.Get());
    control<QComboBox>(&w->samplingForm.Get(), "Reconstruction")->setCurrentText("Linear");
    const Lesson saved = w->lessons.CurrentSettings();
    QCOMPARE(saved.windows.count("TPoleZeroForm"), 1U);
    QVERIFY(saved.Find("TSamplingForm", "SampleRate") != nullptr);
    const QString path = folder->filePath("saved.klesson");
    QVERIFY(w->lessons.SaveLesson(path));

    Type("soFrequency", "3000");
    Type("sQfactor", "7");
    control<QRadioButton>(&w->mainForm, "BandPass")->click();
    w->design.SetCoefficients(b, a);
    Type("SampleRate", "44100", &w->samplingForm.Get());
    control<QComboBox>(&w->samplingForm.Get(), "Reconstruction")->setCurrentText("Sinc");
    const bool opened = w->lessons.OpenLesson(path);
    QVERIFY2(opened, qPrintable(services.shown.value(0).text));
    // Every named control of every window is as it was saved.
    const Lesson back = w->lessons.CurrentSettings();
    for (const auto &[window, controls] : saved.windows) {
        for (const auto &[name, value] : controls) {
            QVERIFY2(back.windows.at(window).at(name) == value,
                     qPrintable(QString::fromStdString(window + "." + name)));
        }
    }
    QCOMPARE(back.coefficients->a, saved.coefficients->a);
    QCOMPARE(control<QLineEdit>(&w->mainForm, "oT")->text(), QStringLiteral("2.5E-5"));
    QCOMPARE(control<QLineEdit>(&w->samplingForm.Get(), "SampleRate")->text(),
             QStringLiteral("16000"));
}

void tst_Lessons::refusedLessonsLeaveEveryWindowUnchanged_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused value")
        << QByteArray(R"({"format": 1, "windows": {"TDSPMainForm": {"LowPass": true,
             "sfFrequency": "1500", "soFrequency": "1000", "sQfactor": "0"}}})")
        << "sQfactor: '0' is refused";
    QTest::newRow("not a number")
        << QByteArray(R"({"format": 1, "windows": {"TDSPMainForm": {"LowPass": true,
             "sfFrequency": "fast"}}})")
        << "sfFrequency: 'fast' is not a valid floating point value";
    QTest::newRow("unknown control")
        << QByteArray(R"({"format": 1, "windows": {"TDSPMainForm": {"Volume": "11"}}})")
        << "\"Volume\" that the window TDSPMainForm does not have";
    QTest::newRow("newer format") << QByteArray(R"({"format": 2})") << "format 2, newer";
    QTest::newRow("damaged") << QByteArray(R"({"format": 1, "windows": {)") << "not valid JSON";
    QTest::newRow("missing file")
        << QByteArray(R"({"format": 1, "windows": {"TWAVMainForm": {"InputFile": "gone.wav"}}})")
        << "gone.wav' that the lesson names in InputFile is missing";
}

void tst_Lessons::refusedLessonsLeaveEveryWindowUnchanged() {
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    const Lesson before = w->lessons.CurrentSettings();
    QVERIFY(!w->lessons.OpenLesson(Write("refused.klesson", text)));
    QCOMPARE(services.shown.size(), 1);
    QVERIFY2(services.shown[0].text.contains(message), qPrintable(services.shown[0].text));
    const Lesson after = w->lessons.CurrentSettings();
    for (const auto &[window, controls] : before.windows) {
        for (const auto &[name, value] : controls) {
            // A recomputed field may write the same number anew (0.000025 as 2.5E-5).
            const ControlValue &now = after.windows.at(window).at(name);
            double x = 0.0;
            double y = 0.0;
            const bool sameNumber = std::holds_alternative<std::string>(now) &&
                                    TryParseDouble(std::get<std::string>(now), x) &&
                                    TryParseDouble(std::get<std::string>(value), y) && x == y;
            QVERIFY2(now == value || sameNumber,
                     qPrintable(QString::fromStdString(window + "." + name)));
        }
    }
}

void tst_Lessons::lockedAndHiddenControls() {
    const QString first = Write("locks.klesson", R"({"format": 1, "locked": ["sfAmplification"],
        "hidden": ["NetworkFiltering"], "instructions": "Do **this**."})");
    QVERIFY(w->lessons.OpenLesson(first));
    QVERIFY(!control(&w->mainForm, "sfAmplification")->isEnabled());
    QVERIFY(control(&w->mainForm, "NetworkFiltering")->isHidden());
    QVERIFY(!w->lessons.LessonPane->isHidden());
    // The next lesson releases what the last one held.
    QVERIFY(w->lessons.OpenLesson(Write("free.klesson", R"({"format": 1})")));
    QVERIFY(control(&w->mainForm, "sfAmplification")->isEnabled());
    QVERIFY(!control(&w->mainForm, "NetworkFiltering")->isHidden());
    QVERIFY(!w->lessons.UnlockAction->isEnabled());
    // The teacher's Unlock frees them at once, asking nothing; the lesson stays open.
    QVERIFY(w->lessons.OpenLesson(first));
    QVERIFY(w->lessons.UnlockAction->isEnabled());
    w->lessons.UnlockAction->trigger();
    QVERIFY(control(&w->mainForm, "sfAmplification")->isEnabled());
    QVERIFY(!control(&w->mainForm, "NetworkFiltering")->isHidden());
    QVERIFY(services.shown.isEmpty());
    QVERIFY(!w->lessons.LessonPane->isHidden());
}

// The pane takes a strip added to the main window's right: nothing of the workbench moves, and
// without a lesson the window is as it always was.
void tst_Lessons::thePaneSitsBesideTheWorkbench() {
    QWidget &main = w->mainForm;
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QWidget *panel = control(&main, "Panel1");
    const QRect panelBefore = panel->geometry();
    const QSize sizeBefore = main.size();
    QVERIFY(w->lessons.LessonPane->isHidden());
    QVERIFY(w->lessons.OpenLesson(Write("pane.klesson", R"({"format": 1, "title": "Q",
        "instructions": "Set **Q** to 5."})")));
    QWidget *pane = w->lessons.LessonPane;
    QVERIFY(pane->isVisible());
    QCOMPARE(pane->parentWidget(), &main);
    QTRY_COMPARE(main.width(), sizeBefore.width() + LessonController::PaneWidth);
    QTRY_COMPARE(panel->geometry(), panelBefore);
    QCOMPARE(pane->geometry().right(), main.width() - 1);
    QVERIFY(pane->geometry().left() >= panel->geometry().right());
    QCOMPARE(w->lessons.LessonTitle->text(), QStringLiteral("Q"));
    // A lesson without instructions or checks: the strip goes.
    QVERIFY(w->lessons.OpenLesson(Write("bare.klesson", R"({"format": 1})")));
    QVERIFY(pane->isHidden());
    QTRY_COMPARE(main.size(), sizeBefore);
    QTRY_COMPARE(panel->geometry(), panelBefore);
}

void tst_Lessons::examplesOpenAndPassWhenFollowed() {
    // The examples as installed: a Lessons folder beside the WAVs folder.
    QDir root(folder->path());
    root.mkdir("Lessons");
    root.mkdir("WAVs");
    QVERIFY(WriteExampleWavs(folder->filePath("WAVs/").toStdString()));
    const QDir shipped(KALDORIUM_SOURCE_DIR "/data/Lessons");
    const QStringList examples = shipped.entryList({"*.klesson"}, QDir::Files);
    QVERIFY(examples.size() >= 5);
    for (const QString &name : examples) {
        const QString path = folder->filePath("Lessons/" + name);
        QVERIFY(QFile::copy(shipped.filePath(name), path));
        const bool opened = w->lessons.OpenLesson(path);
        QVERIFY2(opened, qPrintable(name + ": " + services.shown.value(0).text));
        const LessonRead answer =
            ReadLessonFile(KALDORIUM_TEST_DATA "/lessons/answers/" + name.toStdString());
        QVERIFY2(answer.ok, answer.error.c_str());
        QCOMPARE(w->lessons.Apply(answer.lesson), QString());
        w->lessons.CheckLesson();
        QListWidget *results = w->lessons.LessonResults;
        QVERIFY(results->count() > 0);
        for (int i = 0; i < results->count(); ++i) {
            QVERIFY2(results->item(i)->text().startsWith(QStringLiteral("✔")),
                     qPrintable(name + ": " + results->item(i)->text()));
        }
    }
}

QTEST_MAIN(tst_Lessons)
#include "tst_Lessons.moc"
