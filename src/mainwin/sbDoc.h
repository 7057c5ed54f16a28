#pragma once

#include "mainwin/fmDoc.h"

// The second edit window: its own page tree, editor and key bar on the
// database the main window opened. It shares the connection, the settings
// store and the busy flag with the main window, and has no database-file,
// batch, page, settings, operations or help menu. Closing it ends nothing else.
class sbDoc : public fmDoc
{
    Q_OBJECT
public:
    explicit sbDoc(EditorServices *services = nullptr);
    ~sbDoc() override;

    // Opens (or opens again) on the main tree's expanded placements and active placement.
    void Act(const QString &sExp, const QString &sAct);
    void fnMenu(int group, int index) override;
    QAction *menuItem(int group, int index) const override;
    // The close routine; false when the user kept the page and the window.
    bool CloseWindow();
    void IniWindowSub(bool save);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void reduceMenus();
    void SetFkyCapSub();
    void OpenTree();

    bool m_closed = true;
};
