#include "core/ui_hooks.h"
#include "files/file_commands.h"
#include "files/fits.h"
#include "files/raw_files.h"
#include "files_fixture.h"
#include "platform/paths.h"
#include "processing/merge.h"
#include "settings/settings_file.h"

namespace {

// A file chooser that also reports a chosen filter index and remembers what
// it was asked.
class ChooserWithFilter : public FileChooser {
public:
    std::string AskOpen(const std::string& title, const std::string& filters, int& index,
                        const std::string&) override {
        return Answer(title, filters, index);
    }
    std::string AskSave(const std::string& title, const std::string& filters, int& index,
                        const std::string&) override {
        return Answer(title, filters, index);
    }
    std::string Answer(const std::string& title, const std::string& filters, int& index) {
        titles.push_back(title);
        filterLists.push_back(filters);
        shownIndex.push_back(index);
        if (!chosenIndex.empty()) {
            index = chosenIndex.front();
            chosenIndex.pop_front();
        }
        if (answers.empty()) return "";
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<std::string> answers;
    std::deque<int> chosenIndex;
    std::vector<std::string> titles, filterLists;
    std::vector<int> shownIndex;
};

class FileCommandsTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        Platform p = Sys();
        p.files = &chooser;
        InstallPlatform(p);
        FileDialogs() = FileDialogRunners{};
        FileDialogs().fitsDetails = [this] {
            ++fitsDialogs;
            return continueFits;
        };
        FileDialogs().confirmDelete = [this](const std::string& name) {
            deleteAsked.push_back(name);
            return confirmDelete;
        };
        WindowHooks().updateCaption = [this] { captions.push_back(State().currentFileName); };
        UseModel(2);
    }
    void TearDown() override {
        FileDialogs() = FileDialogRunners{};
        WindowHooks() = MainWindowHooks{};
        if (MergeModeActive()) CancelMerge();
        FilesTest::TearDown();
    }

    ChooserWithFilter chooser;
    int fitsDialogs = 0;
    bool continueFits = true;
    bool confirmDelete = true;
    std::vector<std::string> deleteAsked;
    std::vector<std::string> captions;
};

TEST_F(FileCommandsTest, OpenUsesTheOpenFilterAndSetsTheLowerCasedTitle) {
    ASSERT_EQ(SaveFits(Host("Saturn.FIT"), State().imageA, false), 0);
    chooser.answers = {Host("Saturn.FIT")};
    chooser.chosenIndex = {2};
    CommandOpen();
    EXPECT_EQ(chooser.filterLists[0], "Korvane (~*.)|~*.*|FITS files|*.FIT|All Files|*.*|");
    EXPECT_EQ(chooser.shownIndex[0], 1);
    EXPECT_EQ(FileState().lastFilterIndex, 2);
    EXPECT_EQ(State().currentFileName, "saturn.fit");
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.back(), "saturn.fit");

    // Cancel changes nothing; a failed open keeps the name.
    CommandOpen();
    chooser.answers = {Host("gone~1")};
    chooser.chosenIndex = {1};
    CommandOpen();
    EXPECT_EQ(State().currentFileName, "saturn.fit");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed to Open Tessel File"});
    EXPECT_EQ(FileState().lastFilterIndex, 1);  // the title holds "~"
    chooser.answers = {Host("plain")};
    CommandOpen();
    EXPECT_EQ(FileState().lastFilterIndex, 3);
    EXPECT_EQ(chooser.shownIndex.back(), 1);
}

TEST_F(FileCommandsTest, FilterIndexRule) {
    EXPECT_EQ(RememberedFilterIndex(2, "/a/b~c"), 2);
    EXPECT_EQ(RememberedFilterIndex(1, "/a~/b"), 3);
    EXPECT_EQ(RememberedFilterIndex(3, "/a/b~c"), 1);
    EXPECT_EQ(RememberedFilterIndex(1, "c:\\x\\y.fit"), 3);
    EXPECT_EQ(WithDefaultExtension("c:\\a.b\\name", "FIT"), "c:\\a.b\\name.FIT");
    EXPECT_EQ(WithDefaultExtension("/x/name.fits", "FIT"), "/x/name.fits");
}

TEST_F(FileCommandsTest, OpenWhileMergingKeepsTheFirstImageInB) {
    FillPattern(State().imageA, Pixels(), 40);
    const std::vector<Pixel> first(State().imageA, State().imageA + Pixels());
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    std::vector<Pixel> second(Pixels());
    FillPattern(second.data(), second.size(), 41);
    ASSERT_EQ(SaveFits(Host("second.fit"), second.data(), false), 0);
    chooser.answers = {Host("second.fit")};
    CommandOpen();
    EXPECT_TRUE(std::equal(first.begin(), first.end(), State().imageB));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), State().imageA));
}

