// The worker that makes the thumbnails of the found-file list. A thread of its own takes the rows asked
// for, copies each small enough file through the found-file reader to a private temporary file, decodes
// and scales it, and hands the row back through a callback. Copying and decoding run outside the lock
// that the list's cell paints take to look a thumbnail up, so a slow disk never holds up the window; a
// thumbnail finished for a listing that has since changed is thrown away. It never touches a widget.
#pragma once

#include "core/CTempPathNameSignle.h"

#include <QImage>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CFileNode;
class IStorageDevice;

class CThumbnailLoader {
public:
    // ready(row) runs on the loader thread after a row's thumbnail (or its failure) is stored.
    explicit CThumbnailLoader(std::function<void(int row)> ready);
    // Stops the thread and waits for it; a copy under way stops at its next chunk.
    ~CThumbnailLoader();
    CThumbnailLoader(const CThumbnailLoader&) = delete;
    CThumbnailLoader& operator=(const CThumbnailLoader&) = delete;

    // Starts the thread once; false when it cannot be started (the thumbnails then stay icons).
    bool Start();
    void SetSourceDevice(IStorageDevice* device);
    // A new listing (or new order): the rows now stand for these nodes; requests and thumbnails go.
    void SetItems(std::vector<CFileNode*> items);
    // Forgets the thumbnails made so far (the rows stay).
    void ClearCache();
    // Asks for the rows first..last (newest requests first, known rows skipped).
    void Request(int first, int last);

    // The thumbnail of a row when it was made for this node (a null image when it could not be made).
    bool Cached(int row, const CFileNode* node, QImage* image) const;
    std::vector<int> Pending() const;
    size_t CachedCount() const;
    bool Exited() const { return m_exited; }

    // Runs on the loader thread, outside the lock, just before a file is copied (tests hold it there).
    void SetBeforeCopyHook(std::function<void(int row)> hook) { m_beforeCopy = std::move(hook); }

private:
    void Run();
    // Copies and decodes one file; no lock is held.
    QImage Make(CFileNode* node, IStorageDevice* device, int row);
    bool CopyToTemp(CFileNode* node, IStorageDevice* device, const std::string& path);

    std::function<void(int)> m_ready;
    std::function<void(int)> m_beforeCopy;

    mutable std::mutex m_lock; // guards everything below up to m_thread
    std::condition_variable m_wake;
    std::vector<CFileNode*> m_items;
    uint64_t m_generation = 0; // bumped by every change of the rows
    IStorageDevice* m_device = nullptr;
    std::map<int, std::pair<CFileNode*, QImage>> m_cache;
    std::deque<int> m_queue;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_exited{false};
    std::thread m_thread;
    bool m_started = false;
    CTempPathNameSignle m_temp; // the loader thread's own names, so that nobody else removes its copies
};
