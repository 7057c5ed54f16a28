#pragma once

#include "platform/richtext/PageSetup.h"
#include "platform/richtext/PictureDoor.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QMap>
#include <QObject>
#include <QStringList>

class QTextCursor;
class QTextDocument;
class QTextImageFormat;
class PartDocument;
class PictureHandler;
class TextFrameHandler;

// One page: the main text, the header/footer parts, the text frames' texts, the page setup and the
// picture store, with the id counters of fields and objects. The conventions of the formats are in
// TextProps.h. A serialiser walks main(), part(flag) for each bit of partFlags(), frameIds() with
// frameDocument(), pictureNames() and pageSetup(); a loader rebuilds the same through clear(),
// setPageSetup(), ensurePart(), createFrameDocument(id), setPicture() and notes the ids it finds.
// Layout units: every part has document margin 0; the main part's page size is the text area of the
// page setup in pixels at 96 dpi (twips / 15), so its layout paginates as the page does; headers and
// footers get the text width.
class PageDocument : public QObject
{
    Q_OBJECT
public:
    // Batch work (converting, exporting, writing other formats) reads the text and its formats and
    // needs no layout: a page without layout loads and changes without shaping text or decoding
    // pictures, and every part made later follows. Switching layout on again lays the page out.
    enum Layout { WithLayout, WithoutLayout };
    explicit PageDocument(QObject *parent = nullptr) : PageDocument(WithLayout, parent) {}
    explicit PageDocument(Layout layout, QObject *parent = nullptr);
    ~PageDocument() override;

    // Empties everything: main text, parts, frames, pictures, page setup and the id counters.
    void clear();

    void setLayoutEnabled(bool enabled);
    bool isLayoutEnabled() const { return m_layout; }

    QTextDocument *main() const;
    // A header/footer part by its flag (TextProps::PartFlag); nullptr when absent. MainPart gives main().
    QTextDocument *part(int flag) const;
    int partFlags() const;               // member 140
    void setPartFlags(int flags);        // adds empty parts for new bits, drops the others
    QTextDocument *ensurePart(int flag); // the part, created (and its bit set) when absent
    // Every document of the page: main, the parts in flag order, then the frames by id.
    QList<QTextDocument *> documents() const;

    const PageSetup &pageSetup() const { return m_setup; }
    void setPageSetup(const PageSetup &setup);
    // Lets a document draw this page's frames and pictures (from the store only). Every part has it;
    // a copy made for layout or printing (QTextDocument::clone) needs it too (a clone also needs its
    // document margin and page size set again).
    void attachTo(QTextDocument *doc) const;

    // Pictures. Every picture passes PictureDoor: its format told from its bytes ("png", "jpeg" ...), a
    // drawing (SVG) kept as the door gives it, naming nothing outside itself, and decoded only there.
    // addPicture returns the name of a new or an identical stored picture; empty when the bytes are
    // no picture the door decodes. The second form stores what the door took (PictureDoor::admit).
    QString addPicture(const QByteArray &bytes);
    QString addPicture(const PictureDoor::Look &look, const QImage &decoded);
    // Another page's picture, as that page looked at and decoded it.
    QString copyPicture(const PageDocument &source, const QString &name);
    // Stores bytes under a given name (loader); false when the name or the bytes are empty. Bytes the
    // door does not let in are kept as they are, with the format the loader gives, and never decoded.
    bool setPicture(const QString &name, const QByteArray &bytes, const QByteArray &format);
    bool hasPicture(const QString &name) const { return m_pictures.contains(name); }
    QByteArray pictureBytes(const QString &name) const;
    QByteArray pictureFormat(const QString &name) const;
    // Decoded once, through the door; null for a picture it refuses.
    QImage pictureImage(const QString &name) const;
    // The picture's size in pixels, as the door read it from its header (no decoding).
    QSize pictureSize(const QString &name) const;
    QStringList pictureNames() const; // sorted
    void removePicture(const QString &name);
    // Names the documents refer to (pictures no longer referenced need not be written).
    QStringList usedPictureNames() const;
    // Inserts an image character; a layout (TextProps::PictureLayout) above 0 makes it float.
    static void insertPicture(QTextCursor &cursor, const QTextImageFormat &format);

    // Text frames' texts by the frame's object id.
    QList<int> frameIds() const; // ascending
    QTextDocument *frameDocument(int id) const;
    // Creates the text of a frame; id 0 (or one outside 1..MaxId) takes a new object id, see
    // frameIdOf(). Returns the existing one if present.
    QTextDocument *createFrameDocument(int id = 0);
    int frameIdOf(const QTextDocument *doc) const; // 0 when doc is no frame text of this page
    void removeFrameDocument(int id);
    // Frames whose anchor is in a part's text (a deleted frame keeps its text for undo until saved).
    QList<int> usedFrameIds() const; // ascending

    // Id counters: fields and objects (pictures, frames, tables) are numbered from 1, uniquely per page.
    int newFieldId();
    int newObjectId();
    // A loader reports the ids it read, so new ones never collide with them; false for an id
    // outside 1..MaxId (the loader then gives the item a new id).
    static constexpr int MaxId = 0x3FFFFFFF;
    bool noteFieldId(int id);
    bool noteObjectId(int id);
    int lastFieldId() const { return m_lastFieldId; }
    int lastObjectId() const { return m_lastObjectId; }

signals:
    void partsChanged();
    void pageSetupChanged();

private:
    struct Picture {
        PictureDoor::Look look;
        QByteArray format;              // the look's, else the loader's
        mutable QImage image;           // decoded on first use
        mutable bool decoded = false;   // tried
    };
    PartDocument *newPart(int flag, int frameId);
    QString nextPictureName();
    void applyPageSize(PartDocument *doc) const;

    PageSetup m_setup;
    TextFrameHandler *m_frameHandler = nullptr;
    PictureHandler *m_pictureHandler = nullptr;
    PartDocument *m_main = nullptr;
    QMap<int, PartDocument *> m_parts;  // flag -> part
    QMap<int, PartDocument *> m_frames; // id -> frame text
    QHash<QString, Picture> m_pictures;
    int m_lastFieldId = 0;
    int m_lastObjectId = 0;
    int m_lastPicture = 0;
    bool m_layout = true;
};
