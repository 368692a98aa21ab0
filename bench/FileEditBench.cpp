#include "gui/services/UiServices.h"
#include "gui/tools/Fileedit.h"

#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

// Says yes to the question about a large file; no dialog opens.
class AnsweringServices : public UiServices {
public:
    QString OpenFileName(QWidget *, const QString &, const QString &, const QString &) override {
        return QString();
    }
    QString SaveFileName(QWidget *, const QString &, const QString &, const QString &,
                         const QString &) override {
        return QString();
    }
    QMessageBox::StandardButton Message(QWidget *, QMessageBox::Icon, const QString &,
                                        const QString &, QMessageBox::StandardButtons) override {
        return QMessageBox::Yes;
    }
    void ShowError(QWidget *, const QString &) override {}
};

// An output data file of about `megabytes` MB: rows of a filter test, CR LF after each.
QString WriteOutputFile(const QTemporaryDir &dir, qint64 megabytes) {
    const QString path = dir.filePath(QStringLiteral("run-%1MB.DSO").arg(megabytes));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return QString();
    }
    QByteArray block;
    for (int i = 0; i < 4096; ++i) {
        block += QByteArray::number(i * 0.025, 'f', 6).rightJustified(18) +
                 QByteArray::number(0.309017 - i * 1e-6, 'f', 6).rightJustified(18) +
                 QByteArray("         -0.003862\r\n");
    }
    while (file.size() < megabytes * 1024 * 1024) {
        file.write(block);
    }
    return path;
}

// The data file editor opening a run's output file, from the question to the last line shown.
void BM_FileEditLoad(benchmark::State &state) {
    QTemporaryDir dir;
    const QString path = WriteOutputFile(dir, state.range(0));
    AnsweringServices services;
    int lines = 0;
    for (auto _ : state) {
        TFileEditForm form(services);
        form.SetFileName(path);
        form.show();
        // The editor loads once it is up, with messages running between the pieces.
        QCoreApplication::processEvents();
        lines = form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"))->blockCount();
        form.close();
    }
    state.counters["lines"] = lines;
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_FileEditLoad)->Arg(25)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
