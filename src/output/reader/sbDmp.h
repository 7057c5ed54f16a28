#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class PageDocument;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class RichTextEdit;
class RichView;

// The read-through window: a range of pages either as one text (every page a bold numbered heading
// and its plain text, to copy to the clipboard) or one formatted page at a time with navigation,
// zoom, view mode and a timed advance. Its place and, in page mode, its lists are kept in the settings
// groups "DMP1_位置" and "DMP2_位置". Keys of a range are "parent-child" (OutputRange).
class sbDmp : public QDialog
{
    Q_OBJECT
public:
    explicit sbDmp(QWidget *parent = nullptr);
    ~sbDmp() override;

    // One text of the placements `sKys` numbered by the outline numbers `sNos`; modal.
    void ActT(const QString &sKys, const QString &sNos);
    // Page by page; returns the page chosen with "頁選択", or 0. Returns 0 without showing the window
    // when the first page cannot be shown.
    qint64 ActP(const QString &sKys);

    // Builds the one text into the editor (no window).
    void MakeTxt(const QString &sKys, const QString &sNos);
    // Shows the page at a list position; false when it could not be read.
    bool ShowPg(int position, bool cached);
    void SetAuto();
    void cmRet(int index);
    void cmExit(int index);
    void cbZoomClick();
    void cbPageClick();
    void Timer1Tick();
    void Timer2Tick();

    // What tests look at and drive.
    int iMode = 0;
    bool bAuto = false;
    int iIdx = 0;
    int iLast = -1;
    QStringList sPgs;
    qint64 nRet = 0;
    int iKey = 0;
    RichView *view() const { return m_view; }
    PageDocument *page() const { return m_page; }
    QPushButton *button(int index) const { return m_ret[index]; } // 0-3 navigation, 4-5 exit
    QCheckBox *autoBox() const { return m_auto; }
    QComboBox *timeList() const { return m_time; }
    QComboBox *zoomList() const { return m_zoom; }
    QComboBox *pageList() const { return m_mode; }
    QTimer *advanceTimer() const { return m_timer1; }
    int viewMode() const { return m_viewMode; }
    // The text the clipboard button copies.
    QString plainText() const;

    // Shows this window modally; tests replace it.
    using Runner = std::function<void(sbDmp &)>;
    void setRunner(Runner runner) { m_runner = std::move(runner); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void PosIni(bool write);
    void layoutControls();
    void fitTextToView();
    bool readPage(const QString &page);
    void showCached();
    void showPlainText();
    void runModal();
    void fixSize(QWidget *widget, int width, int height);
    int px(int twips, bool horizontal) const;
    int twips(int pixels, bool horizontal) const;

    PageDocument *m_page = nullptr;
    RichTextEdit *m_edit = nullptr;
    RichView *m_view = nullptr;
    QPushButton *m_ret[6] = {};
    QCheckBox *m_auto = nullptr;
    QComboBox *m_time = nullptr;
    QComboBox *m_zoom = nullptr;
    QComboBox *m_mode = nullptr;
    QLabel *m_pageLabel = nullptr;
    QLabel *m_zoomLabel = nullptr;
    QTimer *m_timer1 = nullptr;
    QTimer *m_timer2 = nullptr;
    QByteArray m_doc;    // the read-ahead page
    QString m_title;
    QString m_text;      // its plain text, shown when it has no document this program reads
    bool m_cacheOk = false;
    bool m_asking = false;
    int m_viewMode = 0;
    Runner m_runner;
};
