#include "geo/uEasyCrypt.h"

#include "platform/Error.h"

QByteArray ansi_str_code(QByteArrayView s, encdec mode)
{
    // The file format's scrambling counts positions in 16 bits: a longer
    // text has no scrambled form.
    if (s.size() > 65535)
        throw Error::RangeCheck();
    QByteArray result(s.size(), Qt::Uninitialized);
    int offs = 5;
    bool dir_up = true;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const int byte = static_cast<unsigned char>(s.at(i));
        const int coded = mode == encdec::_encode ? byte + offs : byte - offs;
        result[i] = static_cast<char>(coded & 0xFF);
        if (dir_up) {
            if (++offs == 10)
                dir_up = false;
        } else if (--offs == 1) {
            dir_up = true;
        }
    }
    return result;
}

QByteArray AnsiCode(QByteArrayView s) { return ansi_str_code(s, encdec::_encode); }
QByteArray AnsiDeCode(QByteArrayView s) { return ansi_str_code(s, encdec::_decode); }
