#include "editor/TxmFindPage.h"

#include "core/Frmt.h"
#include "editor/TextWidth.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/ColorRef.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/FontDialog.h"
#include "platform/richview/RichView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

constexpr int FindOptions = 16;
constexpr int MatchCase = 4;
constexpr int Backwards = 1;
const char *const MatchCaption = "大文字･小文字を区別する";
const char *const UndoTip = "置換えを一つ元に戻します";

QComboBox *searchBox(QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    // The history is offered in the drop-down list only: a completion that ignores case would turn
    // what the user typed into an entry of another case when the box loses the focus.
    box->setCompleter(nullptr);
    box->setMinimumWidth(220);
    return box;
}

QPushButton *button(const char *caption, QWidget *parent)
{
    return new QPushButton(QString::fromUtf8(caption), parent);
}

} // namespace

TxmFindPage::TxmFindPage(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    srTab = new QTabWidget(this);
    outer->addWidget(srTab);
    const char *const tabs[3] = {"検索", "置換え", "置換え(書式付)"};
    QGridLayout *grids[3] = {};
    for (int k = 0; k < 3; ++k) {
        auto *frame = new QWidget(srTab);
        grids[k] = new QGridLayout(frame);
        srTab->addTab(frame, QString::fromUtf8(tabs[k]));
        cbFnd[k] = searchBox(frame);
        chMatch[k] = new QCheckBox(QString::fromUtf8(MatchCaption), frame);
        grids[k]->addWidget(new QLabel(QStringLiteral("検索文字"), frame), 0, 0);
        grids[k]->addWidget(cbFnd[k], 0, 1);
    }
    // Find
    ssCom[0] = button("   先頭から", srTab->widget(0));
    ssCom[1] = button("  前を探す", srTab->widget(0));
    ssCom[2] = button("  次を探す", srTab->widget(0));
    grids[0]->addWidget(chMatch[0], 1, 1);
    for (int i = 0; i < 3; ++i) {
        grids[0]->addWidget(ssCom[i], i, 2);
        connect(ssCom[i], &QPushButton::clicked, this, [this, i] { find(i); });
    }
    grids[0]->setRowStretch(3, 1);
    // Replace
    QWidget *page2 = srTab->widget(1);
    cbFnd[3] = searchBox(page2);
    grids[1]->addWidget(new QLabel(QStringLiteral("置換後の文字"), page2), 2, 0);
    grids[1]->addWidget(cbFnd[3], 2, 1);
    auto *conversions = new QHBoxLayout;
    const char *const conv[5] = {"↓全角", "↓半角", "↓大文字", "↓小文字", "↓Proper"};
    for (int i = 4; i >= 0; --i) {
        cmStrCnv[i] = button(conv[i], page2);
        conversions->addWidget(cmStrCnv[i]);
        connect(cmStrCnv[i], &QPushButton::clicked, this, [this, i] { convert(i); });
    }
    conversions->addStretch(1);
    grids[1]->addLayout(conversions, 1, 1);
    grids[1]->addWidget(chMatch[1], 3, 1);
    const char *const rep[3] = {" 置換", " 全て置換", "  次を探す"};
    for (int i = 0; i < 3; ++i) {
        ssRep[i] = button(rep[i], page2);
        grids[1]->addWidget(ssRep[i], i, 2);
        connect(ssRep[i], &QPushButton::clicked, this, [this, i] { replace(i); });
        ssRpf[i] = button(rep[i], srTab->widget(2));
        grids[2]->addWidget(ssRpf[i], i, 2);
        connect(ssRpf[i], &QPushButton::clicked, this, [this, i] { replaceFormat(i); });
    }
    // Replace with format
    QWidget *page3 = srTab->widget(2);
    txFndR = new QLineEdit(page3);
    auto *font = button("ﾌｫﾝﾄ", page3);
    grids[2]->addWidget(new QLabel(QStringLiteral("置換後の文字"), page3), 1, 0);
    grids[2]->addWidget(txFndR, 1, 1);
    grids[2]->addWidget(font, 2, 0);
    grids[2]->addWidget(chMatch[2], 2, 1);
    connect(font, &QPushButton::clicked, this, &TxmFindPage::chooseFont);
    for (int i = 0; i < 2; ++i) {
        ssUndo[i] = button("元に戻す", srTab->widget(i + 1));
        ssUndo[i]->setToolTip(QString::fromUtf8(UndoTip));
        ssUndo[i]->setEnabled(false);
        grids[i + 1]->addWidget(ssUndo[i], 3, 2);
        connect(ssUndo[i], &QPushButton::clicked, this, &TxmFindPage::undo);
    }
    connect(srTab, &QTabWidget::currentChanged, this, [this](int k) {
        if (k >= 0 && k < 3)
            cbFnd[k]->setFocus();
    });
}

