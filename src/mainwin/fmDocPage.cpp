// Pages in and out of the editor: load, automatic save, save and page numbers.
#include "mainwin/fmDoc.h"

#include "core/HtmMoji.h"
#include "core/PageNumbers.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/uTxm.h"
#include "mainwin/BusyScope.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/RichTextEdit.h"
#include "tree/uTrX.h"

#include <QDateTime>
#include <QFileInfo>

namespace {

// The page's plain text and tag list are its body's, wherever the caret stands (a header, a footer,
// a text frame): search, the reverse look-up and the readers work on them.
void bodyTextAndTags(RichTextEdit &edit, QString &text, QString &tags)
{
    RichTextEdit body(edit.page());
    text = body.text();
    tags = fmDoc::TagList(body);
}

} // namespace

// Asks about the edits of the current page before it is left. False keeps the
// page: the user cancelled, or said "Yes" and the save failed.
bool fmDoc::leaveCurrentPage()
{
    if (m_deleting) {
        // The tree moves on only after the user confirmed the delete: the edits go with the page.
        m_editor->setBDcEdt(false);
        return true;
    }
    if (nDocNo == 0 || !m_editor->bDcEdt())
        return true;
    bool cancel = false;
    m_editor->ChkUdt(cancel);
    return !cancel && !m_editor->bDcEdt();
}

bool fmDoc::LoadPage(const QString &pageNo, const QString &title, int job, bool force)
{
    bool numeric = false;
    const qint64 number = pageNo.trimmed().toLongLong(&numeric);
    if (!numeric || number <= 0 || number > 0x7fffffff) {
        if (!leaveCurrentPage())
            return false;
        m_editor->rtAct(2);
        if (job != 2)
            SetPageNo(0);
        return false;
    }
    if (!force && number == nDocNo && nDocNo > 0)
        return true;
    BusyScope busy;
    if (job == -1 || job == 3) {
        m_editor->setBDcEdt(false);
    } else if (!leaveCurrentPage()) {
        return false;
    }
    if (job == -1)
        SetPageNo(int(number));
    QVariantList row; // title, text, document, placements
    if (!PageStamp::readRow(number, row)) {
        // Nothing to show: the page shown so far stays, and stays the one a save writes.
        ShowStatus(QStringLiteral("文書No:%1 は読み込めませんでした").arg(number), 4);
        return false;
    }
    // Another page takes the editor's place: the unsaved node of a new page it held stands for nothing now.
    if (job != 2)
        m_tree->dropNewNode();
    if (job == 0) {
        m_tree->SetTmpKy();
        m_tree->SetRcnt(QString::number(number), title);
    } else if (job == 1) {
        m_tree->SetTmpKy();
    }
    if (job != -1 && job != 3)
        m_tree->setFocus();
    m_editor->rtAct(2);
    bool ok = false;
    m_editor->SetData(row.value(2).toByteArray(), ok, job >= 2, row.value(1).toString());
    // A page stored without a document (made by another tool) opens with its plain text.
    if (ok && row.value(2).isNull() && !row.value(1).toString().isEmpty()) {
        m_editor->SetText(row.value(1).toString());
    }
    m_editor->setTitle(row.value(0).toString());
    if (job != 2)
        setPage(int(number), PageStamp(row.value(0), row.value(1), row.value(2), row.value(3).toInt() > 0));
    ShowStatus(QStringLiteral("文書No:%1").arg(job == 2 ? qint64(nDocNo) : number), 0);
    ChkAutoSave(true);
    return ok;
}

bool fmDoc::ChkAutoSave(bool reset)
{
    if (iAsv <= 0)
        return false;
    const QDateTime now = Clock::current().now();
    if (reset) {
        vLastSave = now;
        return false;
    }
    // Never during a long job: an output may have borrowed the editor.
    if (Usr::st().busy || !vLastSave.isValid() || nDocNo <= 0)
        return false;
    bool exDoc = false, overwrite = false;
    m_editor->ChkJbMn0(exDoc, overwrite);
    if (!overwrite || m_tree->SlctdKy() == QLatin1String("NewNode"))
        return false;
    // Hours and days count too: the interval is the whole elapsed time.
    if (vLastSave.secsTo(now) <= qint64(iAsv) * 60)
        return false;
    vLastSave = now;
    m_lastSaveOk = false;
    m_editor->rtAct(4);
    return m_lastSaveOk;
}

bool fmDoc::ChkDbFormat()
{
    const bool ok = zSvr::instance().R_GtVaL(QStringLiteral("Select DmFmt From kaUsr"), QStringLiteral("***")).toString()
                    != QLatin1String("***");
    if (!ok) {
        Prompt::current().message(QStringLiteral("Fenwar・Harvessaの文書データーベースではありません"));
        m_tree->ClearItem(true);
        m_editor->rtAct(2);
    }
    return ok;
}

