#include "core/zKtl.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/sbWait.h"
#include "platform/desktop/Launcher.h"
#include "platform/desktop/ProcessLauncher.h"
#include "platform/desktop/Prompt.h"
#include "platform/desktop/ToolPaths.h"
#include "platform/text/SystemCodec.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <cstring>
#include <memory>

namespace {

std::unique_ptr<zKtl> &holder()
{
    static std::unique_ptr<zKtl> one;
    return one;
}

const QString Application = QStringLiteral("QuenlithTools");
const QString Section = QStringLiteral("Path");

// Text in the system code page, cut on a character boundary and padded with blanks to `size`.
QByteArray field(const QString &text, int size)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int step = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = SystemCodec::fromUnicode(text.mid(i, step));
        if (out.size() + bytes.size() > size)
            break;
        out += bytes;
        i += step - 1;
    }
    return out + QByteArray(size - out.size(), ' ');
}

QByteArray littleEndianFloat(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray out(4, '\0');
    qToLittleEndian(bits, out.data());
    return out;
}

QByteArray littleEndianShort(qint16 value)
{
    QByteArray out(2, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

bool flagAt(const QByteArray &record, int offset)
{
    return record.size() >= offset + 2 && qFromLittleEndian<qint16>(record.constData() + offset) != 0;
}

} // namespace

zKtl &zKtl::instance()
{
    if (!holder())
        holder().reset(new zKtl);
    return *holder();
}

void zKtl::release()
{
    holder().reset();
}

zKtl::zKtl()
{
    LdAppPh();
}

void zKtl::AppTbl(int index, QString &key, QString &name)
{
    static const char *const keys[] = {"Velmora", "Tindrel", "Oskaryn", "Prusken", "Lovisart", "Dremfal"};
    static const char *const names[] = {"画像", "ｸﾞﾗﾌ", "ﾁｬｰﾄ", "FTP", "宛名", "文書ﾃﾞｰﾀｰﾍﾞｰｽ"};
    if (index < 0 || index >= ToolCount) {
        key.clear();
        name.clear();
        return;
    }
    key = QString::fromLatin1(keys[index]);
    name = QString::fromUtf8(names[index]);
}

bool zKtl::nameFits(const QString &path, const QString &key)
{
    // The tools keep their Windows names; a native stand-in may drop the ".exe".
    const QString file = QFileInfo(path).fileName();
    return file.compare(key + QStringLiteral(".exe"), Qt::CaseInsensitive) == 0
        || file.compare(key, Qt::CaseInsensitive) == 0;
}

void zKtl::LdAppPh()
{
    for (int i = 0; i < ToolCount; ++i) {
        QString key, name;
        AppTbl(i, key, name);
        const QString path = ToolPaths::value(Application, Section, key);
        m_paths[i] = !path.isEmpty() && nameFits(path, key) && QFileInfo(path).isFile() ? path : QString();
    }
}

void zKtl::GetAppNm(int index, QString &path) const
{
    path = index >= 0 && index < ToolCount ? m_paths[index] : QString();
}

void zKtl::GetExePh(QString &startFolder, const QString &key, const QString &exeName, QString &found) const
{
    found.clear();
    // Without the program's own path there is no folder beside it: the working folder is not one.
    if (Usr::st().programPath.isEmpty())
        return;
    const QString programFolder = QFileInfo(Usr::st().programPath).absolutePath();
    QDir parent(programFolder);
    if (!parent.cdUp())
        return;
    startFolder = parent.absolutePath();
    auto named = [&key](const QDir &dir, const QString &skip) -> QString {
        const QStringList subs = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &sub : subs) {
            const QString path = dir.absoluteFilePath(sub);
            if (path != skip && sub.compare(key, Qt::CaseInsensitive) == 0)
                return path;
        }
        return {};
    };
    QString folder = named(parent, QString());
    if (folder.isEmpty()) {
        QDir grand(startFolder);
        if (grand.cdUp() && grand.absolutePath() != startFolder) {
            const QStringList subs = grand.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString &sub : subs) {
                const QString path = grand.absoluteFilePath(sub);
                if (path == startFolder)
                    continue;
                if (sub.compare(key, Qt::CaseInsensitive) == 0) {
                    folder = path;
                    break;
                }
                folder = named(QDir(path), startFolder);
                if (!folder.isEmpty())
                    break;
            }
        }
    }
    if (folder.isEmpty())
        return;
    found = QDir(folder).filePath(exeName);
    // A native stand-in in that folder may carry the bare key.
    if (!QFileInfo(found).isFile() && QFileInfo(QDir(folder).filePath(key)).isFile())
        found = QDir(folder).filePath(key);
}

