#pragma once

#include "core/TemplateDb.h"
#include "core/Usr.h"
#include "platform/db/DataLink.h"
#include "platform/db/DbConnection.h"
#include "support/ServerDb.h"
#include "support/StubEditorServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>

#include <memory>

// Two writers on one database, each a program instance of its own in a process of its own
// (support/TreeWriter.h), given seeded random commands through the program's own entry points (new
// page, save, delete, cut and paste, link paste, bulk move and delete, import, export, 最適化), both at once;
// at times a third connection holds the write lock while both plan their commands, so that each
// plans before the other commits; now and then one writer's bulk window stands open while the other
// takes the pages it lists away (support/TreeWriter.h, "w"). The driver keeps what each writer was told saved and, after every
// step, checks the database: no placements in a ring, every page told saved (and every page of the
// start) still stored with a text a writer was told saved, and reached from the top, unless a user
// deleted a placement above it; no tree write failed in silence; every file an export was told
// written opens with every placement whole, naming pages the file holds, each reached from its top.
//
// The program that runs the driver runs the writers too: its main hands "writer PATH" to
// TreeWriter::main. The server back end needs the throwaway server (FENWAR_TEST_PG_DIR).
class TreeWriters
{
public:
    struct Outcome {
        int steps = 0;
        int failedAt = -1;
        QString message;
        QStringList log;   // the steps and what the writers said, the last ones
        bool failed() const { return failedAt >= 0; }
    };

    explicit TreeWriters(bool server) : m_server(server) {}
    ~TreeWriters() { stop(); }

    QString error() const { return m_error; }
    QString path() const { return m_path; }
    QString source() const { return m_source; }
    bool onServer() const { return m_server; }

    // The database with the pages of the start, the import's source file, both writers ready.
    bool start()
    {
        if (!m_dir.isValid())
            return fail(QStringLiteral("no folder"));
        Usr::st().userData = m_dir.path() + QLatin1Char('/');
        if (!TemplateDb::install(Usr::st().userData))
            return fail(QStringLiteral("no template"));
        const QString model = Usr::st().userData + QStringLiteral("Dbs/Moto.txdb");
        m_source = m_dir.filePath(QStringLiteral("Export.txdb"));
        if (!QFile::copy(model, m_source) || !QFile(m_source).setPermissions(QFile::ReadOwner | QFile::WriteOwner))
            return fail(QStringLiteral("no source file"));
        {
            DbConnection source;
            if (!source.openSqlite(m_source) || !fillSource(source))
                return fail(QStringLiteral("source: ") + source.lastError());
        }
        if (m_server) {
            m_path = m_serverDb.create(m_dir.path(), QStringLiteral("Tree.udl"));
            if (m_path.isEmpty())
                return fail(QStringLiteral("server: ") + m_serverDb.error());
        } else {
            m_path = m_dir.filePath(QStringLiteral("Tree.txdb"));
            if (!QFile::copy(model, m_path) || !QFile(m_path).setPermissions(QFile::ReadOwner | QFile::WriteOwner))
                return fail(QStringLiteral("no database file"));
        }
        if (!open(m_check) || !open(m_lock) || !fillStart(m_check))
            return fail(QStringLiteral("fill: ") + m_check.lastError());
        for (int w = 0; w < 2; ++w) {
            m_writers[w] = std::make_unique<QProcess>();
            m_writers[w]->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_writers[w]->start(QCoreApplication::applicationFilePath(), {QStringLiteral("writer"), m_path});
            if (!m_writers[w]->waitForStarted(30000))
                return fail(QStringLiteral("writer did not start"));
        }
        for (int w = 0; w < 2; ++w)
            if (!replies(w).contains(QStringLiteral("ready")))
                return fail(QStringLiteral("writer %1 not ready").arg(name(w)));
        m_started = true;
        return true;
    }

    void stop()
    {
        for (auto &writer : m_writers) {
            if (!writer || writer->state() == QProcess::NotRunning)
                continue;
            writer->write("quit\n");
            writer->closeWriteChannel();
            if (!writer->waitForFinished(30000))
                writer->kill();
            writer->waitForFinished();
        }
        m_check.close();
        m_lock.close();
    }

