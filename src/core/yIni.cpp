#include "core/yIni.h"

#include "core/Usr.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/Launcher.h"
#include "platform/text/NumberText.h"
#include "platform/desktop/Prompt.h"
#include "platform/text/SystemCodec.h"
#include "platform/desktop/ToolPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString rootName = QStringLiteral("運用");
const QString groupIndent = QStringLiteral("   ");
const QString defaultToken = QStringLiteral("%applicaion data%");

yIni *theInstance = nullptr;

QString withSlash(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString startTag(const QString &name) { return QLatin1Char('<') + name + QLatin1Char('>'); }
QString endTag(const QString &name) { return QStringLiteral("</") + name + QLatin1Char('>'); }

// A flag as the classic conversion reads it: True/False in any case, or a number.
bool readFlag(const QString &text, bool &flag)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        flag = true;
        return true;
    }
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        flag = false;
        return true;
    }
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok)
        flag = number != 0.0;
    return ok;
}

QDateTime readDateTime(const QString &text)
{
    static const char *const formats[] = {"yyyy/MM/dd hh:mm:ss", "yyyy/MM/dd H:mm:ss", "yyyy/MM/dd",
                                          "yyyy-MM-dd hh:mm:ss", "yyyy-MM-ddThh:mm:ss", "yyyy-MM-dd"};
    const QString t = text.trimmed();
    for (const char *format : formats) {
        const QDateTime value = QDateTime::fromString(t, QLatin1String(format));
        if (value.isValid())
            return value;
    }
    return {};
}

} // namespace

yIni &yIni::instance()
{
    if (!theInstance)
        theInstance = new yIni;
    return *theInstance;
}

void yIni::release()
{
    delete theInstance;
    theInstance = nullptr;
}

// ---------------------------------------------------------------------------
// User-data folder and desktop

QString yIni::programFolder() const
{
    return withSlash(QFileInfo(Usr::st().programPath).absolutePath());
}

