#pragma once

#include <QDateTime>

// The time and the random numbers the program uses; tests install fixed ones.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    static Clock &current();
    static void install(Clock *clock); // not owned; nullptr restores the system clock
};
