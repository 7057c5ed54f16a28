#pragma once

#include "core/FrmtState.h"

#include <QString>
#include <QStringList>

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
        QString dbFolder;        // folder of the open database file (or of its data-link file)
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

    // Start-up (Usr.cpp)
    using MainWindowFactory = MainWindowHost *(*)();
    // The program's entry: prepares the process-wide state, creates the main
    // window through `createMainWindow`, hands it the database path and start
    // page from `arguments` (the command line without the program) and shows it.
    // The caller owns the returned window.
    static MainWindowHost *Main(MainWindowFactory createMainWindow, const QStringList &arguments,
                                const QString &programPath);
    // The program file's base name without a trailing "_dv" (any case).
    static QString ProgramBaseName(const QString &programPath);
    // The arguments as one command-line text; an argument holding a blank is quoted.
    static QString CommandLineText(const QStringList &arguments);
    // Splits a command-line text into the database path and the start page number.
    static void SplitCommandLine(const QString &text, QString &path, int &pageNo);
    static QString FsGtPcNm();
    static void W_GtWa();
    static void W_FitWa(int &left, int &top, int &width, int &height);
    // Registers the program for "*.<extension>" files in the user's desktop
    // (launcher entry `progId`.desktop and a MIME type); false with a message on failure.
    static bool W_SetExt(const QString &progId, const QString &programPath, const QString &extension);

    // Database upkeep (UsrUpkeep.cpp)
    // Gives every page exactly one home placement (the oldest); with `propagate`
    // also recomputes msDoc.boPng for the whole tree. False when the placements
    // could not all be read (nothing is written then) or a row was not written.
    static bool D_FixLnk(bool propagate);
    // Recomputes msDoc.boPng below `parent` from tbHtm.inPng (0 inherits).
    static void D_SetPng(const QString &parent, int inherited);
    // Whether this computer holds the publish right; mode 0 asks, 1 tells and
    // claims a free right, others tell.
    static bool FbChkPub(int mode);
    // The current time as a statement literal of the open back end.
    static QString TsSqNow();
    // A new page identity for msDoc.wkRnd: a whole number in 1 .. 2^32 - 1.
    static double FdNewKy();
    // Stamps dyUdt (or dyPub) of one placement; false when it was not written.
    static bool D_SetTrDy(const QString &parent, const QString &child, bool publication);
};
