// File commands of the page editor: reading document files into the page or a frame, inserting a
// file's plain text, the passes before a save, and the export of the page (txSaveAs).
#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/zClt.h"
#include "core/zSvr.h"
#include "editor/EditorServices.h"
#include "editor/LoadWait.h"
#include "editor/UserParagraph.h"
#include "platform/desktop/Clock.h"
#include "platform/desktop/Prompt.h"
#include "platform/docx/DocumentFile.h"
#include "platform/docx/DocxWriter.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageExtract.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/TextProps.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QTextDocument>

namespace {

const QString ReadFilter = QStringLiteral("ﾜｰﾄﾞ文書 97-2003(*.doc)|*.doc|ﾜｰﾄﾞ文書 (*.docx)|*.docx|ﾘｯﾁﾃｷｽﾄ (*.rtf)|*.rtf|"
                                          "ﾃｽｷﾄﾌｧｲﾙ (*.txt)|*.txt|HTML Document(*.htm;*.html)|*.htm;*.html");
const QString TextFilter = QStringLiteral("ﾃｽｷﾄﾌｧｲﾙ (*.txt)|*.txt|ﾜｰﾄﾞ文書 97-2003(*.doc)|*.doc|ﾜｰﾄﾞ文書 (*.docx)|*.docx|"
                                          "ﾘｯﾁﾃｷｽﾄ (*.rtf)|*.rtf|HTML Document(*.htm;*.html)|*.htm;*.html");
const QString SaveFilter = QStringLiteral("ﾜｰﾄﾞ文書 97-2003(*.doc)|*.doc|ﾜｰﾄﾞ文書 (*.docx)|*.docx|ﾘｯﾁﾃｷｽﾄ (*.rtf)|*.rtf|"
                                          "HTML (*.htm;*.html)|*.htm;*.html|ｱｸﾛﾊﾞｯﾄPDF(*.pdf)|*.pdf|"
                                          "ﾃｽｷﾄﾌｧｲﾙ (*.txt)|*.txt");

QString folderOf(const QString &file)
{
    return QFileInfo(file).absolutePath();
}

// Headings read from a file take the user's heading formats whole, as F2-F4 give them: the paragraph's
// alignment, frame, indents, spaces and line height, and the text's look. The conversion to HTML knows a
// heading by its indented paragraph in a heading format's size.
void giveHeadingsTheirLook(PageDocument &page)
{
    RichTextEdit edit(&page);
    QTextDocument *doc = page.main();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat f = block.blockFormat();
        const int style = f.hasProperty(TextProps::BlockStyle) ? f.intProperty(TextProps::BlockStyle) : -1;
        if (style < 0 || style > 2 || block.length() <= 1)
            continue;
        const UsrFmt &record = Frmt::st().usrFmt[size_t(style)];
        edit.select(block.position(), block.length() - 1);
        UserParagraph::setHeadingFrame(edit, record);
        UserParagraph::setSpacing(edit, record);
        QTextCharFormat look;
        if (!record.fontName.isEmpty())
            look.setFontFamilies({record.fontName});
        if (record.fontSize > 0)
            look.setFontPointSize(record.fontSize);
        look.setFontWeight(record.bold ? QFont::Bold : QFont::Normal);
        if (ColorRef::toColor(record.textColor).isValid())
            look.setForeground(ColorRef::toColor(record.textColor));
        if (ColorRef::toColor(record.backColor).isValid())
            look.setBackground(ColorRef::toColor(record.backColor));
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(look);
    }
}

// The empty paragraph that an insert makes for a file, at `position`, is the file's first paragraph: it
// takes that paragraph's format (a heading its indents and frame), which an insert at the caret leaves
// to the paragraph it goes into. A first paragraph in a list or a table is left to the insert.
void takeFirstParagraphFormat(RichTextEdit &edit, int position, const PageDocument &read)
{
    const QTextBlock first = read.main()->firstBlock();
    if (first.textList() || QTextCursor(first).currentTable() || first.length() <= 1)
        return;
    QTextCursor at(edit.document());
    at.setPosition(position);
    if (at.block().textList() || at.currentTable())
        return;
    at.setBlockFormat(first.blockFormat());
}

// The paragraph that the line break after an inserted file makes looks as the one the insert split, not
// as the file's last: it is no item of the file's list and no heading of it.
void endInsertedFile(RichTextEdit &edit)
{
    QTextCursor at(edit.document());
    at.setPosition(edit.selStart());
    const QTextBlock split = at.block().next();
    if (!split.isValid())
        return;
    if (QTextList *list = at.block().textList())
        list->remove(at.block());
    at.setBlockFormat(split.blockFormat());
}

