#pragma once

#include "output/print/PrinterRecord.h"

#include <QDialog>
#include <QImage>
#include <QPrinter>
#include <QRect>

#include <functional>

class PageDocument;
class PageSurface;
class QAction;
class QWidget;
class RichView;
struct PageSetup;

// The page view window: the editor's document one printed page at a time, fitted to the window with
// a drop shadow, zoom steps and page navigation; it also prints the document (print dialog or saved
// settings) and runs printer setup with the settings file "Page.prndt" of the user-data folder.
// One instance (instance()); the calls borrow the editor's page and view for their duration.
class sbTvw : public QDialog
{
    Q_OBJECT
public:
    static sbTvw &instance();
    explicit sbTvw(QWidget *parent = nullptr);
    ~sbTvw() override;

    // The window over `page` (its view, when given, is put into page layout for the time being);
    // `sImgFL` a background picture, `sFL` a settings file (empty: the default file).
    void cAct(PageDocument &page, RichView *view, const QString &sImgFL, const QString &sFL);
    // Prints the page: with `bRet` and an existing settings file without a dialog, else through the
    // print dialog. Returns false when printing failed (the user has been told).
    bool cPrint(PageDocument &page, RichView *view, bool bRet, const QString &sFL);
    // Printer setup; the settings file is written whether the dialog was confirmed or cancelled.
    void cSetPrn(PageDocument &page, RichView *view, const QString &sFL);

    // Paper matching: the paper code (9 A4, 11 A5, 13 B5, 43 postcard, 1 Letter, 256 any other).
    static int ChkPaper(const PageSetup &setup);
    static bool bNearSz(double a, double b, double ra, double rb);
    // The fitted page box inside a client area (all in twips): nine tenths of the limiting side.
    static QRect fitBox(const QSize &client, const QSize &page);
    // The box of a zoom step, centred, pinned at the top left when larger than the client area.
    static QRect zoomBox(const QSize &client, const QRect &fitted, int fitZoom, int zoom);

    // What the window shows; tests read them.
    int paperCode() const { return m_paperCode; }
    int fitZoom() const { return m_fitZoom; }
    int zoom() const { return m_zoom; }
    int currentPage() const { return m_page; }
    int pageCount() const { return m_pageCount; }
    QRect pageBox() const; // the page surface in the client area, twips
    QAction *menuAction(int menu, int index) const; // 0 operation, 1 page, 2 zoom
    QWidget *client() const { return m_client; }

    // The current printer of the program; tests point it at a PDF file.
    QPrinter &printer() { return m_printer; }
    const PrinterRecord &record() const { return m_record; }
    QString settingsFile() const { return m_file; }
    static QString defaultSettingsFile();

    // Shows a dialog modally (this window, the print and setup dialogs); tests replace it.
    using DialogRunner = std::function<bool(QDialog &)>;
    void setDialogRunner(DialogRunner runner) { m_runner = std::move(runner); }

    void mnPage(int index);
    void mnZoom(int index);
    void mnFile(int index);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void SetPrnFL(const QString &sFL, bool asIs);
    void SetTvMode();
    void SetTvModeAndCount();
    void RstTvMode();
    void MovePage(const QRect &box, int shadow);
    void SetPgMenu();
    void paintPage(QPainter &painter);
    bool LoadPrn(const QString &file);
    bool SavePrn();
    void selectPrinter(const QString &name, bool prefix);
    bool PrnPages(bool useSaved);
    void PrnDlg(int &copies, int flags, int &first, int &last);
    // Prints the copies; a file is put in place only whole, else `why` says what failed.
    bool printCopies(int copies, int first, int last, QString &why);
    bool drawCopies(int copies, int first, int last, bool toFile);
    QSize clientTwips() const;
    double twipsPerPixelX() const;
    double twipsPerPixelY() const;
    bool run(QDialog &dialog);

    PageDocument *m_doc = nullptr;
    RichView *m_view = nullptr;
    int m_paperCode = 256;
    int m_fitZoom = 100;
    int m_zoom = 100; // the zoom pages are drawn at, here and in printing
    int m_page = 1;
    int m_pageCount = 1;
    qint64 m_weight = 0; // of laying out the page (LoadWait)
    QImage m_picture;
    QRect m_box; // the fitted box, twips
    bool m_switched = false;
    QString m_file;
    PrinterRecord m_record;
    QPrinter m_printer;
    QWidget *m_client = nullptr;
    PageSurface *m_surface = nullptr;
    QWidget *m_shadow[2] = {nullptr, nullptr};
    QList<QAction *> m_items[3];
    DialogRunner m_runner;
};
