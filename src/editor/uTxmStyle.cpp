// Styles, tidy passes, indent, bars and the new-page command of the page editor.
#include "editor/uTxm.h"

#include "core/Frmt.h"
#include "editor/CoolBar.h"
#include "editor/EditorServices.h"
#include "editor/TagRenumber.h"
#include "editor/UserParagraph.h"
#include "editor/sbTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/RichTextEdit.h"

#include <QAction>
#include <QHash>
#include <QLineEdit>
#include "platform/richview/RichView.h"

#include <cmath>

namespace {

const int LinkColour = 0xFF8080;
const int TagColour = 0x808000;
const int TipColour = 0x404080;

bool isBreak(QChar c)
{
    return c == QChar(10) || c == QChar(11);
}

// A paragraph end, a page break, or the edge of a table or of one of its cells (7): the text right
// after a table is a paragraph of its own, never a part of the last cell, and a cell's text never
// reaches past its cell.
bool endsParagraph(QChar c)
{
    return c == QChar(10) || c == QChar(12) || c == QChar(7);
}

} // namespace

// ---- styles

void uTxm::txStyle(int style, const QVariant &level, bool quiet, bool chosen)
{
    if (style < 0 || style > 8)
        return;
    const bool busy = m_busy;
    m_busy = true;
    const int start = m_edit->selStart();
    const int length = m_edit->selLength();
    const bool heading = style < 3;
    if (heading && m_kind < 1) {
        m_busy = busy;
        return;
    }
    if (heading && m_edit->listKind() != 1) {
        if (!quiet)
            Prompt::current().message(QStringLiteral("ﾘｽﾄを含む範囲に対しては､見出しのｽﾀｲﾙは設定できません"));
        m_busy = busy;
        return;
    }
    m_view->setUpdatesEnabled(false);
    // Its many format changes are one undo step, and join the typing or command that brought them.
    m_edit->beginCommand();
    if (!quiet) {
        bool notAtStart = false;
        headingBreak(heading, notAtStart);
        const QString text = m_edit->text();
        const int caret = m_edit->selStart();
        if (heading && (notAtStart || (caret < text.size() && !isBreak(text.at(caret)))))
            isolateHeading();
    }
    m_edit->setListKind(1);
    const UsrFmt &record = Frmt::st().usrFmt[style <= 5 ? style : 3];
    if (heading) {
        UserParagraph::setHeadingFrame(*m_edit, record);
    } else {
        m_edit->setAlignment(0);
        m_edit->setFrameStyle(7936);
        m_edit->setFrameLineWidth(0);
        m_edit->setFrameDistance(0);
    }
    const bool skipParagraph = quiet && level.isValid() && level.toInt() != 0;
    if (!skipParagraph && style != 4 && style != 5)
        UserParagraph::setSpacing(*m_edit, record);
    // An empty selection gives a paragraph style to its whole paragraph and a character style to the
    // text typed next.
    const bool wholeParagraph = length == 0 && style <= 3;
    int paraStart = start;
    int paraLength = 0;
    if (wholeParagraph) {
        const QString text = m_edit->text();
        const int caret = m_edit->selStart();
        paraStart = caret;
        while (paraStart > 0 && !endsParagraph(text.at(paraStart - 1)))
            --paraStart;
        int paraEnd = caret;
        while (paraEnd < text.size() && !endsParagraph(text.at(paraEnd)))
            ++paraEnd;
        paraLength = paraEnd - paraStart;
    }
    auto applyCharacters = [this, style, &record] {
        if (!record.fontName.isEmpty())
            m_edit->setFontName(record.fontName);
        if (record.fontSize > 0)
            m_edit->setFontSize(record.fontSize);
        if (style <= 5) {
            m_edit->setForeColor(record.textColor);
            m_edit->setBold(record.bold != 0);
            m_edit->setBackColor(record.backColor);
            m_edit->setUnderline(false);
        } else {
            m_edit->setForeColor(style == 6 ? LinkColour : style == 7 ? TagColour : TipColour);
            m_edit->setBackColor(0xFFFFFF);
            m_edit->setBold(false);
            m_edit->setUnderline(true);
        }
    };
    if (wholeParagraph && paraLength > 0) {
        const int caret = m_edit->selStart();
        m_edit->select(paraStart, paraLength);
        applyCharacters();
        txFldClr(paraStart, paraLength);
        m_edit->setSelStart(caret);
    }
    applyCharacters();
    if (wholeParagraph && paraLength == 0)
        m_edit->holdTypingLook();
    if (style <= 3)
        m_edit->setBlockStyle(style, chosen);
    if (style <= 5 && m_edit->selLength() > 0)
        txFldClr(m_edit->selStart(), m_edit->selLength());
    m_edit->select(qMin(start, m_edit->textLength()), length);
    m_edit->endCommand();
    m_view->setUpdatesEnabled(true);
    syncToView();
    m_busy = busy;
    showStyle();
}