QString zKtl::askProgram(const QString &title, const QString &file, const QString &filter, const QString &folder)
{
    for (;;) {
        const QString chosen = Frmt::OpenDlg(title, file, filter, folder);
        const QFileInfo info(chosen);
        if (chosen.isEmpty() || !info.isFile())
            return QString();
        if (info.isExecutable())
            return chosen;
        // Taken silently, a file that cannot run would look like a cancelled choice.
        if (Prompt::current().message(chosen + QStringLiteral("\nはﾌﾟﾛｸﾞﾗﾑではありません　実行できるﾌｧｲﾙを指定して下さい"),
                                      Prompt::RetryCancel | Prompt::Exclamation)
            != Prompt::Retry)
            return QString();
    }
}

bool zKtl::bChkApp(int index)
{
    if (index < 0 || index >= ToolCount)
        return false;
    if (!m_paths[index].isEmpty() && QFileInfo(m_paths[index]).isFile())
        return true;
    QString key, name;
    AppTbl(index, key, name);
    const QString exe = key + QStringLiteral(".exe");
    QString start, found;
    GetExePh(start, key, exe, found);
    if (found.isEmpty() || !QFileInfo(found).isFile()) {
        QDir parent(QFileInfo(Usr::st().programPath).absolutePath());
        parent.cdUp();
        // A program here carries no ".exe": every file is offered, and only a program is taken.
        found = askProgram(name + QStringLiteral(" 実行ﾌｧｲﾙの指定"), exe, QStringLiteral("全てのﾌｧｲﾙ (*)|*"),
                           parent.absolutePath());
        if (found.isEmpty() || !nameFits(found, key))
            return false;
    }
    m_paths[index] = found;
    ToolPaths::setValue(Application, Section, key, found);
    return true;
}

bool zKtl::hasApp(int index) const
{
    if (index < 0 || index >= ToolCount)
        return false;
    const auto program = [](const QString &path) {
        const QFileInfo info(path);
        return !path.isEmpty() && info.isFile() && info.isExecutable();
    };
    if (program(m_paths[index]))
        return true;
    QString key, name, start, found;
    AppTbl(index, key, name);
    GetExePh(start, key, key + QStringLiteral(".exe"), found);
    return program(found);
}

QByteArray zKtl::picRecord(const QString &folder, int kind, float width, float height)
{
    return field(folder, 255) + field(QStringLiteral("*.png"), 10)
        + field(kind == 3 ? QStringLiteral("*.*") : QStringLiteral("*.png"), 255) + littleEndianFloat(width)
        + littleEndianFloat(height) + littleEndianShort(0) + littleEndianShort(0);
}

QByteArray zKtl::grfRecord(const QString &folder)
{
    return field(folder, 255) + field(QStringLiteral("*.bmp"), 10) + field(QString(), 255) + littleEndianShort(0);
}

QString zKtl::CutNul(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return SystemCodec::toUnicode(nul < 0 ? bytes : bytes.left(nul)).trimmed();
}

bool zKtl::writeRecord(const QString &file, const QByteArray &record)
{
    QFile out(file);
    if (!out.open(QIODevice::ReadWrite))
        return false;
    const bool ok = out.write(record) == record.size();
    out.close();
    return ok && out.error() == QFileDevice::NoError;
}

bool zKtl::ShellWait(const QString &program, const QStringList &arguments, const QString &waitText, int *exitCode)
{
    if (exitCode)
        *exitCode = -1;
    if (m_waiting)
        return false;
    m_waiting = true;
    // The windows stay painted but busy until the tool ends: a command started meanwhile would
    // work under the running tool (the site rewritten while it is being uploaded).
    const bool shown = sbWait::isShown();
    const QString before = sbWait::shownMessage();
    sbWait::cMsg(waitText);
    bool ok = false;
    if (dynamic_cast<ProcessLauncher *>(&Launcher::current())) {
        QProcess process;
        QEventLoop loop;
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop, &process](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart || process.state() == QProcess::NotRunning)
                loop.quit();
        });
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, arguments);
        if (process.waitForStarted()) {
            process.closeWriteChannel();
            if (process.state() != QProcess::NotRunning)
                loop.exec();
            ok = process.exitStatus() == QProcess::NormalExit;
            if (ok && exitCode)
                *exitCode = process.exitCode();
        }
    } else {
        const int code = Launcher::current().run(program, arguments, QString(), -1);
        ok = code >= 0;
        if (exitCode)
            *exitCode = code;
    }
    if (shown)
        sbWait::cMsg(before);
    else
        sbWait::cEnd();
    m_waiting = false;
    return ok;
}

QString zKtl::ftpWaitText(const QString &tool)
{
    return QStringLiteral("FTP転送中です (") + tool + QLatin1Char(')');
}

