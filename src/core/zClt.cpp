#include "core/zClt.h"

#include "core/Usr.h"
#include "core/yIni.h"
#include "platform/desktop/Launcher.h"
#include "platform/desktop/Prompt.h"
#include "platform/text/SystemCodec.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <QTextBoundaryFinder>
#include <QWidget>

#include <cstdio>

namespace {

zClt *theInstance = nullptr;

const QByteArray utf8Bom("\xEF\xBB\xBF");

} // namespace

// Blanks only, as the stored texts were trimmed where they were made.
QString zClt::trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

bool zClt::isPlainName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(QLatin1String("..")) || !name.isValidUtf16()
        || QFile::encodeName(name).size() > 255)
        return false;
    for (const char32_t c : name.toUcs4()) {
        if (c == U'/' || c == U'\\' || QChar::category(c) == QChar::Other_Control || QChar::category(c) == QChar::Other_Format)
            return false;
    }
    return true;
}

QString zClt::firstCharacters(const QString &text, int count)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int n = 0; n < count; ++n) {
        const qsizetype next = graphemes.toNextBoundary();
        if (next < 0)
            return text;
        end = next;
    }
    return text.left(end);
}

namespace {

void replaceUntilGone(QString &text, const QString &from, const QString &to)
{
    while (text.contains(from))
        text.replace(from, to);
}

bool hasWildcard(const QString &path)
{
    return path.contains(QLatin1Char('*')) || path.contains(QLatin1Char('?'));
}

// The files (neither folders nor hidden ones) that a pattern such as
// "folder/*.png" names.
QFileInfoList matchingFiles(const QString &pattern)
{
    const QFileInfo info(pattern);
    QDir dir = info.dir();
    return dir.entryInfoList({info.fileName()}, QDir::Files | QDir::NoDotAndDotDot);
}

// A whole file replaced only once every byte is on disk.
bool writeWhole(const QString &file, const QByteArray &bytes)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool copyContents(QFile &in, QFile &out)
{
    char buffer[65536];
    while (!in.atEnd()) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0 || out.write(buffer, n) != n)
            return false;
    }
    return out.flush();
}

// Copies into a temporary file beside the target and renames it over the
// target, so that a failed copy never costs the user the file it was to replace
// (a read-only target is replaced as well).
bool copyOver(const QString &source, const QString &target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QTemporaryFile out(QFileInfo(target).absolutePath() + QStringLiteral("/.fenwar-copy-XXXXXX"));
    if (!out.open() || !copyContents(in, out))
        return false;
    out.setPermissions(in.permissions());
    out.close();
    const QByteArray from = QFile::encodeName(out.fileName());
    const QByteArray to = QFile::encodeName(target);
    return std::rename(from.constData(), to.constData()) == 0;
}

bool isSameFile(const QString &a, const QString &b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

// A recursive delete with errors ignored must never reach the whole disk or the
// user's home.
bool isProtectedFolder(const QString &folder)
{
    const QString path = QFileInfo(folder).absoluteFilePath();
    const QString home = QDir::homePath();
    if (path == QLatin1String("/") || path == home)
        return true;
    return home.startsWith(path + QLatin1Char('/'));
}

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

int qtKeyOf(int virtualKey)
{
    if ((virtualKey >= 0x30 && virtualKey <= 0x39) || (virtualKey >= 0x41 && virtualKey <= 0x5A))
        return virtualKey;
    if (virtualKey >= 0x70 && virtualKey <= 0x7B)
        return Qt::Key_F1 + (virtualKey - 0x70);
    switch (virtualKey) {
    case 8: return Qt::Key_Backspace;
    case 9: return Qt::Key_Tab;
    case 13: return Qt::Key_Return;
    case 27: return Qt::Key_Escape;
    case 32: return Qt::Key_Space;
    case 33: return Qt::Key_PageUp;
    case 34: return Qt::Key_PageDown;
    case 35: return Qt::Key_End;
    case 36: return Qt::Key_Home;
    case 37: return Qt::Key_Left;
    case 38: return Qt::Key_Up;
    case 39: return Qt::Key_Right;
    case 40: return Qt::Key_Down;
    case 45: return Qt::Key_Insert;
    case 46: return Qt::Key_Delete;
    default: return 0;
    }
}

QAction *shortcutAction(QWidget *window, const QKeySequence &sequence)
{
    QList<QAction *> actions = window->actions();
    actions += window->findChildren<QAction *>();
    for (QAction *action : std::as_const(actions)) {
        if (action->isEnabled() && action->shortcuts().contains(sequence))
            return action;
    }
    return nullptr;
}

QString valueText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

} // namespace

