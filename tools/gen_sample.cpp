// Builds a sample document database from the template: pages in a tree with
// link, hidden and protected placements and a list-mode page.
//   gen_sample <path> [--pages N] [--force] [--empty]
// An existing file is kept unless --force is given. A path ending in ".udl"
// names a data-link file of a PostgreSQL server database: the document tables
// are set up there (refused when they exist) and filled; with --empty the
// tables are only set up, as for a team's new server database. Every page gets a real page
// document: a heading, paragraphs, tag links to other pages, and on some pages a
// table or a picture.
#include "core/TemplateDb.h"
#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "platform/db/DbFiles.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/TextProps.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextTable>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace {

const char *const topTitles[] = {"はじめに", "基本操作", "用語集", "資料室", "作業メモ（非公開）", "よくある質問",
                                 "設定", "応用編", "付録", "更新履歴"};
const char *const words[] = {"文書", "頁", "目次", "見出し", "段落", "リンク", "画像", "表", "印刷", "公開",
                             "編集", "保存", "検索", "タグ", "設定", "出力"};

struct Layout {
    int pages = 40;
    int top = 5;

    int id(int k) const { return 1001 + k; }
    // Breadth first, six children a page: a parent always comes before its children.
    int parentIndex(int k) const { return k < top ? -1 : (k - top) / 6; }
    int parent(int k) const { return k < top ? 0 : id(parentIndex(k)); }
    bool listMode(int k) const { return k == 2; }
    bool hidden(int k) const { return k == 4; }
    bool isProtected(int k) const { return k % 11 == 5; }
    // Every seventh page below the top also stands under another top-level page.
    int linkParent(int k) const
    {
        if (k < top || k % 7 != 0)
            return -1;
        int p = k % top;
        if (id(p) == parent(k) || p == k)
            p = (p + 1) % top;
        return id(p);
    }
};

QString title(const Layout &l, int k)
{
    if (k < l.top && k < 10)
        return QString::fromUtf8(topTitles[k]);
    return QStringLiteral("%1の%2 その%3").arg(QString::fromUtf8(words[k % 16]), QString::fromUtf8(words[(k / 16) % 16])).arg(k);
}

QString pageText(const Layout &l, int k)
{
    QString text = title(l, k) + u'\n';
    for (int line = 0; line < 3 + k % 4; ++line)
        text += QStringLiteral("この頁は%1について説明します。%2と%3の関係を%4行目で述べます。\n")
                    .arg(QString::fromUtf8(words[(k + line) % 16]), QString::fromUtf8(words[(k + 3 * line) % 16]),
                         QString::fromUtf8(words[(k + 5) % 16]))
                    .arg(line + 1);
    return text;
}

QString tags(const Layout &l, int k)
{
    if (k < 3 || k % 5 != 0)
        return QString();
    return QStringLiteral(".%1.%2.").arg(l.id(k / 2)).arg(l.id(k / 3));
}

