// The desktop frame: start size on a small screen, dialogs that scroll, the
// pointer readout in every view mode, the close question during a loop,
// tool tips and icons, the help window with the manual, printing to PDF and
// the progress window.
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSvgRenderer>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "app/clipboard.h"
#include "core/command_ids.h"
#include "core/commands.h"
#include "app/desktop_gui.h"
#include "core/desktop_rules.h"
#include "app/help_window.h"
#include "core/menu_tree.h"
#include "app/print_dialog.h"
#include "app/print_help.h"
#include "app/progress_dialog.h"
#include "app/qt_platform.h"
#include "core/state.h"
#include "app/velmora_app_window.h"
#include "display/display_state.h"
#include "display/render.h"
#include "platform/files.h"
#include "support/test_env.h"

namespace {

class DesktopTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetDisplayState();
    }
    void TearDown() override {
        if (THelpWindow* help = OpenHelpWindow()) delete help;
        window.reset();
        SetScreenAreaOverride(QRect());
        ResetDisplayState();
        VelmoraTest::TearDown();
    }
    TVelmoraWindow* Open() {
        window = std::make_unique<TVelmoraWindow>();
        window->InitInstance();
        return window.get();
    }
    QAbstractScrollArea* View() { return qobject_cast<QAbstractScrollArea*>(window->View()); }
    // Moves the mouse to a position of the image area and returns the readout.
    QString MoveTo(int x, int y) {
        QWidget* viewport = View()->viewport();
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), viewport->mapToGlobal(QPointF(x, y)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        return window->ReadoutText();
    }
    // Lets queued events and short timers run, for at most a second.
    static void Settle(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    std::unique_ptr<TVelmoraWindow> window;
};

// ---- Window size ------------------------------------------------------------------

TEST_F(DesktopTest, StartSizeFitsASmallScreen) {
    SetScreenAreaOverride(QRect(0, 0, 1366, 768));
    Open();
    EXPECT_EQ(window->width(), 1330);
    EXPECT_LE(window->height(), 768 - 20);  // room for the title bar
    EXPECT_GE(window->height(), 600);
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    // The window can be made smaller still and the image then scrolls.
    const QSize smallest = window->minimumSizeHint();
    EXPECT_LE(smallest.width(), 1366);
    EXPECT_LE(smallest.height(), 768);

    // A big screen keeps the classic size.
    window->FitToScreen(QRect(0, 0, 1600, 1200));
    EXPECT_EQ(window->size(), QSize(1330, 1110));
}

TEST_F(DesktopTest, WholeImageIsReachableThroughTheScrollBars) {
    SetScreenAreaOverride(QRect(0, 0, 1366, 768));
    Open();
    window->show();
    QCoreApplication::processEvents();
    // The 2048 x 2048 ramp binned to 1024 x 1024 in a view less tall.
    QAbstractScrollArea* view = View();
    const int vw = view->viewport()->width(), vh = view->viewport()->height();
    ASSERT_LT(vh, 1024);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), 1024 - vh);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), std::max(0, 1024 - vw));
    // The scroll bars lie inside the window.
    QRect bar = view->verticalScrollBar()->geometry();
    bar.moveTopLeft(view->verticalScrollBar()->mapTo(window.get(), QPoint(0, 0)));
    EXPECT_TRUE(window->rect().contains(bar)) << bar.x() << "," << bar.y() << " " << bar.width() << "x" << bar.height();
}

TEST_F(DesktopTest, DialogLargerThanTheScreenScrolls) {
    SetScreenAreaOverride(QRect(0, 0, 1366, 768));
    Open();
    QDialog big(window.get());
    auto* layout = new QVBoxLayout(&big);
    auto* huge = new QWidget;
    huge->setObjectName("huge");
    huge->setMinimumSize(1500, 1400);
    layout->addWidget(huge);
    big.show();
    auto* scroll = big.findChild<QScrollArea*>("dialogScroll");
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(huge->window(), &big);
    EXPECT_TRUE(scroll->isAncestorOf(huge));
    EXPECT_LE(big.width(), 1366);
    EXPECT_LE(big.height(), 768);

    // A dialog that fits is left alone.
    QDialog small(window.get());
    auto* smallLayout = new QVBoxLayout(&small);
    smallLayout->addWidget(new QLabel("fits"));
    small.show();
    EXPECT_EQ(small.findChild<QScrollArea*>("dialogScroll"), nullptr);
}

