#include "core/NumberText.h"

#include "core/RuntimeError.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace pluvix::core {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

// Exponents are clamped here: anything beyond is out of double range either way.
constexpr long long exponentClamp = 100000;

} // namespace

double leadingNumber(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i]))
        ++i;

    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }

    // The mantissa goes into a plain buffer so the conversion never sees the locale.
    std::string buffer;
    long long intDigits = 0;        // significant digits before the point
    long long leadingFracZeros = 0; // zeros after the point before the first significant digit
    bool anyDigit = false;
    bool anySignificant = false;
    while (i < n && isDigit(text[i])) {
        anyDigit = true;
        if (text[i] != u'0' || anySignificant) {
            anySignificant = true;
            ++intDigits;
            buffer.push_back(static_cast<char>(text[i].unicode()));
        }
        ++i;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        buffer.push_back('.');
        while (i < n && isDigit(text[i])) {
            anyDigit = true;
            if (text[i] != u'0')
                anySignificant = true;
            else if (!anySignificant)
                ++leadingFracZeros;
            buffer.push_back(static_cast<char>(text[i].unicode()));
            ++i;
        }
    }
    if (!anyDigit || !anySignificant)
        return 0.0;

    long long exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            expNegative = text[j] == u'-';
            ++j;
        }
        // "1e" and "1e+" end before the letter: the exponent needs a digit.
        while (j < n && isDigit(text[j])) {
            exponent = qMin(exponent * 10 + (text[j].unicode() - u'0'), exponentClamp);
            ++j;
        }
        if (expNegative)
            exponent = -exponent;
    }
    buffer.push_back('e');
    buffer += std::to_string(exponent);

    double value = 0.0;
    const auto result = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Order of magnitude of the first significant digit decides overflow versus underflow.
        const long long order = (intDigits > 0 ? intDigits : -leadingFracZeros) + exponent;
        if (order > 0)
            throw RuntimeError::overflow();
        value = 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

double roundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

qint16 toInt16(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<qint16>::min() && r <= std::numeric_limits<qint16>::max()))
        throw RuntimeError::overflow();
    return static_cast<qint16>(r);
}

qint32 toInt32(double value) {
    const double r = roundHalfEven(value);
    if (!(r >= std::numeric_limits<qint32>::min() && r <= std::numeric_limits<qint32>::max()))
        throw RuntimeError::overflow();
    return static_cast<qint32>(r);
}

float toSingle(double value) {
    constexpr double maxSingle = std::numeric_limits<float>::max();
    // Values up to half a unit in the last place above the largest single still round to it.
    const double limit = maxSingle + std::ldexp(1.0, 127 - 24);
    if (std::isnan(value) || std::fabs(value) >= limit)
        throw RuntimeError::overflow();
    if (std::fabs(value) > maxSingle)
        return value < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
    return static_cast<float>(value);
}

qint16 textToInt16(QStringView text) {
    return toInt16(leadingNumber(text));
}

qint32 textToInt32(QStringView text) {
    return toInt32(leadingNumber(text));
}

float textToSingle(QStringView text) {
    return toSingle(leadingNumber(text));
}

QString intToText(qint64 value) {
    return QString::number(value);
}

QString singleToText(float value) {
    if (value == 0.0f) // also -0
        return QStringLiteral("0");
    // QString::number never uses the locale: "." and no group separators.
    return QString::number(static_cast<double>(value), 'g', 7);
}

QString singleToPresetText(float value) {
    QString text = singleToText(value);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

QString singleToDisplayText(float value) {
    const QString text = singleToPresetText(value);
    return text.startsWith(u'-') ? text : u' ' + text;
}

QString intToDisplayText(qint64 value) {
    return value < 0 ? intToText(value) : u' ' + intToText(value);
}

qint32 timerIntervalForSpeed(qint16 playSpeed) {
    if (playSpeed == 0)
        throw RuntimeError::divisionByZero();
    return toInt32(1000.0 / playSpeed);
}

} // namespace pluvix::core
