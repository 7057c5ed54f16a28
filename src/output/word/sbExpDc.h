#pragma once

#include <QDialog>

#include <functional>

class QButtonGroup;
class QGroupBox;
class QLabel;

// The options of the document output: the range (all pages, the node and its children, the node and
// everything below) and the form (text, or one of three Word layouts), with the alternative address
// of the home settings shown for the Word forms. Starts from its design defaults every time.
class sbExpDc : public QDialog
{
    Q_OBJECT
public:
    explicit sbExpDc(QWidget *parent = nullptr);

    // Shows the dialog: iRet 0 when cancelled (iTr unchanged), else the form + 1 (1 text, 2 to 4
    // Word) and iTr the range. `homeMode` and `homeUrl` are the loaded home settings; without
    // `wordForms` only the text form can be chosen.
    static void Act(int &iRet, int &iTr, int homeMode, const QString &homeUrl, bool wordForms = true,
                    QWidget *parent = nullptr);

    QButtonGroup *ranges() const { return m_out; }
    QButtonGroup *forms() const { return m_doc; }
    QGroupBox *urlPanel() const { return m_urlPanel; }
    QLabel *message() const { return m_msg; }
    QLabel *siteLabel(int index) const { return m_site[index]; }

    // Shows the dialog modally; tests replace it.
    using Runner = std::function<bool(sbExpDc &)>;
    static void setRunner(Runner runner);

private:
    void formClicked(int index);

    QButtonGroup *m_out = nullptr;
    QButtonGroup *m_doc = nullptr;
    QGroupBox *m_urlPanel = nullptr;
    QLabel *m_site[2] = {};
    QLabel *m_msg = nullptr;
};
