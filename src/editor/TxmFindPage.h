#pragma once

#include "editor/TxmModePage.h"

#include <QFont>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

// Find and replace on the editor's page while the dialog is open: find from the top, backwards or
// forwards; replace one, replace all (one undo step), replace with a format; undo one step. The
// search boxes keep a history (case-insensitive, newest first) for the life of the editor.
class TxmFindPage : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmFindPage(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("検索･置換"); }
    void setReplace(bool replace) { m_replace = replace; }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;
    QWidget *firstFocus() override;
    bool ownButtons() const override { return true; }

    void selectTab(int tab); // 0 find, 1 replace, 2 replace with format
    int currentTab() const;
    void find(int button);        // 0 from the top, 1 previous, 2 next
    void replace(int button);     // 0 replace, 1 replace all, 2 next
    void replaceFormat(int button);
    void undo();
    void convert(int index);      // 0 full width, 1 half width, 2 upper, 3 lower, 4 proper
    // The look that replace with format writes: the font and the colours (COLORREF).
    void setReplaceLook(const QFont &font, int foreColour, int backColour);
    // The "ﾌｫﾝﾄ" button: the editor's font dialog chooses that look.
    void chooseFont();
    int lastPosition() const { return m_lastPos; }

    QTabWidget *srTab = nullptr;
    QComboBox *cbFnd[4] = {};
    QCheckBox *chMatch[3] = {};
    QPushButton *ssCom[3] = {};
    QPushButton *ssRep[3] = {};
    QPushButton *ssRpf[3] = {};
    QPushButton *ssUndo[2] = {};
    QPushButton *cmStrCnv[5] = {};
    QLineEdit *txFndR = nullptr;

private:
    static void remember(QComboBox *box);
    void replaceRun(int button, int box, int matchBox, int undoButton, bool withFormat);
    void replaceSelection(bool withFormat, const QString &replacement);
    void showCaret();

    bool m_replace = false;
    int m_lastPos = 0;
    QString m_lastFound;
    QFont m_font;
    int m_fore = 0;
    int m_back = 0xFFFFFF;
};
