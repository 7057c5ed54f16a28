#pragma once

#include <QWidget>

class QLabel;
class RichView;

// The status row under the view: page, line and column of the caret, and the section.
class RichStatusBar : public QWidget
{
    Q_OBJECT
public:
    explicit RichStatusBar(RichView *view, QWidget *parent = nullptr);

    void refreshStatus();
    QString pageText() const;
    QString lineText() const;
    QString columnText() const;
    QString sectionText() const;

private:
    RichView *m_view;
    QLabel *m_page;
    QLabel *m_line;
    QLabel *m_column;
    QLabel *m_section;
};
