#include "settings/settings_file.h"

#include "app/messages.h"
#include "app/state.h"

// Placeholder until the file layout lands.
int LoadSettings(const std::string&) { return 0; }
int SaveSettings(const std::string&) { return 0; }
void LoadSettingsAtStartup() {}
int SaveSettingsReporting(int) { return 0; }
Bytes EncodeSettings() { return {}; }
