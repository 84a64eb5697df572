// The about window's texts: title, caption, version text, description, legal notice and web link.
#pragma once

#include <QString>

namespace vello {

/// Texts of frmAbout, without widgets. Line breaks are "\n".
class AboutInfo
{
public:
    /// The application title, "Velloplayer".
    static QString title();
    /// The window caption: the title followed by "のﾊﾞｰｼﾞｮﾝ情報".
    static QString caption();
    /// "Ver " + major + "." + minor + revision, each in decimal without leading zeros and with no separator
    /// between minor and revision: 1.0.0 gives "Ver 1.00", 3.3.9 gives "Ver 3.39".
    static QString versionText(int major, int minor, int revision);
    /// The version text of this build.
    static QString versionText();
    /// The product's full name, the rights notice with the years, a blank line and the contact line.
    static QString description();
    /// Two lines: protection by law and international treaties, then the rights holder.
    static QString disclaimer();
    /// The maker's web address, shown as the link and opened by it.
    static QString url();
};

} // namespace vello
