#pragma once

#include "core/UsrFmt.h"
#include "editor/TxmModePage.h"

#include <array>

class QCheckBox;
class QComboBox;
class QPushButton;
class RichTextEdit;
class RichView;

// User styles mode: the six styles, the page header and footer looks, the line spacing and two
// typing options, each style shown on a sample word and changed with the sample's own font and
// paragraph dialogs. OK stores them in the database's format record and the settings.
class TxmUserStyles : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmUserStyles(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("ﾕｰｻﾞｰ定義書式"); }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;
    QWidget *firstFocus() override;

    void StyleSelect(int style);
    // The size rules for HTML output: warns, and puts the heading sizes in order when they are not.
    static void CheckUserFonts(std::array<UsrFmt, 8> &formats);
    // Alignment value of a list entry (0 left, 2 centre, 1 right) and back; -1 for none.
    static int alignmentOf(int entry);
    static int entryOf(int alignment);

    RichTextEdit *tTxt = nullptr;
    RichTextEdit *tHead = nullptr;
    RichTextEdit *tFoot = nullptr;
    QPushButton *cmFont[6] = {};
    QPushButton *cmPrg[4] = {};
    QComboBox *cbHead = nullptr;
    QComboBox *cbFoot = nullptr;
    QCheckBox *ckLF[2] = {};
    QComboBox *cbLine = nullptr;
    QWidget *headerView() const;
    QWidget *footerView() const;

private:
    RichView *sample(RichTextEdit *&edit, const QString &text);
    void loadPart(RichTextEdit *edit, QComboBox *list, const UsrFmt &record);
    void storePart(RichTextEdit *edit, UsrFmt &record);
    void styleDialog(int style, bool font);

    RichView *m_txt = nullptr;
    RichView *m_head = nullptr;
    RichView *m_foot = nullptr;
};
