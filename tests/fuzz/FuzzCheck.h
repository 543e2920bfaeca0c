#pragma once

#include <cstdio>
#include <cstdlib>

namespace q417::fuzz {

// Stops the run on a broken invariant. abort() is what libFuzzer keeps an input for, and what
// makes the corpus runner fail under ctest; the message says which invariant it was.
inline void Require(bool holds, const char* invariant) {
    if (!holds) {
        std::fprintf(stderr, "broken invariant: %s\n", invariant);
        std::abort();
    }
}

}  // namespace q417::fuzz