QString yIni::helpSite()
{
    // Only an address the user set, and only one a browser can reach: a stored value is input.
    yIni &ini = instance();
    ini.GetGtx(QStringLiteral("ﾍﾙﾌﾟ"));
    QString site = ini.vGtVal(QStringLiteral("URL"), QString()).toString().trimmed();
    const QUrl url(site, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return QString();
    if (!site.endsWith(QLatin1Char('/')))
        site += QLatin1Char('/');
    return site;
}

// The page lives in a static library: its resources must be registered by name.
static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

QString yIni::localHelpPage(const QString &page)
{
    initHelpResources();
    QFile source(QStringLiteral(":/help/") + page);
    if (!source.exists())
        source.setFileName(QStringLiteral(":/help/fenwar.htm"));
    if (!source.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray content = source.readAll();
    const QString folder = Usr::st().userData + QStringLiteral("Help/");
    const QString path = folder + QFileInfo(source.fileName()).fileName();
    // The page of this version of the program; an older copy is written over.
    QFile current(path);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == content)
        return path;
    current.close();
    QSaveFile out(path);
    if (!QDir().mkpath(folder) || !out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
        return QString();
    return path;
}

void yIni::registerProgramPath() const
{
    const QString baseName = Usr::st().baseName;
    const QString fullPath = programFolder() + baseName;
    const QString recorded = ToolPaths::value(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), baseName);
    if (recorded.compare(fullPath, Qt::CaseInsensitive) != 0)
        ToolPaths::setValue(QStringLiteral("QuenlithTools"), QStringLiteral("Path"), baseName, fullPath);
}

void yIni::W_UserData()
{
    Usr::State &state = Usr::st();
    registerProgramPath();
    const QString defaultFolder = FsGtSpFld(26) + QStringLiteral("/Quenlith/") + state.baseName + QLatin1Char('/');

    QString token = defaultToken;
    bool writeToken = false;
    QFile file(programFolder() + QStringLiteral("UserData.ini"));
    if (!file.exists()) {
        writeToken = true;
    } else if (file.open(QIODevice::ReadOnly)) {
        const QString content = SystemCodec::toUnicode(file.readAll());
        file.close();
        if (content.isEmpty() || content.startsWith(QLatin1Char('\r')) || content.startsWith(QLatin1Char('\n')))
            writeToken = true;
        else
            token = content;
    }
    // A file that exists but cannot be read is left alone: the default serves.

    state.userData = resolveToken(token, defaultFolder);

    if (writeToken) {
        // The program folder is often not writable on Linux; the default then
        // simply serves again at the next start.
        QSaveFile out(file.fileName());
        if (out.open(QIODevice::WriteOnly)) {
            out.write(SystemCodec::fromUnicode(defaultToken));
            out.commit();
        }
    }
    if (!QFileInfo(state.userData).isDir())
        F_CreateFld(state.userData);
    // A folder that cannot be made would silently lose every setting and work
    // file: say so and fall back on the default, like a folder that is missing.
    if (!QFileInfo(state.userData).isDir() && state.userData != defaultFolder) {
        Prompt::current().message(missingFolderMessage(state.userData, defaultFolder));
        state.userData = defaultFolder;
        F_CreateFld(state.userData);
    }
}

QString yIni::missingFolderMessage(const QString &folder, const QString &defaultFolder)
{
    return QStringLiteral("ﾌｫﾙﾀﾞ ") + folder + QStringLiteral(" が見つかりません\n") + QStringLiteral("ﾕｰｻﾞｰﾃﾞｰﾀｰﾌｫﾙﾀﾞは　")
           + defaultFolder + QStringLiteral(" を使用します");
}

QString yIni::resolveToken(const QString &token, const QString &defaultFolder) const
{
    const QString baseName = Usr::st().baseName;
    const QString lower = token.toLower();
    if (lower == QLatin1String("%app%"))
        return programFolder() + QStringLiteral("usData/");
    if (lower == QLatin1String("%usr%") || lower == defaultToken)
        return defaultFolder;
    if (lower == QLatin1String("%doc") || lower == QLatin1String("%my document%"))
        return FsGtSpFld(5) + QStringLiteral("/Quenlith/") + baseName + QLatin1Char('/');
    if (lower.startsWith(QLatin1Char('%')))
        return defaultFolder;
    // Paths keep their case: the file system tells "Data" from "data".
    const QFileInfo folder(token);
    if (folder.isDir())
        return withSlash(folder.absoluteFilePath());
    Prompt::current().message(missingFolderMessage(token, defaultFolder));
    return defaultFolder;
}

void yIni::W_Help(const QString &topic)
{
    QString page = topic.toLower();
    if (!page.contains(QLatin1Char('.')))
        page += QStringLiteral(".htm");
    const QString site = helpSite();
    if (!site.isEmpty()) {
        showOnDesktop(site + page);
        return;
    }
    const QString local = localHelpPage(page);
    if (!local.isEmpty())
        showOnDesktop(local);
}

void yIni::W_HtmView(const QString &address)
{
    showOnDesktop(address);
}

bool yIni::showOnDesktop(const QString &target)
{
    if (target.isEmpty())
        return false;
    const int answer = Launcher::current().openWithDesktop(target);
    if (Launcher::handedOver(answer))
        return true;
    Prompt::current().message(openFailureText(target, answer), Prompt::OkOnly | Prompt::Exclamation);
    return false;
}

QString yIni::openFailureText(const QString &target, int answer)
{
    // The first line says what could not be shown and where it lies, so that the user can open it
    // by hand.
    const bool local = target.startsWith(QLatin1Char('/'));
    const QString what = !local                    ? QStringLiteral("ｱﾄﾞﾚｽ: ")
                         : QFileInfo(target).isDir() ? QStringLiteral("ﾌｫﾙﾀﾞ: ")
                                                     : QStringLiteral("ﾌｧｲﾙ: ");
    QString why;
    // xdg-open's exit codes: 1 wrong arguments, 2 a file missing, 3 no program for it, 4 the
    // program failed.
    switch (answer) {
    case -1:
        return what + target + QStringLiteral(" を開けません｡\nxdg-open (xdg-utils) を起動できません｡ｲﾝｽﾄｰﾙされているかﾁｪｯｸして下さい");
    case 2:
        why = QStringLiteral("ﾌｧｲﾙが見つかりません");
        break;
    case 3:
        why = QStringLiteral("開くﾌﾟﾛｸﾞﾗﾑが見つかりません｡ﾃﾞｽｸﾄｯﾌﾟの設定で既定のﾌﾟﾛｸﾞﾗﾑを指定して下さい");
        break;
    case 4:
        why = QStringLiteral("既定のﾌﾟﾛｸﾞﾗﾑが開けませんでした");
        break;
    default:
        why = QStringLiteral("ﾃﾞｽｸﾄｯﾌﾟに渡せませんでした");
        break;
    }
    return what + target + QStringLiteral(" を開けません｡\n") + why
           + QStringLiteral("\n(xdg-open の終了ｺｰﾄﾞ %1)").arg(answer);
}

bool yIni::W_SendTo()
{
    const QString folder = FsGtSpFld(9);
    const QString name = Usr::st().baseName + QStringLiteral(".desktop");
    // The "send to" shortcut is a launcher entry here: the message names it.
    const QString made = Usr::st().programPath + QStringLiteral(" のﾗﾝﾁｬｰ ") + name + QStringLiteral(" を ") + folder;
    if (!DesktopEntry::writeLauncher(folder + QLatin1Char('/') + name, Usr::st().programPath, QString())) {
        Prompt::current().message(made + QStringLiteral(" に作成できませんでした"));
        return false;
    }
    Prompt::current().message(made + QStringLiteral(" に作成しました"));
    return true;
}

bool yIni::W_ExpFd(const QString &path, bool open)
{
    if (path.isEmpty())
        return false;
    if (open || QFileInfo(path).isDir())
        return showOnDesktop(path);
    return true;
}

QString yIni::FsGtSpFld(int folderId) const
{
    QString path;
    switch (folderId) {
    case 5:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    case 9:
        path = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        break;
    case 26:
        path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        break;
    default:
        break;
    }
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

void yIni::F_ChkSb(const QString &base, const QStringList &names)
{
    for (const QString &name : names) {
        if (!QFileInfo(base + name).isDir())
            QDir().mkdir(base + name);
    }
}

void yIni::F_CreateFld(const QString &folder)
{
    if (!folder.isEmpty() && !QFileInfo(folder).isDir())
        QDir().mkpath(folder);
}

// ---------------------------------------------------------------------------
// Settings store

bool yIni::GetTxt(const QString &path)
{
    m_document.clear();
    m_loadFailed = false;
    m_filePath = path;
    const int dv = m_filePath.indexOf(QLatin1String("_DV.xml"), 0, Qt::CaseInsensitive);
    if (dv >= 0)
        m_filePath.replace(dv, 7, QStringLiteral(".xml"));

    bool ok = true;
    QFile file(m_filePath);
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly)) {
            const QString text = SystemCodec::toUnicode(file.readAll());
            if (!text.isEmpty() && !text.startsWith(QLatin1Char('\r')) && !text.startsWith(QLatin1Char('\n')))
                m_document = text;
        } else {
            // Never write over settings we could not read.
            m_loadFailed = true;
            ok = false;
        }
    } else {
        ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    if (m_document.isEmpty())
        m_document = MkElm(0, rootName, crlf);
    return ok;
}

