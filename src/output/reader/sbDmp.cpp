#include "output/reader/sbDmp.h"

#include "core/Frmt.h"
#include "core/Usr.h"
#include "core/yIni.h"
#include "core/sbWait.h"
#include "core/zSvr.h"
#include "editor/LoadWait.h"
#include "output/word/OutputRange.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/PageCodec.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PlainText.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/PageGeometry.h"
#include "platform/richview/RichView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <utility>

namespace {

constexpr int Gap = 60;
const QChar LineBreak(11);
const QChar ParagraphEnd(10);
const QChar CellEnd(7);

// A page's plain text keeps a table's cells apart with the cell mark: a tab shows and copies them.
QString withCellTabs(QString text)
{
    return text.replace(CellEnd, QLatin1Char('\t'));
}

// The stored texts of the pages, except that a page holding a table is read from its document:
// the stored text marks where a cell begins, not where a row ends. Each row becomes a line of
// its own with the cells apart by a tab; a document that cannot be read keeps the stored text.
QHash<qint64, QString> pageTexts(const QStringList &keys)
{
    QHash<qint64, QString> texts;
    QList<qint64> tables;
    const QHash<qint64, QVariantList> stored = OutputRange::readPages(keys, QStringLiteral("txDoc"));
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        texts.insert(it.key(), withCellTabs(it.value().value(0).toString()));
        if (it.value().value(0).toString().contains(CellEnd))
            tables << it.key();
    }
    // One document at a time: their pictures come with them.
    for (qint64 no : std::as_const(tables)) {
        const QByteArray bytes = OutputRange::readPages(QList<qint64>{no}, QStringLiteral("obDoc")).value(no).value(0).toByteArray();
        PageDocument page(PageDocument::WithoutLayout);
        if (PageCodec::load(page, bytes))
            texts.insert(no, PlainText::of(page.main()));
    }
    return texts;
}

struct Design {
    int width, height;
};
// Designed sizes in twips: the navigation buttons, the two exit buttons, the check box, the three
// lists and the two labels.
constexpr Design RetSize[4] = {{345, 360}, {555, 360}, {555, 360}, {345, 360}};
constexpr Design ExitSize = {900, 360};

} // namespace

sbDmp::sbDmp(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("sbDmp"));
    setWindowTitle(QStringLiteral("一括表示"));
    setSizeGripEnabled(true);
    m_page = new PageDocument(this);
    m_edit = new RichTextEdit(m_page, this);
    m_view = new RichView(m_edit, this);
    m_view->setObjectName(QStringLiteral("tTxt"));
    m_view->setEditMode(1);
    const QStringList captions = {QStringLiteral("|<"), QStringLiteral("◀"), QStringLiteral("▶"), QStringLiteral(">|"),
                                  QStringLiteral("ｸﾘｯﾌﾟ"), QStringLiteral("閉じる(&C)")};
    for (int i = 0; i < 6; ++i) {
        m_ret[i] = new QPushButton(captions[i], this);
        m_ret[i]->setAutoDefault(false);
        const Design size = i < 4 ? RetSize[i] : ExitSize;
        m_ret[i]->setFixedSize(px(size.width, true), px(size.height, false));
        connect(m_ret[i], &QPushButton::clicked, this, [this, i] {
            if (i < 4)
                cmRet(i);
            else
                cmExit(i - 4);
        });
    }
    m_ret[0]->setObjectName(QStringLiteral("cmRet0"));
    m_auto = new QCheckBox(QStringLiteral("自動頁"), this);
    m_auto->setToolTip(QStringLiteral("指定の秒数で、自動的に頁を進めます"));
    fixSize(m_auto, 945, 225);
    connect(m_auto, &QCheckBox::clicked, this, [this] { SetAuto(); });
    m_time = new QComboBox(this);
    m_time->addItems({QStringLiteral("１秒"), QStringLiteral("２秒"), QStringLiteral("３秒"), QStringLiteral("４秒"),
                      QStringLiteral("５秒")});
    fixSize(m_time, 825, 300);
    m_zoom = new QComboBox(this);
    for (int z = 100; z <= 200; z += 10)
        m_zoom->addItem(QString::number(z) + u'%');
    fixSize(m_zoom, 795, 300);
    connect(m_zoom, &QComboBox::activated, this, [this] { cbZoomClick(); });
    m_mode = new QComboBox(this);
    m_mode->addItems({QStringLiteral("ﾉｰﾏﾙ "), QStringLiteral("ﾍﾟｰｼﾞ(境界線)"), QStringLiteral("ﾍﾟｰｼﾞ･ｾﾝﾀﾘﾝｸﾞ"),
                      QStringLiteral("ﾌﾛｰﾃｨﾝｸﾞ")});
    fixSize(m_mode, 1275, 300);
    connect(m_mode, &QComboBox::activated, this, [this] { cbPageClick(); });
    for (QComboBox *list : {m_time, m_zoom, m_mode})
        list->setCurrentIndex(-1);
    m_pageLabel = new QLabel(QStringLiteral("ﾍﾟｰｼﾞ"), this);
    fixSize(m_pageLabel, 435, 285);
    m_zoomLabel = new QLabel(QStringLiteral("ｽﾞｰﾑ"), this);
    fixSize(m_zoomLabel, 435, 285);
    m_timer1 = new QTimer(this);
    connect(m_timer1, &QTimer::timeout, this, &sbDmp::Timer1Tick);
    m_timer2 = new QTimer(this);
    m_timer2->setSingleShot(true);
    m_timer2->setInterval(1);
    connect(m_timer2, &QTimer::timeout, this, &sbDmp::Timer2Tick);
    // The window sees the keys first, wherever the focus is.
    for (QObject *child : findChildren<QWidget *>())
        child->installEventFilter(this);
    resize(px(9720, true), px(5595, false));
}

