#pragma once

#include <QWidget>

class QLabel;

// The wait window: one line of text while a long job runs. While it is shown
// the process-wide busy flag is set, so that close, tree and editor handlers
// leave the job alone.
class sbWait : public QWidget
{
    Q_OBJECT
public:
    // Shows the window with `message`; an empty message is replaced by the
    // default text, in the caller's variable too. A second call only changes the text.
    static void cMsg(QString &message);
    static void cMsg(const QString &message);
    // Closes the window and gives the busy flag back the value it had before.
    static void cEnd();

    static bool isShown();
    static QString shownMessage();
    static QString defaultMessage();

private:
    sbWait();
    void placeOnLoad();

    QLabel *SSPanel1 = nullptr;
    bool m_busyBefore = false;
};
