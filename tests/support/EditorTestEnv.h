#pragma once

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "support/TestHome.h"

// The process-wide state every editor test starts from: default styles, no database, work files and
// settings in the test's own home. The editor keeps these between tests, so each test resets them.
inline bool resetEditorState(const TestHome &home)
{
    Usr::st().runTime = true;
    Usr::st().busy = false;
    Usr::st().dbName.clear();
    Usr::st().workFolder = home.path() + QStringLiteral("/");
    for (int i = 0; i < 8; ++i)
        Frmt::st().usrFmt[i] = Frmt::DefaultFmt(i);
    Frmt::st().lineFactor = 1.5f;
    Frmt::st().usrDtp = true;
    Frmt::st().usrEntShift = true;
    return yIni::instance().GetTxt(home.path() + QStringLiteral("/User.xml"));
}
