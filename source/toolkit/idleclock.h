// Milliseconds and sleeping for the editor's idle timing; tests replace both.
#pragma once

struct IdleClock {
    using Now = unsigned long (*)();
    using Sleep = void (*)(unsigned long ms);

    static unsigned long now();
    static void sleep(unsigned long ms);
    // Null restores the system's.
    static void set(Now now, Sleep sleep);
};
