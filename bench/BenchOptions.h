#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "RecordImage.h"

namespace q417::bench {

// The command line both benchmarks take: --sim PATH, --baud RATE, --records N.
struct BenchOptions {
    std::string simPath = "build/q417sim";
    int baud = 115200;
    int records = kRecordCapacity;

    [[nodiscard]] static BenchOptions Parse(int argc, char** argv) {
        BenchOptions options;
        for (int i = 1; i + 1 < argc; i += 2) {
            if (std::strcmp(argv[i], "--sim") == 0) {
                options.simPath = argv[i + 1];
            } else if (std::strcmp(argv[i], "--baud") == 0) {
                options.baud = std::atoi(argv[i + 1]);
            } else if (std::strcmp(argv[i], "--records") == 0) {
                options.records = std::atoi(argv[i + 1]);
            }
        }
        return options;
    }
};

}  // namespace q417::bench
