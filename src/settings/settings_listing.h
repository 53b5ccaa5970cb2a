// Every stored setting by name and value, in file order.
#pragma once
#include <string>
#include <vector>

#include "files/fits_details.h"
#include "settings/settings_record.h"

struct SettingLine {
    std::string name;
    std::string value;
};

std::vector<SettingLine> ListSettings(const Settings& s, const FitsDetails& f);
