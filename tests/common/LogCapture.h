// Collects what the programs log at info level in the given categories while the object lives, as
// QT_LOGGING_RULES='vello.*=true' shows it to a user.
#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

class LogCapture
{
public:
    explicit LogCapture(const QStringList& categories)
    {
        s_lines.clear();
        QStringList rules;
        for (const QString& category : categories)
            rules << category + QStringLiteral(".info=true");
        QLoggingCategory::setFilterRules(rules.join(u'\n'));
        m_previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
                s_lines << QString::fromLatin1(context.category) + QStringLiteral(": ") + text;
            });
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    /// The lines of category that contain text.
    static QStringList lines(const QString& category, const QString& text)
    {
        QStringList found;
        for (const QString& line : s_lines) {
            if (line.startsWith(category + QStringLiteral(": ")) && line.contains(text))
                found << line;
        }
        return found;
    }

private:
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
