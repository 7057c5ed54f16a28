#include "platform/richtext/PageDocument.h"

#include "platform/richtext/ObjectLines.h"
#include "platform/richtext/PartDocument.h"
#include "platform/richtext/PictureHandler.h"
#include "platform/richtext/TextFrameHandler.h"
#include "platform/richtext/TextProps.h"

#include <QAbstractTextDocumentLayout>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrameFormat>
#include <QTextImageFormat>

#include <algorithm>

using namespace TextProps;

PageDocument::PageDocument(Layout layout, QObject *parent)
    : QObject(parent), m_layout(layout == WithLayout)
{
    m_frameHandler = new TextFrameHandler(this);
    m_pictureHandler = new PictureHandler(this);
    m_main = newPart(MainPart, 0);
}

PageDocument::~PageDocument() = default;

PartDocument *PageDocument::newPart(int flag, int frameId)
{
    auto *doc = new PartDocument(this, flag, frameId);
    doc->setDocumentMargin(0);
    if (frameId == 0)
        applyPageSize(doc);
    doc->clearUndo(); // the margin is set up, not an edit to undo
    return doc;
}

void PageDocument::attachTo(QTextDocument *doc) const
{
    doc->documentLayout()->registerHandler(TextFrameObject, m_frameHandler);
    doc->documentLayout()->registerHandler(QTextFormat::ImageObject, m_pictureHandler);
    // Whatever was laid out before with Qt's own handlers is laid out again.
    doc->markContentsDirty(0, doc->characterCount());
}

void PageDocument::applyPageSize(PartDocument *doc) const
{
    if (doc->partFlag() == MainPart)
        doc->setPageSize(QSizeF(m_setup.textWidth() / 15.0, m_setup.textHeight() / 15.0));
    else
        doc->setTextWidth(m_setup.textWidth() / 15.0);
}

void PageDocument::clear()
{
    m_main->clear();
    m_main->setDocumentMargin(0);
    m_main->clearUndo();
    qDeleteAll(m_parts);
    m_parts.clear();
    qDeleteAll(m_frames);
    m_frames.clear();
    m_pictures.clear();
    m_setup = PageSetup();
    applyPageSize(m_main);
    m_lastFieldId = m_lastObjectId = m_lastPicture = 0;
    emit partsChanged();
    emit pageSetupChanged();
}

void PageDocument::setLayoutEnabled(bool enabled)
{
    m_layout = enabled;
    for (QTextDocument *doc : documents())
        doc->setLayoutEnabled(enabled);
}

QTextDocument *PageDocument::main() const
{
    return m_main;
}

QTextDocument *PageDocument::part(int flag) const
{
    if (flag == MainPart)
        return m_main;
    return m_parts.value(flag, nullptr);
}

int PageDocument::partFlags() const
{
    int flags = 0;
    for (auto it = m_parts.cbegin(); it != m_parts.cend(); ++it)
        flags |= it.key();
    return flags;
}

void PageDocument::setPartFlags(int flags)
{
    bool changed = false;
    for (int flag : PartFlags) {
        if ((flags & flag) && !m_parts.contains(flag)) {
            m_parts.insert(flag, newPart(flag, 0));
            changed = true;
        } else if (!(flags & flag) && m_parts.contains(flag)) {
            delete m_parts.take(flag);
            changed = true;
        }
    }
    if (changed)
        emit partsChanged();
}

QTextDocument *PageDocument::ensurePart(int flag)
{
    if (flag == MainPart)
        return m_main;
    if (std::find(std::begin(PartFlags), std::end(PartFlags), flag) == std::end(PartFlags))
        return nullptr;
    if (!m_parts.contains(flag))
        setPartFlags(partFlags() | flag);
    return m_parts.value(flag);
}

QList<QTextDocument *> PageDocument::documents() const
{
    QList<QTextDocument *> docs{m_main};
    for (PartDocument *part : m_parts)
        docs.append(part);
    for (PartDocument *frame : m_frames)
        docs.append(frame);
    return docs;
}

void PageDocument::setPageSetup(const PageSetup &setup)
{
    if (setup == m_setup)
        return;
    m_setup = setup;
    applyPageSize(m_main);
    for (PartDocument *part : m_parts)
        applyPageSize(part);
    emit pageSetupChanged();
}

QString PageDocument::nextPictureName()
{
    QString name;
    do
        name = QStringLiteral("pic%1").arg(++m_lastPicture);
    while (m_pictures.contains(name));
    return name;
}

QString PageDocument::addPicture(const QByteArray &bytes)
{
    const PictureDoor::Look look = PictureDoor::look(bytes);
    for (auto it = m_pictures.cbegin(); !look.isNull() && it != m_pictures.cend(); ++it) {
        if (it->look.bytes == look.bytes && it->format == look.format)
            return it.key();
    }
    return addPicture(look, PictureDoor::decode(look));
}

QString PageDocument::addPicture(const PictureDoor::Look &look, const QImage &decoded)
{
    if (look.isNull() || decoded.isNull())
        return QString();
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend(); ++it) {
        if (it->look.bytes == look.bytes && it->format == look.format)
            return it.key();
    }
    const QString name = nextPictureName();
    m_pictures.insert(name, Picture{look, look.format, decoded, true});
    return name;
}

