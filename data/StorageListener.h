#pragma once

#include <string>

namespace corvane {

// What the database writer tells its owner about the state of app.db: a
// problem that stops the writing (a fault of the file, a disk below its free
// space floor, the writer thread ended), and the end of that problem once
// the records kept meanwhile are written. Each problem is told once, and its
// end once, however many batches meet it (StorageHealth).
//
// Threads: called on the writer thread (and on the thread that opens the
// database for an open that fails); an implementation copies the text and
// hands the work to its own thread. It must not call into DBManager from
// inside these calls. Throws: implementations must not throw.
class StorageListener
{
public:
    virtual ~StorageListener() = default;

    // The writing has stopped; text says which file, why and what is kept.
    virtual void onStorageProblem(const std::string& text) = 0;

    // The writing goes on again; text says what was written.
    virtual void onStorageRecovered(const std::string& text) = 0;
};

} // namespace corvane
