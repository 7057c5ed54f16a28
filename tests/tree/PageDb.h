#pragma once

#include "core/TemplateDb.h"
#include "core/zSvr.h"
#include "support/ServerDb.h"

#include <QTemporaryDir>
#include <QtTest>

// A document database made from the template in a temporary folder (or, when
// the tests run against the server, a fresh database there), with helpers to
// put pages and placements into it.
class PageDb
{
public:
    PageDb() : m_path(m_dir.filePath(QStringLiteral("Tree.txdb")))
    {
        if (ServerDb::wanted())
            m_path = m_server.create(m_dir.path());
        m_ok = !m_path.isEmpty() && (ServerDb::wanted() || TemplateDb::create(m_path)) &&
               zSvr::instance().D_StDcDb(m_path);
    }
    ~PageDb() { zSvr::release(); }

    bool ok() const { return m_ok; }
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

    static bool page(int no, const QString &title, const QString &text = QString(), bool listMode = false,
                     const QString &updated = QStringLiteral("2024-01-01 10:00:00"))
    {
        return zSvr::instance().D_ExeSq(
            QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, boCod, dyUdt) Values (?, ?, ?, ?, ?)"),
            {no, title, text, listMode ? 1 : 0, updated});
    }

    static bool place(int parent, int child, int sort, bool link = false, const QString &title = QString(),
                      bool hide = false, bool protect = false)
    {
        return zSvr::instance().D_ExeSq(
            QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk, boHide, boHogo)"
                           " Values (?, ?, ?, ?, ?, ?, ?)"),
            {parent, child, sort, title, link ? 1 : 0, hide ? 1 : 0, protect ? 1 : 0});
    }

    // Makes every later insert into `table` whose row meets `condition` fail,
    // the way a full disk or a refusing server would. `condition` names the
    // new row's columns as %1column.
    static bool refuseInserts(const QString &table, const QString &condition)
    {
        if (ServerDb::wanted())
            return zSvr::instance().D_ExeSq(QStringLiteral("Alter Table %1 Add Constraint refused Check (Not (%2)) Not Valid")
                                                .arg(table, condition.arg(QString())));
        return zSvr::instance().D_ExeSq(
            QStringLiteral("Create Trigger refused Before Insert On %1 When %2 Begin Select Raise(Abort, 'x'); End")
                .arg(table, condition.arg(QStringLiteral("New."))));
    }

    // Makes every later update of `table` that leaves a row meeting `condition` fail (as
    // refuseInserts does for inserts; on the server the same constraint refuses both).
    static bool refuseUpdates(const QString &table, const QString &condition)
    {
        if (ServerDb::wanted())
            return refuseInserts(table, condition);
        return zSvr::instance().D_ExeSq(
            QStringLiteral("Create Trigger refusedUpdate Before Update On %1 When %2 Begin Select Raise(Abort, 'x'); End")
                .arg(table, condition.arg(QStringLiteral("New."))));
    }

    // Makes the delete of the placement (parent, child) fail: a row of another table refers to it.
    static bool refuseDelete(int parent, int child)
    {
        zSvr &db = zSvr::instance();
        if (ServerDb::wanted())
            return db.D_ExeSq(QStringLiteral("Create Table keptPair (p Integer, c Integer,"
                                             " Foreign Key (p, c) References tbTree (noLfP, noLfC))"))
                   && db.D_ExeSq(QStringLiteral("Insert Into keptPair (p, c) Values (?, ?)"), {parent, child});
        return db.D_ExeSq(QStringLiteral("Create Trigger refusedDelete Before Delete On tbTree When Old.noLfP = %1"
                                         " And Old.noLfC = %2 Begin Select Raise(Abort, 'x'); End")
                              .arg(parent)
                              .arg(child));
    }

    static QVariant value(const QString &sql, const QVariantList &values = {})
    {
        return zSvr::instance().R_GtVaL(sql, values, QVariant());
    }

    // inSrt and szDoc of one placement as "order:title"; "" when the row is missing.
    static QString row(int parent, int child)
    {
        QVariantList vars;
        if (!zSvr::instance().R_PAry(QStringLiteral("Select inSrt, szDoc From tbTree Where noLfP = ? And noLfC = ?"),
                               {parent, child}, vars))
            return QString();
        return vars.value(0).toString() + u':' + vars.value(1).toString();
    }

    // A small site: two top-level branches, a page placed twice (home under
    // 1001, link at the top), a list-mode diary, a hidden and a protected page.
    void fillSample()
    {
        QVERIFY(zSvr::instance().D_Tran(0));
        QVERIFY(page(1001, QStringLiteral("はじめに"), QStringLiteral("welcome text")));
        QVERIFY(page(1002, QStringLiteral("使い方"), QStringLiteral("how it's used")));
        QVERIFY(page(1003, QStringLiteral("インストール"), QStringLiteral("install it's easy")));
        QVERIFY(page(1004, QStringLiteral("設定"), QStringLiteral("settings 100% done")));
        QVERIFY(page(1005, QStringLiteral("日記"), QStringLiteral("diary"), true));
        QVERIFY(page(1006, QStringLiteral("一月"), QStringLiteral("january"), false, QStringLiteral("2024-01-31 09:00:00")));
        QVERIFY(page(1007, QStringLiteral("二月"), QStringLiteral("february"), false, QStringLiteral("2024-03-01 08:00:00")));
        QVERIFY(page(1008, QStringLiteral("三月"), QStringLiteral("march"), false, QStringLiteral("2024-02-15 12:30:00")));
        QVERIFY(page(1009, QStringLiteral("非公開メモ"), QStringLiteral("secret")));
        QVERIFY(page(1010, QStringLiteral("保護ページ"), QStringLiteral("guarded")));
        QVERIFY(place(0, 1001, 0, false, QStringLiteral("はじめに")));
        QVERIFY(place(0, 1002, 1, true, QStringLiteral("使い方")));
        QVERIFY(place(1001, 1002, 0, false, QStringLiteral("使い方")));
        QVERIFY(place(1001, 1003, 1, false, QStringLiteral("インストール")));
        QVERIFY(place(1003, 1004, 0, false, QStringLiteral("設定")));
        QVERIFY(place(0, 1005, 2, false, QStringLiteral("日記")));
        QVERIFY(place(1005, 1006, 100, false, QStringLiteral("一月")));
        QVERIFY(place(1005, 1007, 100, false, QStringLiteral("二月")));
        QVERIFY(place(1005, 1008, 100, false, QStringLiteral("三月")));
        QVERIFY(place(0, 1009, 3, false, QStringLiteral("非公開メモ"), true));
        QVERIFY(place(0, 1010, 4, false, QStringLiteral("保護ページ"), false, true));
        QVERIFY(zSvr::instance().D_Tran(1));
    }

private:
    QTemporaryDir m_dir;
    ServerDb m_server;
    QString m_path;
    bool m_ok = false;
};