// ---- Readout -------------------------------------------------------------------------

// An independent picture: value = 7 x + 3 y.
uint16_t Pattern(int x, int y) { return uint16_t(7 * x + 3 * y); }

TEST_F(DesktopTest, ReadoutInEveryViewMode) {
    Open();
    window->resize(900, 700);
    window->show();
    QCoreApplication::processEvents();
    const ImageGeometry& g = State().geometry;
    ASSERT_EQ(g.width, 2048);
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) State().imageA[size_t(y) * g.width + x] = Pattern(x, y);
    RedrawImage();
    auto expect = [](int x, int y) {
        return QString("x %1  y %2  value %3").arg(x).arg(y).arg(Pattern(x, y));
    };

    // Binned display (the start-up state): every displayed pixel is the
    // image pixel at twice its position.
    ASSERT_TRUE(BinnedDisplay());
    EXPECT_EQ(MoveTo(100, 50), expect(200, 100));
    // Scrolled by 30 across.
    View()->horizontalScrollBar()->setValue(30);
    EXPECT_EQ(MoveTo(100, 50), expect(260, 100));
    View()->horizontalScrollBar()->setValue(0);

    // Full resolution.
    RunCommand(cmd::kBinHighResDisplay);
    ASSERT_FALSE(BinnedDisplay());
    EXPECT_EQ(MoveTo(100, 50), expect(100, 50));

    // Fit to window: the whole 2048 x 2048 bitmap in the client area.
    RunCommand(cmd::kFitToWindow);
    const int vw = View()->viewport()->width(), vh = View()->viewport()->height();
    EXPECT_EQ(MoveTo(vw / 2, vh / 4), expect(int64_t(vw / 2) * 2048 / vw, int64_t(vh / 4) * 2048 / vh));
    RunCommand(cmd::kFitToWindow);

    // Centred: binned again (1024 wide) in a client wider than that.
    RunCommand(cmd::kBinHighResDisplay);
    window->resize(1330, 700);
    QCoreApplication::processEvents();
    RunCommand(cmd::kCentreImage);
    const int cw = View()->viewport()->width();
    ASSERT_GT(cw, 1024);
    const int left = (cw - 1024) / 2;
    EXPECT_EQ(MoveTo(left + 10, 20), expect(20, 40));
    // In the margin left of the picture: the image size and file instead.
    EXPECT_EQ(MoveTo(left - 5, 20), "2048 x 2048  (Untitled)");
    RunCommand(cmd::kCentreImage);

    // Mirrored: the image itself is turned, the readout follows it.
    RunCommand(cmd::kMirrorImage);
    EXPECT_EQ(MoveTo(10, 20), QString("x 20  y 40  value %1").arg(Pattern(2047 - 20, 40)));

    // Away from the image.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(View(), &leave);
    EXPECT_EQ(window->ReadoutText(), "2048 x 2048  (Untitled)");
    // The help line stays the first field.
    EXPECT_EQ(window->StatusText(), QString(kStatusBarText));
}

// ---- Closing during a loop -------------------------------------------------------

