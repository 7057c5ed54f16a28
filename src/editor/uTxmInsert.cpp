// Editor commands that bring other content into the page: paste by kind, pictures, text frames,
// inline frames and scripts, the character format copy, and the table commands.
#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/zKtl.h"
#include "editor/LoadWait.h"
#include "editor/sbScrpt.h"
#include "editor/sbTxm.h"
#include "editor/sbWmf.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richview/PageClipboard.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QRegularExpression>

namespace {

constexpr qint64 NoCellBackground = 0x50000000;

// The colours of the reduced mode 2: the sixteen of the classic palette.
QList<QRgb> sixteenColours()
{
    return {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
            0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};
}

} // namespace

bool uTxm::runInsertJob(int iJb, const QVariant &vArg, bool &result)
{
    const QString what = vArg.toString();
    switch (iJb) {
    case 15:
        T_Paste(what);
        return true;
    case 33:
        result = T_InsPicTool(0);
        return true;
    case 34:
        T_PicDraw();
        return true;
    case 35:
        result = T_InsPicWmf();
        return true;
    case 42:
        result = T_InsPicTool(1);
        return true;
    case 43:
        result = T_InsPicTool(2);
        return true;
    case 40:
        T_InsFrame();
        return true;
    case 44:
        result = T_InsIFrame();
        return true;
    case 45:
        result = T_InsScript();
        return true;
    case 70:
        T_CpyFmt(1);
        return true;
    case 71:
        T_CpyFmt(2);
        return true;
    case 80:
        T_TblIns(what);
        return true;
    case 81:
        T_TblSplit(what);
        return true;
    case 82:
        T_TblDel(what);
        return true;
    case 83:
        T_TblSlc(what);
        return true;
    case 85:
        T_TblSlc(what);
        result = m_view->tableDialog();
        return true;
    default:
        return false;
    }
}

void uTxm::T_Paste(const QString &sKind)
{
    QClipboard *clipboard = QApplication::clipboard();
    if (m_title->hasFocus()) {
        m_title->insert(clipboard->text());
        return;
    }
    syncFromView();
    // The body style a heading takes first and the paste are one undo step, whose undo puts the caret
    // back where the paste went. The page is laid out when the step ends, under the wait window of a
    // large paste.
    const bool text = sKind == QLatin1String("TXT");
    const LoadWait wait(text ? clipboard->text().size() : LoadWait::pasteWeight(clipboard->mimeData()));
    runGrouped([&] {
        m_edit->keepCaretForUndo();
        pasteKind(sKind);
    });
}

void uTxm::pasteKind(const QString &sKind)
{
    QClipboard *clipboard = QApplication::clipboard();
    const int style = styleAtCaret();
    if (style >= 0 && style <= 2)
        txStyle(3, QVariant(), false);
    if (sKind == QLatin1String("TXT")) {
        // One paragraph whatever the line ends of the source. "　" opens a Japanese paragraph: it stays.
        QString text = clipboard->text();
        auto blank = [](QChar ch) { return ch.isSpace() && ch != QChar(0x3000); };
        while (!text.isEmpty() && blank(text.back()))
            text.chop(1);
        qsizetype lead = 0;
        while (lead < text.size() && blank(text.at(lead)))
            ++lead;
        text.remove(0, lead);
        text.replace(QStringLiteral("\r\n"), QString(QChar(11)));
        text.replace(QLatin1Char('\r'), QChar(11)).replace(QLatin1Char('\n'), QChar(11));
        m_edit->replaceSelectedText(text, false);
        syncToView();
    } else if (sKind == QLatin1String("OBJ") || sKind.isEmpty()) {
        // Without a kind (the toolbar's button) the component pastes as it would itself.
        m_view->setFocus();
        m_view->clipboardAction(3);
        syncFromView();
        setBDcEdt(true);
    } else if (sKind == QLatin1String("PIC")) {
        // The picture is what its bytes are, whatever type the clipboard gives them.
        QImage held;
        const QByteArray bytes = PictureDoor::clipboardBytes(clipboard->mimeData(), &held);
        const PictureDoor::Look look = PictureDoor::look(bytes);
        if (look.format == "svg") {
            pasteDrawing();
            return;
        }
        const QImage picture = held.isNull() ? PictureDoor().take(look) : held;
        if (!picture.isNull())
            T_PastePic(picture);
        else if (PageClipboard::hasPicture(clipboard->mimeData()))
            Prompt::current().message(PictureDoor::note({PageClipboard::pictureName()}));
    }
}

