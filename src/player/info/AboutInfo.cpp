#include "AboutInfo.h"

#include "MakerInfo.h"
#include "VelloVersion.h"

namespace vello {

QString AboutInfo::title()
{
    return QStringLiteral("Velloplayer");
}

QString AboutInfo::caption()
{
    return title() + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報");
}

QString AboutInfo::versionText(int major, int minor, int revision)
{
    return QStringLiteral("Ver %1.%2%3").arg(major).arg(minor).arg(revision);
}

QString AboutInfo::versionText()
{
    return versionText(VELLO_VERSION_MAJOR, VELLO_VERSION_MINOR, VELLO_VERSION_PATCH);
}

QString AboutInfo::description()
{
    return maker::productFullName() + u'\n' +
           QStringLiteral("Copyright (C) %1 %2").arg(maker::years(), maker::rightsHolder()) +
           QStringLiteral("\n\n") +
           QStringLiteral("ご質問やご意見は %1 までメールでお送りください。").arg(maker::mailAddress());
}

QString AboutInfo::disclaimer()
{
    return QStringLiteral("このプログラムは、著作権法および国際条約によって保護されています。") + u'\n' +
           QStringLiteral("著作権者: %1").arg(maker::rightsHolder());
}

QString AboutInfo::url()
{
    return maker::webAddress();
}

} // namespace vello
