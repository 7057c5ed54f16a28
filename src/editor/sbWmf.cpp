#include "editor/sbWmf.h"

#include "core/Usr.h"
#include "platform/desktop/Prompt.h"
#include "platform/richtext/PictureDoor.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>

#include <cmath>

namespace {

constexpr double InchTwips = 1440.0;
constexpr int DotsPerMetre96 = 3780; // 96 dots per inch

} // namespace

sbWmf::sbWmf(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sbWmf"));
    setWindowTitle(QStringLiteral("ﾌｫｰﾑのｻｲｽﾞで画像ｻｲｽﾞを指定して下さい"));
    setModal(true);
    // The picture fills the window above the buttons; the layout is done by hand on each resize.
    Image1 = new QLabel(this);
    Image1->setScaledContents(false);
    cmRet[0] = new QPushButton(QStringLiteral("Ok(&O)"), this);
    cmRet[1] = new QPushButton(QStringLiteral("Cancel(&C)"), this);
    // Both buttons of one size, so that they stand side by side without covering each other.
    const QSize button = cmRet[0]->sizeHint().expandedTo(cmRet[1]->sizeHint());
    for (QPushButton *b : cmRet)
        b->resize(button);
    setMinimumWidth(buttonRowWidth());
    for (int i = 0; i < 2; ++i) {
        connect(cmRet[i], &QPushButton::clicked, this, [this, i] {
            // A failed write closes with false; only an error before the write keeps the window.
            press(i, m_target);
            done(m_result ? Accepted : Rejected);
        });
    }
}

sbWmf::~sbWmf() = default;

bool sbWmf::loadFile(const QString &file)
{
    m_image = QImage();
    m_svg.reset();
    m_why.clear();
    const QFileInfo info(file);
    if (!info.isFile()) {
        m_why = QStringLiteral("ﾌｧｲﾙがありません｡");
        return false;
    }
    if (!info.isReadable()) {
        m_why = QStringLiteral("ﾌｧｲﾙを読めません｡");
        return false;
    }
    if (info.size() == 0) {
        m_why = QStringLiteral("ﾌｧｲﾙが空です｡");
        return false;
    }
    // Told by its bytes, not by its name: a text named ".png" is no picture, a drawing named ".png" a
    // drawing.
    QByteArray bytes;
    PictureDoor::readFile(file, bytes);
    return loadLook(PictureDoor::look(bytes));
}

bool sbWmf::loadLook(const PictureDoor::Look &look)
{
    m_image = QImage();
    m_svg.reset();
    m_why.clear();
    if (look.isNull()) {
        m_why = QStringLiteral("画像の形式ではありません｡");
        return false;
    }
    const QString damaged = QStringLiteral("画像のﾃﾞｰﾀが壊れています｡");
    const QString tooLarge = QStringLiteral("画像が大きすぎます (%1×%2 ﾋﾟｸｾﾙ)｡").arg(look.size.width()).arg(look.size.height());
    if (look.format == "svg" && !look.size.isEmpty()) {
        // Drawn from the self-contained drawing at the size chosen: the pictures within it are decoded
        // once, when it is read, within the bounds.
        if (!PictureDoor::fits(look, QSize(1, 1))) {
            m_why = tooLarge;
            return false;
        }
        auto svg = std::make_unique<QSvgRenderer>(look.bytes);
        if (!svg->isValid() || svg->defaultSize().isEmpty()) {
            m_why = damaged;
            return false;
        }
        m_svg = std::move(svg);
        return true;
    }
    PictureDoor::Refusal why = PictureDoor::Taken;
    m_image = PictureDoor().take(look, &why);
    if (!m_image.isNull())
        return true;
    m_why = why == PictureDoor::NoPicture ? damaged : tooLarge;
    return false;
}

bool sbWmf::loadImage(const QImage &image)
{
    m_svg.reset();
    m_image = image;
    return !m_image.isNull();
}

QImage sbWmf::render(const QSize &size) const
{
    QImage out(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_svg)
        m_svg->render(&painter, QRectF(QPointF(0, 0), out.size()));
    else if (!m_image.isNull())
        painter.drawImage(QRect(QPoint(0, 0), out.size()), m_image);
    painter.end();
    return out;
}

