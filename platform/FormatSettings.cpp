#include "platform/FormatSettings.h"

#include "platform/Error.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace {

// Qt's date patterns use M for months and m for minutes, ours m for both.
QString PatternFromQt(const QString& qt)
{
    QString result;
    for (qsizetype i = 0; i < qt.size(); ++i) {
        const QChar c = qt.at(i);
        if (c == u'\'') {
            const qsizetype end = qt.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? qt.size() : end;
            result += u'"' + qt.mid(i + 1, stop - i - 1) + u'"';
            i = stop;
        } else if (c == u'M') {
            result += u'm';
        } else if (c == u'm') {
            result += u'n';
        } else if (c == u'H') {
            result += u'h';
        } else if (c == u'A' || c == u'a') {
            if (i + 1 < qt.size() && (qt.at(i + 1) == u'P' || qt.at(i + 1) == u'p'))
                ++i;
            result += QStringLiteral("ampm");
        } else if (c == u't') {
            // the zone name has no counterpart
        } else {
            result += c;
        }
    }
    return result.trimmed();
}

QChar FirstSeparator(const QString& pattern, QChar fallback)
{
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return fallback;
}

QString Number(int value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
}

class DateTimeFormatter {
public:
    DateTimeFormatter(TDateTime value, const TFormatSettings& settings)
        : fSettings(settings), fDate(DateOf(value)), fTime(TimeOf(value))
    {
    }

    QString Format(const QString& pattern)
    {
        Append(pattern.isEmpty() ? QStringLiteral("c") : pattern, 0);
        return fResult;
    }

private:
    void Append(const QString& pattern, int depth)
    {
        if (depth > 2) // a pattern that names itself through ddddd or t
            return;
        const bool twelveHour = pattern.contains(QStringLiteral("am/pm"), Qt::CaseInsensitive)
                                || pattern.contains(QStringLiteral("a/p"), Qt::CaseInsensitive)
                                || pattern.contains(QStringLiteral("ampm"), Qt::CaseInsensitive);
        QChar lastToken;
        qsizetype i = 0;
        while (i < pattern.size()) {
            QChar token = pattern.at(i).toUpper();
            if (token.isLetter()) {
                if (token == u'M' && lastToken == u'H')
                    token = u'N';
                lastToken = token;
            }
            const qsizetype count = RunLength(pattern, i);
            switch (token.unicode()) {
            case u'Y':
                fResult += count <= 2 ? Number(fDate.year() % 100, 2) : Number(fDate.year(), 4);
                i += count;
                break;
            case u'M':
                if (count <= 2)
                    fResult += Number(fDate.month(), int(count));
                else
                    fResult += (count == 3 ? fSettings.ShortMonthNames : fSettings.LongMonthNames)
                                   .value(fDate.month() - 1);
                i += count;
                break;
            case u'D':
                if (count <= 2)
                    fResult += Number(fDate.day(), int(count));
                else if (count <= 4)
                    fResult += (count == 3 ? fSettings.ShortDayNames : fSettings.LongDayNames)
                                   .value(fDate.dayOfWeek() % 7);
                else
                    Append(count == 5 ? fSettings.ShortDateFormat : fSettings.LongDateFormat, depth + 1);
                i += count;
                break;
            case u'H': {
                int hour = fTime.hour();
                if (twelveHour) {
                    hour %= 12;
                    if (hour == 0)
                        hour = 12;
                }
                fResult += Number(hour, count >= 2 ? 2 : 1);
                i += count;
                break;
            }
            case u'N':
                fResult += Number(fTime.minute(), count >= 2 ? 2 : 1);
                i += count;
                break;
            case u'S':
                fResult += Number(fTime.second(), count >= 2 ? 2 : 1);
                i += count;
                break;
            case u'Z':
                fResult += Number(fTime.msec(), count >= 3 ? 3 : 1);
                i += count;
                break;
            case u'T':
                Append(count == 1 ? fSettings.ShortTimeFormat : fSettings.LongTimeFormat, depth + 1);
                i += count;
                break;
            case u'C':
                Append(fSettings.ShortDateFormat, depth + 1);
                if (fTime.msecsSinceStartOfDay() != 0) {
                    fResult += u' ';
                    Append(fSettings.LongTimeFormat, depth + 1);
                }
                i += count;
                break;
            case u'A':
                i += AppendAmPm(pattern, i);
                break;
            case u'/':
                fResult += fSettings.DateSeparator;
                ++i;
                break;
            case u':':
                fResult += fSettings.TimeSeparator;
                ++i;
                break;
            case u'"':
            case u'\'': {
                const qsizetype end = pattern.indexOf(pattern.at(i), i + 1);
                const qsizetype stop = end < 0 ? pattern.size() : end;
                fResult += pattern.mid(i + 1, stop - i - 1);
                i = stop + 1;
                break;
            }
            default:
                fResult += pattern.at(i);
                ++i;
            }
        }
    }

