// A settings host that records what the settings logic asks of the main window, in order.
#pragma once

#include "ConfigHost.h"

#include <QString>
#include <QStringList>

class RecordingHost : public vello::ConfigHost
{
public:
    /// false: hiding and showing the main window are not recorded.
    explicit RecordingHost(bool recordWindow = true) : m_recordWindow(recordWindow) {}

    void hideMainWindow() override
    {
        if (m_recordWindow)
            calls << QStringLiteral("hide");
    }
    void showMainWindow() override
    {
        if (m_recordWindow)
            calls << QStringLiteral("show");
    }
    void setColumnWidths(int title, int date, int size) override
    {
        calls << QStringLiteral("columns %1 %2 %3").arg(title).arg(date).arg(size);
    }
    void applyTopMost(bool on) override { calls << QStringLiteral("topmost %1").arg(on); }
    void applyFixedRatio(bool on) override { calls << QStringLiteral("ratio %1").arg(on); }

    QStringList calls;

private:
    bool m_recordWindow;
};