sbDmp::~sbDmp() = default;

void sbDmp::fixSize(QWidget *widget, int width, int height)
{
    // The designed size, or what the text needs in the fonts of this desktop when that is more.
    const QSize hint = widget->sizeHint();
    widget->setFixedSize(qMax(px(width, true), hint.width()), qMax(px(height, false), hint.height()));
}

int sbDmp::px(int twips, bool horizontal) const
{
    return qRound(twips * (horizontal ? logicalDpiX() : logicalDpiY()) / 1440.0);
}

int sbDmp::twips(int pixels, bool horizontal) const
{
    return qRound(pixels * 1440.0 / qMax(1, horizontal ? logicalDpiX() : logicalDpiY()));
}

// --- one-text mode

void sbDmp::ActT(const QString &sKys, const QString &sNos)
{
    Frmt::SetBusy(true);
    iMode = 1;
    m_view->setViewMode(0);
    m_viewMode = 0;
    PosIni(false);
    MakeTxt(sKys, sNos);
    Frmt::SetBusy(false);
    runModal();
}

void sbDmp::MakeTxt(const QString &sKys, const QString &sNos)
{
    const QStringList keys = sKys.split(u',', Qt::SkipEmptyParts);
    const QStringList numbers = OutputRange::numbersForKeys(keys, sNos.split(u',', Qt::SkipEmptyParts));
    m_page->clear();
    QTextDocument *doc = m_page->main();
    // A view of text, not an edit: no undo steps; one layout at the end instead of one per insertion.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    QTextBlockFormat block;
    block.setLineHeight(140, QTextBlockFormat::ProportionalHeight);
    cursor.setBlockFormat(block);
    QTextCharFormat plain;
    // The Japanese face named after the designed one, so that both weights come from one family.
    plain.setFontFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    plain.setFontPointSize(10);
    plain.setFontWeight(QFont::Normal);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    const QHash<QString, QString> titles = OutputRange::readTitles();
    const QHash<qint64, QString> texts = pageTexts(keys);
    // Code 11 becomes a line break inside the paragraph, code 10 ends the paragraph. The page
    // component holds no carriage return: one stays inside the paragraph as a line break (with a
    // line break right after it, as one), so a page's text is still one paragraph under its heading.
    const auto insert = [&cursor, &block](const QString &text, const QTextCharFormat &format) {
        QString run;
        for (qsizetype i = 0; i < text.size(); ++i) {
            QChar c = text.at(i);
            if (c == QChar(13)) {
                if (i + 1 < text.size() && text.at(i + 1) == LineBreak)
                    continue;
                c = LineBreak;
            }
            if (c == LineBreak || c == ParagraphEnd) {
                cursor.insertText(run, format);
                run.clear();
                if (c == LineBreak)
                    cursor.insertText(QString(QChar::LineSeparator), format);
                else
                    cursor.insertBlock(block, format);
            } else {
                run += c;
            }
        }
        cursor.insertText(run, format);
    };
    for (int i = 0; i < keys.size(); ++i) {
        QString parent, child;
        if (!OutputRange::splitKey(keys[i], parent, child))
            continue;
        QString title = titles.value(parent + u'-' + child);
        QString text = texts.value(child.toLongLong());
        if (!title.endsWith(LineBreak))
            title += LineBreak;
        text.replace(ParagraphEnd, LineBreak);
        const QString twice(2, LineBreak);
        while (text.contains(twice))
            text.replace(twice, QString(LineBreak));
        if (!text.endsWith(LineBreak))
            text += LineBreak;
        text += ParagraphEnd;
        insert(QStringLiteral("■ ") + OutputRange::fullWidth(numbers.value(i)) + u' ' + title, bold);
        insert(text, plain);
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
}

// The one text has no paper: its lines wrap at the view's width, so it never scrolls sideways.
void sbDmp::fitTextToView()
{
    const double scale = qMax(0.01, m_view->transform().m11());
    // The view's own width, which its layout has just set even while the window is hidden.
    const int room = m_view->width() - 2 * m_view->frameWidth() - m_view->verticalScrollBar()->sizeHint().width();
    const double sceneWidth = room / scale - 2 * PageGeometry::Gap;
    PageSetup setup = m_page->pageSetup();
    setup.marginLeft = 0;
    setup.marginRight = 0;
    setup.width = qMax(1440, int(sceneWidth * PageGeometry::TwipsPerPixel));
    m_page->setPageSetup(setup);
}

QString sbDmp::plainText() const
{
    return PlainText::of(m_page->main());
}

// --- page mode

qint64 sbDmp::ActP(const QString &sKys)
{
    Frmt::SetBusy(true);
    iMode = 2;
    nRet = 0;
    sPgs = OutputRange::pagesOf(sKys);
    iLast = sPgs.size() - 1;
    iIdx = 0;
    if (!ShowPg(0, false)) {
        Frmt::SetBusy(false);
        return 0;
    }
    PosIni(false);
    Frmt::SetBusy(false);
    runModal();
    sPgs.clear();
    m_doc.clear();
    m_text.clear();
    return nRet;
}

bool sbDmp::readPage(const QString &page)
{
    QVariantList row;
    if (!zSvr::instance().R_PAry(QStringLiteral("Select obDoc, szDoc, txDoc From msDoc Where noDoc = ?"), {page}, row))
        return false;
    m_doc = row.value(0).toByteArray();
    m_title = row.value(1).toString();
    m_text = row.value(2).toString();
    return true;
}

// A page stored without a document (or with one this program cannot read) is shown as its plain
// text, as the main window shows it, so that the caption and "頁選択" name the page on screen.
// A large page is read and laid out under the wait window, as the editor does.
void sbDmp::showCached()
{
    const LoadWait wait(qMax(LoadWait::pageWeight(m_doc), qint64(m_text.size())));
    if (m_doc.isEmpty() || !PageCodec::load(*m_page, m_doc))
        showPlainText();
    setWindowTitle(m_title);
    m_view->setViewMode(m_viewMode == 1 || m_viewMode == 2 ? 2 : 0);
    m_edit->select(0, 0);
    m_view->refresh();
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->minimum());
}

