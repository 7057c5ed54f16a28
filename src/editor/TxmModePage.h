#pragma once

#include <QWidget>

class uTxm;

// One page of the editor's settings dialog: it fills itself from the incoming answer text (or from
// the editor and the settings), checks and applies the user's choice on OK, and says which control
// takes the focus when the dialog opens.
class TxmModePage : public QWidget
{
    Q_OBJECT
public:
    explicit TxmModePage(uTxm &editor, QWidget *parent = nullptr)
        : QWidget(parent), m_editor(editor)
    {
    }

    virtual QString caption() const = 0;
    virtual void load(const QString &answerIn) = 0;
    // OK: false keeps the dialog open (the page has told the user why). `answer` gets the page's
    // answer text where its mode has one.
    virtual bool apply(QString &answer) = 0;
    virtual QWidget *firstFocus() { return nullptr; }
    // The page has its own buttons instead of OK and Cancel.
    virtual bool ownButtons() const { return false; }

signals:
    // The page wants the dialog closed as by OK (a chosen file finishes the link page).
    void okRequested();
    // The page's values allow OK, or no longer do.
    void okAllowed(bool allowed);

protected:
    uTxm &m_editor;
};
