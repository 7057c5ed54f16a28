// Builds a sample document database from the template: pages in a tree with
// link, hidden and protected placements and a list-mode page.
//   gen_sample <path> [--pages N] [--force]
// An existing file is kept unless --force is given. The page documents stay
// empty; the page text, titles and tags are filled.
#include "core/TemplateDb.h"
#include "platform/DbConnection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

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

bool fill(DbConnection &db, const Layout &l)
{
    QRandomGenerator random(20240601);
    const QDateTime base(QDate(2024, 4, 1), QTime(9, 0, 0));
    QList<int> childCount(l.pages + 1, 0);
    bool ok = db.transaction(0);
    for (int k = 0; ok && k < l.pages; ++k) {
        const QDateTime stamp = base.addSecs(qint64(k) * 3700);
        ok = db.exec(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, saTgs, dyUdt, wkRnd, boCod) Values (?, '?', '?', '?', ?, ?, ?)"),
                     {l.id(k), title(l, k), pageText(l, k), tags(l, k), stamp, double(random.generate() | 1u), l.listMode(k) ? 1 : 0},
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    Layout layout;
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    const int at = args.indexOf(QStringLiteral("--pages"));
    if (at >= 0) {
        layout.pages = args.value(at + 1).toInt();
        args.remove(at, qMin(2, args.size() - at));
    }
    if (args.size() != 1 || layout.pages < 1) {
        std::fprintf(stderr, "usage: gen_sample <path> [--pages N] [--force]\n");
        return 2;
    }
    layout.top = qBound(1, layout.pages / 20, 10);
    layout.top = qMin(layout.pages, qMax(layout.top, 5));
    const QString path = QFileInfo(args.first()).absoluteFilePath();
    if (QFileInfo::exists(path) && !force) {
        std::printf("%s exists; kept\n", qPrintable(path));
        return 0;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString partial = path + QStringLiteral(".new");
    QFile::remove(partial);
    DbConnection db;
    bool ok = TemplateDb::create(partial) && db.openSqlite(partial) && fill(db, layout);
    db.close();
    ok = ok && (!QFileInfo::exists(path) || QFile::remove(path)) && QFile::rename(partial, path);
    if (!ok) {
        QFile::remove(partial);
        std::fprintf(stderr, "gen_sample: cannot write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s: %d pages\n", qPrintable(path), layout.pages);
    return 0;
}