TEST_F(FileCommandsTest, SaveWritesTheRawFileAndNamesTheWindow) {
    FillPattern(State().imageA, Pixels(), 42);
    chooser.answers = {Host("Night~1")};
    CommandSave();
    EXPECT_EQ(chooser.filterLists[0], "Korvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|");
    EXPECT_EQ(Read(Host("Night~1")).size(), 2'895'360u);
    EXPECT_EQ(State().currentFileName, "Night~1");
    EXPECT_EQ(FileState().lastFilterIndex, 1);
}

TEST_F(FileCommandsTest, SaveTiffUsesTheSixteenBitSettingAndTheDefaultExtension) {
    chooser.answers = {Host("export")};
    CommandSaveTiff();
    EXPECT_EQ(chooser.filterLists[0], "Tiff file (*.TIF)|*.TIF|All Files(*.*)|*.*|");
    EXPECT_EQ(Read(Host("export.TIF")).size(), 250u + 1'447'680u);
    State().settings.tiff16 = true;
    chooser.answers = {Host("export16.tif")};
    CommandSaveTiff();
    EXPECT_EQ(Read(Host("export16.tif")).size(), 250u + 2'895'360u);
    chooser.answers = {Host("no/dir/x.tif")};
    CommandSaveTiff();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Unable to create file, check disk space"});
}

TEST_F(FileCommandsTest, SaveFitsShowsTheDetailsFirstAndClearsTheEightBitOption) {
    clock.unixBase = 1'700'000'000;
    clock.now = 0;
    State().fits.eightBit = true;
    FileDialogs().fitsDetails = [this] {
        ++fitsDialogs;
        EXPECT_FALSE(State().fits.eightBit);
        EXPECT_EQ(State().fits.date, "2023-11-14");
        State().fits.eightBit = true;  // ticked in the dialog
        return true;
    };
    chooser.answers = {Host("m31")};
    CommandSaveFits();
    EXPECT_EQ(fitsDialogs, 1);
    EXPECT_EQ(chooser.filterLists[0], "FITS file (*.FIT)|*.FIT|All Files(*.*)|*.*|");
    const Bytes file = Read(Host("m31.FIT"));
    ASSERT_EQ(file.size(), 5760u + 1'447'680u + (2880 - 1'447'680 % 2880));
    EXPECT_EQ(Card(file, 2), Padded("BITPIX  =                    8 /"));

    // Abort: no save dialog, no file.
    continueFits = false;
    FileDialogs().fitsDetails = [this] { return continueFits; };
    chooser.answers = {Host("aborted")};
    CommandSaveFits();
    EXPECT_EQ(chooser.titles.size(), 1u);
    EXPECT_FALSE(FileExists(Host("aborted.FIT")));
}

TEST_F(FileCommandsTest, BinnedSaveNeedsAnUnexpandedBinnedRead) {
    chooser.answers = {Host("binned.fit")};
    CommandSaveBinnedFits();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, there is no 4x4 or 3x3 unexpanded binned image to save"});
    EXPECT_EQ(fitsDialogs, 0);
    EXPECT_FALSE(FileExists(Host("binned.fit")));

    ImageGeometry& g = State().geometry;
    g.binningMode = 13;
    g.unexpandedWidth = 464;
    g.unexpandedHeight = 346;
    for (int i = 0; i < 464 * 346; ++i) State().rawBinned[i] = Pixel(i);
    messages.answers = {kButtonCancel};
    CommandSaveBinnedFits();
    EXPECT_EQ(MessageTexts().back(), "The file you are about to save canot be re-loaded into this program");
    EXPECT_EQ(fitsDialogs, 0);

    CommandSaveBinnedFits();  // OK
    EXPECT_EQ(fitsDialogs, 1);
    const Bytes file = Read(Host("binned.fit"));
    EXPECT_EQ(Card(file, 4), Padded("NAXIS1  =                  464 /"));
    EXPECT_EQ(Card(file, 5), Padded("NAXIS2  =                  346 /"));
    EXPECT_EQ(file.size(), 5760u + 464u * 346 * 2 + (2880 - 464 * 346 * 2 % 2880));
    EXPECT_EQ(file[5760 + 2 * 300], uint8_t((300 - 32768) >> 8 & 0xff));

    // With the warning suppressed no box is shown.
    State().settings.suppressFileSavingWarning = true;
    const size_t shown = messages.shown.size();
    chooser.answers = {Host("binned2.fit")};
    CommandSaveBinnedFits();
    EXPECT_EQ(messages.shown.size(), shown);
    EXPECT_TRUE(FileExists(Host("binned2.fit")));
}