void TxmFindPage::load(const QString &)
{
    RichTextEdit &e = m_editor.edit();
    const QString selected = e.selectedText();
    selectTab(m_replace ? 1 : 0);
    if (!selected.isEmpty()) {
        for (int k = 0; k < 3; ++k)
            cbFnd[k]->setEditText(selected);
    }
    const UsrFmt &body = Frmt::st().usrFmt[3];
    txFndR->clear();
    setReplaceLook(QFont(body.fontName, body.fontSize > 0 ? body.fontSize : 10), body.textColor, body.backColor);
    m_lastPos = 0;
    m_lastFound.clear();
}

bool TxmFindPage::apply(QString &)
{
    return true;
}

QWidget *TxmFindPage::firstFocus()
{
    return cbFnd[srTab->currentIndex()];
}

void TxmFindPage::selectTab(int tab)
{
    srTab->setCurrentIndex(tab);
    cbFnd[tab]->setFocus();
}

int TxmFindPage::currentTab() const
{
    return srTab->currentIndex();
}

void TxmFindPage::remember(QComboBox *box)
{
    const QString text = box->currentText();
    if (text.isEmpty())
        return;
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
            return;
    }
    box->insertItem(0, text);
    box->setEditText(text);
}

void TxmFindPage::showCaret()
{
    if (RichView *view = m_editor.view())
        view->showModelCaret();
}

void TxmFindPage::find(int i)
{
    const QString text = cbFnd[0]->currentText();
    remember(cbFnd[0]);
    if (text.isEmpty())
        return;
    int options = FindOptions;
    if (chMatch[0]->isChecked())
        options += MatchCase;
    if (i == 1)
        options += Backwards;
    m_lastPos = m_editor.edit().find(text, i == 0 ? 0 : -1, options);
    showCaret();
    if (m_lastPos >= 0) {
        m_lastFound = text;
        if (i == 0)
            ssCom[2]->setFocus();
    }
}

void TxmFindPage::replaceSelection(bool withFormat, const QString &replacement)
{
    RichTextEdit &e = m_editor.edit();
    const int start = e.selStart();
    e.beginCommand();
    e.replaceSelectedText(replacement);
    if (withFormat) {
        e.select(start, int(replacement.size()));
        e.setForeColor(m_fore);
        e.setBackColor(m_back);
        e.setFontName(m_font.family());
        e.setFontSize(m_font.pointSizeF());
        e.setBold(m_font.bold());
        e.setItalic(m_font.italic());
        e.setUnderline(m_font.underline());
        e.setStrikeOut(m_font.strikeOut());
        e.select(start + int(replacement.size()), 0);
    }
    e.endCommand();
    // The page is marked while the dialog stays open, so that saving is offered at once.
    m_editor.setBDcEdt(true);
    m_editor.RfrshBar();
}

