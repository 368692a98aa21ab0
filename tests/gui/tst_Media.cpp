#include "gui/services/Media.h"
#include "gui/services/MediaModule.h"

#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

// The media module as the program loads it, and the program without it (the same tests run
// with KALDORIUM_MEDIA_MODULE naming a file that is not there).
class MediaTest : public QObject {
    Q_OBJECT

    static bool Missing() { return !QFile::exists(qEnvironmentVariable("KALDORIUM_MEDIA_MODULE")); }

private slots:
    void moduleLoadsOrSaysWhyNot() {
        if (Missing()) {
            QVERIFY(media::Module() == nullptr);
            QVERIFY(media::LoadError().contains(QStringLiteral("no-such-module.so")));
        } else {
            QVERIFY2(media::Module() != nullptr, qPrintable(media::LoadError()));
            QCOMPARE(media::Module()->version, KaldoriumMediaVersion);
            QVERIFY(media::LoadError().isEmpty());
        }
    }

    // Without the module (or without a device) nothing plays, the player says why, and the
    // stream takes every frame and drops it, telling the reason once.
    void soundWithoutModuleOrDeviceGoesOnSilently() {
        if (!Missing() && !QMediaDevices::audioOutputs().isEmpty()) {
            QSKIP("this machine has a sound output");
        }
        DeferredSoundPlayer player;
        QVERIFY(player.PlaybackError().isEmpty());
        player.PlayAsync(QStringLiteral("any.wav"));
        QVERIFY(!player.PlaybackError().isEmpty());
        player.StopAll();

        DeferredAudioStream stream;
        QCOMPARE(stream.CurrentState(), AudioStream::State::Closed);
        QVERIFY(!stream.Open(44100.0, 2));
        QCOMPARE(stream.CurrentState(), AudioStream::State::NoDevice);
        const QString notice = stream.TakeNotice();
        QVERIFY(!notice.isEmpty());
        QCOMPARE(stream.ErrorText(), notice);
        QCOMPARE(stream.TakeNotice(), QString());
        const std::vector<double> chunk(100 * 2, 0.5);
        QCOMPARE(stream.Push(chunk), 100);
        QCOMPARE(stream.FreeFrames(), 0);
        QCOMPARE(stream.PlayedFrames(), 0LL);
        stream.Stop();
    }

    // An SVG picture is written through the module, or not at all without it.
    void svgPictureIsWrittenOnlyWithTheModule() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("picture.svg"));
        {
            const media::SvgPicture svg(path, QSize(40, 30), QStringLiteral("Title"),
                                        QStringLiteral("Drawn by a test"));
            QCOMPARE(svg.Device() == nullptr, Missing());
            if (svg.Device() != nullptr) {
                QPainter painter(svg.Device());
                painter.drawLine(0, 0, 39, 29);
            }
        }
        QCOMPARE(QFile::exists(path), !Missing());
        if (!Missing()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            QVERIFY(text.contains("<title>Title</title>"));
            QVERIFY(text.contains("viewBox=\"0 0 40 30\""));
        }
    }
};

QTEST_MAIN(MediaTest)
#include "tst_Media.moc"
