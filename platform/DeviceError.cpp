#include "platform/DeviceError.h"

#include "platform/Error.h"

#include <QFileDevice>

namespace {

// A file's reason; `unsaid` when it set none, since Qt's stand-in text would
// tell the user nothing.
QString ReasonOf(const QFileDevice& file, const QString& unsaid)
{
    return file.error() == QFileDevice::NoError ? unsaid : file.errorString();
}

} // namespace

void RaiseWriteFailure(QIODevice& device)
{
    if (auto* ours = dynamic_cast<TFailingDevice*>(&device))
        ours->RaiseFailure();
    if (const auto* file = qobject_cast<const QFileDevice*>(&device))
        throw Error::CannotCreateFile(file->fileName(), ReasonOf(*file, QStringLiteral("It took no more")));
    throw Error(TErrorKind::ekWriteFailed, ErrorText::StreamWrite(), QString(), device.errorString());
}

void RaiseReadFailure(QIODevice& device)
{
    if (auto* ours = dynamic_cast<TFailingDevice*>(&device))
        ours->RaiseFailure();
    if (const auto* file = qobject_cast<const QFileDevice*>(&device))
        throw Error::CannotReadFile(file->fileName(), ReasonOf(*file, ErrorText::FileShrank()));
    throw Error(TErrorKind::ekReadFailed, ErrorText::StreamRead(), QString(), device.errorString());
}