// The filter of the read dialog that shows the proposed file, else the Word documents of today.
QString readFilterFor(const QString &file)
{
    const QString ext = QFileInfo(file).suffix().toLower();
    const QStringList parts = ReadFilter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (!ext.isEmpty() && parts.at(i + 1).split(QLatin1Char(';')).contains(QStringLiteral("*.") + ext))
            return parts.at(i);
    }
    return parts.at(2);
}

} // namespace

bool uTxm::runContentJob(int iJb, const QVariant &vArg, bool &result)
{
    return runFileJob(iJb, vArg, result) || runInsertJob(iJb, vArg, result);
}

bool uTxm::isContentJob(int iJb)
{
    static const QList<int> codes = {1, 3, 5, 8, 10, 15, 30, 32, 33, 34, 35, 40, 42, 43, 44, 45, 70, 71, 80, 81, 82, 83, 85};
    return codes.contains(iJb);
}

bool uTxm::runFileJob(int iJb, const QVariant &vArg, bool &result)
{
    switch (iJb) {
    case 1:
        T_ReadDcFL(true, false);
        return true;
    case 3:
        result = T_LoadDcFL(vArg.toString(), false);
        return true;
    case 5: {
        QString file = vArg.toString();
        result = txSaveAs(file, false);
        return true;
    }
    case 8:
        T_ViewIE();
        return true;
    case 10:
        result = T_ReadDcFL(false, false);
        return true;
    case 30:
        result = T_ReadDcFL(false, true);
        return true;
    case 32:
        result = T_InsTxFL();
        return true;
    default:
        return false;
    }
}

QString uTxm::wordCopyFile() const
{
    const Usr::State &st = Usr::st();
    if (nTmpNo == 0)
        return st.workFolder + QStringLiteral("Temp.docx");
    return wordCopyOf(nTmpNo);
}

QString uTxm::wordCopyOf(qint64 page)
{
    return wordCopyFolder() + QStringLiteral("/%1.docx").arg(page, 4, 10, QLatin1Char('0'));
}

QString uTxm::wordCopyFolder()
{
    const Usr::State &st = Usr::st();
    return st.userData + QStringLiteral("Dbs/") + st.dbName + QStringLiteral("_Doc");
}

bool uTxm::T_ReadDcFL(bool bNoTmp, bool bIns)
{
    // The Word command's work file is offered while it is of this month.
    QString start;
    if (!bNoTmp) {
        const QString temp = Usr::st().workFolder + QStringLiteral("Temp.docx");
        const QFileInfo info(temp);
        const QString month = QStringLiteral("yyyy/MM");
        if (info.isFile() && info.lastModified().toString(month) == Clock::current().now().toString(month))
            start = temp;
    }
    const QString file = Frmt::OpenDlg(QStringLiteral("文書の読み込み"), start, ReadFilter, QString(), readFilterFor(start));
    return !file.isEmpty() && T_LoadDcFL(file, bIns);
}