// In the body style: the text takes nothing over from the page shown before it.
void sbDmp::showPlainText()
{
    m_page->clear();
    const UsrFmt &body = Frmt::st().usrFmt[3];
    QTextCharFormat format;
    if (!body.fontName.isEmpty())
        format.setFontFamilies({body.fontName});
    if (body.fontSize > 0)
        format.setFontPointSize(body.fontSize);
    format.setFontWeight(body.bold ? QFont::Bold : QFont::Normal);
    format.setForeground(ColorRef::toColor(body.textColor));
    QTextCursor(m_page->main()).setBlockCharFormat(format);
    m_edit->setText(withCellTabs(m_text));
}

bool sbDmp::ShowPg(int position, bool cached)
{
    if (position < 0 || position > iLast)
        return false;
    if (!bAuto)
        Frmt::SetBusy(true);
    // A page whose row is gone is not shown, and the position stays on the page that is.
    const bool ok = (cached && m_cacheOk) || readPage(sPgs[position]);
    if (ok) {
        iIdx = position;
        showCached();
    }
    m_ret[1]->setEnabled(iIdx >= 1);
    m_ret[2]->setEnabled(false);
    // A failed read-ahead leaves the cache empty: the next step reads the page again.
    m_cacheOk = false;
    if (iIdx < iLast) {
        m_cacheOk = readPage(sPgs[iIdx + 1]);
        m_ret[2]->setEnabled(true);
    }
    m_ret[0]->setEnabled(iIdx != 0);
    m_ret[3]->setEnabled(iIdx != iLast);
    if (!bAuto) {
        SetAuto();
        Frmt::SetBusy(false);
    }
    m_view->setFocus();
    return ok;
}

