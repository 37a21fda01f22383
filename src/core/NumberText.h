#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace pluvix::core {

// Text to number: the leading number of the text. Leading blanks are skipped, then an optional
// sign, digits, "." and fraction digits, and an optional exponent (e/E, optional sign, digits);
// reading stops at the first character that cannot continue the number. "." is the decimal
// point whatever the locale. No number gives 0. A magnitude beyond double range throws
// RuntimeError::overflow().
double leadingNumber(QStringView text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -5.5 -> -6).
double roundHalfEven(double value);

// Narrowing with half-to-even rounding; out of range throws RuntimeError::overflow().
qint16 toInt16(double value);
qint32 toInt32(double value);
// Nearest single-precision value; beyond single range throws RuntimeError::overflow().
float toSingle(double value);

qint16 textToInt16(QStringView text);
qint32 textToInt32(QStringView text);
float textToSingle(QStringView text);

// Number to text, as stored: plain decimal, no blanks.
QString intToText(qint64 value);
// At most seven significant digits, no trailing zeros ("0.721", "1000", "-7295").
QString singleToText(float value);
// As singleToText, without the zero before the point between -1 and 1 (".721", "-.5").
QString singleToPresetText(float value);
// For showing: a leading blank for non-negative values, no zero before the point (" .721").
QString singleToDisplayText(float value);
// For showing: a leading blank for non-negative values (" 9", "-1").
QString intToDisplayText(qint64 value);

// Interval of the playback timer in ms: 1000 / speed, halves to even. Speed 0 throws
// RuntimeError::divisionByZero().
qint32 timerIntervalForSpeed(qint16 playSpeed);

} // namespace pluvix::core
