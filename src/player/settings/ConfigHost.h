// What the settings store applies to the main window: on the very first start and after the settings window's
// OK.
#pragma once

namespace vello {

/// Implemented by the main window. Called on the window thread from M_Config while LoadConfig creates
/// Config.ini and from M_Config::applyDisplaySettings; every call must tolerate being made before the
/// window was ever shown.
class ConfigHost
{
public:
    virtual ~ConfigHost() = default;

    virtual void hideMainWindow() = 0;
    virtual void showMainWindow() = 0;
    /// Widths of the file list's title, date and size columns in twips; 0 hides a column. The window may
    /// widen a shown column to what its texts need.
    virtual void setColumnWidths(int titleTwips, int dateTwips, int sizeTwips) = 0;
    /// Above all other windows (true) or back to the normal z-order (false).
    virtual void applyTopMost(bool topMost) = 0;
    /// Install (true) or remove (false) the aspect-ratio keeping on resizes; idempotent.
    virtual void applyFixedRatio(bool fixedRatio) = 0;
};

} // namespace vello
