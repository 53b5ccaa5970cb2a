#include "core/menu_tree.h"

#include "core/command_ids.h"
#include "core/commands.h"
#include "core/state.h"
#include "platform/paths.h"

using namespace cmd;

namespace {

const std::vector<MenuDefinition>& BuildTree() {
    static const std::vector<MenuDefinition> tree{
        {"&File",
         {{kOpen, "&Open...     \tCtl+O", "Ctrl+O"},
          {kSave, "&Save...   \tCTL+S", "Ctrl+S"},
          {kSaveTiff, "Save as &Tiff file...", ""},
          {kSaveFits, "S&ave as FITS file...   \tCtl+F", "Ctrl+F"},
          {kQuickSaveFits, "&Quick Save as FITS...\tCtl+Q ", "Ctrl+Q"},
          {kSaveBinnedFits, "Save &Binned Image as FITS....\tCtl + W", "Ctrl+W"},
          {kLoadNextAutosaved, "Load next &Autosaved File  \tCtl+I", "Ctrl+I"},
          {kDeleteFile, "&Delete File...", ""},
          {0},
          {kEditAutosaveFitsText, "&Load/Edit AutoSave FITS text", ""},
          {kSelectDarkFrame, "Select Dark &Frame...", ""},
          {kSelectFlatField, "Select Flatfield File...", ""},
          {0},
          {kProgramDefaults, "Set Program Defa&ults", ""},
          {0},
          {kPrintSetup, "P&rint setup...", ""},
          {kPrint, "&Print...", ""},
          {0},
          {kExit, "E&xit", ""}}},
        {"&Edit",
         {{kUndoLastFilter, "&Undo Last Filter", ""},
          {kCopy, "&Copy\tShift+Ins", "Shift+Ins"},
          {0},
          {kAutoProcessing, "Set Auto &Processing", ""},
          {0},
          {kCreateHotPixelMap, "Create Hot Pixel Map", ""},
          {kLoadHotPixelMap, "Load Hot Pixel Map File", ""}}},
        {"Ca&mera",
         {{kCameraInterface, "Velmora Camera &Interface\tCTL+Z", "Ctrl+Z"},
          {kGuiderCamera, "AutoGuider Camera \tCTL+G", "Ctrl+G"},
          {0},
          {kSubFrameSelection, "Sub-Frame Selection", ""},
          {kPickSubFrame, "Pick Sub-Frame", ""},
          {kDefaultSubFrameCentre, "Default Sub-Frame Centre", ""},
          {0},
          {kPickGuideStar, "Pic&k Guide Star\tCTL+K", "Ctrl+K"},
          {kFocusFrameCentre, "Focus Frame Centre", ""},
          {kDefaultFocusFrameCentre, "Default Focus Frame Centre", ""},
          {kShowImageCentre, "Show Image Centre", ""},
          {0},
          {kStartAutoGuiding, "Start Auto-Guiding", ""},
          {kTrainAutoGuiding, "Train Auto-Guiding", ""},
          {kGuidingServer, "Guiding Server", ""},
          {0},
          {kTelescopeControl, "Telescope &Control", ""}}},
        {"&View",
         {{kFitToWindow, "&Fit to window", ""},
          {kBinHighResDisplay, "Bin High Res Display", ""},
          {kCentreImage, "&Centre Image", ""},
          {kFalseColour, "False Colour P&alette", ""},
          {kAutoContrast, "&Auto contrast stretch image", ""},
          {kMaxPaletteStretch, "Max Palette Stretch", ""},
          {kMirrorImage, "&Mirror Image", ""},
          {kFlipImage, "Flip Image", ""},
          {0},
          {kPhotometry, "&Photometry of Image", ""},
          {kPlot3D, "3-D &Intensity Plot", ""},
          {kRowPlot, "Intensity Plot of Current R&ow", ""},
          {kHistogram, "&Histogram", ""},
          {0},
          {kProcessingHistory, "Processing &History", ""},
          {kFitsDetails, "&Show/Edit Current Image FITS details", ""},
          {kLabel, "&Label    ", ""}}},
        {"&Contrast",
         {{kNormalStretch, "&Normal Stretch   \tCtl+N", "Ctrl+N"},
          {kPowerLawStretch, "&Power Law Stretch", ""},
          {kSineStretch, "&Sine Law Stretch", ""},
          {kRemoveBackground, "&Remove Background    \tCtl+B", "Ctrl+B"},
          {kNonLinearStretch, "N&on-Linear Stretch   \tCtl+L", "Ctrl+L"},
          {kLogStretch, "&Logarithmic Stretch", ""},
          {kAntilogStretch, "&Antilogarithmic Stretch", ""},
          {kInvertStretch, "&Invert image to Negative", ""}}},
        {"Filter&s",
         {{kUnsharpMask, "&Unsharp masking HPF   \tCtl+U", "Ctrl+U"},
          {kHighPassLowPower, "&High Pass, Low Power", ""},
          {kHighPassHighPower, "High Pass, High &Power", ""},
          {kSmootherSharper, "&Smoother/Sharper Filter", ""},
          {kMedianFilter, "&Median Filter - Noise Reduction", ""},
          {kGaussianSmoother, "&Gaussian Smoother Filter", ""},
          {kLowPassSmoother, "Low Pass &Weighted Mean &Smoother", ""},
          {kBasRelief, "&Bas Relief Generator", ""},
          {kGradientFilter, "Gradient &Filter", ""},
          {0},
          {kApplyHotPixelMap, "Apply Hot Pixel Map", ""}}},
        {"Mer&ging",
         {{kSubtractDark, "&Subtract Image (Dark Frame)  \tCtl+D", "Ctrl+D"},
          {kApplyFlat, "Apply &Flat Field", ""},
          {kMergeImages, "Merge two Images &together   \tCtl+M", "Ctrl+M"}}},
        {"&Help",
         {{kHelp, "Help in using Velmora_USB", ""},
          {0},
          {kAbout, "About Velmora_USB", ""}}},
    };
    return tree;
}

}  // namespace