// A drawing on the clipboard (the vector picture in place of a metafile) is sized in the sizing
// window, never wider than the printable width at first; the component's own paste takes it when the
// user cancels.
void uTxm::pasteDrawing()
{
    const QString work = Usr::st().workFolder + QStringLiteral("Wrk.bmp");
    if (sbWmf::ActCp(work, printableWidth()))
        T_PicIns(work);
    else
        m_view->clipboardAction(3);
}

void uTxm::T_PastePic(const QImage &picture)
{
    if (picture.isNull())
        return;
    QImage image = picture;
    const int depth = image.depth();
    if (depth != 1 && depth != 8 && depth != 24)
        image = image.convertToFormat(QImage::Format_RGB888);
    image.setDotsPerMeterX(3780); // 96 dots per inch
    image.setDotsPerMeterY(3780);
    if (m_pictureColour == 1)
        image = image.convertToFormat(QImage::Format_Indexed8);
    else if (m_pictureColour == 2)
        image = image.convertToFormat(QImage::Format_Indexed8, sixteenColours());
    const QString file = Usr::st().workFolder + QStringLiteral("Wrk.bmp");
    if (image.save(file, "BMP"))
        T_PicIns(file);
    txStyle(3, QVariant(), false);
}

int uTxm::pictureScale() const
{
    const int dpi = m_view->logicalDpiX() > 0 ? m_view->logicalDpiX() : 96;
    return qint16(9600 / dpi);
}

bool uTxm::T_PicIns(const QString &sFL)
{
    syncFromView();
    const int scale = pictureScale();
    int id = 0;
    if (m_kind == 3) {
        id = m_edit->insertPictureFile(sFL, scale, 0);
        if (id && m_edit->setCurrentObject(id)) {
            m_edit->setPictureFile(sFL);
            m_edit->setPictureStored(false);
        }
    } else {
        const int layout = m_pictureLayout <= 1 ? 0 : qBound(1, m_pictureLayout - 1, 3);
        id = m_edit->insertPictureFile(sFL, scale, layout);
        if (id && m_edit->setCurrentObject(id))
            m_edit->setPictureStored(true);
    }
    syncToView();
    return id != 0;
}

bool uTxm::T_InsPicTool(int iTy)
{
    // Without the picture tool the picture comes from a file, as 画像 WMF形式 takes it.
    if (iTy == 0 && !zKtl::instance().hasApp(zKtl::Picture))
        return T_InsPicWmf();
    QString result;
    bool first = false;
    bool ok = false;
    const QString work = Usr::st().workFolder;
    if (iTy == 0)
        zKtl::instance().ActPic(m_kind, work, result, 0, 0, first, ok);
    else if (iTy == 1)
        zKtl::instance().ActGrph(work, result, ok);
    else
        zKtl::instance().ActChrt(work, result, ok);
    if (!ok || result.isEmpty())
        return false;
    if (iTy != 0) {
        // The tool's file is read as any picture from outside is.
        QByteArray bytes;
        QImage image = PictureDoor::readFile(result, bytes) ? PictureDoor().take(PictureDoor::look(bytes)) : QImage();
        if (image.isNull())
            return false;
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        result = work + QStringLiteral("Wrk.bmp");
        if (!image.save(result, "BMP"))
            return false;
    }
    return T_PicIns(result);
}

void uTxm::T_PicDraw()
{
    // The user draws the picture's frame; T_PicByTool gets its size when the mouse is released.
    m_view->setDrawMode(true);
}

bool uTxm::T_PicByTool(int width, int height)
{
    QString result;
    bool first = false;
    bool ok = false;
    zKtl::instance().ActPic(m_kind, Usr::st().workFolder, result, float(width), float(height), first, ok);
    return ok && !result.isEmpty() && T_PicIns(result);
}

void uTxm::pictureFrameDrawn(int width, int height)
{
    if (isBusy())
        return;
    m_busy = true;
    takeSnapshot();
    bool inserted = false;
    runGrouped([&] { inserted = T_PicByTool(width, height); });
    m_busy = false;
    if (inserted)
        setBDcEdt(true);
    RfrshBar();
}

