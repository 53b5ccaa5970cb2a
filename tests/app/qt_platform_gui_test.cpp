// The desktop side of the platform seams: message boxes, the event pump,
// the busy cursor, the progress window, the file dialogs, the About box.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "app/about_dialog.h"
#include "core/messages.h"
#include "app/progress_dialog.h"
#include "app/qt_platform.h"
#include "platform/files.h"
#include "support/test_env.h"

namespace {

// Runs check on the next modal window once the event loop of exec() runs.
void WhenModalOpens(std::function<void(QWidget*)> check) {
    QTimer::singleShot(0, [check] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->isModal()) modal = w;
        }
        check(modal);
    });
}

class QtPlatformTest : public VelmoraTest {};

TEST_F(QtPlatformTest, MessageBoxCaptionTextAndOk) {
    QtMessageSink sink;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Question;
    int buttons = 0;
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(sink.Show("Velmora_USB", "Sorry, Invalid directory", MessageIcon::None), kButtonOk);
    EXPECT_EQ(title.toStdString(), "Velmora_USB");
    EXPECT_EQ(text.toStdString(), "Sorry, Invalid directory");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons, 1);
}

TEST_F(QtPlatformTest, StopIconAndQuestion) {
    QtMessageSink sink;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(sink.Show("Velmora_Fir", "WinHelp failed!", MessageIcon::Stop), kButtonOk);
    EXPECT_EQ(icon, QMessageBox::Critical);

    WhenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(sink.Show("Velmora_USB", "Delete?", MessageIcon::Question), kButtonNo);
}

TEST_F(QtPlatformTest, ShowMessageGoesThroughTheInstalledSink) {
    // The recording sink of the test platform.
    ShowMessage(2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_EQ(messages.shown[0].text, "Sorry, outside Image area - try again");

    // The desktop platform replaces it while it lives and puts it back.
    QString title, text;
    {
        QtPlatform desktop;
        EXPECT_EQ(Sys().messages, &desktop.messages);
        EXPECT_EQ(Sys().clock, &clock);  // the clock stays
        WhenModalOpens([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(ShowMessage(52), kButtonOk);
    }
    EXPECT_EQ(title.toStdString(), "Velmora_USB");
    EXPECT_EQ(text.toStdString(), "Sorry, Invalid directory");
    EXPECT_EQ(Sys().messages, &messages);
    ShowMessage(999);  // unknown code: an empty box
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "");
}

TEST_F(QtPlatformTest, KeyAndMouseButtonPressesWhilePumpingInterrupt) {
    QtEventPump pump;
    QWidget target;
    target.resize(50, 50);
    target.show();
    QWindow* window = target.windowHandle();
    ASSERT_NE(window, nullptr);

    EXPECT_FALSE(pump.TakeInterrupt());
    pump.Pump();
    EXPECT_FALSE(pump.TakeInterrupt());

    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
    pump.Pump();
    EXPECT_TRUE(pump.TakeInterrupt());
    EXPECT_FALSE(pump.TakeInterrupt());  // taken once

    auto press = [&](Qt::MouseButton button) {
        QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                                            QPointF(5, 5), button, button, Qt::NoModifier));
        pump.Pump();
        const bool interrupted = pump.TakeInterrupt();
        QCoreApplication::postEvent(window, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5),
                                                            QPointF(5, 5), QPointF(5, 5), button, Qt::NoButton,
                                                            Qt::NoModifier));
        pump.Pump();
        return interrupted;
    };
    EXPECT_TRUE(press(Qt::LeftButton));
    EXPECT_TRUE(press(Qt::RightButton));
    EXPECT_FALSE(press(Qt::MiddleButton));

    // A press the ordinary message loop handles is no interrupt for the
    // next long operation.
    QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
    QCoreApplication::processEvents();
    pump.Pump();
    EXPECT_FALSE(pump.TakeInterrupt());
}

TEST_F(QtPlatformTest, WaitSecondsEndsOnAKeyPress) {
    QtPlatform desktop;
    QWidget target;
    target.show();
    // The fake clock stays installed: the wait is instant unless interrupted.
    EXPECT_FALSE(WaitSeconds(2));
    QCoreApplication::postEvent(target.windowHandle(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    const uint32_t start = clock.now;
    EXPECT_TRUE(WaitSeconds(5));
    EXPECT_LT(clock.now - start, 5000u);
}

TEST_F(QtPlatformTest, BusyCursor) {
    QtSystemServices services;
    services.SetBusyCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    services.SetBusyCursor(true);  // not stacked twice
    services.SetBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    services.SetBusyCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(services.StartDetached(""));
    EXPECT_FALSE(services.StartDetached("/nonexistent/PRINTIMG.EXE PRINT x.bmp"));
}

TEST_F(QtPlatformTest, ProgressWindow) {
    QtProgressSink sink;
    sink.Open("");
    TProgressDialog* dialog = sink.Dialog();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Filter Progress");
    auto* bar = dialog->findChild<QProgressBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 256);
    sink.SetCaption("Gaussian Filter");
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Gaussian Filter");
    sink.SetPosition(128);
    EXPECT_EQ(bar->value(), 128);
    sink.SetPosition(300);
    EXPECT_EQ(bar->value(), 256);
    sink.SetPosition(-4);
    EXPECT_EQ(bar->value(), 0);
    sink.Close();
    EXPECT_FALSE(dialog->isVisible());
    sink.Open("Median Filter");
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Median Filter");
    EXPECT_EQ(bar->value(), 0);
    sink.Close();
}

TEST_F(QtPlatformTest, FileDialogFiltersAndChosenIndex) {
    QtFileChooser chooser;
    ASSERT_TRUE(ReplaceFile(home + "/a.fit", Bytes{1}));
    QStringList shownFilters;
    QString shownTitle;
    WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        shownTitle = dialog->windowTitle();
        shownFilters = dialog->nameFilters();
        dialog->selectNameFilter("All Files (*)");
        dialog->selectFile(QString::fromStdString(home + "/a.fit"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    int index = 1;
    const std::string chosen =
        chooser.AskOpen("Open", "FITS Files (*.fit)|*.fit|All Files (*.*)|*.*", index, home + "/");
    EXPECT_EQ(shownTitle.toStdString(), "Open");
    EXPECT_EQ(shownFilters, (QStringList{"FITS Files (*.fit)", "All Files (*)"}));
    EXPECT_EQ(chosen, home + "/a.fit");
    EXPECT_EQ(index, 2);

    WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->reject();
    });
    index = 1;
    EXPECT_EQ(chooser.AskSave("Save", "Tiff (*.tif)|*.tif", index, home + "/x.tif"), "");
    EXPECT_EQ(index, 1);
}

TEST_F(QtPlatformTest, AboutBox) {
    TAboutDialog about;
    EXPECT_EQ(about.windowTitle().toStdString(), "Help About Velmora_USB");
    int lines = 0;
    for (QLabel* label : about.findChildren<QLabel*>())
        if (label->objectName().startsWith("aboutLine")) {
            ++lines;
            EXPECT_FALSE(label->text().isEmpty());
        }
    EXPECT_EQ(lines, 4);
    const auto buttons = about.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text().toStdString(), "OK");
    WhenModalOpens([&](QWidget* modal) {
        ASSERT_EQ(modal, &about);
        buttons[0]->click();
    });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

}  // namespace