    static qsizetype RunLength(const QString& pattern, qsizetype start)
    {
        const QChar c = pattern.at(start).toUpper();
        qsizetype end = start + 1;
        while (end < pattern.size() && pattern.at(end).toUpper() == c)
            ++end;
        return end - start;
    }

    qsizetype AppendAmPm(const QString& pattern, qsizetype i)
    {
        const bool pm = fTime.hour() >= 12;
        const QStringView rest = QStringView(pattern).mid(i);
        if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
            fResult += pm ? fSettings.TimePMString : fSettings.TimeAMString;
            return 4;
        }
        if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
            fResult += rest.mid(pm ? 3 : 0, 2);
            return 5;
        }
        if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
            fResult += rest.mid(pm ? 2 : 0, 1);
            return 3;
        }
        fResult += pattern.at(i);
        return 1;
    }

    const TFormatSettings& fSettings;
    const QDate fDate;
    const QTime fTime;
    QString fResult;
};

} // namespace

TFormatSettings FormatSettingsFromLocale(const QLocale& locale)
{
    TFormatSettings s;
    s.ShortDateFormat = PatternFromQt(locale.dateFormat(QLocale::ShortFormat));
    s.LongDateFormat = PatternFromQt(locale.dateFormat(QLocale::LongFormat));
    s.ShortTimeFormat = PatternFromQt(locale.timeFormat(QLocale::ShortFormat));
    s.LongTimeFormat = PatternFromQt(locale.timeFormat(QLocale::LongFormat).remove(u't'));
    s.DateSeparator = FirstSeparator(s.ShortDateFormat, u'/');
    s.TimeSeparator = FirstSeparator(s.ShortTimeFormat, u':');
    const QString group = locale.groupSeparator();
    s.ThousandSeparator = group.isEmpty() ? QChar(0) : group.at(0);
    const QString decimal = locale.decimalPoint();
    s.DecimalSeparator = decimal.isEmpty() ? QChar(u'.') : decimal.at(0);
    s.CurrencyString = locale.currencySymbol();
    s.ListSeparator = s.DecimalSeparator == u',' ? QChar(u';') : QChar(u',');
    s.TimeAMString = locale.amText();
    s.TimePMString = locale.pmText();
    for (int month = 1; month <= 12; ++month) {
        s.ShortMonthNames << locale.monthName(month, QLocale::ShortFormat);
        s.LongMonthNames << locale.monthName(month, QLocale::LongFormat);
    }
    for (int day = 0; day < 7; ++day) {
        const int qtDay = day == 0 ? 7 : day; // Qt counts Monday as 1
        s.ShortDayNames << locale.dayName(qtDay, QLocale::ShortFormat);
        s.LongDayNames << locale.dayName(qtDay, QLocale::LongFormat);
    }
    return s;
}

TFormatSettings& DefaultFormatSettings()
{
    static TFormatSettings settings = FormatSettingsFromLocale();
    return settings;
}