bool uTxm::T_LoadDcFL(const QString &vFL, bool bIns)
{
    const QString file = vFL;
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return false;
    const DocumentFile::Format format = DocumentFile::formatOf(file);
    if (format == DocumentFile::None || format == DocumentFile::Pdf)
        return false;
    const bool busy = m_busy;
    m_busy = true;
    // Only handed on to the editor, which lays it out: reading it needs no layout, which nested tables
    // would make long, nor does giving every heading its look.
    PageDocument read(PageDocument::WithoutLayout);
    QString problem;
    QString note;
    DocumentFile::Result result = DocumentFile::Failed;
    {
        const LoadWait wait(LoadWait::fileWeight(file, format));
        result = DocumentFile::read(read, file, format, &problem, &note);
    }
    bool ok = result == DocumentFile::Ok;
    if (ok) {
        giveHeadingsTheirLook(read);
        const QByteArray bytes = PageCodec::save(read);
        syncFromView();
        // A file put into the text is one undo step, laid out when the step ends, under the wait
        // window where the file needs it.
        const auto oneStep = [&](const std::function<bool()> &insert) {
            const LoadWait wait(LoadWait::pageWeight(read));
            m_edit->beginCommand();
            const bool done = insert();
            m_edit->endCommand();
            return done;
        };
        if (m_partNo > 0) {
            ok = m_edit->selectFrame(m_partNo);
            if (ok) {
                ok = oneStep([&] {
                    m_edit->clearText();
                    if (!loadWeighedBytes(bytes, 9, true))
                        return false;
                    takeFirstParagraphFormat(*m_edit, 0, read);
                    return true;
                });
            }
        } else if (m_partNo == 0 && !bIns) {
            // The page is replaced: the save question of the update policy comes first. The snapshot
            // taken before the read stays, for undo to bring the page back as it was.
            const QByteArray snapshot = m_snapshot;
            T_NewDoc(2);
            m_snapshot = snapshot;
            ok = loadBytes(bytes, 9, false);
        } else if (m_partNo == 0) {
            ok = oneStep([&] {
                m_edit->setSelLength(0);
                m_edit->setSelectedText(QStringLiteral("\n\n"));
                m_edit->setSelStart(m_edit->selStart() - 1);
                const int first = m_edit->selStart();
                if (!loadWeighedBytes(bytes, 9, true))
                    return false;
                takeFirstParagraphFormat(*m_edit, first, read);
                m_edit->setSelLength(0);
                m_edit->setSelectedText(QStringLiteral("\n"));
                endInsertedFile(*m_edit);
                return true;
            });
        } else {
            // The frames are objects of the main text, wherever the caret stands.
            m_edit->selectFrame(0);
            for (int id : m_edit->objectIds(TextProps::TextFrameKind)) {
                if (!m_edit->selectFrame(id))
                    continue;
                m_edit->clearText();
                ok = loadBytes(bytes, 9, true) && ok;
            }
        }
        syncToView();
    }
    if (!ok) {
        QString text = QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" を読み込めません｡");
        if (result == DocumentFile::Binary97)
            text += QStringLiteral("\nWord 97-2003 形式(.doc)の文書は読み込めません｡読み込めるのは .docx, RTF, ﾃｷｽﾄ, HTML の文書です｡"
                                   "Word などで .docx 形式に保存したものを読み込んで下さい｡");
        else if (!problem.isEmpty())
            text += QLatin1Char('\n') + problem;
        Prompt::current().message(text);
    } else {
        m_currentFile = file;
        // What came from the file is not in the database yet: the page stays modified, so leaving it asks.
        setBDcEdt(true);
        // Read whole, but not quite as the file has it: the user learns how, with the page in view.
        if (!note.isEmpty())
            Prompt::current().message(QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" を読み込みました｡\n") + note);
    }
    m_busy = busy;
    RfrshBar();
    return ok;
}

// The read command of the page on text frames: `part` a frame's id, -1 all frames.
void uTxm::T_FrameRead(int part)
{
    const int kept = m_partNo;
    m_partNo = part;
    T_ReadDcFL(false, false);
    m_partNo = kept;
}

// The export command on the content of one text frame, as a page of its own.
void uTxm::T_FrameExport(int frame)
{
    if (!m_edit->selectFrame(frame))
        return;
    PageDocument content;
    PageExtract::extract(*m_page, m_edit->document(), 0, m_edit->textLength(), content);
    RichTextEdit source(&content);
    QString file;
    exportPage(source, file, false);
}

bool uTxm::T_InsTxFL()
{
    const QString file = Frmt::OpenDlg(QStringLiteral("ﾃｷｽﾄの挿入"), QString(), TextFilter, QString());
    if (file.isEmpty())
        return false;
    QString text;
    QString problem;
    const DocumentFile::Format format = DocumentFile::formatOf(file);
    if (format == DocumentFile::None || format == DocumentFile::Pdf || !DocumentFile::readText(file, format, text, &problem)) {
        const QString reason = problem.isEmpty() ? QString() : QLatin1Char('\n') + problem;
        Prompt::current().message(QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" をｲﾝﾎﾟｰﾄできません｡") + reason);
        return false;
    }
    text.replace(QLatin1Char('\n'), QChar(11));
    syncFromView();
    const LoadWait wait(text.size());
    m_edit->setSelectedText(text);
    syncToView();
    return true;
}

void uTxm::T_DelEmpFd()
{
    QList<int> empty;
    for (int id = m_edit->nextField(0); id != 0; id = m_edit->nextField(id)) {
        if (!m_edit->setCurrentField(id))
            continue;
        const QString text = m_edit->fieldText();
        if (text.isEmpty() || text == QString(QChar(11)) || text == QString(QChar(10)))
            empty << id;
        if (empty.size() > 100000)
            break;
    }
    for (int id : empty) {
        if (m_edit->setCurrentField(id))
            m_edit->deleteField(true);
    }
}

