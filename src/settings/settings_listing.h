// Every stored setting by name and value, in file order.
#pragma once
#include <string>
#include <vector>

#include "core/fits_details.h"
#include "core/settings_record.h"

struct SettingLine {
    std::string name;
    std::string value;
};

std::vector<SettingLine> ListSettings(const Settings& s, const FitsDetails& f);
