// velmora: the camera-control and image-processing program.
#include <cstdlib>
#include <cstring>

#include "app/velmora_app_window.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--simulate") == 0) setenv("VELMORA_SIMULATE", "1", 1);
    return RunVelmoraApp(argc, argv);
}