void fmDoc::ChkFileDate(const QString &sNo, const QString &sFL, bool &bNewer, QString &sTitle)
{
    bNewer = false;
    const QFileInfo file(sFL);
    bool number = false;
    const qint64 page = sNo.trimmed().toLongLong(&number);
    if (sFL.isEmpty() || !file.isFile() || !number)
        return;
    QVariantList row;
    zSvr::instance().R_PAry(QStringLiteral("Select szDoc, dyUdt From msDoc Where noDoc=?"), {page}, row);
    sTitle = row.value(0).toString();
    const QVariant stored = row.value(1);
    QDateTime saved = stored.metaType().id() == QMetaType::QDateTime
                          ? stored.toDateTime()
                          : QDateTime::fromString(stored.toString().trimmed(), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!saved.isValid())
        saved = QDateTime::fromString(stored.toString().trimmed(), Qt::ISODate);
    // The database keeps whole seconds.
    const QDateTime changed = file.lastModified();
    bNewer = !sTitle.isEmpty() && saved.isValid()
             && saved <= changed.addMSecs(-changed.time().msec());
}

bool fmDoc::NewDocNo()
{
    // An empty table counts as holding 1000, so its first page is 1001.
    const qint64 highest = zSvr::instance().R_GtVaL(QStringLiteral(" Select Max(noDoc) From msDoc"), 1000).toLongLong();
    // A number cut down to 32 bits would name a page already stored, and the new page's saves
    // would go there.
    if (highest >= PageNumbers::Highest) {
        SetPageNo(0);
        Prompt::current().message(QStringLiteral("新しいﾍﾟｰｼﾞ番号がありません\n"
                                                 "ﾃﾞｰﾀｰﾍﾞｰｽに最大のﾍﾟｰｼﾞ番号(%1)の文書があります")
                                      .arg(highest),
                                  Prompt::Exclamation);
        return false;
    }
    SetPageNo(int(highest + 1));
    return true;
}

QString fmDoc::TagList(RichTextEdit &edit)
{
    QString list = QStringLiteral(".");
    const int keep = edit.currentField();
    for (int id = edit.nextField(0); id != 0; id = edit.nextField(id)) {
        edit.setCurrentField(id);
        const QString data = edit.fieldData();
        if (!data.left(3).toUpper().startsWith(QLatin1String("TG_")))
            continue;
        const QString target = data.mid(3);
        if (!target.isEmpty() && !list.contains(QLatin1Char('.') + target + QLatin1Char('.'), Qt::CaseInsensitive))
            list += target + QLatin1Char('.');
    }
    edit.setCurrentField(keep);
    return list;
}

QString fmDoc::TitleFromText(const QString &text)
{
    const int lf = text.indexOf(QLatin1Char('\n'));
    if (lf <= 0)
        return QString();
    QString first = text.left(qMin(lf, 50));
    first.remove(QLatin1Char('\r'));
    return first;
}

void fmDoc::onSaveDB()
{
    m_lastSaveOk = SavePage();
    if (m_lastSaveOk) {
        m_editor->setBDcEdt(false);
    } else if (nDocNo > 0 && zSvr::instance().isOpen()) {
        ShowStatus(QStringLiteral("文書No:%1 は保存されませんでした").arg(nDocNo), 4);
    }
}

bool fmDoc::SavePage()
{
    zSvr &db = zSvr::instance();
    if (!db.isOpen() || nDocNo == 0 || db.DbRead())
        return false;
    if (m_editor->loadFailed()) {
        Prompt::current().message(QStringLiteral("読み込めなかった文書は保存できません"), Prompt::Exclamation);
        return false;
    }
    RichTextEdit *edit = m_editor->GetObj();
    // Every title is stored as the tree shows it, wherever it came from: one line without blanks
    // or marks, so that a later save of the same title stores the same text.
    const auto cleaned = [](const QString &given) {
        QString title = HtmMoji::oneLine(given);
        HtmMoji::T_HtmMoji(title);
        return title;
    };
    QString title = cleaned(m_editor->Title());
    m_editor->setTitle(title);
    QString text;
    QString tags;
    bodyTextAndTags(*edit, text, tags);
    if (title.isEmpty())
        title = cleaned(TitleFromText(text));
    const QByteArray bytes = m_editor->services().saveBytes(*edit, 9);
    m_editor->EndObj();
    if (bytes.isEmpty()) {
        Prompt::current().message(QStringLiteral("文書を保存用の形式に変換できませんでした"), Prompt::Exclamation);
        return false;
    }
    // A new page has no old title: a row under its number is someone else's page.
    if (title.isEmpty() && m_stamp.stored())
        title = cleaned(m_stamp.title());
    // A pasted answer of several lines is one line too.
    if (title.isEmpty())
        title = cleaned(Prompt::current().input(QStringLiteral("ﾀｲﾄﾙを入力して下さい"), QStringLiteral("Title"), QString()));
    if (title.isEmpty())
        return false;
    // The file taken away under the program is saved elsewhere first, or nothing is written (asked by
    // the main window, whichever window saves).
    if (!zSvr::instance().fileKept())
        return false;
    const QDateTime now = Clock::current().now();
    if (!writePage({title, text, tags, bytes, now}))
        return false;
    vLastSave = now;
    ShowStatus(QStringLiteral("文書No:%1").arg(nDocNo), 0);
    if (!IsTreeMenuNormal()) {
        SetTreeMenuMode(true);
        SetMenuByDb(true);
    }
    return true;
}