zClt &zClt::instance()
{
    if (!theInstance)
        theInstance = new zClt;
    return *theInstance;
}

void zClt::release()
{
    delete theInstance;
    theInstance = nullptr;
}

// ---------------------------------------------------------------- automation

void zClt::A_CtrlKy(int keyCode)
{
    QWidget *window = Usr::st().mainWindow;
    const int key = (keyCode >= 0 && keyCode <= 255) ? qtKeyOf(keyCode) : 0;
    if (!window || key == 0)
        return;
    window->raise();
    window->activateWindow();
    // A real key press reaches the window's shortcuts before its widgets.
    if (QAction *action = shortcutAction(window, QKeySequence(Qt::CTRL | Qt::Key(key)))) {
        action->trigger();
        return;
    }
    QWidget *target = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, key, Qt::ControlModifier);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::ControlModifier);
    QCoreApplication::sendEvent(target, &up);
}

void zClt::A_EndIE() {}

void zClt::A_ViewIE(const QString &address)
{
    const int answer = Launcher::current().openWithDesktop(address);
    if (Launcher::handedOver(answer))
        return;
    // The browser could not be started at all; a page or file that the desktop has no program
    // for is named with where it lies.
    Prompt::current().message(answer < 0 ? QStringLiteral("InternetExplorerが起動できませんでした\n しばらくしてから再度実行して下さい")
                                         : yIni::openFailureText(address, answer),
                              Prompt::OkOnly);
}

// ---------------------------------------------------------------- text files

bool zClt::F_StTxtFL(const QString &file, const QString &text, bool append)
{
    const QByteArray bytes = SystemCodec::fromUnicode(text);
    if (!append)
        return writeWhole(file, bytes);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return out.write(bytes) == bytes.size() && out.flush();
}

QString zClt::FsGtText(const QString &file, bool *ok)
{
    if (ok)
        *ok = true;
    if (!FbExFile(file))
        return QString();
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return QString();
    }
    return SystemCodec::toUnicode(in.readAll());
}