void uTxm::txFldClr(int start, int length)
{
    const int selection = m_edit->selStart();
    const int selected = m_edit->selLength();
    const int current = m_edit->currentField();
    const UsrFmt &body = Frmt::st().usrFmt[3];
    const int last = start + length - 1;
    for (int id = m_edit->nextField(0); id != 0; id = m_edit->nextField(id)) {
        if (!m_edit->setCurrentField(id) || m_edit->fieldType() == 0)
            continue;
        const int from = m_edit->fieldStart() - 1;
        const int to = m_edit->fieldEnd() - 1;
        if (to < from)
            continue;
        if (start >= 0) {
            const bool counts = (from >= start && from <= last) || (to > start && to <= last)
                                || (from <= start && to >= last);
            if (!counts)
                continue;
        }
        QString kind;
        QString key;
        fieldKindKey(id, kind, key);
        m_edit->select(from, to - from + 1);
        if (!body.fontName.isEmpty())
            m_edit->setFontName(body.fontName);
        if (body.fontSize > 0)
            m_edit->setFontSize(body.fontSize);
        m_edit->setForeColor(kind == QLatin1String("TG") ? TagColour : kind == QLatin1String("TP") ? TipColour : LinkColour);
        m_edit->setBold(false);
        m_edit->setItalic(false);
        m_edit->setUnderline(true);
    }
    m_edit->setCurrentField(current);
    m_edit->select(selection, selected);
}

void uTxm::headingBreak(bool heading, bool &notAtStart)
{
    QString text = m_edit->text();
    if (text.isEmpty())
        return;
    const int start = m_edit->selStart();
    const int length = m_edit->selLength();
    auto replaceAt = [this](int position, int code) {
        m_edit->select(position, 1);
        m_edit->setSelectedText(QString(QChar(code)));
    };
    if (heading) {
        const QChar before = start > 0 ? text.at(start - 1) : QChar(10);
        if (before == QChar(11))
            replaceAt(start - 1, 10);
        else if (!endsParagraph(before))
            notAtStart = true;
        if (!notAtStart && length > 0) {
            const int end = start + length;
            const QChar first = text.at(start);
            const QChar after = end < text.size() ? text.at(end) : QChar(11);
            if (first == QChar(11)) {
                if (text.at(end - 1) != QChar(10))
                    replaceAt(end - 1, 10);
            } else if (after == QChar(11) && end < text.size()) {
                replaceAt(end, 10);
            } else if (start == 0 && end >= text.size() && text.at(end - 1) != QChar(10)) {
                // The whole text becomes the heading: it ends its paragraph, so that what is typed
                // after it is not heading too.
                m_edit->setSelStart(end);
                m_edit->setSelectedText(QString(QChar(10)));
            }
        }
        m_edit->select(start, length);
    }
    // The selected paragraphs become one: every inner paragraph end turns into a line break.
    text = m_edit->text();
    int last = start + length;
    if (last > start && text.at(last - 1) == QChar(10))
        --last;
    for (int position = start; position < last; ++position) {
        if (text.at(position) != QChar(10))
            continue;
        m_edit->setSelStart(position);
        if (m_edit->listKind() == 1)
            replaceAt(position, 11);
    }
    m_edit->select(start, length);
}

void uTxm::isolateHeading()
{
    const QString text = m_edit->text();
    const int caret = qMin(m_edit->selStart(), int(text.size()));
    const int length = m_edit->selLength();
    int before = caret - 1;
    while (before >= 0 && !endsParagraph(text.at(before)) && text.at(before) != QChar(11))
        --before;
    if (before >= 0 && text.at(before) == QChar(11)) {
        m_edit->select(before, 1);
        m_edit->setSelectedText(QString(QChar(10)));
    }
    int after = caret + length;
    while (after < text.size() && !isBreak(text.at(after)) && text.at(after) != QChar(7))
        ++after;
    if (after < text.size() && text.at(after) == QChar(11)) {
        m_edit->select(after, 1);
        m_edit->setSelectedText(QString(QChar(10)));
    }
    m_edit->select(caret, length);
}