bool uTxm::T_InsPicWmf()
{
    const QString start = QFileInfo(m_wmfPath).isDir() ? m_wmfPath : QString();
    QStringList patterns;
    for (const QString &suffix : PictureDoor::suffixes())
        patterns << QStringLiteral("*.") + suffix;
    const QString file = Prompt::current().openFile(QStringLiteral("画像"), start,
                                                    QStringLiteral("画像 (%1)").arg(patterns.join(QLatin1Char(' '))));
    if (file.isEmpty())
        return false;
    m_wmfPath = QFileInfo(file).absolutePath();
    // The sizing window opens the picture no wider than the printable width of the page.
    const QString work = Usr::st().workFolder + QStringLiteral("Wrk.bmp");
    return sbWmf::Act(file, work, printableWidth()) && T_PicIns(work);
}

int uTxm::printableWidth() const
{
    const PageSetup &setup = m_page->pageSetup();
    return setup.width - setup.marginLeft - setup.marginRight;
}

void uTxm::T_InsFrame()
{
    syncFromView();
    m_edit->insertTextFrame(RichTextEdit::frameArgs({100, 100, 100, 100, 3, 1000, 2000, 0, 0, 1, -1}));
    syncToView();
}

bool uTxm::T_InsIFrame()
{
    QString answer;
    m_form->Act(QStringLiteral("LK_OBJ"), answer);
    QString address = answer.section(QLatin1Char('\t'), 1);
    if (address.isEmpty())
        return false;
    static const QRegularExpression source(QStringLiteral("src=\"([^\"]*)\""));
    if (address.contains(QStringLiteral("<iframe"), Qt::CaseInsensitive)) {
        const auto m = source.match(address);
        if (m.hasMatch())
            address = m.captured(1);
    }
    insertMarkedFrame(QStringLiteral("[Iframe:"), address, 0xFAFEFE);
    return true;
}

bool uTxm::T_InsScript()
{
    QString script;
    sbScrpt::Act(script);
    if (script.isEmpty())
        return false;
    insertMarkedFrame(QStringLiteral("[Script:"), script, 0xFEFAFE);
    return true;
}

void uTxm::insertMarkedFrame(const QString &marker, const QString &text, int colorRef)
{
    syncFromView();
    m_edit->setSelLength(0);
    const int at = m_edit->selStart();
    m_edit->setSelectedText(QString(QChar(10)));
    m_edit->setSelStart(at);
    const int width = qRound(m_page->pageSetup().width * 0.95);
    const int id = m_edit->insertTextFrame(RichTextEdit::frameArgs({100, 100, 100, 100, 2, 1000, width, 0, 0, 1, -1}));
    if (id > 0) {
        m_edit->setFrameBackground(id, colorRef);
        if (m_edit->selectFrame(id)) {
            m_edit->setSelStart(0);
            m_edit->setSelLength(-1);
            m_edit->setFontSize(9);
            m_edit->setText(marker + QString::number(id) + QLatin1Char(']') + QChar(11) + text);
            m_edit->selectFrame(0);
        }
        m_edit->setSelStart(at + 1);
    }
    syncToView();
}

QString uTxm::copiedFormat() const
{
    const FormatHolder &h = m_formatHolder;
    if (h.font.isEmpty() && h.size <= 0)
        return QString();
    return QStringLiteral("%1 %2 %3%4%5%6 %7/%8").arg(h.font).arg(h.size).arg(int(h.bold)).arg(int(h.italic))
        .arg(int(h.underline)).arg(int(h.strike)).arg(h.fore).arg(h.back);
}

