// The telescope dialogs driven through their numbered controls, on the fake
// clock and the simulated camera with a recording peer.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/control_ids.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "core/settings_record.h"
#include "settings/ini_rules.h"
#include "telescope/telescope_control.h"
#include "telescope/telescope_dialogs.h"
#include "telescope_fixture.h"

using namespace scope;

namespace {

using Strings = std::vector<std::string>;

class ScopeDialogTest : public TelescopeTest {
protected:
    void SetUp() override {
        TelescopeTest::SetUp();
        ResetTelescopeControl();
        S().driveMethod = 'l';
        S().showInterfaceDetails = false;
    }
    void TearDown() override {
        ResetTelescopeControl();
        TelescopeTest::TearDown();
    }
    template <class W>
    W* Control(QWidget& dialog, int id) {
        W* w = FindControl<W>(&dialog, id);
        EXPECT_NE(w, nullptr) << "control " << id;
        return w;
    }
    void Type(QWidget& dialog, int id, const char* text) { Control<QLineEdit>(dialog, id)->setText(text); }
    QString Shown(QWidget& dialog, int id) { return Control<QLabel>(dialog, id)->text(); }
};

TEST_F(ScopeDialogTest, CaptionsAndControls) {
    TMTDialog lx;
    EXPECT_EQ(lx.windowTitle(), "Velmora_USB Move Telescope - LX200 non-GPS (TM)");
    for (int id : {101, 102, 112, 113, 114, 115}) Control<QLineEdit>(lx, id);
    EXPECT_EQ(Control<QPushButton>(lx, 103)->text(), "GoTo Object");
    EXPECT_EQ(Control<QPushButton>(lx, 116)->text(), "Go To ");
    EXPECT_EQ(Control<QPushButton>(lx, 104)->text(), "Mercury");
    EXPECT_EQ(Control<QPushButton>(lx, 111)->text(), "Pluto");
    EXPECT_EQ(Control<QRadioButton>(lx, 122)->text(), "Centre");
    EXPECT_TRUE(Control<QRadioButton>(lx, 120)->isChecked());  // "#:RS#" to begin with
    EXPECT_TRUE(Control<QRadioButton>(lx, 125)->isChecked());  // "#:FF#"
    for (int id : {118, 119, 124}) Control<TScopeScrollBar>(lx, id);
    TMTADialog as;
    EXPECT_EQ(as.windowTitle(), "Velmora_USB Move Telescope  - Meade Acustar (TM)");
    for (int id : {2601, 2602, 2612, 2613, 2614, 2615}) Control<QLineEdit>(as, id);
    for (int id : {2617, 2629, 2627, 2628}) Control<QLabel>(as, id);
    EXPECT_EQ(FindControl<QPushButton>(&as, 104), nullptr);  // no planets
    TCBDialog cb;
    EXPECT_EQ(cb.windowTitle(), "Move Telescope");
    Control<TScopeScrollBar>(cb, 101);
    Control<TScopeScrollBar>(cb, 102);
}

TEST_F(ScopeDialogTest, GotoObjectRanges) {
    TMTDialog d;
    struct Case {
        const char* messier;
        const char* ngc;
        std::string sent;  // empty: refused
    };
    const Case cases[] = {
        {"110", "0", "#:LM 0110#"},  {"111", "7815", "#:LC 7815#"}, {"111", "7816", ""},
        {"0", "1", "#:LC 0001#"},    {"31", "42", "#:LM 0031#"},    {"70000", "0", ""},
    };
    for (const Case& c : cases) {
        sim->sim().ClearRecords();
        messages.shown.clear();
        Type(d, 101, c.messier);
        Type(d, 102, c.ngc);
        Control<QPushButton>(d, 103)->click();
        if (c.sent.empty()) {
            EXPECT_TRUE(Texts(0).empty());
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].caption, "Velmora - Control Telescope");
            EXPECT_EQ(messages.shown[0].text, "Object out of range - try again");
        } else {
            ASSERT_FALSE(Texts(0).empty()) << c.messier;
            EXPECT_EQ(Texts(0)[0], c.sent);
            EXPECT_TRUE(messages.shown.empty());
        }
    }
}

