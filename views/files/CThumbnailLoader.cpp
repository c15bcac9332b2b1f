// The thumbnail worker of the found-file list.
#include "views/files/CThumbnailLoader.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/IFileProperties.h"
#include "platform/Log.h"
#include "views/files/ThumbnailGeometry.h"

#include <QImageReader>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace {
constexpr uint32_t kCopyChunk = 1u << 20;
} // namespace

CThumbnailLoader::CThumbnailLoader(std::function<void(int row)> ready) : m_ready(std::move(ready)) {}

CThumbnailLoader::~CThumbnailLoader()
{
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

bool CThumbnailLoader::Start()
{
    if (m_started) return !m_exited;
    m_started = true;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        m_exited = true;
        return false;
    }
    return true;
}

void CThumbnailLoader::SetSourceDevice(IStorageDevice* device)
{
    std::lock_guard lock(m_lock);
    m_device = device;
}

void CThumbnailLoader::SetItems(std::vector<CFileNode*> items)
{
    std::lock_guard lock(m_lock);
    m_items = std::move(items);
    ++m_generation;
    m_queue.clear();
    m_cache.clear();
}

void CThumbnailLoader::ClearCache()
{
    std::lock_guard lock(m_lock);
    ++m_generation; // a thumbnail under way belongs to the forgotten set
    m_cache.clear();
}

void CThumbnailLoader::Request(int first, int last)
{
    {
        std::lock_guard lock(m_lock);
        AddThumbnailRequests(m_queue, first, last, int(m_items.size()),
                             [this](int row) { return m_cache.count(row) > 0; });
    }
    m_wake.notify_all();
}

bool CThumbnailLoader::Cached(int row, const CFileNode* node, QImage* image) const
{
    std::lock_guard lock(m_lock);
    auto it = m_cache.find(row);
    if (it == m_cache.end() || it->second.first != node) return false;
    if (image) *image = it->second.second;
    return true;
}

std::vector<int> CThumbnailLoader::Pending() const
{
    std::lock_guard lock(m_lock);
    return {m_queue.begin(), m_queue.end()};
}

size_t CThumbnailLoader::CachedCount() const
{
    std::lock_guard lock(m_lock);
    return m_cache.size();
}

void CThumbnailLoader::Run()
{
    LogInfo("------------------------ParmInfo: LPVOID pParam=%p", static_cast<void*>(this));
    std::unique_lock lock(m_lock);
    while (!m_stop) {
        m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop || !m_queue.empty(); });
        while (!m_stop && !m_queue.empty()) {
            const int row = m_queue.front();
            m_queue.pop_front();
            if (row < 0 || size_t(row) >= m_items.size()) continue;
            CFileNode* node = m_items[size_t(row)];
            IStorageDevice* device = m_device;
            const uint64_t generation = m_generation;
            lock.unlock();
            QImage thumb = Make(node, device, row);
            lock.lock();
            // A listing changed meanwhile gives the row to another file: this picture is not its own.
            if (generation != m_generation || m_stop) continue;
            m_cache[row] = {node, std::move(thumb)};
            if (m_ready) m_ready(row);
        }
    }
    m_exited = true;
}

QImage CThumbnailLoader::Make(CFileNode* node, IStorageDevice* device, int row)
{
    if (m_beforeCopy) m_beforeCopy(row);
    const std::string path = m_temp.MakeTempPath();
    QImage thumb;
    try {
        if (!path.empty() && CopyToTemp(node, device, path)) {
            QImageReader reader(QString::fromStdString(path));
            const QSize full = reader.size();
            if (full.isValid() && full.width() > 0 && full.height() > 0) {
                const QSize target = ThumbnailSize(uint32_t(full.width()), uint32_t(full.height()));
                // Decoding at the target size keeps big pictures from being held whole in memory.
                if (reader.supportsOption(QImageIOHandler::ScaledSize)) reader.setScaledSize(target);
                const QImage image = reader.read();
                if (!image.isNull())
                    thumb = image.size() == target
                                ? image
                                : image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            }
            if (thumb.isNull()) DebugTrace("Load item %d failed\n", row);
        } else {
            DebugTrace("Recover file failed\n");
        }
    } catch (...) {
        thumb = QImage();
        DebugTrace("catch breviary image exception.\n");
    }
    if (!path.empty()) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        m_temp.RemoveTempFiles();
    }
    return thumb.isNull() ? thumb : thumb.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool CThumbnailLoader::CopyToTemp(CFileNode* node, IStorageDevice* device, const std::string& path)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    if (!p || p->GetSize() > kMaxThumbnailSource || (p->GetAttributes() & kFileAttrEncrypted)) return false;
    CFoundFileReader reader;
    if (!reader.Open(device, node)) return false;
    // A new private file: never one that someone else made under the same name.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    std::vector<uint8_t> buffer(std::min<uint64_t>(kCopyChunk, std::max<uint64_t>(1, p->GetSize())));
    bool ok = true;
    for (uint64_t offset = 0; ok && offset < p->GetSize() && !m_stop;) {
        uint32_t got = 0;
        if (!reader.ReadAt(offset, buffer.data(), uint32_t(buffer.size()), got) || got == 0) {
            ok = false;
            break;
        }
        for (uint32_t done = 0; done < got;) {
            const ssize_t n = ::write(fd, buffer.data() + done, got - done);
            if (n <= 0) {
                ok = false;
                break;
            }
            done += uint32_t(n);
        }
        offset += got;
    }
    ::close(fd);
    return ok && !m_stop;
}