    // --- scripted steps ---
    // Sends writer w (0 A, 1 B) a command, its questions answered as `answer` says (see WriterPrompt).
    void send(int w, const QString &command, char answer = 'y')
    {
        m_sent[w] = command;
        note(QStringLiteral("%1 %2 %3").arg(name(w)).arg(QChar::fromLatin1(answer)).arg(command));
        m_writers[w]->write(QByteArray(1, answer) + '\t' + command.toUtf8() + '\n');
        m_writers[w]->waitForBytesWritten(1000);
    }
    // Reads the writer's lines up to its "end" (or a held question's "ask"), and takes what it says
    // into the model.
    QStringList replies(int w)
    {
        QStringList lines;
        QProcess &p = *m_writers[w];
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 120000) {
            while (p.canReadLine()) {
                const QString line = QString::fromUtf8(p.readLine()).chopped(1);
                lines << line;
                note(QStringLiteral("  %1: %2").arg(name(w), line));
                take(line);
                if (line == QLatin1String("end") || line == QLatin1String("ready") || line.startsWith(QLatin1String("ask\t")))
                    return lines;
            }
            if (p.state() == QProcess::NotRunning) {
                problem(QStringLiteral("writer %1 ended (%2)").arg(name(w)).arg(p.exitCode()));
                return lines;
            }
            p.waitForReadyRead(100);
        }
        problem(QStringLiteral("writer %1 gave no answer in 120 s to: %2").arg(name(w), m_sent[w]));
        return lines;
    }
    // The answer to a held question.
    void answer(int w, char given)
    {
        note(QStringLiteral("%1 answers %2").arg(name(w)).arg(QChar::fromLatin1(given)));
        m_writers[w]->write(QByteArray(1, given) + '\n');
    }
    // A third program holds the write lock (on a server: the placements and pages against writes).
    bool lock()
    {
        note(QStringLiteral("lock"));
        return m_lock.transaction(0)
               && (!m_server || m_lock.exec(QStringLiteral("LOCK TABLE tbTree, msDoc IN EXCLUSIVE MODE"), {}, false));
    }
    void unlock()
    {
        note(QStringLiteral("unlock"));
        m_lock.transaction(1);
    }
    // Both writers' commands at once, with the write lock held `holdMs` while both plan them.
    void both(const QString &a, const QString &b, int holdMs = 0, char answerA = 'y', char answerB = 'y')
    {
        const bool held = holdMs > 0 && lock();
        send(0, a, answerA);
        send(1, b, answerB);
        if (held) {
            QThread::msleep(holdMs);
            unlock();
        }
        replies(0);
        replies(1);
    }

    // Writer w begins `command` (a bulk command: its window opens; a cut: the page is cut) and stops;
    // the other writer runs `others`, one after the other; then w goes on (presses the button,
    // pastes). False when w did not stop (no window opened, no node to cut).
    bool whileHeld(int w, const QString &command, const QStringList &others)
    {
        send(w, command, 'w');
        const QStringList said = replies(w);
        if (said.isEmpty() || !said.last().startsWith(QLatin1String("ask\t")))
            return false;
        for (const QString &command : others) {
            send(1 - w, command);
            replies(1 - w);
        }
        answer(w, 'y');
        replies(w);
        return true;
    }

    // Checks the database against what the writers were told; "" when it holds.
    QString check()
    {
        applyStep();
        if (!m_problem.isEmpty())
            return takeProblem();
        Graph now;
        if (!read(now))
            return QStringLiteral("the database could not be read: ") + m_check.lastError();
        // Pages under a placement a user took away may go: in the tree as it was and as it is.
        for (qint64 page : std::as_const(m_deleted)) {
            below(m_before, page, m_mayGo);
            below(now, page, m_mayGo);
        }
        m_deleted.clear();
        const QString ring = ringIn(now);
        if (!ring.isEmpty())
            return QStringLiteral("placements in a ring: ") + ring;
        const QSet<qint64> reached = reachedIn(now);
        for (auto it = m_told.begin(); it != m_told.end();) {
            const qint64 page = it.key();
            if (m_mayGo.contains(page)) {
                // Gone, or its number taken by another page (an import's or a copy's) once 最適化 freed it.
                if (!now.texts.contains(page) || now.identities.value(page) != m_identities.value(page)) {
                    m_mayGo.remove(page);
                    m_identities.remove(page);
                    it = m_told.erase(it);
                    continue;
                }
                if (!reached.contains(page)) {
                    ++it;
                    continue;
                }
                m_mayGo.remove(page);
            }
            if (!now.texts.contains(page))
                return QStringLiteral("page %1, told saved with %2, is gone").arg(page).arg(tokens(page));
            if (!reached.contains(page))
                return QStringLiteral("page %1, told saved with %2, is reached from the top by no path").arg(page).arg(tokens(page));
            const QString text = now.texts.value(page);
            bool found = false;
            for (const QString &token : it.value())
                found = found || text.contains(token);
            if (!found)
                return QStringLiteral("page %1 (%2) holds \"%3\", told saved with %4")
                    .arg(page)
                    .arg(now.titles.value(page), text.simplified(), tokens(page));
            ++it;
        }
        for (auto it = m_told.cbegin(); it != m_told.cend(); ++it)
            if (!m_identities.contains(it.key()) && now.identities.contains(it.key()))
                m_identities.insert(it.key(), now.identities.value(it.key()));
        m_before = now;
        return QString();
    }

    // Checks a copy of the database file: it holds every page told saved, with a text told; "" when it does.
    QString checkFile(const QString &copy)
    {
        DbConnection db;
        if (!db.openSqlite(copy, true))
            return QStringLiteral("the copy does not open: ") + db.lastError();
        QSqlQuery query;
        QHash<qint64, QString> texts;
        if (!db.select(query, QStringLiteral("Select noDoc, txDoc From msDoc"), {}, false, true))
            return QStringLiteral("the copy cannot be read: ") + db.lastError();
        while (query.next())
            texts.insert(query.value(0).toLongLong(), query.value(1).toString());
        QStringList missing;
        for (auto it = m_told.cbegin(); it != m_told.cend(); ++it) {
            bool found = false;
            for (const QString &token : it.value())
                found = found || texts.value(it.key()).contains(token);
            if (!found && !m_mayGo.contains(it.key()))
                missing << QStringLiteral("%1 (%2)").arg(it.key()).arg(tokens(it.key()));
        }
        missing.sort();
        return missing.isEmpty() ? QString() : QStringLiteral("the copy lacks the saves of ") + missing.join(QStringLiteral(", "));
    }

    // Checks a file an export wrote: it opens, every placement is whole (title, order, marks) and names
    // a page the file holds, and every page is reached from the one top placement; "" when it does.
    // `placements` gets the file's placements ("parent>child", sorted).
    static QString checkExport(const QString &file, QStringList *placements = nullptr)
    {
        DbConnection db;
        if (!db.openSqlite(file, true))
            return QStringLiteral("the export %1 does not open: %2").arg(file, db.lastError());
        QSqlQuery query;
        QSet<qint64> pages;
        if (!db.select(query, QStringLiteral("Select noDoc From msDoc"), {}, false, true))
            return QStringLiteral("the export %1 cannot be read: %2").arg(file, db.lastError());
        while (query.next())
            pages.insert(query.value(0).toLongLong());
        if (!db.select(query, QStringLiteral("Select noLfP, noLfC, szDoc, inSrt, boUse, boLnk From tbTree"), {}, false, true))
            return QStringLiteral("the export %1 cannot be read: %2").arg(file, db.lastError());
        QHash<qint64, QList<qint64>> children;
        QStringList pairs;
        int tops = 0;
        while (query.next()) {
            const qint64 parent = query.value(0).toLongLong();
            const qint64 child = query.value(1).toLongLong();
            const QString pair = QStringLiteral("%1>%2").arg(parent).arg(child);
            pairs << pair;
            for (int column = 2; column < 6; ++column)
                if (query.value(column).isNull())
                    return QStringLiteral("the export's placement %1 has no %2").arg(pair, query.record().fieldName(column));
            if (!pages.contains(child) || (parent != 0 && !pages.contains(parent)))
                return QStringLiteral("the export's placement %1 names a page the file does not hold").arg(pair);
            tops += parent == 0 ? 1 : 0;
            children[parent].append(child);
        }
        if (tops != 1)
            return QStringLiteral("the export has %1 top placements").arg(tops);
        QSet<qint64> reached;
        QList<qint64> open{0};
        while (!open.isEmpty())
            for (qint64 child : children.value(open.takeLast()))
                if (!reached.contains(child)) {
                    reached.insert(child);
                    open << child;
                }
        for (qint64 page : std::as_const(pages))
            if (!reached.contains(page))
                return QStringLiteral("the export's page %1 is reached by no placement").arg(page);
        pairs.sort();
        if (placements)
            *placements = pairs;
        return QString();
    }
    // A new name for an export's file.
    QString exportFile() { return m_dir.filePath(QStringLiteral("Exp%1.txdb").arg(++m_serial)); }
    // Runs a statement on the database as a third program (the driver's own connection).
    bool exec(const QString &sql, const QVariantList &values = {}) { return m_check.exec(sql, values, !values.isEmpty()); }

    // --- the random run ---
    Outcome run(quint32 seed, int steps)
    {
        Outcome outcome;
        if (!m_started && !start()) {
            outcome.failedAt = 0;
            outcome.message = m_error;
            return outcome;
        }
        QRandomGenerator random(seed);
        // The bulk steps over removed pages come from a sequence of their own: the other steps of a
        // seed stay what they were.
        QRandomGenerator staleRandom(seed ^ 0x64c0u);
        read(m_before);
        for (int step = 0; step < steps; ++step) {
            if (staleRandom.bounded(25) == 0) {
                note(QStringLiteral("step %1, bulk over removed pages").arg(step));
                randomStaleBulk(staleRandom);
                const QString wrong = check();
                if (!wrong.isEmpty()) {
                    outcome.failedAt = step;
                    outcome.message = QStringLiteral("seed %1, step %2 (bulk over removed pages): %3").arg(seed).arg(step).arg(wrong);
                    break;
                }
            }
            note(QStringLiteral("step %1").arg(step));
            const int hold = random.bounded(12) == 0 ? 60 + random.bounded(120) : 0;
            const QString a = randomCommand(random, 0, step);
            const QString b = randomCommand(random, 1, step);
            const char answerA = random.bounded(8) == 0 ? 'n' : 'y';
            const char answerB = random.bounded(8) == 0 ? 'n' : 'y';
            if (!meets(random, step))
                both(a, b, hold, answerA, answerB);
            outcome.steps = step + 1;
            const QString wrong = check();
            if (!wrong.isEmpty()) {
                outcome.failedAt = step;
                outcome.message = QStringLiteral("seed %1, step %2: %3").arg(seed).arg(step).arg(wrong);
                break;
            }
        }
        outcome.log = m_log.mid(qMax(0, m_log.size() - 60));
        return outcome;
    }

    QStringList log() const { return m_log; }

    // At times (one step in 16) an import that meets the other writer's save, in place of the step's
    // commands: one writer imports the source (mostly at 1008, whose pages it writes over) while the
    // other saves a page the import writes or a new page, both planned while a third program holds
    // the write lock, so that neither commits before the other has begun. The save may ask (a page
    // saved meanwhile) but never fails for the import; the import's writer checks that an import
    // that wrote nothing says why. False when the step is an ordinary one.
    bool meets(QRandomGenerator &random, int step)
    {
        if (random.bounded(16) != 0)
            return false;
        const int importer = int(random.bounded(2));
        const QString token = QStringLiteral("%1%2m%3").arg(name(1 - importer).toLower()).arg(step).arg(++m_serial);
        QString commands[2];
        commands[importer] = QStringLiteral("import\t%1\t%2").arg(random.bounded(3) == 0 ? node(random) : QStringLiteral("p1008"), m_source);
        commands[1 - importer] = random.bounded(2) == 0
                                     ? QStringLiteral("save\tp%1\t%2").arg(1008 + random.bounded(4)).arg(token)
                                     : QStringLiteral("new\t%1\t%2\t%3").arg(node(random)).arg(random.bounded(3)).arg(token);
        note(QStringLiteral("an import meets a save"));
        const bool held = lock();
        send(0, commands[0]);
        send(1, commands[1]);
        if (held) {
            QThread::msleep(60 + random.bounded(120));
            unlock();
        }
        const QStringList said[2] = {replies(0), replies(1)};
        for (const QString &line : said[1 - importer]) {
            if (line.startsWith(QLatin1String("shown\t"))
                && (line.contains(QStringLiteral("を保存できませんでした")) || line.contains(QStringLiteral("ﾂﾘｰに登録できませんでした"))))
                problem(QStringLiteral("the save that met the other writer's import failed: ") + line.section(u'\t', 1));
        }
        return true;
    }