TEST_F(ScopeDialogTest, AutostarRefusalCaption) {
    TMTADialog d;
    Type(d, 2601, "0");
    Type(d, 2602, "9000");
    Control<QPushButton>(d, 2603)->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora_Fir - Control Telescope");
}

TEST_F(ScopeDialogTest, GotoCoordinatesRanges) {
    TMTDialog d;
    struct Case {
        const char *h, *m, *dd, *dm;
        std::string dec;  // empty: refused
    };
    const Case cases[] = {
        {"23", "59", "-89", "0", "#:Sd -89*00"}, {"0", "0", "89", "59", "#:Sd +89*59"},
        {"12", "0", "-0", "30", "#:Sd +00*30"},  {"24", "0", "0", "0", ""},
        {"0", "0", "-90", "0", ""},              {"0", "60", "0", "0", ""},
        {"0", "0", "90", "0", ""},               {"0", "0", "0", "60", ""},
        {"-1", "0", "0", "0", ""},
    };
    for (const Case& c : cases) {
        sim->sim().ClearRecords();
        messages.shown.clear();
        Type(d, 112, c.h);
        Type(d, 113, c.m);
        Type(d, 114, c.dd);
        Type(d, 115, c.dm);
        Control<QPushButton>(d, 116)->click();
        if (c.dec.empty()) {
            EXPECT_TRUE(Texts(0).empty()) << c.h << " " << c.dd;
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].caption, "Velmora - Control Telescope");
            EXPECT_EQ(messages.shown[0].text, kInvalidCoordinates);
        } else {
            ASSERT_EQ(Texts(0).size(), 4u);
            EXPECT_EQ(Texts(0)[1], c.dec);
        }
    }
}

TEST_F(ScopeDialogTest, PlanetsAndAnswersShown) {
    TMTDialog d;
    Answer(peer0, "MARS MAG -1.2#");
    Answer(peer0, std::string(33 - 14, '\0') + "1Object Below Horizon#");
    Control<QPushButton>(d, 106)->click();  // Mars
    EXPECT_EQ(Texts(0)[0], "#:LS 0904#");
    EXPECT_EQ(Shown(d, 117), "Object Below Horizon");
    EXPECT_EQ(Shown(d, 217), "Object Below Horizon");
    sim->sim().ClearRecords();
    for (int id = 104; id <= 111; ++id) Control<QPushButton>(d, id)->click();
    Strings first;
    for (const std::string& t : Texts(0))
        if (t.rfind("#:LS", 0) == 0) first.push_back(t);
    EXPECT_EQ(first, (Strings{"#:LS 0901#", "#:LS 0902#", "#:LS 0904#", "#:LS 0905#", "#:LS 0906#", "#:LS 0907#",
                              "#:LS 0908#", "#:LS 0909#"}));
}

TEST_F(ScopeDialogTest, HoldingAnArrowSendsOncAndReleasingQuitsOnce) {
    TMTDialog d;
    Control<QRadioButton>(d, 122)->click();  // Centre
    EXPECT_TRUE(Control<QRadioButton>(d, 122)->isChecked());
    EXPECT_FALSE(Control<QRadioButton>(d, 120)->isChecked());
    auto* h = Control<TScopeScrollBar>(d, 118);
    for (int i = 0; i < 5; ++i) h->triggerAction(QAbstractSlider::SliderSingleStepSub);  // held: repeats
    h->EndScroll();
    h->EndScroll();  // a second end of scrolling sends nothing
    EXPECT_EQ(Texts(0), (Strings{"#:RC#", "#:Mw#", "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"}));
    sim->sim().ClearRecords();
    auto* v = Control<TScopeScrollBar>(d, 119);
    v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    v->EndScroll();
    EXPECT_EQ(Texts(0), (Strings{"#:RC#", "#:Ms#", "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#"}));
}

TEST_F(ScopeDialogTest, SwapEastWestTurnsTheLeftArrowEast) {
    ToggleEastWest(S());
    TMTDialog d;
    Control<TScopeScrollBar>(d, 118)->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(Texts(0)[1], "#:Me#");
}

TEST_F(ScopeDialogTest, FocusArrows) {
    TMTDialog d;
    Control<QRadioButton>(d, 126)->click();  // Slow
    auto* f = Control<TScopeScrollBar>(d, 124);
    f->triggerAction(QAbstractSlider::SliderSingleStepSub);
    f->triggerAction(QAbstractSlider::SliderSingleStepSub);
    f->EndScroll();
    f->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    f->EndScroll();
    EXPECT_EQ(Texts(0), (Strings{"#:FS#", "#:F+#", "#:FQ#", "#:FS#", "#:F-#", "#:FQ#"}));
}

