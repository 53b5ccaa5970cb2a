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
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QSvgRenderer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "acquisition/camera_dialog.h"
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
#include "guiding/guider_camera_dialog.h"
#include "display/render.h"
#include "files/file_commands.h"
#include "platform/files.h"
#include "platform/paths.h"
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

// True when the button lies wholly inside its window as it is shown now
// (not scrolled out of view).
bool InView(const QWidget* button) {
    const QWidget* window = button->window();
    const QRect at(button->mapTo(window, QPoint(0, 0)), button->size());
    return button->isVisible() && window->rect().contains(at);
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
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton("OK");
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    big.show();
    auto* scroll = big.findChild<QScrollArea*>("dialogScroll");
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(huge->window(), &big);
    EXPECT_TRUE(scroll->isAncestorOf(huge));
    EXPECT_LE(big.width(), 1366);
    EXPECT_LE(big.height(), 768);
    // The button row stays below the scroll area, in view.
    EXPECT_FALSE(scroll->isAncestorOf(ok));
    EXPECT_TRUE(InView(ok));

    // A dialog that fits is left alone.
    QDialog small(window.get());
    auto* smallLayout = new QVBoxLayout(&small);
    smallLayout->addWidget(new QLabel("fits"));
    small.show();
    EXPECT_EQ(small.findChild<QScrollArea*>("dialogScroll"), nullptr);
}

TEST_F(DesktopTest, BigDialogsFitASmallScreenWithTheirButtonsInView) {
    Open();
    // A 1366 x 768 screen, bare and with a 32-pixel panel at the top.
    const QRect areas[] = {QRect(0, 0, 1366, 768), QRect(0, 32, 1366, 736)};
    const struct {
        const char* name;
        std::function<QDialog*()> make;
        std::vector<QString> actions;
    } dialogs[] = {
        {"camera", [&] { return new TCamDialog(window.get()); },
         {"Take Photo", "Autoguide Photo", "Cancel", "Help"}},
        {"guider", [&] { return new TGCamDialog(window.get()); }, {"Help", "Close"}},
    };
    for (const QRect& area : areas)
        for (const auto& d : dialogs) {
            SetScreenAreaOverride(area);
            std::unique_ptr<QDialog> dialog(d.make());
            dialog->move(400, 300);
            dialog->show();
            QCoreApplication::processEvents();
            const std::string what = std::string(d.name) + " on " + std::to_string(area.height());
            // The window and its frame (title bar and borders) on the screen.
            EXPECT_GE(dialog->y(), area.top()) << what;
            EXPECT_LE(dialog->y() + dialog->height() + 48, area.bottom() + 1) << what;
            EXPECT_LE(dialog->x() + dialog->width() + 16, area.right() + 1) << what;
            for (const QString& caption : d.actions) {
                QPushButton* button = nullptr;
                for (QPushButton* b : dialog->findChildren<QPushButton*>())
                    if (b->text().trimmed() == caption) button = b;
                ASSERT_NE(button, nullptr) << caption.toStdString();
                EXPECT_TRUE(InView(button)) << what << ": " << caption.toStdString();
            }
            dialog->hide();
        }
}

// A tool window of ours with no object name.
class TToolDialog : public QDialog {
public:
    explicit TToolDialog(QWidget* parent) : QDialog(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("a tool window"));
        setFixedSize(200, 100);
    }
};

