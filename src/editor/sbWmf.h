#pragma once

#include "platform/richtext/PictureDoor.h"

#include <QDialog>
#include <QImage>

#include <memory>

class QLabel;
class QPushButton;
class QSvgRenderer;

// Sizing a picture before it goes into the page: the picture is shown stretched over the window,
// the user sizes the window, and OK writes the picture at that size as a 96-dpi bitmap file that the
// editor then inserts. Pictures are PNG, JPEG, BMP, GIF or SVG files, or the clipboard's picture.
class sbWmf : public QDialog
{
    Q_OBJECT
public:
    explicit sbWmf(QWidget *parent = nullptr);
    ~sbWmf() override;

    // The picture file `sFw` (or the clipboard's picture), at most `nMaxWd` twips wide at first
    // (below 1: no limit), written to `sFp` after OK; false after Cancel, a failed write or a
    // picture that cannot be read (the user is told which file and why).
    static bool Act(const QString &sFw, const QString &sFp, int nMaxWd);
    static bool ActCp(const QString &sFp, int nMaxWd);

    // The steps of the entries without the modal display. A file that gives no picture leaves the
    // reason in why().
    bool loadFile(const QString &file);
    QString why() const { return m_why; }
    // A picture as PictureDoor looked at it; a drawing is kept to be drawn at the size chosen.
    bool loadLook(const PictureDoor::Look &look);
    bool loadImage(const QImage &image);
    // Places the picture: natural size in twips, limited to `maxWidth`, centred on `cursor` (screen
    // pixels) and kept inside `area`.
    void SetPic(int maxWidth, const QPoint &cursor, const QRect &area);
    QSize pictureSize() const;        // the picture area, pixels
    void setPictureSize(const QSize &size);
    bool press(int index, const QString &file); // 0 OK (writes the file), 1 Cancel; the result

    QLabel *Image1 = nullptr;
    QPushButton *cmRet[2] = {};

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int buttonRow() const;
    int buttonRowWidth() const;
    void layoutParts();
    void showPicture();
    QImage render(const QSize &size) const;

    QImage m_image;
    std::unique_ptr<QSvgRenderer> m_svg;
    QString m_target;
    QString m_why;
    bool m_result = false;
    int m_extraWidth = 0; // window width beside a picture narrower than the buttons
};
