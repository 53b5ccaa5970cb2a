#include "platform/time_zone.h"

#include <cstdlib>
#include <ctime>
#include <string>

void SetUtOffsetTimeZone(int offsetHours) {
    const std::string zone = "GMT" + std::to_string(offsetHours);
    setenv("TZ", zone.c_str(), 1);
    tzset();
}