private:
    struct Graph {
        QHash<qint64, QString> texts;              // page -> txDoc
        QHash<qint64, QString> titles;             // page -> szDoc
        QHash<qint64, double> identities;          // page -> wkRnd
        QHash<qint64, QList<qint64>> children;     // parent -> children, every placement row
    };

    bool m_server;
    bool m_started = false;
    QTemporaryDir m_dir;
    ServerDb m_serverDb;
    QString m_path;
    QString m_source;
    QString m_error;
    QString m_problem;
    DbConnection m_check;
    DbConnection m_lock;
    std::unique_ptr<QProcess> m_writers[2];
    QString m_sent[2];
    QHash<qint64, QSet<QString>> m_told;   // page -> the tokens of the texts it may hold
    QSet<qint64> m_mayGo;                   // pages a user's delete may have taken out of reach
    QHash<qint64, double> m_identities;     // the identities of the pages told saved, as stored
    QList<qint64> m_deleted;                // pages whose placement a writer deleted in this step
    QSet<qint64> m_importable;              // pages an import may overwrite with the source's copy
    Graph m_before;
    QStringList m_said;                     // the writers' lines of the step
    QStringList m_log;
    int m_serial = 0;

    static QString name(int w) { return w == 0 ? QStringLiteral("A") : QStringLiteral("B"); }
    bool fail(const QString &error)
    {
        m_error = error;
        return false;
    }
    void problem(const QString &text)
    {
        if (m_problem.isEmpty())
            m_problem = text;
    }
    QString takeProblem()
    {
        const QString p = m_problem;
        m_problem.clear();
        return p;
    }
    void note(const QString &line)
    {
        m_log << line;
        if (m_log.size() > 4000)
            m_log = m_log.mid(2000);
    }
    QString tokens(qint64 page) const
    {
        QStringList list(m_told.value(page).cbegin(), m_told.value(page).cend());
        list.sort();
        return list.join(QStringLiteral(" or "));
    }

    bool open(DbConnection &db)
    {
        if (!m_server)
            return db.openSqlite(m_path);
        return db.openOdbc(ServerDb::connectionString(m_serverDb.name()));
    }

    // What a writer said, kept for the model until the step's end.
    void take(const QString &line) { m_said << line; }

    // What the writers said in the step, into the model: saves first (two saves of one page in
    // one step may end in either order), then what the imports were let overwrite.
    void applyStep()
    {
        QSet<qint64> savedNow;
        for (const QString &line : std::as_const(m_said)) {
            const QStringList parts = line.split(u'\t');
            const QString kind = parts.value(0);
            const qint64 page = parts.value(1).toLongLong();
            if (kind == QLatin1String("saved")) {
                // A page number used again after 最適化 deleted the page that had it is a new page.
                m_mayGo.remove(page);
                if (!savedNow.contains(page))
                    m_told[page].clear();
                m_told[page] << parts.value(2);
                m_identities.remove(page);
                savedNow << page;
                m_importable.remove(page);
            } else if (kind == QLatin1String("deleted")) {
                m_deleted << page;
            } else if (kind == QLatin1String("silent")) {
                problem(QStringLiteral("a tree write failed in silence: ") + parts.value(1));
            } else if (kind == QLatin1String("exported")) {
                const QString wrong = checkExport(parts.value(1));
                if (!wrong.isEmpty())
                    problem(wrong);
                QFile::remove(parts.value(1));
            }
        }
        qint64 target = -1;
        for (const QString &line : std::as_const(m_said)) {
            const QStringList parts = line.split(u'\t');
            if (parts.value(0) == QLatin1String("target"))
                target = parts.value(1).toLongLong();
            if (parts.value(0) != QLatin1String("shown"))
                continue;
            const QString text = parts.value(1);
            // The first question names the pages of the source's identities: the answer lets them go;
            // the page imported at is replaced by the source's top page.
            if (text.contains(QStringLiteral("ｲﾝﾎﾟｰﾄ元"))) {
                for (qint64 page : std::as_const(m_importable))
                    if (m_told.contains(page))
                        m_told[page] << sourceToken(page);
                if (m_told.contains(target))
                    m_told[target] << sourceToken(1008);
            }
            // A page saved since is overwritten only after its own question, which names the source's
            // page: the pages of its identity may take its copy (a page stored again under a new
            // number keeps its identity).
            static const QRegularExpression newer(QStringLiteral("(頁(\\d+))は、ｲﾝﾎﾟｰﾄ先の日付が新しい"));
            const QRegularExpressionMatch match = newer.match(text);
            const qint64 named = match.captured(2).toLongLong();
            for (auto it = m_told.begin(); match.hasMatch() && it != m_told.end(); ++it) {
                if (it.key() == named || m_before.titles.value(it.key()) == match.captured(1)
                    || m_before.identities.value(it.key()) == sourceIdentity(named))
                    it.value() << sourceToken(named);
            }
        }
        m_said.clear();
    }

    // --- the pages of the start ---
    // 1001 (1002 (1004 (1007), 1005), 1003 (1006)), 1008 (1009, 1010 (1011), a link of 1005), 1012.
    static QList<QList<int>> startPlacements()
    {
        return {{0, 1001, 0}, {1001, 1002, 0}, {1002, 1004, 0}, {1004, 1007, 0}, {1002, 1005, 1}, {1001, 1003, 1},
                {1003, 1006, 0}, {0, 1008, 1}, {1008, 1009, 0}, {1008, 1010, 1}, {1010, 1011, 0}, {0, 1012, 2}};
    }
    static QString sourceToken(qint64 page) { return QStringLiteral("src%1").arg(page); }
    // The identity of a page of the start (and of the source's copy of it), of the source's own page 2001.
    static double sourceIdentity(qint64 page) { return page == 2001 ? 7777777.0 : double(7000000 + page); }

    static bool addPage(DbConnection &db, qint64 page, const QString &text, const QDate &date = QDate(2024, 1, 1))
    {
        return db.exec(QStringLiteral("Insert Into msDoc (noDoc, szDoc, txDoc, obDoc, saTgs, boCod, wkRnd, dyUdt)"
                                      " Values (?, ?, ?, ?, '.', 0, ?, ?)"),
                       {page, QStringLiteral("頁%1").arg(page), text, StubEditorServices::page(text), sourceIdentity(page),
                        QDateTime(date, QTime(9, 0))},
                       true);
    }
    static bool addPlacement(DbConnection &db, qint64 parent, qint64 page, int order, bool link = false)
    {
        return db.exec(QStringLiteral("Insert Into tbTree (noLfP, noLfC, inSrt, szDoc, boLnk) Values (?, ?, ?, ?, ?)"),
                       {parent, page, order, QStringLiteral("頁%1").arg(page), link ? 1 : 0}, true);
    }

    bool fillStart(DbConnection &db)
    {
        bool ok = true;
        for (int page = 1001; page <= 1012; ++page) {
            const QString text = QStringLiteral("頁%1\ninit%1").arg(page);
            ok = ok && addPage(db, page, text);
            m_told[page] = {QStringLiteral("init%1").arg(page)};
        }
        for (const QList<int> &p : startPlacements())
            ok = ok && addPlacement(db, p[0], p[1], p[2]);
        // The pages the source holds too, by identity.
        m_importable = {1008, 1009, 1010, 1011};
        return ok && addPlacement(db, 1008, 1005, 2, true);
    }

    // An export of 1008's branch edited elsewhere since (its pages are newer than the database's),
    // with a page of its own added under 1009.
    static bool fillSource(DbConnection &db)
    {
        bool ok = true;
        for (int page : {1008, 1009, 1010, 1011})
            ok = ok && addPage(db, page, QStringLiteral("頁%1\n").arg(page) + sourceToken(page), QDate(2024, 6, 1));
        ok = ok && addPage(db, 2001, QStringLiteral("頁2001\nsrc2001"));
        return ok && addPlacement(db, 0, 1008, 0) && addPlacement(db, 1008, 1009, 0) && addPlacement(db, 1008, 1010, 1)
               && addPlacement(db, 1010, 1011, 0) && addPlacement(db, 1009, 2001, 0);
    }

    // --- reading and walking the database ---
    bool read(Graph &graph)
    {
        graph = Graph();
        QSqlQuery query;
        if (!m_check.select(query, QStringLiteral("Select noDoc, txDoc, szDoc, wkRnd From msDoc"), {}, false, true))
            return false;
        while (query.next()) {
            const qint64 page = query.value(0).toLongLong();
            graph.texts.insert(page, query.value(1).toString());
            graph.titles.insert(page, query.value(2).toString());
            graph.identities.insert(page, query.value(3).toDouble());
        }
        if (!m_check.select(query, QStringLiteral("Select noLfP, noLfC From tbTree"), {}, false, true))
            return false;
        while (query.next())
            graph.children[query.value(0).toLongLong()].append(query.value(1).toLongLong());
        return true;
    }

    static void below(const Graph &graph, qint64 page, QSet<qint64> &into)
    {
        QList<qint64> open{page};
        QSet<qint64> seen{page};
        while (!open.isEmpty()) {
            const qint64 at = open.takeLast();
            into.insert(at);
            for (qint64 child : graph.children.value(at)) {
                if (!seen.contains(child)) {
                    seen.insert(child);
                    open << child;
                }
            }
        }
    }

    // Pages reached from the top by placements whose pages all have rows, as the tree shows them.
    static QSet<qint64> reachedIn(const Graph &graph)
    {
        QSet<qint64> reached;
        QList<qint64> open{0};
        while (!open.isEmpty()) {
            for (qint64 child : graph.children.value(open.takeLast())) {
                if (graph.texts.contains(child) && !reached.contains(child)) {
                    reached.insert(child);
                    open << child;
                }
            }
        }
        return reached;
    }

    // A ring of placements ("1002>1001>1002"), "" when there is none.
    static QString ringIn(const Graph &graph)
    {
        QHash<qint64, int> state;   // 1 on the path, 2 done
        QList<qint64> path;
        std::function<QString(qint64)> visit = [&](qint64 page) -> QString {
            state[page] = 1;
            path << page;
            for (qint64 child : graph.children.value(page)) {
                if (state.value(child) == 1) {
                    QStringList ring;
                    for (qint64 p : path.mid(path.indexOf(child)))
                        ring << QString::number(p);
                    return ring.join(u'>') + u'>' + QString::number(child);
                }
                if (state.value(child) == 0) {
                    const QString found = visit(child);
                    if (!found.isEmpty())
                        return found;
                }
            }
            path.removeLast();
            state[page] = 2;
            return QString();
        };
        for (auto it = graph.children.cbegin(); it != graph.children.cend(); ++it) {
            if (state.value(it.key()) == 0) {
                const QString found = visit(it.key());
                if (!found.isEmpty())
                    return found;
            }
        }
        return QString();
    }

    // --- random commands ---
    QString node(QRandomGenerator &random)
    {
        // Mostly a page the writer may see, at times one of its nodes in turn.
        if (random.bounded(3) == 0)
            return QString::number(random.bounded(1000));
        const QList<qint64> pages = m_before.texts.keys();
        if (pages.isEmpty())
            return QStringLiteral("0");
        QList<qint64> sorted = pages;
        std::sort(sorted.begin(), sorted.end());
        return QStringLiteral("p%1").arg(sorted.at(random.bounded(int(sorted.size()))));
    }

    // One writer's bulk window lists the children of a page; the other takes some or all of them
    // from under it (deletes the page and runs 最適化, deletes them all, deletes or moves one). At
    // times the held one has cut one of the children instead, and pastes it afterwards.
    void randomStaleBulk(QRandomGenerator &random)
    {
        QList<qint64> sources;
        for (auto it = m_before.children.cbegin(); it != m_before.children.cend(); ++it)
            if (it.key() != 0 && m_before.texts.contains(it.key()) && !it.value().isEmpty())
                sources << it.key();
        if (sources.isEmpty())
            return;
        std::sort(sources.begin(), sources.end());
        const qint64 source = sources.at(random.bounded(int(sources.size())));
        const QList<qint64> children = m_before.children.value(source);
        const QString child = QStringLiteral("p%1").arg(children.at(random.bounded(int(children.size()))));
        const QString from = QStringLiteral("p%1").arg(source);
        const int w = random.bounded(2);
        QString bulk;
        switch (random.bounded(4)) {
        case 0: bulk = QStringLiteral("bulkmove\t%1\t%2").arg(from, node(random)); break;
        case 1: bulk = QStringLiteral("bulkcopy\t%1\t%2").arg(from, node(random)); break;
        case 2: bulk = QStringLiteral("bulkdelete\t") + from; break;
        default: bulk = QStringLiteral("cut\t%1\t%2").arg(child, node(random)); break;
        }
        QStringList others;
        switch (random.bounded(4)) {
        case 0: others = {QStringLiteral("delete\t") + from, QStringLiteral("clean")}; break;
        case 1: others = {QStringLiteral("bulkdelete\t") + from}; break;
        case 2: others = {QStringLiteral("delete\t") + child}; break;
        default: others = {QStringLiteral("cut\t%1\t%2").arg(child, node(random))}; break;
        }
        whileHeld(w, bulk, others);
    }

    QString randomCommand(QRandomGenerator &random, int w, int step)
    {
        const QString token = QStringLiteral("%1%2x%3").arg(name(w).toLower()).arg(step).arg(++m_serial);
        const int pick = random.bounded(100);
        if (pick < 14)
            return QStringLiteral("new\t%1\t%2\t%3").arg(node(random)).arg(random.bounded(3)).arg(token);
        if (pick < 28)
            return QStringLiteral("save\t%1\t%2").arg(node(random), token);
        if (pick < 34)
            return QStringLiteral("delete\t%1").arg(node(random));
        if (pick < 54) {
            const QString from = node(random);
            // At times pasted right after itself.
            const QString to = random.bounded(6) == 0 ? from : node(random);
            return QStringLiteral("cut\t%1\t%2").arg(from, to);
        }
        if (pick < 62)
            return QStringLiteral("copy\t%1\t%2").arg(node(random), node(random));
        if (pick < 72)
            return QStringLiteral("bulkmove\t%1\t%2").arg(node(random), node(random));
        if (pick < 75)
            return QStringLiteral("bulkdelete\t%1").arg(node(random));
        if (pick < 78)
            return QStringLiteral("import\t%1\t%2").arg(node(random), m_source);
        if (pick < 81)
            return QStringLiteral("clean");
        if (pick < 85)
            return QStringLiteral("export\t%1\t%2\t%3").arg(node(random)).arg(1 + random.bounded(2)).arg(exportFile());
        return QStringLiteral("refresh");
    }
};
