#include "MessageService.h"

#include "Logging.h"

#include <cstdio>

namespace vello {

namespace {

class StderrMessageService : public MessageService
{
public:
    MessageAnswer show(const Message& message) override
    {
        std::fprintf(stderr, "[%s] %s\n", qUtf8Printable(message.caption), qUtf8Printable(message.text));
        return message.defaultAnswer;
    }
};

StderrMessageService g_fallback;
MessageService* g_installed = nullptr;
QObject* g_owner = nullptr;
QString g_programTitle = QStringLiteral("Velloplayer");

} // namespace

MessageService& MessageService::current()
{
    return g_installed ? *g_installed : static_cast<MessageService&>(g_fallback);
}

MessageService* MessageService::install(MessageService* service)
{
    MessageService* previous = g_installed;
    g_installed = service;
    return previous;
}

void MessageService::setProgramTitle(const QString& title)
{
    g_programTitle = title;
}

QString MessageService::programTitle()
{
    return g_programTitle;
}

static const char* answerName(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Ok:
        return "OK";
    case MessageAnswer::Yes:
        return "Yes";
    case MessageAnswer::No:
        return "No";
    }
    return "?";
}

static const char* iconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return "message";
    case MessageIcon::Critical:
        return "critical";
    case MessageIcon::Question:
        return "question";
    case MessageIcon::Warning:
        return "warning";
    case MessageIcon::Information:
        return "information";
    }
    return "message";
}

ScopedMessageOwner::ScopedMessageOwner(QObject* owner) : m_previous(g_owner)
{
    g_owner = owner;
}

ScopedMessageOwner::~ScopedMessageOwner()
{
    g_owner = m_previous;
}

MessageAnswer MessageService::ask(const Message& asked)
{
    Message message = asked;
    if (!message.owner)
        message.owner = g_owner;
    qCInfo(lcMessage).noquote().nospace()
        << iconName(message.icon) << " [" << message.caption << "] " << message.text;
    if (!message.details.isEmpty())
        qCInfo(lcMessage).noquote() << message.details;
    const MessageAnswer answer = current().show(message);
    qCInfo(lcMessage).noquote().nospace() << "answer: " << answerName(answer);
    return answer;
}

static QString captionOr(const QString& caption)
{
    return caption.isEmpty() ? MessageService::programTitle() : caption;
}

void MessageService::information(const QString& text, const QString& caption)
{
    ask({text, captionOr(caption), MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok});
}

void MessageService::warning(const QString& text, const QString& caption)
{
    ask({text, captionOr(caption), MessageIcon::Warning, MessageButtons::Ok, MessageAnswer::Ok});
}

void MessageService::critical(const QString& text, const QString& caption)
{
    ask({text, captionOr(caption), MessageIcon::Critical, MessageButtons::Ok, MessageAnswer::Ok});
}

bool MessageService::question(const QString& text, bool defaultNo, const QString& caption)
{
    const MessageAnswer answer = ask({text, captionOr(caption), MessageIcon::Question, MessageButtons::YesNo,
                                      defaultNo ? MessageAnswer::No : MessageAnswer::Yes});
    return answer == MessageAnswer::Yes;
}

QString MessageService::standardErrorText(const AppError& error)
{
    qint64 number = error.number;
    if (number >= errors::AutomationBase && number < errors::AutomationBase + 0x10000)
        number -= errors::AutomationBase;
    return QStringLiteral("%1(%2)").arg(error.description).arg(number);
}

void MessageService::standardError(const AppError& error)
{
    ask({standardErrorText(error), captionOr(error.source), MessageIcon::Critical, MessageButtons::Ok,
         MessageAnswer::Ok});
}

MessageAnswer RecordingMessageService::show(const Message& message)
{
    m_shown.append(message);
    if (message.buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    if (!m_answers.isEmpty())
        return m_answers.takeFirst();
    return message.defaultAnswer;
}

} // namespace vello