void sbWmf::SetPic(int maxWidth, const QPoint &cursor, const QRect &area)
{
    const double dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const double dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96;
    const QSize natural = m_svg ? m_svg->defaultSize() : m_image.size();
    double w = std::round(natural.width() * InchTwips / dpiX);
    double h = std::round(natural.height() * InchTwips / dpiY);
    if (maxWidth >= 1 && w > maxWidth) {
        h = std::round(maxWidth / w * h);
        w = maxWidth;
    }
    const QSize picture(qMax(1, qRound(w * dpiX / InchTwips)), qMax(1, qRound(h * dpiY / InchTwips)));
    const QSize outer(qMax(picture.width(), buttonRowWidth()), picture.height() + buttonRow());
    int left = cursor.x() - picture.width() / 2;
    int top = cursor.y() - picture.height() / 2;
    if (area.isValid()) {
        if (left + outer.width() > area.left() + area.width())
            left = area.left() + area.width() - outer.width();
        if (top + outer.height() > area.top() + area.height())
            top = area.top() + area.height() - outer.height();
    }
    left = qMax(0, left);
    top = qMax(0, top);
    move(left, top);
    setPictureSize(picture);
}

int sbWmf::buttonRow() const
{
    return cmRet[0]->height() + 8;
}

int sbWmf::buttonRowWidth() const
{
    return 2 * cmRet[0]->width() + 12;
}

void sbWmf::setPictureSize(const QSize &size)
{
    // A picture narrower than the buttons keeps its size: the window is as wide as the buttons and
    // the picture follows its edges from there.
    m_extraWidth = qMax(0, buttonRowWidth() - size.width());
    resize(size.width() + m_extraWidth, size.height() + buttonRow());
    layoutParts();
}

void sbWmf::layoutParts()
{
    // A window made smaller than its frame gives an empty picture, never a negative size.
    const QSize picture(qMax(0, width() - m_extraWidth), qMax(0, height() - buttonRow()));
    Image1->setGeometry(QRect(QPoint(0, 0), picture));
    const int top = qMax(0, height() - 4 - cmRet[0]->height());
    const int bw = cmRet[0]->width();
    cmRet[1]->move(qMax(0, width() - 4 - bw), top);
    cmRet[0]->move(qMax(0, width() - 8 - 2 * bw), top);
    if (!picture.isEmpty())
        showPicture();
}

QSize sbWmf::pictureSize() const
{
    return Image1->size();
}

void sbWmf::showPicture()
{
    Image1->setPixmap(QPixmap::fromImage(render(Image1->size())));
}

void sbWmf::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutParts();
}

bool sbWmf::press(int index, const QString &file)
{
    m_result = index == 0;
    if (!m_result)
        return false;
    QImage bitmap = render(pictureSize());
    bitmap.setDotsPerMeterX(DotsPerMetre96);
    bitmap.setDotsPerMeterY(DotsPerMetre96);
    m_result = !file.isEmpty() && bitmap.save(file, "BMP");
    return m_result;
}

bool sbWmf::Act(const QString &sFw, const QString &sFp, int nMaxWd)
{
    sbWmf dialog(Usr::st().mainWindow);
    if (!dialog.loadFile(sFw)) {
        Prompt::current().message(QStringLiteral("ﾌｧｲﾙ: ") + sFw + QStringLiteral(" を画像として読み込めません｡\n") + dialog.why(),
                                  Prompt::OkOnly | Prompt::Exclamation);
        return false;
    }
    dialog.m_target = sFp;
    const QWidget *main = Usr::st().mainWindow;
    dialog.SetPic(nMaxWd, QCursor::pos(), main ? main->frameGeometry() : QRect());
    dialog.cmRet[0]->setFocus();
    return dialog.exec() == Accepted && dialog.m_result;
}

bool sbWmf::ActCp(const QString &sFp, int nMaxWd)
{
    sbWmf dialog(Usr::st().mainWindow);
    QImage held;
    const QByteArray bytes = PictureDoor::clipboardBytes(QApplication::clipboard()->mimeData(), &held);
    if (!(held.isNull() ? dialog.loadLook(PictureDoor::look(bytes)) : dialog.loadImage(held)))
        return false;
    dialog.m_target = sFp;
    const QWidget *main = Usr::st().mainWindow;
    dialog.SetPic(nMaxWd, QCursor::pos(), main ? main->frameGeometry() : QRect());
    dialog.cmRet[0]->setFocus();
    return dialog.exec() == Accepted && dialog.m_result;
}
