// The process time zone that turns the PC clock into UT: TZ=GMT<offset>
// (an offset of 5 gives TZ=GMT5, -3 gives TZ=GMT-3; positive is west of
// Greenwich).
#pragma once

void SetUtOffsetTimeZone(int offsetHours);
