// Reports the progress of a write to the caller's callback, a few hundred times per run at most, and
// remembers when the caller asked to stop.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

namespace rm {

// done and total count units of work (input bytes read, summed over the passes a write makes); done
// never decreases and reaches total when the write has finished. Returning false cancels the write.
using ProgressCallback = std::function<bool(uint64_t done, uint64_t total)>;

class ProgressMeter
{
public:
    static constexpr uint64_t Steps = 400;

    explicit ProgressMeter(const ProgressCallback* callback = nullptr) : m_callback(callback) {}

    void setTotal(uint64_t total)
    {
        m_total = std::max<uint64_t>(total, 1);
        m_step = std::max<uint64_t>(m_total / Steps, 1);
        m_next = 0;
    }
    uint64_t total() const { return m_total; }
    uint64_t done() const { return m_done; }

    // Moves to done (clamped to the total and never backwards); calls back when enough has been done since
    // the last report. Returns false once the caller has cancelled.
    bool advanceTo(uint64_t done)
    {
        m_done = std::clamp(done, m_done, m_total);
        if (!m_callback || !*m_callback || m_cancelled) {
            return !m_cancelled;
        }
        if (m_done >= m_next) {
            m_next = m_done + m_step;
            m_cancelled = !(*m_callback)(m_done, m_total);
        }
        return !m_cancelled;
    }

    // Reports the whole work as done (once, at the end of a successful write).
    bool finish()
    {
        m_next = 0;
        return advanceTo(m_total);
    }

    bool cancelled() const { return m_cancelled; }

private:
    const ProgressCallback* m_callback = nullptr;
    uint64_t m_total = 1;
    uint64_t m_done = 0;
    uint64_t m_step = 1;
    uint64_t m_next = 0;
    bool m_cancelled = false;
};

} // namespace rm
