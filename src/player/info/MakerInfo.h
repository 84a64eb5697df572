// The maker's texts of Velloplayer: web address, e-mail, product name, rights holder and years, in one place.
#pragma once

#include <QString>

namespace vello::maker {

/// The project's web page, where the newest version is published.
inline QString webAddress()
{
    return QStringLiteral("https://velloplayer.example.org/");
}

/// The address users send their questions to.
inline QString mailAddress()
{
    return QStringLiteral("velloplayer@example.org");
}

/// The product's full name.
inline QString productFullName()
{
    return QStringLiteral("Velloplayer フォルダ連続再生メディアプレーヤー");
}

/// The holder of the rights.
inline QString rightsHolder()
{
    return QStringLiteral("Velloplayer Project");
}

/// The years of publication.
inline QString years()
{
    return QStringLiteral("2026");
}

} // namespace vello::maker