QByteArray picture(int k)
{
    QImage image(240, 140, QImage::Format_RGB32);
    QLinearGradient sky(0, 0, 0, 140);
    sky.setColorAt(0, QColor::fromHsv((k * 37) % 360, 60, 250));
    sky.setColorAt(1, QColor::fromHsv((k * 37 + 40) % 360, 120, 200));
    QPainter p(&image);
    p.fillRect(image.rect(), sky);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(255, 230, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(190, 35), 18, 18);
    p.setBrush(QColor(60, 110, 70));
    p.drawPolygon(QPolygon({QPoint(0, 140), QPoint(70, 60), QPoint(130, 120), QPoint(170, 80), QPoint(240, 140)}));
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void heading(QTextCursor &cursor, const QString &text, int style, double points)
{
    QTextBlockFormat block;
    block.setProperty(TextProps::BlockStyle, style);
    block.setTopMargin(6);
    block.setBottomMargin(4);
    cursor.setBlockFormat(block);
    QTextCharFormat look;
    look.setFontWeight(QFont::Bold);
    look.setFontPointSize(points);
    look.setForeground(QColor(0, 0, 128));
    cursor.insertText(text, look);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

void tagLink(PageDocument &page, QTextCursor &cursor, const QString &target, const QString &text)
{
    QTextCharFormat field;
    field.setProperty(TextProps::FieldId, page.newFieldId());
    field.setProperty(TextProps::FieldType, 2);
    field.setProperty(TextProps::FieldData, QStringLiteral("TG_") + target);
    field.setForeground(QColor(0x80, 0x80, 0xFF));
    field.setFontUnderline(true);
    cursor.insertText(text, field);
    cursor.insertText(QStringLiteral(" "), QTextCharFormat());
}

void table(PageDocument &page, QTextCursor &cursor, int k)
{
    QTextTableFormat format;
    format.setProperty(TextProps::ObjectId, page.newObjectId());
    format.setBorder(1);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    QTextTable *grid = cursor.insertTable(4, 3, format);
    const char *const head[] = {"項目", "内容", "備考"};
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int c = 0; c < 3; ++c)
        grid->cellAt(0, c).firstCursorPosition().insertText(QString::fromUtf8(head[c]), bold);
    for (int r = 1; r < 4; ++r) {
        grid->cellAt(r, 0).firstCursorPosition().insertText(QString::fromUtf8(words[(k + r) % 16]));
        grid->cellAt(r, 1).firstCursorPosition().insertText(QStringLiteral("%1件").arg(k * r + 3));
        grid->cellAt(r, 2).firstCursorPosition().insertText(r == 2 ? QStringLiteral("要確認") : QString());
    }
    cursor = grid->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
}

QByteArray pageDocument(const Layout &l, int k)
{
    PageDocument page;
    QTextCursor cursor(page.main());
    heading(cursor, title(l, k), 0, 16);
    const QStringList lines = pageText(l, k).split(u'\n', Qt::SkipEmptyParts).mid(1);
    for (int i = 0; i < lines.size(); ++i) {
        if (i == 1)
            heading(cursor, QStringLiteral("%1について").arg(QString::fromUtf8(words[k % 16])), 1, 13);
        cursor.insertText(lines[i]);
        cursor.insertBlock();
    }
    const QStringList targets = tags(l, k).split(u'.', Qt::SkipEmptyParts);
    if (!targets.isEmpty()) {
        cursor.insertText(QStringLiteral("関連する頁: "));
        for (const QString &t : targets)
            tagLink(page, cursor, t, title(l, t.toInt() - 1001));
        cursor.insertBlock();
    }
    if (k % 4 == 1)
        table(page, cursor, k);
    if (k % 3 == 0) {
        QTextImageFormat image;
        image.setName(page.addPicture(picture(k)));
        image.setWidth(240);
        image.setHeight(140);
        image.setProperty(TextProps::ObjectId, page.newObjectId());
        PageDocument::insertPicture(cursor, image);
        cursor.insertBlock();
    }
    return PageCodec::save(page);
}

bool fill(DbConnection &db, const Layout &l)
{
    QRandomGenerator random(20240601);
    const QDateTime base(QDate(2024, 4, 1), QTime(9, 0, 0));
    QList<int> childCount(l.pages + 1, 0);
    bool ok = db.transaction(0);
    for (int k = 0; ok && k < l.pages; ++k) {
        const QDateTime stamp = base.addSecs(qint64(k) * 3700);
        ok = db.exec(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, saTgs, dyUdt, wkRnd, boCod, obDoc) Values (?, '?', '?', '?', ?, ?, ?, ?)"),
                     {l.id(k), title(l, k), pageText(l, k), tags(l, k), stamp, double(random.generate() | 1u), l.listMode(k) ? 1 : 0,
                      pageDocument(l, k)},
                     true);
        const int p = l.parentIndex(k);
        const int order = l.parentIndex(k) >= 0 && l.listMode(p) ? 100 : ++childCount[p + 1];
        ok = ok && db.exec(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo, dyUdt) Values (?, ?, ?, '?', 0, ?, ?, ?)"),
                           {l.parent(k), l.id(k), order, title(l, k), l.hidden(k) ? 1 : 0, l.isProtected(k) ? 1 : 0, stamp},
                           true);
        const int link = l.linkParent(k);
        if (ok && link > 0)
            ok = db.exec(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo, dyUdt) Values (?, ?, ?, '?', 1, 0, 0, ?)"),
                         {link, l.id(k), 500 + k, title(l, k), stamp}, true);
    }
    ok = ok && db.exec(QStringLiteral("Insert Into tbHtm (noDoc, saFnm, boRoot, inPng, szTtl) Values (?, 'index', 1, 2, '?')"),
                       {l.id(0), QStringLiteral("サンプル文書へようこそ")}, true);
    ok = ok && db.exec(QStringLiteral("Insert Into msDic (skDic, szDic) Values ('?', '?')"),
                       {QStringLiteral("頁"), QStringLiteral("文書データーベースの一件の文書")}, true);
    ok = ok && db.exec(QStringLiteral("Insert Into msDic (skDic, szDic) Values ('?', '?')"),
                       {QStringLiteral("タグ"), QStringLiteral("他の頁への参照")}, true);
    if (!ok) {
        std::fprintf(stderr, "gen_sample: %s\n", qPrintable(db.lastError()));
        db.transaction(2);
        return false;
    }
    return db.transaction(1);
}

} // namespace

