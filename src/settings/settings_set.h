// One setting changed by the name `settings show` prints: the value is parsed
// by the setting's kind, checked by the defaults dialog's rule for it (where
// the dialog has one) and by a round trip through the settings file (the
// reader must take it back unchanged), then the file is rewritten through a
// temporary file. A refused name or value leaves the records and the file as
// they were.
#pragma once
#include <string>

enum class SetSettingResult { Done, UnknownName, BadValue, WriteFailed };

// Changes State().settings / State().fits and saves the file. `why` gets the
// refusal text.
SetSettingResult SetSetting(const std::string& name, const std::string& value, std::string& why);