void TxmFindPage::replaceRun(int i, int box, int matchBox, int undoButton, bool withFormat)
{
    RichTextEdit &e = m_editor.edit();
    const QString text = cbFnd[box]->currentText();
    const QString replacement = withFormat ? txFndR->text() : cbFnd[3]->currentText();
    remember(cbFnd[box]);
    if (!withFormat)
        remember(cbFnd[3]);
    // An empty search text matches nothing: replacing it would never end.
    if (!text.isEmpty()) {
        const int options = FindOptions + (chMatch[matchBox]->isChecked() ? MatchCase : 0);
        if (i == 0) {
            if (m_lastFound.isEmpty())
                m_lastFound = e.selectedText();
            if (text == m_lastFound && m_lastPos >= 0
                && e.selectedText().compare(m_lastFound, Qt::CaseInsensitive) == 0)
                replaceSelection(withFormat, replacement);
        }
        if (i == 1) {
            // One undo step for each replacement. Each search goes on after the text just written, and
            // a match before the last one ends the loop, so a replacement that holds the search text
            // is never searched again.
            int after = 0;
            m_lastPos = e.find(text, 0, options);
            while (m_lastPos >= after) {
                replaceSelection(withFormat, replacement);
                after = m_lastPos + int(replacement.size());
                e.select(after, 0);
                m_lastPos = e.find(text, -1, options);
            }
        } else {
            m_lastPos = e.find(text, -1, options);
            if (m_lastPos >= 0)
                m_lastFound = text;
        }
        showCaret();
    }
    ssUndo[undoButton]->setEnabled(e.undoSteps() > 0);
}

void TxmFindPage::replace(int i)
{
    replaceRun(i, 1, 1, 0, false);
}

void TxmFindPage::replaceFormat(int i)
{
    replaceRun(i, 2, 2, 1, true);
}

void TxmFindPage::undo()
{
    m_editor.edit().undo();
    showCaret();
    const bool more = m_editor.edit().undoSteps() > 0;
    ssUndo[0]->setEnabled(more);
    ssUndo[1]->setEnabled(more);
}

void TxmFindPage::convert(int index)
{
    const QString text = cbFnd[1]->currentText();
    QString result;
    switch (index) {
    case 0:
        result = TextWidth::wide(text);
        break;
    case 1:
        result = TextWidth::narrow(TextWidth::katakana(text));
        break;
    case 2:
        result = text.toUpper();
        break;
    case 3:
        result = text.toLower();
        break;
    default:
        result = TextWidth::proper(text);
        break;
    }
    cbFnd[3]->setEditText(result);
}

void TxmFindPage::setReplaceLook(const QFont &font, int foreColour, int backColour)
{
    m_font = font;
    m_fore = foreColour;
    m_back = backColour;
    txFndR->setFont(font);
    QPalette palette = txFndR->palette();
    palette.setColor(QPalette::Text, ColorRef::toColor(foreColour));
    palette.setColor(QPalette::Base, ColorRef::toColor(backColour));
    txFndR->setPalette(palette);
}

void TxmFindPage::chooseFont()
{
    // The editor's own font dialog: it has the text and background colours the replacement takes.
    FontDialog dialog(this);
    FontDialog::Values values;
    values.family = m_font.family();
    values.size = m_font.pointSizeF() > 0 ? m_font.pointSizeF() : 10.5;
    values.bold = m_font.bold();
    values.italic = m_font.italic();
    values.underline = m_font.underline();
    values.strikeOut = m_font.strikeOut();
    values.foreColor = m_fore;
    values.backColor = m_back;
    dialog.setValues(values);
    RichView *view = m_editor.view();
    if (!(view ? view->runDialog(dialog) : dialog.exec() == QDialog::Accepted))
        return;
    const FontDialog::Values chosen = dialog.values();
    QFont font(chosen.family.isEmpty() ? m_font.family() : chosen.family);
    font.setPointSizeF(chosen.size);
    font.setBold(chosen.bold);
    font.setItalic(chosen.italic);
    font.setUnderline(chosen.underline);
    font.setStrikeOut(chosen.strikeOut);
    setReplaceLook(font, chosen.foreColor >= 0 ? chosen.foreColor : m_fore,
                   chosen.backColor >= 0 ? chosen.backColor : m_back);
}
