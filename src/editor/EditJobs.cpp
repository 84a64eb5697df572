#include "EditJobs.h"

#include "Logging.h"
#include "NativePath.h"
#include "RmFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vello::editor {

namespace {

QString named(const QString& path)
{
    return QStringLiteral("「") + displayPath(path) + QStringLiteral("」");
}

QString engineText(int error)
{
    return QString::fromStdString(rm::RmFile::errorText(error));
}

/// Engine failure concerning one input: the engine's sentence and the file.
QString inputFailure(int error, const QString& path)
{
    return engineText(error) + u'\n' + named(path);
}

JobOutcome failed(const QString& text, OutputTarget& output)
{
    output.discard();
    return {false, text, {}};
}

rm::ProgressCallback progressInto(JobControl& control)
{
    return [&control](uint64_t done, uint64_t total) {
        control.permille.store(total == 0 ? 1000 : int(done * 1000 / total));
        return !control.cancel.load();
    };
}

/// Writes the engine's result into the reserved temporary file and puts it in place.
JobOutcome writeAndCommit(rm::RmFile& file, OutputTarget& output, JobControl& control)
{
    QString error;
    if (!output.reserveTemporary(&error) || !output.closeDescriptor(&error))
        return failed(error, output);
    const int written = file.write(toNativePath(output.temporary()).toStdString(), progressInto(control));
    if (written != 0) {
        if (control.cancel.load())
            return failed(EditJobs::cancelledText(), output);
        return failed(engineText(written), output);
    }
    if (!output.commit(&error))
        return failed(error, output);
    control.permille.store(1000);
    return {true, {}, {}};
}

} // namespace

JobOutcome EditJobs::joinRealMedia(const QStringList& inputs, const QString& title, OutputTarget& output,
                                   JobControl& control)
{
    if (inputs.isEmpty())
        return failed(QStringLiteral("ｲﾝﾌﾟｯﾄﾌｧｲﾙを追加してください。"), output);
    int error = 0;
    std::unique_ptr<rm::RmFile> file = rm::OpenRmFile(toNativePath(inputs.first()).toStdString(), &error);
    if (!file)
        return failed(inputFailure(error, inputs.first()), output);
    for (qsizetype i = 1; i < inputs.size(); ++i) {
        if (control.cancel.load())
            return failed(cancelledText(), output);
        error = file->append(toNativePath(inputs.at(i)).toStdString());
        if (error != 0)
            return failed(inputFailure(error, inputs.at(i)), output);
    }
    if (!title.isEmpty())
        file->setTitle(title.toStdString());
    return writeAndCommit(*file, output, control);
}

JobOutcome EditJobs::cutRealMedia(const QString& source, qint32 startMs, qint32 endMs, OutputTarget& output,
                                  JobControl& control)
{
    int error = 0;
    std::unique_ptr<rm::RmFile> file = rm::OpenRmFile(toNativePath(source).toStdString(), &error);
    if (!file)
        return failed(inputFailure(error, source), output);
    file->setStartPosition(startMs);
    file->setEndPosition(endMs);
    return writeAndCommit(*file, output, control);
}

JobOutcome EditJobs::joinMpeg(const QStringList& inputs, OutputTarget& output, JobControl& control)
{
    if (inputs.isEmpty())
        return failed(QStringLiteral("ｲﾝﾌﾟｯﾄﾌｧｲﾙを追加してください。"), output);
    QString error;
    if (!output.reserveTemporary(&error))
        return failed(error, output);

    // The total for the progress: every input that is there now.
    quint64 total = 0;
    for (const QString& input : inputs) {
        struct stat st
        {
        };
        if (::stat(toNativePath(input).constData(), &st) == 0 && S_ISREG(st.st_mode))
            total += quint64(st.st_size);
    }
    quint64 done = 0;
    const auto advance = [&](quint64 bytes) {
        done += bytes;
        control.permille.store(total == 0 ? 1000 : int(std::min<quint64>(done, total) * 1000 / total));
    };
    const auto writeFailure = [](int e) {
        return QStringLiteral("ｱｳﾄﾌﾟｯﾄﾌｧｲﾙへの書き込みに失敗しました。") + OutputTarget::systemErrorText(e);
    };

    JobOutcome outcome{true, {}, {}};
    const int out = output.descriptor();
    std::vector<char> buffer;
    quint64 written = 0;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString& input = inputs.at(i);
        // Not blocking: a pipe or device that took the name opens at once and is then skipped or refused.
        const int in = ::open(toNativePath(input).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (in < 0) {
            if (i > 0 && errno == ENOENT) {
                qCInfo(lcEditor) << "missing input skipped:" << displayPath(input);
                outcome.skipped.append(input);
                continue;
            }
            return failed(named(input) + QStringLiteral("を開けません。") +
                              OutputTarget::systemErrorText(errno),
                          output);
        }
        struct stat st
        {
        };
        if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(in);
            if (i > 0) {
                // A later entry that is no file (a folder named like a clip) is passed over like a missing
                // one.
                qCInfo(lcEditor) << "input that is not a file skipped:" << displayPath(input);
                outcome.skipped.append(input);
                continue;
            }
            return failed(named(input) + QStringLiteral("はファイルではありません。"), output);
        }
        const quint64 size = quint64(st.st_size);
        const auto readFailure = [&](int e) {
            ::close(in);
            return failed(named(input) + QStringLiteral("を読み込めません。") +
                              OutputTarget::systemErrorText(e),
                          output);
        };

        // The kernel copies as long as it can; when it stops short of the input's size or fails, the rest
        // goes through memory, where a failing read is told from a failing write.
        quint64 copied = 0;
        bool kernelCopy = true;
        for (;;) {
            if (control.cancel.load()) {
                ::close(in);
                return failed(cancelledText(), output);
            }
            ssize_t n = 0;
            if (kernelCopy) {
                n = ::copy_file_range(in, nullptr, out, nullptr, 8u << 20, 0);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0 || (n == 0 && copied < size)) {
                    qCDebug(lcEditor) << "kernel copy stopped at" << copied << "of" << size << "bytes, errno"
                                      << (n < 0 ? errno : 0) << "; copying through memory";
                    kernelCopy = false;
                    continue;
                }
            } else {
                if (buffer.empty())
                    buffer.resize(1u << 20);
                n = ::read(in, buffer.data(), buffer.size());
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    return readFailure(errno);
                for (ssize_t off = 0; off < n;) {
                    const ssize_t w = ::write(out, buffer.data() + off, size_t(n - off));
                    if (w < 0 && errno == EINTR)
                        continue;
                    if (w <= 0) {
                        const int e = w < 0 ? errno : ENOSPC;
                        ::close(in);
                        return failed(writeFailure(e), output);
                    }
                    off += w;
                }
            }
            if (n == 0)
                break;
            copied += quint64(n);
            advance(quint64(n));
        }
        ::close(in);
        if (copied < size)
            return failed(named(input) + QStringLiteral("を最後まで読み込めませんでした。") +
                              QStringLiteral("ファイルが読み込み中に短くなりました。"),
                          output);
        written += copied;
    }
    struct stat result
    {
    };
    if (::fstat(out, &result) != 0 || quint64(result.st_size) != written)
        return failed(writeFailure(EIO), output);
    if (::fsync(out) != 0 && errno != EINVAL)
        return failed(writeFailure(errno), output);
    if (!output.commit(&error))
        return failed(error, output);
    control.permille.store(1000);
    return outcome;
}

} // namespace vello::editor