namespace {

char* Copy(char* out, std::string_view text) { return std::copy(text.begin(), text.end(), out); }

// A positive number rounded to 15 significant digits: 0.d1d2...d15 x 10^exponent.
struct TRoundedDigits {
    std::array<char, 15> digits;
    int exponent;
};

constexpr std::uint64_t kTenTo14 = 100000000000000;
constexpr std::uint64_t kTenTo15 = 10 * kTenTo14;

constexpr std::array<std::uint64_t, 28> kPowersOfFive = [] {
    std::array<std::uint64_t, 28> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& p : powers) {
        p = power;
        power *= 5;
    }
    return powers;
}();

constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The 15 decimal digits of a number from 10^14 to 10^15 - 1, two at a time.
std::array<char, 15> ToDigits(std::uint64_t number)
{
    std::array<char, 15> digits;
    for (std::size_t pairAt = 7; pairAt > 0; --pairAt) {
        const std::size_t pair = 2 * (number % 100);
        number /= 100;
        digits[2 * pairAt - 1] = kDigitPairs[pair];
        digits[2 * pairAt] = kDigitPairs[pair + 1];
    }
    digits[0] = static_cast<char>('0' + number);
    return digits;
}

#if defined(Q_CC_GNU) && defined(__SIZEOF_INT128__)
using TUInt128 = QIntegerForSize<16>::Unsigned;

// The rounding done in whole numbers, exact: value x 10^k is m x 5^k x 2^(q+k)
// for the 53-bit significand m, which fits 128 bits for the moderate
// exponents of coordinates and most other numbers. None outside those.
std::optional<TRoundedDigits> RoundExactly(double value)
{
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biasedExponent = static_cast<int>(bits >> 52);
    if (biasedExponent == 0) // subnormal
        return std::nullopt;
    const std::uint64_t significand = (bits & ((std::uint64_t(1) << 52) - 1)) | std::uint64_t(1) << 52;
    const int q = biasedExponent - 1075; // value = significand x 2^q, 2^(q+52) <= value < 2^(q+53)
    // A first guess of the decimal exponent, floor((q + 52) x log10(2)) + 1
    // in whole numbers, off by one at most; the loop settles it.
    int exponent = ((q + 52) * 78913 >> 18) + 1;
    for (;;) {
        const int k = 15 - exponent;
        const int shift = -(q + k); // value x 10^k = scaled / 2^shift
        if (k < 0 || k >= static_cast<int>(kPowersOfFive.size()) || shift < -10 || shift > 120)
            return std::nullopt;
        const TUInt128 scaled = static_cast<TUInt128>(significand) * kPowersOfFive[k];
        const TUInt128 whole = shift <= 0 ? scaled << -shift : scaled >> shift;
        if (whole >= kTenTo15) {
            ++exponent;
            continue;
        }
        if (whole < kTenTo14) {
            --exponent;
            continue;
        }
        auto rounded = static_cast<std::uint64_t>(whole);
        if (shift > 0) {
            const TUInt128 rest = scaled - (whole << shift);
            const TUInt128 half = static_cast<TUInt128>(1) << (shift - 1);
            // Half to even; without branches, as the digits cut off are random.
            rounded += static_cast<std::uint64_t>(rest > half) | (static_cast<std::uint64_t>(rest == half) & rounded);
        }
        if (rounded == kTenTo15) { // 9.99...95 and up: one digit more
            rounded = kTenTo14;
            ++exponent;
        }
        return TRoundedDigits{ToDigits(rounded), exponent};
    }
}
#else
std::optional<TRoundedDigits> RoundExactly(double) { return std::nullopt; } // no 128-bit numbers
#endif

// What std::to_chars makes of the number, rounded once: "d.dddddddddddddde±xx".
TRoundedDigits RoundByCharconv(double value)
{
    char scientific[32];
    const char* const end =
        std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific, 14).ptr;
    TRoundedDigits rounded{};
    rounded.digits[0] = scientific[0];
    std::copy(scientific + 2, scientific + 16, rounded.digits.begin() + 1);
    std::from_chars(scientific + 18, end, rounded.exponent);
    rounded.exponent = (scientific[17] == '-' ? -rounded.exponent : rounded.exponent) + 1;
    return rounded;
}

