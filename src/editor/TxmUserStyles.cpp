#include "editor/TxmUserStyles.h"

#include "core/Frmt.h"
#include "editor/uTxm.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/RichTextEdit.h"
#include "platform/richview/RichView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

const char *const Words[6] = {"見出１", "見出２", "見出３", "本文", "強調", "補足"};
const char *const Labels[6] = {"見出1", "見出2", "見出3", "本文", "強調", "補足"};

} // namespace

TxmUserStyles::TxmUserStyles(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *grid = new QGridLayout(this);
    m_txt = sample(tTxt, QString());
    m_txt->setMinimumHeight(110);
    grid->addWidget(m_txt, 0, 0, 6, 1);
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(Labels[i]), this), i, 1);
        cmFont[i] = new QPushButton(QStringLiteral("ﾌｫﾝﾄ"), this);
        grid->addWidget(cmFont[i], i, 2);
        connect(cmFont[i], &QPushButton::clicked, this, [this, i] { styleDialog(i, true); });
        if (i < 4) {
            cmPrg[i] = new QPushButton(QStringLiteral("段落"), this);
            grid->addWidget(cmPrg[i], i, 3);
            connect(cmPrg[i], &QPushButton::clicked, this, [this, i] { styleDialog(i, false); });
        }
    }
    const QStringList alignments = {QStringLiteral("左寄せ"), QStringLiteral("中央合わせ"), QStringLiteral("右寄せ")};
    struct Row {
        RichTextEdit **edit;
        RichView **view;
        QComboBox **list;
        const char *word;
    };
    const Row rows[2] = {{&tHead, &m_head, &cbHead, "Header"}, {&tFoot, &m_foot, &cbFoot, "Footer"}};
    for (int r = 0; r < 2; ++r) {
        *rows[r].view = sample(*rows[r].edit, QString::fromLatin1(rows[r].word));
        (*rows[r].view)->setFixedHeight(40);
        grid->addWidget(*rows[r].view, 6 + r, 0);
        auto *font = new QPushButton(QStringLiteral("ﾌｫﾝﾄ"), this);
        grid->addWidget(font, 6 + r, 2);
        *rows[r].list = new QComboBox(this);
        (*rows[r].list)->addItems(alignments);
        grid->addWidget(*rows[r].list, 6 + r, 1);
        RichTextEdit *edit = *rows[r].edit;
        RichView *view = *rows[r].view;
        connect(font, &QPushButton::clicked, this, [edit, view] {
            edit->select(0, -1);
            view->showModelCaret();
            view->fontDialog();
            edit->setSelLength(0);
        });
        connect(*rows[r].list, &QComboBox::activated, this, [edit](int entry) {
            edit->select(0, -1);
            edit->setAlignment(alignmentOf(entry));
            edit->setSelLength(0);
        });
    }
    ckLF[0] = new QCheckBox(QStringLiteral("最初は見出1"), this);
    ckLF[1] = new QCheckBox(QStringLiteral("本文はEnter= <br>"), this);
    ckLF[1]->setToolTip(QStringLiteral("見出し以外では、Enter入力で、ﾊﾟﾗｸﾞﾗﾌは区切らずに <br>"));
    grid->addWidget(ckLF[0], 8, 0);
    grid->addWidget(ckLF[1], 9, 0);
    cbLine = new QComboBox(this);
    cbLine->setEditable(true);
    for (int i = 1; i <= 10; ++i)
        cbLine->addItem(QString::number(1.0 + i / 10.0, 'f', 1));
    grid->addWidget(new QLabel(QStringLiteral("行間隔"), this), 8, 1);
    grid->addWidget(cbLine, 8, 2);
    grid->setColumnStretch(0, 1);
}

RichView *TxmUserStyles::sample(RichTextEdit *&edit, const QString &text)
{
    auto *page = new PageDocument(this);
    // A sample shows its words at the top left: the page margins would push them out of sight.
    PageSetup setup = page->pageSetup();
    setup.marginLeft = setup.marginTop = setup.marginRight = setup.marginBottom = 60;
    page->setPageSetup(setup);
    edit = new RichTextEdit(page, this);
    edit->setText(text);
    auto *view = new RichView(edit, this);
    view->setViewMode(0);
    return view;
}

QWidget *TxmUserStyles::headerView() const
{
    return m_head;
}

QWidget *TxmUserStyles::footerView() const
{
    return m_foot;
}

int TxmUserStyles::alignmentOf(int entry)
{
    return entry == 1 ? 2 : entry == 2 ? 1 : 0;
}

int TxmUserStyles::entryOf(int alignment)
{
    return alignment == 0 ? 0 : alignment == 2 ? 1 : alignment == 1 ? 2 : -1;
}

void TxmUserStyles::StyleSelect(int style)
{
    const QString word = QString::fromUtf8(Words[style]);
    tTxt->select(int(tTxt->text().indexOf(word)), int(word.size()));
    m_txt->showModelCaret();
    m_txt->setFocus();
}

void TxmUserStyles::loadPart(RichTextEdit *edit, QComboBox *list, const UsrFmt &r)
{
    edit->select(0, edit->textLength());
    edit->setAlignment(r.alignment);
    edit->setFontName(r.fontName);
    edit->setFontSize(r.fontSize);
    edit->setBold(r.bold != 0);
    edit->setForeColor(r.textColor);
    edit->setBackColor(r.backColor);
    edit->setSelLength(0);
    list->setCurrentIndex(entryOf(r.alignment));
}

