#include "app/ini_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/control_ids.h"
#include "core/state.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

class IniDialogTest : public VelmoraTest {
protected:
    template <class W>
    W* Control(TINIDialog& dialog, int id) {
        W* w = FindControl<W>(&dialog, id);
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    Settings& S() { return State().settings; }
};

TEST_F(IniDialogTest, EveryControlOfTheTableExists) {
    TINIDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Set Program Defaults");
    const int ids[] = {17224, 17225, 17226, 17131, 17136, 17118, 17119, 17120, 17123, 17121, 17122, 17125,
                       17126, 17117, 17137, 17127, 17166, 17167, 17168, 17169, 17138, 17139, 17143, 17144,
                       17990, 17991, 17111, 17112, 17113, 17140, 17141, 17142, 17124, 17106, 17109, 17148,
                       17151, 17152, 17147, 17110, 17163, 17153, 17160, 17162, 17164, 17165, 17194, 17195,
                       17170, 17178, 17179, 17171, 17174, 17175, 17176, 17190, 17301, 17311, 17210, 17220,
                       17221, 17222, 17223, 17227, 17114, 17115, 1, 2};
    for (int id : ids) EXPECT_NE(dialog.findChild<QWidget*>(ControlName(id)), nullptr) << id;
    EXPECT_EQ(Control<QAbstractButton>(dialog, 17226)->text(), "Use PC Port");
    EXPECT_EQ(Control<QAbstractButton>(dialog, 17227)->text(), "Flush before Exp (VelmoraFir)");
    EXPECT_EQ(Control<QAbstractButton>(dialog, 17222)->text(), "Use Korvane USB Filterwheel ");
}

TEST_F(IniDialogTest, ClicksChangeSettingsAtOnceAndRedraw) {
    TINIDialog dialog;
    Control<QRadioButton>(dialog, 17136)->click();
    EXPECT_EQ(S().guideStarMaskRadius, 15);
    EXPECT_TRUE(Control<QRadioButton>(dialog, 17136)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(dialog, 17132)->isChecked());

    Control<QRadioButton>(dialog, 17169)->click();
    EXPECT_EQ(S().driveMethod, 'b');
    Control<QRadioButton>(dialog, 17119)->click();
    EXPECT_EQ(S().windowBackground, 'r');

    Control<QCheckBox>(dialog, 17138)->click();
    EXPECT_EQ(S().guideLetters[0], 's');
    EXPECT_TRUE(Control<QCheckBox>(dialog, 17138)->isChecked());

    Control<QCheckBox>(dialog, 17164)->click();  // "Expand Binned Images" shows field 61 inverted
    EXPECT_TRUE(S().doNotExpandBinned);
    EXPECT_FALSE(Control<QCheckBox>(dialog, 17164)->isChecked());

    Control<QCheckBox>(dialog, 17170)->click();
    EXPECT_EQ(S().guidingMode, 'A');

    S().autosaveCounter = 12;
    Control<QPushButton>(dialog, 17114)->click();
    EXPECT_EQ(S().autosaveCounter, 0);
    EXPECT_EQ(Control<QLabel>(dialog, 17115)->text(), "0");
}

TEST_F(IniDialogTest, AutosaveCounterShowsUnsigned) {
    S().autosaveCounter = int16_t(uint16_t(40000));
    TINIDialog dialog;
    EXPECT_EQ(Control<QLabel>(dialog, 17115)->text(), "40000");
}

TEST_F(IniDialogTest, UsePcPortReloadsAsCom2) {
    TINIDialog dialog;
    Control<QRadioButton>(dialog, 17226)->click();
    EXPECT_EQ(S().telescopeComPort, '3');
    EXPECT_TRUE(S().usePcPortForGuiding);
    Control<QPushButton>(dialog, 1)->click();
    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(S().telescopeComPort, '2');
    EXPECT_TRUE(S().usePcPortForGuiding);
}

TEST_F(IniDialogTest, SlewValuesAndPcPortAreReadFromTheEdits) {
    TINIDialog dialog;
    Control<QLineEdit>(dialog, 17121)->setText("5");
    Control<QLineEdit>(dialog, 17137)->setText("33");
    Control<QLineEdit>(dialog, 17142)->setText("25");
    Control<QPushButton>(dialog, 17124)->click();
    EXPECT_EQ(S().raPixelsPerSecond, 5);
    EXPECT_EQ(S().decHysteresis, 20);
    EXPECT_EQ(S().guiderDecHysteresis, 20);
    EXPECT_EQ(Control<QLineEdit>(dialog, 17137)->text(), "20");

    Control<QLineEdit>(dialog, 17179)->setText("4");
    dialog.Redraw();
    EXPECT_EQ(S().pcComPort, 3);
}

TEST_F(IniDialogTest, FilterDetails) {
    TINIDialog dialog;
    Control<QLineEdit>(dialog, 17163)->setText("12");
    Control<QLineEdit>(dialog, 17153)->setText("Clear");
    Control<QPushButton>(dialog, 17162)->click();
    EXPECT_EQ(S().filterCount, 7);
    EXPECT_EQ(S().filterNames[0], "Clear");
}

TEST_F(IniDialogTest, SaveChangesNeedsAValidDirectory) {
    ASSERT_EQ(SaveSettings(), 0);
    const Bytes before = ReadWholeFile(home + "/autosave/Velmora.ini").value();
    TINIDialog dialog;
    dialog.show();
    Control<QLineEdit>(dialog, 17990)->setText("z:\\nowhere");
    Control<QRadioButton>(dialog, 17167)->click();
    Control<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(MessageTexts().back(), "Sorry, Invalid directory");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(ReadWholeFile(home + "/autosave/Velmora.ini").value(), before);

    Control<QLineEdit>(dialog, 17990)->setText("c:\\Night");
    Control<QPushButton>(dialog, 1)->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(S().autosaveDirText, "c:\\Night");
    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_EQ(S().driveMethod, 'l');
    EXPECT_EQ(S().autosaveDirText, "c:\\Night");
}

TEST_F(IniDialogTest, CancelKeepsChangedValuesInMemoryOnly) {
    ASSERT_EQ(SaveSettings(), 0);
    TINIDialog dialog;
    Control<QCheckBox>(dialog, 17190)->click();
    Control<QPushButton>(dialog, 2)->click();
    EXPECT_TRUE(S().tiff16);
    ResetState();
    ASSERT_EQ(LoadSettings(), 0);
    EXPECT_FALSE(S().tiff16);
}

TEST_F(IniDialogTest, ModelRadioStoresModelAndPid) {
    TINIDialog dialog;
    Control<QRadioButton>(dialog, 17306)->click();  // the sixth model of the list: Maple
    EXPECT_EQ(S().manualModel, 7);
    EXPECT_EQ(S().configuredPid, "0136");
}

}  // namespace
