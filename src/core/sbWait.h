#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

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
    // Shows the progress bar under the text at `done` of `total` (total 0 hides it) and lets
    // the windows repaint (user input waits). Without a shown window it does nothing.
    static void cProgress(int done, int total);
    static int progressValue();
    static int progressMaximum();

    static bool isShown();
    static QString shownMessage();
    static QString defaultMessage();

private:
    sbWait();
    void placeOnLoad();
    void showText(const QString &message);
    void drawNow();

    static constexpr int MinimumWidth = 380;
    static constexpr int ExposeWait = 500; // ms
    QString m_message;

    QLabel *SSPanel1 = nullptr;
    QProgressBar *m_bar = nullptr;
    bool m_busyBefore = false;
};