TEST_F(DesktopTest, CloseDuringALoopAsksThenStopsItAtTheNextCancelPoint) {
    Open();
    window->show();
    int polls = 0;
    events.onPump = [&] {
        if (polls == 3) window->close();
    };
    messages.answers = {kButtonYes};
    // A loop of someone else's, written the usual way.
    while (!PollInterrupt() && polls < 100) ++polls;
    EXPECT_EQ(polls, 3);  // stopped at the next poll after the close
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_EQ(messages.shown[0].text, kCloseMainWindowQuestion);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Question);
    // Still open while the command unwinds; closed back in the message loop.
    EXPECT_TRUE(window->isVisible());
    Settle([&] { return !window->isVisible(); });
    EXPECT_FALSE(window->isVisible());
    // The stop does not outlive the close.
    EXPECT_FALSE(window->Guard().StopRequested());
}

TEST_F(DesktopTest, AnsweringNoKeepsTheLoopRunning) {
    Open();
    window->show();
    int polls = 0;
    events.onPump = [&] {
        if (polls == 3) window->close();
    };
    messages.answers = {kButtonNo};
    while (!PollInterrupt() && polls < 10) ++polls;
    EXPECT_EQ(polls, 10);
    EXPECT_EQ(messages.shown.size(), 1u);
    Settle([] { return false; });
    EXPECT_TRUE(window->isVisible());
    // Outside a loop the window closes without a question.
    events.onPump = nullptr;
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(DesktopTest, CloseWhileAProgressWindowPaintsIsAskedAboutToo) {
    Open();
    window->show();
    messages.answers = {kButtonNo};
    {
        // The progress window lets the window system paint between steps.
        LoopGuard::Scope painting;
        window->close();
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kCloseMainWindowQuestion);
    EXPECT_TRUE(window->isVisible());
}

// ---- Tool tips and icons --------------------------------------------------------------

TEST_F(DesktopTest, ToolTipsShowMenuTextKeyAndWhyGreyed) {
    State().settings.driveMethod = 'n';
    Open();
    QAction* open = window->ToolBar()->findChild<QAction*>("tool24332");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->toolTip(), "Open... (Ctrl+O)");
    QAction* camera = window->ToolBar()->findChild<QAction*>("tool12");
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->toolTip(), "Velmora Camera Interface (Ctrl+Z)");
    QAction* telescope = window->CommandAction(cmd::kTelescopeControl);
    ASSERT_NE(telescope, nullptr);
    EXPECT_FALSE(telescope->isEnabled());
    EXPECT_EQ(telescope->toolTip(), "Telescope Control\nneeds a telescope drive method");
    // Every button has its picture, and every picture is a valid SVG.
    for (QAction* action : window->ToolBar()->actions()) {
        if (action->isSeparator()) continue;
        EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
        const char* name = ToolIconName(action->property("bitmap").toInt());
        ASSERT_NE(name, nullptr);
        QSvgRenderer svg(QString(":/icons/%1.svg").arg(name));
        EXPECT_TRUE(svg.isValid()) << name;
        EXPECT_EQ(svg.defaultSize(), QSize(24, 24)) << name;
        EXPECT_FALSE(action->toolTip().contains(QString::number(action->data().toInt())))
            << action->toolTip().toStdString();
    }
}

// ---- Help -----------------------------------------------------------------------------

TEST_F(DesktopTest, HelpOpensTheManualInsideTheProgram) {
    Open();
    const std::string bin = HomePath("bin");
    std::filesystem::create_directories(bin + "/docs/images");
    const std::string text = "# Test manual\n\nSome words.\n\n![window](images/w.png)\n";
    ASSERT_TRUE(ReplaceFile(bin + "/docs/manual.md", Bytes(text.begin(), text.end())));
    ASSERT_TRUE(OpenHelp(bin));
    THelpWindow* help = OpenHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Test manual"));
    EXPECT_TRUE(messages.shown.empty());
    // Asked again: the same window.
    ASSERT_TRUE(OpenHelp(bin));
    EXPECT_EQ(OpenHelpWindow(), help);
    // An empty manual is no manual.
    ASSERT_TRUE(ReplaceFile(bin + "/docs/manual.md", Bytes{}));
    EXPECT_FALSE(OpenHelp(bin));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "WinHelp failed!");
}

