#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "files/file_command_ids.h"
#include "files/file_dialogs.h"
#include "files/file_state.h"
#include "files/hot_pixels.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/test_env.h"

namespace {

class FilesGuiTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetFileState();
    }
    template <class W>
    static W* Control(QWidget* dialog, int id) {
        W* w = FindControl<W>(dialog, id);
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    static std::string Text(QLineEdit* e) { return e->text().toStdString(); }
    static std::string Text(QLabel* l) { return l->text().toStdString(); }
    // Clicks a button of the modal dialog that exec() opens next.
    static void ClickInNextModal(int id) {
        QTimer::singleShot(0, [id] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            FindControl<QPushButton>(modal, id)->click();
        });
    }
};

TEST_F(FilesGuiTest, FitsDialogShowsTheDetails) {
    FitsDetails& f = State().fits;
    f.object = "M13";
    f.observer = "me";
    f.date = "2024-06-01";
    f.time = "23:00:00";
    f.origin = "field";
    f.telescope = "Newton";
    f.comment = "clear";
    f.history = "none";
    f.filter = "L";
    f.focalLength = 40;
    f.aperture = 12.5;
    f.exposure = 300;
    State().settings.utOffsetHours = -4;
    TFITSDialog dialog;
    EXPECT_EQ(dialog.windowTitle().toStdString(), "FITS DETAILS");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 101)), "M13");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 102)), "me");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 103)), "2024-06-01");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 104)), "Newton");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 105)), "Korvane CCD");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 106)), "clear");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 107)), "none");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 109)), "field");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 110)), "23:00:00");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 113)), "40.000000");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 114)), "12.500000");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 115)), "L");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 116)), "300.000000");
    EXPECT_EQ(Control<QScrollBar>(&dialog, 111)->value(), -4);
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 112)), "-4");
    EXPECT_EQ(Control<QPushButton>(&dialog, 1)->text().toStdString(), "Continue");
    EXPECT_EQ(Control<QPushButton>(&dialog, 2)->text().toStdString(), "Abort");
    EXPECT_EQ(Control<QCheckBox>(&dialog, 108)->text().toStdString(), "8 bit integer (16 bit default)");
    EXPECT_EQ(Control<QCheckBox>(&dialog, 117)->text().toStdString(), "Unsigned Integer Format");
}

TEST_F(FilesGuiTest, FitsDialogContinueStoresWhatTheControlsHold) {
    State().settings.utOffsetHours = 30;  // outside the range: shows as 0
    TFITSDialog dialog;
    QScrollBar* ut = Control<QScrollBar>(&dialog, 111);
    EXPECT_EQ(ut->value(), 0);
    Control<QLineEdit>(&dialog, 101)->setText(QString(80, 'o'));
    Control<QLineEdit>(&dialog, 103)->setText("2024-06-01T22:00");
    Control<QLineEdit>(&dialog, 113)->setText("55.5");
    Control<QLineEdit>(&dialog, 114)->setText("not a number");
    Control<QLineEdit>(&dialog, 116)->setText("-2");
    for (int i = 0; i < 14; ++i) ut->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(ut->value(), 11);
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 112)), "11");
    ut->triggerAction(QAbstractSlider::SliderSingleStepSub);
    Control<QPushButton>(&dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const FitsDetails& f = State().fits;
    EXPECT_EQ(f.object, std::string(67, 'o'));
    EXPECT_EQ(f.date, "2024-06-01T");
    EXPECT_DOUBLE_EQ(f.focalLength, 55.5);
    EXPECT_DOUBLE_EQ(f.aperture, 0);
    EXPECT_DOUBLE_EQ(f.exposure, -2);
    EXPECT_EQ(State().settings.utOffsetHours, 10);
}

TEST_F(FilesGuiTest, FitsDialogAbortKeepsTheDetailsButClicksToggleAtOnce) {
    State().settings.utOffsetHours = 2;
    TFITSDialog dialog;
    Control<QLineEdit>(&dialog, 101)->setText("changed");
    Control<QScrollBar>(&dialog, 111)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    Control<QCheckBox>(&dialog, 108)->click();
    EXPECT_TRUE(State().fits.eightBit);
    EXPECT_TRUE(Control<QCheckBox>(&dialog, 108)->isChecked());
    Control<QCheckBox>(&dialog, 108)->click();
    EXPECT_FALSE(State().fits.eightBit);
    const bool unsignedBefore = State().settings.unsignedFormat;
    Control<QCheckBox>(&dialog, 117)->click();
    EXPECT_NE(State().settings.unsignedFormat, unsignedBefore);
    Control<QPushButton>(&dialog, 2)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(State().fits.object, "");
    EXPECT_EQ(State().settings.utOffsetHours, 2);
}