// ---- tidy

void uTxm::T_JoinLn()
{
    m_view->setUpdatesEnabled(false);
    const int selStart = m_edit->selStart();
    const int selLength = m_edit->selLength();
    const bool whole = selLength == 0;
    const QString text = whole ? m_edit->text() : m_edit->selectedText();
    const int offset = whole ? 0 : selStart;
    m_edit->setSelLength(0);
    // A selection joins every paragraph in it that is no list paragraph; the whole text only those
    // of one format.
    auto same = [this, whole](int position) {
        m_edit->setSelStart(position - 1);
        if (m_edit->listKind() != 1)
            return false;
        const int values[4] = {m_edit->spaceBefore(), m_edit->spaceAfter(), m_edit->indentLeft(), m_edit->alignment()};
        m_edit->setSelStart(position + 1);
        if (m_edit->listKind() != 1)
            return false;
        if (!whole)
            return true;
        const int next[4] = {m_edit->spaceBefore(), m_edit->spaceAfter(), m_edit->indentLeft(), m_edit->alignment()};
        return std::equal(values, values + 4, next);
    };
    int found = text.indexOf(QChar(10));
    while (found >= 0) {
        if (whole && text.size() - found - 1 < 2)
            break;
        const int position = offset + found;
        if (position >= 3 && position + 1 <= m_edit->textLength() && same(position)) {
            m_edit->select(position, 1);
            m_edit->setSelectedText(QString(QChar(11)));
        }
        found = text.indexOf(QChar(10), found + 1);
    }
    if (!whole)
        m_edit->select(selStart, selLength);
    m_view->setUpdatesEnabled(true);
}

void uTxm::T_TrimBl()
{
    m_view->setUpdatesEnabled(false);
    auto blankish = [](QChar c) { return c == QLatin1Char(' ') || c == QChar(10) || c == QChar(11); };
    QString text = m_edit->text();
    while (text.size() >= 2 && blankish(text.at(text.size() - 1)) && blankish(text.at(text.size() - 2))) {
        m_edit->setSelStart(text.size() - 1);
        const int before = m_edit->spaceBefore(), left = m_edit->indentLeft(), after = m_edit->spaceAfter();
        const int spacing = m_edit->lineSpacingTwips(), percent = m_edit->lineSpacingPercent();
        m_edit->select(text.size() - 1, 1);
        m_edit->setSelectedText(QString());
        const QString shorter = m_edit->text();
        if (shorter.size() == text.size())
            break;
        text = shorter;
        m_edit->setSpaceBefore(before);
        m_edit->setIndentLeft(left);
        m_edit->setSpaceAfter(after);
        if (spacing != 0)
            m_edit->setLineSpacingTwips(spacing);
        if (percent != 0 && percent != 100)
            m_edit->setLineSpacingPercent(percent);
    }
    for (QChar end : {QChar(10), QChar(11)}) {
        int found = m_edit->text().indexOf(end);
        while (found > 0) {
            if (m_edit->text().at(found - 1) == QLatin1Char(' ')) {
                m_edit->select(found - 1, 1);
                m_edit->setSelectedText(QString());
                found = m_edit->text().indexOf(end, found - 1);
            } else {
                found = m_edit->text().indexOf(end, found + 1);
            }
        }
    }
    m_edit->setSelStart(0);
    m_view->setUpdatesEnabled(true);
}

// ---- bars

void uTxm::T_ShowBar(int iBar)
{
    const bool on = iBar >= 1;
    const int which = iBar < 0 ? -iBar : iBar;
    if (which >= 1 && which <= 4)
        m_bars[which] = on;
    else if (which == 5)
        m_rulers = on;
    else if (iBar == 7 || iBar == -8) {
        for (int bar = 1; bar <= 4; ++bar)
            m_bars[bar] = iBar == 7;
        m_rulers = iBar == 7;
    }
    for (int bar = 1; bar <= 4; ++bar)
        m_form->item(sbTxm::mnDisp, bar - 1)->setChecked(m_bars[bar]);
    m_form->item(sbTxm::mnDisp, 4)->setChecked(m_rulers);
    txLayout(true);
}

// ---- indent

