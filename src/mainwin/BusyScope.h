#pragma once

#include "core/Usr.h"

// Sets the process-wide busy flag for a block and gives it back its old value on
// every way out, so that an early return can never leave the window dead.
class BusyScope
{
public:
    BusyScope() : m_before(Usr::st().busy) { Usr::st().busy = true; }
    ~BusyScope() { Usr::st().busy = m_before; }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    bool m_before;
};