void yIni::GetGtx(const QString &group)
{
    m_groupName = group;
    m_groupText = GtElm(false, group);
}

QString yIni::GtElm(bool withinGroup, const QString &name)
{
    const QString &text = withinGroup ? m_groupText : m_document;
    if (text.isEmpty())
        return {};
    const QString start = startTag(name);
    const int s = text.indexOf(start);
    const int e = text.indexOf(endTag(name));
    if (s < 0 && e < 0)
        return {};
    if (s >= 0 && e >= 0 && s + start.size() <= e) {
        const QString inner = text.mid(s + start.size(), e - s - start.size());
        return withinGroup ? inner : groupElementText(inner);
    }
    Prompt::current().message(QLatin1Char('<') + name + QStringLiteral("> の設定が読み込めません\n")
                              + QStringLiteral("ﾕｰｻﾞｰ環境ﾌｧｲﾙ(") + m_filePath + QStringLiteral(") が破損しています"));
    return {};
}

// The key lines of a group: the line end after the start tag and the indentation
// of the end tag do not belong to them, the line end of the last key does, so
// that storing the group again gives back the same bytes.
QString yIni::groupElementText(const QString &inner) const
{
    QString keys = inner;
    if (keys.startsWith(crlf))
        keys.remove(0, crlf.size());
    if (keys.endsWith(groupIndent))
        keys.chop(groupIndent.size());
    return keys;
}

