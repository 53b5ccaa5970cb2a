// Command 21, "Pick Guide Star": arms or disarms the guide-star pick on the
// main image (the pick itself is made by the next left-button release).
#pragma once

void PickGuideStarCommand();