TEST_F(DesktopTest, ShippedManualCoversEveryMenuCommand) {
    Open();
    THelpWindow help;
    ASSERT_TRUE(help.ShowManual(QString(VELMORA_SOURCE_DIR) + "/docs/manual.md"));
    const QString text = help.Browser()->toPlainText();
    ASSERT_GT(text.size(), 1000) << text.left(300).toStdString();
    for (int id : AllMenuCommands()) {
        const QString name = QString::fromStdString(CommandName(id));
        EXPECT_TRUE(text.contains(name, Qt::CaseInsensitive)) << name.toStdString();
    }
    for (const char* topic : {"--simulate", "velmora-cli", "VELMORA_HOME", "70-velmora.rules", "udev",
                              "Stretch Display", "Program Defaults", "Camera Control", "cmake --install",
                              "WinHelp failed!"})
        EXPECT_TRUE(text.contains(topic)) << topic;
}

// ---- Printing ---------------------------------------------------------------------------

TEST_F(DesktopTest, PrintingToPdfGivesOnePageWithThePicture) {
    Open();
    State().currentFileName = "m42.fit";
    const QImage picture = LoadDisplayBitmap();
    ASSERT_EQ(picture.size(), QSize(1024, 1024));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString file = QString::fromStdString(HomePath("page.pdf"));
    printer.setOutputFileName(file);
    printer.setPageSize(QPageSize(QPageSize::A4));
    ASSERT_TRUE(PrintPicture(printer, picture, "Velmora_USB - m42.fit"));
    QFile pdf(file);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    // One page, A4 (595 x 842 points).
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1)
        << bytes.left(2000).toStdString();
    const QRegularExpression a4(R"(/MediaBox \[0 0 595(\.0+)? 842(\.0+)?\])");
    EXPECT_TRUE(QString::fromLatin1(bytes).contains(a4)) << bytes.mid(bytes.indexOf("/MediaBox"), 60).toStdString();
    // The picture itself, at its own size.
    EXPECT_TRUE(bytes.contains("/Width 1024"));
    EXPECT_TRUE(bytes.contains("/Height 1024"));
    // The caption is the document's title.
    QByteArray title("\xFE\xFF", 2);
    for (char c : std::string("Velmora_USB - m42.fit")) title.append('\0').append(c);
    EXPECT_TRUE(bytes.contains(title));

    // Nothing displayed: nothing printed.
    EXPECT_FALSE(PrintPicture(printer, QImage(), "x"));
}

// ---- Progress window ---------------------------------------------------------------------

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(DesktopTest, ProgressWindowShowsTheWholeCaptionAndIsPaintedAtOnce) {
    Open();
    window->show();
    QCoreApplication::processEvents();
    QtProgressSink sink;
    TProgressDialog* dialog = sink.Dialog();
    PaintCounter counter;
    dialog->installEventFilter(&counter);
    const std::string caption = "READING 2048 x 2048 (Left - 1) - takes 5-6 seconds";
    sink.Open("EXPOSURE UNDERWAY (Left - 1)");
    EXPECT_GT(counter.paints, 0);  // drawn before anything else runs
    counter.paints = 0;
    sink.SetCaption(caption);
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(dialog->windowTitle().toStdString(), caption);
    EXPECT_EQ(dialog->CaptionText().toStdString(), caption);
    // Wide enough for the caption in the title font.
    QFont bold = dialog->font();
    bold.setBold(true);
    EXPECT_GE(dialog->width(), QFontMetrics(bold).horizontalAdvance(QString::fromStdString(caption)));
    // The time left of a long exposure, and gone again.
    sink.SetTimeLeft(75);
    EXPECT_EQ(dialog->TimeLeftText(), "Time left: 1 min 15 s");
    sink.SetTimeLeft(-1);
    EXPECT_EQ(dialog->TimeLeftText(), "");
    sink.Close();
    EXPECT_FALSE(dialog->isVisible());
}

}  // namespace
