// What the programs log at info level in the given categories while the object lives, as
// QT_LOGGING_RULES='vello.*=true' shows it to a user.
#pragma once

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStringList>

class LogCapture
{
public:
    explicit LogCapture(const QStringList& categories)
    {
        s_lines.clear();
        QLoggingCategory::setFilterRules(categories.join(QStringLiteral(".info=true\n")) +
                                         QStringLiteral(".info=true"));
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

    /// The lines of category that contain text.
    static QStringList lines(const QString& category, const QString& text)
    {
        return s_lines.filter(QRegularExpression(u'^' + QRegularExpression::escape(category) +
                                                 QStringLiteral(": .*") + QRegularExpression::escape(text)));
    }

private:
    static inline QStringList s_lines;
    QtMessageHandler m_previous = nullptr;
};
