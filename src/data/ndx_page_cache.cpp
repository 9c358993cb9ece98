// The page cache of an NDX index: 32 slots in most-recently-used order,
// dirty pages written back when their slot is reused and at the flush.
#include "data/ndx_page_cache.h"

#include <algorithm>
#include <cstring>

namespace talven {

NdxPageCache::NdxPageCache(std::unique_ptr<NdxStorage> storage) : m_storage(std::move(storage))
{
    for (int i = 0; i < capacity; ++i)
        m_order[i] = static_cast<std::uint8_t>(i);
}

int NdxPageCache::find(std::uint32_t page) const
{
    for (int i = 0; i < capacity; ++i)
        if (m_slots[i].page == page)
            return i;
    return -1;
}

void NdxPageCache::to_front(int slot)
{
    auto it = std::find(m_order.begin(), m_order.end(), static_cast<std::uint8_t>(slot));
    std::rotate(m_order.begin(), it, it + 1);
}

bool NdxPageCache::write_back(Slot& slot)
{
    if (!m_storage->write(std::uint64_t(slot.page) * ndx_page_size, slot.bytes.data(), ndx_page_size))
        return false;
    slot.dirty = false;
    return true;
}

int NdxPageCache::take_last()
{
    int s = m_order[capacity - 1];
    Slot& slot = m_slots[s];
    if (slot.page >= 0 && slot.dirty && !write_back(slot))
        return -1;
    slot.page = -1;
    slot.dirty = false;
    return s;
}

const std::uint8_t* NdxPageCache::read(std::uint32_t page)
{
    int s = find(page);
    if (s < 0) {
        s = take_last();
        if (s < 0)
            return m_failed_step = "Ndx_Get/Put", nullptr;
        Slot& slot = m_slots[s];
        if (!m_storage->read(std::uint64_t(page) * ndx_page_size, slot.bytes.data(), ndx_page_size))
            return m_failed_step = "Ndx_Get", nullptr;
        slot.page = page;
    }
    to_front(s);
    return m_slots[s].bytes.data();
}

bool NdxPageCache::write(std::uint32_t page, const std::uint8_t* bytes)
{
    int s = find(page);
    if (s < 0) {
        s = take_last();
        if (s < 0)
            return m_failed_step = "Ndx_Put", false;
        if (!m_storage->write(std::uint64_t(page) * ndx_page_size, bytes, ndx_page_size))
            return m_failed_step = "Ndx_Put/New", false;
        m_slots[s].page = page;
    }
    std::memcpy(m_slots[s].bytes.data(), bytes, ndx_page_size);
    m_slots[s].dirty = true;
    to_front(s);
    return true;
}

bool NdxPageCache::flush()
{
    bool all_written = true;
    for (;;) {
        int next = -1;
        for (int i = 0; i < capacity; ++i) {
            const Slot& s = m_slots[i];
            if (s.page > 0 && s.dirty && (next < 0 || s.page < m_slots[next].page))
                next = i;
        }
        if (next < 0) {
            int h = find(0);
            if (h < 0 || !m_slots[h].dirty)
                break;
            next = h;
        }
        // A page that cannot be written is given up, so that the flush ends.
        if (!write_back(m_slots[next])) {
            m_slots[next].dirty = false;
            all_written = false;
        }
    }
    return all_written;
}

} // namespace talven