void sbDmp::cmRet(int index)
{
    if (iMode != 2)
        return;
    if (index == 0 && iIdx != 0)
        ShowPg(0, false);
    else if (index == 1 && iIdx >= 1)
        ShowPg(iIdx - 1, false);
    else if (index == 2 && iIdx < iLast)
        ShowPg(iIdx + 1, true);
    else if (index == 3 && iIdx != iLast)
        ShowPg(iLast, false);
}

void sbDmp::cmExit(int index)
{
    if (index == 0 && iMode == 1) {
        QApplication::clipboard()->clear();
        QApplication::clipboard()->setText(plainText());
        Prompt::current().message(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰしました"), Prompt::OkOnly,
                                  QApplication::applicationDisplayName());
        return;
    }
    nRet = index == 0 && iIdx >= 0 && iIdx < sPgs.size() ? sPgs[iIdx].toLongLong() : 0;
    close();
}

void sbDmp::cbZoomClick()
{
    if (iMode != 2 || m_zoom->currentIndex() < 0)
        return;
    m_view->setZoom(m_zoom->currentText().chopped(1).toInt());
    m_view->refresh();
}

void sbDmp::cbPageClick()
{
    if (iMode != 2 || m_mode->currentIndex() < 0)
        return;
    const int mode = m_mode->currentIndex();
    if (mode == 0) {
        m_zoom->setCurrentIndex(0);
        cbZoomClick();
    }
    m_zoom->setEnabled(mode != 3);
    // The view knows the plain and the paged layout: the bordered and centred page are paged.
    m_viewMode = mode;
    m_view->setViewMode(mode == 1 || mode == 2 ? 2 : 0);
    m_view->refresh();
}

void sbDmp::SetAuto()
{
    bAuto = m_auto->isChecked();
    if (bAuto)
        m_timer1->setInterval((qMax(0, m_time->currentIndex()) + 1) * 1000);
    if (bAuto)
        m_timer1->start();
    else
        m_timer1->stop();
}

void sbDmp::Timer1Tick()
{
    // A large page still being laid out (under the wait window) is not turned over meanwhile.
    if (m_asking || sbWait::isShown())
        return;
    if (iIdx != iLast) {
        if (m_ret[2]->isEnabled())
            ShowPg(iIdx + 1, true);
        return;
    }
    // One question at a time: the advance waits while it is open.
    m_asking = true;
    m_timer1->stop();
    const int answer = Prompt::current().message(QStringLiteral("最後頁です　この画面を閉じて良いですか"),
                                                 Prompt::YesNo, QApplication::applicationDisplayName());
    m_asking = false;
    if (answer == Prompt::Yes) {
        nRet = 0;
        close();
    } else {
        m_auto->setChecked(false);
        SetAuto();
    }
}

void sbDmp::Timer2Tick()
{
    m_timer2->stop();
    if (iKey != 0)
        cmRet(iKey);
}

bool sbDmp::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && iMode == 2) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Home: cmRet(0); return true;
        case Qt::Key_Left: cmRet(1); return true;
        case Qt::Key_Right: cmRet(2); return true;
        case Qt::Key_End: cmRet(3); return true;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            auto *target = qobject_cast<QWidget *>(watched);
            if (!target || !(target == m_view || m_view->isAncestorOf(target)))
                break;
            // The page scrolls; only when it cannot move any further does the key turn the page.
            const bool down = key->key() == Qt::Key_PageDown;
            QScrollBar *bar = m_view->verticalScrollBar();
            const int before = bar->value();
            bar->triggerAction(down ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderPageStepSub);
            // The view's move clears the pending key; the deferred step turns the page otherwise.
            iKey = bar->value() != before ? 0 : down ? 2 : 1;
            m_timer2->start();
            return true;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- window

