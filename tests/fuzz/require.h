// A fuzz target's checks: a broken promise stops the run like a crash, so
// libFuzzer saves the input that broke it.
#ifndef SCRIVELANDER_REQUIRE_H
#define SCRIVELANDER_REQUIRE_H

#include <stdio.h>
#include <stdlib.h>

inline void Require(bool holds, const char* promise)
{
    if (!holds) {
        fprintf(stderr, "broken: %s\n", promise);
        abort();
    }
}

#endif
