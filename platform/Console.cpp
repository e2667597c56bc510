#include "platform/Console.h"

#include <cerrno>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>
#endif

namespace {

QString WriteBytes(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    if (std::fflush(stream) == 0 && !std::ferror(stream))
        return {};
    return qt_error_string(errno);
}

} // namespace

#ifdef Q_OS_WIN

QList<TSystemName> ProgramArguments(int, char*[])
{
    int count = 0;
    wchar_t** const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    QList<TSystemName> result;
    for (int i = 1; i < count; ++i)
        result.append({QString::fromWCharArray(arguments[i])});
    LocalFree(arguments);
    return result;
}

QString WriteText(std::FILE* stream, const QString& text)
{
    const HANDLE handle = GetStdHandle(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(handle, &mode)) {
        // A pipe or a file gets the bytes as they are, as on other systems.
        _setmode(_fileno(stream), _O_BINARY);
        return WriteBytes(stream, text);
    }
    std::fflush(stream);
    for (qsizetype done = 0; done < text.size();) {
        DWORD written = 0;
        qsizetype piece = std::min<qsizetype>(text.size() - done, 8192);
        // A character made of two units is written whole.
        if (piece < text.size() - done && text.at(done + piece - 1).isHighSurrogate())
            --piece;
        if (!WriteConsoleW(handle, text.utf16() + done, static_cast<DWORD>(piece), &written, nullptr) || written == 0)
            return qt_error_string();
        done += written;
    }
    return {};
}

#else

QList<TSystemName> ProgramArguments(int argc, char* argv[])
{
    QList<TSystemName> result;
    for (int i = 1; i < argc; ++i)
        result.append(DecodeSystemName(QByteArray(argv[i])));
    return result;
}

QString WriteText(std::FILE* stream, const QString& text) { return WriteBytes(stream, text); }

#endif
