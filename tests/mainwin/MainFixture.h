#pragma once

#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "mainwin/fmDoc.h"
#include "platform/richview/RichView.h"
#include "platform/desktop/Clock.h"
#include "platform/richtext/RichTextEdit.h"
#include "support/ScriptedPrompt.h"
#include "support/ServerDb.h"
#include "support/StubEditorServices.h"
#include "support/TestHome.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

// A clock the test moves by hand.
class FixedClock : public Clock
{
public:
    QDateTime time = QDateTime(QDate(2025, 3, 1), QTime(10, 0, 0));
    FixedClock() { Clock::install(this); }
    ~FixedClock() override { Clock::install(nullptr); }
    QDateTime now() const override { return time; }
};

// A user-data folder with the template, a database copied from it, and a main
// window over both whose editor stores pages as "PAGE\n" + text.
class MainFixture
{
public:
    TestHome home;
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    StubEditorServices services;
    std::unique_ptr<fmDoc> window;
    std::vector<std::unique_ptr<ServerDb>> servers;

    MainFixture()
    {
        Usr::st().userData = dir.path() + QLatin1Char('/');
        Usr::st().runTime = true;
        Usr::st().busy = false;
        yIni::release();   // every test starts without settings
        TemplateDb::install(Usr::st().userData);
        window = std::make_unique<fmDoc>(nullptr, &services);
        // The editor's own dialogs (font, paragraph ...) are cancelled at once.
        window->editor().view()->setDialogRunner([](QDialog &) { return false; });
    }
    ~MainFixture()
    {
        window.reset();
        zSvr::instance().D_Close();
    }

    QString model() const { return Usr::st().userData + QStringLiteral("Dbs/Moto.txdb"); }
    // A copy of the template under `name`; a new server database, named by a
    // data-link file, when the tests run against the server.
    QString database(const QString &name)
    {
        if (ServerDb::wanted()) {
            servers.push_back(std::make_unique<ServerDb>());
            return servers.back()->create(dir.path(), QFileInfo(name).completeBaseName() + QStringLiteral(".udl"));
        }
        const QString path = dir.filePath(name);
        QFile::remove(path);
        if (!QFile::copy(model(), path))
            return QString();
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    // A copy of the template holding page 1001 at the top level, closed again.
    QString databaseWithPage(const QString &name, const QString &title, const QString &text, int sort = 1)
    {
        const QString path = database(name);
        const bool ok = zSvr::instance().D_StDcDb(path) && page(1001, title, text) && place(0, 1001, sort, title);
        zSvr::instance().D_Close();
        return ok ? path : QString();
    }
    // A copy of the template with pages 1001 "表紙" and 1002 "後書" at the top level and 1003 "本文"
    // under 1001, closed again.
    QString databaseWithThreePages(const QString &name)
    {
        const QString path = database(name);
        const bool ok = zSvr::instance().D_StDcDb(path) && page(1001, QStringLiteral("表紙"), QStringLiteral("cover"))
                        && page(1002, QStringLiteral("後書"), QStringLiteral("afterword"))
                        && page(1003, QStringLiteral("本文"), QStringLiteral("body"))
                        && place(0, 1001, 1, QStringLiteral("表紙")) && place(0, 1002, 2, QStringLiteral("後書"))
                        && place(1001, 1003, 0, QStringLiteral("本文"));
        zSvr::instance().D_Close();
        return ok ? path : QString();
    }
    // Shows the window on a fresh copy of the template.
    void start(const QString &name = QStringLiteral("Book.txdb"))
    {
        window->SetDBNo(database(name), 0);
        window->show();
    }
    uTxm &editor() { return window->editor(); }
    void type(const QString &text)
    {
        editor().edit().setText(text);
        editor().setBDcEdt(true);
    }
    // A new first page with `text`, saved with F8's command.
    void savedPage(const QString &text, int job = 0)
    {
        window->NewPage(job);
        type(text);
        window->fnMenu(3, 18);
    }
    static QVariant value(const QString &sql, const QVariantList &values = {})
    {
        return zSvr::instance().R_GtVaL(sql, values, QVariant());
    }
    static int count(const QString &table) { return value(QStringLiteral("Select Count(*) From ") + table).toInt(); }
    static bool page(int no, const QString &title, const QString &text, const QString &tags = QStringLiteral("."))
    {
        return zSvr::instance().D_ExeSq(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod) Values (?, ?, ?, ?, ?, 0)"),
                                  {no, title, text, StubEditorServices::page(text), tags});
    }
    static bool place(int parent, int child, int sort, const QString &title, bool link = false)
    {
        return zSvr::instance().D_ExeSq(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (?, ?, ?, ?, ?)"),
                                  {parent, child, sort, title, link ? 1 : 0});
    }
};
