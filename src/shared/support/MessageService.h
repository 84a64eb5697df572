// The one route for every message box and question of both programs; tests install a recording service.
#pragma once

#include "AppError.h"

#include <QList>
#include <QObject>
#include <QString>

namespace vello {

enum class MessageIcon
{
    None,
    Critical,
    Question,
    Warning,
    Information
};
enum class MessageButtons
{
    Ok,
    YesNo
};
enum class MessageAnswer
{
    Ok,
    Yes,
    No
};

struct Message
{
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    MessageAnswer defaultAnswer = MessageAnswer::Ok;
    /// More text shown below the text (the message box's informative text); usually empty.
    QString details{};
    /// The window that asks (its box is shown over it and gives the focus back to it); null when none.
    QObject* owner = nullptr;
};

/// Shows messages and asks questions. Window thread only. The installed service is process-wide;
/// without one, messages go to standard error and questions take their default answer.
class MessageService
{
public:
    virtual ~MessageService() = default;

    /// Shows the message and blocks until the user answers; returns the answer. Callers use ask() or the
    /// static helpers, which also log the message; services implement this.
    virtual MessageAnswer show(const Message& message) = 0;

    /// Shows the message through the installed service and logs its text verbatim and the answer on
    /// vello.message (info level).
    static MessageAnswer ask(const Message& message);

    /// The installed service (never null).
    static MessageService& current();
    /// Installs a service (not owned); nullptr restores the fallback. Returns the previous one.
    static MessageService* install(MessageService* service);

    /// The caption used when a message names none: the program's title.
    static void setProgramTitle(const QString& title);
    static QString programTitle();

    static void information(const QString& text, const QString& caption = {});
    static void warning(const QString& text, const QString& caption = {});
    static void critical(const QString& text, const QString& caption = {});
    /// A question with Yes and No; true for Yes. defaultNo makes No the default button.
    static bool question(const QString& text, bool defaultNo, const QString& caption = {});

    /// The standard error report: critical icon, text = description "(" number ")", caption = the source.
    /// A number carrying the automation-error base 0x80040000 is shown less that base.
    static void standardError(const AppError& error);
    static QString standardErrorText(const AppError& error);
};

/// A service for tests and headless runs: records every message and answers questions from a queue
/// (then with the default answer).
class RecordingMessageService : public MessageService
{
public:
    MessageAnswer show(const Message& message) override;

    void queueAnswer(MessageAnswer answer) { m_answers.append(answer); }
    const QList<Message>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }

private:
    QList<Message> m_shown;
    QList<MessageAnswer> m_answers;
};

/// Messages shown while this object lives belong to the window given (see Message::owner), unless they
/// name their own. Scopes nest. Window thread only.
class ScopedMessageOwner
{
public:
    explicit ScopedMessageOwner(QObject* owner);
    ~ScopedMessageOwner();
    ScopedMessageOwner(const ScopedMessageOwner&) = delete;
    ScopedMessageOwner& operator=(const ScopedMessageOwner&) = delete;

private:
    QObject* m_previous;
};

/// Installs a service for the lifetime of this object and restores the previous one afterwards.
class ScopedMessageService
{
public:
    explicit ScopedMessageService(MessageService* service) : m_previous(MessageService::install(service)) {}
    ~ScopedMessageService() { MessageService::install(m_previous); }
    ScopedMessageService(const ScopedMessageService&) = delete;
    ScopedMessageService& operator=(const ScopedMessageService&) = delete;

private:
    MessageService* m_previous;
};

} // namespace vello
