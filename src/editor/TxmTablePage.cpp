#include "editor/TxmTablePage.h"

#include "editor/uTxm.h"
#include "platform/richtext/RichTextEdit.h"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>

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
