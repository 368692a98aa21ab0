#include "tests/gui/FakeUiServices.h"

#include "gui/app/CommandLine.h"
#include "gui/services/DataFileEditor.h"

#include <QTest>

// Files named on the command line: data files open in the editor one after another, anything
// else is reported and left alone.
class TestCommandLine : public QObject {
    Q_OBJECT

    struct RecordingEditor : DataFileEditor {
        QStringList edited;
        QString EditFile(const QString &name) override {
            edited << name;
            return name;
        }
    };

private slots:
    void dataFilesOpenInTheEditorOthersAreReported() {
        FakeUiServices services;
        RecordingEditor editor;
        const QStringList files = FileArguments({"kaldorium", "--", "/data/Sine.DSI",
                                                 "/data/run.dso", "/data/a.DFT", "/data/song.mp3"});
        QCOMPARE(files.size(), 4);
        OpenArguments(files, editor, services, nullptr);
        QCOMPARE(editor.edited, (QStringList{"/data/Sine.DSI", "/data/run.dso", "/data/a.DFT"}));
        QCOMPARE(services.shown.size(), 1);
        QCOMPARE(services.shown[0].title, QStringLiteral("DSP Error"));
        QVERIFY(services.shown[0].text.contains(QLatin1String("/data/song.mp3")));

        // A lesson goes to the lesson opener, not to the editor; without one it is refused.
        QStringList lessons;
        OpenArguments({"/data/BandPass.klesson"}, editor, services, nullptr,
                      [&](const QString &path) { lessons << path; });
        QCOMPARE(lessons, QStringList{"/data/BandPass.klesson"});
        QCOMPARE(editor.edited.size(), 3);
        OpenArguments({"/data/BandPass.klesson"}, editor, services, nullptr);
        QCOMPARE(services.shown.size(), 2);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