const std::vector<MenuDefinition>& MenuTree() { return BuildTree(); }

const MenuDefinition& PopupMenu() {
    static const MenuDefinition popup{
        "", {{kPopupStartAutoGuiding, "Start AutoGuiding", ""}, {kSetCameraType, "Set Camera Type", ""}}};
    return popup;
}

std::vector<int> AllMenuCommands() {
    std::vector<int> ids;
    for (const MenuDefinition& menu : MenuTree())
        for (const MenuItem& item : menu.items)
            if (item.id) ids.push_back(item.id);
    for (const MenuItem& item : PopupMenu().items) ids.push_back(item.id);
    return ids;
}

const MenuItem* FindMenuItem(int id) {
    for (const MenuDefinition& menu : MenuTree())
        for (const MenuItem& item : menu.items)
            if (item.id == id) return &item;
    for (const MenuItem& item : PopupMenu().items)
        if (item.id == id) return &item;
    return nullptr;
}

std::vector<ToolButton> ToolBarButtons(bool binnedDisplayOn, bool stretchDisplayOn, char driveMethod) {
    std::vector<ToolButton> buttons{
        {24333, kSave},
        {24336, kSaveFits},
        {24332, kOpen},
        {0, 0},
        {1000, kCameraInterface},
        {1001, kGuiderCamera},
        {0, 0},
        {binnedDisplayOn ? 1905 : 1904, kBinHighResDisplay},
        stretchDisplayOn ? ToolButton{1003, kStretchDisplayOff} : ToolButton{1002, kStretchDisplayOn},
        {1908, kMaxPaletteStretch},
        {0, 0},
        {121, kProgramDefaults},
        {0, 0},
        {1903, kPhotometry},
        {0, 0},
        {1, kNormalStretch},
        {117, kNonLinearStretch},
        {2, kPowerLawStretch},
        {120, kRemoveBackground},
        {106, kUnsharpMask},
        {3, kMedianFilter},
        {0, 0},
        {110, kSubtractDark},
        {115, kApplyFlat},
        {111, kMergeImages},
    };
    if (driveMethod != 'n') buttons.push_back({24, kTelescopeControl});
    return buttons;
}

