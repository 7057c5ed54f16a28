// Pictures, text frames and the other embedded objects.
#include "platform/richtext/RichTextEdit.h"

#include "platform/richtext/ColorRef.h"
#include "platform/richtext/FieldRuns.h"
#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PageDocument.h"
#include "platform/richtext/PositionText.h"
#include "platform/richtext/TextProps.h"
#include "platform/richtext/Twips.h"

#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>

#include <cmath>

using namespace TextProps;

// ---- pictures

int RichTextEdit::insertPictureFile(const QString &file, int scalePercent, int layout)
{
    QByteArray bytes;
    return PictureDoor::readFile(file, bytes) ? insertPicture(bytes, scalePercent, layout, file) : 0;
}

int RichTextEdit::insertPicture(const QByteArray &bytes, int scalePercent, int layout, const QString &file)
{
    return insertPicture(PictureDoor::look(bytes), scalePercent, layout, file);
}

int RichTextEdit::insertPicture(const PictureDoor::Look &look, int scalePercent, int layout, const QString &file,
                                PictureDoor::Refusal *why, int side)
{
    PictureDoor door;
    QSize size;
    const QString name = door.admit(*m_page, look, &size, why, side);
    if (name.isEmpty())
        return 0;
    if (scalePercent <= 0 || scalePercent > 10000)
        scalePercent = 100;
    QTextImageFormat f;
    f.setName(name);
    f.setWidth(size.width() * scalePercent / 100.0);
    f.setHeight(size.height() * scalePercent / 100.0);
    const int id = m_page->newObjectId();
    f.setProperty(ObjectId, id);
    f.setProperty(PictureLayout, qBound(0, layout, 3));
    f.setProperty(PictureScale, scalePercent);
    f.setProperty(PictureFile, file);
    f.setProperty(PictureStored, true);
    m_cursor.beginEditBlock();
    removeSelection();
    PageDocument::insertPicture(m_cursor, f);
    m_cursor.endEditBlock();
    syncFromCursor();
    m_currentObject = id;
    return id;
}

QString RichTextEdit::pictureFile() const
{
    return objectFormat(m_currentObject).stringProperty(PictureFile);
}

bool RichTextEdit::setPictureFile(const QString &file)
{
    return objectKind(m_currentObject) == PictureKind
        && setObjectProperty(m_currentObject, PictureFile, file);
}

bool RichTextEdit::pictureStored() const
{
    return objectFormat(m_currentObject).boolProperty(PictureStored);
}

bool RichTextEdit::setPictureStored(bool stored)
{
    return objectKind(m_currentObject) == PictureKind
        && setObjectProperty(m_currentObject, PictureStored, stored);
}

static int distanceProperty(int item)
{
    static const int properties[] = {FrameDistLeft, FrameDistTop, FrameDistRight, FrameDistBottom};
    return item >= 1 && item <= 4 ? properties[item - 1] : 0;
}

int RichTextEdit::objectDistance(int item) const
{
    const int property = distanceProperty(item);
    return property ? objectFormat(currentObject()).intProperty(property) : 0;
}

bool RichTextEdit::setObjectDistance(int item, int twips)
{
    const int property = distanceProperty(item);
    return property && twips >= 0 && setObjectProperty(currentObject(), property, twips);
}

QSize RichTextEdit::objectSize(int id) const
{
    const QTextCharFormat f = objectFormat(id);
    const int kind = objectKind(id);
    if (kind == TextFrameKind)
        return QSize(f.intProperty(FrameWidth), f.intProperty(FrameHeight));
    if (kind != PictureKind)
        return QSize();
    // A side left open follows the picture itself, as the layout does.
    const QTextImageFormat image = f.toImageFormat();
    const QSize natural = m_page->pictureImage(image.name()).size();
    QSizeF px(image.width(), image.height());
    if (px.width() <= 0)
        px.setWidth(px.height() > 0 && natural.height() > 0 ? px.height() * natural.width() / natural.height()
                                                            : natural.width());
    if (px.height() <= 0)
        px.setHeight(natural.width() > 0 ? px.width() * natural.height() / natural.width() : natural.height());
    return QSize(Twips::fromPx(px.width()), Twips::fromPx(px.height()));
}

bool RichTextEdit::setObjectSize(int id, const QSize &twips)
{
    // The layout's own bounds: a pixel up to a hundred inches.
    if (twips.width() < 15 || twips.height() < 15 || twips.width() > 144000 || twips.height() > 144000)
        return false;
    const QTextCharFormat f = objectFormat(id);
    const int kind = objectKind(id);
    if (kind == TextFrameKind)
        return setObjectProperty(id, FrameWidth, twips.width()) && setObjectProperty(id, FrameHeight, twips.height());
    if (kind != PictureKind)
        return false;
    const double width = Twips::toPx(twips.width());
    const int natural = m_page->pictureImage(f.toImageFormat().name()).width();
    return setObjectProperty(id, QTextFormat::ImageWidth, width)
        && setObjectProperty(id, QTextFormat::ImageHeight, Twips::toPx(twips.height()))
        && setObjectProperty(id, PictureScale, natural > 0 ? qRound(width * 100 / natural) : 100);
}

// ---- text frames

RichTextEdit::FrameArgs RichTextEdit::frameArgs(const QList<int> &v)
{
    FrameArgs a;
    int *fields[] = {&a.distLeft, &a.distTop, &a.distRight, &a.distBottom, &a.mode, &a.height,
                     &a.width, &a.x, &a.y, &a.border, &a.extra};
    for (int i = 0; i < v.size() && i < 11; ++i)
        *fields[i] = v.at(i);
    return a;
}

