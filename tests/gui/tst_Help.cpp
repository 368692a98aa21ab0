#include "tests/gui/FakeSoundPlayer.h"
#include "tests/gui/FakeUiServices.h"
#include "tests/gui/GuiTestSupport.h"

#include "core/common/Random.h"
#include "core/signal/DesignedFilterSource.h"
#include "core/tools/DigitalFilterDesign.h"
#include "core/tools/FilterNetwork.h"
#include "gui/app/HelpMenu.h"
#include "gui/audio/Wavmain.h"
#include "gui/services/HelpWindow.h"
#include "gui/spectrum/Dftmain.h"
#include "gui/tools/Analoguefiltersmain.h"
#include "gui/tools/Digitalfiltersdesign.h"
#include "gui/tools/Fileedit.h"
#include "gui/tools/Filternetwork.h"
#include "gui/tools/Graph.h"
#include "gui/tools/Polezero.h"
#include "gui/tools/Samplinglab.h"
#include "gui/workbench/Dspmain.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>

#include <memory>

// The guide: F1 opens the page of the window with the focus, the Help menu's items, and every
// page and picture the pages link to.
class TestHelp : public QObject {
    Q_OBJECT

    FakeUiServices services;
    FakeSoundPlayer player;
    kaldorium::NoiseGenerator noise;
    kaldorium::FilterNetwork network;
    kaldorium::DigitalFilterDesign design;
    kaldorium::DefaultDesignedFilterSource designedFilter;

    static QString PageText(const QString &page) {
        QFile file(QStringLiteral(":/guide/") + page);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    std::unique_ptr<QWidget> MakeWindow(const QString &which, TFileEditForm &editor,
                                        TGraphForm &graph) {
        if (which == QLatin1String("TDSPMainForm")) {
            return std::make_unique<TDSPMainForm>(services, noise, network);
        } else if (which == QLatin1String("TGraphForm")) {
            return std::make_unique<TGraphForm>(services, designedFilter, network);
        } else if (which == QLatin1String("TDigitalFiltersForm")) {
            return std::make_unique<TDigitalFiltersForm>(services, design);
        } else if (which == QLatin1String("TAnalogueFiltersForm")) {
            return std::make_unique<TAnalogueFiltersForm>(services, graph);
        } else if (which == QLatin1String("TFilterNetworkForm")) {
            return std::make_unique<TFilterNetworkForm>(services, network);
        } else if (which == QLatin1String("TFileEditForm")) {
            return std::make_unique<TFileEditForm>(services);
        } else if (which == QLatin1String("TWAVMainForm")) {
            return std::make_unique<TWAVMainForm>(services, player, noise, network, designedFilter,
                                                  editor);
        } else if (which == QLatin1String("TPoleZeroForm")) {
            return std::make_unique<TPoleZeroForm>(services, design, network);
        } else if (which == QLatin1String("TSamplingForm")) {
            return std::make_unique<TSamplingForm>(services, player);
        }
        return std::make_unique<TDFTMainForm>(services, player, editor);
    }

private slots:
    void init() {
        services.shown.clear();
        services.errors.clear();
    }

    void f1OpensThePageOfTheFocusedWindow_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("page");
        QTest::newRow("workbench") << "TDSPMainForm"
                                   << "workbench.md";
        QTest::newRow("bode") << "TGraphForm"
                              << "bode.md";
        QTest::newRow("designer") << "TDigitalFiltersForm"
                                  << "designer.md";
        QTest::newRow("analogue") << "TAnalogueFiltersForm"
                                  << "analogue.md";
        QTest::newRow("network") << "TFilterNetworkForm"
                                 << "network.md";
        QTest::newRow("editor") << "TFileEditForm"
                                << "editor.md";
        QTest::newRow("wav") << "TWAVMainForm"
                             << "wav.md";
        QTest::newRow("spectrum") << "TDFTMainForm"
                                  << "spectrum.md";
        QTest::newRow("polezero") << "TPoleZeroForm"
                                  << "polezero.md";
        QTest::newRow("sampling") << "TSamplingForm"
                                  << "samplinglab.md";
    }
    void f1OpensThePageOfTheFocusedWindow() {
        QFETCH(QString, window);
        QFETCH(QString, page);
        HelpWindow help(services);
        help.InstallHelpKey();
        TFileEditForm editor(services);
        TGraphForm graph(services, designedFilter, network);
        const std::unique_ptr<QWidget> form = MakeWindow(window, editor, graph);
        QCOMPARE(QString::fromLatin1(form->metaObject()->className()), window);
        form->show();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        // From the window itself and from a control inside it.
        QTest::keyClick(form.get(), Qt::Key_F1);
        QVERIFY(help.isVisible());
        QCOMPARE(help.CurrentPage(), page);
        QVERIFY(!help.Browser->toPlainText().isEmpty());

        help.hide();
        QWidget *field = form.get();
        for (QLineEdit *edit : form->findChildren<QLineEdit *>()) {
            if (edit->window() == form.get()) {
                field = edit;
                break;
            }
        }
        QTest::keyClick(field, Qt::Key_F1);
        QVERIFY(help.isVisible());
        QCOMPARE(help.CurrentPage(), page);
    }

