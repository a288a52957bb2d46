// Printing the plot windows as shown, through the code behind "&Print" once a printer is
// chosen, here into a PDF file read back with poppler's tools; and the help window on the
// real help pages.
#include "app/Forms.h"
#include "app/Startup.h"
#include "commands/UtilityCommands.h"
#include "platform/Canvas.h"
#include "plots/TimePlotForm.h"
#include "tests/gui/GuiTestHelpers.h"
#include "tests/support/FakeClock.h"

#include <QImage>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QToolButton>

namespace {

// Runs a poppler tool; its standard output, or a failed check when it is missing.
QString Poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qWarning("%s failed (scripts/install-deps installs poppler-utils)", qPrintable(tool));
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

class PrintHelpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void printsEachVisiblePlotWindowOnAPageOfItsOwn();
    void printingToAFileStartsInTheWorkingFolderThenWhereTheLastWent();
    void helpOpensOnTheContentsAndFollowsItsLinks();

private:
    int PrintedPages(const QString& pdf) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        if (!gui_->ui->PrintPlotsOn(printer)) {
            return -1;
        }
        const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                               .match(Poppler(QStringLiteral("pdfinfo"), {pdf}));
        return pages.hasMatch() ? pages.captured(1).toInt() : 0;
    }

    FakeClock clock_{1e-9};
    std::unique_ptr<GuiFixture> gui_;
};

void PrintHelpTest::initTestCase() {
    gui_ = std::make_unique<GuiFixture>();
    ::Main("");
    QVERIFY(QTest::qWaitForWindowExposed(gui_->MainWindow()));
}

void PrintHelpTest::cleanupTestCase() { gui_.reset(); }

void PrintHelpTest::printsEachVisiblePlotWindowOnAPageOfItsOwn() {
    // The spectrum window takes half the area, which clears the time plot: then a band of
    // trace lines, wide enough to keep its colour through the page's scaling.
    ShowForm(FormId::frmFFT);
    QCoreApplication::processEvents();
    Canvas* plot = frmData().pic1;
    for (int row = 0; row < 5; ++row) {
        plot->Line(0, 900 + row * 15, plot->Width(), 900 + row * 15, {0, 0, 128});
    }
    const QString pdf = gui_->dir.filePath(QStringLiteral("plots.pdf"));
    QCOMPARE(PrintedPages(pdf), 2);

    const QString prefix = gui_->dir.filePath(QStringLiteral("page"));
    Poppler(QStringLiteral("pdftoppm"),
            {"-r", "100", "-png", "-f", "1", "-l", "1", "-singlefile", pdf, prefix});
    const QImage page(prefix + ".png");
    // Scaling the page down may round a level off.
    auto trace = [](QRgb c) { return qRed(c) <= 1 && qGreen(c) <= 1 && qAbs(qBlue(c) - 128) <= 1; };
    int traced = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            traced += trace(page.pixel(x, y)) ? 1 : 0;
        }
    }
    QVERIFY2(traced > page.width() / 2, qPrintable(QString::number(traced)));

    HideForm(FormId::frmFFT);
    QCOMPARE(PrintedPages(pdf), 1);
    // A printer that cannot be written to is a failure, for "Error Printing" to say.
    QCOMPARE(PrintedPages(gui_->dir.filePath(QStringLiteral("missing/plots.pdf"))), -1);
}

void PrintHelpTest::printingToAFileStartsInTheWorkingFolderThenWhereTheLastWent() {
    // No printer here: the file is the only place to print to.
    QStringList offered;
    const QString chosen = gui_->dir.filePath(QStringLiteral("chosen.pdf"));
    for (bool print : {true, false}) {
        WithNextModal([&offered, &chosen, print](QDialog* dialog) {
            auto* file = Find<QLineEdit>(dialog, "filename");
            offered << file->text();
            file->setText(chosen);
            print ? dialog->accept() : dialog->reject();
        });
        QCOMPARE(gui_->ui->PrintPlots(), print);
    }
    QCOMPARE(offered, QStringList({gui_->dir.filePath(QStringLiteral("print.pdf")), chosen}));
    QVERIFY(QFile::exists(chosen));
}

void PrintHelpTest::helpOpensOnTheContentsAndFollowsItsLinks() {
    mnuHelp_Click();
    auto* browser = Find<QTextBrowser>(gui_->MainWindow(), "helpBrowser");
    QWidget* window = browser->window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QUrl contents = browser->source();
    QVERIFY(browser->toPlainText().contains(QStringLiteral("Getting started")));

    // The first link, by keyboard, opens another page of the help; Back returns.
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    QTRY_VERIFY(QFileInfo(browser->source().toLocalFile()).isFile() &&
                browser->source() != contents);
    Find<QToolButton>(window, "helpBack")->click();
    QCOMPARE(browser->source(), contents);

    // Help again: the same window, on the contents.
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    QTRY_VERIFY(browser->source() != contents);
    mnuHelp_Click();
    QCOMPARE(browser->source(), contents);
    QCOMPARE(gui_->MainWindow()->findChildren<QTextBrowser*>().size(), 1);

    // Whole on the screen; Esc closes it, and help brings it back where it was.
    QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
    const QPoint at = window->pos();
    QTest::keyClick(browser, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
    mnuHelp_Click();
    QVERIFY(window->isVisible());
    QCOMPARE(window->pos(), at);

    // Every key the main window has is in its table on the shortcuts page: its shortcuts, its
    // menu items' keys (the plot windows' own among them) and its menu titles' Alt keys.
    QFile page(
        QFileInfo(QString::fromStdString(HelpLocations().back())).dir().filePath("shortcuts.html"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString table = QString::fromUtf8(page.readAll()).section("<h2>", 1, 1);
    QMainWindow* main = gui_->MainWindow();
    QStringList keys;
    for (const QShortcut* shortcut : main->findChildren<QShortcut*>()) {
        keys << shortcut->key().toString();
    }
    for (const QAction* action : main->findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts()) {
            keys << key.toString();
        }
    }
    for (const QAction* menu : main->menuBar()->actions()) {
        if (menu->isVisible() && menu->text().contains('&')) {
            keys << "Alt+" + menu->text().section('&', 1).left(1).toUpper();
        }
    }
    for (const QString& key : keys) {
        QVERIFY2(table.contains("<kbd>" + key + "</kbd>"), qPrintable(key));
    }
}

QTEST_MAIN(PrintHelpTest)
#include "tst_printhelp.moc"
