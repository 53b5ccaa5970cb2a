// The settings file: a fixed binary record of 96 fields (1,432 bytes), read at
// start-up and rewritten whenever a stored value changes. Works on
// State().settings and State().fits.
#pragma once
#include <string>

#include "platform/files.h"
#include "core/settings_record.h"

inline constexpr size_t kSettingsFileSize = 1432;

// 0 = loaded, 2 = missing or short file; otherwise the result of the rewrite.
int LoadSettings(const std::string& programPath = kSettingsPath);
// Reads the file without ever writing: 0 = loaded, 2 = missing, short or not
// a regular file, 4 = a field failed its check (the fields before it taken).
inline constexpr int kSettingsInvalid = 4;
int ReadSettings(const std::string& programPath = kSettingsPath);
// 0 = written, 3 = the file could not be created or a write came short.
int SaveSettings(const std::string& programPath = kSettingsPath);
// Removes the temporary files killed saves left in the settings folder and the
// autosave folder (RemoveStaleTempFiles).
void RemoveStaleSaveFiles();
// The start-up and pre-dialog load: a non-zero LoadSettings shows message 1
// and writes a new file (message 24 when that fails).
void LoadSettingsAtStartup();
// Saves after a dialog confirmed its changes; message 24 (or the given code)
// when the write fails. Returns the SaveSettings result.
int SaveSettingsReporting(int failureMessage = 24);

// The file image of the current records (exposed for tests and the CLI).
Bytes EncodeSettings();

// ApplyCameraModelGeometry, then the settings saved: the model is kept in the
// settings file; a file that cannot be written is reported (message 24) and
// the new geometry stays in force.
void ApplyCameraModel();