TEST_F(FilesGuiTest, FitsDialogRunsModally) {
    State().fits.object = "kept";
    ClickInNextModal(1);
    EXPECT_TRUE(RunFitsDetailsDialog());
    EXPECT_EQ(State().fits.object, "kept");
    ClickInNextModal(2);
    EXPECT_FALSE(RunFitsDetailsDialog());
}

TEST_F(FilesGuiTest, DeleteDialog) {
    TDeleteDialog dialog("c:\\images\\old~1");
    EXPECT_EQ(dialog.windowTitle().toStdString(), "DELETE FILE DIALOG");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 101)), "c:\\images\\old~1");
    EXPECT_NE(dialog.findChild<QLabel*>(), nullptr);
    EXPECT_EQ(dialog.findChild<QLabel*>()->text().toStdString(), "Delete this file?");
    ClickInNextModal(1);
    EXPECT_TRUE(RunDeleteDialog("x"));
    ClickInNextModal(2);
    EXPECT_FALSE(RunDeleteDialog("x"));
}

TEST_F(FilesGuiTest, HotPixelDialogCountFollowsTheScrollBar) {
    ImageGeometry& g = State().geometry;
    g.modelCode = 3;
    g.sensorWidth = 40;
    g.sensorHeight = 30;
    RecomputeGeometry();
    std::fill(State().imageA, State().imageA + 1200, 100);
    State().imageA[10 * 40 + 10] = 65535;
    State().imageA[12 * 40 + 12] = 65534;
    State().imageA[14 * 40 + 14] = 65434;
    THPMDialog dialog(State().imageA);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Calculate Hot Pixel Map");
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32001)), "c:\\AUTOSAVE");
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 32002)), "QMono_HPM");
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32003)), "0");
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32004)), "c:\\AUTOSAVE\\QMono_HPM.HPM");
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32005)), "65535");
    QScrollBar* bar = Control<QScrollBar>(&dialog, 32007);
    EXPECT_EQ(bar->minimum(), 5000);
    EXPECT_EQ(bar->maximum(), 65535);

    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // at the top: stays
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32003)), "1");
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32005)), "65534");
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32003)), "2");
    bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(FileState().hotPixelThreshold, 65434);
    EXPECT_EQ(bar->value(), 65434);
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32003)), "3");
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);  // 65534 is not below 65435: stays
    EXPECT_EQ(FileState().hotPixelThreshold, 65534);
    EXPECT_TRUE(State().hotPixels.loaded);

    Control<QLineEdit>(&dialog, 32002)->setText("bad:name");
    Control<QPushButton>(&dialog, 32006)->click();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(Text(Control<QLineEdit>(&dialog, 32002)), "QMono_HPM");
    Control<QLineEdit>(&dialog, 32002)->setText("Cold");
    Control<QPushButton>(&dialog, 32006)->click();
    EXPECT_EQ(State().geometry.hotPixelMapName, "Cold");
    EXPECT_EQ(Text(Control<QLabel>(&dialog, 32004)), "c:\\AUTOSAVE\\Cold.HPM");
}

TEST_F(FilesGuiTest, HotPixelDialogSavesTheMapOnlyWithSave) {
    State().hotPixels.indices = {5, 6};
    ClickInNextModal(2);
    RunHotPixelMapDialog();
    EXPECT_FALSE(FileExists(home + "/autosave/QMono_HPM.HPM"));
    ClickInNextModal(1);
    RunHotPixelMapDialog();
    EXPECT_EQ(ReadWholeFile(home + "/autosave/QMono_HPM.HPM").value_or(Bytes{}).size(), 27u);
}

TEST_F(FilesGuiTest, EveryFileCommandIsRegistered) {
    for (int id : {24332, 24333, 24334, 24335, 24336, 24339, 24337, 13, 19, 20, 104, 122, 32101, 32102, 32103})
        EXPECT_TRUE(IsCommandEnabled(id)) << id;
    RunCommand(cmd::kApplyHotPixelMap);
    EXPECT_EQ(messages.shown.back().text, "Sorry, you haven't loaded a hot pixel map");
}

}  // namespace
