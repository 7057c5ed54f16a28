#pragma once

#include "core/Usr.h"

#include <QMainWindow>

// The main window: page tree on the left, page editor on the right,
// function-key bar below.
class fmDoc : public QMainWindow, public MainWindowHost
{
    Q_OBJECT
public:
    explicit fmDoc(QWidget *parent = nullptr);

    QWidget *widget() override { return this; }
    // Database path and start page handed over by start-up; the load event opens them.
    void SetDBNo(const QString &path, int pageNo) override;

    QString dbPath() const { return m_dbPath; }
    int startPage() const { return m_startPage; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void load();
    void updateCaption();

    QString m_dbPath;
    int m_startPage = 0;
    bool m_loaded = false;
    bool m_closing = false;
};