void TxmUserStyles::load(const QString &)
{
    const std::array<UsrFmt, 8> &f = Frmt::st().usrFmt;
    QStringList lines;
    tTxt->setText(QStringLiteral("見出１\n見出２\n見出３\n本文 強調 補足"));
    for (int i = 0; i < 6; ++i) {
        const UsrFmt &r = f[i];
        StyleSelect(i);
        if (i < 3) {
            tTxt->setAlignment(r.alignment);
            tTxt->setFrameLineWidth(r.head2);
            tTxt->setFrameDistance(r.head3);
            tTxt->setFrameStyle(r.head4);
        }
        tTxt->setIndentLeft(r.dist1);
        tTxt->setSpaceBefore(r.dist2);
        tTxt->setSpaceAfter(r.dist3);
        tTxt->setIndentFirstLine(r.dist4);
        tTxt->setIndentRight(r.dist5);
        tTxt->setParaValue47(0);
        tTxt->setFontName(r.fontName);
        tTxt->setFontSize(r.fontSize);
        tTxt->setForeColor(r.textColor);
        tTxt->setBold(r.bold != 0);
        tTxt->setBackColor(r.backColor);
        tTxt->setUnderline(false);
    }
    tTxt->setSelLength(0);
    loadPart(tHead, cbHead, f[6]);
    loadPart(tFoot, cbFoot, f[7]);
    ckLF[0]->setChecked(Frmt::st().usrDtp);
    ckLF[1]->setChecked(Frmt::st().usrEntShift);
    const float factor = Frmt::st().lineFactor;
    cbLine->setEditText(factor >= 1.0f && factor <= 2.0f ? QString::number(double(factor)) : QStringLiteral("1.2"));
}

void TxmUserStyles::styleDialog(int style, bool font)
{
    StyleSelect(style);
    if (font)
        m_txt->fontDialog();
    else
        m_txt->paragraphDialog();
    tTxt->setSelLength(1);
}

void TxmUserStyles::storePart(RichTextEdit *edit, UsrFmt &r)
{
    edit->select(1, 0);
    r.alignment = qint16(edit->alignment());
    r.fontName = edit->fontName();
    r.fontSize = qint16(qRound(edit->fontSize()));
    r.textColor = edit->foreColor();
    r.bold = edit->bold() ? 1 : 0;
    r.backColor = edit->backColor();
}

void TxmUserStyles::CheckUserFonts(std::array<UsrFmt, 8> &f)
{
    int &b = f[3].fontSize;
    int &e = f[4].fontSize;
    if (!((b == 10 || b == 12 || b == 14) && e == b)) {
        Prompt::current().message(QStringLiteral("HTMに対応の場合､本文のﾌｫﾝﾄｻｲｽﾞは 10(x_small) 12(small) "
                                                 "14(medium)のいずれかとし\n本文と強調は同じｻｲｽﾞにしてさい"),
                                  Prompt::OkOnly);
        return;
    }
    int &h1 = f[0].fontSize;
    int &h2 = f[1].fontSize;
    int &h3 = f[2].fontSize;
    if (!(h1 > h2 && h2 > h3 && h3 >= b && h3 >= e && h3 >= 10)) {
        Prompt::current().message(QStringLiteral("見出しのﾌｫﾝﾄｻｲｽﾞ順に変えます"), Prompt::OkOnly);
        int body = qMin(b, 12);
        const int emphasis = qMin(e, 12);
        if (emphasis < body)
            body = emphasis;
        h3 = qMax(body + 1, 12);
        h2 = h3 + 1;
        h1 = h3 + 2;
        b = body;
        e = emphasis;
    }
    f[5].fontName = f[3].fontName;
    f[5].backColor = 0xFFFFFF;
}

bool TxmUserStyles::apply(QString &)
{
    std::array<UsrFmt, 8> f = Frmt::st().usrFmt;
    for (int i = 0; i < 6; ++i) {
        UsrFmt &r = f[i];
        StyleSelect(i);
        if (i < 3) {
            r.alignment = qint16(tTxt->alignment());
            r.head2 = qint16(tTxt->frameLineWidth());
            r.head3 = qint16(tTxt->frameDistance());
            r.head4 = qint16(tTxt->frameStyle());
        } else {
            r.alignment = 0;
            r.head2 = 0;
            r.head3 = 0;
            r.head4 = 7936;
        }
        r.dist1 = qint16(tTxt->indentLeft());
        r.dist2 = qint16(tTxt->spaceBefore());
        r.dist3 = qint16(tTxt->spaceAfter());
        r.dist4 = qint16(tTxt->indentFirstLine());
        r.dist5 = qint16(tTxt->indentRight());
        r.fontName = tTxt->fontName();
        r.fontSize = qint16(qRound(tTxt->fontSize()));
        r.textColor = tTxt->foreColor();
        r.backColor = tTxt->backColor();
        r.bold = tTxt->bold() ? 1 : 0;
    }
    storePart(tHead, f[6]);
    storePart(tFoot, f[7]);
    bool ok = false;
    const double factor = cbLine->currentText().trimmed().toDouble(&ok);
    CheckUserFonts(f);
    Frmt::st().usrFmt = f;
    Frmt::st().usrDtp = ckLF[0]->isChecked();
    Frmt::st().usrEntShift = ckLF[1]->isChecked();
    Frmt::st().lineFactor = ok && factor >= 1.0 && factor <= 2.0 ? float(factor) : 1.2f;
    Frmt::SaveFmt();
    return true;
}

QWidget *TxmUserStyles::firstFocus()
{
    return cmFont[0];
}
