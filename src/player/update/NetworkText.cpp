#include "NetworkText.h"

namespace vello {

QByteArray NetworkText::fromNetwork(QByteArrayView block)
{
    QByteArray out;
    out.reserve(block.size() + 1);
    qsizetype i = 0;
    if (m_pendingCr && !block.isEmpty()) {
        m_pendingCr = false;
        if (block.front() != '\n')
            out.append('\r');
    }
    for (; i < block.size(); ++i) {
        const char c = block.at(i);
        if (c == '\r') {
            if (i + 1 == block.size()) {
                m_pendingCr = true;
                break;
            }
            if (block.at(i + 1) == '\n')
                continue;
        }
        out.append(c);
    }
    return out;
}

QByteArray NetworkText::finish()
{
    if (!m_pendingCr)
        return {};
    m_pendingCr = false;
    return QByteArray(1, '\r');
}

QByteArray NetworkText::toNetwork(QByteArrayView block)
{
    QByteArray out;
    out.reserve(block.size() * 2);
    for (const char c : block) {
        if (c == '\n' && !m_lastWasCr)
            out.append('\r');
        out.append(c);
        m_lastWasCr = c == '\r';
    }
    return out;
}

} // namespace vello