void uTxm::T_Indent(int vMode, bool &bOk)
{
    bOk = false;
    const UsrFmt &body = Frmt::st().usrFmt[3];
    if (m_edit->fontSize() > body.fontSize) {
        Prompt::current().message(QStringLiteral("見出し部には、設定できません (Htmではｽﾀｲﾙｼｰﾄで設定します)"));
        return;
    }
    QString selected = m_edit->selectedText();
    if (selected.isEmpty()) {
        Prompt::current().message(QStringLiteral("範囲が指定されていません"));
        return;
    }
    if (selected.startsWith(QChar(10)))
        selected.remove(0, 1);
    if (selected.endsWith(QChar(10)))
        selected.chop(1);
    if (selected.contains(QChar(10))) {
        if (m_kind >= 2) {
            Prompt::current().message(QStringLiteral("複数の段落にまたがっています"));
            return;
        }
        T_JoinLn();
    }
    const int unit = qMax(1, body.fontSize) * 20;
    const int printable = qMax(unit, m_page->pageSetup().textWidth());
    int indent = m_edit->indentLeft() + unit;
    if (vMode == 1) {
        bool ok = false;
        const QString answer = Prompt::current().input(QStringLiteral("左ｲﾝﾃﾞﾝﾄの文字数を指定して下さい"),
                                                       QStringLiteral("字下げ(字上げ)"),
                                                       QString::number(m_edit->indentLeft() / unit), &ok);
        if (!ok)
            return;
        bool numeric = false;
        const double count = answer.trimmed().toDouble(&numeric);
        if (!numeric || !std::isfinite(count)) {
            Prompt::current().message(QStringLiteral("文字数を数字で指定して下さい"));
            return;
        }
        // Kept within the printable width, so no count can overflow the twips of a paragraph.
        indent = int(qBound<double>(-printable, std::round(count) * unit, printable));
    } else {
        indent = qBound(-printable, indent, printable);
    }
    m_view->setUpdatesEnabled(false);
    m_edit->setIndentLeft(indent);
    m_view->setUpdatesEnabled(true);
    bOk = true;
}

// ---- new page, options dialog

void uTxm::T_NewDoc(int iJb)
{
    bool cancelled = false;
    savePolicyStep(false, cancelled);
    m_modified = false;
    // A new page is emptied from its main text, wherever the caret stood: from a header or a text
    // frame the old page's text would stay in the new one.
    if (iJb == 1 && (m_edit->currentPart() != 0 || m_edit->currentFrame() != 0))
        m_view->editPart(0);
    const bool emptied = iJb == 1 && m_edit->currentPart() == 0 && m_edit->currentFrame() == 0;
    if (emptied) {
        const bool busy = m_busy;
        m_busy = true;
        m_edit->clearText();
        if (m_title->isEnabled())
            m_title->clear();
        m_busy = busy;
    }
    forgetPage();
    txLayout(false);
    m_view->show();
    m_currentFile.clear();
    txLoadSet(iJb);
    // The old page's edits, the emptying and the new page's settings are no steps to undo: an undo
    // would bring the page left behind into this one.
    if (emptied) {
        for (QTextDocument *doc : m_page->documents()) {
            if (auto *part = qobject_cast<PartDocument *>(doc))
                part->clearUndo();
        }
    }
    keepAsStored();
    syncToView();
}

void uTxm::T_ImDlg()
{
    QString answer = QString(bStrNo ? QStringLiteral("1") : QStringLiteral("0")) + QLatin1Char('\t') + m_ime
                     + QLatin1Char('\t') + m_policy;
    m_form->Act(QStringLiteral("IM"), answer);
    const QStringList parts = answer.split(QLatin1Char('\t'));
    if (parts.size() != 3)
        return;
    bStrNo = parts[0] == QLatin1String("1");
    m_ime = parts[1];
    m_policy = parts[2];
}

// ---- tag renumbering

void uTxm::T_CnvTG(QByteArray &yDt, const QString &sCnv)
{
    const bool busy = m_busy;
    m_busy = true;
    if (!m_services->loadBytes(*m_edit, yDt, 9, false)) {
        m_busy = busy;
        return;
    }
    TagRenumber(sCnv).apply(*m_edit);
    const QByteArray bytes = m_services->saveBytes(*m_edit, 9);
    if (!bytes.isEmpty())
        yDt = bytes;
    m_busy = busy;
}
