#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class ExchangeHost;
class RichTextEdit;

// Export of the page at the selected node and the pages below it into a new
// document database made from the template "Dbs/Moto.txdb": the pages keep
// their numbers and identities (wkRnd), so that the import can bring an
// edited copy back; placements, the tooltip dictionary and the user text
// formats go with them.
class DbExport
{
public:
    using Pair = QPair<qint64, qint64>; // parent, child

    // What an export leaves out of its file: every placement it writes names pages the file holds.
    struct LeftOut {
        QList<qint64> unread;   // pages named by a placement that have no row to read
        QList<qint64> below;    // pages reached only through such a page
        int placements = 0;     // the placements left out with them
        bool isEmpty() const { return unread.isEmpty() && below.isEmpty() && placements == 0; }
    };

    explicit DbExport(ExchangeHost &host);

    // The whole export with its questions and messages.
    void ExportDb();
    // Gives every page without an identity (0 or Null) a new one, all or none;
    // false, with the reason in `error`, when the pages could not be read or written.
    static bool FillWkRnd(QString *error = nullptr);
    // The pages below `page` (range 1: its children only) in the order they
    // are written, and one pair for every placement passed on the way. Each
    // page is listed and descended into once, so cycles end. False, with the
    // reason in `error`, when the placements could not all be read.
    static bool CollectSubtree(qint64 page, int range, QList<qint64> &pages, QList<Pair> &pairs,
                               QString *error = nullptr);
    // Writes the rows into the database at `target` (a copy of the template)
    // in one transaction; false, with the file removed, when anything fails
    // (`error` then tells a read error of the open database, or why a page has
    // no identity after ExportDb's FillWkRnd failed). A page without a row is
    // left out with its placements and the pages reached only through it, and
    // named in `leftOut`; so is the selected page, which ends the export.
    // ExportDb reads in one state of the database (DbConnection::beginRead).
    // `topDate` is the date of the selected placement.
    bool ExportRows(const QString &nodeText, const QString &target, const QList<qint64> &pages,
                    const QList<Pair> &pairs, int range, LeftOut *leftOut = nullptr, QString *error = nullptr,
                    const QVariant &topDate = QVariant());

    static QString confirmText(const QString &nodeText);
    static QString resultText(const QString &target, bool ok);
    // The lines that name what the export left out; empty when it left out nothing.
    static QString leftOutText(const LeftOut &leftOut);

private:
    // Copies the template to `written`, which is to take the place of `target` (asked about when it exists).
    bool copyTemplate(const QString &templatePath, const QString &target, const QString &written);
    // SQLite's check of the open database: empty when it is whole, else the error.
    static QString checkWhole();
    QByteArray convertPage(RichTextEdit &edit, const QByteArray &bytes, qint64 page, bool childLinks, QString &tags);

    ExchangeHost &m_host;
    QString m_identityError; // why FillWkRnd could not give every page an identity
};