QString zClt::FsGtUtf(const QString &file)
{
    QFile in(file);
    if (file.isEmpty() || QFileInfo(file).isDir() || !in.open(QIODevice::ReadOnly)) {
        Prompt::current().message(file + QStringLiteral(" を開けませんでした"), Prompt::OkOnly);
        return QString();
    }
    QByteArray bytes = in.readAll();
    if (bytes.startsWith(utf8Bom))
        bytes.remove(0, utf8Bom.size());
    // Only the one mark goes; a second one is part of the text.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool zClt::F_StUtf(const QString &file, const QString &text)
{
    if (text.isEmpty())
        return true;
    return writeWhole(file, utf8Bom + text.toUtf8());
}

// ---------------------------------------------------------------- files and folders

bool zClt::FbExFile(const QString &path, bool pattern)
{
    if (path.isEmpty())
        return false;
    if (pattern && hasWildcard(path))
        return !matchingFiles(path).isEmpty();
    return QFileInfo(path).isFile();
}

bool zClt::FbExFolder(const QString &folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

bool zClt::F_CreateFld(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    if (FbExFolder(folder))
        return true;
    return QDir().mkpath(folder);
}

bool zClt::F_ChkSb(const QString &base, const QStringList &names)
{
    QString prefix = base;
    if (!prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    for (const QString &name : names) {
        const QString folder = prefix + name;
        if (!FbExFolder(folder) && !QDir().mkdir(folder))
            return false;
    }
    return true;
}

bool zClt::F_Copy(const QString &source, const QString &target)
{
    if (!FbExFile(source) || target.isEmpty() || isSameFile(source, target))
        return false;
    if (QFileInfo::exists(target)) {
        const int answer = Prompt::current().message(QStringLiteral("同名ﾌｧｲﾙがあります 削除して良いですか"),
                                                     Prompt::OkCancel);
        if (answer != Prompt::Ok)
            return false;
    }
    return copyOver(source, target);
}

void zClt::F_DelFile(const QString &path)
{
    if (path.isEmpty())
        return;
    if (path.contains(QLatin1Char('*'))) {
        const QFileInfoList files = matchingFiles(path);
        for (const QFileInfo &info : files)
            QFile::remove(info.filePath());
        return;
    }
    if (FbExFile(path))
        QFile::remove(path);
}

void zClt::F_DelFold(const QString &folder)
{
    QString path = folder;
    if (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty() || isProtectedFolder(path))
        return;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        // The link goes; what it points to belongs to someone else.
        QFile::remove(path);
        return;
    }
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty() && isInside(QDir::currentPath(), canonical)) {
        const QString refuge = Usr::st().userData;
        QDir::setCurrent(refuge.isEmpty() || isInside(refuge, canonical) ? QDir::homePath() : refuge);
    }
    if (info.isDir())
        QDir(path).removeRecursively();
}

// ---------------------------------------------------------------- strings

void zClt::T_AddRwd(QString &text, const QString &tail)
{
    if (!text.isEmpty() && !text.endsWith(tail))
        text += tail;
}

void zClt::T_DelRwd(QString &text, QString &tail)
{
    if (tail.isEmpty())
        tail = QStringLiteral(",");
    if (tail == QLatin1String(",")) {
        text.replace(QStringLiteral(", "), QStringLiteral(","));
        text.replace(QStringLiteral(" ,"), QStringLiteral(","));
    }
    while (text.endsWith(tail))
        text.chop(tail.size());
}

void zClt::T_SpltWd(const QString &text, const QString &separator, QString &left, QString &right)
{
    const qsizetype at = separator.isEmpty() ? -1 : text.indexOf(separator, 0, Qt::CaseInsensitive);
    if (at < 0) {
        left = text;
        right.clear();
        return;
    }
    left = trimSpaces(text.left(at));
    right = trimSpaces(text.mid(at + separator.size()));
}

void zClt::T_TrmCR(QString &text)
{
    replaceUntilGone(text, QStringLiteral("  "), QStringLiteral(" "));
    text.remove(QChar(1));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    replaceUntilGone(text, QStringLiteral(" \r"), QStringLiteral("\r"));
    replaceUntilGone(text, QStringLiteral("\r\r"), QStringLiteral("\r"));
    text.replace(QStringLiteral("\r"), QStringLiteral("\r\n"));
}

void zClt::T_CnvSq(QString &statement, const QVariantList &values)
{
    qsizetype from = 0;
    for (const QVariant &value : values) {
        const qsizetype at = statement.indexOf(QLatin1Char('?'), from);
        if (at < 0)
            return;
        QString filling = value.isNull() ? QString() : valueText(value);
        filling.remove(QLatin1Char('?'));
        statement.replace(at, 1, filling);
        from = at + filling.size();
    }
}

QString zClt::TsBtwn(const QString &text, const QString &startMarker, const QString &endMarker)
{
    qsizetype start = 0;
    if (!startMarker.isEmpty()) {
        const qsizetype at = text.indexOf(startMarker, 0, Qt::CaseInsensitive);
        if (at < 0)
            return QString();
        start = at + startMarker.size();
    }
    qsizetype end = endMarker.isEmpty() ? -1 : text.indexOf(endMarker, start, Qt::CaseInsensitive);
    if (end < 0)
        end = text.size();
    return text.mid(start, end - start);
}

bool zClt::TbChkDy(const QString &text, QDateTime *date)
{
    static const QStringList dateForms{QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy-M-d"),
                                       QStringLiteral("yyyy.M.d"), QStringLiteral("yyyy年M月d日")};
    static const QStringList timeForms{QString(), QStringLiteral(" H:m"), QStringLiteral(" H:m:s"),
                                       QStringLiteral("THH:mm:ss")};
    const QString trimmed = text.trimmed();
    for (const QString &dateForm : dateForms) {
        for (const QString &timeForm : timeForms) {
            const QDateTime value = QDateTime::fromString(trimmed, dateForm + timeForm);
            if (value.isValid()) {
                if (date)
                    *date = value;
                return true;
            }
        }
    }
    return false;
}

QString zClt::TsLwd(QString &text, const QString &separator)
{
    text = trimSpaces(text);
    const qsizetype at = separator.isEmpty() ? -1 : text.indexOf(separator, 0, Qt::CaseInsensitive);
    QString word;
    if (at < 0) {
        word = text;
        text.clear();
    } else {
        word = text.left(at);
        text = text.mid(at + separator.size());
    }
    return trimSpaces(word);
}