TEST_F(ScopeDialogTest, HelpText) {
    TMTDialog d;
    Control<QPushButton>(d, 9)->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Velmora - Control Telescope");
    EXPECT_EQ(messages.shown[0].text,
              "Enter a Messier or CNGC number and press the GoTo Object button.\n\nIf you enter both numbers the "
              "Messier will be favoured. To use CGNC numbers ensure the Messier number is 0");
}

TEST_F(ScopeDialogTest, GuideSocketDialogMovesTheRelays) {
    S().driveMethod = 'b';
    TCBDialog d;
    auto* h = Control<TScopeScrollBar>(d, 101);
    h->triggerAction(QAbstractSlider::SliderSingleStepSub);
    h->triggerAction(QAbstractSlider::SliderSingleStepSub);
    h->EndScroll();
    auto* v = Control<TScopeScrollBar>(d, 102);
    v->triggerAction(QAbstractSlider::SliderSingleStepSub);
    v->EndScroll();
    std::vector<int> bits;
    for (auto [at, b] : RelayWrites()) bits.push_back(b);
    EXPECT_EQ(bits, (std::vector<int>{1, 0, 4, 0}));  // west, release, north, release
    EXPECT_TRUE(Texts(0).empty());
}

TEST_F(ScopeDialogTest, Command24OpensTheDialogOfTheDriveMethod) {
    const std::pair<char, const char*> cases[] = {{'l', "TMTDialog"}, {'b', "TCBDialog"}};
    for (auto [method, name] : cases) {
        S().driveMethod = method;
        std::string opened;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            ASSERT_NE(w, nullptr);
            opened = w->objectName().toStdString();
            FindControl<QPushButton>(w, kIdFinished)->click();
        });
        EXPECT_TRUE(RunCommand(cmd::kTelescopeControl));
        EXPECT_EQ(opened, name);
    }
    S().driveMethod = 'n';
    RunTelescopeControl();  // nothing opens, nothing is sent
    EXPECT_TRUE(Texts(0).empty());
}

TEST_F(ScopeDialogTest, FirstUseCreatesTheSettingsFileAndNeedsACamera) {
    RemoveFile(MapPath(kSettingsPath));
    CloseDevices();
    sim->sim().Configure([] {
        SimulatorConfig c;
        c.camera.present = false;
        c.wheel.present = false;
        return c;
    }());
    EXPECT_FALSE(PrepareTelescopeControl());
    const Strings texts = MessageTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.front(), "Warning!\nNo INI file found, a new one has been created, please check defaults.");
    EXPECT_EQ(texts.back(), "Sorry, Camera not found");
}

TEST_F(ScopeDialogTest, AutostarPollsThePositionUntilARightPress) {
    S().driveMethod = 'a';
    for (int i = 0; i < 3; ++i) {
        Answer(peer0, std::string(33, '\0') + "01:02:03#" + std::string(24, '\0'));
        Answer(peer0, std::string(33, '\0') + "+04*05'06#" + std::string(23, '\0'));
    }
    TMTADialog* open = nullptr;
    std::string ra, dec;
    events.onPump = [&] {
        if (!open) open = dynamic_cast<TMTADialog*>(QApplication::activeModalWidget());
        if (open && open->Polls() == 3 && ra.empty()) {
            ra = Shown(*open, 2627).toStdString();
            dec = Shown(*open, 2628).toStdString();
            open->StopPolling();  // the right button
            QTimer::singleShot(0, [&] { FindControl<QPushButton>(open, kIdFinished)->click(); });
        }
    };
    RunTelescopeControl();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(ra, "01:02:03");
    EXPECT_EQ(dec, "+04*05'06");
    Strings queries;
    for (const std::string& t : Texts(0)) queries.push_back(t);
    EXPECT_EQ(queries, (Strings{"#:GR#", "#:GD#", "#:GR#", "#:GD#", "#:GR#", "#:GD#"}));
    EXPECT_EQ(system.beeps, 3);
}

}  // namespace