QVariant yIni::vGtVal(const QString &key, const QVariant &defaultValue)
{
    return typedValue(GtElm(true, key), defaultValue);
}

QVariant yIni::typedValue(const QString &text, const QVariant &defaultValue) const
{
    switch (defaultValue.typeId()) {
    case QMetaType::QString:
        return text.isEmpty() ? defaultValue : QVariant(text);
    case QMetaType::Bool: {
        bool flag = defaultValue.toBool();
        // A hand-edited value that is no flag keeps the default.
        if (!text.isEmpty())
            readFlag(text, flag);
        return flag;
    }
    case QMetaType::QDateTime:
    case QMetaType::QDate: {
        const QDateTime value = readDateTime(text);
        if (!value.isValid())
            return defaultValue;
        return defaultValue.typeId() == QMetaType::QDate ? QVariant(value.date()) : QVariant(value);
    }
    default:
        return text.isEmpty() ? defaultValue : QVariant(NumberText::leading(text));
    }
}

QString yIni::valueText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss"));
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy/MM/dd"));
    default:
        return value.toString();
    }
}

void yIni::SetVal(const QString &key, const QVariant &value)
{
    // "‡" stands for a line end whether the key is new or replaced.
    const QString text = valueText(value).replace(QChar(0x2021), crlf);
    const QString start = startTag(key);
    const int s = m_groupText.indexOf(start);
    const int e = s >= 0 ? m_groupText.indexOf(endTag(key), s + start.size()) : -1;
    if (e >= 0)
        m_groupText.replace(s + start.size(), e - s - start.size(), text);
    else
        m_groupText += MkElm(2, key, text);
}

void yIni::SetGtx()
{
    if (m_document.isEmpty())
        m_document = MkElm(0, rootName, crlf);
    QString keys = m_groupText;
    if (!keys.isEmpty() && !keys.endsWith(crlf))
        keys += crlf;
    const QString start = startTag(m_groupName);
    const int s = m_document.indexOf(start);
    const int after = s + start.size();
    const int e = s >= 0 ? m_document.indexOf(endTag(m_groupName), after) : -1;
    if (e < 0) {
        insertGroup(keys);
        return;
    }
    m_document = m_document.left(after) + crlf + keys + groupIndent + m_document.mid(e);
}

void yIni::insertGroup(const QString &keys)
{
    const QString group = MkElm(1, m_groupName, keys);
    const QString rootEnd = endTag(rootName);
    const int r = m_document.indexOf(rootEnd);
    if (r >= 0) {
        m_document.insert(r, group);
        return;
    }
    // The root's end tag was lost (a hand edit): put it back rather than refuse
    // every later save.
    if (!m_document.endsWith(crlf))
        m_document += crlf;
    m_document += group + rootEnd;
}

QString yIni::MkElm(int kind, const QString &name, const QString &value)
{
    QString text;
    switch (kind) {
    case 0:
        text = QStringLiteral("<?xml version='1.0' encoding='Shift-JIS' ?>‡") + startTag(name) + value + endTag(name);
        break;
    case 1:
        text = groupIndent + startTag(name) + QStringLiteral("‡") + value + groupIndent + endTag(name)
               + QStringLiteral("‡");
        break;
    default:
        text = QStringLiteral("      ") + startTag(name) + value + endTag(name) + QStringLiteral("‡");
        break;
    }
    return text.replace(QChar(0x2021), crlf);
}

bool yIni::SetTxt()
{
    if (m_filePath.isEmpty() || m_loadFailed)
        return false;
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(SystemCodec::fromUnicode(m_document));
    return file.commit();
}
