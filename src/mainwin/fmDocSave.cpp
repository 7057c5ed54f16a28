// The write of a saved page: row and placement together, and the questions when
// another edit window or another user saved or deleted the page meanwhile.
#include "mainwin/fmDoc.h"

#include "core/zSvr.h"
#include "editor/uTxm.h"
#include "platform/db/DbConnection.h"
#include "platform/desktop/Prompt.h"
#include "tree/TreeDb.h"
#include "tree/uTrX.h"

namespace {

QString changedQuestion()
{
    return QStringLiteral("このﾍﾟｰｼﾞは開いた後に別の編集画面か他の利用者が更新しています\n"
                          "上書きしますか\n(いいえ: 編集中の内容は画面に残り､保存されません)");
}

QString deletedQuestion()
{
    return QStringLiteral("このﾍﾟｰｼﾞは開いた後に別の編集画面か他の利用者が削除しています\n"
                          "元の場所に新しいﾍﾟｰｼﾞとして保存し直しますか\n(いいえ: 編集中の内容は画面に残り､保存されません)");
}

bool agreed(const QString &question)
{
    // "No" is the default: a hurried Enter loses nobody's work.
    return Prompt::current().message(question, Prompt::YesNo | Prompt::Exclamation | Prompt::DefaultButton2)
           == Prompt::Yes;
}

} // namespace

bool fmDoc::writePage(const PageWrite::Row &row)
{
    PageWrite write(nDocNo, m_stamp);
    const auto place = [this, &row](PageWrite::Placement kind, qint64 page, const QString &oldTitle) {
        return placePage(kind, page, row.title, oldTitle);
    };
    bool triedAgain = false;
    for (;;) {
        // The tree shows the save only once it is committed.
        m_tree->holdNodeChanges();
        const PageWrite::Result result = write.run(row, place);
        m_tree->releaseNodeChanges(result == PageWrite::Saved);
        switch (result) {
        case PageWrite::Saved:
            setPage(int(write.page()), write.found());
            return true;
        case PageWrite::ChangedElsewhere:
            if (!agreed(changedQuestion()))
                return false;
            write.replaceFound();
            break;
        case PageWrite::DeletedElsewhere:
            if (!agreed(deletedQuestion()))
                return false;
            write.storeAgain();
            break;
        case PageWrite::Failed:
            // A save that lost a deadlock with another user's write is tried once more; the tree
            // leaves such a failure to be told here.
            if (TreeDb::lostConflict() && !triedAgain) {
                triedAgain = true;
                TreeDb::waitForTheOther();
                break;
            }
            // A refused placement has been told by the tree; the status line says the page is not saved.
            if (!write.placementRefused() || TreeDb::lostConflict())
                reportFailedSave(nDocNo);
            return false;
        }
    }
}

bool fmDoc::placePage(PageWrite::Placement kind, qint64 page, QString title, const QString &oldTitle)
{
    switch (kind) {
    case PageWrite::Titles:
        return m_tree->UdtNd(title, oldTitle, qint32(page));
    case PageWrite::NewPlacement:
        return m_tree->trPlaceNew(title, qint32(page));
    case PageWrite::PlaceAgain:
        return m_tree->PlaceAgain(qint32(nDocNo), qint32(page), title);
    case PageWrite::TopEnd:
        return m_tree->PlaceAtTopEnd(qint32(page), title);
    }
    return false;
}

void fmDoc::reportFailedSave(qint64 page)
{
    // The reason where the database gave it, the likely ones otherwise.
    const QString why = zSvr::instance().connection().diskFull()
                            ? zSvr::diskFullText()
                            : QStringLiteral("接続が切れたか､他の利用者の処理を待って時間切れになったか､書き込みが拒否されました");
    // The edits stay in the editor, marked modified, for the next try.
    Prompt::current().message(QStringLiteral("文書No:%1 を保存できませんでした｡\n"
                                             "ﾃﾞｰﾀｰﾍﾞｰｽに書き込めません(%2)｡\n"
                                             "編集中の内容はそのまま残っています｡")
                                  .arg(page)
                                  .arg(why),
                              Prompt::Exclamation);
}
