#pragma once

#include "core/FrmtState.h"

#include <QString>

class QWidget;

// The host of the main window as start-up sees it: the main window itself lives
// in a higher layer and registers a factory here (see app/main.cpp).
class MainWindowHost
{
public:
    virtual ~MainWindowHost() = default;
    virtual QWidget *widget() = 0;
    virtual void SetDBNo(const QString &path, int pageNo) = 0;
};

// Process-wide state and the start-up services. The program has exactly one of
// each value below; every subsystem reads them directly.
class Usr
{
public:
    struct State {
        QString dbName;          // base name of the open database
        bool jet = false;        // the open database is an embedded file (SQLite)
        QString userData;        // user-data folder, always ending with "/"
        QString workFolder;      // userData + "Wrk/"
        QString baseName;        // program base name ("_dv" dropped)
        QString programPath;     // full path of the program file
        QString pcName;          // computer name
        bool busy = false;       // a long job runs: close, tree and editor handlers do nothing
        bool runTime = false;    // set at start-up; controls do their init/resize work only then
        int waLeft = 0, waTop = 0, waWidth = 0, waHeight = 0; // desktop work area, twips
        QWidget *mainWindow = nullptr;
        FrmtState frmt;          // user text formats and publication context (Frmt)
    };

    static State &st();

    // Database upkeep (UsrUpkeep.cpp)
    static QString TsSqNow();
    static double FdNewKy();
};