std::vector<ToolButton> CurrentToolBarButtons() {
    const AppState& s = State();
    return ToolBarButtons(s.binHighResDisplay, IsCommandChecked(kStretchDisplayOn), s.settings.driveMethod);
}

std::string WindowCaption(const std::string& currentFileName) {
    return std::string(kFrameTitle) + " - " + (currentFileName.empty() ? "(Untitled)" : currentFileName);
}

std::string CurrentWindowCaption() { return WindowCaption(State().currentFileName); }

std::array<uint8_t, 3> BackgroundColour(char letter) {
    switch (letter) {
    case 'g': return {90, 90, 90};
    case 'r': return {120, 40, 40};
    default: return {192, 192, 192};
    }
}

bool DriveMethodConfigured() { return State().settings.driveMethod != 'n'; }

static std::function<bool()>& DisplayBitmapQuery() {
    static std::function<bool()> query;
    return query;
}

void SetDisplayBitmapQuery(std::function<bool()> query) { DisplayBitmapQuery() = std::move(query); }

bool DisplayBitmapExists() {
    if (DisplayBitmapQuery()) return DisplayBitmapQuery()();
    return FileExists(MapPath(State().geometry.bitmapName));
}

bool MenuCommandEnabled(int id) {
    if ((id == kStartAutoGuiding || id == kTrainAutoGuiding || id == kTelescopeControl) &&
        !DriveMethodConfigured())
        return false;
    if (id == kCopy && !DisplayBitmapExists()) return false;
    return IsCommandEnabled(id);
}

bool DispatchMenuCommand(int id) {
    if (!MenuCommandEnabled(id)) return false;
    return RunCommand(id);
}

std::string CommandName(int id) {
    if (id == kStretchDisplayOn) return "Stretch Display On";
    if (id == kStretchDisplayOff) return "Stretch Display Off";
    const MenuItem* item = FindMenuItem(id);
    if (!item) return "";
    std::string name;
    for (const char* c = item->text; *c && *c != '\t'; ++c)
        if (*c != '&') name += *c;
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

std::string DisabledReason(int id) {
    if ((id == kStartAutoGuiding || id == kTrainAutoGuiding || id == kTelescopeControl) &&
        !DriveMethodConfigured())
        return "needs a telescope drive method";
    if (id == kCopy && !DisplayBitmapExists()) return "needs a displayed picture";
    if (CommandTable().find(id) == CommandTable().end()) return "not available in this version";
    if (!IsCommandEnabled(id)) return "not available now";
    return "";
}

std::string CommandToolTip(int id) {
    std::string tip = CommandName(id);
    if (const MenuItem* item = FindMenuItem(id); item && item->accelerator[0])
        tip += std::string(" (") + item->accelerator + ")";
    const std::string reason = DisabledReason(id);
    if (!reason.empty()) tip += "\n" + reason;
    return tip;
}

const char* ToolIconName(int bitmap) {
    static const struct {
        int bitmap;
        const char* name;
    } icons[] = {
        {24333, "save"},           {24336, "save-fits"},         {24332, "open"},
        {1000, "camera"},          {1001, "guider"},             {1904, "full-res"},
        {1905, "binned"},          {1002, "stretch-off"},        {1003, "stretch-on"},
        {1908, "max-stretch"},     {121, "defaults"},            {1903, "photometry"},
        {1, "normal-stretch"},     {117, "nonlinear-stretch"},   {2, "power-stretch"},
        {120, "remove-background"}, {106, "unsharp"},            {3, "median"},
        {110, "dark"},             {115, "flat"},                {111, "merge"},
        {24, "telescope"},
    };
    for (const auto& icon : icons)
        if (icon.bitmap == bitmap) return icon.name;
    return nullptr;
}
