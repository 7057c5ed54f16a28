#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Starts the outside programs the system works with: the six sibling tools (picture, graph, chart,
// FTP, address labels, document database), found by their recorded paths, a search beside the program
// or a dialog, and the FTP client FFFTP. Parameters pass through the fixed-layout parameter files, a
// CSV file or argument lists (never a shell line). While a waited-for tool runs, the wait window is
// shown and the windows are busy (they paint, their commands do nothing); a second launch meanwhile is refused, so one tool's answer never reaches another caller.
// There is one, created on first use; release() drops it at tear-down.
class zKtl
{
public:
    static zKtl &instance();
    static void release();

    enum Tool { Picture = 0, Graph = 1, Chart = 2, Ftp = 3, Labels = 4, DocumentDb = 5, ToolCount = 6 };

    void GetAppNm(int index, QString &path) const;
    // Picture exchange through "PC_HT.pdat" in the work folder; outputs unchanged when the tool is
    // missing or the exchange fails.
    void ActPic(int kind, const QString &folder, QString &result, float width, float height, bool &flag1,
                bool &ok);
    void ActGrph(const QString &folder, QString &result, bool &ok);
    void ActChrt(const QString &folder, QString &result, bool &ok);
    // False when the tool could not be started (or the file not written); a missing tool that the
    // user does not choose starts nothing and is no failure of these (true).
    bool ActFtp(const QString &job, const QStringList &values);
    // The waited-for FTP runs also give the tool's exit code (NotChosen when the user chose no
    // program and nothing ran, -1 when it could not run to its end).
    static constexpr int NotChosen = -2;
    bool ActSync(const QString &name, int *exitCode = nullptr);
    bool ActFFFTP(const QString &setting, int *exitCode = nullptr);
    bool ActAtena(const QString &csv, const QString &pattern);
    bool ActTov(const QString &documentFile, const QString &pageNo);
    bool bChkApp(int index);
    // True when the tool's program is known or found beside this program: bChkApp asks for nothing.
    bool hasApp(int index) const;
    void GetExePh(QString &startFolder, const QString &key, const QString &exeName, QString &found) const;

    // The parameter records, byte for byte.
    static constexpr int PicRecordSize = 532;
    static constexpr int GrfRecordSize = 522;
    static QByteArray picRecord(const QString &folder, int kind, float width, float height);
    static QByteArray grfRecord(const QString &folder);
    // A text field of a record: cut at the first NUL, trimmed of blanks.
    static QString CutNul(const QByteArray &field);
    // The key and display name of a tool.
    static void AppTbl(int index, QString &key, QString &name);
    // The wait window's text while an upload runs with `tool`.
    static QString ftpWaitText(const QString &tool);

private:
    zKtl();
    void LdAppPh();
    // Runs the tool and waits for its end with the windows live; false when it could not run or
    // another launch is being waited for. `exitCode` receives its exit code, -1 when it did not
    // end normally.
    // The wait window shows `waitText` meanwhile and the windows are busy.
    bool ShellWait(const QString &program, const QStringList &arguments, const QString &waitText,
                   int *exitCode = nullptr);
    static QString waitText(int index);
    // Asks for a program file; a file that cannot run is named as such and the choice asked again
    // on Retry. Empty when the user cancels.
    static QString askProgram(const QString &title, const QString &file, const QString &filter, const QString &folder);
    bool start(const QString &program, const QStringList &arguments);
    void graphExchange(int index, const QString &fileName, const QString &folder, QString &result, bool &ok);
    // Writes the record at the start of the file, keeping what lies beyond it.
    static bool writeRecord(const QString &file, const QByteArray &record);
    static bool nameFits(const QString &path, const QString &key);

    QString m_paths[ToolCount];
    bool m_waiting = false;
};
