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
    picture->setPixmap(tablePicture());
    grid->addWidget(picture, 1, 2, Qt::AlignTop);
}

// The page's picture: a small table, rows and columns, drawn in the palette's colours.
QPixmap TxmTablePage::tablePicture() const
{
    QPixmap pixmap(97, 73);
    pixmap.fill(palette().color(QPalette::Base));
    QPainter painter(&pixmap);
    painter.fillRect(QRect(0, 0, 96, 18), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::WindowText));
    for (int y = 0; y <= 72; y += 18)
        painter.drawLine(0, y, 96, y);
    for (int x = 0; x <= 96; x += 32)
        painter.drawLine(x, 0, x, 72);
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