void uTxm::T_PreSave()
{
    for (int id : m_edit->objectIds(TextProps::PictureKind)) {
        if (m_edit->setCurrentObject(id))
            m_edit->setPictureStored(true);
    }
    if (!m_wordCopy)
        return;
    const QString file = wordCopyFile();
    zClt::instance().F_CreateFld(folderOf(file));
    // The copy is a convenience beside the database: a failure to write it does not stop the save.
    DocxWriter::writePage(*m_page, file);
}

bool uTxm::publicationConversion(RichTextEdit &edit, bool html, QByteArray *kept)
{
    // Without a database there is no site the page is published to.
    if (!zSvr::instance().isOpen())
        return false;
    Frmt::LoadHome();
    const FrmtState &f = Frmt::st();
    if (f.homeAddress.isEmpty() || f.homeKind < 1)
        return false;
    // A copy of its own: the user's undo snapshot stays as it was.
    if (kept) {
        *kept = m_services->saveBytes(edit, 3);
        if (kept->isEmpty())
            return false;
    }
    Frmt::st().outputSet.clear();
    // Only HTML can show inline frames and scripts.
    txCnvLnk(edit, !html);
    return true;
}

QString uTxm::exportFailedText(const QString &file)
{
    return QStringLiteral("ﾌｧｲﾙ: ") + file + QStringLiteral(" に出力できませんでした｡");
}

bool uTxm::txSaveAs(QString &vFL, bool bNoAct)
{
    syncFromView();
    return exportPage(*m_edit, vFL, bNoAct);
}

// `source` is the editor's own page, or a page of its own (a text frame's content) that the
// publication conversion may change for good.
bool uTxm::exportPage(RichTextEdit &source, QString &vFL, bool bNoAct)
{
    const bool own = &source == m_edit;
    QString file = vFL.trimmed();
    if (!file.isEmpty()) {
        zClt::instance().F_CreateFld(folderOf(file));
    } else {
        emit eAskSavePh(m_saveFolder);
        if (m_saveFolder.isEmpty())
            m_saveFolder = yIni::instance().FsGtSpFld(5);
        // A folder that is not there would be taken for the name of the file.
        if (!QFileInfo(m_saveFolder).isDir())
            m_saveFolder = QDir::homePath();
        QString proposed = m_lastSaveName.section(QLatin1Char('.'), 0, 0);
        const QString start = proposed.isEmpty() ? m_saveFolder : QDir(m_saveFolder).filePath(proposed);
        file = Prompt::current().saveFile(QStringLiteral("文書の保存"), start, Frmt::DialogFilter(SaveFilter));
        if (file.isEmpty())
            return false;
        m_lastSaveName = QFileInfo(file).fileName();
    }
    m_saveFolder = folderOf(file);
    // A Word file is written in the Word format of today, under a name that says so.
    if (!QFileInfo(file).fileName().contains(QLatin1Char('.')))
        file += QStringLiteral(".docx");
    else if (QFileInfo(file).suffix().compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0)
        file += QLatin1Char('x');
    const DocumentFile::Format format = DocumentFile::formatOf(file);
    const bool html = format == DocumentFile::Html;
    // The published form of the page goes into the file; the page in the editor keeps its fields.
    QByteArray kept;
    const bool edited = m_modified || pageEdited();
    const bool converted = !bNoAct && QFileInfo(file).suffix().compare(QLatin1String("txt"), Qt::CaseInsensitive) != 0
                           && publicationConversion(source, html, own ? &kept : nullptr);
    bool ok = false;
    if (html)
        ok = saveHtmOf(source, 0, file);
    else
        ok = format != DocumentFile::None && DocumentFile::write(*source.page(), file, format, Title());
    if (converted && own) {
        m_services->loadBytes(*m_edit, kept, 3, false);
        // The page is as it was: as edited as before, the reload no edit of its own.
        if (edited)
            m_editsBeyondUndo = true;
        else
            keepAsStored();
        syncToView();
    }
    if (!ok) {
        // Asked for nothing, the caller says what failed in its own words.
        if (!bNoAct)
            Prompt::current().message(exportFailedText(file));
        return false;
    }
    vFL = file;
    // An export stores nothing in the database: the page's modified mark stays as it is.
    QString written = file;
    emit eSaveAs(written);
    if (!bNoAct && Prompt::current().message(file + QStringLiteral(" に出力しました　起動しますか"),
                                             Prompt::YesNo | Prompt::Question) == Prompt::Yes)
        yIni::instance().W_ExpFd(file, true);
    return true;
}
