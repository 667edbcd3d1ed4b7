// orvacam-cli: the headless station.

#include "common/AppPaths.h"

#include <cstdio>

int main() {
    std::printf("orvacam-cli %s\n", ORVA_VERSION);
    std::printf("settings: %s\n", orva::AppPaths::ConfigDirectory().c_str());
    std::printf("data:     %s\n", orva::AppPaths::DataDirectory().c_str());
    return 0;
}
