#pragma once

// The page stream (stream formats 9 and 3): an 8-byte magic, the format version and the oldest reader
// version that can read it (u16 each), then tagged sections (4-byte tag, varint length, payload) up to
// the end section. A reader skips sections it does not know, and the fields a newer writer appends to a
// section it knows; a change an older reader cannot skip raises the oldest-reader version.
//   SETP  page setup: width, height, margins left, top, right, bottom (twips), landscape
//   FMTS  every format, written once; parts refer to them by index
//   PART  one part: kind (0 main/header/footer, 1 text frame), flag or frame id, root frame format,
//         list formats, items (1 block, 2 table, 3 frame)
//   PICT  one picture: name, image format, original bytes
//   END   last section, empty
namespace PageStream {

inline constexpr char Magic[8] = {'\x89', 'F', 'W', 'P', '\r', '\n', '\x1a', '\n'};
inline constexpr int Version = 1;
inline constexpr int OldestReader = 1;

inline constexpr char SetupTag[4] = {'S', 'E', 'T', 'P'};
inline constexpr char FormatsTag[4] = {'F', 'M', 'T', 'S'};
inline constexpr char PartTag[4] = {'P', 'A', 'R', 'T'};
inline constexpr char PictureTag[4] = {'P', 'I', 'C', 'T'};
inline constexpr char EndTag[4] = {'E', 'N', 'D', ' '};

// The largest table a page holds: a stream with a larger one is refused, and so is a document of
// another program whose table would not fit.
inline constexpr int MaxRows = 10000;
inline constexpr int MaxColumns = 1000;
inline constexpr int MaxTableCells = 100000; // rows times columns, spanned cells included

} // namespace PageStream
