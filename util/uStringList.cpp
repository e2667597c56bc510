#include "util/uStringList.h"

QString TStringList::Text() const
{
    QString text;
    for (const QString& line : Lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

void TStringList::SetText(const QString& text)
{
    Lines.clear();
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != u'\r' && text.at(end) != u'\n')
            ++end;
        Lines << text.mid(start, end - start);
        if (end < size && text.at(end) == u'\r' && end + 1 < size && text.at(end + 1) == u'\n')
            ++end;
        start = end + 1;
    }
}