// The password of the server's login, read from the terminal without echo
// (from standard input as it comes when that is no terminal); "" when none.
QString askPassword(const QString &udl)
{
    std::fprintf(stderr, "Password for %s: ", qPrintable(udl));
    std::fflush(stderr);
    termios saved{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    QString password = read ? QString::fromLocal8Bit(line) : QString();
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

// Sets up (and unless `empty` fills) the document tables on the server that
// the data-link file names.
int toServer(const QString &udl, Layout layout, bool empty)
{
    layout.top = qMin(layout.pages, qMax(qBound(1, layout.pages / 20, 10), 5));
    QString connection;
    DbConnection db;
    QString error;
    bool open = DataLink::read(udl, &connection) && db.openOdbc(connection);
    // A data-link file without the password (as a team keeps it): asked for on the terminal.
    if (!open && db.loginRefused()) {
        const QString password = askPassword(udl);
        open = !password.isEmpty() && db.openOdbc(connection, password);
    }
    if (!open) {
        std::fprintf(stderr, "gen_sample: cannot connect through %s: %s\n", qPrintable(udl), qPrintable(db.lastError()));
        return 1;
    }
    if (!TemplateDb::createOnServer(db, &error) || (!empty && !fill(db, layout))) {
        std::fprintf(stderr, "gen_sample: cannot set up the database of %s: %s\n", qPrintable(udl),
                     qPrintable(error.isEmpty() ? db.lastError() : error));
        return 1;
    }
    std::printf("%s: %d pages\n", qPrintable(udl), empty ? 0 : layout.pages);
    return 0;
}

int main(int argc, char *argv[])
{
    // Page documents lay out text and pictures, which needs a GUI platform; none has to be on screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Layout layout;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    const int at = args.indexOf(QStringLiteral("--pages"));
    if (at >= 0) {
        layout.pages = args.value(at + 1).toInt();
        args.remove(at, qMin(2, args.size() - at));
    }
    const bool empty = args.removeAll(QStringLiteral("--empty")) > 0;
    // "--help" and any option not known here get the usage, never a database of that name.
    if (args.size() != 1 || args.first().startsWith(u'-') || layout.pages < 1) {
        std::fprintf(stderr, "usage: gen_sample <path> [--pages N] [--force] [--empty]\n");
        return 2;
    }
    if (args.size() == 1 && args.first().endsWith(QLatin1String(".udl"), Qt::CaseInsensitive))
        return toServer(args.first(), layout, empty);
    layout.top = qBound(1, layout.pages / 20, 10);
    layout.top = qMin(layout.pages, qMax(layout.top, 5));
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    if (QFileInfo::exists(path) && !force) {
        std::printf("%s exists; kept\n", qPrintable(path));
        return 0;
    }
    // A database another program has open is not replaced under it.
    if (DbFiles::inUse(path)) {
        std::fprintf(stderr, "gen_sample: %s is open in another program; kept\n", qPrintable(path));
        return 1;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString partial = DbFiles::partialName(path);
    DbFiles::remove(partial);
    DbConnection db;
    bool ok = TemplateDb::create(partial) && db.openSqlite(partial) && fill(db, layout);
    db.close();
    // The old file goes with its logs: a log left by a program that was killed would otherwise be
    // replayed onto the new sample.
    ok = ok && DbFiles::replace(partial, path);
    DbFiles::remove(partial);
    if (!ok) {
        std::fprintf(stderr, "gen_sample: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s: %d pages\n", qPrintable(path), layout.pages);
    return 0;
}