int RichTextEdit::insertObjectChar(const QTextCharFormat &format)
{
    m_cursor.beginEditBlock();
    removeSelection();
    m_cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
    ObjectLines::fit(document(), m_cursor.position(), m_cursor.position());
    m_cursor.endEditBlock();
    syncFromCursor();
    return format.intProperty(ObjectId);
}

int RichTextEdit::insertTextFrame(const FrameArgs &a)
{
    if (m_frame != 0 || a.width <= 0 || a.height <= 0)
        return 0; // frames hold no frames
    QTextDocument *text = m_page->createFrameDocument();
    const int id = m_page->frameIdOf(text);
    QTextCharFormat f = FieldRuns::typingFormat(m_cursor);
    f.setObjectType(TextFrameObject);
    f.setProperty(ObjectId, id);
    const std::pair<int, int> values[] = {
        {FrameDistLeft, a.distLeft}, {FrameDistTop, a.distTop}, {FrameDistRight, a.distRight},
        {FrameDistBottom, a.distBottom}, {FrameMode, a.mode}, {FrameHeight, a.height},
        {FrameWidth, a.width}, {FrameX, a.x}, {FrameY, a.y}, {FrameBorder, a.border},
        {FrameExtra, a.extra}};
    for (const auto &[property, value] : values)
        f.setProperty(property, value);
    insertObjectChar(f);
    m_currentObject = id;
    return id;
}

bool RichTextEdit::setFrameBackground(int id, int colorRef)
{
    if (objectKind(id) != TextFrameKind)
        return false;
    return ColorRef::toColor(colorRef).isValid() ? setObjectProperty(id, FrameBackground, colorRef)
                                                 : setObjectProperty(id, FrameBackground, QVariant());
}

// ---- objects

static int kindOf(const QTextCharFormat &f)
{
    if (f.intProperty(ObjectId) <= 0)
        return 0;
    if (f.isImageFormat())
        return PictureKind;
    if (f.objectType() == TextFrameObject)
        return TextFrameKind;
    return 0;
}

QList<int> RichTextEdit::objectIds(int kind) const
{
    QList<int> ids;
    QTextDocument *doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const int k = kindOf(f);
            if (k != 0 && (kind == 0 || kind == k))
                ids.append(f.intProperty(ObjectId));
        }
    }
    return ids;
}

int RichTextEdit::objectCount() const
{
    return int(objectIds().size());
}

int RichTextEdit::objectPosition(int id) const
{
    if (id <= 0)
        return -1;
    QTextDocument *doc = document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (kindOf(frag.charFormat()) != 0 && frag.charFormat().intProperty(ObjectId) == id)
                return frag.position();
        }
    }
    return -1;
}

QTextCharFormat RichTextEdit::objectFormat(int id) const
{
    const int pos = objectPosition(id);
    return pos < 0 ? QTextCharFormat() : PositionText::formatAt(document(), pos);
}

int RichTextEdit::objectKind(int id) const
{
    return kindOf(objectFormat(id));
}

int RichTextEdit::objectIdAt(int position) const
{
    const QTextCharFormat f = PositionText::formatAt(document(), position);
    return kindOf(f) ? f.intProperty(ObjectId) : 0;
}

bool RichTextEdit::setObjectProperty(int id, int property, const QVariant &value)
{
    const int pos = objectPosition(id);
    if (pos < 0)
        return false;
    QTextCursor c(document());
    c.setPosition(pos);
    c.setPosition(pos + 1, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    if (value.isValid()) {
        f.setProperty(property, value);
        c.mergeCharFormat(f);
    } else {
        // Removing a property needs the whole format, the float frame reference included.
        f = objectFormat(id);
        f.clearProperty(property);
        c.setCharFormat(f);
    }
    return true;
}

bool RichTextEdit::setCurrentObject(int id)
{
    if (id != 0 && objectPosition(id) < 0)
        return false;
    m_currentObject = id;
    return true;
}

int RichTextEdit::currentObject() const
{
    if (m_currentObject != 0 && objectPosition(m_currentObject) >= 0)
        return m_currentObject;
    if (selLength() == 1)
        return objectIdAt(selStart());
    return 0;
}

int RichTextEdit::currentObjectOfKind(int kind) const
{
    const int id = currentObject();
    return id != 0 && objectKind(id) == kind ? id : 0;
}

int RichTextEdit::nextObject(int kind, int after) const
{
    const QList<int> ids = objectIds(kind);
    if (after == 0)
        return ids.isEmpty() ? 0 : ids.first();
    const qsizetype i = ids.indexOf(after);
    return i >= 0 && i + 1 < ids.size() ? ids.at(i + 1) : 0;
}

bool RichTextEdit::selectObject(int id)
{
    const int pos = objectPosition(id);
    if (pos < 0)
        return false;
    setSelection(pos, pos + 1);
    m_currentObject = id;
    return true;
}

bool RichTextEdit::deleteObject(int id)
{
    const int pos = objectPosition(id);
    if (pos < 0)
        return false;
    // A frame's text stays with the page, so undo can bring the frame back whole.
    QTextCursor c(document());
    c.setPosition(pos);
    c.setPosition(pos + 1, QTextCursor::KeepAnchor);
    c.removeSelectedText();
    if (m_currentObject == id)
        m_currentObject = 0;
    return true;
}

bool RichTextEdit::removeCurrentObject()
{
    return deleteObject(currentObject());
}