TEST_F(DesktopTest, DialogsReopenWhereTheUserLastPutThem) {
    SetScreenAreaOverride(QRect(0, 0, 1366, 768));
    Open();
    const struct {
        QPoint put, reopened;
    } cases[] = {
        {{300, 20}, {300, 20}},
        {{1300, 700}, {1366 - 16 - 200, 768 - 48 - 100}},  // pulled back onto the screen, frame and all
        {{-50, -10}, {0, 0}},
    };
    for (const auto& c : cases) {
        {
            TToolDialog first(window.get());
            first.show();
            first.move(c.put);
        }  // closed where it was put
        TToolDialog again(window.get());
        again.show();
        EXPECT_EQ(again.pos(), c.reopened) << c.put.x() << "," << c.put.y();
        again.move(200, 150);
        again.hide();
    }
    // Kept in a text file of our own beside the settings file, by class.
    const auto text = ReadWholeFile(HomePath("autosave/VelmoraWindows.txt"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(std::string(text->begin(), text->end()), "TToolDialog 200 150\n");
    TCamDialog camera(window.get());
    EXPECT_EQ(WindowName(&camera), "TCamDialog");
    QDialog plain;
    EXPECT_EQ(WindowName(&plain), "");
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

TEST_F(DesktopTest, ClosingTheProgressWindowAsksWithoutHoldingTheLoopAndYesStopsIt) {
    Open();
    window->show();
    // The desktop's own question boxes, in place of the recording ones.
    QtMessageSink boxes;
    Platform platform = Sys();
    platform.messages = &boxes;
    const Platform recording = InstallPlatform(platform);
    // Were the question modal, it would hold the loop: answer it after a
    // while so the test ends (and fails).
    QTimer::singleShot(1500, [] {
        if (auto* modal = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) modal->done(QMessageBox::No);
    });
    // The exposure runs from a dialog held open on its own, as the camera
    // dialog is.
    QDialog camera(window.get());
    camera.setWindowModality(Qt::ApplicationModal);
    camera.show();
    QtProgressSink sink;
    sink.Open("EXPOSURE UNDERWAY (Left - 1)");
    TProgressDialog* progress = sink.Dialog();
    int polls = 0;
    QString shownWhileAsking;
    events.onPump = [&] {
        sink.SetTimeLeft(60 - polls);  // the exposure's count-down
        if (polls == 3) progress->close();
        if (polls == 5) {
            auto* question = window->findChild<QMessageBox*>("loopQuestion");
            ASSERT_NE(question, nullptr);
            EXPECT_TRUE(question->isVisible());
            EXPECT_EQ(question->text().toStdString(), kCloseWindowQuestion);
            shownWhileAsking = progress->TimeLeftText();
            question->button(QMessageBox::Yes)->click();
        }
    };
    // A loop written the usual way.
    while (!PollInterrupt() && polls < 100) ++polls;
    sink.Close();
    events.onPump = nullptr;
    InstallPlatform(recording);
    EXPECT_EQ(polls, 5);  // stopped at the poll after Yes
    EXPECT_EQ(shownWhileAsking, "Time left: 55 s");  // counted on while asked
    Settle([&] { return !window->Guard().StopRequested(); });
    EXPECT_FALSE(window->Guard().StopRequested());  // the next loop runs
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(camera.isVisible());
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

// ---- Saves ------------------------------------------------------------------------------

TEST_F(DesktopTest, EverySaveNamesTheFileWrittenInTheStatusBar) {
    Open();
    const FileDialogRunners dialogs = FileDialogs();
    FileDialogs().fitsDetails = [] { return true; };
    State().settings.autosaveCounter = 15;
    const struct {
        int command;
        std::string answer;  // the name typed in the save dialog
        std::string written;
    } cases[] = {
        {cmd::kQuickSaveFits, "", HomePath("autosave/IMG16.FIT")},
        {cmd::kSaveFits, HomePath("m42"), HomePath("m42.FIT")},
        {cmd::kSaveTiff, HomePath("m42"), HomePath("m42.TIF")},
        {cmd::kSave, HomePath("raw~1"), HomePath("raw~1")},
    };
    for (const auto& c : cases) {
        window->StatusBar()->clearMessage();
        if (!c.answer.empty()) files.answers.push_back(c.answer);
        ASSERT_TRUE(RunCommand(c.command)) << c.command;
        EXPECT_TRUE(FileExists(c.written)) << c.written;
        EXPECT_EQ(window->StatusBar()->currentMessage().toStdString(), "Saved " + c.written);
    }
    EXPECT_TRUE(messages.shown.empty());
    FileDialogs() = dialogs;
}

// A "#section" link of the manual as the reader sees it.
struct SectionLink {
    QString href, text;
    int position = 0;  // inside the link text
};

std::vector<SectionLink> SectionLinks(const QTextDocument* document) {
    std::vector<SectionLink> links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString href = fragment.charFormat().anchorHref();
            if (fragment.isValid() && href.startsWith('#'))
                links.push_back({href, fragment.text(), fragment.position() + fragment.length() / 2});
        }
    return links;
}

void Click(QWidget* widget, QPoint at) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

TEST_F(DesktopTest, EveryContentsLinkAndCrossReferenceGoesToItsSection) {
    Open();
    THelpWindow help;
    help.resize(800, 600);
    help.show();
    ASSERT_TRUE(help.ShowManual(QString(VELMORA_SOURCE_DIR) + "/docs/manual.md"));
    QTextBrowser* browser = help.Browser();
    QScrollBar* bar = browser->verticalScrollBar();
    const std::vector<SectionLink> links = SectionLinks(browser->document());
    ASSERT_GE(links.size(), 19u);  // the contents and two cross-references
    for (const SectionLink& link : links) {
        // Scrolled to the link and clicked, as a reader does.
        QTextCursor at(browser->document());
        at.setPosition(link.position);
        browser->setTextCursor(at);
        browser->ensureCursorVisible();
        const int from = bar->value();
        Click(browser->viewport(), browser->cursorRect(at).center());
        QCoreApplication::processEvents();
        // The heading of the same text is now at the top of the view (or as
        // near as the end of the manual lets it come).
        QTextBlock heading = browser->document()->begin();
        while (heading.isValid() && !(heading.blockFormat().headingLevel() > 0 && heading.text() == link.text))
            heading = heading.next();
        ASSERT_TRUE(heading.isValid()) << link.text.toStdString();
        const QRect shown = browser->cursorRect(QTextCursor(heading));
        EXPECT_GE(shown.top(), 0) << link.href.toStdString();
        EXPECT_LE(shown.bottom(), browser->viewport()->height()) << link.href.toStdString();
        if (bar->value() < bar->maximum()) EXPECT_LE(shown.top(), 10) << link.href.toStdString();
        // Back returns to the link.
        help.findChild<QPushButton*>("helpBack")->click();
        EXPECT_EQ(bar->value(), from) << link.href.toStdString();
    }
    // The contents names every section.
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() == 2)
            EXPECT_TRUE(std::any_of(links.begin(), links.end(), [&](const SectionLink& l) { return l.text == block.text(); }))
                << block.text().toStdString();
}

TEST(HelpAnchors, HeadingsAreNamedAsGitHubNamesThem) {
    const struct {
        const char* heading;
        const char* anchor;
    } cases[] = {
        {"Camera permissions: the udev rule", "camera-permissions-the-udev-rule"},
        {"Histogram, row plot and 3-D plot", "histogram-row-plot-and-3-d-plot"},
        {"Velmora \u2014 user manual", "velmora--user-manual"},
        {"  The INDI_driver (v2) ", "the-indi_driver-v2"},
    };
    for (const auto& c : cases) EXPECT_EQ(HeadingAnchor(QString::fromUtf8(c.heading)).toStdString(), c.anchor);
    // A repeated heading is numbered.
    QTextDocument document;
    document.setMarkdown("# Notes\n\ntext\n\n## Notes\n\n## Other\n");
    EXPECT_EQ(NameHeadingAnchors(&document), 3);
    QStringList names;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        if (block.blockFormat().headingLevel() > 0) names += block.begin().fragment().charFormat().anchorNames();
    EXPECT_EQ(names, (QStringList{"notes", "notes-1", "other"}));
}

TEST_F(DesktopTest, HelpSearchFindsEachPlaceInTurn) {
    Open();
    THelpWindow help;
    help.resize(800, 600);
    help.show();
    ASSERT_TRUE(help.ShowManual(QString(VELMORA_SOURCE_DIR) + "/docs/manual.md"));
    QTextBrowser* browser = help.Browser();
    QLineEdit* search = help.SearchField();
    ASSERT_NE(search, nullptr);
    auto key = [&](int code, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(search, &press);
    };
    for (const QChar c : QString("udevadm")) key(0, c);
    // The manual has "udevadm" twice, both far down.
    const QTextCursor one = browser->document()->find("udevadm");
    const int first = one.selectionStart(), second = browser->document()->find("udevadm", one).selectionStart();
    ASSERT_GT(second, first);
    std::vector<int> found;
    for (int i = 0; i < 3; ++i) {
        const QTextCursor cursor = browser->textCursor();
        EXPECT_EQ(cursor.selectedText(), "udevadm");
        found.push_back(cursor.selectionStart());
        const QRect shown = browser->cursorRect(cursor);
        EXPECT_TRUE(browser->viewport()->rect().contains(shown)) << i;
        key(Qt::Key_Return, "\r");
    }
    EXPECT_EQ(found, (std::vector<int>{first, second, first}));  // round to the top
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(help.isVisible());  // Return pressed no button
    // Not there: the place found last stays selected.
    EXPECT_FALSE(help.FindNext("no such words here"));
    EXPECT_EQ(browser->textCursor().selectionStart(), second);
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