void uTxm::T_CpyFmt(int iMode)
{
    syncFromView();
    FormatHolder &h = m_formatHolder;
    if (iMode == 0 || iMode == 1) {
        m_edit->setSelLength(qMax(1, m_edit->selLength()));
        h.fore = m_edit->foreColor();
        h.back = m_edit->backColor();
        if (iMode == 0) {
            const UsrFmt &body = Frmt::st().usrFmt[3];
            h = {body.fontName, double(body.fontSize), body.bold != 0, false, false, false, h.fore, h.back};
        } else {
            h.font = m_edit->fontName();
            h.size = m_edit->fontSize();
            h.bold = m_edit->bold();
            h.italic = m_edit->italic();
            h.underline = m_edit->underline();
            h.strike = m_edit->strikeOut();
        }
    } else if (iMode == 2) {
        m_edit->setForeColor(h.fore);
        // White is not painted over table cells.
        if (h.back != 0xFFFFFF || m_edit->tableAtCaret() <= 0)
            m_edit->setBackColor(h.back);
        if (!h.font.isEmpty())
            m_edit->setFontName(h.font);
        if (h.size > 0)
            m_edit->setFontSize(h.size);
        m_edit->setBold(h.bold);
        m_edit->setItalic(h.italic);
        m_edit->setUnderline(h.underline);
        m_edit->setStrikeOut(h.strike);
    }
    syncToView();
    m_view->setFocus();
}

void uTxm::T_TblIns(const QString &sWhat)
{
    syncFromView();
    if (sWhat == QStringLiteral("表")) {
        const int length = m_edit->textLength();
        QString answer;
        m_form->Act(QStringLiteral("TB"), answer);
        // What is typed next goes into the new table's first cell, where the caret is, wherever the
        // keyboard was before the dialog (the page tree, the dialog's lists).
        if (m_edit->textLength() != length) {
            m_view->activateWindow();
            m_view->setFocus();
        }
    } else if (sWhat == QStringLiteral("左") || sWhat == QStringLiteral("右")) {
        m_edit->insertColumn(sWhat == QStringLiteral("左") ? 1 : 2);
    } else if (sWhat == QStringLiteral("上") || sWhat == QStringLiteral("下")) {
        m_edit->insertRows(1, sWhat == QStringLiteral("上") ? 1 : 2);
    }
    syncToView();
}

void uTxm::T_TblSplit(const QString &sWhat)
{
    syncFromView();
    if (sWhat == QStringLiteral("上") || sWhat == QStringLiteral("下"))
        m_edit->splitTable(sWhat == QStringLiteral("上") ? 1 : 2);
    syncToView();
}

void uTxm::T_TblDel(const QString &sWhat)
{
    syncFromView();
    if (sWhat == QStringLiteral("表")) {
        T_TblSlc(sWhat);
        m_edit->deleteRows();
    } else if (sWhat == QStringLiteral("列")) {
        m_edit->deleteColumns();
    } else if (sWhat == QStringLiteral("行")) {
        m_edit->deleteRows();
    }
    syncToView();
}

void uTxm::T_TblSlc(const QString &sWhat)
{
    syncFromView();
    const int table = m_edit->tableAtCaret();
    if (table <= 0)
        return;
    const int row = m_edit->rowAtCaret();
    const int column = m_edit->columnAtCaret();
    const int rows = m_edit->tableRows(table);
    const int columns = m_edit->tableColumns(table);
    auto cellEnd = [&](int r, int c) { return m_edit->cellStart(table, r, c) - 1 + m_edit->cellLength(table, r, c); };
    int start = -1;
    int end = -1;
    if (sWhat == QStringLiteral("ｾﾙ")) {
        start = m_edit->cellStart(table, row, column) - 1;
        end = start + m_edit->cellLength(table, row, column) + 1;
    } else if (sWhat == QStringLiteral("行")) {
        start = m_edit->cellStart(table, row, 1) - 1;
        end = cellEnd(row, columns);
    } else if (sWhat == QStringLiteral("表")) {
        start = m_edit->cellStart(table, 1, 1) - 1;
        end = cellEnd(rows, columns);
    }
    if (start >= 0 && end >= start)
        m_edit->select(start, end - start);
    syncToView();
}

void uTxm::txCelAttr(int attribute, QVariant &value, bool &inTable, int *extra)
{
    syncFromView();
    const int table = m_edit->tableAtCaret();
    inTable = table > 0;
    if (!inTable)
        return;
    value = m_edit->cellAttribute(attribute);
    // The component's code for a cell without a background of its own reads as white.
    if (attribute == 4 && value.toLongLong() == NoCellBackground)
        value = 0xFFFFFF;
    if (extra)
        *extra = m_edit->cellStart(table, m_edit->rowAtCaret(), m_edit->columnAtCaret());
}
