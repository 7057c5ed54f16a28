#include "editor/TxmTablePage.h"

#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

TxmTablePage::TxmTablePage(uTxm &editor, QWidget *parent)
    : TxmModePage(editor, parent)
{
    auto *grid = new QGridLayout(this);
    m_rows = new QListWidget(this);
    m_columns = new QListWidget(this);
    m_rows->setObjectName(QStringLiteral("lstRw"));
    m_columns->setObjectName(QStringLiteral("LstCL"));
    for (int i = 1; i <= 20; ++i) {
        const QString entry = QStringLiteral("%1").arg(i, 2);
        m_rows->addItem(entry);
        m_columns->addItem(entry);
    }
    grid->addWidget(new QLabel(QStringLiteral("行数"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("列数"), this), 0, 1);
    grid->addWidget(m_rows, 1, 0);
    grid->addWidget(m_columns, 1, 1);
    picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("tablePicture"));
    grid->addWidget(picture, 1, 2, Qt::AlignTop);
    connect(m_rows, &QListWidget::currentRowChanged, this, &TxmTablePage::showChosenSize);
    connect(m_columns, &QListWidget::currentRowChanged, this, &TxmTablePage::showChosenSize);
    showChosenSize();
}

void TxmTablePage::showChosenSize()
{
    picture->setPixmap(tablePicture(qMax(1, m_rows->currentRow() + 1), qMax(1, m_columns->currentRow() + 1)));
}

// The page's picture: the table the OK button inserts, its rows and columns, the first row shaded,
// drawn in the palette's colours.
QPixmap TxmTablePage::tablePicture(int rows, int columns) const
{
    constexpr int Width = 96;
    constexpr int Height = 72;
    QPixmap pixmap(Width + 1, Height + 1);
    pixmap.fill(palette().color(QPalette::Base));
    QPainter painter(&pixmap);
    painter.fillRect(QRect(0, 0, Width, Height / rows), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::WindowText));
    for (int r = 0; r <= rows; ++r)
        painter.drawLine(0, r * Height / rows, Width, r * Height / rows);
    for (int c = 0; c <= columns; ++c)
        painter.drawLine(c * Width / columns, 0, c * Width / columns, Height);
    return pixmap;
}

void TxmTablePage::load(const QString &)
{
    m_rows->setCurrentRow(4);
    m_columns->setCurrentRow(0);
}

bool TxmTablePage::apply(QString &)
{
    const int rows = m_rows->currentItem() ? m_rows->currentItem()->text().trimmed().toInt() : 0;
    const int columns = m_columns->currentItem() ? m_columns->currentItem()->text().trimmed().toInt() : 0;
    if (rows > 0 && columns > 0)
        m_editor.edit().insertTable(rows, columns);
    return true;
}

QWidget *TxmTablePage::firstFocus()
{
    return m_rows;
}