QString PageDocument::copyPicture(const PageDocument &source, const QString &name)
{
    auto it = source.m_pictures.constFind(name);
    return it == source.m_pictures.cend() ? QString() : addPicture(it->look, source.pictureImage(name));
}

bool PageDocument::setPicture(const QString &name, const QByteArray &given, const QByteArray &format)
{
    if (name.isEmpty() || given.isEmpty())
        return false;
    // Pages stored before drawings were kept so may hold one that names files.
    Picture picture{PictureDoor::look(given), QByteArray(), QImage(), false};
    picture.format = picture.look.format;
    if (picture.look.isNull() || picture.look.size.isEmpty()) {
        picture.look.bytes = given;
        picture.format = format.toLower();
    }
    const bool replaced = m_pictures.contains(name);
    m_pictures.insert(name, picture);
    // Parts that laid the name out before lay it out again with the new image.
    if (replaced) {
        for (QTextDocument *doc : documents())
            doc->markContentsDirty(0, doc->characterCount());
    }
    return true;
}

QByteArray PageDocument::pictureBytes(const QString &name) const
{
    return m_pictures.value(name).look.bytes;
}

QByteArray PageDocument::pictureFormat(const QString &name) const
{
    return m_pictures.value(name).format;
}

QImage PageDocument::pictureImage(const QString &name) const
{
    auto it = m_pictures.constFind(name);
    if (it == m_pictures.cend())
        return QImage();
    if (!it->decoded) {
        it->image = PictureDoor::decode(it->look);
        it->decoded = true;
    }
    return it->image;
}

QSize PageDocument::pictureSize(const QString &name) const
{
    return m_pictures.value(name).look.size;
}

QStringList PageDocument::pictureNames() const
{
    QStringList names = m_pictures.keys();
    names.sort();
    return names;
}

void PageDocument::removePicture(const QString &name)
{
    m_pictures.remove(name);
}

template<typename Visit>
static void forEachFormat(const QList<QTextDocument *> &docs, Visit visit)
{
    for (QTextDocument *doc : docs) {
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it)
                visit(it.fragment().charFormat());
        }
    }
}

QStringList PageDocument::usedPictureNames() const
{
    QSet<QString> used;
    forEachFormat(documents(), [&](const QTextCharFormat &fmt) {
        if (fmt.isImageFormat())
            used.insert(fmt.toImageFormat().name());
    });
    QStringList names(used.cbegin(), used.cend());
    names.sort();
    return names;
}

QList<int> PageDocument::usedFrameIds() const
{
    QSet<int> used;
    forEachFormat(documents(), [&](const QTextCharFormat &fmt) {
        if (fmt.objectType() == TextFrameObject && m_frames.contains(fmt.intProperty(ObjectId)))
            used.insert(fmt.intProperty(ObjectId));
    });
    QList<int> ids(used.cbegin(), used.cend());
    std::sort(ids.begin(), ids.end());
    return ids;
}

void PageDocument::insertPicture(QTextCursor &cursor, const QTextImageFormat &format)
{
    QTextImageFormat fmt = format;
    fmt.clearProperty(QTextFormat::ObjectIndex);
    const int layout = fmt.intProperty(PictureLayout);
    if (layout > 0) {
        cursor.insertImage(fmt, QTextFrameFormat::FloatLeft);
    } else {
        cursor.insertImage(fmt);
        ObjectLines::fit(cursor.document(), cursor.position(), cursor.position());
    }
}

QList<int> PageDocument::frameIds() const
{
    return m_frames.keys();
}

QTextDocument *PageDocument::frameDocument(int id) const
{
    return m_frames.value(id, nullptr);
}

QTextDocument *PageDocument::createFrameDocument(int id)
{
    if (id <= 0 || !noteObjectId(id))
        id = newObjectId();
    if (PartDocument *existing = m_frames.value(id, nullptr))
        return existing;
    PartDocument *doc = newPart(MainPart, id);
    m_frames.insert(id, doc);
    return doc;
}

int PageDocument::frameIdOf(const QTextDocument *doc) const
{
    for (auto it = m_frames.cbegin(); it != m_frames.cend(); ++it) {
        if (it.value() == doc)
            return it.key();
    }
    return 0;
}

void PageDocument::removeFrameDocument(int id)
{
    if (!m_frames.contains(id))
        return;
    delete m_frames.take(id);
    emit partsChanged();
}

int PageDocument::newFieldId()
{
    return ++m_lastFieldId;
}

int PageDocument::newObjectId()
{
    return ++m_lastObjectId;
}

bool PageDocument::noteFieldId(int id)
{
    if (id <= 0 || id > MaxId)
        return false;
    m_lastFieldId = std::max(m_lastFieldId, id);
    return true;
}

bool PageDocument::noteObjectId(int id)
{
    if (id <= 0 || id > MaxId)
        return false;
    m_lastObjectId = std::max(m_lastObjectId, id);
    return true;
}
