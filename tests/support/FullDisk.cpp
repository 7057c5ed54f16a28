#include "support/FullDisk.h"

#include <sqlite3.h>

#include <atomic>

namespace {

std::atomic<bool> full{false};
sqlite3_vfs *real = nullptr;
sqlite3_vfs layer;

// Our file, with the real layer's file right behind it.
struct File {
    sqlite3_file base;
};

sqlite3_file *inner(sqlite3_file *file)
{
    return &reinterpret_cast<File *>(file)[1].base;
}

// Whether writing up to `end` would make the file longer than it is.
bool grows(sqlite3_file *file, sqlite3_int64 end)
{
    sqlite3_int64 size = 0;
    return file->pMethods->xFileSize(file, &size) != SQLITE_OK || end > size;
}

int layerWrite(sqlite3_file *f, const void *data, int amount, sqlite3_int64 offset)
{
    sqlite3_file *in = inner(f);
    if (full && grows(in, offset + amount))
        return SQLITE_FULL;
    return in->pMethods->xWrite(in, data, amount, offset);
}

int layerTruncate(sqlite3_file *f, sqlite3_int64 size)
{
    sqlite3_file *in = inner(f);
    if (full && grows(in, size))
        return SQLITE_FULL;
    return in->pMethods->xTruncate(in, size);
}

const sqlite3_io_methods methods = {
    3,
    [](sqlite3_file *f) { return inner(f)->pMethods->xClose(inner(f)); },
    [](sqlite3_file *f, void *data, int amount, sqlite3_int64 offset) {
        return inner(f)->pMethods->xRead(inner(f), data, amount, offset);
    },
    layerWrite,
    layerTruncate,
    [](sqlite3_file *f, int flags) { return inner(f)->pMethods->xSync(inner(f), flags); },
    [](sqlite3_file *f, sqlite3_int64 *size) { return inner(f)->pMethods->xFileSize(inner(f), size); },
    [](sqlite3_file *f, int lock) { return inner(f)->pMethods->xLock(inner(f), lock); },
    [](sqlite3_file *f, int lock) { return inner(f)->pMethods->xUnlock(inner(f), lock); },
    [](sqlite3_file *f, int *out) { return inner(f)->pMethods->xCheckReservedLock(inner(f), out); },
    [](sqlite3_file *f, int op, void *arg) { return inner(f)->pMethods->xFileControl(inner(f), op, arg); },
    [](sqlite3_file *f) { return inner(f)->pMethods->xSectorSize(inner(f)); },
    [](sqlite3_file *f) { return inner(f)->pMethods->xDeviceCharacteristics(inner(f)); },
    [](sqlite3_file *f, int page, int size, int extend, void volatile **out) {
        return inner(f)->pMethods->xShmMap(inner(f), page, size, extend, out);
    },
    [](sqlite3_file *f, int offset, int n, int flags) { return inner(f)->pMethods->xShmLock(inner(f), offset, n, flags); },
    [](sqlite3_file *f) { inner(f)->pMethods->xShmBarrier(inner(f)); },
    [](sqlite3_file *f, int remove) { return inner(f)->pMethods->xShmUnmap(inner(f), remove); },
    [](sqlite3_file *f, sqlite3_int64 offset, int amount, void **out) {
        return inner(f)->pMethods->xFetch(inner(f), offset, amount, out);
    },
    [](sqlite3_file *f, sqlite3_int64 offset, void *page) { return inner(f)->pMethods->xUnfetch(inner(f), offset, page); },
};

int layerOpen(sqlite3_vfs *, sqlite3_filename name, sqlite3_file *f, int flags, int *outFlags)
{
    f->pMethods = nullptr;
    const int rc = real->xOpen(real, name, inner(f), flags, outFlags);
    // A file the real layer could not open is closed by nobody: it holds nothing.
    if (rc == SQLITE_OK)
        f->pMethods = &methods;
    return rc;
}

void install()
{
    if (real)
        return;
    real = sqlite3_vfs_find(nullptr);
    layer = *real;
    layer.iVersion = 2;
    layer.szOsFile = int(sizeof(File)) + real->szOsFile;
    layer.zName = "fenwar-fulldisk";
    layer.pNext = nullptr;
    layer.xOpen = layerOpen;
    // The rest is the real layer's, called with the real layer as theirs.
    layer.xDelete = [](sqlite3_vfs *, const char *name, int sync) { return real->xDelete(real, name, sync); };
    layer.xAccess = [](sqlite3_vfs *, const char *name, int flags, int *out) {
        return real->xAccess(real, name, flags, out);
    };
    layer.xFullPathname = [](sqlite3_vfs *, const char *name, int size, char *out) {
        return real->xFullPathname(real, name, size, out);
    };
    layer.xDlOpen = [](sqlite3_vfs *, const char *name) { return real->xDlOpen(real, name); };
    layer.xDlError = [](sqlite3_vfs *, int size, char *out) { real->xDlError(real, size, out); };
    layer.xDlSym = [](sqlite3_vfs *, void *handle, const char *name) { return real->xDlSym(real, handle, name); };
    layer.xDlClose = [](sqlite3_vfs *, void *handle) { real->xDlClose(real, handle); };
    layer.xRandomness = [](sqlite3_vfs *, int size, char *out) { return real->xRandomness(real, size, out); };
    layer.xSleep = [](sqlite3_vfs *, int micros) { return real->xSleep(real, micros); };
    layer.xCurrentTime = [](sqlite3_vfs *, double *out) { return real->xCurrentTime(real, out); };
    layer.xGetLastError = [](sqlite3_vfs *, int size, char *out) { return real->xGetLastError(real, size, out); };
    layer.xCurrentTimeInt64 = [](sqlite3_vfs *, sqlite3_int64 *out) { return real->xCurrentTimeInt64(real, out); };
    sqlite3_vfs_register(&layer, 1);
}

} // namespace

FullDisk::FullDisk()
{
    install();
}

FullDisk::~FullDisk()
{
    empty();
}

void FullDisk::fill()
{
    full = true;
}

void FullDisk::empty()
{
    full = false;
}
