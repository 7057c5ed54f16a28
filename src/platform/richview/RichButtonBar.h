#pragma once

#include <QToolBar>

#include <functional>

class QAction;
class RichView;

// The format buttons over the view: bold, italic, underline, the three alignments and the two list
// kinds. Their checked states follow the caret.
class RichButtonBar : public QToolBar
{
    Q_OBJECT
public:
    explicit RichButtonBar(RichView *view, QWidget *parent = nullptr);

    enum Button { Bold, Italic, Underline, AlignLeft, AlignCenter, AlignRight, Bullets, Numbers, Count };
    QAction *action(Button button) const { return m_actions[button]; }
    void refreshStates();
    // Runs a button's work inside the host's frame of a user command (the keys after it).
    using Runner = std::function<void(const std::function<void()> &work)>;
    void setRunner(Runner runner) { m_runner = std::move(runner); }

private:
    QAction *addButton(Button button, const QString &text, const QString &tip);
    void trigger(Button button, bool checked);
    void apply(Button button, bool checked);

    RichView *m_view;
    QAction *m_actions[Count] = {};
    Runner m_runner;
};
