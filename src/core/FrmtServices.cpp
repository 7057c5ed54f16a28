#include "core/Frmt.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "platform/desktop/Prompt.h"
#include "platform/text/TextChars.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QDir>
#include <QCursor>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QUrl>

void Frmt::SetBusy(bool busy)
{
    // The pointer is a setting, not a stack: true shows the hourglass, false
    // the normal pointer, however often either was asked for before.
    if (busy) {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
    QCoreApplication::processEvents();
}

bool Frmt::InStrOk(const QString &text, const QString &sought, int &position)
{
    position = text.isEmpty() && !sought.isEmpty() ? 0 : text.indexOf(sought, 0, Qt::CaseInsensitive) + 1;
    return !sought.isEmpty() && position > 0;
}

void Frmt::SplitKey(const QString &key, QString &kind, QString &identity)
{
    const QString head = key.left(3).toUpper();
    if (head == QLatin1String("TG_") || head == QLatin1String("TP_")) {
        kind = head.left(2);
        identity = key.mid(3);
    } else {
        kind = QStringLiteral("LK");
        identity = key;
    }
}

QString Frmt::DialogFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        // A description that already ends in its patterns keeps them, in the dialog's form.
        QString description = parts[i];
        const qsizetype open = description.lastIndexOf(QLatin1Char('('));
        if (description.endsWith(QLatin1Char(')')) && open >= 0
            && description.mid(open + 1).chopped(1).split(QLatin1Char(';')).join(QLatin1Char(' ')) == pattern)
            description.truncate(open);
        else
            description += QLatin1Char(' ');
        filters << description + QLatin1Char('(') + pattern + QLatin1Char(')');
    }
    return filters.join(QLatin1String(";;"));
}

QString Frmt::OpenDlg(const QString &title, const QString &fileName, const QString &filter,
                      const QString &startFolder, const QString &selected)
{
    // A file name that carries its own folder wins over the start folder.
    QString start = fileName;
    if (!fileName.contains(QLatin1Char('/')) && !startFolder.isEmpty())
        start = fileName.isEmpty() ? startFolder : QDir(startFolder).filePath(fileName);
    const QStringList parts = filter.split(QLatin1Char('|'));
    const QString dialogFilter = DialogFilter(filter);
    const QStringList dialogFilters = dialogFilter.split(QStringLiteral(";;"));
    QString chosen;
    for (qsizetype i = 0; !selected.isEmpty() && 2 * i < parts.size(); ++i) {
        if (parts.at(2 * i) == selected)
            chosen = dialogFilters.value(i);
    }
    return Prompt::current().openFileWith(title, start, dialogFilter, chosen);
}

void Frmt::LoadHome(bool homeOnly)
{
    zSvr &db = zSvr::instance();
    FrmtState &s = st();
    QVariantList row{QVariant(), QVariant(), QVariant(), QVariant()};
    // Without a settings row the kind stays as it was, the texts count as empty.
    if (db.R_PAry(QStringLiteral("Select HsHome2, HsHome1, HiHome, HsTopNm From kaUsr"), row))
        s.homeKind = row.value(2).toInt();
    const QString home2 = row.value(0).toString();
    const QString home1 = row.value(1).toString();
    const QString topName = row.value(3).toString();
    s.htmList.clear();
    // An unknown kind has no address: an address of the previous database must not leak into links.
    s.homeAddress.clear();
    if (s.homeKind == 1) {
        s.homeAddress = home1;
        // A first-page name the site writer would not use names no page.
        if (!homeOnly && IsTopName(topName)) {
            const qint64 top = db.R_GtVaL(QStringLiteral("Select Top 1 noLfC From tbTree Where noLfP = 0 Order By inSrt"), 0)
                                   .toLongLong();
            if (top > 0)
                s.htmList = QString::number(top) + QLatin1Char('\t') + topName + QChar(13);
        }
    } else if (s.homeKind == 2) {
        s.homeAddress = home2;
        if (!homeOnly)
            LoadHtmList();
    }
    // A stored value may come from someone else's database: only a web address is used.
    s.homeAddress = HomeAddress(s.homeAddress);
}

bool Frmt::IsTopName(const QString &name)
{
    static const QRegularExpression own(QStringLiteral("^([0-9]+(_[0-9]+)?\\.htm|navi\\.htm|favicon\\.ico|cmn)$"),
                                        QRegularExpression::CaseInsensitiveOption);
    // "#", "?" and "%" would be read by every link to the page as the start of a fragment, of a
    // query or of an escape.
    static const QRegularExpression linkMarks(QStringLiteral("[#?%]"));
    return zClt::isPlainName(name) && !own.match(name).hasMatch() && !linkMarks.match(name).hasMatch();
}

bool Frmt::IsHomeUrl(const QString &url)
{
    static const QRegularExpression form(QStringLiteral("^https?://[^/?#]+"), QRegularExpression::CaseInsensitiveOption);
    // The pages' addresses are built by putting their file names after it: a query or a fragment
    // would take them in.
    if (!form.match(url).hasMatch() || url.contains(QLatin1Char('?')) || url.contains(QLatin1Char('#')))
        return false;
    for (qsizetype i = 0; i < url.size(); ++i) {
        if (url[i].unicode() <= 0x20 || TextChars::unwritten(url, i))
            return false;
    }
    const QUrl parsed(url);
    // No user or password: every link readers follow would carry them, and "name@host" shows a
    // host other than the one reached.
    return parsed.isValid() && !parsed.host().isEmpty() && parsed.userInfo().isEmpty();
}

QString Frmt::HomeAddress(const QString &stored)
{
    QString address = IsHomeUrl(stored) ? stored : QString();
    zClt::instance().T_AddRwd(address, QStringLiteral("/"));
    return address;
}

void Frmt::LoadHtmList()
{
    DbTable t;
    const int rows = zSvr::instance().R_Ary(
        QStringLiteral("Select noDoc, saFnm, boRoot From tbHtm Where saFnm<>'' Order By noDoc"), t);
    QString list;
    for (int r = 0; r < rows; ++r) {
        const QString name = t.at(1, r).toString();
        list += QString::number(t.at(0, r).toLongLong()) + QLatin1Char('\t')
                + (t.at(2, r).toInt() == 1 ? QLatin1String("../") + name : name) + QChar(13);
    }
    st().htmList = list;
}

void Frmt::AppEnd()
{
    // The main window's close handler may lead here again while the windows
    // close; the outer run finishes the job.
    static bool running = false;
    if (running)
        return;
    running = true;
    // Windows first: several of them store their settings group while closing,
    // and those groups must be in the store before it is written.
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget> &w : windows)
        if (w)
            w->close();
    yIni::instance().SetTxt();
    yIni::release();
    zSvr::instance().D_Close();
    zSvr::release();
    running = false;
    QCoreApplication::quit();
}
