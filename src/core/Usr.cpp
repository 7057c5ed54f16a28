#include "core/Usr.h"

Usr::State &Usr::st()
{
    static State state;
    return state;
}