QString zKtl::waitText(int index)
{
    QString key, name;
    AppTbl(index, key, name);
    return name + QStringLiteral("ﾂｰﾙの終了を待っています");
}

bool zKtl::start(const QString &program, const QStringList &arguments)
{
    if (m_waiting)
        return false;
    return Launcher::current().startDetached(program, arguments, QString());
}

void zKtl::ActPic(int kind, const QString &folder, QString &result, float width, float height, bool &flag1,
                  bool &ok)
{
    if (!bChkApp(Picture))
        return;
    const QString file = Usr::st().workFolder + QStringLiteral("PC_HT.pdat");
    if (!writeRecord(file, picRecord(folder, kind, width, height)) || !QFileInfo(file).isFile()) {
        Prompt::current().message(QStringLiteral("ﾊﾟﾗﾒﾀﾌｧｲﾙを作成できませんでした"));
        return;
    }
    if (!ShellWait(m_paths[Picture], {file}, waitText(Picture)))
        return;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray record = in.read(PicRecordSize);
    if (record.size() < PicRecordSize)
        return;
    result = CutNul(record.mid(265, 255));
    flag1 = flagAt(record, 528);
    ok = flagAt(record, 530);
}

void zKtl::graphExchange(int index, const QString &fileName, const QString &folder, QString &result, bool &ok)
{
    if (!bChkApp(index))
        return;
    const QString file = Usr::st().workFolder + fileName;
    if (!writeRecord(file, grfRecord(folder)) || !ShellWait(m_paths[index], {file}, waitText(index)))
        return;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray record = in.read(GrfRecordSize);
    if (record.size() < GrfRecordSize)
        return;
    result = CutNul(record.mid(265, 255));
    ok = flagAt(record, 520);
}

void zKtl::ActGrph(const QString &folder, QString &result, bool &ok)
{
    graphExchange(Graph, QStringLiteral("GR_HT.pdat"), folder, result, ok);
}

void zKtl::ActChrt(const QString &folder, QString &result, bool &ok)
{
    graphExchange(Chart, QStringLiteral("CH_HT.pdat"), folder, result, ok);
}

bool zKtl::ActFtp(const QString &job, const QStringList &values)
{
    if (!bChkApp(Ftp))
        return true;
    QString line = job + QLatin1Char('|');
    for (const QString &value : values)
        line += value + QLatin1Char('|');
    line.chop(1);
    return start(m_paths[Ftp], {line});
}

bool zKtl::ActSync(const QString &name, int *exitCode)
{
    // A run gives its own code (ShellWait); this one stays only when no tool was chosen.
    if (exitCode)
        *exitCode = NotChosen;
    if (!bChkApp(Ftp))
        return true;
    return ShellWait(m_paths[Ftp], {QStringLiteral("SyncUp"), QStringLiteral("/b|") + name},
                     ftpWaitText(QFileInfo(m_paths[Ftp]).fileName()), exitCode);
}

bool zKtl::ActFFFTP(const QString &setting, int *exitCode)
{
    if (exitCode)
        *exitCode = NotChosen;
    QString path = ToolPaths::value(Application, Section, QStringLiteral("FFFTP"));
    if (!path.isEmpty() && !QFileInfo(path).isFile())
        path.clear();
    if (path.isEmpty()) {
        path = askProgram(QStringLiteral("FFFTP"), QStringLiteral("FFFTP.exe"),
                          QStringLiteral("FFFTP実行ﾌｧｲﾙ(FFFTP.exe)|FFFTP.exe"), QString());
        // Without a chosen program nothing is started.
        if (path.isEmpty())
            return true;
        ToolPaths::setValue(Application, Section, QStringLiteral("FFFTP"), path);
    }
    return ShellWait(path, {QStringLiteral("-s"), setting, QStringLiteral("-m")}, ftpWaitText(QStringLiteral("FFFTP")),
                     exitCode);
}

bool zKtl::ActAtena(const QString &csv, const QString &pattern)
{
    if (!bChkApp(Labels))
        return true;
    const QString file = Usr::st().workFolder + QStringLiteral("Atena.csv");
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = SystemCodec::fromUnicode(csv);
    if (out.write(bytes) != bytes.size())
        return false;
    out.close();
    return start(m_paths[Labels], {pattern, file});
}

bool zKtl::ActTov(const QString &documentFile, const QString &pageNo)
{
    if (!bChkApp(DocumentDb))
        return true;
    QStringList arguments;
    if (!documentFile.isEmpty()) {
        arguments << documentFile;
        if (!pageNo.isEmpty())
            arguments << pageNo;
    }
    return start(m_paths[DocumentDb], arguments);
}