// A positive, finite number rounded to 15 significant digits, half to even.
TRoundedDigits RoundToFifteenDigits(double value)
{
    // The whole-number way gives the same digits, several times faster.
    if (const std::optional<TRoundedDigits> rounded = RoundExactly(value))
        return *rounded;
    return RoundByCharconv(value);
}

} // namespace

char* FloatToChars(char* out, double value, char decimalSeparator)
{
    if (std::isnan(value))
        return Copy(out, std::signbit(value) ? "-NAN" : "NAN");
    if (std::isinf(value))
        return Copy(out, value < 0 ? "-INF" : "INF");
    if (value == 0)
        return Copy(out, "0");

    const TRoundedDigits rounded = RoundToFifteenDigits(std::fabs(value));
    int count = 15;
    while (count > 1 && rounded.digits[count - 1] == '0')
        --count;
    const std::string_view significant(rounded.digits.data(), count);
    const int exponent = rounded.exponent; // value = 0.d1d2... x 10^exponent

    if (value < 0)
        *out++ = '-';
    if (exponent >= -3 && exponent <= 15) {
        if (exponent <= 0) {
            out = Copy(out, "0");
            *out++ = decimalSeparator;
            out = std::fill_n(out, -exponent, '0');
            out = Copy(out, significant);
        } else if (count <= exponent) {
            out = Copy(out, significant);
            out = std::fill_n(out, exponent - count, '0');
        } else {
            out = Copy(out, significant.substr(0, exponent));
            *out++ = decimalSeparator;
            out = Copy(out, significant.substr(exponent));
        }
    } else {
        *out++ = significant[0];
        if (count > 1) {
            *out++ = decimalSeparator;
            out = Copy(out, significant.substr(1));
        }
        *out++ = 'E';
        out = std::to_chars(out, out + 8, exponent - 1).ptr;
    }
    return out;
}

QString FloatToStr(double value, const TFormatSettings& settings)
{
    char text[cFloatTextCapacity];
    const char* const end = FloatToChars(text, value, '.');
    QString result = QString::fromLatin1(text, end - text);
    if (settings.DecimalSeparator != u'.')
        result.replace(u'.', settings.DecimalSeparator);
    return result;
}

double StrToFloat(const QString& text, const TFormatSettings& settings)
{
    const auto invalid = [&text] {
        return Error(TErrorKind::ekInvalidValue, QStringLiteral("'%1' is not a valid floating point value").arg(text));
    };
    const QString trimmed = text.trimmed();
    QByteArray plain;
    bool digitSeen = false;
    bool pointSeen = false;
    bool exponentSeen = false;
    bool exponentDigit = false;
    for (qsizetype i = 0; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        const bool atSignPlace = i == 0 || (exponentSeen && plain.endsWith('E'));
        if ((c == u'+' || c == u'-') && atSignPlace) {
            plain += char(c.unicode());
        } else if (c >= u'0' && c <= u'9') {
            plain += char(c.unicode());
            (exponentSeen ? exponentDigit : digitSeen) = true;
        } else if (c == settings.DecimalSeparator && !pointSeen && !exponentSeen) {
            plain += '.';
            pointSeen = true;
        } else if ((c == u'e' || c == u'E') && digitSeen && !exponentSeen) {
            plain += 'E';
            exponentSeen = true;
        } else {
            throw invalid();
        }
    }
    if (!digitSeen || (exponentSeen && !exponentDigit))
        throw invalid();
    double value = 0;
    if (plain.startsWith('+'))
        plain.remove(0, 1);
    const auto parsed = std::from_chars(plain.constData(), plain.constData() + plain.size(), value);
    if (parsed.ec != std::errc())
        throw invalid();
    return value;
}

QString FormatDateTime(const QString& pattern, TDateTime value, const TFormatSettings& settings)
{
    return DateTimeFormatter(value, settings).Format(pattern);
}

QString DateTimeToStr(TDateTime value, const TFormatSettings& settings)
{
    return FormatDateTime(QStringLiteral("c"), value, settings);
}
