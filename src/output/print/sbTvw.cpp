#include "output/print/sbTvw.h"

#include "core/Usr.h"
#include "editor/LoadWait.h"
#include "output/print/PageSurface.h"
#include "platform/desktop/MenuKeys.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PageRenderer.h"
#include "platform/richtext/PdfFile.h"
#include "platform/richtext/PictureDoor.h"
#include "platform/richview/RichView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

struct Paper {
    double shortSide, longSide;
    int code;
};
constexpr Paper Papers[] = {
    {11906, 16838, 9}, {8300, 11900, 11}, {10318, 14581, 13}, {5666, 8386, 43}, {12240, 15840, 1}};

constexpr int Shadow = 100;
constexpr int ZoomSteps[6] = {50, 75, 100, 150, 200, 300};
constexpr double ScreenPixelsPerInch = 96.0;

} // namespace

sbTvw &sbTvw::instance()
{
    static sbTvw *window = nullptr;
    if (!window) {
        window = new sbTvw;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] {
            delete window;
            window = nullptr;
        });
    }
    return *window;
}

sbTvw::sbTvw(QWidget *parent)
    : QDialog(parent)
    , m_printer(QPrinter::HighResolution)
{
    setObjectName(QStringLiteral("sbTvw"));
    setWindowTitle(QStringLiteral("ﾍﾟｰｼﾞﾋﾞｭｰ"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    // The keys stand on the page shown when no menu has them: an Escape out of the menu bar gives them
    // back there, where the bar would keep them, unseen, and take the next letter.
    m_client->setFocusPolicy(Qt::StrongFocus);
    m_client->setAutoFillBackground(true);
    QPalette grey = m_client->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_client->setPalette(grey);
    layout->addWidget(m_client, 1);
    for (QWidget *&shadow : m_shadow) {
        shadow = new QWidget(m_client);
        shadow->setAutoFillBackground(true);
        QPalette dark = shadow->palette();
        dark.setColor(QPalette::Window, QColor(64, 64, 64));
        shadow->setPalette(dark);
    }
    m_surface = new PageSurface(m_client, [this](QPainter &painter) { paintPage(painter); });
    m_surface->setObjectName(QStringLiteral("pcTxt"));
    buildMenus();
    m_printer.setFullPage(true);
}

sbTvw::~sbTvw() = default;

void sbTvw::buildMenus()
{
    auto *bar = new QMenuBar(this);
    layout()->setMenuBar(bar);
    MenuKeys::watchBar(bar);
    const QStringList captions = {QStringLiteral("操作(&F)"), QStringLiteral("ﾍﾟ-ｼﾞ(&P)"), QStringLiteral("ｽﾞｰﾑ(&Z)")};
    const QList<QStringList> items = {
        {QStringLiteral("印刷"), QStringLiteral("-"), QStringLiteral("閉じる(&X)")},
        {QStringLiteral("最初(&F)"), QStringLiteral("前(&P)"), QStringLiteral("次(&N)"), QStringLiteral("最後(&L)")},
        {QStringLiteral("50%"), QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("150%"),
         QStringLiteral("200%"), QStringLiteral("300%"), QStringLiteral("-"), QStringLiteral("ﾍﾟｰｼﾞ全体")}};
    for (int m = 0; m < 3; ++m) {
        QMenu *menu = bar->addMenu(captions[m]);
        for (int i = 0; i < items[m].size(); ++i) {
            QAction *action = items[m][i] == QLatin1String("-") ? menu->addSeparator() : menu->addAction(items[m][i]);
            connect(action, &QAction::triggered, this, [this, m, i] {
                if (m == 0)
                    mnFile(i);
                else if (m == 1)
                    mnPage(i);
                else
                    mnZoom(i);
            });
            m_items[m].append(action);
        }
    }
}

QAction *sbTvw::menuAction(int menu, int index) const
{
    return menu >= 0 && menu < 3 ? m_items[menu].value(index) : nullptr;
}

QString sbTvw::defaultSettingsFile()
{
    return Usr::st().userData + QStringLiteral("Page.prndt");
}

bool sbTvw::bNearSz(double a, double b, double ra, double rb)
{
    return std::abs(1 - a / ra) < 0.02 && std::abs(1 - b / rb) < 0.02;
}

int sbTvw::ChkPaper(const PageSetup &setup)
{
    const double width = setup.landscape ? setup.height : setup.width;
    const double height = setup.landscape ? setup.width : setup.height;
    for (const Paper &paper : Papers) {
        if (bNearSz(width, height, paper.shortSide, paper.longSide))
            return paper.code;
    }
    return PrinterRecord::UserPaper;
}

QRect sbTvw::fitBox(const QSize &client, const QSize &page)
{
    const double pw = qMax(1, page.width());
    const double ph = qMax(1, page.height());
    const double byWidth = client.width() / pw;
    const double byHeight = client.height() / ph;
    const double scale = (byHeight < byWidth ? byHeight : byWidth) * 0.9;
    const double width = pw * scale;
    const double height = ph * scale;
    // Rounded halves to even, as the layout of the original window did.
    return QRect(int(std::nearbyint((client.width() - width) / 2)), int(std::nearbyint((client.height() - height) / 2)),
                 int(std::nearbyint(width)), int(std::nearbyint(height)));
}

QRect sbTvw::zoomBox(const QSize &client, const QRect &fitted, int fitZoom, int zoom)
{
    const double factor = double(zoom) / qMax(1, fitZoom);
    const int width = int(std::nearbyint(factor * fitted.width()));
    const int height = int(std::nearbyint(factor * fitted.height()));
    return QRect(qMax(0, int(std::nearbyint((client.width() - width) / 2.0))),
                 qMax(0, int(std::nearbyint((client.height() - height) / 2.0))), width, height);
}

double sbTvw::twipsPerPixelX() const
{
    return 1440.0 / qMax(1, logicalDpiX());
}

double sbTvw::twipsPerPixelY() const
{
    return 1440.0 / qMax(1, logicalDpiY());
}

QSize sbTvw::clientTwips() const
{
    return QSize(int(std::nearbyint(m_client->width() * twipsPerPixelX())),
                 int(std::nearbyint(m_client->height() * twipsPerPixelY())));
}

QRect sbTvw::pageBox() const
{
    const QRect g = m_surface->geometry();
    return QRect(int(std::nearbyint(g.x() * twipsPerPixelX())), int(std::nearbyint(g.y() * twipsPerPixelY())),
                 int(std::nearbyint(g.width() * twipsPerPixelX())), int(std::nearbyint(g.height() * twipsPerPixelY())));
}

bool sbTvw::run(QDialog &dialog)
{
    if (m_runner)
        return m_runner(dialog);
    return dialog.exec() == QDialog::Accepted;
}

void sbTvw::cAct(PageDocument &page, RichView *view, const QString &sImgFL, const QString &sFL)
{
    m_doc = &page;
    m_view = view;
    m_weight = LoadWait::pageWeight(page);
    m_paperCode = ChkPaper(page.pageSetup());
    SetPrnFL(sFL, false);
    SetTvModeAndCount();

    // Thirteen fifteenths of the main window, inside it; centred on the screen when the main window
    // is minimised or maximised.
    QWidget *main = view ? view->window() : QApplication::activeWindow();
    const QRect screen = (main && main->screen() ? main->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    if (main && main != this) {
        const QRect frame = main->frameGeometry();
        const int width = frame.width() * 13 / 15;
        const int height = frame.height() * 13 / 15;
        if (main->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
            setGeometry(screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2,
                        width, height);
        else
            setGeometry(frame.x() + frame.width() / 15, frame.y() + frame.height() / 15, width, height);
    } else {
        resize(screen.width() * 13 / 15, screen.height() * 13 / 15);
    }
    layout()->activate();

    const PageSetup &setup = page.pageSetup();
    const QSize paper(qMax(1, setup.width), qMax(1, setup.height));
    m_box = fitBox(clientTwips(), paper);
    MovePage(m_box, Shadow);
    m_fitZoom = int(std::nearbyint(qMin(m_box.height() * 100.0 / paper.height(), m_box.width() * 100.0 / paper.width())));
    m_zoom = m_fitZoom;
    m_page = 1;
    m_picture = QImage();
    SetPgMenu();
    QByteArray picture;
    if (!sImgFL.isEmpty() && PictureDoor::readFile(sImgFL, picture))
        m_picture = PictureDoor().take(PictureDoor::look(picture));
    QApplication::restoreOverrideCursor();
    run(*this);
    m_picture = QImage();
    RstTvMode();
    m_doc = nullptr;
    m_view = nullptr;
}

void sbTvw::closeEvent(QCloseEvent *event)
{
    m_picture = QImage();
    QDialog::closeEvent(event);
}

void sbTvw::SetTvMode()
{
    m_switched = false;
    if (!m_view)
        return;
    if (m_view->viewMode() != 2) {
        m_view->setViewMode(2);
        m_switched = true;
    }
    if (m_view->viewMode() == 3)
        m_view->setViewMode(0);
}

// The page is laid out anew, in pages: a large one under the wait window.
void sbTvw::SetTvModeAndCount()
{
    const LoadWait wait(m_weight);
    SetTvMode();
    m_pageCount = PageRenderer(*m_doc).pageCount();
}

void sbTvw::RstTvMode()
{
    if (m_switched && m_view) {
        const LoadWait wait(m_weight);
        m_view->setViewMode(0);
    }
    m_switched = false;
}

void sbTvw::MovePage(const QRect &box, int shadow)
{
    const double x = twipsPerPixelX();
    const double y = twipsPerPixelY();
    const auto px = [x, y](double left, double top, double width, double height) {
        return QRect(int(std::nearbyint(left / x)), int(std::nearbyint(top / y)), int(std::nearbyint(width / x)),
                     int(std::nearbyint(height / y)));
    };
    m_surface->setGeometry(px(box.x(), box.y(), box.width(), box.height()));
    m_shadow[0]->setGeometry(px(box.x() + box.width(), box.y() + shadow, shadow, box.height()));
    m_shadow[1]->setGeometry(px(box.x() + shadow, box.y() + box.height(), box.width(), shadow));
}

void sbTvw::SetPgMenu()
{
    m_items[1][1]->setEnabled(m_page > 1);
    m_items[1][2]->setEnabled(m_page < m_pageCount);
    m_items[1][3]->setEnabled(m_page < m_pageCount);
}

void sbTvw::paintPage(QPainter &painter)
{
    if (!m_picture.isNull())
        painter.drawImage(QRect(QPoint(0, 0), m_surface->size()), m_picture);
    if (!m_doc || m_page < 1 || m_page > PageRenderer(*m_doc).pageCount())
        return;
    const double scale = m_zoom / 100.0;
    painter.scale(scale * logicalDpiX() / ScreenPixelsPerInch, scale * logicalDpiY() / ScreenPixelsPerInch);
    PageRenderer(*m_doc).drawPage(&painter, m_page);
}

void sbTvw::mnPage(int index)
{
    if (index == 0)
        m_page = 1;
    else if (index == 1)
        --m_page;
    else if (index == 2)
        ++m_page;
    else if (index == 3)
        m_page = m_pageCount;
    if (m_page < 1)
        m_page = 1;
    if (m_page > m_pageCount)
        m_page = m_pageCount;
    SetPgMenu();
    m_surface->update();
}

void sbTvw::mnZoom(int index)
{
    if (index == 7) {
        m_zoom = m_fitZoom;
        MovePage(m_box, Shadow);
    } else if (index >= 0 && index < 6) {
        m_zoom = ZoomSteps[index];
        MovePage(zoomBox(clientTwips(), m_box, m_fitZoom, m_zoom), Shadow);
    } else {
        return;
    }
    m_surface->update();
}

void sbTvw::mnFile(int index)
{
    if (index == 0)
        PrnPages(false);
    else
        close();
}

// --- printer settings file

void sbTvw::SetPrnFL(const QString &sFL, bool asIs)
{
    if (asIs)
        m_file = sFL;
    else
        m_file = !sFL.isEmpty() && QFile::exists(sFL) ? sFL : defaultSettingsFile();
}

void sbTvw::selectPrinter(const QString &name, bool prefix)
{
    const QString sought = name.trimmed().toUpper();
    if (sought.isEmpty())
        return;
    const auto cut = [&](const QString &device) { return prefix ? device.left(sought.size()).toUpper() : device.toUpper(); };
    if (cut(m_printer.printerName()) == sought)
        return;
    for (const QPrinterInfo &info : QPrinterInfo::availablePrinters()) {
        if (cut(info.printerName()) == sought) {
            m_printer.setPrinterName(info.printerName());
            return;
        }
    }
}

bool sbTvw::LoadPrn(const QString &file)
{
    // A file of another length is no settings record: the current printer's settings stand in.
    if (!m_record.read(file))
        m_record.GetPrnDm(m_printer);
    const PageSetup &setup = m_doc->pageSetup();
    m_record.setDocumentPaper(m_paperCode, setup);
    // A name stored cut to 32 bytes still finds its printer by its beginning.
    selectPrinter(m_record.deviceName(), true);
    m_record.PutPrnDm(m_printer, m_paperCode, setup);
    return true;
}

bool sbTvw::SavePrn()
{
    m_record.GetPrnDm(m_printer);
    if (m_file.isEmpty())
        m_file = defaultSettingsFile();
    const bool ok = m_record.write(m_file);
    if (ok && m_file != defaultSettingsFile() && !QFile::exists(defaultSettingsFile()))
        QFile::copy(m_file, defaultSettingsFile());
    return ok;
}

// --- printing

void sbTvw::PrnDlg(int &copies, int flags, int &first, int &last)
{
    first = 1;
    last = m_pageCount;
    if (QFile::exists(m_file))
        LoadPrn(m_file);
    else if (m_file == defaultSettingsFile() || !QFile::exists(defaultSettingsFile()))
        m_record.GetPrnDm(m_printer);
    else
        LoadPrn(defaultSettingsFile());
    const PageSetup &setup = m_doc->pageSetup();
    m_record.setDocumentPaper(m_paperCode, setup);
    m_record.PutPrnDm(m_printer, m_paperCode, setup);
    bool accepted = false;
    if (flags & 0x40) {
        QPageSetupDialog dialog(&m_printer, this);
        accepted = run(dialog);
    } else {
        m_printer.setCopyCount(qMax(1, copies));
        QPrintDialog dialog(&m_printer, this);
        dialog.setMinMax(1, m_pageCount);
        dialog.setFromTo(1, m_pageCount);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        accepted = run(dialog);
        if (accepted && dialog.printRange() == QAbstractPrintDialog::PageRange && dialog.fromPage() > 0) {
            first = dialog.fromPage();
            last = qMax(first, dialog.toPage());
        }
    }
    if (accepted) {
        const int chosen = m_printer.copyCount();
        m_record.GetPrnDm(m_printer);
        m_record.setValue16(PrinterRecord::Copies, chosen);
        copies = qMax(1, chosen);
    } else {
        copies = 0;
    }
    m_record.PutPrnDm(m_printer, m_paperCode, setup);
}

bool sbTvw::PrnPages(bool useSaved)
{
    int copies = 1;
    int first = 1;
    int last = m_pageCount;
    if (useSaved && QFile::exists(m_file))
        LoadPrn(m_file);
    else
        PrnDlg(copies, 0, first, last);
    if (copies == 0)
        return true;
    const int zoom = m_zoom;
    m_zoom = 100;
    bool ok = false;
    QString why;
    {
        const LoadWait wait(m_weight);
        ok = printCopies(copies, qBound(1, first, m_pageCount), qBound(1, last, m_pageCount), why);
    }
    m_zoom = zoom;
    m_surface->update();
    if (!ok) {
        const QString target = m_printer.outputFileName().isEmpty() ? m_printer.printerName() : m_printer.outputFileName();
        Prompt::current().message(QStringLiteral("印刷できませんでした") + u'\n' + target + (why.isEmpty() ? QString() : u'\n' + why),
                                  Prompt::OkOnly);
    }
    return ok;
}

bool sbTvw::printCopies(int copies, int first, int last, QString &why)
{
    // The copies are printed here, one print job each; the printer must not multiply them again.
    m_printer.setCopyCount(1);
    m_printer.setFullPage(true);
    // A file holds one job: its copies go into it one after the other instead of replacing each other.
    const QString target = m_printer.outputFileName();
    if (target.isEmpty())
        return drawCopies(copies, first, last, false);
    // The printer's PDF engine says nothing of a write that failed (a full disk): the file is
    // written beside the old one and replaces it only when it is whole.
    PdfFile file(target);
    if (file.path().isEmpty()) {
        why = file.why();
        return false;
    }
    m_printer.setOutputFileName(file.path());
    const bool drawn = drawCopies(copies, first, last, true);
    m_printer.setOutputFileName(target);
    if (drawn && !file.commit())
        why = file.why();
    return drawn && why.isEmpty();
}

bool sbTvw::drawCopies(int copies, int first, int last, bool toFile)
{
    const PageRenderer renderer(*m_doc);
    QPainter painter;
    for (int copy = 1; copy <= copies; ++copy) {
        if (!painter.isActive() && !painter.begin(&m_printer))
            return false;
        for (int page = first; page <= last; ++page) {
            if ((page > first || (toFile && copy > 1)) && !m_printer.newPage()) {
                painter.end();
                return false;
            }
            painter.save();
            painter.scale(m_printer.logicalDpiX() / ScreenPixelsPerInch, m_printer.logicalDpiY() / ScreenPixelsPerInch);
            renderer.drawPage(&painter, page);
            painter.restore();
        }
        if ((!toFile || copy == copies) && (!painter.end() || m_printer.printerState() == QPrinter::Error))
            return false;
    }
    return true;
}

bool sbTvw::cPrint(PageDocument &page, RichView *view, bool bRet, const QString &sFL)
{
    m_doc = &page;
    m_view = view;
    m_weight = LoadWait::pageWeight(page);
    m_paperCode = ChkPaper(page.pageSetup());
    SetPrnFL(sFL, false);
    SetTvModeAndCount();
    m_paperCode = ChkPaper(page.pageSetup());
    const bool ok = PrnPages(bRet);
    RstTvMode();
    m_doc = nullptr;
    m_view = nullptr;
    return ok;
}

void sbTvw::cSetPrn(PageDocument &page, RichView *view, const QString &sFL)
{
    m_doc = &page;
    m_view = view;
    m_paperCode = ChkPaper(page.pageSetup());
    SetPrnFL(sFL.isEmpty() ? defaultSettingsFile() : sFL, true);
    m_pageCount = PageRenderer(page).pageCount();
    int copies = 1;
    int first = 0;
    int last = 0;
    PrnDlg(copies, 0x40, first, last);
    if (!SavePrn())
        Prompt::current().message(m_file + QStringLiteral(" を保存できませんでした"), Prompt::OkOnly);
    m_doc = nullptr;
    m_view = nullptr;
}
