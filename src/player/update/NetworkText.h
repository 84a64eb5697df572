// Line ends of FTP text transfers: the network's CR LF and the local LF, converted block by block.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace vello {

/// One transfer's conversion; keeps the state that spans blocks.
class NetworkText final
{
public:
    /// A received block as local bytes: CR LF becomes LF. A CR that ends the block waits for the next.
    QByteArray fromNetwork(QByteArrayView block);
    /// What is held back when the transfer ends (a last lone CR).
    QByteArray finish();
    /// A local block as network bytes: an LF that does not follow a CR becomes CR LF. At most twice
    /// the block's size.
    QByteArray toNetwork(QByteArrayView block);

private:
    bool m_pendingCr = false;
    bool m_lastWasCr = false;
};

} // namespace vello