TEST_F(FileCommandsTest, QuickSaveThenStepThroughTheAutosavedFiles) {
    for (int i = 0; i < 3; ++i) {
        std::fill(State().imageA, State().imageA + Pixels(), Pixel(1000 * (i + 1)));
        CommandQuickSaveFits();
    }
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(State().settings.autosaveCounter, 3);

    CommandLoadNextAutosaved();
    EXPECT_EQ(MessageTexts().back(),
              "Sorry, you must first load an autosaved file to start the sequence, or there are no more files");
    EXPECT_EQ(OpenImageFile(home + "/autosave/img1.fit"), 11);  // names keep their case
    EXPECT_EQ(OpenImageFile(home + "/autosave/IMG1.FIT"), kOpenedImage);
    EXPECT_EQ(FileState().lastLoadedAutosave, 1);
    CommandLoadNextAutosaved();
    EXPECT_EQ(State().imageA[0], 2000);
    EXPECT_EQ(State().currentFileName, "img2.fit");
    CommandLoadNextAutosaved();
    EXPECT_EQ(State().imageA[0], 3000);
    const size_t shown = messages.shown.size();
    CommandLoadNextAutosaved();  // 3 is not smaller than the counter
    EXPECT_EQ(messages.shown.size(), shown + 1);
    EXPECT_EQ(State().imageA[0], 3000);
}

TEST_F(FileCommandsTest, QuickSaveFailureShowsCode29) {
    State().settings.autosaveDirText = "c:\\blocked";
    Write(home + "/blocked", Bytes(1, 0));
    CommandQuickSaveFits();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Unable to create file, check disk space"});
}

TEST_F(FileCommandsTest, DeleteRemovesTheChosenFileEvenWithABackslashInItsName) {
    std::filesystem::create_directories(Host("a"));
    Write(Host("a\\b.raw"), Bytes(4, 1));
    Write(Host("a/b.raw"), Bytes(4, 2));
    chooser.answers = {Host("a\\b.raw")};
    CommandDeleteFile();
    EXPECT_FALSE(std::filesystem::exists(Host("a\\b.raw")));
    EXPECT_TRUE(FileExists(Host("a/b.raw")));
}

TEST_F(FileCommandsTest, DeleteAsksFirst) {
    Write(Host("old~1"), Bytes(4, 0));
    chooser.answers = {Host("old~1")};
    confirmDelete = false;
    CommandDeleteFile();
    EXPECT_EQ(deleteAsked, std::vector<std::string>{Host("old~1")});
    EXPECT_TRUE(FileExists(Host("old~1")));
    confirmDelete = true;
    chooser.answers = {Host("old~1")};
    CommandDeleteFile();
    EXPECT_FALSE(FileExists(Host("old~1")));
    EXPECT_EQ(chooser.filterLists[0], "Korvane (~*.)|~*.*|FITS files|*.FIT|All Files(*.*)|*.*|");
    CommandDeleteFile();  // cancelled
    EXPECT_EQ(deleteAsked.size(), 2u);
}

TEST_F(FileCommandsTest, DarkAndFlatSelectionStoreFullPaths) {
    EXPECT_EQ(State().darkFileName, "c:\\dark.def");
    EXPECT_EQ(State().flatFileName, "c:\\flat.def");
    chooser.answers = {"c:\\frames\\dark~1", "c:\\frames\\flat~1"};
    CommandSelectDarkFrame();
    CommandSelectFlatField();
    EXPECT_EQ(State().darkFileName, "c:\\frames\\dark~1");
    EXPECT_EQ(State().flatFileName, "c:\\frames\\flat~1");
    CommandSelectDarkFrame();  // cancelled
    EXPECT_EQ(State().darkFileName, "c:\\frames\\dark~1");
}

TEST_F(FileCommandsTest, AutosaveFitsTextIsLoadedEditedAndSaved) {
    State().fits.eightBit = true;
    FileDialogs().fitsDetails = [] {
        EXPECT_FALSE(State().fits.eightBit);
        State().fits.object = "Autosaved object";
        return true;
    };
    CommandEditAutosaveFitsText();
    State().fits.object.clear();
    LoadSettings();
    EXPECT_EQ(State().fits.object, "Autosaved object");
    CommandShowFitsDetails();
}

}  // namespace