void sbDmp::runModal()
{
    layoutControls();
    if (m_runner)
        m_runner(*this);
    else
        exec();
}

void sbDmp::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_view->setFocus();
}

void sbDmp::closeEvent(QCloseEvent *event)
{
    m_timer1->stop();
    m_timer2->stop();
    PosIni(true);
    QDialog::closeEvent(event);
}

void sbDmp::PosIni(bool write)
{
    yIni &ini = yIni::instance();
    ini.GetGtx(QStringLiteral("DMP") + QString::number(iMode) + QStringLiteral("_位置"));
    if (write) {
        const QRect frame = frameGeometry();
        ini.SetVal(QStringLiteral("Left"), double(twips(frame.x(), true)));
        ini.SetVal(QStringLiteral("Top"), double(twips(frame.y(), false)));
        ini.SetVal(QStringLiteral("Width"), double(twips(frame.width(), true)));
        ini.SetVal(QStringLiteral("Height"), double(twips(frame.height(), false)));
        if (iMode == 2) {
            ini.SetVal(QStringLiteral("Zoom"), m_zoom->currentIndex());
            ini.SetVal(QStringLiteral("Page"), m_viewMode);
            ini.SetVal(QStringLiteral("Timmer"), m_time->currentIndex());
        }
        ini.SetGtx();
        ini.SetTxt();
        return;
    }
    int left = ini.vGtVal(QStringLiteral("Left"), 0).toInt();
    int top = ini.vGtVal(QStringLiteral("Top"), 0).toInt();
    int width = ini.vGtVal(QStringLiteral("Width"), 0).toInt();
    int height = ini.vGtVal(QStringLiteral("Height"), 0).toInt();
    Usr::W_FitWa(left, top, width, height);
    if (width > 0 && height > 0)
        setGeometry(px(left, true), px(top, false), px(width, true), px(height, false));
    if (iMode != 2)
        return;
    m_zoom->setCurrentIndex(qBound(0, ini.vGtVal(QStringLiteral("Zoom"), 0).toInt(), m_zoom->count() - 1));
    cbZoomClick();
    m_mode->setCurrentIndex(qBound(0, ini.vGtVal(QStringLiteral("Page"), 0).toInt(), 3));
    cbPageClick();
    m_time->setCurrentIndex(qBound(0, ini.vGtVal(QStringLiteral("Timmer"), 0).toInt(), m_time->count() - 1));
}

void sbDmp::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutControls();
}

void sbDmp::layoutControls()
{
    if (isMinimized())
        return;
    m_ret[4]->setText(iMode == 2 ? QStringLiteral("頁選択") : QStringLiteral("ｸﾘｯﾌﾟ"));
    QWidget *pageOnly[] = {m_ret[0], m_ret[1], m_ret[2], m_ret[3], m_time, m_auto, m_zoom, m_zoomLabel, m_mode,
                           m_pageLabel};
    for (QWidget *w : pageOnly)
        w->setVisible(iMode == 2);
    const int w = twips(width(), true);
    const int h = twips(height(), false);
    if (w < 7000)
        return;
    const int buttonHeight = twips(m_ret[5]->height(), false);
    m_view->setGeometry(px(Gap, true), px(Gap, false), px(w - 2 * Gap, true),
                        px(qMax(0, h - buttonHeight - 240), false));
    if (iMode == 1)
        fitTextToView();
    const int rowTop = h - buttonHeight - Gap;
    int left = w - Gap - twips(m_ret[5]->width(), true);
    m_ret[5]->move(px(left, true), px(rowTop, false));
    left -= Gap + twips(m_ret[4]->width(), true);
    m_ret[4]->move(px(left, true), px(rowTop, false));
    if (iMode != 2)
        return;
    const std::pair<QWidget *, int> row[] = {{m_ret[3], 0}, {m_ret[2], 0}, {m_ret[1], 0},  {m_ret[0], 0},
                                             {m_time, 30},  {m_auto, 50},  {m_zoom, 0},    {m_zoomLabel, 80},
                                             {m_mode, 30},  {m_pageLabel, 80}};
    for (const auto &[widget, offset] : row) {
        left -= Gap + twips(widget->width(), true);
        widget->move(px(left, true), px(rowTop + offset, false));
    }
}
