#pragma once

// A disk that a test fills and empties again. Every SQLite file that the process opens once one
// exists is written through a file layer that, while the disk is full, refuses as a full disk does
// (SQLITE_FULL, as SQLite reports ENOSPC) every write that would make a file longer; a write inside
// a file's length goes on, as on a disk that holds the file's blocks already. Files of other kinds
// (QFile's) are not concerned: FileSizeLimit serves them.
class FullDisk
{
public:
    FullDisk();
    ~FullDisk(); // empties the disk
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    void fill();
    void empty();
};
