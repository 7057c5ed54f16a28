#pragma once

#include "editor/TxmModePage.h"

class QLabel;
class QListWidget;
class QPixmap;

// Table mode: rows and columns from 1 to 20 beside a picture of the table they make; OK inserts the table at
// the caret.
class TxmTablePage : public TxmModePage
{
    Q_OBJECT
public:
    explicit TxmTablePage(uTxm &editor, QWidget *parent = nullptr);
    QString caption() const override { return QStringLiteral("表の設定"); }
    void load(const QString &answerIn) override;
    bool apply(QString &answer) override;
    QWidget *firstFocus() override;

    QListWidget *rows() const { return m_rows; }
    QListWidget *columns() const { return m_columns; }
    QLabel *picture = nullptr;

private:
    void showChosenSize();
    QPixmap tablePicture(int rows, int columns) const;

    QListWidget *m_rows = nullptr;
    QListWidget *m_columns = nullptr;
};