    // Over a modal window the guide is modal too, so it can be read and closed; beside the
    // others it is not.
    void theGuideTakesInputOverAModalWindow() {
        HelpWindow help(services);
        help.InstallHelpKey();
        TFilterNetworkForm form(services, network);
        form.setWindowModality(Qt::ApplicationModal);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_F1);
        QCOMPARE(help.windowModality(), Qt::ApplicationModal);
        form.hide();
        help.ShowPage(QStringLiteral("index.md"));
        QCOMPARE(help.windowModality(), Qt::NonModal);
    }

    // A window may name its page; a dialog of a window without a page of its own (the
    // editor's Find) takes its owner's; anything else gets the contents.
    void pagesOfOtherWindows() {
        QWidget window;
        QCOMPARE(HelpWindow::PageFor(&window), QStringLiteral("index.md"));
        window.setProperty("helpPage", QStringLiteral("signals.md"));
        QCOMPARE(HelpWindow::PageFor(&window), QStringLiteral("signals.md"));
        TFileEditForm editor(services);
        QDialog find(&editor);
        QCOMPARE(HelpWindow::PageFor(&find), QStringLiteral("editor.md"));
    }

    void theHelpMenuOpensPagesAndAbout() {
        HelpWindow help(services);
        TDSPMainForm form(services, noise, network);
        AddHelpItems(form.HelpMenu, help, &form);
        QVERIFY(form.HelpMenu->menuAction()->isVisible());
        const QList<QPair<const char *, QString>> items{
            {"GuideItem", QStringLiteral("index.md")},
            {"GettingStartedItem", QStringLiteral("getting-started.md")},
            {"SignalsItem", QStringLiteral("signals.md")}};
        for (const auto &[name, page] : items) {
            control<QAction>(form.HelpMenu, name)->trigger();
            QCOMPARE(help.CurrentPage(), page);
        }
        control<QAction>(form.HelpMenu, "AboutItem")->trigger();
        QCOMPARE(services.shown.size(), 1);
        QCOMPARE(services.shown[0].title, QStringLiteral("About Kaldorium"));
        QVERIFY(services.shown[0].text.contains(QStringLiteral("Licence")));
        QVERIFY(services.shown[0].text.contains(QString::fromLatin1(qVersion())));
        // The program's own version and what it is built on.
        QVERIFY(services.shown[0].text.contains(
            QRegularExpression(QStringLiteral("^Kaldorium \\d+\\.\\d+"))));
        QVERIFY(services.shown[0].text.contains(QStringLiteral("Libraries used: Qt")));
        QVERIFY(services.shown[0].text.contains(QStringLiteral("GStreamer")));
    }

    // The screenshots are drawn at a width the guide's window shows, also on a page reached by
    // Back.
    void picturesFitTheWindow() {
        HelpWindow help(services);
        const auto pictureWidth = [&help] {
            for (QTextBlock b = help.Browser->document()->begin(); b.isValid(); b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    if (it.fragment().charFormat().isImageFormat()) {
                        return it.fragment().charFormat().toImageFormat().width();
                    }
                }
            }
            return -1.0;
        };
        help.ShowPage(QStringLiteral("workbench.md"));
        QCOMPARE(pictureWidth(), 600.0);
        help.ShowPage(QStringLiteral("index.md"));
        help.BackButton->click();
        QCOMPARE(help.CurrentPage(), QStringLiteral("workbench.md"));
        QTRY_COMPARE(pictureWidth(), 600.0);
    }

    // Every page is listed, every page and picture a page links to is there, and each picture
    // is an image.
    void everyLinkResolves() {
        HelpWindow help(services);
        const QStringList pages = HelpWindow::Pages();
        QStringList shipped = QDir(QStringLiteral(":/guide")).entryList({"*.md"});
        QStringList listed = pages;
        shipped.sort();
        listed.sort();
        QCOMPARE(listed, shipped);

        const QRegularExpression link(QStringLiteral(R"(\]\(([^)#\s]+)(#[^)]*)?\))"));
        int pictures = 0;
        for (const QString &page : pages) {
            const QString text = PageText(page);
            QVERIFY2(text.startsWith(QLatin1String("# ")), qPrintable(page));
            for (auto m = link.globalMatch(text); m.hasNext();) {
                const QString target = m.next().captured(1);
                if (target.startsWith(QLatin1String("http"))) {
                    continue;
                }
                const QString path = QStringLiteral(":/guide/") + target;
                QVERIFY2(QFile::exists(path), qPrintable(page + QStringLiteral(": ") + target));
                if (target.endsWith(QLatin1String(".png"))) {
                    QVERIFY2(!QImage(path).isNull(), qPrintable(target));
                    ++pictures;
                }
            }
        }
        QVERIFY(pictures >= 7);
    }
};

QTEST_MAIN(TestHelp)
#include "tst_Help.moc"
