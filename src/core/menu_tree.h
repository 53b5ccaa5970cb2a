// The main window's menus and tool bar as plain data, and the rules that
// decide which commands are offered. The window builds its menus and buttons
// from these lists; nothing here depends on the window framework.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

inline constexpr const char* kFrameTitle = "Velmora_USB";
inline constexpr const char* kStatusBarText = "Velmora series Camera Control and Image processing program";
inline constexpr int kFrameWidth = 1330;
inline constexpr int kFrameHeight = 1110;

// One menu entry; id 0 is a separator. accelerator is the key of the
// shortcut ("Ctrl+O"), empty when the item has none; the text shows the key
// after a tab the way the item has always shown it.
struct MenuItem {
    int id = 0;
    const char* text = "";
    const char* accelerator = "";
};

struct MenuDefinition {
    const char* title;
    std::vector<MenuItem> items;
};

// The menu bar, left to right.
const std::vector<MenuDefinition>& MenuTree();
// The pop-up menu of the client area ("Start AutoGuiding", "Set Camera Type").
const MenuDefinition& PopupMenu();
// Every command of the menu bar and the pop-up menu, in tree order.
std::vector<int> AllMenuCommands();
// The menu item of a command; nullptr when no menu has it.
const MenuItem* FindMenuItem(int id);

// One tool-bar button: the bitmap shown and the command it sends; a bitmap
// of 0 is a separator.
struct ToolButton {
    int bitmap = 0;
    int command = 0;
};

// The tool bar, left to right, for the current display options and drive
// method: the binned display button shows bitmap 1905 while "Bin High Res
// Display" is on (1904 otherwise), the display toggle shows 1003 and sends
// 1902 while stretch display is on (1002 and 1901 otherwise), and the
// telescope button is there only while a drive method other than 'n' is set.
std::vector<ToolButton> ToolBarButtons(bool binnedDisplayOn, bool stretchDisplayOn, char driveMethod);
// The same for the records in force (stretch display is on while command
// 1901 reports itself checked).
std::vector<ToolButton> CurrentToolBarButtons();

// "Velmora_USB - " followed by the current file name or "(Untitled)".
std::string WindowCaption(const std::string& currentFileName);
std::string CurrentWindowCaption();

// The window background of a settings colour letter: 'l' light grey, 'g'
// grey, 'r' red; any other letter gives light grey.
std::array<uint8_t, 3> BackgroundColour(char letter);

// True while a telescope drive method other than none is configured.
bool DriveMethodConfigured();
// True while a display bitmap exists: the display's own answer once it has
// given one (SetDisplayBitmapQuery), else whether the current model's bitmap
// file exists.
bool DisplayBitmapExists();
void SetDisplayBitmapQuery(std::function<bool()> query);
// Whether a menu item or tool-bar button may be used now: a handler must be
// registered and enabled; 22, 23 and 24 also need a drive method, 17999 a
// display bitmap.
bool MenuCommandEnabled(int id);
// Runs a command when it may be used now; false otherwise (nothing happens).
bool DispatchMenuCommand(int id);

// The menu text of a command without its mnemonics and its key ("Open...");
// the two stretch display buttons, which no menu carries, have their own
// names. Empty for a command nobody shows.
std::string CommandName(int id);
// Why a menu item or button is greyed now ("needs a telescope drive
// method"); empty while it may be used.
std::string DisabledReason(int id);
// A button's tool tip: the name, its key in brackets when it has one
// ("Open... (Ctrl+O)"), and on a second line why it is greyed.
std::string CommandToolTip(int id);

// The picture file of a tool-bar bitmap (":/icons/<name>.svg" in the
// program's resources); nullptr for an unknown bitmap.
const char* ToolIconName(int bitmap);
