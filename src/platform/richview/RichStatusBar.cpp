#include "platform/richview/RichStatusBar.h"

#include "platform/richview/RichView.h"

#include <QHBoxLayout>
#include <QLabel>

RichStatusBar::RichStatusBar(RichView *view, QWidget *parent)
    : QWidget(parent), m_view(view)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 4, 1);
    m_page = new QLabel;
    m_line = new QLabel;
    m_column = new QLabel;
    m_section = new QLabel;
    for (QLabel *label : {m_page, m_line, m_column, m_section}) {
        label->setFrameShape(QFrame::StyledPanel);
        label->setMinimumWidth(70);
        layout->addWidget(label);
    }
    layout->addStretch();
    connect(view, &RichView::caretMoved, this, &RichStatusBar::refreshStatus);
    connect(view, &RichView::changed, this, &RichStatusBar::refreshStatus);
    refreshStatus();
}

void RichStatusBar::refreshStatus()
{
    const QList<int> at = m_view->caretPosition();
    m_page->setText(QStringLiteral("ページ %1/%2").arg(at.value(0)).arg(m_view->pageCount()));
    m_line->setText(QStringLiteral("行 %1").arg(at.value(1)));
    m_column->setText(QStringLiteral("列 %1").arg(at.value(2)));
    // The page document has one section.
    m_section->setText(QStringLiteral("セクション 1"));
}

QString RichStatusBar::pageText() const { return m_page->text(); }
QString RichStatusBar::lineText() const { return m_line->text(); }
QString RichStatusBar::columnText() const { return m_column->text(); }
QString RichStatusBar::sectionText() const { return m_section->text(); }
