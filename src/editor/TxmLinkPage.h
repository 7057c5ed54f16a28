#pragma once

#include "editor/TxmModePage.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

// Link mode: the caption and the target of a link field, with browsing for a file or a saved
// internet shortcut. Answer: caption TAB target. On an object there is no caption.
class TxmLinkPage : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmLinkPage(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("ﾘﾝｸ先の設定"); }
    void setObjectLink(bool objectLink);
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;
    QWidget *firstFocus() override;

    // Browsing: 0 a file, 1 an internet shortcut ("*.url" or "*.desktop"), 2 the browser's search page.
    void browse(int index);
    // The caption proposed for a chosen file: its name and its size in KB with digit grouping.
    static QString fileCaption(const QString &path);
    // The address of an internet shortcut text: after the first "URL=" up to the line end.
    static QString shortcutAddress(const QString &text);

    QLineEdit *txTarget = nullptr;   // txLnk(0)
    QLineEdit *txCaption = nullptr;  // txLnk(1)
    QLabel *lbCaption = nullptr;
    QCheckBox *chLnkHg = nullptr;
    QToolButton *cmLnk[3] = {};
    QLabel *lbMsg = nullptr;

private:
    void switchRule();

    QString m_given;
    QString m_browsed;
    QString m_folder;
};
